// The main window's frame on the offscreen platform: what a fresh installation meets, how the window follows
// its pages in size, the navigation asked for by the controller, and the sheets the folder store asks for.
#include "mainwindow/folders/folders_list_view.h"
#include "mainwindow/frame/main_window_sizing.h"
#include "mainwindow/frame/main_window_view.h"
#include "mainwindow/main_window_maker.h"
#include "mainwindow/settings_pages/settings_page.h"
#include "model/notification_names.h"
#include "platform/main_bundle.h"
#include "settings/localization.h"
#include "support/gui_doubles.h"
#include "support/recording_helper_actions.h"
#include "support/run_events.h"
#include "support/settings_harness.h"
#include "support/shell_doubles.h"
#include "support/string_table_bundle.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace tessly {
namespace {

using namespace tessly::testing;

// The sizes the window takes, as plain arithmetic: the folders page comes back to the user's size, a settings
// page to its content's height at the window's width, the top left corner stays, and full screen or a
// minimised window keep their frame.
TEST(MainWindowSizingTest, PagesTakeTheirSizesWithTheTopLeftCornerKept) {
    MainWindowSizing sizing;
    const QRectF current(100, 80, 600, 700);
    EXPECT_EQ(sizing.frameFor(NavigationPage::allFolders, current, std::nullopt, false, false),
              QRectF(100, 80, 560, 550))
        << "the first size, held to the folders page's minimum height";
    sizing.rememberFoldersPageSize(QSizeF(700, 640));
    EXPECT_EQ(sizing.frameFor(NavigationPage::general, current, 320.0, false, false),
              QRectF(100, 80, 600, 320));
    EXPECT_EQ(sizing.frameFor(NavigationPage::about, current, 120.0, false, false), QRectF(100, 80, 600, 260))
        << "never below a settings page's minimum";
    EXPECT_EQ(sizing.frameFor(NavigationPage::popup, current, std::nullopt, false, false), current)
        << "a height not known yet keeps the window as it is";
    EXPECT_EQ(
        sizing.frameFor(NavigationPage::allFolders, QRectF(100, 80, 600, 320), std::nullopt, false, false),
        QRectF(100, 80, 700, 640))
        << "back on the folders page: the size the user gave it";
    EXPECT_FALSE(sizing.frameFor(NavigationPage::general, current, 320.0, true, false)) << "full screen";
    EXPECT_FALSE(sizing.frameFor(NavigationPage::general, current, 320.0, false, true)) << "minimised";

    sizing.rememberFoldersPageSize(QSizeF(300, 200));
    EXPECT_EQ(sizing.foldersPageSize(), QSizeF(540, 550)) << "a live resize never goes below the minimum";

    // Dragging the edges: a settings page stays its content's height, the folders page takes the user's.
    EXPECT_EQ(MainWindowSizing::constrainedLiveSize(NavigationPage::general, QSizeF(800, 900), 320.0),
              QSizeF(800, 320));
    EXPECT_EQ(MainWindowSizing::constrainedLiveSize(NavigationPage::about, QSizeF(500, 100), 120.0),
              QSizeF(540, 260));
    EXPECT_EQ(MainWindowSizing::constrainedLiveSize(NavigationPage::popup, QSizeF(800, 900), std::nullopt),
              QSizeF(800, 900))
        << "a height not known yet holds nothing";
    EXPECT_EQ(MainWindowSizing::constrainedLiveSize(NavigationPage::allFolders, QSizeF(800, 900), 320.0),
              QSizeF(800, 900));
}

/// A settings page of a fixed content height.
class FixedPage final : public SettingsPage {
public:
    FixedPage(AppSettings& settings, const Localization& l10n, int height) : SettingsPage(settings, l10n) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* content = new QWidget(this);
        content->setFixedHeight(height);
        layout->addWidget(content);
        finishSetup();
    }
    [[nodiscard]] QString titleKey() const override { return QStringLiteral("settings.tab.general"); }

protected:
    void retranslate() override {}
    void refreshValues() override {}
    [[nodiscard]] bool showsSetting(AppSettings::Field) const override { return false; }
};

/// A settings page whose text wraps: the narrower the window, the taller the page.
class WrappingPage final : public SettingsPage {
public:
    WrappingPage(AppSettings& settings, const Localization& l10n) : SettingsPage(settings, l10n) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* label = new QLabel(QString("A line of text that wraps. ").repeated(120), this);
        label->setWordWrap(true);
        layout->addWidget(label);
        finishSetup();
    }
    [[nodiscard]] QString titleKey() const override { return QStringLiteral("settings.tab.popup"); }

protected:
    void retranslate() override {}
    void refreshValues() override {}
    [[nodiscard]] bool showsSetting(AppSettings::Field) const override { return false; }
};

