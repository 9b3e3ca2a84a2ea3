// Plank's items interface as Tessly uses it, against a fake Plank on the test's own session bus: launchers
// kept and taken out as file URIs, the list read back with whatever else Plank keeps, tile positions in y-up
// points, a Plank that is missing, starting, gone or hung, and its change reports.
#include "fake_plank.h"
#include "platform/linux/plank_dock_linux.h"
#include "support/run_events.h"

#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

namespace tessly {
namespace {

using testing::FakePlankItems;
using testing::FakePlankService;
using testing::runEventsUntil;

class PlankDockTest : public ::testing::Test {
protected:
    FakePlankService plank;
    PlankDock dock;
};

TEST_F(PlankDockTest, KeepsAndRemovesLaunchersAsFileUris) {
    ASSERT_TRUE(plank.start());
    plank.items().setPersistent({"file:///usr/share/applications/org.gnome.Nautilus.desktop"});
    const QString entry = "/home/u/.local/share/applications/a b#1.desktop";
    const QString uri = "file:///home/u/.local/share/applications/a%20b%231.desktop";

    EXPECT_TRUE(dock.keep(entry));
    EXPECT_EQ(plank.items().calls().value(0), "Add " + uri);
    EXPECT_EQ(dock.keptLaunchers(),
              QStringList({"/usr/share/applications/org.gnome.Nautilus.desktop", entry}));
    // Already kept: Plank refuses to add it again, and it is still kept.
    EXPECT_TRUE(dock.keep(entry));
    EXPECT_EQ(plank.items().persistent().count(uri), 1);

    EXPECT_TRUE(dock.remove(entry));
    EXPECT_EQ(plank.items().persistent(),
              QStringList({"file:///usr/share/applications/org.gnome.Nautilus.desktop"}));
    // Not kept: Plank refuses to remove it, and it is not kept afterwards.
    EXPECT_TRUE(dock.remove(entry));

    // Plank refusing for itself is a failure.
    EXPECT_FALSE(dock.keep("/apps/refused.desktop"));
    plank.items().setPersistent({"file:///apps/refused.desktop"});
    EXPECT_FALSE(dock.remove("/apps/refused.desktop"));
}

TEST_F(PlankDockTest, ListsLocalEntriesAsPathsAndEverythingElseAsItWas) {
    ASSERT_TRUE(plank.start());
    const QStringList junk = {"docklet://clock",
                              "",
                              "not a uri",
                              "file:relative.desktop",
                              "http://host/a.desktop",
                              "file://%zz",
                              QString::fromUtf8("\x01\xff\xfe"),
                              "file:"};
    QStringList listed = {"file:///home/u/x%20y.desktop"};
    listed += junk;
    listed.append("file:///apps/last.desktop");
    plank.items().setPersistent(listed);

    QStringList expected = {"/home/u/x y.desktop"};
    expected += junk;
    expected.append("/apps/last.desktop");
    EXPECT_EQ(dock.keptLaunchers(), expected);
}

TEST_F(PlankDockTest, PositionIsTheHoverPointInYUpPointsWithTheDockEdge) {
    ASSERT_EQ(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 800, 800));
    ASSERT_TRUE(plank.start());
    using Hover = FakePlankItems::Hover;
    plank.items().setHover("file:///apps/bottom.desktop", Hover{400, 760, 3, true});
    plank.items().setHover("file:///apps/left.desktop", Hover{70, 100, 0, true});
    plank.items().setHover("file:///apps/right.desktop", Hover{730, 200, 1, true});
    plank.items().setHover("file:///apps/top.desktop", Hover{300, 40, 2, true});
    plank.items().setHover("file:///apps/odd-edge.desktop", Hover{300, 40, 7, true});

    const auto bottom = dock.launcherPosition("/apps/bottom.desktop");
    ASSERT_TRUE(bottom);
    EXPECT_EQ(bottom->point, QPointF(400, 40));
    EXPECT_EQ(bottom->edge, ScreenEdge::bottom);
    const auto left = dock.launcherPosition("/apps/left.desktop");
    ASSERT_TRUE(left);
    EXPECT_EQ(left->point, QPointF(70, 700));
    EXPECT_EQ(left->edge, ScreenEdge::left);
    EXPECT_EQ(dock.launcherPosition("/apps/right.desktop").value_or(LauncherPosition{}).edge,
              ScreenEdge::right);
    EXPECT_EQ(dock.launcherPosition("/apps/top.desktop").value_or(LauncherPosition{}).edge, ScreenEdge::top);

    // Plank's answer for a launcher it does not keep, and an edge it does not have.
    EXPECT_EQ(dock.launcherPosition("/apps/unknown.desktop"), std::nullopt);
    EXPECT_EQ(dock.launcherPosition("/apps/odd-edge.desktop"), std::nullopt);
    EXPECT_EQ(plank.items().calls().last(), "GetHoverPosition file:///apps/odd-edge.desktop");
}

TEST_F(PlankDockTest, MissingStartingGoneOrHungPlankCannotBeAsked) {
    const auto cannotBeAsked = [&] {
        EXPECT_EQ(dock.keptLaunchers(), std::nullopt);
        EXPECT_FALSE(dock.keep("/apps/a.desktop"));
        EXPECT_FALSE(dock.remove("/apps/a.desktop"));
        EXPECT_EQ(dock.launcherPosition("/apps/a.desktop"), std::nullopt);
    };
    {
        SCOPED_TRACE("no Plank");
        cannotBeAsked();
    }
    {
        SCOPED_TRACE("its name owned, its items not there yet");
        ASSERT_TRUE(plank.start(false));
        cannotBeAsked();
    }
    ASSERT_TRUE(plank.publishItems());
    EXPECT_EQ(dock.keptLaunchers(), QStringList());
    {
        SCOPED_TRACE("hung");
        plank.items().setHung(true);
        cannotBeAsked();
        plank.items().setHung(false);
    }
    plank.stop();
    {
        SCOPED_TRACE("gone");
        cannotBeAsked();
    }
}

TEST_F(PlankDockTest, ChangedSignalAndPlankComingOrGoingReachTheHandler) {
    int reports = 0;
    dock.setChangeHandler([&] { ++reports; });
    ASSERT_TRUE(plank.start());
    ASSERT_TRUE(runEventsUntil([&] { return reports > 0; })) << "Plank's arrival";

    const int beforeChanged = reports;
    plank.emitChanged();
    ASSERT_TRUE(runEventsUntil([&] { return reports > beforeChanged; })) << "Changed";

    const int beforeStop = reports;
    plank.stop();
    ASSERT_TRUE(runEventsUntil([&] { return reports > beforeStop; })) << "Plank's departure";
}

} // namespace
} // namespace tessly
