#include "platform/linux/workspace_linux.h"

#include "platform/linux/application_linux.h"
#include "platform/linux/desktop_applications_linux.h"
#include "platform/linux/main_bundle_linux.h"
#include "platform/path_safety.h"
#include "platform/property_list.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cerrno>
#include <climits>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace tessly {

namespace {

struct BundleExecutable {
    QString path;
    std::optional<QString> error;
};

/// "<bundle>/Contents/MacOS/<CFBundleExecutable>" of a bundle whose path has its links resolved, checked
/// so that neither the Info.plist nor a link inside the bundle can make the start run anything outside it.
BundleExecutable bundleExecutable(const QString& bundle) {
    const QString infoPath = bundle + QStringLiteral("/Contents/Info.plist");
    const QString resolvedInfo = QFileInfo(infoPath).canonicalFilePath();
    if (resolvedInfo.isEmpty()) {
        return {{}, QStringLiteral("The application %1 has no Info.plist.").arg(bundle)};
    }
    if (!isInsideDirectory(resolvedInfo, bundle)) {
        return {{}, QStringLiteral("The Info.plist of %1 lies outside the bundle.").arg(bundle)};
    }
    QString readError;
    const auto info = readPropertyListFile(resolvedInfo, &readError);
    if (!info) {
        return {{}, QStringLiteral("Cannot read the Info.plist of %1: %2").arg(bundle, readError)};
    }
    const PlistValue* value =
        info->root.isDictionary() ? info->root.asDictionary()->find("CFBundleExecutable") : nullptr;
    const QString* name = value ? value->asString() : nullptr;
    if (!name || name->isEmpty()) {
        return {{},
                QStringLiteral("The Info.plist of %1 names no executable (CFBundleExecutable).").arg(bundle)};
    }
    if (!isPlainFileName(*name)) {
        return {{},
                QStringLiteral("The executable name \"%1\" of %2 is not a file name.").arg(*name, bundle)};
    }
    const QString path = bundle + QStringLiteral("/Contents/MacOS/") + *name;
    const QFileInfo executable(path);
    if (!executable.exists()) {
        return {{}, QStringLiteral("The executable %1 does not exist.").arg(path)};
    }
    if (!isInsideDirectory(executable.canonicalFilePath(), bundle)) {
        return {{}, QStringLiteral("The executable %1 lies outside its bundle.").arg(path)};
    }
    if (!executable.isFile()) {
        return {{}, QStringLiteral("The executable %1 is not a file.").arg(path)};
    }
    if (::access(QFile::encodeName(path).constData(), X_OK) != 0) {
        return {{}, QStringLiteral("The executable %1 is not executable.").arg(path)};
    }
    return {path, std::nullopt};
}

/// The process's state letter from /proc/<pid>/stat, or 0 when it cannot be read.
char processState(const QString& processDirectory) {
    QFile stat(processDirectory + QStringLiteral("/stat"));
    if (!stat.open(QIODevice::ReadOnly)) {
        return 0;
    }
    // "<pid> (<command>) <state> ...": the command may hold spaces and parentheses, so look after the last
    // ')'.
    const QByteArray line = stat.read(4096);
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0 || close + 2 >= line.size()) {
        return 0;
    }
    return line.at(close + 2);
}

/// The executable of a process as /proc shows it, or nothing when it cannot be read (another user's
/// process, a kernel thread, one that just ended).
std::optional<QString> processExecutable(const QString& processDirectory) {
    const QByteArray link = QFile::encodeName(processDirectory + QStringLiteral("/exe"));
    char buffer[PATH_MAX + 16];
    const ssize_t length = ::readlink(link.constData(), buffer, sizeof buffer);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof buffer) {
        return std::nullopt;
    }
    QString path = QFile::decodeName(QByteArray(buffer, length));
    // The kernel marks an executable deleted while it runs; the process still belongs to that bundle. The
    // mark is taken off only when the file really is gone, as a name may end in the same text.
    static const QString kDeleted = QStringLiteral(" (deleted)");
    struct stat info {};
    if (path.endsWith(kDeleted) && ::stat(link.constData(), &info) == 0 && info.st_nlink == 0) {
        path.chop(kDeleted.size());
    }
    return path;
}

