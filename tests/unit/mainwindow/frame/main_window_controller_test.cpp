// The main window brought forward from every state it can be in, in virtual time.
#include "mainwindow/frame/main_window_controller.h"
#include "model/notification_names.h"
#include "support/settings_harness.h"
#include "support/shell_doubles.h"

#include <gtest/gtest.h>

namespace tessly {
namespace {

using testing::RecordingApplication;
using testing::RecordingWindow;

class MainWindowControllerTest : public ::testing::Test {
protected:
    MainWindowControllerTest() {
        harness.center.addObserver(notification_names::kMainWindowNavigationRequested,
                                   [this](const Notification&) { ++navigationRequests; });
    }

    /// What the open action does here: a window that joins the application's list only after `delay`.
    void openWindowAfter(double delay) {
        ++opened;
        harness.time.asyncAfter(delay, [this] {
            auto window = std::make_unique<RecordingWindow>(QString::fromLatin1(kMainWindowIdentifier));
            window->visible = false;
            mainWindow = window.get();
            application.plainWindows.push_back(std::move(window));
        });
    }
    RecordingWindow& addWindow(const QString& identifier, const QString& title = {}) {
        application.plainWindows.push_back(std::make_unique<RecordingWindow>(identifier));
        application.plainWindows.back()->windowTitle = title;
        return *application.plainWindows.back();
    }

