#include "platform/bounded_file.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// POSIX calls, which every platform the program runs on has: Qt's files cannot be opened without blocking.

namespace tessly {

namespace {

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Closes a descriptor when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    [[nodiscard]] int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

BoundedFileRead readBoundedFile(const QString& path, qint64 maximumBytes) {
    BoundedFileRead result;
    auto unreadable = [&](const QString& why) {
        result.status = BoundedFileRead::Status::Unreadable;
        result.bytes.clear();
        result.error = why;
        return result;
    };
    if (path.isEmpty()) {
        return result;
    }
    // Without blocking: opening a named pipe for reading would otherwise wait for a writer for ever.
    const Descriptor file(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) {
            return result;
        }
        return unreadable(systemError(error));
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) {
        return unreadable(systemError(errno));
    }
    if (!S_ISREG(info.st_mode)) {
        return unreadable(S_ISDIR(info.st_mode) ? QStringLiteral("it is a folder, not a file")
                                                : QStringLiteral("it is not a regular file"));
    }
    const QString tooLarge = QStringLiteral("it is larger than %1 bytes").arg(maximumBytes);
    if (info.st_size > maximumBytes) {
        return unreadable(tooLarge);
    }
    // The size is a hint only: the file may grow while it is read, and files of /proc report none.
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(info.st_size) + 1);
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t count = ::read(file.get(), buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return unreadable(systemError(errno));
        }
        if (count == 0) {
            break;
        }
        if (bytes.size() + count > maximumBytes) {
            return unreadable(tooLarge);
        }
        bytes.append(buffer, static_cast<qsizetype>(count));
    }
    result.status = BoundedFileRead::Status::Read;
    result.bytes = std::move(bytes);
    return result;
}

} // namespace tessly
