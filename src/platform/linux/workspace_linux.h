// The workspace on Linux: bundles started as detached processes, running ones found in /proc, quit by
// SIGTERM, and a second open of a running bundle turned into a reopen request over the session bus.
//
//     LinuxWorkspace workspace(queue);
//     workspace.openApplication(helperPath, configuration, completion);
//
// openApplication() starts "<bundle>/Contents/MacOS/<CFBundleExecutable>" with the configuration's
// arguments, detached, its working directory "/" and its standard input the null device. The executable
// must be a plain name inside Contents/MacOS and must resolve to a file inside the bundle: an Info.plist
// cannot point the start anywhere else. `activates` has no meaning without a window system and is not used.
// Without `createsNewApplicationInstance`, a bundle that runs already is not started again; its process is
// sent a reopen request (the Reopen signal of application_linux.h, with the bundle's resolved path), which
// the LinuxApplication of that process turns into its reopen handler. With no session bus the request is lost
// and the open still reports success, as the application is running.
//
// A desktop entry (a path or file URL ending in ".desktop", as the applications of
// desktop_applications_linux.h are given) is started through GIO instead, as the desktop would start it, with
// the arguments handed to it as files or URIs; GIO's error is the completion's.
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

namespace tessly {

class LinuxWorkspace final : public Workspace {
public:
    explicit LinuxWorkspace(MainQueue& queue);
    LinuxWorkspace(const LinuxWorkspace&) = delete;
    LinuxWorkspace& operator=(const LinuxWorkspace&) = delete;

    void openApplication(const QString& bundlePath, const OpenConfiguration& configuration,
                         OpenCompletion completion) override;
    [[nodiscard]] QList<RunningApplication> runningApplications() const override;
    bool terminate(const RunningApplication& application) override;

private:
    MainQueue& m_queue;
};

} // namespace tessly
