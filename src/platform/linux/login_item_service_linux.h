// The login item as an XDG autostart entry: "~/.config/autostart/<bundle identifier>.desktop", starting the
// main application by the command given: the installed command ("/usr/bin/tessly") where there is one, else
// the bundle's executable.
//
//     XdgAutostartLoginItemService loginItems(paths.home(), "app.tessly.Tessly", "Tessly",
//                                             "/…/Tessly.app/Contents/MacOS/Tessly");
//
// Main thread only.
#pragma once

#include "platform/login_item_service.h"

namespace tessly {

class XdgAutostartLoginItemService final : public LoginItemService {
public:
    /// `name` is what the desktop's list of start-up programs shows.
    XdgAutostartLoginItemService(const QString& home, QString bundleIdentifier, QString name,
                                 QString command);

    [[nodiscard]] std::optional<QString> registerMainApplication() override;
    [[nodiscard]] std::optional<QString> unregisterMainApplication() override;

    [[nodiscard]] QString entryPath() const;

private:
    QString m_autostartDirectory;
    QString m_bundleIdentifier;
    QString m_name;
    QString m_command;
};

/// Quotes `argument` for the Exec key of a desktop entry.
[[nodiscard]] QString desktopEntryQuoted(const QString& argument);

} // namespace tessly
