// The workspace on Linux: bundles started as detached processes, running ones found in /proc, quit by
// SIGTERM, and a second open of a running bundle turned into a reopen request over the session bus.
//
//     LinuxWorkspace workspace(queue, bundle.bundlePath());
//     workspace.setReopenHandler([weak] { if (weak) weak->reopen(); });
//     workspace.openApplication(helperPath, configuration, completion);
//
// openApplication() starts "<bundle>/Contents/MacOS/<CFBundleExecutable>" with the configuration's
// arguments, detached, its working directory "/" and its standard input the null device. The executable
// must be a plain name inside Contents/MacOS and must resolve to a file inside the bundle: an Info.plist
// cannot point the start anywhere else. `activates` has no meaning without a window system and is not used.
// Without `createsNewApplicationInstance`, a bundle that runs already is not started again; its process is
// sent a reopen request (signal kWorkspacePath / kWorkspaceInterface / kWorkspaceReopenMember, argument
// the bundle's resolved path), which the LinuxWorkspace of that process turns into its reopen handler. With
// no session bus the request is lost and the open still reports success, as the application is running.
//
// runningApplications() lists this user's processes whose executable can be read, zombies left out; a
// process's bundle is the enclosing ".app" of its executable, links resolved (as /proc shows it). The
// bundle of an executable deleted while it runs is still reported, at the path it had. terminate() sends
// SIGTERM, which the program treats as a normal quit, and only to a process that still runs from the bundle
// it was listed with (a process number may have been reused since).
//
// Main thread only.
#pragma once

#include "platform/main_queue.h"
#include "platform/workspace.h"

#include <memory>

namespace tessly {

inline constexpr char kWorkspacePath[] = "/app/tessly/Workspace";
inline constexpr char kWorkspaceInterface[] = "app.tessly.Workspace";
inline constexpr char kWorkspaceReopenMember[] = "Reopen";

class LinuxWorkspace final : public Workspace {
public:
    /// `ownBundlePath` is the bundle this process runs from (none outside a bundle): reopen requests for
    /// it reach the reopen handler.
    LinuxWorkspace(MainQueue& queue, std::optional<QString> ownBundlePath);
    ~LinuxWorkspace() override;
    LinuxWorkspace(const LinuxWorkspace&) = delete;
    LinuxWorkspace& operator=(const LinuxWorkspace&) = delete;

    void openApplication(const QString& bundlePath, const OpenConfiguration& configuration,
                         OpenCompletion completion) override;
    [[nodiscard]] QList<RunningApplication> runningApplications() const override;
    bool terminate(const RunningApplication& application) override;
    void setReopenHandler(std::function<void()> handler) override { m_reopenHandler = std::move(handler); }

private:
    class Receiver;
    friend class Receiver;

    void handleReopenRequest(const QString& bundlePath);

    MainQueue& m_queue;
    /// The own bundle with its links resolved, as other processes see it in /proc.
    std::optional<QString> m_ownBundlePath;
    std::function<void()> m_reopenHandler;
    std::unique_ptr<Receiver> m_receiver;
};

} // namespace tessly
