// The desktop entries that put folders in the docks that keep launchers (Plank, the GNOME dash): one entry of
// Tessly's own per folder in the user's applications directory, starting the folder's helper and drawn from
// the folder's tile, a PNG file inside the helper's bundle.
//
//     LauncherEntries entries(dataHome + "/applications", QStringLiteral("app.tessly.Tessly"));
//     if (const auto error = entries.write(folder, helperPath, executablePath, tilePng)) {
//         console.printLine("[Launchers] " + *error);
//     }
//     dock.keep(entries.entryPath(folder.id));
//     for (const QUuid& id : entries.folderIdsWithEntries()) { if (!folders.contains(id)) entries.remove(id);
//     }
//
// An entry's file name and its icon's come only from the folder's identifier and the icon's bytes; the
// folder's name appears only inside the entry, escaped, so no name reaches outside the applications directory
// and the helper's bundle. An icon gets a new file name whenever the tile changes, as the docks cache icons
// by their path.
//
// Main thread only (as everything of the helper machinery).
#pragma once

#include "model/app_folder.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUuid>
#include <optional>

namespace tessly {

/// The entry's file name, "<bundle identifier>.folder-<UUID>.desktop", which is also its desktop-file id.
[[nodiscard]] QString launcherEntryId(const QString& bundleIdentifier, const QUuid& folderId);
/// The window class the folder's helper gives its windows, named in the entry's StartupWMClass so that a dock
/// shows the helper's windows on the folder's launcher: the entry's id without ".desktop".
[[nodiscard]] QString launcherWindowClass(const QString& bundleIdentifier, const QUuid& folderId);

/// What an entry says.
struct LauncherEntryContent {
    /// The folder's name as the user wrote it; the entry holds what the program shows of it.
    QString name;
    /// The absolute path of the program the dock starts.
    QString executablePath;
    /// The absolute path of the icon file.
    QString iconPath;
    QString windowClass;
    QUuid folderId;
};

/// The entry's text (UTF-8): every value escaped so that any name and any path read back as they were, and
/// the entry passes desktop-file-validate.
[[nodiscard]] QByteArray launcherEntryText(const LauncherEntryContent& content);

/// The launcher entries of one applications directory.
class LauncherEntries {
public:
    /// `applicationsDirectory` is "$XDG_DATA_HOME/applications"; it is made when an entry is first written.
    LauncherEntries(QString applicationsDirectory, QString bundleIdentifier);

    [[nodiscard]] QString entryPath(const QUuid& folderId) const;
    /// The folder's icon file inside the helper bundle at `helperPath`, named by the bytes of `iconPng`.
    [[nodiscard]] static QString iconPath(const QString& helperPath, const QByteArray& iconPng);

    /// Writes (or replaces) the folder's entry, starting `executablePath`, and its icon inside the helper's
    /// bundle, then removes the icons of earlier tiles; what is already as it should be is not written again.
    /// Nothing on success, else "<path>: <reason>", with the previous entry and icon left as they were.
    std::optional<QString> write(const AppFolder& folder, const QString& helperPath,
                                 const QString& executablePath, const QByteArray& iconPng);
    /// Removes the folder's entry, and the icons in the helper bundle at `helperPath` when that bundle stays
    /// (empty when it has gone, taking its icons with it).
    void remove(const QUuid& folderId, const QString& helperPath = {});
    /// The folders that have an entry of Tessly's in the directory: regular files named as `launcherEntryId`
    /// names them whose "X-Tessly-Folder" is that folder.
    [[nodiscard]] QList<QUuid> folderIdsWithEntries() const;

private:
    QString m_applicationsDirectory;
    QString m_bundleIdentifier;
};

} // namespace tessly
