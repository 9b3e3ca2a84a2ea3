#include "platform/file_aside.h"

#include <QDateTime>
#include <QFile>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace tessly {

namespace {

// Renames without replacing an existing file, even one another process creates at the same moment.
int renameWithoutReplacing(const QByteArray& from, const QByteArray& to) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
#endif
    // A file system that cannot refuse to replace: look first, which leaves only a narrow race.
    struct stat info {};
    if (::lstat(to.constData(), &info) == 0) {
        return EEXIST;
    }
    return std::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}

} // namespace

std::optional<QString> moveFileAside(const QString& path, const QString& label, Date when, QString* error) {
    const auto milliseconds = static_cast<qint64>(std::llround(when.timeIntervalSince1970() * 1000.0));
    const QString base =
        path + QLatin1Char('.') + label + QLatin1Char('-') +
        QDateTime::fromMSecsSinceEpoch(milliseconds, Qt::UTC).toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QByteArray from = QFile::encodeName(path);
    // Enough for any burst of failures; beyond it something else is wrong and nothing is moved.
    constexpr int kAttempts = 1000;
    for (int n = 1; n <= kAttempts; ++n) {
        const QString aside = n == 1 ? base : base + QLatin1Char('-') + QString::number(n);
        const int result = renameWithoutReplacing(from, QFile::encodeName(aside));
        if (result == 0) {
            return aside;
        }
        if (result != EEXIST && result != ENOTEMPTY) {
            if (error) {
                *error = QString::fromLocal8Bit(std::strerror(result));
            }
            return std::nullopt;
        }
    }
    if (error) {
        *error = QStringLiteral("every name beside it is taken");
    }
    return std::nullopt;
}

} // namespace tessly
