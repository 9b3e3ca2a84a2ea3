// The stand-in Dock's tiles apart from drawing: order, running state by bus connection, published content and
// its refusal, and the menu.
#include "dock_model.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace tessly::dock {
namespace {

QByteArray png(const QSize& size) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QStringList pathsOf(const DockModel& model) {
    QStringList paths;
    for (const DockTileItem& tile : model.tiles()) {
        paths.append(tile.bundlePath);
    }
    return paths;
}

TEST(DockModelTest, KeptFirstInTheirOrderThenOtherRunningApplicationsInTheOrderTheyAppeared) {
    DockModel model;
    model.setKept({"/a/B.app", "/a/A.app"});
    model.setPresence(":1.9", "/a/Z.app", 9, true);
    model.setPresence(":1.3", "/a/Y.app", 3, true);
    model.setPresence(":1.5", "/a/A.app", 5, true);
    EXPECT_EQ(pathsOf(model), QStringList({"/a/B.app", "/a/A.app", "/a/Z.app", "/a/Y.app"}));
    EXPECT_EQ(model.keptCount(), 2);
    EXPECT_TRUE(model.find("/a/A.app")->running);
    EXPECT_FALSE(model.find("/a/B.app")->running);
}

TEST(DockModelTest, PresenceEndsWithItsConnectionOrItsOwnWordOnly) {
    DockModel model;
    model.setKept({"/a/A.app"});
    EXPECT_TRUE(model.setPresence(":1.5", "/a/A.app", 5, true));
    EXPECT_TRUE(model.setPresence(":1.6", "/a/Z.app", 6, true));
    // Another process's withdrawal, or a stranger's, does not end this one.
    EXPECT_FALSE(model.setPresence(":1.7", "/a/A.app", 5, false));
    EXPECT_FALSE(model.setPresence(":1.5", "/a/A.app", 99, false));
    EXPECT_TRUE(model.find("/a/A.app")->running);
    EXPECT_TRUE(model.connectionGone(":1.5"));
    EXPECT_FALSE(model.find("/a/A.app")->running);
    EXPECT_TRUE(model.setPresence(":1.6", "/a/Z.app", 6, false));
    EXPECT_EQ(pathsOf(model), QStringList({"/a/A.app"}));
    EXPECT_FALSE(model.connectionGone(":1.6"));
}

TEST(DockModelTest, RelativeOrEmptyBundlePathsAreNotShown) {
    DockModel model;
    EXPECT_FALSE(model.setPresence(":1.1", "", 1, true));
    EXPECT_FALSE(model.setPresence(":1.2", "relative/A.app", 2, true));
    EXPECT_TRUE(model.tiles().isEmpty());
}

TEST(DockModelTest, ContentIsShownWhileTheApplicationRunsAndDroppedWhenItQuits) {
    DockModel model;
    model.setKept({"/a/A.app"});
    EXPECT_FALSE(model.setContent(":1.5", "/a/A.app", png({64, 64}))) << "not running: the icon stays";
    model.setPresence(":1.5", "/a/A.app", 5, true);
    EXPECT_TRUE(model.setContent(":1.5", "/a/A.app", png({64, 64})));
    EXPECT_EQ(model.find("/a/A.app")->content.size(), QSize(64, 64));
    model.connectionGone(":1.5");
    EXPECT_TRUE(model.find("/a/A.app")->content.isNull());
    model.setPresence(":1.8", "/a/A.app", 8, true);
    EXPECT_TRUE(model.find("/a/A.app")->content.isNull())
        << "an old tile must not come back with a new process";
}

TEST(DockModelTest, ContentThatIsNotASensiblePngIsRefusedAndTheOldContentStays) {
    DockModel model;
    model.setPresence(":1.5", "/a/A.app", 5, true);
    ASSERT_TRUE(model.setContent(":1.5", "/a/A.app", png({32, 32})));
    EXPECT_FALSE(model.setContent(":1.5", "/a/A.app", QByteArray("GIF89a not a png")));
    EXPECT_FALSE(model.setContent(":1.5", "/a/A.app", png({32, 32}).left(20))) << "truncated";
    EXPECT_FALSE(model.setContent(":1.5", "/a/A.app", png({kMaximumTileContentPixels + 1, 8})));
    EXPECT_FALSE(model.setContent(":1.5", "/a/A.app", QByteArray()));
    EXPECT_EQ(model.find("/a/A.app")->content.size(), QSize(32, 32));
}

TEST(DockModelTest, ATileTakesContentOnlyFromAConnectionThatAnnouncedItsBundle) {
    DockModel model;
    model.setPresence(":1.5", "/a/A.app", 5, true);
    model.setPresence(":1.6", "/a/B.app", 6, true);
    ASSERT_TRUE(model.setContent(":1.5", "/a/A.app", png({32, 32})));
    EXPECT_FALSE(model.setContent(":1.9", "/a/A.app", png({16, 16}))) << "a connection with no presence";
    EXPECT_FALSE(model.setContent(":1.6", "/a/A.app", png({16, 16}))) << "the presence of another bundle";
    EXPECT_EQ(model.find("/a/A.app")->content.size(), QSize(32, 32));

    // A second instance of the same bundle publishes for it as well; once its owners are gone, nobody does.
    model.setPresence(":1.7", "/a/A.app", 7, true);
    EXPECT_TRUE(model.setContent(":1.7", "/a/A.app", png({48, 48})));
    EXPECT_EQ(model.find("/a/A.app")->content.size(), QSize(48, 48));
    model.setPresence(":1.5", "/a/A.app", 5, false);
    model.connectionGone(":1.7");
    EXPECT_FALSE(model.setContent(":1.5", "/a/A.app", png({32, 32})));
}

TEST(DockModelTest, MenuOffersKeepRemoveAndOpenOrQuitAfterTheTilesState) {
    const auto actions = [](const DockTileItem& tile) {
        QList<DockMenuAction> list;
        for (const DockMenuEntry& entry : menuFor(tile)) {
            list.append(entry.action);
        }
        return list;
    };
    const DockTileItem keptIdle{"/a/A.app", true, false, {}};
    EXPECT_EQ(actions(keptIdle), QList({DockMenuAction::keep, DockMenuAction::remove, DockMenuAction::open}));
    EXPECT_TRUE(menuFor(keptIdle).at(0).checkable);
    EXPECT_TRUE(menuFor(keptIdle).at(0).checked);
    const DockTileItem runningOnly{"/a/A.app", false, true, {}};
    EXPECT_EQ(actions(runningOnly), QList({DockMenuAction::keep, DockMenuAction::quit}));
    EXPECT_FALSE(menuFor(runningOnly).at(0).checked);
}

} // namespace
} // namespace tessly::dock
