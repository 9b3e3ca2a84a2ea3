// File events on Linux, from inotify: each source has its own inotify descriptor, read on the main thread
// through the event loop.
//
//     InotifyFileWatcherFactory fileWatchers;                       // in the composition root
//     auto watcher = FileWatcher::start(fileWatchers, queue, {path, 0.03, FileWatcher::Kind::file}, handler);
//
// inotify differs from a vnode watch in two ways that the source evens out: a watch on a directory also hears
// about changes inside its files (dropped here: only entries created, removed or renamed count, as a write of
// the directory), and a watch keeps following an item that was renamed away (the source goes quiet after
// reporting a delete or rename; FileWatcher opens the path again). Growth of a file arrives as a write with
// extend when its size went up.
//
// Main thread only.
#pragma once

#include "platform/file_watcher.h"

namespace tessly {

class InotifyFileWatcherFactory final : public FileWatcherFactory {
public:
    [[nodiscard]] std::unique_ptr<FileEventSource>
    openEventSource(const QString& path, std::function<void(FileEvents)> onEvents) override;
};

} // namespace tessly
