// The main application's window with the real program on a virtual desktop, driven by real key and pointer
// events: a first start meets the onboarding, its end leads to the folders, the settings shortcut and a click
// on the Dock tile bring the window back at their pages. Each step leaves a screenshot in the build tree.
#include "platform/linux/application_linux.h"
#include "platform/property_list.h"
#include "support/temp_home.h"
#include "support/virtual_desktop.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

namespace tessly {
namespace {

using testing::runEventsUntil;
using testing::TempHome;
using testing::VirtualDesktop;

class MainWindowEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const QString missing = VirtualDesktop::missingTools(); !missing.isEmpty()) {
            GTEST_SKIP() << missing.toStdString();
        }
        ASSERT_TRUE(desktop.start(home.path()));
        m_tessly.setProcessEnvironment(desktop.environment());
        m_tessly.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    }
    void TearDown() override {
        m_tessly.terminate();
        m_tessly.waitForFinished(10'000);
        desktop.stop();
    }

    /// The program's one visible window, or nothing.
    [[nodiscard]] QString mainWindow() const {
        const QStringList windows = desktop.visibleWindowsOf(m_tessly.processId());
        return windows.size() == 1 ? windows.first() : QString();
    }
    [[nodiscard]] bool onboardingDone() const {
        const auto defaults = readPropertyListFile(home.path() + "/Library/Preferences/app.tessly.Tessly.plist");
        const PlistValue* done =
            defaults && defaults->root.asDictionary() ? defaults->root.asDictionary()->find("hasCompletedOnboarding")
                                                      : nullptr;
        return done && done->asBoolean() && *done->asBoolean();
    }
    /// Waits until the window's frame has stopped changing (its resize animation is over); its frame.
    QHash<QString, int> steadyFrame() const {
        QHash<QString, int> last;
        QElapsedTimer steady;
        steady.start();
        runEventsUntil([&] {
            const QHash<QString, int> now = desktop.geometry(mainWindow());
            if (now != last) {
                last = now;
                steady.restart();
            }
            return steady.elapsed() > 400;
        });
        return last;
    }
    /// Key strokes, in order, to the window with the keyboard focus.
    void key(const QString& keys) const {
        desktop.run("xdotool", QStringList{"key", "--clearmodifiers"} + keys.split(' '));
    }
    void screenshot(const QString& name) const {
        desktop.screenshot(QStringLiteral(TESSLY_E2E_SCREENSHOTS "/") + name + ".png");
    }

    TempHome home;
    VirtualDesktop desktop;
    QProcess m_tessly;
};

TEST_F(MainWindowEndToEndTest, AFirstStartGoesThroughTheOnboardingToTheFoldersAndTheSettings) {
    m_tessly.start(QStringLiteral(TESSLY_BUNDLE_DIR "/Contents/MacOS/Tessly"), {});
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
    QDBusMessage reopen = QDBusMessage::createSignal(kApplicationPath, kApplicationInterface, kApplicationReopenMember);
    reopen << QFileInfo(QStringLiteral(TESSLY_BUNDLE_DIR)).canonicalFilePath();
    QDBusConnection::sessionBus().send(reopen);
    ASSERT_TRUE(runEventsUntil([&] { return !mainWindow().isEmpty(); })) << "a click on its Dock tile reopens it";
    EXPECT_TRUE(runEventsUntil([&] { return desktop.geometry(mainWindow())["HEIGHT"] >= 550; }))
        << "on the folders page";
    steadyFrame();
    screenshot("main-4-reopened");
}

} // namespace
} // namespace tessly
