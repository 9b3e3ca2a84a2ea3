// The main application's window with the real program on a virtual desktop, driven by real key and pointer
// events: a first start meets the onboarding, its end leads to the folders, the settings shortcut and a click
// on the Dock tile bring the window back at their pages. Each step leaves a screenshot in the build tree.
#include "e2e/main_window_fixture.h"
#include "platform/linux/application_linux.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

namespace tessly {
namespace {

using testing::runEventsUntil;

TEST_F(MainWindowEndToEndTest, AFirstStartGoesThroughTheOnboardingToTheFoldersAndTheSettings) {
    startTessly();
    ASSERT_TRUE(runEventsUntil([&] { return !mainWindow().isEmpty(); })) << "the window opens at launch";
    const QString onboarding = mainWindow();
    EXPECT_EQ(desktop.run("xdotool", {"getwindowname", onboarding}).trimmed(), "Tessly");
    screenshot("main-1-onboarding");
    EXPECT_FALSE(onboardingDone());

    // Continue, Continue, Start: the keyboard alone goes through it.
    desktop.run("xdotool", {"windowactivate", "--sync", onboarding});
    key("Return Return Return");
    ASSERT_TRUE(runEventsUntil([&] { return onboardingDone(); })) << "the onboarding is over and remembered";
    ASSERT_TRUE(runEventsUntil([&] { return desktop.geometry(mainWindow())["HEIGHT"] >= 550; }))
        << "the folders page, at least 550 tall";
    EXPECT_GE(steadyFrame()["HEIGHT"], 550);
    screenshot("main-2-folders");

    key("ctrl+comma");
    ASSERT_TRUE(runEventsUntil([&] { return desktop.geometry(mainWindow())["HEIGHT"] < 500; }))
        << "the settings shortcut shows the General page, as tall as its content";
    EXPECT_LT(steadyFrame()["HEIGHT"], 500);
    screenshot("main-3-general-settings");

    // Closed with its close light; a click on the program's Dock tile brings a new one at the folders page.
    const QHash<QString, int> frame = desktop.geometry(mainWindow());
    desktop.run("xdotool", {"mousemove", QString::number(frame["X"] + 20), QString::number(frame["Y"] + 23),
                            "click", "1"});
    ASSERT_TRUE(runEventsUntil([&] { return mainWindow().isEmpty(); })) << "the close light closes it";
    EXPECT_EQ(m_tessly.state(), QProcess::Running) << "closing the window leaves the program running";
    QDBusMessage reopen =
        QDBusMessage::createSignal(kApplicationPath, kApplicationInterface, kApplicationReopenMember);
    reopen << QFileInfo(QStringLiteral(TESSLY_BUNDLE_DIR)).canonicalFilePath();
    QDBusConnection::sessionBus().send(reopen);
    ASSERT_TRUE(runEventsUntil([&] { return !mainWindow().isEmpty(); }))
        << "a click on its Dock tile reopens it";
    EXPECT_TRUE(runEventsUntil([&] { return desktop.geometry(mainWindow())["HEIGHT"] >= 550; }))
        << "on the folders page";
    steadyFrame();
    screenshot("main-4-reopened");
}

} // namespace
} // namespace tessly
