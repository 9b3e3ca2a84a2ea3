// The helper manager with real helper processes in a home reached through a symbolic link and written with a
// doubled slash: /proc reports the resolved path of each process, and the manager still knows its helpers
// are running, starts no second copy and asks them to quit before deleting their bundles.
#include "adapter_test_support.h"
#include "helpers/helper_manager.h"
#include "model/uuid_text.h"
#include "platform/linux/system_linux.h"
#include "platform/linux/workspace_linux.h"
#include "support/helper_doubles.h"
#include "support/in_memory_notification_bus.h"
#include "support/in_memory_user_defaults.h"
#include "support/recording_console.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

namespace tessly {
namespace {

using testing::runEventsUntil;
using testing::TempHome;

/// Processes listed and asked to quit by the real workspace; opens only recorded, as the helpers of this test
/// are started by the test itself with the arguments the tool understands.
class RealProcessesWorkspace final : public Workspace {
public:
    explicit RealProcessesWorkspace(MainQueue& queue) : m_real(queue) {}

    void openApplication(const QString& bundlePath, const OpenConfiguration&,
                         OpenCompletion completion) override {
        opened.append(bundlePath);
        completion(std::nullopt);
    }
    [[nodiscard]] QList<RunningApplication> runningApplications() const override {
        return m_real.runningApplications();
    }
    bool terminate(const RunningApplication& application) override { return m_real.terminate(application); }

    QStringList opened;

private:
    LinuxWorkspace m_real;
};

class HelperProcessesTest : public ::testing::Test {
protected:
    HelperProcessesTest() {
        EXPECT_TRUE(QFile::link(home.path(), links.path() + "/home"));
        const QString contents = home.path() + "/Apps/Tessly.app/Contents";
        QDir().mkpath(contents + "/MacOS");
        EXPECT_TRUE(writePropertyListFile(
            contents + "/Info.plist",
            PlistDictionary{{"CFBundleIdentifier", "app.tessly.Tessly"}, {"CFBundleExecutable", "Tessly"}},
            PlistFormat::Xml));
        EXPECT_TRUE(QFile::copy(TESSLY_ADAPTER_TOOL, contents + "/MacOS/Tessly"));
    }
    void TearDown() override {
        const QString root = QFileInfo(home.path()).canonicalFilePath() + "/";
        for (const RunningApplication& application : workspace.runningApplications()) {
            if (application.bundlePath && application.bundlePath->startsWith(root)) {
                ::kill(static_cast<pid_t>(application.processIdentifier), SIGKILL);
            }
        }
    }

    /// Starts the helper's executable as the user's click would, through the linked home; returns its
    /// process number once it is up.
    qint64 startHelper(const QString& helperThroughLink) {
        qint64 pid = 0;
        EXPECT_TRUE(QProcess::startDetached(helperThroughLink + "/Contents/MacOS/Tessly",
                                            {"bundle-app", markers}, "/", &pid));
        EXPECT_TRUE(
            runEventsUntil([&] { return QFileInfo::exists(markers + "/ready-" + QString::number(pid)); }));
        return pid;
    }
    bool isListed(qint64 pid) const {
        for (const RunningApplication& application : workspace.runningApplications()) {
            if (application.processIdentifier == pid) {
                return true;
            }
        }
        return false;
    }

    TempHome home;
    QTemporaryDir links{QDir::tempPath() + "/tessly-links-XXXXXX"};
    QString markers = home.path();
    Paths paths{links.path() + "//home/"};
    MainBundle mainBundle{home.path() + "/Apps/Tessly.app", {}};
    QtMainQueue queue;
    SystemClock clock;
    testing::InMemoryUserDefaults defaults;
    RealProcessesWorkspace workspace{queue};
    testing::ScriptedChildProcesses processes;
    testing::InMemoryExtendedAttributes attributes;
    testing::InMemoryPreferencesDomain dock;
    NotificationCenter notifications;
    testing::InMemoryNotificationBus bus;
    testing::InMemoryDistributedNotificationCenter distributed{bus, queue};
    testing::RecordingConsole console;
    HelperManager manager{HelperEnvironment{paths, mainBundle, defaults, workspace, processes, attributes,
                                            dock, notifications, distributed, queue, clock, console, console,
                                            QStringLiteral("codesign")}};
};

TEST_F(HelperProcessesTest, ARunningHelperIsKnownByItsResolvedPathAndQuitBeforeItsBundleGoes) {
    const AppFolder work{makeUuid(), "Work", "folder", {}, true, {}, clock.now()};
    ASSERT_TRUE(manager.buildHelper(work)) << console.lines.join('\n').toStdString();
    const QString throughLink = links.path() + "//home/Library/Application Support/Tessly/Helpers/Work.app";
    const qint64 pid = startHelper(throughLink);

    EXPECT_TRUE(manager.isHelperRunning(throughLink));
    manager.syncHelpers({work});
    EXPECT_TRUE(workspace.opened.isEmpty()) << "no second copy of the running helper";

    manager.removeHelper(work.id, false);
    EXPECT_FALSE(QFileInfo::exists(throughLink));
    EXPECT_TRUE(runEventsUntil([&] { return !isListed(pid); })) << "asked to quit, it ends";
}

} // namespace
} // namespace tessly
