// Folders in a dock of launchers, across simulated processes in virtual time: the main application puts each
// folder in the Dock as a desktop entry kept by the dock and starts no helper; the dock's own list says which
// folders stay; a helper the dock starts opens its popup beside the launcher and quits once it is closed.
#include "shell_fixture.h"

#include "helpers/launcher_entries.h"
#include "model/notification_names.h"

#include <QFileInfo>
#include <QUrl>

namespace tessly {
namespace {

using testing::ShellWorld;
using testing::SimulatedProcess;

class LauncherDockTest : public ShellWorld {
protected:
    LauncherDockTest() {
        useLauncherDock();
        work = saveFolder("Work");
        play = saveFolder("Play");
    }

    [[nodiscard]] QString entry(const AppFolder& folder) const {
        return applicationsDirectory() + "/" + launcherEntryId("app.tessly.Tessly", folder.id);
    }
    [[nodiscard]] QString helperPath(const AppFolder& folder) const {
        return home.paths().helpersDirectory() + "/" + folder.name + ".app";
    }

    AppFolder work;
    AppFolder play;
};

// Put in the dock: an entry per folder, kept by the dock, pointing at a built helper, and no helper running
// (the dock starts one on a click). No launch marker is left that would make that start look like the main
// application's.
TEST_F(LauncherDockTest, TheMainApplicationKeepsALauncherPerFolderAndStartsNoHelper) {
    SimulatedProcess& main = startMainApplication();
    EXPECT_EQ(launcherDock.kept, QStringList({entry(work), entry(play)}));
    EXPECT_TRUE(main.workspace.opens.isEmpty());
    EXPECT_TRUE(QFileInfo(helperPath(work)).isDir());
    EXPECT_FALSE(launchMarkerExists(work));
    const QByteArray text = testing::TempHome::read(entry(work));
    EXPECT_TRUE(text.contains("Exec=\"" + helperPath(work).toUtf8() + "/Contents/MacOS/Tessly\"\n"))
        << text.constData();
    EXPECT_TRUE(text.contains("Name=Work"));

    // Past the stand-in Dock's grace nothing is judged by running processes and pin files.
    time.advance(7.0);
    EXPECT_TRUE(inDockOnDisk(work));
    EXPECT_TRUE(inDockOnDisk(play));
}

// The user drags a launcher off the dock: that folder leaves the Dock in the folder file, its helper and
// entry go, the folder stays in the list; the other is untouched. A launcher the dock never kept (it refused
// it) is not the user's doing and takes nothing out.
TEST_F(LauncherDockTest, ALauncherDroppedByTheDockTakesOnlyItsFolderOutOfTheDock) {
    launcherDock.refusesToKeep = true;
    SimulatedProcess& main = startMainApplication();
    EXPECT_TRUE(launcherDock.kept.isEmpty());
    launcherDock.reportChange();
    time.advance(1.0);
    EXPECT_TRUE(inDockOnDisk(work)) << "never kept: not removed by the user";
    EXPECT_TRUE(inDockOnDisk(play));

    launcherDock.refusesToKeep = false;
    main->store().scheduleDockReconcile();
    time.advance(0.2);
    ASSERT_EQ(launcherDock.kept.size(), 2);
    launcherDock.reportChange();
    time.advance(0.05);

    launcherDock.userRemoves(entry(play));
    launcherDock.reportChange();
    time.advance(0.0499);
    EXPECT_TRUE(inDockOnDisk(play)) << "one look at the list after the burst of reports";
    time.advance(0.0001);
    EXPECT_FALSE(inDockOnDisk(play));
    EXPECT_FALSE(QFileInfo::exists(helperPath(play)));
    EXPECT_FALSE(QFileInfo::exists(entry(play)));
    EXPECT_TRUE(main->store().folder(play.id).has_value());
    EXPECT_TRUE(inDockOnDisk(work));
    EXPECT_TRUE(QFileInfo::exists(entry(work)));
    EXPECT_EQ(launcherDock.kept, QStringList({entry(work)}));
}

// A dock that has its bus name but does not answer yet is asked again until it does; then the folders go in.
// A dock that goes away leaves every folder where it is, however long; when one comes back, the folders are
// put in it again.
TEST_F(LauncherDockTest, TheFoldersWaitForADockThatIsNotThereAndGoInWhenItIs) {
    launcherDock.answers = false;
    SimulatedProcess& main = startMainApplication();
    EXPECT_TRUE(launcherDock.kept.isEmpty());
    time.advance(0.5);
    launcherDock.answers = true;
    time.advance(0.25);
    EXPECT_EQ(launcherDock.kept.size(), 2) << "put in once the dock answers";

    // The dock quits: no folder leaves the Dock by any rule of the stand-in Dock's, even past its grace.
    switchDock(std::nullopt);
    launcherDock.kept.clear();
    time.advance(20.0);
    EXPECT_TRUE(inDockOnDisk(work));
    EXPECT_TRUE(inDockOnDisk(play));
    EXPECT_TRUE(main.workspace.opens.isEmpty());

    switchDock(DockKind::plank);
    time.advance(0);
    EXPECT_EQ(launcherDock.kept, QStringList({entry(work), entry(play)}));
}

// Switched off, the folder's launcher leaves the dock once its retirement is due; deleted, at once.
TEST_F(LauncherDockTest, SwitchingOffAndDeletingTakeTheLauncherOut) {
    SimulatedProcess& main = startMainApplication();
    AppFolder off = *main->store().folder(work.id);
    off.isInDock = false;
    main->store().updateFolder(off);
    EXPECT_TRUE(launcherDock.kept.contains(entry(work))) << "the off badge's delay first";
    time.advance(2.0);
    EXPECT_FALSE(launcherDock.kept.contains(entry(work)));
    EXPECT_FALSE(QFileInfo::exists(entry(work)));

    main->store().deleteFolder(play.id, 2.0);
    EXPECT_FALSE(launcherDock.kept.contains(entry(play)));
    EXPECT_FALSE(QFileInfo::exists(entry(play)));
}

// The launcher's icon follows the tile: a new application, or a look the settings change, draws the icon
// again under a new file name (docks keep icons by path), and the old file goes; the entry keeps its name,
// so the dock keeps its item where it was.
TEST_F(LauncherDockTest, TheLaunchersIconFollowsTheTileUnderANewName) {
    SimulatedProcess& main = startMainApplication();
    auto iconOf = [&](const AppFolder& folder) {
        for (const QByteArray& line : testing::TempHome::read(entry(folder)).split('\n')) {
            if (line.startsWith("Icon=")) {
                return QString::fromUtf8(line.mid(5));
            }
        }
        return QString();
    };
    const QString first = iconOf(work);
    ASSERT_TRUE(QFileInfo::exists(first)) << first.toStdString();

    AppFolder more = *main->store().folder(work.id);
    more.apps.append(
        AppItem{makeUuid(), "Notes", "test.notes", QUrl::fromLocalFile(home.path() + "/Notes.app")});
    main->store().updateFolder(more);
    const QString second = iconOf(work);
    EXPECT_NE(second, first);
    EXPECT_TRUE(QFileInfo::exists(second));
    EXPECT_FALSE(QFileInfo::exists(first));
    EXPECT_EQ(launcherDock.kept, QStringList({entry(work), entry(play)})) << "the same item, in its place";

    main->settings().setTileIconPadding(main->settings().tileIconPadding() + 8);
    time.advance(0);
    EXPECT_NE(iconOf(work), second) << "the applications' icons drawn with the new padding";
    EXPECT_TRUE(QFileInfo::exists(iconOf(work)));
    EXPECT_TRUE(main.workspace.opens.isEmpty()) << "drawn by the main application: no helper started for it";
}

// Started by the dock's click: the popup opens at once, its arrow on the launcher's outer side (the dock said
// where); closed, the helper quits 5 s later unless it was opened again meanwhile.
TEST_F(LauncherDockTest, AHelperTheDockStartsOpensBesideTheLauncherAndQuitsOnceClosed) {
    SimulatedProcess& main = startMainApplication();
    launcherDock.positions.insert(entry(work), LauncherPosition{QPointF(700, 69), ScreenEdge::bottom});
    pointer.location = QPointF(300, 500); // wherever the pointer went since the click
    SimulatedProcess& helper = start(helperPath(work), {});
    ASSERT_TRUE(helper.popupVisible());
    EXPECT_EQ(helper->delegate().absoluteArrowLocation(), QPointF(700, 69));
    EXPECT_EQ(helper.popupView()->request.dockEdge, DockEdge::bottom);
    const QRectF frame = helper.panel()->frame();
    EXPECT_DOUBLE_EQ(frame.y() + 24, 69) << "the arrow's tip on the launcher (y-up: y is the lowest edge)";
    EXPECT_DOUBLE_EQ(frame.center().x(), 700);
    EXPECT_FALSE(helper->delegate().hasPendingIdleQuit());
    // The dock bounced the launcher it started: the click's place was a raised one, and the popup follows
    // the launcher back down once the animation is over.
    launcherDock.positions.insert(entry(work), LauncherPosition{QPointF(700, 52), ScreenEdge::bottom});
    time.advance(0.6999);
    EXPECT_DOUBLE_EQ(helper.panel()->frame().y() + 24, 69);
    time.advance(0.0001);
    EXPECT_DOUBLE_EQ(helper.panel()->frame().y() + 24, 52);

    helper->delegate().closePopup();
    time.advance(3.3);
    helper->delegate().showPopup(*helper->store().folder(work.id));
    ASSERT_TRUE(helper.popupVisible());
    time.advance(10.0);
    EXPECT_EQ(helper.application.terminateCount, 0) << "open again: needed";
    helper->delegate().closePopup();
    time.advance(4.999);
    EXPECT_EQ(helper.application.terminateCount, 0);
    time.advance(0.001);
    EXPECT_EQ(helper.application.terminateCount, 1);
    EXPECT_EQ(main.application.terminateCount, 0) << "the main application is needed all the time";
}

// With the stand-in Dock, helpers stay: a closed popup never quits its helper.
TEST_F(LauncherDockTest, WithTheStandInDockAHelperStaysAfterItsPopupCloses) {
    useLauncherDock(DockKind::standIn);
    SimulatedProcess& main = startMainApplication();
    EXPECT_EQ(main.workspace.opens.size(), 2) << "the stand-in Dock's path: the helpers are started";
    EXPECT_TRUE(launcherDock.keepRequests.isEmpty());
    SimulatedProcess& helper = startHelper(work, {"-group", uuidText(work.id)});
    helper->delegate().showPopup(*helper->store().folder(work.id));
    ASSERT_TRUE(helper.popupVisible());
    helper->delegate().closePopup();
    time.advance(60.0);
    EXPECT_EQ(helper.application.terminateCount, 0);
}

} // namespace
} // namespace tessly
