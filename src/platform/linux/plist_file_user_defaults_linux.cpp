#include "platform/linux/plist_file_user_defaults_linux.h"

#include "platform/bounded_file.h"
#include "platform/file_aside.h"
#include "platform/path_safety.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessly {

namespace {

// Holds an exclusive advisory lock on a file for its lifetime.
class FileLock {
public:
    explicit FileLock(const QString& path) {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0) {
            m_error = QString::fromLocal8Bit(std::strerror(errno));
            return;
        }
        while (::flock(m_fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                m_error = QString::fromLocal8Bit(std::strerror(errno));
                ::close(m_fd);
                m_fd = -1;
                return;
            }
        }
    }
    ~FileLock() {
        if (m_fd >= 0) {
            ::flock(m_fd, LOCK_UN);
            ::close(m_fd);
        }
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    [[nodiscard]] bool isHeld() const { return m_fd >= 0; }
    [[nodiscard]] const QString& error() const { return m_error; }

private:
    int m_fd = -1;
    QString m_error;
};

} // namespace

PlistFileUserDefaults::PlistFileUserDefaults(const Paths& paths, const QString& domain, Console& console)
    : m_paths(paths), m_path(paths.preferencesFile(domain)), m_console(console) {}

PlistFileUserDefaults::FileStamp PlistFileUserDefaults::stampOf(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        return {};
    }
    return {true, info.st_dev, info.st_ino, info.st_size,
            static_cast<long long>(info.st_mtim.tv_sec) * 1'000'000'000LL + info.st_mtim.tv_nsec};
}

PlistFileUserDefaults::Contents PlistFileUserDefaults::readContents(const QString& path) {
    Contents contents;
    const BoundedFileRead file = readBoundedFile(path, kPropertyListFileLimit);
    if (file.status == BoundedFileRead::Status::Missing) {
        return contents;
    }
    if (file.status == BoundedFileRead::Status::Unreadable) {
        contents.readable = false;
        return contents;
    }
    const QByteArray& bytes = file.bytes;
    if (bytes.isEmpty()) {
        return contents; // an empty file holds no defaults; replacing it loses nothing
    }
    auto parsed = readPropertyList(bytes);
    if (!parsed || !parsed->root.isDictionary()) {
        contents.damaged = true;
        return contents;
    }
    contents.values = std::move(*parsed->root.asDictionary());
    contents.format = parsed->format;
    return contents;
}

void PlistFileUserDefaults::refreshIfChanged() const {
    const FileStamp stamp = stampOf(m_path);
    if (m_loaded && stamp == m_stamp) {
        return;
    }
    m_cache = readContents(m_path);
    m_stamp = stamp;
    m_loaded = true;
}

std::optional<PlistValue> PlistFileUserDefaults::object(const QString& key) const {
    refreshIfChanged();
    if (const PlistValue* value = m_cache.values.find(key)) {
        return *value;
    }
    return std::nullopt;
}

void PlistFileUserDefaults::setObject(const QString& key, const PlistValue& value) {
    modify(key, [&](PlistDictionary& values) {
        if (const PlistValue* current = values.find(key); current && *current == value) {
            return false;
        }
        values.set(key, value);
        return true;
    });
}

void PlistFileUserDefaults::removeObject(const QString& key) {
    modify(key, [&](PlistDictionary& values) { return values.remove(key); });
}

void PlistFileUserDefaults::modify(const QString& key, const std::function<bool(PlistDictionary&)>& change) {
    const QString failure = QStringLiteral("[UserDefaults] Failed to write \"%1\" to %2: ").arg(key, m_path);
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath())) {
        m_console.printLine(failure + QStringLiteral("cannot create the preferences folder"));
        return;
    }
    const FileLock lock(m_path + QStringLiteral(".lock"));
    if (!lock.isHeld()) {
        m_console.printLine(failure + lock.error());
        return;
    }
    // Under the lock, start from what is on disk now: another process may have written since we last read.
    Contents contents = readContents(m_path);
    if (!contents.readable) {
        m_console.printLine(failure + QStringLiteral("the existing file cannot be read"));
        return;
    }
    if (!change(contents.values)) {
        m_cache = std::move(contents);
        m_stamp = stampOf(m_path);
        m_loaded = true;
        return;
    }
    if (contents.damaged) {
        QString error;
        const auto aside =
            moveFileAside(m_path, QStringLiteral("damaged"),
                          Date::fromTimeIntervalSince1970(
                              static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0),
                          &error);
        if (!aside) {
            m_console.printLine(failure + QStringLiteral("the damaged file could not be moved aside: ") +
                                error);
            return;
        }
        m_console.printLine(QStringLiteral("[UserDefaults] Moved damaged preferences file aside: ") + *aside);
    }
    QString error;
    if (!writePropertyListFile(m_path, PlistValue(contents.values), contents.format, &error,
                               LinkAtDestination::writeThrough)) {
        m_console.printLine(failure + error);
        return;
    }
    m_cache = std::move(contents);
    m_cache.damaged = false;
    m_stamp = stampOf(m_path);
    m_loaded = true;
}

std::optional<PlistDictionary> PlistFileUserDefaults::persistentDomain(const QString& domainName) const {
    if (!isPlainFileName(domainName)) {
        return std::nullopt;
    }
    const QString path = m_paths.preferencesFile(domainName);
    if (path == m_path) {
        refreshIfChanged();
        return m_cache.values;
    }
    if (!QFileInfo::exists(path)) {
        return std::nullopt;
    }
    Contents contents = readContents(path);
    if (contents.damaged) {
        return std::nullopt;
    }
    return std::move(contents.values);
}

} // namespace tessly
