#include "platform/linux/file_watcher_linux.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessly {

namespace {

// What the item itself does; IN_MODIFY only for a file, since on a directory it means a file inside changed.
constexpr std::uint32_t kSelfEvents = IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;
constexpr std::uint32_t kFileEvents = kSelfEvents | IN_MODIFY;
constexpr std::uint32_t kEntryEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
constexpr std::uint32_t kDirectoryEvents = kSelfEvents | kEntryEvents | IN_ONLYDIR;

class InotifySource final : public FileEventSource {
public:
    InotifySource(int fd, int watch, QByteArray path, bool directory, const struct stat& info,
                  std::function<void(FileEvents)> onEvents)
        : m_fd(fd), m_watch(watch), m_path(std::move(path)), m_directory(directory), m_inode(info.st_ino),
          m_size(info.st_size), m_onEvents(std::move(onEvents)),
          m_notifier(std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read)) {
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                         [this] { readEvents(); });
    }
    ~InotifySource() override {
        m_notifier.reset();
        ::close(m_fd); // removes the watch with it
    }
    InotifySource(const InotifySource&) = delete;
    InotifySource& operator=(const InotifySource&) = delete;

    [[nodiscard]] int descriptor() const override { return m_fd; }

private:
    void readEvents() {
        FileEvents events;
        bool ended = false;
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t length = ::read(m_fd, buffer, sizeof buffer);
            if (length <= 0) {
                break; // EAGAIN: the batch is read
            }
            for (ssize_t offset = 0; offset < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
                offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                events |= translate(*event, ended);
            }
        }
        if (ended) {
            // The item went away or was renamed: the watch would follow the old item, so it says no more.
            m_notifier->setEnabled(false);
            ::inotify_rm_watch(m_fd, m_watch);
        }
        if (events) {
            // Last: the callback may end this source.
            m_onEvents(events);
        }
    }

    FileEvents translate(const inotify_event& event, bool& ended) {
        FileEvents events;
        if (event.mask & IN_Q_OVERFLOW) {
            events |= FileEvent::write; // events were lost; whatever they were, look again
        }
        if (event.len > 0) {
            // An entry of the watched directory.
            if (event.mask & kEntryEvents) {
                events |= FileEvent::write;
            }
            return events;
        }
        if (event.mask & IN_MODIFY) {
            events |= FileEvent::write;
            if (grew()) {
                events |= FileEvent::extend;
            }
        }
        if (event.mask & IN_ATTRIB) {
            events |= FileEvent::attribute;
        }
        if (event.mask & IN_DELETE_SELF) {
            events |= FileEvent::remove;
            ended = true;
        }
        if (event.mask & IN_MOVE_SELF) {
            events |= FileEvent::rename;
            ended = true;
        }
        if ((event.mask & IN_IGNORED) && !ended) {
            // The watch was dropped without a delete (the file system went away): the item is gone for us.
            events |= FileEvent::remove;
            ended = true;
        }
        return events;
    }

    // Whether the file at the path, still the watched one, is larger than when last seen.
    bool grew() {
        struct stat info {};
        if (m_directory || ::stat(m_path.constData(), &info) != 0 || info.st_ino != m_inode) {
            return false;
        }
        const bool larger = info.st_size > m_size;
        m_size = info.st_size;
        return larger;
    }

    int m_fd;
    int m_watch;
    QByteArray m_path;
    bool m_directory;
    ino_t m_inode;
    off_t m_size;
    std::function<void(FileEvents)> m_onEvents;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace

std::unique_ptr<FileEventSource>
InotifyFileWatcherFactory::openEventSource(const QString& path, std::function<void(FileEvents)> onEvents) {
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    struct stat info {};
    if (::stat(native.constData(), &info) != 0) {
        ::close(fd);
        return nullptr;
    }
    const bool directory = S_ISDIR(info.st_mode);
    const int watch = ::inotify_add_watch(fd, native.constData(), directory ? kDirectoryEvents : kFileEvents);
    if (watch < 0) {
        // Missing, unreadable, or replaced by something else between the two calls: no watcher.
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<InotifySource>(fd, watch, native, directory, info, std::move(onEvents));
}

} // namespace tessly
