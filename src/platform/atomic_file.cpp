#include "platform/atomic_file.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// POSIX calls, which every platform the program runs on has: Qt's file classes buffer their writes and do not
// say which step of a save failed, nor sync the file before it replaces the old one.

namespace tessly {

namespace {

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray encoded(const QString& path) {
    return QFile::encodeName(path);
}

// Where a write through links lands: the end of the chain of links at `path` (40 at most, as the kernel
// allows), a relative target read against the folder of the link that names it.
std::optional<QString> resolveLinks(const QString& path, QString* error) {
    QString current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(encoded(current).constData(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return current;
        }
        const QString target = QFileInfo(current).symLinkTarget();
        if (target.isEmpty()) {
            *error = QStringLiteral("the link at %1 cannot be read").arg(current);
            return std::nullopt;
        }
        current = target;
    }
    *error = systemError(ELOOP);
    return std::nullopt;
}

// The temporary copy is "<name>." and six random letters and digits with both cases among them, the form the
// folder store recognises when it clears copies a stopped process left behind.
QString temporaryName(const QString& destination) {
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString suffix;
    for (;;) {
        suffix.clear();
        bool upper = false;
        bool lower = false;
        for (int i = 0; i < 6; ++i) {
            const char c = kAlphabet[QRandomGenerator::global()->bounded(int(sizeof kAlphabet - 1))];
            upper = upper || (c >= 'A' && c <= 'Z');
            lower = lower || (c >= 'a' && c <= 'z');
            suffix += QLatin1Char(c);
        }
        if (upper && lower) {
            return destination + QLatin1Char('.') + suffix;
        }
    }
}

bool writeAll(int fd, QByteArrayView bytes, int* error) {
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t count = ::write(fd, data, static_cast<size_t>(left));
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            *error = errno;
            return false;
        }
        if (count == 0) {
            *error = ENOSPC;
            return false;
        }
        data += count;
        left -= count;
    }
    return true;
}

// A new file of a fresh name beside the destination, open for writing; or, with no descriptor, the errno of
// the failure.
struct TemporaryFile {
    int fd = -1;
    QByteArray path;
    int error = 0;
};

TemporaryFile createTemporaryBeside(const QString& destination) {
    TemporaryFile made;
    for (int attempt = 0; attempt < 100; ++attempt) {
        made.path = encoded(temporaryName(destination));
        // O_EXCL with O_NOFOLLOW: the temporary name is never something another process put there first.
        made.fd = ::open(made.path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (made.fd >= 0) {
            return made;
        }
        if (errno != EEXIST) {
            made.error = errno;
            return made;
        }
    }
    made.error = EEXIST;
    return made;
}

// Writes `bytes` to the open temporary and gives it `mode` when one is kept, until everything is on the disk;
// 0 or the errno of the step that failed.
int fill(int fd, QByteArrayView bytes, std::optional<mode_t> mode) {
    int error = 0;
    if (!writeAll(fd, bytes, &error)) {
        return error;
    }
    if (mode && ::fchmod(fd, *mode) != 0) {
        return errno;
    }
    // A file system that allocates late only reports a full disk here, once the data must reach the disk.
    if (::fsync(fd) != 0) {
        return errno;
    }
    struct stat written {};
    if (::fstat(fd, &written) != 0) {
        return errno;
    }
    return written.st_size == bytes.size() ? 0 : EIO;
}

// fill(), then the descriptor is closed whatever happened; 0 or the errno of the first failure.
int fillAndClose(int fd, QByteArrayView bytes, std::optional<mode_t> mode) {
    const int error = fill(fd, bytes, mode);
    if (::close(fd) != 0 && error == 0) {
        return errno;
    }
    return error;
}

// The rename itself reaches the disk with the folder; the file is in place whether or not this succeeds.
void syncFolderOf(const QString& path) {
    const QByteArray folder = encoded(QFileInfo(path).absolutePath());
    const int folderFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        (void)::fsync(folderFd);
        ::close(folderFd);
    }
}

} // namespace

std::optional<QString> writeFileAtomically(const QString& path, QByteArrayView bytes,
                                           LinkAtDestination link) {
    if (path.isEmpty()) {
        return QStringLiteral("no file name was given");
    }
    QString destination = path;
    if (link == LinkAtDestination::writeThrough) {
        QString error;
        const auto resolved = resolveLinks(path, &error);
        if (!resolved) {
            return error;
        }
        destination = *resolved;
    }

    // An existing file keeps its permissions (a preferences file the user made private stays private); a new
    // one gets the defaults the user's umask leaves.
    std::optional<mode_t> keptMode;
    struct stat existing {};
    if (::lstat(encoded(destination).constData(), &existing) == 0 && S_ISREG(existing.st_mode)) {
        keptMode = existing.st_mode & 07777;
    }

    const TemporaryFile temporary = createTemporaryBeside(destination);
    if (temporary.fd < 0) {
        return systemError(temporary.error);
    }
    int error = fillAndClose(temporary.fd, bytes, keptMode);
    if (error == 0 && ::rename(temporary.path.constData(), encoded(destination).constData()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.path.constData());
        return systemError(error);
    }
    syncFolderOf(destination);
    return std::nullopt;
}

} // namespace tessly
