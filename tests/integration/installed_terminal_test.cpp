// The path of an application installed from the distribution's packages, end to end on this machine: the
// terminal's desktop entry is discovered among the system's entries as an application, and the application's
// URL, opened through the workspace as a popup opens it, starts the terminal on a virtual X server of the
// test's own.
#include "discovery/app_discovery.h"
#include "platform/linux/desktop_applications_linux.h"
#include "platform/linux/system_linux.h"
#include "platform/linux/workspace_linux.h"
#include "support/run_events.h"
#include "support/virtual_server.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

namespace tessly {
namespace {

using testing::runEventsUntil;

/// The processes of this user running `executable` with `variable` in their environment.
QList<qint64> processesWith(const QString& executable, const QByteArray& variable) {
    QList<qint64> found;
    const QDir proc(QStringLiteral("/proc"));
    for (const QString& entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool isNumber = false;
        const qint64 pid = entry.toLongLong(&isNumber);
        if (!isNumber || QFileInfo(proc.filePath(entry) + "/exe").symLinkTarget() != executable) {
            continue;
        }
        QFile environment(proc.filePath(entry) + "/environ");
        if (environment.open(QIODevice::ReadOnly) && environment.readAll().split('\0').contains(variable)) {
            found.append(pid);
        }
    }
    return found;
}

TEST(InstalledTerminalTest, IsDiscoveredAsAnApplicationAndStartsFromItsUrl) {
    const QString terminal = QStandardPaths::findExecutable("xterm");
    const QString xvfb = QStandardPaths::findExecutable("Xvfb");
    if (terminal.isEmpty() || xvfb.isEmpty()) {
        GTEST_SKIP() << "xterm or Xvfb is not installed (scripts/install-deps installs both)";
    }
    QtMainQueue queue;
    const LinuxDesktopApplications entries{{"/usr/share/applications"}};
    const QTemporaryDir home;
    const AppDiscovery discovery(
        home.path(), queue, [] { return QLocale(QStringLiteral("uk")); }, &entries);

    const QList<AppItem> apps = discovery.discoverAppsNowForTesting();
    const auto found = std::find_if(apps.begin(), apps.end(),
                                    [](const AppItem& app) { return app.bundleID == "debian-xterm"; });
    ASSERT_NE(found, apps.end());
    EXPECT_EQ(found->name, "XTerm");
    EXPECT_EQ(found->appURL, QUrl("file:///usr/share/applications/debian-xterm.desktop"));

    // The server picks a free display and writes its number once it accepts connections.
    QProcess server;
    server.start(xvfb, testing::virtualServerArguments(QStringLiteral("640x480")));
    ASSERT_TRUE(
        runEventsUntil([&] { return server.canReadLine() || server.state() == QProcess::NotRunning; }));
    const QByteArray display = ":" + server.readLine().trimmed();
    ASSERT_NE(display, ":") << server.readAllStandardError().toStdString();
    const QByteArray previousDisplay = qgetenv("DISPLAY");
    // The child gets this process's environment, as it would get the desktop session's.
    qputenv("DISPLAY", display);

    LinuxWorkspace workspace(queue);
    std::optional<std::optional<QString>> result;
    workspace.openApplication(found->appURL.toLocalFile(), OpenConfiguration{},
                              [&](const std::optional<QString>& error) { result = error; });
    ASSERT_TRUE(runEventsUntil([&] { return result.has_value(); }));
    previousDisplay.isNull() ? qunsetenv("DISPLAY") : qputenv("DISPLAY", previousDisplay);
    EXPECT_EQ(*result, std::nullopt);

    const QString resolvedTerminal = QFileInfo(terminal).canonicalFilePath();
    QList<qint64> started;
    EXPECT_TRUE(runEventsUntil([&] {
        started = processesWith(resolvedTerminal, "DISPLAY=" + display);
        return !started.isEmpty();
    })) << "the terminal never ran on "
        << display.toStdString();
    for (const qint64 pid : started) {
        ::kill(static_cast<pid_t>(pid), SIGTERM);
    }
    server.terminate();
    server.waitForFinished(5000);
}

} // namespace
} // namespace tessly