std::optional<RunningApplication> runningApplication(qint64 pid, const QString& processDirectory) {
    struct stat owner {};
    if (::stat(QFile::encodeName(processDirectory).constData(), &owner) != 0 || owner.st_uid != ::geteuid()) {
        return std::nullopt;
    }
    const char state = processState(processDirectory);
    if (state == 0 || state == 'Z' || state == 'X') {
        return std::nullopt;
    }
    const std::optional<QString> executable = processExecutable(processDirectory);
    if (!executable) {
        return std::nullopt;
    }
    return RunningApplication{pid, enclosingBundlePath(*executable)};
}

} // namespace

LinuxWorkspace::LinuxWorkspace(MainQueue& queue) : m_queue(queue) {}

void LinuxWorkspace::openApplication(const QString& bundlePath, const OpenConfiguration& configuration,
                                     OpenCompletion completion) {
    auto finish = [this, completion = std::move(completion)](std::optional<QString> error) {
        // Later, never inside openApplication(), as on the platform whose workspace this stands in for.
        m_queue.async([completion, error = std::move(error)] {
            if (completion) {
                completion(error);
            }
        });
    };

    if (isDesktopEntryPath(bundlePath)) {
        // The desktop's own way to start it; whether a second start makes a new process is the entry's
        // program's business, as it is when the desktop starts it.
        finish(launchDesktopEntry(bundlePath, configuration.arguments));
        return;
    }

    const QFileInfo bundleInfo(bundlePath);
    if (bundlePath.isEmpty() || !bundleInfo.isDir()) {
        finish(QStringLiteral("No application bundle at %1.").arg(bundlePath));
        return;
    }
    const QString bundle = bundleInfo.canonicalFilePath();
    const BundleExecutable executable = bundleExecutable(bundle);
    if (executable.error) {
        finish(executable.error);
        return;
    }

    if (!configuration.createsNewApplicationInstance) {
        for (const RunningApplication& application : runningApplications()) {
            if (application.bundlePath == bundle) {
                // The running instance decides what a reopen means. Without a bus it never hears of it, but
                // the application is running, which is what was asked for.
                QDBusConnection bus = QDBusConnection::sessionBus();
                if (bus.isConnected()) {
                    QDBusMessage request = QDBusMessage::createSignal(
                        QString::fromLatin1(kApplicationPath), QString::fromLatin1(kApplicationInterface),
                        QString::fromLatin1(kApplicationReopenMember));
                    request << bundle;
                    bus.send(request);
                }
                finish(std::nullopt);
                return;
            }
        }
    }

    QProcess process;
    process.setProgram(executable.path);
    process.setArguments(configuration.arguments);
    // As an application started from the desktop: nothing to read, and no directory kept busy.
    process.setWorkingDirectory(QStringLiteral("/"));
    process.setStandardInputFile(QProcess::nullDevice());
    qint64 pid = 0;
    if (!process.startDetached(&pid)) {
        finish(QStringLiteral("Cannot start %1: %2").arg(executable.path, process.errorString()));
        return;
    }
    finish(std::nullopt);
}

QList<RunningApplication> LinuxWorkspace::runningApplications() const {
    QList<RunningApplication> applications;
    const QDir proc(QStringLiteral("/proc"));
    const QStringList entries = proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QString& entry : entries) {
        bool isNumber = false;
        const qint64 pid = entry.toLongLong(&isNumber);
        if (!isNumber || pid <= 0) {
            continue;
        }
        if (auto application = runningApplication(pid, proc.filePath(entry))) {
            applications.append(std::move(*application));
        }
    }
    return applications;
}

bool LinuxWorkspace::terminate(const RunningApplication& application) {
    // 0 and negative numbers would signal whole process groups.
    const qint64 pid = application.processIdentifier;
    if (pid <= 0 || pid > INT_MAX) {
        return false;
    }
    // The number may have been reused since the list was taken: only the process of the same bundle is
    // asked to quit.
    if (application.bundlePath) {
        const auto current = runningApplication(pid, QStringLiteral("/proc/") + QString::number(pid));
        if (!current || current->bundlePath != application.bundlePath) {
            return false;
        }
    }
    return ::kill(static_cast<pid_t>(pid), SIGTERM) == 0;
}

} // namespace tessly