    testing::SettingsHarness harness;
    AppSettings& settings = harness.make();
    RecordingApplication application;
    MainWindowController controller{application, harness.time, harness.center, settings};
    RecordingWindow* mainWindow = nullptr;
    int opened = 0;
    int navigationRequests = 0;
};

// A closed window: the action creates it, the first attempt that finds it brings it forward and the later
// ones do nothing; the new window takes the page itself, so no navigation is posted.
TEST_F(MainWindowControllerTest, AClosedWindowIsCreatedAndOneAttemptBringsItForward) {
    controller.registerOpenWindowAction([this] { openWindowAfter(0.07); });
    controller.revealMainWindow(NavigationPage::general);
    EXPECT_EQ(opened, 1);
    harness.time.advance(0.05);
    EXPECT_EQ(mainWindow, nullptr) << "not there yet at 0 and 0.04 s";
    harness.time.advance(0.06); // the window came at 0.07; the attempt at 0.1 s finds it
    ASSERT_NE(mainWindow, nullptr);
    EXPECT_EQ(mainWindow->keyCount, 1);
    harness.time.advance(1.0);
    EXPECT_EQ(mainWindow->keyCount, 1) << "the attempts at 0.18 and 0.28 s do nothing";
    EXPECT_EQ(navigationRequests, 0);
    EXPECT_EQ(controller.takePendingDestination(), NavigationPage::general);
    EXPECT_EQ(controller.takePendingDestination(), std::nullopt) << "taken once";
}

TEST_F(MainWindowControllerTest, OnlyTheLatestBatchOfAttemptsActs) {
    controller.registerOpenWindowAction([this] { openWindowAfter(0.15); });
    controller.revealMainWindow(NavigationPage::allFolders);
    harness.time.advance(0.02);
    // The second reveal finds no window yet either and opens again.
    controller.revealMainWindow(NavigationPage::about);
    EXPECT_EQ(opened, 2);
    auto broughtForward = [this] {
        int count = 0;
        for (const auto& window : application.plainWindows) {
            count += window->keyCount;
        }
        return count;
    };
    // The first batch's attempt at 0.18 s would find the window that came at 0.15 s: it was cancelled.
    harness.time.advance(0.17);
    ASSERT_NE(mainWindow, nullptr);
    EXPECT_EQ(broughtForward(), 0) << "at 0.19 s";
    // The second's attempt, at 0.02 + 0.18 s, brings it forward, once.
    harness.time.advance(0.02);
    EXPECT_EQ(broughtForward(), 1) << "at 0.21 s";
    harness.time.advance(2.0);
    EXPECT_EQ(broughtForward(), 1);
    EXPECT_EQ(controller.takePendingDestination(), NavigationPage::about);
}

TEST_F(MainWindowControllerTest, AnOpenWindowComesForwardAndIsToldThePage) {
    RecordingWindow& window = addWindow(QString::fromLatin1(kMainWindowIdentifier));
    window.visible = false;
    controller.revealMainWindow(NavigationPage::tile);
    EXPECT_EQ(window.keyCount, 1);
    EXPECT_GE(application.activateCount, 1);
    EXPECT_EQ(navigationRequests, 0) << "posted after the current event";
    harness.time.runDue();
    EXPECT_EQ(navigationRequests, 1);
    EXPECT_EQ(controller.takePendingDestination(), NavigationPage::tile);
}

// Minimised: asked back from the Dock, and only once the window manager reports it back is it made key and
// told the page.
TEST_F(MainWindowControllerTest, AMinimisedWindowIsMadeKeyOnlyAfterItIsBack) {
    RecordingWindow& window = addWindow(QString::fromLatin1(kMainWindowIdentifier));
    window.miniaturized = true;
    controller.revealMainWindow(NavigationPage::popup);
    EXPECT_EQ(window.deminiaturizeRequests, 1);
    harness.time.advance(1.0);
    EXPECT_EQ(window.keyCount, 0);
    EXPECT_EQ(navigationRequests, 0);

    window.finishDeminiaturize();
    EXPECT_EQ(window.keyCount, 1);
    harness.time.runDue();
    EXPECT_EQ(navigationRequests, 1);
    window.finishDeminiaturize();
    EXPECT_EQ(window.keyCount, 1) << "the observation ends with the first return";
}

TEST_F(MainWindowControllerTest, AMinimisedWindowClosedBeforeItCameBackIsLeftAlone) {
    addWindow(QString::fromLatin1(kMainWindowIdentifier)).miniaturized = true;
    controller.revealMainWindow(NavigationPage::general);
    const std::function<void()> pending = application.plainWindows.back()->deminiaturized;
    application.plainWindows.clear();
    ASSERT_TRUE(pending);
    pending(); // a late report for a window that is gone
    harness.time.runDue();
    EXPECT_EQ(navigationRequests, 0);
}

// Before any registration nothing can show; the request waits and is carried out by the registration.
TEST_F(MainWindowControllerTest, ARevealBeforeAnyRegistrationIsCarriedOutByIt) {
    controller.revealMainWindow(NavigationPage::general);
    EXPECT_TRUE(controller.needsWindowCreationOnRegistration());
    harness.time.advance(1.0);
    EXPECT_EQ(opened, 0);

    controller.registerOpenWindowAction([this] { openWindowAfter(0.0); });
    EXPECT_FALSE(controller.needsWindowCreationOnRegistration());
    EXPECT_EQ(opened, 1);
    harness.time.advance(0.3);
    ASSERT_NE(mainWindow, nullptr);
    EXPECT_EQ(mainWindow->keyCount, 1);
    EXPECT_EQ(controller.takePendingDestination(), NavigationPage::general);

    controller.registerOpenWindowAction([this] { openWindowAfter(0.0); });
    EXPECT_EQ(opened, 1) << "a later registration opens nothing of itself";
}

// Panels (the popup) are never the main window, whatever their title; failing the identifier, the title finds
// it; the registered window wins while it exists.
TEST_F(MainWindowControllerTest, FindsTheMainWindowByIdentifierThenTitleNeverAPanel) {
    const std::unique_ptr<Panel> popup = application.makePanel(QSizeF(10, 10));
    // Even one that carries the main window's identifier, or is registered as it.
    static_cast<testing::RecordingPanel&>(*popup).identifierText = QString::fromLatin1(kMainWindowIdentifier);
    EXPECT_EQ(controller.findMainWindow(), nullptr);
    controller.registerMainWindow(popup.get());
    EXPECT_EQ(controller.findMainWindow(), nullptr);
    RecordingWindow& titled = addWindow("other", "Tessly");
    EXPECT_EQ(controller.findMainWindow(), &titled);
    RecordingWindow& identified = addWindow(QString::fromLatin1(kMainWindowIdentifier));
    EXPECT_EQ(controller.findMainWindow(), &titled) << "the window found before is kept while it exists";
    controller.registerMainWindow(&identified);
    EXPECT_EQ(controller.findMainWindow(), &identified);
    application.plainWindows.erase(application.plainWindows.begin() + 1); // the registered one closes
    EXPECT_EQ(controller.findMainWindow(), &titled);
}

TEST_F(MainWindowControllerTest, EveryRevealAppliesThePresentationModeFirst) {
    addWindow(QString::fromLatin1(kMainWindowIdentifier));
    settings.setShowMenuBar(true);
    controller.revealMainWindow(NavigationPage::allFolders);
    ASSERT_FALSE(application.policies.empty());
    EXPECT_EQ(application.policies.back(), ActivationPolicy::accessory);
    EXPECT_EQ(application.plainWindows.front()->keyCount, 1) << "and the window still comes forward";
    settings.setShowMenuBar(false);
    controller.revealMainWindow(NavigationPage::allFolders);
    EXPECT_EQ(application.policies.back(), ActivationPolicy::regular);
}

} // namespace
} // namespace tessly
