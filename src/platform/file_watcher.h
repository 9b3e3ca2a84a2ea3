// Watching one file or directory for changes: write, delete, rename, attribute change, extend.
//
// Two halves. The platform opens an event source on a path and reports raw events on the main thread
// (FileWatcherFactory, one adapter per platform; a test drives a double). FileWatcher, the same on every
// platform, hands each report to its owner on the main queue after a settle delay, so that the burst of
// events of one save has landed before anyone reads the file; and after a delete or rename it opens the path
// again, 0.05 s later, so that watching follows the item now at the path (an editor's or the Dock's "write a
// copy, rename it over the original" included).
//
//     std::unique_ptr<FileWatcher> watcher = FileWatcher::start(factory, queue,
//         {dockPreferencesPath, 0.03, FileWatcher::Kind::file},
//         [this](FileEvents events) { dockPreferencesChanged(events); });
//     if (!watcher) { ... }      // the path cannot be opened: no watcher, and nothing is printed
//
// Watching a directory reports the files created, replaced or removed in it as a write of the directory;
// changes inside a file of the directory are not reported (they are not changes of the watched item).
//
// Main thread only. Events pending when the watcher is destroyed are dropped.
#pragma once

#include "platform/main_queue.h"

#include <QDir>
#include <QFlags>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace tessly {

enum class FileEvent : unsigned {
    write = 1U << 0,
    remove = 1U << 1, ///< the item was deleted
    rename = 1U << 2,
    attribute = 1U << 3,
    extend = 1U << 4, ///< the file grew
};
Q_DECLARE_FLAGS(FileEvents, FileEvent)
Q_DECLARE_OPERATORS_FOR_FLAGS(FileEvents)

/// An opened path that reports events; closing it (destroying it) ends the reports at once.
class FileEventSource {
public:
    virtual ~FileEventSource() = default;
    /// The descriptor held open while the source exists.
    [[nodiscard]] virtual int descriptor() const = 0;
};

/// Opens event sources: what a platform provides.
class FileWatcherFactory {
public:
    virtual ~FileWatcherFactory() = default;
    /// Opens `path` for event notification only (links followed). `onEvents` runs on the main thread with the
    /// events of each batch the system delivers, until the source is destroyed; a delete or rename of the
    /// item is the last report. Null when the path cannot be opened.
    [[nodiscard]] virtual std::unique_ptr<FileEventSource>
    openEventSource(const QString& path, std::function<void(FileEvents)> onEvents) = 0;
};

class FileWatcher {
public:
    enum class Kind {
        file,
        /// A directory, created with its parents at every (re)start when it is missing.
        directory,
    };
    struct Item {
        QString path;
        /// From an event to its report on the main queue.
        double settleSeconds = 0.0;
        Kind kind = Kind::file;
    };
    using Handler = std::function<void(FileEvents)>;

    /// After a delete or rename of the watched item, the path is opened again this much later.
    static constexpr double kRearmDelaySeconds = 0.05;

    /// Starts watching `item`; null when its path cannot be opened. The handler runs on the main queue,
    /// `settleSeconds` after each batch of events, with that batch's events.
    [[nodiscard]] static std::unique_ptr<FileWatcher> start(FileWatcherFactory& factory, MainQueue& queue,
                                                            Item item, Handler handler) {
        std::unique_ptr<FileWatcher> watcher(
            new FileWatcher(factory, queue, std::move(item), std::move(handler)));
        if (!watcher->open()) {
            return nullptr;
        }
        return watcher;
    }

    ~FileWatcher() {
        *m_alive = false;
        for (const WorkItemPtr& report : m_reports) {
            report->cancel();
        }
    }
    FileWatcher(const FileWatcher&) = delete;
    FileWatcher& operator=(const FileWatcher&) = delete;

    /// False once a re-arm found nothing at the path: the watcher stays silent from then on.
    [[nodiscard]] bool isWatching() const { return m_source != nullptr; }
    /// The open source's descriptor; -1 between a delete and its re-arm, and after a failed re-arm.
    [[nodiscard]] int descriptor() const { return m_source ? m_source->descriptor() : -1; }
    [[nodiscard]] const Item& item() const { return m_item; }

private:
    FileWatcher(FileWatcherFactory& factory, MainQueue& queue, Item item, Handler handler)
        : m_factory(factory), m_queue(queue), m_item(std::move(item)), m_handler(std::move(handler)),
          m_rearm(queue) {}

    bool open() {
        if (m_item.kind == Kind::directory) {
            QDir().mkpath(m_item.path); // a failure shows as the open failing
        }
        m_source = m_factory.openEventSource(m_item.path, [this](FileEvents events) { received(events); });
        return m_source != nullptr;
    }

    // Raw events, on the main thread: each batch is reported after the settle delay, unless this watcher is
    // gone by then (its destruction cancels the reports still pending).
    void received(FileEvents events) {
        std::erase_if(m_reports, [](const WorkItemPtr& report) { return !report->isPending(); });
        m_reports.push_back(m_queue.asyncAfter(m_item.settleSeconds, [this, events] { report(events); }));
    }

    void report(FileEvents events) {
        // The handler may destroy this watcher: it runs from a copy, and the flag says whether we still
        // exist.
        const std::shared_ptr<bool> alive = m_alive;
        const Handler handler = m_handler;
        handler(events);
        if (!*alive || !(events & (FileEvent::remove | FileEvent::rename))) {
            return;
        }
        // The descriptor still refers to the item that went away; the one now at the path (if any) is
        // watched instead once the replacement has had time to land.
        m_source.reset();
        m_rearm.start(kRearmDelaySeconds, [this] {
            if (!m_source) {
                (void)open();
            }
        });
    }

    FileWatcherFactory& m_factory;
    MainQueue& m_queue;
    Item m_item;
    Handler m_handler;
    std::unique_ptr<FileEventSource> m_source;
    DelayedWork m_rearm;
    std::vector<WorkItemPtr> m_reports;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace tessly
