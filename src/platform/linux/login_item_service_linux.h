// The login item as an XDG autostart entry: "~/.config/autostart/<bundle identifier>.desktop", starting the
// main application's executable.
//
//     XdgAutostartLoginItemService loginItems(paths.home(), "app.tessly.Tessly",
//     "/…/Tessly.app/Contents/MacOS/Tessly");
//
// Main thread only.
#pragma once

#include "platform/login_item_service.h"

namespace tessly {

class XdgAutostartLoginItemService final : public LoginItemService {
public:
    XdgAutostartLoginItemService(const QString& home, QString bundleIdentifier, QString executablePath);

    [[nodiscard]] std::optional<QString> registerMainApplication() override;
    [[nodiscard]] std::optional<QString> unregisterMainApplication() override;

    [[nodiscard]] QString entryPath() const;

private:
    QString m_autostartDirectory;
    QString m_bundleIdentifier;
    QString m_executablePath;
};

/// Quotes `argument` for the Exec key of a desktop entry.
[[nodiscard]] QString desktopEntryQuoted(const QString& argument);

} // namespace tessly
