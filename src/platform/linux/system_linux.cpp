#include "platform/linux/system_linux.h"

#include <QDateTime>
#include <QDir>
#include <QPixmapCache>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <pwd.h>
#include <syslog.h>
#include <unistd.h>

namespace tessly {

QtMainQueue::QtMainQueue() = default;
QtMainQueue::~QtMainQueue() = default;

void QtMainQueue::schedule(WorkItemPtr item, double delaySeconds) {
    // Milliseconds, rounded up, so that nothing runs before it is due; precise timers keep 2.0 s at 2.0 s.
    const double ms =
        std::isfinite(delaySeconds) && delaySeconds > 0 ? std::ceil(delaySeconds * 1000.0) : 0.0;
    const int interval = ms > 2'000'000'000.0 ? 2'000'000'000 : static_cast<int>(ms);
    QTimer::singleShot(interval, Qt::PreciseTimer, &m_context, [item = std::move(item)] { item->perform(); });
}

Date SystemClock::now() const {
    const qint64 ms = QDateTime::currentMSecsSinceEpoch();
    return Date::fromTimeIntervalSince1970(static_cast<double>(ms) / 1000.0);
}

Paths currentUserPaths() {
    if (const char* home = std::getenv("HOME"); home && *home) {
        return Paths(QString::fromLocal8Bit(home));
    }
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) {
        return Paths(QString::fromLocal8Bit(entry->pw_dir));
    }
    return Paths(QStringLiteral("/"));
}

QString userApplicationsDirectory(const Paths& paths) {
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    const QString base = QDir::isAbsolutePath(dataHome) ? QDir::cleanPath(dataHome)
                                                        : paths.home() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/applications");
}

void releaseFreeMemory() {
    // The pixmaps Qt keeps of the icons drawn (theme icons, up to megabytes of them) are drawn again from
    // their files when next needed.
    QPixmapCache::clear();
#if defined(__GLIBC__)
    // Every arena, not only the top of the main heap: the free pages inside are given back as well.
    (void)::malloc_trim(0);
#endif
}

void StdoutConsole::printLine(const QString& line) {
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

Syslog::Syslog(const QString& identity) : m_identity(identity.toUtf8()) {
    openlog(m_identity.constData(), LOG_PID, LOG_USER);
}

Syslog::~Syslog() {
    closelog();
}

void Syslog::log(const QString& line) {
    syslog(LOG_NOTICE, "%s", line.toUtf8().constData());
}

} // namespace tessly
