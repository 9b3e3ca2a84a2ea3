#include "platform/atomic_file.h"

#include "base/atomic_write.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
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

    // The steps themselves are shared with the Dock tile plug-in, which writes its pin files without Qt.
    const QByteArray target = encoded(destination);
    if (const int error =
            replaceFileAtomically(target.constData(), bytes.data(), static_cast<std::size_t>(bytes.size()))) {
        return systemError(error);
    }
    return std::nullopt;
}

} // namespace tessly
