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
    struct stat existing {};
    const bool exists =
        ::lstat(encoded(destination).constData(), &existing) == 0 && S_ISREG(existing.st_mode);

    QString temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = temporaryName(destination);
        // O_EXCL with O_NOFOLLOW: the temporary name is never something another process put there first.
        fd = ::open(encoded(temporary).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                    0666);
        if (fd < 0 && errno != EEXIST) {
            return systemError(errno);
        }
    }
    if (fd < 0) {
        return systemError(EEXIST);
    }
    const QByteArray temporaryPath = encoded(temporary);
    auto fail = [&](int error) -> std::optional<QString> {
        if (fd >= 0) {
            ::close(fd);
        }
        ::unlink(temporaryPath.constData());
        return systemError(error);
    };

    int error = 0;
    if (!writeAll(fd, bytes, &error)) {
        return fail(error);
    }
    if (exists && ::fchmod(fd, existing.st_mode & 07777) != 0) {
        return fail(errno);
    }
    // A file system that allocates late only reports a full disk here, once the data must reach the disk.
    if (::fsync(fd) != 0) {
        return fail(errno);
    }
    struct stat written {};
    if (::fstat(fd, &written) != 0) {
        return fail(errno);
    }
    if (written.st_size != bytes.size()) {
        return fail(EIO);
    }
    const int closing = ::close(fd);
    fd = -1;
    if (closing != 0) {
        return fail(errno);
    }
    if (::rename(temporaryPath.constData(), encoded(destination).constData()) != 0) {
        return fail(errno);
    }
    // The rename itself reaches the disk with the folder; the file is in place whether or not this succeeds.
    const QByteArray folder = encoded(QFileInfo(destination).absolutePath());
    const int folderFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        (void)::fsync(folderFd);
        ::close(folderFd);
    }
    return std::nullopt;
}

} // namespace tessly