class NoUpdater final : public SoftwareUpdater {
public:
    void start() override {}
    void checkForUpdates() override {}
};

class MainWindowViewTest : public ::testing::Test, protected SettingsHarness {
protected:
    ~MainWindowViewTest() override { delete window; }

    MainWindowView& open() {
        window = new MainWindowView(MainWindowParts{
            *settings, store, l10n, symbols, controller, time, center, sizing,
            [] {
                auto* page = new QWidget;
                auto* add = new QPushButton(QStringLiteral("Add"), page);
                add->setObjectName(QStringLiteral("add"));
                return page;
            },
            [this](NavigationPage page) -> SettingsPage* {
                if (page == NavigationPage::popup) {
                    return wrapping = new WrappingPage(*settings, l10n);
                }
                return new FixedPage(*settings, l10n, page == NavigationPage::general ? 400 : 300);
            },
            [this](std::function<void(bool)> finish) -> QWidget* {
                finishOnboarding = std::move(finish);
                return new QLabel(QStringLiteral("welcome"));
            },
            [] { return new QLabel(QStringLiteral("editor")); },
            [] { return new QLabel(QStringLiteral("picker")); },
            [] { return new QLabel(QStringLiteral("delete?")); },
            [] { return new QLabel(QStringLiteral("empty")); }, [this](QWidget&) { ++created; }});
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        window->show();
        (void)QTest::qWaitForWindowExposed(window);
        return *window;
    }
    /// Lets a resize animation finish.
    static void settle() { runEventsFor(400); }
    /// What the program hands the maker of its real window.
    MainWindowServices services() {
        return MainWindowServices{*settings,  store, l10n,   bundle,      symbols, icons,   updater,
                                  controller, time,  center, distributed, {},      nullptr, &time};
    }
    /// A window as the program makes it, shown.
    MainWindowView& openMade() {
        window = makeMainWindow(services());
        window->show();
        (void)QTest::qWaitForWindowExposed(window);
        runEventsFor(20);
        return *window;
    }

    AppSettings& appSettings = make();
    MainBundle bundle{makeStringTableBundle(home), {}};
    Localization l10n{*settings, bundle};
    RecordingHelperActions helpers;
    FolderStore store{home.paths(), helpers, center, time, time, console};
    FakeSymbolImages symbols;
    RecordingApplication application;
    MainWindowController controller{application, time, center, *settings};
    MainWindowSizing sizing;
    FakeWorkspaceIcons icons;
    NoUpdater updater;
    QPointer<MainWindowView> window;
    WrappingPage* wrapping = nullptr;
    std::function<void(bool)> finishOnboarding;
    int created = 0;
};

TEST_F(MainWindowViewTest, AFreshInstallationOpensOnTheOnboardingThenTheFoldersAndAFirstFolder) {
    MainWindowView& view = open();
    EXPECT_EQ(created, 1);
    EXPECT_EQ(view.windowTitle(), "Tessly");
    ASSERT_TRUE(view.isShowingOnboarding());
    EXPECT_FALSE(view.tabBar()->isVisible()) << "no pages before the onboarding is done";

    controller.revealMainWindow(NavigationPage::general);
    time.runDue();
    EXPECT_TRUE(view.isShowingOnboarding()) << "a page asked for meanwhile waits";

    ASSERT_TRUE(finishOnboarding);
    finishOnboarding(true);
    EXPECT_TRUE(settings->hasCompletedOnboarding());
    EXPECT_FALSE(view.isShowingOnboarding());
    EXPECT_EQ(view.selection(), NavigationPage::allFolders);
    EXPECT_FALSE(store.showingFolderEditor());
    time.advance(0.08);
    EXPECT_TRUE(store.showingFolderEditor()) << "the new-folder action, 0.08 s later";
    EXPECT_EQ(store.folderToEdit(), std::nullopt);
    QWidget* editor = view.presentedSheet();
    ASSERT_NE(editor, nullptr) << "the editor comes as a sheet";
    store.setShowingAppPicker(true);
    ASSERT_NE(view.presentedSheet(), nullptr);
    EXPECT_NE(view.presentedSheet(), editor) << "the picker over the editor";
    store.setShowingAppPicker(false);
    EXPECT_EQ(view.presentedSheet(), editor) << "the editor is still there under it";
    EXPECT_TRUE(editor->hasFocus() || editor->isAncestorOf(QApplication::focusWidget()))
        << "the keyboard back in the sheet that was under the picker";
    store.setShowingFolderEditor(false);
    EXPECT_EQ(view.presentedSheet(), nullptr);
}

