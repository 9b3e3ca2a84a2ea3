// The main application alone on a virtual desktop, for end-to-end tests of its window: started from the built
// bundle in the test's home, looked at through the window system, driven by real key and pointer events.
//
//     TEST_F(MainWindowEndToEndTest, ...) { startTessly(); ASSERT_TRUE(runEventsUntil([&] { return
//     !mainWindow().isEmpty(); })); }
#pragma once

#include "platform/property_list.h"
#include "support/temp_home.h"
#include "support/virtual_desktop.h"

#include <QElapsedTimer>
#include <QImage>
#include <QProcess>

#include <gtest/gtest.h>

namespace tessly {

class MainWindowEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const QString missing = testing::VirtualDesktop::missingTools(); !missing.isEmpty()) {
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
        const auto defaults =
            readPropertyListFile(home.path() + "/Library/Preferences/app.tessly.Tessly.plist");
        const PlistValue* done = defaults && defaults->root.asDictionary()
                                     ? defaults->root.asDictionary()->find("hasCompletedOnboarding")
                                     : nullptr;
        return done && done->asBoolean() && *done->asBoolean();
    }
    /// Waits until the window's frame has stopped changing (its resize animation is over); its frame.
    QHash<QString, int> steadyFrame() const {
        QHash<QString, int> last;
        QElapsedTimer steady;
        steady.start();
        testing::runEventsUntil([&] {
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

    void startTessly(const QString& program = QStringLiteral(TESSLY_BUNDLE_DIR "/Contents/MacOS/Tessly")) {
        m_tessly.start(program, {});
    }
    /// The window as the screen shows it now.
    [[nodiscard]] QImage windowImage() const {
        const QHash<QString, int> frame = desktop.geometry(mainWindow());
        return desktop.grab().copy(frame["X"], frame["Y"], frame["WIDTH"], frame["HEIGHT"]);
    }
    /// Waits until the window shows something else than `before`, and then until it settles (whatever
    /// animates has ended): what a key stroke did has been done. Settled is still for 300 ms, or showing no
    /// picture it has not shown since the change for longer than a text caret's blink: under load a grab of
    /// the screen can take as long as half a blink, and a blinking caret would then never look still.
    bool waitForChangeFrom(const QImage& before) const {
        if (!testing::runEventsUntil([&] { return windowImage() != before; })) {
            return false;
        }
        QImage last;
        QList<QImage> shown;
        QElapsedTimer still;
        QElapsedTimer nothingNew;
        still.start();
        nothingNew.start();
        return testing::runEventsUntil([&] {
            const QImage now = windowImage();
            if (now != last) {
                last = now;
                still.restart();
            }
            if (!shown.contains(now)) {
                shown.append(now);
                nothingNew.restart();
            }
            return still.elapsed() > 300 || nothingNew.elapsed() > 1'200;
        });
    }
    /// Key strokes, and the wait until the window has taken them in.
    bool keyAndWait(const QString& keys) const {
        const QImage before = windowImage();
        key(keys);
        return waitForChangeFrom(before);
    }
    bool typeAndWait(const QString& text) const {
        const QImage before = windowImage();
        desktop.run("xdotool", {"type", "--delay", "20", text});
        return waitForChangeFrom(before);
    }

    testing::TempHome home;
    testing::VirtualDesktop desktop;
    QProcess m_tessly;
};

} // namespace tessly
