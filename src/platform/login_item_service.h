// Starting the main application when the user logs in.
//
//     if (auto error = loginItems.registerMainApplication()) console.printLine("Failed ...: " + *error);
//
// Main thread only.
#pragma once

#include <QString>
#include <optional>

namespace tessly {

class LoginItemService {
public:
    virtual ~LoginItemService() = default;
    /// Registers the main application to start at login. Returns the error's description on failure.
    [[nodiscard]] virtual std::optional<QString> registerMainApplication() = 0;
    /// Removes that registration; not being registered is no error.
    [[nodiscard]] virtual std::optional<QString> unregisterMainApplication() = 0;
};

} // namespace tessly
