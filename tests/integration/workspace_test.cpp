// The Linux workspace with real processes: a bundle started detached with its arguments, found among the
// running applications, asked to reopen (heard by the running instance's application, whose reopen handler
// runs) and to quit; bundles that cannot be started report why, later.
#include "adapter_test_support.h"
#include "platform/linux/system_linux.h"
#include "platform/linux/workspace_linux.h"
#include "platform/property_list.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

namespace tessly {
namespace {

using testing::runEventsFor;
using testing::runEventsUntil;
using testing::TempHome;

class LinuxWorkspaceTest : public ::testing::Test {
protected:
    void TearDown() override {
        // Whatever a failed test left running from its bundles.
        const QString root = QFileInfo(home.path()).canonicalFilePath() + "/";
        for (const RunningApplication& application : workspace.runningApplications()) {
            if (application.bundlePath && application.bundlePath->startsWith(root)) {
                ::kill(static_cast<pid_t>(application.processIdentifier), SIGKILL);
            }
        }
    }

    /// A bundle "<name>.app" whose executable is a copy of the adapter tool; returns its resolved path.
    QString makeBundle(const QString& name, const PlistValue& executableName = PlistValue("runner")) {
        const QString bundle = home.path() + "/" + name + ".app";
        QDir().mkpath(bundle + "/Contents/MacOS");
        EXPECT_TRUE(writePropertyListFile(bundle + "/Contents/Info.plist",
                                          PlistDictionary{{"CFBundleIdentifier", "app.tessly.Tessly"},
                                                          {"CFBundleExecutable", executableName}},
                                          PlistFormat::Xml));
        QFile::copy(TESSLY_ADAPTER_TOOL, bundle + "/Contents/MacOS/runner");
        return QFileInfo(bundle).canonicalFilePath();
    }

    /// Opens `bundle` and waits for the completion; returns its error.
    std::optional<QString> open(const QString& bundle, bool newInstance, QStringList arguments = {}) {
        OpenConfiguration configuration;
        configuration.activates = false;
        configuration.createsNewApplicationInstance = newInstance;
        configuration.arguments = arguments.isEmpty() ? QStringList{"bundle-app", markers()} : arguments;
        bool completed = false;
        std::optional<QString> error;
        workspace.openApplication(bundle, configuration, [&](const std::optional<QString>& e) {
            completed = true;
            error = e;
        });
        EXPECT_FALSE(completed) << "the completion runs later, never inside openApplication()";
        EXPECT_TRUE(runEventsUntil([&] { return completed; }));
        return error;
    }

    QString markers() const { return home.path(); }
    /// The processes of the tool that are up, by their "ready-<pid>" marker files.
    QList<qint64> started() const {
        QList<qint64> pids;
        for (const QString& entry : QDir(markers()).entryList({"ready-*"}, QDir::Files)) {
            pids.append(entry.mid(6).toLongLong());
        }
        return pids;
    }
    bool isListed(qint64 pid, const QString& bundle) const {
        for (const RunningApplication& application : workspace.runningApplications()) {
            if (application.processIdentifier == pid) {
                return application.bundlePath == bundle;
            }
        }
        return false;
    }
    static QStringList commandLine(qint64 pid) {
        QFile file(QString("/proc/%1/cmdline").arg(pid));
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        QStringList arguments;
        for (const QByteArray& part : file.readAll().split('\0')) {
            arguments.append(QString::fromLocal8Bit(part));
        }
        arguments.removeLast(); // after the final NUL
        return arguments;
    }

    TempHome home;
    QtMainQueue queue;
    LinuxWorkspace workspace{queue};
};

TEST_F(LinuxWorkspaceTest, StartsTheBundleDetachedWithItsArgumentsListsItAndEndsIt) {
    const QString bundle = makeBundle("Work");
    const QString uuid = "3F2504E0-4F89-41D3-9A0C-0305E82C3301";
    EXPECT_EQ(open(bundle, true, {"bundle-app", markers(), "-group", uuid}), std::nullopt);
    ASSERT_TRUE(runEventsUntil([&] { return started().size() == 1; }));
    const qint64 pid = started().front();

    EXPECT_EQ(commandLine(pid),
              (QStringList{bundle + "/Contents/MacOS/runner", "bundle-app", markers(), "-group", uuid}));
    EXPECT_TRUE(isListed(pid, bundle));
    bool selfListed = false;
    for (const RunningApplication& application : workspace.runningApplications()) {
        if (application.processIdentifier == ::getpid()) {
            selfListed = true;
            EXPECT_EQ(application.bundlePath, std::nullopt) << "the test program sits in no bundle";
        }
    }
    EXPECT_TRUE(selfListed);

    ASSERT_TRUE(workspace.terminate({pid, bundle}));
    EXPECT_TRUE(runEventsUntil([&] { return !isListed(pid, bundle); })) << "SIGTERM ends it";
    EXPECT_FALSE(workspace.terminate({pid, bundle})) << "an ended process is not signalled again";
}

TEST_F(LinuxWorkspaceTest, AProcessNumberOfAnotherBundleIsNotSignalled) {
    const QString first = makeBundle("First");
    const QString second = makeBundle("Second");
    ASSERT_EQ(open(first, true), std::nullopt);
    ASSERT_TRUE(runEventsUntil([&] { return started().size() == 1; }));
    const qint64 pid = started().front();

    EXPECT_FALSE(workspace.terminate({pid, second})) << "as if the number had been reused by another program";
    runEventsFor(100);
    EXPECT_TRUE(isListed(pid, first));
}

TEST_F(LinuxWorkspaceTest, AProcessWhoseBundleWasDeletedStillBelongsToIt) {
    const QString bundle = makeBundle("Gone");
    ASSERT_EQ(open(bundle, true), std::nullopt);
    ASSERT_TRUE(runEventsUntil([&] { return started().size() == 1; }));
    const qint64 pid = started().front();
    ASSERT_TRUE(QDir(bundle).removeRecursively());

    EXPECT_TRUE(isListed(pid, bundle)) << "the helper manager asks it to quit by this path";
    EXPECT_TRUE(workspace.terminate({pid, bundle}));
    EXPECT_TRUE(runEventsUntil([&] { return !isListed(pid, bundle); }));
}

TEST_F(LinuxWorkspaceTest, ASecondOpenAsksTheRunningInstanceToReopenUnlessANewOneIsWanted) {
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
        GTEST_SKIP() << "no session bus to carry the reopen request";
    }
    const QString bundle = makeBundle("Reopen");
    ASSERT_EQ(open(bundle, true), std::nullopt);
    ASSERT_TRUE(runEventsUntil([&] { return started().size() == 1; }));
    const qint64 pid = started().front();
    const QString reopened = markers() + QString("/reopened-%1").arg(pid);