TEST_F(MainWindowViewTest, TheKeyboardGoesBackWhereItWasWhenASheetGoes) {
    settings->setHasCompletedOnboarding(true);
    MainWindowView& view = open();
    view.activateWindow();
    auto* add = view.findChild<QPushButton*>(QStringLiteral("add"));
    ASSERT_NE(add, nullptr);
    add->setFocus();
    ASSERT_TRUE(add->hasFocus());
    store.setShowingAppPicker(true);
    ASSERT_NE(view.presentedSheet(), nullptr);
    view.presentedSheet()->setFocus();
    store.setShowingAppPicker(false);
    EXPECT_TRUE(add->hasFocus()) << "the button that opened the sheet";
}

TEST_F(MainWindowViewTest, TheWindowFollowsItsPagesAndTheFoldersPageGetsItsSizeBack) {
    settings->setHasCompletedOnboarding(true);
    MainWindowView& view = open();
    view.resize(720, 660); // the user's size on the folders page
    const QPoint topLeft = view.geometry().topLeft();

    view.select(NavigationPage::general);
    settle();
    EXPECT_EQ(view.geometry().topLeft(), topLeft) << "the top edge stays";
    EXPECT_EQ(view.width(), 720);
    EXPECT_LT(view.height(), 660) << "as tall as the page's content";
    EXPECT_GE(view.height(), 400);
    const int generalHeight = view.height();
    view.select(NavigationPage::about);
    settle();
    EXPECT_EQ(view.height(), generalHeight - 100);

    view.select(NavigationPage::allFolders);
    settle();
    EXPECT_EQ(view.size(), QSize(720, 660));
    EXPECT_EQ(view.geometry().topLeft(), topLeft);
}

TEST_F(MainWindowViewTest, InFullScreenAChangeOfPageKeepsTheWindowAsItIs) {
    settings->setHasCompletedOnboarding(true);
    MainWindowView& view = open();
    const QRect windowed = view.geometry();
    view.showFullScreen();
    runEventsUntil([&] { return view.isFullScreen() && view.geometry() != windowed; }, 2000);
    const QRect frame = view.geometry();
    view.select(NavigationPage::general);
    settle();
    EXPECT_EQ(view.geometry(), frame);
}

// The controller's page reaches the window when it is first shown and on every navigation request; the tab
// bar's buttons choose pages and flip the theme.
TEST_F(MainWindowViewTest, TheControllersPageAndTheTabBarChooseThePage) {
    settings->setHasCompletedOnboarding(true);
    application.plainWindows.clear();
    controller.revealMainWindow(NavigationPage::popup); // no window yet, no action: remembered
    MainWindowView& view = open();
    EXPECT_EQ(view.selection(), NavigationPage::popup) << "taken when first shown";

    // A page asked for while the window is shown reaches it with the notification, once.
    controller.registerMainWindow(nullptr);
    controller.revealMainWindow(NavigationPage::general); // no window found: held, and no notification yet
    EXPECT_EQ(view.selection(), NavigationPage::popup);
    center.post(notification_names::kMainWindowNavigationRequested);
    EXPECT_EQ(view.selection(), NavigationPage::general) << "the notification brings the pending page";
    EXPECT_FALSE(controller.pendingDestination()) << "taken";
    view.select(NavigationPage::popup);
    center.post(notification_names::kMainWindowNavigationRequested);
    EXPECT_EQ(view.selection(), NavigationPage::popup) << "no page pending: nothing changes";

    auto buttons = view.tabBar()->findChildren<QAbstractButton*>();
    const auto named = [&](const QString& name) -> QAbstractButton* {
        for (QAbstractButton* button : buttons) {
            if (button->accessibleName() == name) {
                return button;
            }
        }
        return nullptr;
    };
    ASSERT_NE(named("About"), nullptr) << "every tab has its accessible name";
    QTest::mouseClick(named("About"), Qt::LeftButton);
    EXPECT_EQ(view.selection(), NavigationPage::about);
    QTest::mouseClick(named("In Dock"), Qt::LeftButton);
    EXPECT_EQ(view.selection(), NavigationPage::allFolders);
    EXPECT_EQ(view.filter(), FolderVisibilityFilter::inDock);

    const AppThemeMode before = settings->appTheme();
    QAbstractButton* themeSwitch = named(before == AppThemeMode::dark ? "Light" : "Dark");
    ASSERT_NE(themeSwitch, nullptr);
    QTest::mouseClick(themeSwitch, Qt::LeftButton);
    EXPECT_NE(settings->appTheme(), before);
}

