// The screens, the pointer's location and the panel on the offscreen platform with two screens: y-up frames
// against Qt's y-down geometry, the panel's window flags and focus, its levels on a shown window, its content
// and fitting size, and its animated frame.
#include "platform/linux/panel_linux.h"
#include "platform/linux/pointer_linux.h"
#include "platform/linux/screens_linux.h"
#include "support/run_events.h"

#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

namespace tessly {
namespace {

using testing::runEventsUntil;

/// A content whose size hint is a fixed box inside a layout, as the popup's grid is.
std::unique_ptr<QWidget> boxContent(QSize size) {
    auto content = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(content.get());
    layout->setContentsMargins(0, 0, 0, 0);
    auto* box = new QWidget;
    box->setFixedSize(size);
    layout->addWidget(box);
    return content;
}

TEST(LinuxScreensTest, FramesAreYUpFromThePrimaryScreensBottomEdgeWithThePrimaryFirst) {
    ASSERT_EQ(QGuiApplication::screens().size(), 2) << "the test program's offscreen configuration";
    const QList<ScreenGeometry> screens = LinuxScreens().screens();
    ASSERT_EQ(screens.size(), 2);
    // The primary screen's bottom edge is y = 1100 in Qt's coordinates: both screens end there.
    EXPECT_EQ(screens.at(0).frame, QRectF(0, 0, 1440, 900));
    EXPECT_EQ(screens.at(1).frame, QRectF(1440, 0, 1280, 1100));
    EXPECT_EQ(screens.at(0).visibleFrame, screens.at(0).frame) << "offscreen reserves no strut";

    // A Qt rectangle 100 below the top of the primary screen: its y-up top is 800, its bottom 800 - 50.
    EXPECT_EQ(toYUp(QRectF(10, 300, 40, 50)), QRectF(10, 750, 40, 50));
    EXPECT_EQ(toQtGlobal(QRectF(10, 750, 40, 50)), QRectF(10, 300, 40, 50));
    EXPECT_EQ(toYUp(QPointF(10, 300)), QPointF(10, 800));
    EXPECT_EQ(toQtGlobal(QPointF(10, 800)), QPointF(10, 300));
}

TEST(LinuxScreensTest, TheMainScreenHoldsTheFocusedWindow) {
    const LinuxScreens screens;
    QWidget onSecond;
    onSecond.setGeometry(1600, 100, 200, 200);
    onSecond.show();
    onSecond.activateWindow();
    ASSERT_TRUE(runEventsUntil([&] { return QGuiApplication::focusWindow() == onSecond.windowHandle(); }));
    EXPECT_EQ(screens.mainScreenIndex(), 1);

    QWidget onPrimary;
    onPrimary.setGeometry(100, 400, 200, 200);
    onPrimary.show();
    onPrimary.activateWindow();
    ASSERT_TRUE(runEventsUntil([&] { return QGuiApplication::focusWindow() == onPrimary.windowHandle(); }));
    EXPECT_EQ(screens.mainScreenIndex(), 0);
}

TEST(LinuxPointerTest, TheLocationIsYUpAndOffX11NoMonitorIsInstalled) {
    LinuxPointer pointer;
    QCursor::setPos(1500, 1000);
    EXPECT_EQ(pointer.mouseLocation(), QPointF(1500, 100));
    EXPECT_EQ(pointer.addGlobalMouseDownMonitor([] {}), std::nullopt)
        << "the offscreen platform has no X server";
}

class LinuxPanelTest : public ::testing::Test {
protected:
    LinuxPanel panel{QSizeF(260, 300)};
};

TEST_F(LinuxPanelTest, FramesAreYUpGlobalPointsOverQtsGeometry) {
    EXPECT_EQ(panel.frame(), QRectF(0, 0, 260, 300)) << "made at the y-up origin";
    EXPECT_EQ(panel.widget()->geometry(), QRect(0, 800, 260, 300));

    panel.setFrame(QRectF(350, 85, 300, 200), false);
    EXPECT_EQ(panel.widget()->geometry(), QRect(350, 815, 300, 200));
    panel.orderFrontRegardless();
    ASSERT_TRUE(runEventsUntil([&] { return panel.widget()->windowHandle()->isExposed(); }));
    EXPECT_EQ(panel.frame(), QRectF(350, 85, 300, 200));
    EXPECT_EQ(QRectF(panel.widget()->windowHandle()->geometry()), QRectF(350, 815, 300, 200));
}

TEST_F(LinuxPanelTest, IsAFramelessTranslucentToolWindowThatAsksForNoFocus) {
    // The offscreen platform activates every window it shows, so what keeps the focus off the panel on X11 is
    // checked here as the flags and attributes the window manager reads.
    const Qt::WindowFlags flags = panel.widget()->windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_TRUE(panel.widget()->testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_TRUE(panel.widget()->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_FALSE(panel.widget()->testAttribute(Qt::WA_QuitOnClose)) << "hiding the last panel never quits";

    panel.orderFrontRegardless();
    EXPECT_TRUE(panel.isVisible());
    panel.orderOut();
    EXPECT_FALSE(panel.isVisible());
}

TEST_F(LinuxPanelTest, LevelsChangeOnTheShownWindowWhichStaysShown) {
    EXPECT_EQ(panel.level(), WindowLevel::floating);
    EXPECT_TRUE(panel.widget()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    panel.orderFrontRegardless();
    QWindow* window = panel.widget()->windowHandle();
    ASSERT_TRUE(runEventsUntil([&] { return window->isExposed(); }));

    panel.setLevel(WindowLevel::normal);
    EXPECT_FALSE(window->flags().testFlag(Qt::WindowStaysOnTopHint));
    panel.setLevel(WindowLevel::status);
    EXPECT_EQ(panel.level(), WindowLevel::status);
    EXPECT_TRUE(window->flags().testFlag(Qt::WindowStaysOnTopHint)) << "the flags reach the live window";
    EXPECT_TRUE(window->flags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_EQ(panel.widget()->windowHandle(), window) << "not re-created";
    EXPECT_TRUE(panel.isVisible()) << "pinning a shown popup does not hide it";
}

TEST_F(LinuxPanelTest, NewContentReplacesAndDeletesTheOldAndTheFittingSizeFollowsIt) {
    EXPECT_EQ(panel.fittingSize(), QSizeF(260, 300)) << "without content, the panel's size";
    panel.setContent(boxContent(QSize(120, 80)));
    QPointer<QWidget> first = panel.content();
    EXPECT_EQ(panel.fittingSize(), QSizeF(120, 80));
    EXPECT_EQ(first->window(), panel.widget());

    // The content grows, as the grid does after a settings change: the next fitting size says so.
    first->findChild<QWidget*>()->setFixedSize(200, 150);
    EXPECT_EQ(panel.fittingSize(), QSizeF(200, 150));

    auto label = std::make_unique<QLabel>(QStringLiteral("Tools"));
    const QSize labelHint = label->sizeHint();
    panel.setContent(std::move(label));
    EXPECT_EQ(panel.fittingSize(), QSizeF(labelHint));
    EXPECT_TRUE(first.isNull() || !first->isVisible()) << "gone from the panel at once";
    EXPECT_TRUE(runEventsUntil([&] { return first.isNull(); })) << "and deleted";
}

TEST_F(LinuxPanelTest, TheAppearanceReachesWindowAndContentIncludingLaterContent) {
    panel.setContent(boxContent(QSize(10, 10)));
    panel.setAppearance(WindowAppearance::light);
    EXPECT_EQ(panel.widget()->property(kAppearanceProperty).toString(), "light");
    EXPECT_EQ(panel.content()->property(kAppearanceProperty).toString(), "light");
    panel.setContent(boxContent(QSize(10, 10)));
    EXPECT_EQ(panel.content()->property(kAppearanceProperty).toString(), "light");
    panel.setAppearance(WindowAppearance::dark);
    EXPECT_EQ(panel.content()->property(kAppearanceProperty).toString(), "dark");
}

TEST_F(LinuxPanelTest, AnAnimatedFrameAnswersItsTargetAndGetsThere) {
    panel.setFrame(QRectF(100, 100, 200, 200), true);
    EXPECT_EQ(panel.widget()->geometry(), QRect(100, 800, 200, 200)) << "a hidden panel moves at once";

    panel.orderFrontRegardless();
    panel.setFrame(QRectF(80, 90, 240, 220), true);
    EXPECT_EQ(panel.frame(), QRectF(80, 90, 240, 220)) << "the frame it is heading for";
    EXPECT_TRUE(runEventsUntil([&] { return panel.widget()->geometry() == QRect(80, 790, 240, 220); }));

    // Hidden half-way: it is where it was going when it shows again.
    panel.setFrame(QRectF(0, 0, 100, 100), true);
    panel.orderOut();
    EXPECT_EQ(panel.widget()->geometry(), QRect(0, 1000, 100, 100));
}

} // namespace
} // namespace tessly