    EXPECT_EQ(open(bundle, false), std::nullopt);
    ASSERT_TRUE(runEventsUntil([&] { return QFileInfo::exists(reopened); }));
    runEventsFor(300);
    EXPECT_EQ(started().size(), 1) << "no second process";
    EXPECT_EQ(testing::TempHome::read(reopened), "reopen\n");

    EXPECT_EQ(open(bundle, true), std::nullopt);
    EXPECT_TRUE(runEventsUntil([&] { return started().size() == 2; })) << "a new instance was asked for";
}

TEST_F(LinuxWorkspaceTest, BundlesThatCannotBeStartedReportWhyAndStartNothing) {
    const QString outsideTool = home.path() + "/outside-runner";
    QFile::copy(TESSLY_ADAPTER_TOOL, outsideTool);
    struct Case {
        const char* what;
        std::function<QString()> make;
        const char* error;
    };
    const std::vector<Case> cases = {
        {"missing bundle", [&] { return home.path() + "/Missing.app"; }, "No application bundle"},
        {"a file, not a bundle", [&] { return home.write("File.app", "x"); }, "No application bundle"},
        {"no Info.plist",
         [&] {
             const QString b = makeBundle("NoInfo");
             QFile::remove(b + "/Contents/Info.plist");
             return b;
         },
         "has no Info.plist"},
        {"damaged Info.plist",
         [&] {
             const QString b = makeBundle("Damaged");
             home.write("Damaged.app/Contents/Info.plist", "<plist><dict><key>");
             return b;
         },
         "Cannot read the Info.plist"},
        {"no executable name", [&] { return makeBundle("Nameless", PlistValue(7)); }, "names no executable"},
        {"executable missing", [&] { return makeBundle("Absent", PlistValue("absent")); }, "does not exist"},
        {"not executable",
         [&] {
             const QString b = makeBundle("Plain");
             QFile::setPermissions(b + "/Contents/MacOS/runner", QFile::ReadOwner | QFile::WriteOwner);
             return b;
         },
         "is not executable"},
        {"name climbing out", [&] { return makeBundle("Climb", PlistValue("../../outside-runner")); },
         "is not a file name"},
        {"executable linked outside",
         [&] {
             const QString b = makeBundle("Linked");
             QFile::remove(b + "/Contents/MacOS/runner");
             QFile::link(outsideTool, b + "/Contents/MacOS/runner");
             return b;
         },
         "lies outside its bundle"},
        {"MacOS linked outside",
         [&] {
             const QString b = makeBundle("LinkedDir");
             QDir(b + "/Contents/MacOS").removeRecursively();
             QFile::link(home.path(), b + "/Contents/MacOS");
             QFile::copy(TESSLY_ADAPTER_TOOL, home.path() + "/runner");
             return b;
         },
         "lies outside its bundle"},
        {"Info.plist linked outside",
         [&] {
             const QString b = makeBundle("LinkedInfo");
             const QString info = home.write(
                 "outside-info.plist",
                 writePropertyList(PlistDictionary{{"CFBundleExecutable", "runner"}}, PlistFormat::Xml));
             QFile::remove(b + "/Contents/Info.plist");
             QFile::link(info, b + "/Contents/Info.plist");
             return b;
         },
         "lies outside the bundle"},
    };
    for (const Case& c : cases) {
        const auto error = open(c.make(), true);
        ASSERT_TRUE(error.has_value()) << c.what;
        EXPECT_TRUE(error->contains(c.error)) << c.what << ": " << error->toStdString();
    }
    runEventsFor(200);
    EXPECT_TRUE(started().isEmpty());
}

} // namespace
} // namespace tessly