// While the user drags an edge of a settings page the window changes only in width; the height stays that of
// the content at the width reached.
TEST_F(MainWindowViewTest, ADraggedSettingsPageStaysAsTallAsItsContent) {
    settings->setHasCompletedOnboarding(true);
    MainWindowView& view = open();
    view.select(NavigationPage::general);
    settle();
    const int contentHeight = view.height();
    view.resize(view.width(), contentHeight + 200);
    EXPECT_EQ(view.height(), contentHeight) << "not taller than the content";
    view.resize(view.width(), contentHeight - 100);
    EXPECT_EQ(view.height(), contentHeight) << "nor shorter";
    view.resize(700, contentHeight);
    EXPECT_EQ(view.width(), 700) << "the width is the user's";
    EXPECT_EQ(view.height(), contentHeight);

    view.select(NavigationPage::popup);
    settle();
    ASSERT_NE(wrapping, nullptr);
    view.resize(900, view.height());
    const int wide = view.height();
    EXPECT_EQ(wide, wrapping->preferredHeight(900 - 10) + 46 + 5);
    view.resize(540, wide);
    EXPECT_EQ(view.width(), 540);
    EXPECT_GT(view.height(), wide) << "narrower, the text wraps into more lines and the window follows";
    EXPECT_EQ(view.height(), wrapping->preferredHeight(540 - 10) + 46 + 5);
    view.resize(300, 2000);
    EXPECT_EQ(view.width(), 540) << "never narrower than the minimum";
}

// Back to the folders page the window grows from the settings page's height: the folders page's minimum
// comes into force on arrival, not as the animation begins.
TEST_F(MainWindowViewTest, BackToTheFoldersThePageGrowsFromWhereItWasWithoutAJump) {
    settings->setHasCompletedOnboarding(true);
    MainWindowView& view = open();
    view.resize(720, 660);
    view.select(NavigationPage::about);
    settle();
    const int aboutHeight = view.height();
    ASSERT_LT(aboutHeight, 550);

    view.select(NavigationPage::allFolders);
    EXPECT_EQ(view.height(), aboutHeight) << "the animation starts where the window is";
    int lowest = view.height();
    runEventsUntil(
        [&] {
            lowest = std::min(lowest, view.height());
            return view.height() == 660;
        },
        2000);
    EXPECT_EQ(view.size(), QSize(720, 660));
    EXPECT_EQ(lowest, aboutHeight);
    EXPECT_EQ(view.minimumHeight(), 550) << "the folders page's minimum holds once there";
    EXPECT_EQ(view.maximumHeight(), QWIDGETSIZE_MAX);
}

// The window deletes itself when closed; the folders page's size stays for the next window of the process.
TEST_F(MainWindowViewTest, AWindowOpenedAgainComesBackAtTheFoldersPageSizeTheUserGaveIt) {
    settings->setHasCompletedOnboarding(true);
    MainWindowView& first = openMade();
    first.resize(720, 660);
    first.select(NavigationPage::general);
    settle();
    first.close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull()) << "a closed window is gone";

    MainWindowView& second = openMade();
    EXPECT_EQ(second.size(), QSize(720, 660));
    second.select(NavigationPage::general);
    settle();
    second.select(NavigationPage::allFolders);
    settle();
    EXPECT_EQ(second.size(), QSize(720, 660));
}

/// Types `text` into `field` as a keyboard does, one character after another (any script).
void typeInto(QWidget* field, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(field, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(field, &release);
    }
}

// The real window's cards apply the folder-name rule as the user types.
TEST_F(MainWindowViewTest, TheCardsNameFieldAppliesTheNameRuleInTheRealWindow) {
    settings->setHasCompletedOnboarding(true);
    const AppFolder work{QUuid::createUuid(), "Work", "folder.fill", {}, false, {}, time.now()};
    store.setFoldersForTesting({work});
    MainWindowView& view = openMade();
    auto* list = view.findChild<FoldersListView*>();
    ASSERT_NE(list, nullptr);
    FolderCardView* card = list->cardOf(work.id);
    ASSERT_NE(card, nullptr);
    card->beginEditing();
    settle();
    auto* name = card->findChild<QLineEdit*>();
    ASSERT_NE(name, nullptr);
    name->selectAll();
    typeInto(name, QString::fromUtf8("Café & Bar-1_ok!"));
    EXPECT_EQ(name->text(), "Caf  Bar-1_ok") << "accented letters and punctuation go";
    name->selectAll();
    typeInto(name, QString::fromUtf8("Її ґанок"));
    EXPECT_EQ(name->text(), QString::fromUtf8(" анок")) << "і, ї, є and ґ go, other Cyrillic letters stay";
    name->selectAll();
    typeInto(name, "abcdefghijklmnopqrstuvwxy");
    EXPECT_EQ(name->text(), "abcdefghijklmnopqrst") << "twenty characters at most";
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_EQ(store.folder(work.id)->name, "abcdefghijklmnopqrst");
    auto* focused = qobject_cast<QAbstractButton*>(view.focusWidget());
    ASSERT_NE(focused, nullptr) << "Return ends the edit and the keyboard stays in the card";
    EXPECT_EQ(focused->text(), "Edit");
}

} // namespace
} // namespace tessly
