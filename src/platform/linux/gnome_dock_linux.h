// The GNOME Shell dash: the "favorite-apps" key of the "org.gnome.shell" schema, read and written through
// GSettings (dconf, in a GNOME session). The key holds desktop-file ids ("org.gnome.Nautilus.desktop").
//
//     GnomeDock dash(QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation));
//     dash.setChangeHandler([this] { reconcileLaunchers(); });   // any writer's change of the key
//     dash.keep(dash.applicationsDirectory() + "/app.tessly.folder-1.desktop");
//
// Tessly writes its entries directly into one applications directory, so an entry there is kept as its file
// name; keep and remove refuse (false) any other path. An id reads back as that file in the directory; an id
// that cannot be a file name there (empty, with a slash, "." or "..") is left out of the list, and left alone
// in the key. Without the schema, or its key, the dash reports nothing and refuses everything, instead of
// letting GSettings abort the process. The dash cannot say where its icons are.
//
// Main thread only: the change handler is called from GLib's main context, which Qt's event loop runs.
#pragma once

#include "platform/launcher_dock.h"

#include <memory>

namespace tessly {

inline constexpr char kGnomeShellSchema[] = "org.gnome.shell";
inline constexpr char kGnomeFavoriteAppsKey[] = "favorite-apps";

/// Whether the installed schemas have "org.gnome.shell" with its "favorite-apps" list.
[[nodiscard]] bool gnomeShellSchemaInstalled();

class GnomeDock final : public LauncherDock {
public:
    /// `schemaId` is for the tests of a missing schema.
    explicit GnomeDock(QString applicationsDirectory,
                       const QString& schemaId = QString::fromLatin1(kGnomeShellSchema));
    ~GnomeDock() override;
    GnomeDock(const GnomeDock&) = delete;
    GnomeDock& operator=(const GnomeDock&) = delete;

    [[nodiscard]] QString name() const override { return QStringLiteral("GNOME"); }
    bool keep(const QString& entryPath) override;
    bool remove(const QString& entryPath) override;
    [[nodiscard]] std::optional<QStringList> keptLaunchers() override;
    [[nodiscard]] std::optional<LauncherPosition> launcherPosition(const QString&) override {
        return std::nullopt;
    }
    void setChangeHandler(std::function<void()> handler) override { m_changeHandler = std::move(handler); }

    [[nodiscard]] const QString& applicationsDirectory() const { return m_applicationsDirectory; }

private:
    class Settings;

    [[nodiscard]] std::optional<QString> idOf(const QString& entryPath) const;
    void reportChange();

    QString m_applicationsDirectory;
    std::unique_ptr<Settings> m_settings;
    std::function<void()> m_changeHandler;
};

} // namespace tessly
