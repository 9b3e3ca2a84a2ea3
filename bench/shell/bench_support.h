// What the shell's benchmarks share: a monotonic clock, percentiles of samples, waiting for a condition with
// a deadline while the event loop runs, and a temporary home's folder of applications and helper bundle.
//
//     const std::int64_t start = monotonicNanoseconds();
//     if (!runEventsUntil([&] { return painted; }, 5'000)) state.SkipWithError("never painted");
//     state.counters["median_ms"] = percentile(samples, 0.5);
//
// Main thread only.
#pragma once

#include "model/folder_json.h"
#include "model/uuid_text.h"
#include "platform/paths.h"
#include "platform/property_list.h"

#include <QBuffer>
#include <QColor>
#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTimer>
#include <QUrl>
#include <QtEndian>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <ctime>
#include <functional>
#include <unistd.h>
#include <vector>

namespace tessly::bench {

inline constexpr int kApplicationsInFolder = 9;

[[nodiscard]] inline std::int64_t monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

/// The sample at `fraction` (0.5: the median) of the sorted samples; 0 without any.
[[nodiscard]] inline double percentile(std::vector<double> samples, double fraction) {
    if (samples.empty()) {
        return 0.0;
    }
    std::sort(samples.begin(), samples.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(samples.size() - 1) + 0.5);
    return samples[std::min(index, samples.size() - 1)];
}

/// Runs the event loop until `done` holds or `timeoutMs` has passed; returns `done()`. The condition is
/// checked after every batch of events and at least every `pollMs` (a wake-up so that conditions that no
/// event announces, like the passing of time, are seen).
inline bool runEventsUntil(const std::function<bool()>& done, int timeoutMs, int pollMs = 2) {
    const QDeadlineTimer deadline(timeoutMs);
    QTimer poll;
    poll.start(pollMs);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return done();
}

/// A field of /proc/PID/smaps_rollup or /proc/PID/status, in the file's unit (kB for sizes); -1 when absent.
/// Writes the file cache back to the disk before a process's memory is read. The pages of a file written
/// moments ago (a helper bundle copied just before its helper starts) stay dirty in the cache until the
/// kernel writes them back, within half a minute; until then smaps counts the pages the helper maps of its
/// own executable and libraries as its private dirty memory, which they are not.
inline void writeBackFileCache() {
    ::sync();
}

[[nodiscard]] inline qint64 procField(const QString& path, const QByteArray& name) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(name + ':')) {
            return line.mid(name.size() + 1).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return -1;
}

/// Writes the helper bundle's Info.plist: the built bundle's, with the folder's identifier.
[[nodiscard]] inline bool writeHelperInfo(const QString& helperPath, const QUuid& folderId) {
    std::optional<ParsedPropertyList> info =
        readPropertyListFile(QStringLiteral(TESSLY_BUNDLE_DIR "/Contents/Info.plist"));
    if (!info || !info->root.asDictionary() || !QDir().mkpath(helperPath + QStringLiteral("/Contents"))) {
        return false;
    }
    info->root.asDictionary()->set(QStringLiteral("TSGroupUUID"), PlistValue(uuidText(folderId)));
    return writePropertyListFile(helperPath + QStringLiteral("/Contents/Info.plist"), info->root,
                                 PlistFormat::Xml);
}

/// An icns of four sizes (16, 32, 128 and 256 pixels, PNG entries), as small applications ship.
[[nodiscard]] inline QByteArray smallApplicationIcns() {
    const auto bigEndian = [](qsizetype value) {
        QByteArray bytes(4, '\0');
        qToBigEndian(static_cast<quint32>(value), bytes.data());
        return bytes;
    };
    QByteArray body;
    const std::pair<const char*, int> sizes[] = {{"icp4", 16}, {"icp5", 32}, {"ic07", 128}, {"ic08", 256}};
    for (const auto& [type, side] : sizes) {
        QImage image(side, side, QImage::Format_ARGB32);
        image.fill(QColor(40, 120, 220));
        QByteArray picture;
        QBuffer buffer(&picture);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        body += QByteArray(type) + bigEndian(8 + picture.size()) + picture;
    }
    return "icns" + bigEndian(8 + body.size()) + body;
}

