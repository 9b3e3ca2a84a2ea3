// A double of the platform's file event sources that the test drives: a path opens when something exists
// there (or fails when the test says so), and the test delivers events to the sources open on a path, as
// the system would after a change.
//
//     ScriptedFileWatchers fileWatchers;
//     auto watcher = FileWatcher::start(fileWatchers, time, {path, 0.03, FileWatcher::Kind::file}, handler);
//     fileWatchers.deliver(path, FileEvent::write);   // the handler runs 0.03 s later in virtual time
#pragma once

#include "platform/file_watcher.h"

#include <QFileInfo>
#include <QSet>
#include <QStringList>

#include <algorithm>
#include <vector>

namespace tessly::testing {

class ScriptedFileWatchers final : public FileWatcherFactory {
public:
    [[nodiscard]] std::unique_ptr<FileEventSource>
    openEventSource(const QString& path, std::function<void(FileEvents)> onEvents) override {
        opens.append(path);
        if (unopenable.contains(path) || !QFileInfo::exists(path)) {
            return nullptr;
        }
        return std::make_unique<Source>(*this, path, std::move(onEvents), m_nextDescriptor++);
    }

    /// Hands `events` to every source open on `path`; returns how many there were.
    int deliver(const QString& path, FileEvents events) {
        std::vector<std::function<void(FileEvents)>> receivers;
        for (const Source* source : m_open) {
            if (source->path == path) {
                receivers.push_back(source->onEvents);
            }
        }
        for (const auto& receiver : receivers) {
            receiver(events);
        }
        return static_cast<int>(receivers.size());
    }
    [[nodiscard]] bool isWatched(const QString& path) const {
        return std::any_of(m_open.begin(), m_open.end(), [&](const Source* s) { return s->path == path; });
    }

    /// Every path asked for, in order, whether it opened or not.
    QStringList opens;
    /// Paths that fail to open even when they exist.
    QSet<QString> unopenable;

private:
    struct Source final : FileEventSource {
        Source(ScriptedFileWatchers& owner, QString path, std::function<void(FileEvents)> onEvents, int fd)
            : owner(owner), path(std::move(path)), onEvents(std::move(onEvents)), fd(fd) {
            owner.m_open.push_back(this);
        }
        ~Source() override { std::erase(owner.m_open, this); }
        [[nodiscard]] int descriptor() const override { return fd; }

        ScriptedFileWatchers& owner;
        QString path;
        std::function<void(FileEvents)> onEvents;
        int fd;
    };

    std::vector<Source*> m_open;
    int m_nextDescriptor = 100;
};

} // namespace tessly::testing
