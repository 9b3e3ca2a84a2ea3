// Tessly as its Debian package installs it: the package's files unpacked into a temporary root (named by
// TESSLY_INSTALLED_ROOT; tests/package/check_package.sh makes it and runs this), started by the installed
// command from a fresh home beside the package's own stand-in Dock, and driven with the keyboard: through the
// onboarding with "Launch at login" switched on, then a folder of one application made and switched into the
// Dock.
#include "e2e/main_window_fixture.h"
#include "model/folder_json.h"
#include "support/test_application.h"

#include <QFile>
#include <QFileInfo>

namespace tessly {
namespace {

using testing::DockClient;
using testing::runEventsUntil;
using testing::TempHome;

class InstalledPackageTest : public MainWindowEndToEndTest {
protected:
    void SetUp() override {
        root = qEnvironmentVariable("TESSLY_INSTALLED_ROOT");
        if (root.isEmpty() || !QFileInfo::exists(root + "/usr/bin/tessly")) {
            GTEST_SKIP() << "TESSLY_INSTALLED_ROOT names no unpacked package";
        }
        if (DockClient::isRunning()) {
            GTEST_SKIP() << "another Dock runs on this bus";
        }
        MainWindowEndToEndTest::SetUp();
    }
    void TearDown() override {
        MainWindowEndToEndTest::TearDown();
        dock.terminate();
        dock.waitForFinished(10'000);
    }

    [[nodiscard]] QList<AppFolder> folders() const {
        return decodeFolderList(
                   TempHome::read(home.path() + "/Library/Application Support/Tessly/folders.json"), Date())
            .folders.value_or(QList<AppFolder>());
    }
    [[nodiscard]] static QByteArray contentsOf(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QString root;
    QProcess dock;
};

TEST_F(InstalledPackageTest, StartsByItsCommandLogsInByItAndCopiesHelpersFromTheInstalledBundle) {
    dock.setProcessEnvironment(desktop.environment());
    dock.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    dock.start(root + "/usr/bin/tessly-dock", {DockClient::kControlOption});
    ASSERT_TRUE(runEventsUntil([] { return DockClient::isRunning(); }))
        << "the installed Dock takes its bus name";

    ASSERT_FALSE(testing::makeTestApplication(home, "Notes").isEmpty());
    const QString bundle = root + "/usr/lib/tessly/Tessly.app";
    startTessly(root + "/usr/bin/tessly");
    ASSERT_TRUE(runEventsUntil([&] { return !mainWindow().isEmpty(); })) << "the window opens";
    EXPECT_EQ(QFileInfo(QStringLiteral("/proc/%1/exe").arg(m_tessly.processId())).symLinkTarget(),
              bundle + "/Contents/MacOS/Tessly")
        << "started from the installed bundle";
    desktop.run("xdotool", {"windowactivate", "--sync", mainWindow()});
    steadyFrame();

    // The onboarding's last step offers "Launch at login": past the two themes and "Show in menu bar".
    ASSERT_TRUE(keyAndWait("Return Return")) << "the last step";
    ASSERT_TRUE(keyAndWait("Tab Tab Tab Tab space")) << "Launch at login is switched on";
    screenshot("installed-1-launch-at-login");
    const QString entry = home.path() + "/.config/autostart/app.tessly.Tessly.desktop";
    ASSERT_TRUE(runEventsUntil([&] { return QFileInfo::exists(entry); })) << "the login item is written";
    const QString text = QString::fromUtf8(contentsOf(entry));
    EXPECT_TRUE(text.contains("\nExec=\"" + root + "/usr/bin/tessly\"\n")) << text.toStdString();
    QProcess validate;
    validate.setProcessChannelMode(QProcess::MergedChannels);
    validate.start("desktop-file-validate", {entry});
    ASSERT_TRUE(validate.waitForFinished(10'000));
    EXPECT_EQ(validate.exitCode(), 0) << validate.readAll().toStdString();

    key("Return");
    ASSERT_TRUE(runEventsUntil([&] { return onboardingDone(); })) << "through the onboarding";
    steadyFrame();

    // A new folder, named in the editor; its card opened past its switch, the picker past Edit; the
    // application chosen and added; then back past Edit and the chevron to the switch.
    ASSERT_TRUE(keyAndWait("Tab space")) << "the folder editor opens";
    ASSERT_TRUE(typeAndWait("Tools"));
    key("Return");
    ASSERT_TRUE(runEventsUntil([&] { return folders().size() == 1; })) << "Return saves the new folder";
    ASSERT_TRUE(waitForChangeFrom(QImage()));
    ASSERT_TRUE(keyAndWait("Tab Tab space")) << "the card opens";
    ASSERT_TRUE(keyAndWait("Tab Tab space")) << "the application picker opens";
    ASSERT_TRUE(typeAndWait("Notes"));
    ASSERT_TRUE(keyAndWait("Tab space")) << "the application is chosen";
    key("Tab Tab space");
    ASSERT_TRUE(runEventsUntil([&] { return !folders().isEmpty() && folders().first().apps.size() == 1; }))
        << "the application is in the folder";
    ASSERT_TRUE(waitForChangeFrom(QImage()));
    key("shift+Tab shift+Tab shift+Tab space");
    ASSERT_TRUE(runEventsUntil([&] { return !folders().isEmpty() && folders().first().isInDock; }))
        << "switched into the Dock";

    const QString helper = home.path() + "/Library/Application Support/Tessly/Helpers/Tools.app";
    ASSERT_TRUE(runEventsUntil([&] {
        return !DockClient::tile(QFileInfo(helper).canonicalFilePath()).isEmpty();
    })) << "the helper's tile is in the Dock";
    EXPECT_EQ(contentsOf(helper + "/Contents/MacOS/Tessly"), contentsOf(bundle + "/Contents/MacOS/Tessly"))
        << "the helper is a copy of the installed bundle";
    EXPECT_EQ(QFileInfo(helper + "/Contents/MacOS/Tessly").lastModified(),
              QFileInfo(bundle + "/Contents/MacOS/Tessly").lastModified())
        << "with its dates, which an upgrade of the package changes";
    ASSERT_TRUE(waitForChangeFrom(QImage()));
    screenshot("installed-2-folder-in-the-dock");
}

} // namespace
} // namespace tessly
