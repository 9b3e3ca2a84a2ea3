// Popup panels of two processes on a virtual desktop with a real window manager: a pinned (status) panel
// stays above a floating one that another process shows later over it, as often as that one is shown again,
// and a floating panel shown later does go above another floating one.
#include "support/temp_home.h"
#include "support/virtual_desktop.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace tessly {
namespace {

using testing::runEventsUntil;
using testing::TempHome;
using testing::VirtualDesktop;

class PanelProcess {
public:
    PanelProcess(const VirtualDesktop& desktop, const char* level) {
        m_process.setProcessEnvironment(desktop.environment());
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(TESSLY_PANEL_TOOL), {QString::fromLatin1(level)});
    }
    ~PanelProcess() {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }
    PanelProcess(const PanelProcess&) = delete;
    PanelProcess& operator=(const PanelProcess&) = delete;

    /// The next line the tool prints, without its line break; empty when none came.
    QByteArray readLine() {
        (void)runEventsUntil(
            [&] { return m_process.canReadLine() || m_process.state() == QProcess::NotRunning; });
        return m_process.readLine().trimmed();
    }
    /// Hides the panel; true once the tool has done it.
    bool hide() {
        m_process.write("hide\n");
        return readLine() == "hidden";
    }
    /// Shows the panel; its X window, as a number.
    qulonglong show() {
        m_process.write("show\n");
        const QByteArray line = readLine();
        return line.startsWith("shown ") ? line.mid(6).toULongLong() : 0;
    }

private:
    QProcess m_process;
};

/// The managed windows bottom to top, as the window manager lists them.
QList<qulonglong> stacking(const VirtualDesktop& desktop) {
    QList<qulonglong> windows;
    const QString list = desktop.run("xprop", {"-root", "_NET_CLIENT_LIST_STACKING"}).section('#', 1);
    for (const QString& item : list.split(',', Qt::SkipEmptyParts)) {
        windows.append(item.trimmed().toULongLong(nullptr, 16));
    }
    return windows;
}

bool isAbove(const VirtualDesktop& desktop, qulonglong upper, qulonglong lower) {
    const QList<qulonglong> windows = stacking(desktop);
    return windows.contains(upper) && windows.contains(lower) &&
           windows.indexOf(upper) > windows.indexOf(lower);
}

TEST(PanelStackingTest, APinnedPanelStaysAboveAFloatingOneShownLaterOverIt) {
    if (const QString missing = VirtualDesktop::missingTools(); !missing.isEmpty()) {
        GTEST_SKIP() << missing.toStdString();
    }
    TempHome home;
    VirtualDesktop desktop;
    ASSERT_TRUE(desktop.start(home.path()));

    PanelProcess pinned(desktop, "status");
    ASSERT_EQ(pinned.readLine(), "ready");
    const qulonglong pinnedWindow = pinned.show();
    ASSERT_NE(pinnedWindow, 0u);
    ASSERT_TRUE(runEventsUntil([&] { return stacking(desktop).contains(pinnedWindow); }))
        << "window " << pinnedWindow
        << "; managed: " << desktop.run("xprop", {"-root", "_NET_CLIENT_LIST_STACKING"}).toStdString()
        << desktop.run("xwininfo", {"-root", "-tree"}).toStdString();

    PanelProcess floating(desktop, "floating");
    ASSERT_EQ(floating.readLine(), "ready");
    qulonglong floatingWindow = 0;
    for (int time = 1; time <= 2; ++time) {
        floatingWindow = floating.show();
        ASSERT_NE(floatingWindow, 0u);
        EXPECT_TRUE(runEventsUntil([&] { return isAbove(desktop, pinnedWindow, floatingWindow); }, 5000))
            << "shown " << time << " times; bottom to top: "
            << desktop.run("xprop", {"-root", "_NET_CLIENT_LIST_STACKING"}).toStdString();
        if (time == 1) {
            ASSERT_TRUE(floating.hide());
            ASSERT_TRUE(runEventsUntil([&] { return !stacking(desktop).contains(floatingWindow); }));
        }
    }

    // Two floating panels: the one shown last goes above the other, as the window manager stacks it.
    PanelProcess later(desktop, "floating");
    ASSERT_EQ(later.readLine(), "ready");
    const qulonglong laterWindow = later.show();
    EXPECT_TRUE(runEventsUntil([&] { return isAbove(desktop, pinnedWindow, laterWindow); }, 5000));
    EXPECT_TRUE(isAbove(desktop, laterWindow, floatingWindow));
}

} // namespace
} // namespace tessly
