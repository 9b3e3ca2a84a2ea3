// The applications the desktop offers its user besides bundles: on a desktop that describes its installed
// programs in entries of its own, those entries, as the desktop's menu would show them.
//
//     const QList<DesktopApplication> entries = desktopApplications.applications(QStringLiteral("uk"));
//     for (const DesktopApplication& entry : entries) {
//         picker.add(entry.name, entry.identifier, QUrl::fromLocalFile(entry.entryPath));
//     }
//
// An entry's path is what the workspace opens and what the workspace icons draw, as a bundle's path is. The
// list is read again at every call; nothing is cached. A platform without such entries lists none.
//
// Main thread only.
#pragma once

#include <QList>
#include <QString>

namespace tessly {

struct DesktopApplication {
    /// The entry's identifier among the desktop's entries, unique in one list.
    QString identifier;
    /// The name the desktop shows, in the language asked for when the entry has it.
    QString name;
    /// The absolute path of the entry's file.
    QString entryPath;
};

class DesktopApplications {
public:
    virtual ~DesktopApplications() = default;

    /// The entries the desktop shows to its user, one per identifier, in no particular order. `language` is
    /// an ISO 639 code ("en", "uk") choosing the names; empty for the untranslated ones. Entries that cannot
    /// be read are left out.
    [[nodiscard]] virtual QList<DesktopApplication> applications(const QString& language) const = 0;
};

} // namespace tessly
