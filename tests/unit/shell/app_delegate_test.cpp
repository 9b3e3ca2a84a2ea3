// The application delegate across simulated processes in virtual time: how a helper comes up, the reopen
// events of its Dock tile, the popup with its placement, pinning and outside clicks, the helpers' broadcasts,
// badges, the main application's role and termination.
#include "shell/launch_marker.h"
#include "shell_fixture.h"

#include "model/notification_names.h"

namespace tessly {
namespace {

using testing::ShellWorld;
using testing::SimulatedProcess;

QColor badgeTint(const SimulatedProcess& process) {
    return process.badge() ? process.badge()->symbolTint : QColor();
}

/// The symbol the badge shows: "nosign" for OFF, "xmark.circle" for DELETE, "checkmark.circle" for ON.
QString badgeSymbol(const SimulatedProcess& process) {
    return process.badge() ? testing::testImageName(process.badge()->symbol.get()) : QString();
}

TEST(LaunchMarker, ADecimalNumberWithWhiteSpaceAroundItAndNothingElse) {
    EXPECT_EQ(parseLaunchMarker(" 12.5\n"), 12.5);
    EXPECT_EQ(parseLaunchMarker("1733650000.123"), 1733650000.123);
    for (const QByteArray& bad :
         {QByteArray("12.5x"), QByteArray(""), QByteArray(" \n"), QByteArray("1,5"), QByteArray("12 5"),
          QByteArray("\xff"
                     "12")}) {
        EXPECT_FALSE(parseLaunchMarker(bad)) << bad.toStdString();
    }
}

using HelperStartupTest = ShellWorld;

// The main application writes the marker just before it launches a helper with "-group": such a helper comes
// up quietly with its green badge; one the user started from its Dock tile opens its popup at once.
TEST_F(HelperStartupTest, TheLaunchMarkerAndTheGroupArgumentDecideBetweenBadgeAndPopup) {
    const AppFolder work = saveFolder("Work");
    writeLaunchMarker(work, 30);
    SimulatedProcess& launched = startHelper(work, {"-group", uuidText(work.id)});
    EXPECT_EQ(launched.application.policies, std::vector<ActivationPolicy>{ActivationPolicy::regular})
        << "a helper makes itself a regular Dock application";
    EXPECT_EQ(badgeTint(launched), systemColor(SystemColor::green));
    EXPECT_EQ(badgeSymbol(launched), "checkmark.circle");
    EXPECT_FALSE(launched.popupVisible());
    EXPECT_FALSE(launchMarkerExists(work)) << "the helper deletes the marker it read";

    const AppFolder play = saveFolder("Play");
    writeLaunchMarker(play, 61);
    SimulatedProcess& byUser = startHelper(play);
    EXPECT_EQ(byUser.badge(), nullptr);
    EXPECT_TRUE(byUser.popupVisible());
    EXPECT_TRUE(byUser->delegate().shouldIgnoreNextHelperReopen());
    EXPECT_FALSE(launchMarkerExists(play));

    const AppFolder old = saveFolder("Old");
    writeLaunchMarker(old, 61);
    SimulatedProcess& quiet = startHelper(old, {"-group", uuidText(old.id)});
    EXPECT_EQ(quiet.badge(), nullptr);
    EXPECT_FALSE(quiet.popupVisible());

    // A marker from the future (the clock was set back) counts as fresh; one that is no number does not.
    const AppFolder future = saveFolder("Future");
    writeLaunchMarker(future, -30);
    EXPECT_EQ(badgeTint(startHelper(future)), systemColor(SystemColor::green));
    const AppFolder garbled = saveFolder("Garbled");
    home.write("Library/Application Support/Tessly/HelperState/" + uuidText(garbled.id) + ".launch", "12.5x");
    SimulatedProcess& garbledHelper = startHelper(garbled);
    EXPECT_TRUE(garbledHelper.popupVisible());
    EXPECT_FALSE(launchMarkerExists(garbled)) << "an unreadable marker is deleted too";
}

TEST_F(HelperStartupTest, ReopensOfTheTileSwallowTheLaunchClickThenToggleWithADebounce) {
    const AppFolder work = saveFolder("Work");
    SimulatedProcess& helper = startHelper(work);
    ASSERT_TRUE(helper.popupVisible());

    helper.application.reopen(); // the click that started the helper
    EXPECT_TRUE(helper.popupVisible());
    EXPECT_FALSE(helper->delegate().shouldIgnoreNextHelperReopen());
    helper.application.reopen();
    EXPECT_FALSE(helper.popupVisible()) << "a click on the tile of an open popup closes it";

    time.advance(0.1);
    helper.application.reopen();
    EXPECT_FALSE(helper.popupVisible()) << "within 0.15 s of a close, the click that closed it is ignored";
    time.advance(0.1);
    helper.application.reopen();
    EXPECT_TRUE(helper.popupVisible());
    EXPECT_TRUE(helper->delegate().hasHandledInitialReopen());
    EXPECT_EQ(helper.application.panels.size(), 1U) << "the panel is made once and reused";
}

TEST_F(HelperStartupTest, AnIdleHelperLetsGoOfItsClosedPopupsViewAndOfTheMemoryItFreed) {
    const AppFolder work = saveFolder("Work");
    SimulatedProcess& helper = startHelper(work);
    ASSERT_TRUE(helper.popupVisible());
    helper.application.reopen(); // the launch click
    time.advance(5);
    EXPECT_NE(helper.popupView(), nullptr) << "an open popup keeps everything";
    EXPECT_EQ(helper.memoryReleases, 0);

    helper.application.reopen(); // closes
    ASSERT_FALSE(helper.popupVisible());
    time.advance(1);
    helper.application.reopen(); // opened again within the wait: nothing goes
    time.advance(1.5);
    EXPECT_NE(helper.popupView(), nullptr);
    EXPECT_EQ(helper.memoryReleases, 0);

    helper.application.reopen();
    ASSERT_FALSE(helper.popupVisible());
    time.advance(2.2);
    EXPECT_EQ(helper.popupView(), nullptr) << "the hidden view goes: every show makes its own";
    EXPECT_EQ(helper.memoryReleases, 1) << "once the view is gone, and once only";
    time.advance(10);
    EXPECT_EQ(helper.memoryReleases, 1);

    helper.application.reopen();
    EXPECT_TRUE(helper.popupVisible());
    EXPECT_NE(helper.popupView(), nullptr) << "the next show has a view of its own";
    EXPECT_EQ(helper.application.panels.size(), 1U) << "the panel itself is kept";
}

TEST_F(HelperStartupTest, AHelperStartedSilentlyHandsBackWhatItsStartFreed) {
    const AppFolder work = saveFolder("Work");
    SimulatedProcess& mainApplication = startMainApplication();
    SimulatedProcess& helper = startHelper(work, {QStringLiteral("-group"), uuidText(work.id)});
    ASSERT_FALSE(helper.popupVisible());
    time.advance(2.2);
    EXPECT_EQ(helper.memoryReleases, 0)
        << "not before the bundle icon, drawn 0.5 s after the tile, is written";
    time.advance(0.5);
    EXPECT_EQ(helper.memoryReleases, 1);
    helper->tile().refreshTile(); // the folder changed: a new tile, a new bundle icon
    time.advance(3);
    EXPECT_EQ(helper.memoryReleases, 2);
    EXPECT_EQ(mainApplication.memoryReleases, 0) << "the main application is one process, not one per folder";
}

TEST_F(HelperStartupTest, AHelperWhoseFolderIsGoneRunsAsTheMainApplicationWithoutUpdaterOrWindow) {
    const AppFolder gone{makeUuid(), "Gone", "folder", {}, true, {}, time.now()};
    saveFolder("Work", false);
    SimulatedProcess& orphan = startHelper(gone);
    EXPECT_EQ(orphan.updater.starts, 0);
    EXPECT_FALSE(orphan.panel());
    EXPECT_TRUE(orphan->delegate().didApplyInitialMainAppPresentation());

    orphan.application.reopen();
    EXPECT_EQ(orphan.revealedPages, QList<NavigationPage>{NavigationPage::allFolders});
    EXPECT_FALSE(orphan.panel());
}

using MainApplicationTest = ShellWorld;

TEST_F(MainApplicationTest, StartsItsUpdaterAndFollowsTheMenuBarSettingWithoutHidingTheKeyWindow) {
    defaults.setBool("showMenuBar", true);
    SimulatedProcess& main = startMainApplication();
    EXPECT_EQ(main.updater.starts, 1);
    EXPECT_EQ(main.application.policy, ActivationPolicy::accessory);
    EXPECT_EQ(defaults.values.find("AppleLanguages") ? *defaults.values.find("AppleLanguages") : PlistValue(),
              PlistValue(PlistArray{PlistValue("en")}));

    auto& window = main.application.plainWindows.emplace_back(
        std::make_unique<testing::RecordingWindow>(QStringLiteral("TesslyMainWindow")));
    main.application.key = window.get();
    main->settings().setShowMenuBar(false);
    EXPECT_EQ(main.application.policy, ActivationPolicy::regular);
    EXPECT_EQ(window->frontCount, 1) << "switching the policy must not hide the window the user works in";

    main.application.reopen();
    EXPECT_EQ(main.revealedPages, QList<NavigationPage>{NavigationPage::allFolders});
}

TEST_F(MainApplicationTest, AFolderFileThatCannotBeReadLeavesTheHelpersAlone) {
    home.write("Library/Application Support/Tessly/folders.json", "[{\"id\":");
    const QString helper = writeBundle(home.paths().helpersDirectory() + "/Work.app", makeUuid());
    startMainApplication();
    EXPECT_TRUE(QFileInfo::exists(helper));
}

using PopupTest = ShellWorld;

// Every number here is worked out by hand: a Dock 64 points thick at the bottom of a 1440-point screen.
TEST_F(PopupTest, AboveTheDockThePanelSitsOverTheClickAndTheArrowOffsetIsPublishedAfterwards) {
    const AppFolder work = saveFolder("Work");
    pointer.location = QPointF(500, 30);
    SimulatedProcess& helper = startHelper(work);
    ASSERT_TRUE(helper.popupVisible());
    EXPECT_EQ(helper.panel()->frame(), QRectF(350, 85, 300, 200));
    EXPECT_FALSE(helper.panel()->frames.back().animated) << "a hidden panel is placed, not animated";
    EXPECT_EQ(helper->delegate().cachedDockHeight(), 64);
    EXPECT_EQ(helper.panel()->level(), WindowLevel::floating);

    helper.application.reopen(); // swallowed
    helper.application.reopen(); // closes
    time.advance(1);
    pointer.location = QPointF(20, 30);
    helper.application.reopen();
    EXPECT_EQ(helper.panel()->frame().topLeft(), QPointF(8, 85));
    EXPECT_NE(helper->settings().popupArrowOffset(), -138) << "published on the main queue, after the frame";
    time.advance(0);
    EXPECT_EQ(helper->settings().popupArrowOffset(), -138);
    EXPECT_EQ(helper.popupView()->request.dockEdge, DockEdge::bottom);
}

TEST_F(PopupTest, TheViewIsToldTheRoomItsScreenLeavesThePanel) {
    const AppFolder work = saveFolder("Work");
    pointer.location = QPointF(500, 30);
    SimulatedProcess& helper = startHelper(work);
    ASSERT_TRUE(helper.popupVisible());
    // From the panel's bottom, 85 points up, to 8 points under the menu bar at 875.
    EXPECT_EQ(helper.popupView()->request.maximumHeight, 875 - 8 - 85);

    helper.application.reopen(); // swallowed
    helper.application.reopen(); // closes
    time.advance(1);
    defaults.setString("popupPosition", "center");
    helper.distributed.post(notification_names::kTSPopupSettingsChanged);
    time.advance(0);
    helper.application.reopen();
    ASSERT_TRUE(helper.popupVisible());
    EXPECT_EQ(helper.popupView()->request.maximumHeight, 811 - 16) << "the visible frame less 8 at each end";
}

TEST_F(PopupTest, CentredThePanelKeepsItsCentreWhenItsContentGrows) {
    defaults.setString("popupPosition", "center");
    const AppFolder work = saveFolder("Work");
    SimulatedProcess& helper = startHelper(work);
    ASSERT_TRUE(helper.popupVisible());
    EXPECT_EQ(helper.panel()->frame(), QRectF(570, 369.5, 300, 200)); // the middle of the visible frame
    helper.popupView()->size = QSize(340, 220);
    helper.distributed.post(notification_names::kTSPopupSettingsChanged);
    time.advance(0);
    EXPECT_EQ(helper.panel()->frame(), QRectF(550, 359.5, 340, 220));
    EXPECT_TRUE(helper.panel()->frames.back().animated);
}

// Opening one helper's popup closes the others' unpinned popups, never its own and never a pinned one.
TEST_F(PopupTest, OpeningAPopupClosesTheOtherHelpersUnpinnedPopups) {
    const AppFolder work = saveFolder("Work");
    const AppFolder play = saveFolder("Play");
    const AppFolder tools = saveFolder("Tools");
    SimulatedProcess& a = startHelper(work);
    SimulatedProcess& b = startHelper(play);
    EXPECT_FALSE(a.popupVisible());
    EXPECT_TRUE(b.popupVisible());

    b.popupView()->request.onTogglePin(true);
    EXPECT_EQ(b.panel()->level(), WindowLevel::status);
    SimulatedProcess& c = startHelper(tools);
    EXPECT_TRUE(b.popupVisible()) << "a pinned popup stays";
    EXPECT_TRUE(c.popupVisible());
}

TEST_F(PopupTest, AnOutsideClickClosesAnUnpinnedPopupOnlyAndPinningDisarmsTheMonitor) {
    const AppFolder work = saveFolder("Work");
    pointer.location = QPointF(500, 30);
    SimulatedProcess& helper = startHelper(work);
    ASSERT_TRUE(helper->delegate().hasOutsideClickMonitor());

    pointer.location = QPointF(500, 150); // inside the panel
    pointer.press();
    time.advance(0);
    EXPECT_TRUE(helper.popupVisible());

    helper.popupView()->request.onTogglePin(true);
    EXPECT_FALSE(helper->delegate().hasOutsideClickMonitor());
    pointer.location = QPointF(1000, 600);
    pointer.press();
    time.advance(0);
    EXPECT_TRUE(helper.popupVisible()) << "a pinned popup survives clicks elsewhere";

    helper.popupView()->request.onTogglePin(false);
    EXPECT_TRUE(helper->delegate().hasOutsideClickMonitor());
    EXPECT_EQ(helper.panel()->level(), WindowLevel::floating);
    pointer.press();
    EXPECT_TRUE(helper.popupVisible()) << "the close waits for the main queue";
    time.advance(0);
    EXPECT_FALSE(helper.popupVisible());
    EXPECT_TRUE(helper->delegate().hasOutsideClickMonitor())
        << "kept to tell that press's release from a click";
    pointer.press(); // the next click
    EXPECT_FALSE(helper->delegate().hasOutsideClickMonitor());

    // Without a monitor the popup still opens, and the view's own close still closes it.
    pointer.monitorsAvailable = false;
    time.advance(1);
    helper.application.reopen();
    ASSERT_TRUE(helper.popupVisible());
    helper.popupView()->request.onDismiss();
    EXPECT_FALSE(helper.popupVisible());
}

// A press on an open popup's own tile closes it through the outside-click monitor, and the Dock sends the
// reopen when the press is released: however long the press was held, that reopen does not bring the popup
// back. A reopen after another press is a click of its own.
TEST_F(PopupTest, AClickOnAnOpenPopupsTileClosesItHoweverLongThePress) {
    const AppFolder work = saveFolder("Work");
    pointer.location = QPointF(500, 30);
    SimulatedProcess& helper = startHelper(work);
    helper.application.reopen(); // the reopen of the launching click, swallowed
    ASSERT_TRUE(helper.popupVisible());

    for (const double held : {0.05, 0.6, 3.0}) {
        pointer.press(); // on the tile, under the popup's arrow
        time.advance(held);
        EXPECT_FALSE(helper.popupVisible());
        helper.application.reopen(); // the release
        time.advance(0);
        EXPECT_FALSE(helper.popupVisible()) << "held " << held << " s";

        time.advance(1);
        pointer.press(); // the next click on the tile
        time.advance(0.05);
        helper.application.reopen();
        ASSERT_TRUE(helper.popupVisible()) << "after holding " << held << " s";
    }
}

TEST_F(PopupTest, BadgesAndTerminationConcernOnlyTheirOwnFolder) {
    const AppFolder work = saveFolder("Work");
    const AppFolder play = saveFolder("Play");
    SimulatedProcess& helper = startHelper(work, {"-group", uuidText(work.id)});
    const qsizetype before = helper.tile.contents.size();
    helper.distributed.post(notification_names::kTSFolderOffBadge, std::nullopt,
                            PlistDictionary{{notification_names::kKeyId, uuidText(play.id)}});
    helper.distributed.post(notification_names::kTSFolderDeleteBadge, std::nullopt,
                            PlistDictionary{{notification_names::kKeyId, 42}});
    time.advance(0);
    EXPECT_EQ(helper.tile.contents.size(), before) << "another folder's badge changes nothing";

    helper.distributed.post(notification_names::kTSFolderDeleteBadge, std::nullopt,
                            PlistDictionary{{notification_names::kKeyId, uuidText(work.id)}});
    time.advance(0);
    EXPECT_EQ(badgeTint(helper), systemColor(SystemColor::red));
    EXPECT_EQ(badgeSymbol(helper), "xmark.circle");
    time.advance(1.999);
    EXPECT_EQ(badgeSymbol(helper), "xmark.circle") << "a badge lasts 2.0 s";
    time.advance(0.002);
    ASSERT_EQ(helper.badge(), nullptr);

    helper.distributed.post(notification_names::kTSFolderOffBadge, std::nullopt,
                            PlistDictionary{{notification_names::kKeyId, uuidText(work.id)}});
    time.advance(0);
    EXPECT_EQ(badgeTint(helper), systemColor(SystemColor::red));
    EXPECT_EQ(badgeSymbol(helper), "nosign");
    time.advance(1.999);
    EXPECT_EQ(badgeSymbol(helper), "nosign");
    time.advance(0.002);
    ASSERT_EQ(helper.badge(), nullptr);
    const qsizetype drawn = helper.tile.contents.size();
    helper.distributed.post(notification_names::kTSFolderOffBadge, std::nullopt,
                            PlistDictionary{{notification_names::kKeyId, uuidText(work.id)},
                                            {notification_names::kKeyHide, true}});
    time.advance(0);
    EXPECT_GT(helper.tile.contents.size(), drawn);
    EXPECT_EQ(helper.badge(), nullptr) << "with \"hide\" the tile is drawn again instead of showing OFF";

    const QString preserve =
        home.write("Library/Application Support/Tessly/HelperState/" + uuidText(work.id) + ".preserve", "");
    helper->terminate();
    EXPECT_FALSE(QFileInfo::exists(preserve));
}

class NotificationFloodTest : public ShellWorld {
protected:
    /// A folder in the Dock whose tile shows its two applications: every drawing looks their icons up.
    AppFolder saveFolderOfApplications() {
        AppFolder folder{makeUuid(), "Work", "folder", {}, true, {}, time.now()};
        for (const QString name : {"Mail", "Notes"}) {
            folder.apps.append(AppItem{makeUuid(), name, "com.example." + name.toLower(),
                                       QUrl::fromLocalFile("/Applications/" + name + ".app/")});
        }
        home.write("Library/Application Support/Tessly/folders.json", encodeFolderList({folder}));
        return folder;
    }
    void postMany(const QString& name, int count) {
        for (int i = 0; i < count; ++i) {
            poster.post(name);
        }
    }