/// `count` application bundles in the home's Applications folder, and a folder file holding them all in one
/// folder. Without `icon` the bundles have no icon of their own (the generic one is drawn, as for most
/// bundles made by tests); with it, each has that icns file.
[[nodiscard]] inline bool writeFolderOfApplications(const Paths& paths, const QString& home,
                                                    const QUuid& folderId, int count = kApplicationsInFolder,
                                                    const QByteArray& icon = {}) {
    AppFolder folder;
    folder.id = folderId;
    folder.name = QStringLiteral("Work");
    folder.isInDock = true;
    for (int i = 1; i <= count; ++i) {
        const QString name = QStringLiteral("Application %1").arg(i);
        const QString bundle = home + QStringLiteral("/Applications/") + name + QStringLiteral(".app");
        const QString identifier = QStringLiteral("app.example.application%1").arg(i);
        PlistDictionary info{{"CFBundleIdentifier", identifier},
                             {"CFBundleName", name},
                             {"CFBundleExecutable", "application"}};
        if (!icon.isEmpty()) {
            info.set("CFBundleIconFile", QStringLiteral("application.icns"));
            QDir().mkpath(bundle + QStringLiteral("/Contents/Resources"));
            QFile file(bundle + QStringLiteral("/Contents/Resources/application.icns"));
            if (!file.open(QIODevice::WriteOnly) || file.write(icon) != icon.size()) {
                return false;
            }
        }
        if (!QDir().mkpath(bundle + QStringLiteral("/Contents/MacOS")) ||
            !writePropertyListFile(bundle + QStringLiteral("/Contents/Info.plist"), info, PlistFormat::Xml)) {
            return false;
        }
        folder.apps.push_back(AppItem{makeUuid(), name, identifier, QUrl::fromLocalFile(bundle + "/")});
    }
    QFile file(paths.folderFile());
    return QDir().mkpath(QFileInfo(paths.folderFile()).absolutePath()) && file.open(QIODevice::WriteOnly) &&
           file.write(encodeFolderList({folder})) > 0;
}

/// The marker the main application writes just before it starts a helper: the time now, as decimal text.
[[nodiscard]] inline bool writeFreshLaunchMarker(const Paths& paths, const QString& folderIdText) {
    QDir().mkpath(paths.helperStateDirectory());
    QFile marker(paths.helperStateDirectory() + QLatin1Char('/') + folderIdText + QStringLiteral(".launch"));
    const double now = static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
    return marker.open(QIODevice::WriteOnly) && marker.write(QByteArray::number(now, 'f', 3)) > 0;
}

/// A program started from a bundle with HOME set to the temporary home, on the offscreen platform; ended with
/// SIGTERM (the program's normal quit) when the benchmark is done with it, killed if it does not end.
class ProgramProcess {
public:
    ProgramProcess(const QString& home, const QString& bundle, const QStringList& arguments) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_process.setProcessEnvironment(environment);
        // Nobody reads its output: a full pipe must not stall it.
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.setStandardErrorFile(QProcess::nullDevice());
        m_process.start(bundle + QStringLiteral("/Contents/MacOS/Tessly"), arguments);
        (void)m_process.waitForStarted();
    }
    ~ProgramProcess() {
        if (m_process.state() != QProcess::NotRunning && terminate(10'000) < 0) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    [[nodiscard]] qint64 pid() const { return m_process.processId(); }
    [[nodiscard]] bool isRunning() const { return m_process.state() == QProcess::Running; }

    /// Sends SIGTERM and waits for the end: milliseconds until it ended, or -1 when it had not after
    /// `deadlineMs`.
    double terminate(int deadlineMs) {
        const std::int64_t start = monotonicNanoseconds();
        ::kill(static_cast<pid_t>(m_process.processId()), SIGTERM);
        if (!m_process.waitForFinished(deadlineMs)) {
            return -1;
        }
        return static_cast<double>(monotonicNanoseconds() - start) / 1e6;
    }

private:
    QProcess m_process;
};

} // namespace tessly::bench
