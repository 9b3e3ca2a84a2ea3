// The menu in the status area: there exactly while the setting is on, its entries revealing the window at
// their pages through the main queue, quitting the program, and handing over the window's open action when
// it shows.
#include "shell/menu_bar_menu.h"
#include "support/gui_doubles.h"
#include "support/settings_harness.h"
#include "support/shell_doubles.h"

#include <QAction>

#include <gtest/gtest.h>

namespace tessly {
namespace {

using namespace tessly::testing;

class MenuBarMenuTest : public ::testing::Test, protected SettingsHarness {
protected:
    QAction* entry(int index) { return menu.menu().actions().at(index); }

    AppSettings& appSettings = make();
    RecordingApplication application;
    MainWindowController controller{application, time, center, appSettings};
    FakeSymbolImages symbols;
    RecordingConsole output;
    int opened = 0;
    TesslyMenuBarMenu menu{MenuBarMenuParts{appSettings, controller, application, time, center, symbols,
                                            output, [](const QString& key) { return "[" + key + "]"; },
                                            [this] { ++opened; }}};
};

TEST_F(MenuBarMenuTest, ItIsThereExactlyWhileTheSettingIsOnAndSaysOnceWhenTheDesktopHasNoStatusArea) {
    EXPECT_FALSE(menu.isInsertedForTesting());
    appSettings.setShowMenuBar(true);
    EXPECT_TRUE(menu.isInsertedForTesting());
    appSettings.setShowMenuBar(false);
    EXPECT_FALSE(menu.isInsertedForTesting());
    appSettings.setShowMenuBar(true);
    // The offscreen platform has no status area, as some desktops have none.
    EXPECT_EQ(output.countStartingWith("This desktop has no status area"), 1);
}

TEST_F(MenuBarMenuTest, TheEntriesRevealTheWindowAtTheirPagesAndQuitTheProgram) {
    ASSERT_EQ(menu.menu().actions().size(), 4) << "open, settings, a divider, quit";
    EXPECT_EQ(entry(0)->text(), "[menu.open]");
    EXPECT_EQ(entry(1)->text(), "[menu.settings]");
    EXPECT_TRUE(entry(2)->isSeparator());
    EXPECT_EQ(entry(3)->text(), "[menu.quit]");

    entry(1)->trigger();
    EXPECT_EQ(controller.pendingDestination(), std::nullopt) << "through the main queue";
    time.runDue();
    EXPECT_EQ(controller.pendingDestination(), NavigationPage::general);
    EXPECT_TRUE(controller.needsWindowCreationOnRegistration()) << "no window and no way to make one yet";

    // Showing the menu hands over the window's open action, which carries out the waiting reveal.
    emit menu.menu().aboutToShow();
    EXPECT_EQ(opened, 1);
    EXPECT_FALSE(controller.needsWindowCreationOnRegistration());

    entry(0)->trigger();
    time.runDue();
    EXPECT_EQ(controller.pendingDestination(), NavigationPage::allFolders);
    entry(3)->trigger();
    EXPECT_EQ(application.terminateCount, 1);
}

} // namespace
} // namespace tessly
