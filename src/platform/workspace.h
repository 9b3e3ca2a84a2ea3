// Applications as the platform's workspace sees them: opening one with a configuration, the running ones, and
// asking one to quit.
//
//     OpenConfiguration configuration;
//     configuration.activates = false;
//     configuration.createsNewApplicationInstance = true;
//     configuration.arguments = {"-group", uuidText(folder.id)};
//     workspace.openApplication(helperPath, configuration, [weak](std::optional<QString> error) { ... });
//
// The completion runs later, on the main queue, never inside openApplication(). Opening a bundle that is
// already running, without asking for a new instance, asks the running instance to reopen (Application's
// reopen handler hears it there).
//
// Main thread only.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace tessly {

struct OpenConfiguration {
    /// Bring the application to the front.
    bool activates = true;
    /// Start a new process even when the bundle is running already.
    bool createsNewApplicationInstance = false;
    /// Command-line arguments after the program path.
    QStringList arguments;
};

struct RunningApplication {
    qint64 processIdentifier = 0;
    /// The bundle the process runs from; absent for a process outside any bundle.
    std::optional<QString> bundlePath;
};

using OpenCompletion = std::function<void(const std::optional<QString>& error)>;

class Workspace {
public:
    virtual ~Workspace() = default;

    /// Opens the application bundle at `bundlePath`; the completion reports an error's description or
    /// success.
    virtual void openApplication(const QString& bundlePath, const OpenConfiguration& configuration,
                                 OpenCompletion completion) = 0;
    /// The user's running applications.
    [[nodiscard]] virtual QList<RunningApplication> runningApplications() const = 0;
    /// Asks the application to quit normally; false when the request could not be delivered.
    virtual bool terminate(const RunningApplication& application) = 0;
};

} // namespace tessly
