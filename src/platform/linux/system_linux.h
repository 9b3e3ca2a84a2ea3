// The Linux adapters of the small ports: the Qt event loop as the main queue, the system clock, the process's
// home folder, standard output, syslog and the allocator's free memory.
//
//     QtMainQueue queue;  SystemClock clock;  Paths paths = currentUserPaths();
//
// Main thread only.
#pragma once

#include "platform/clock.h"
#include "platform/console.h"
#include "platform/main_queue.h"
#include "platform/paths.h"

#include <QObject>

namespace tessly {

/// Runs work items from the Qt event loop of the main thread.
class QtMainQueue final : public MainQueue {
public:
    QtMainQueue();
    ~QtMainQueue() override;
    void schedule(WorkItemPtr item, double delaySeconds) override;

private:
    // Timers are bound to this context, so none fires after the queue is gone.
    QObject m_context;
};

class SystemClock final : public Clock {
public:
    [[nodiscard]] Date now() const override;
};

/// The paths of the user running the process ($HOME, else the password database's home).
[[nodiscard]] Paths currentUserPaths();

/// Where the user's own desktop entries go: "$XDG_DATA_HOME/applications" when that is an absolute path,
/// else "<home>/.local/share/applications".
[[nodiscard]] QString userApplicationsDirectory(const Paths& paths);

/// Hands the pages of the heap that hold nothing back to the system, after letting go of the pixmaps Qt keeps
/// of the icons drawn. The allocator keeps what a process freed for its next allocations; a helper that sits
/// idle for hours after its start-up or its popup needs none of it, and every folder in the Dock has a
/// helper. Needs the QGuiApplication.
void releaseFreeMemory();

class StdoutConsole final : public Console {
public:
    void printLine(const QString& line) override;
};

class Syslog final : public SystemLog {
public:
    explicit Syslog(const QString& identity);
    ~Syslog() override;
    void log(const QString& line) override;

private:
    QByteArray m_identity; // openlog keeps the pointer
};

} // namespace tessly