    /// Any process of the session, posting by the thousand.
    testing::InMemoryDistributedNotificationCenter poster{bus, time};
};

// What the settings notifications ask for is done once after the event that delivered them, however many
// came: each would otherwise redraw and publish the tile, or lay the popup out again.
TEST_F(NotificationFloodTest, ABurstIsAnsweredByOneRedrawAndOneLayout) {
    const AppFolder work = saveFolderOfApplications();
    SimulatedProcess& helper = startHelper(work, {"-group", uuidText(work.id)});
    const qsizetype lookups = helper.icons.lookups.size();
    const qsizetype contents = helper.tile.contents.size();
    const int displays = helper.tile.displayCount;

    postMany(notification_names::kTSTileAppearanceChanged, 2000);
    time.runDue();
    EXPECT_EQ(helper.icons.lookups.size(), lookups + 2) << "one drawing of the two icons";
    EXPECT_EQ(helper.tile.contents.size(), contents + 1);
    EXPECT_EQ(helper.tile.displayCount, displays + 1);
    // The bundle icon is still written 0.5 s after that redraw.
    const qsizetype writes = helper.icons.writes.size();
    time.advance(0.499);
    EXPECT_EQ(helper.icons.writes.size(), writes);
    time.advance(0.001);
    EXPECT_EQ(helper.icons.writes.size(), writes + 1);

    helper.application.reopen();
    ASSERT_TRUE(helper.popupVisible());
    const std::size_t frames = helper.panel()->frames.size();
    postMany(notification_names::kTSPopupSettingsChanged, 2000);
    time.runDue();
    EXPECT_EQ(helper.panel()->frames.size(), frames + 1);

    // Later notifications are answered again.
    poster.post(notification_names::kTSTileAppearanceChanged);
    time.runDue();
    EXPECT_EQ(helper.tile.displayCount, displays + 2);
}

TEST_F(NotificationFloodTest, WorkStillPendingWhenTheProcessEndsIsNotDone) {
    const AppFolder work = saveFolderOfApplications();
    SimulatedProcess& helper = startHelper(work, {"-group", uuidText(work.id)});
    const qsizetype lookups = helper.icons.lookups.size();
    qsizetype lookupsAtQuit = -1;

    postMany(notification_names::kTSTileAppearanceChanged, 2000);
    // The quit arrives right behind the burst, before the redraw it asked for.
    time.async([&] {
        lookupsAtQuit = helper.icons.lookups.size();
        stop(helper);
    });
    time.advance(1.0);
    EXPECT_EQ(lookupsAtQuit, lookups) << "nothing was drawn for the burst before the quit";
    EXPECT_EQ(time.pendingCount(), 0U);
}

} // namespace
} // namespace tessly
