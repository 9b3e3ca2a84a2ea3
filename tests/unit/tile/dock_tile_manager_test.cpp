// The manager over a recording Dock tile in virtual time: when the tile changes, what it shows with and
// without a badge, the badge's timer, the debounced bundle icon write and the fallback to the last image.
#include "tile_fixture.h"

#include "platform/gui/system_style.h"
#include "tile/tile_image.h"

namespace tessly {
namespace {

using testing::TileFixture;

class DockTileManagerTest : public ::testing::Test, protected TileFixture {
protected:
    [[nodiscard]] const DockTileImageView* shownImage() const {
        return tile.contents.isEmpty() ? nullptr : std::get_if<DockTileImageView>(&tile.contents.back().view);
    }
    [[nodiscard]] const DockTileBadgeView* shownBadge() const {
        return tile.contents.isEmpty() ? nullptr : std::get_if<DockTileBadgeView>(&tile.contents.back().view);
    }
};

TEST_F(DockTileManagerTest, WithoutAFolderToDrawAndNoLastImageNothingHappens) {
    addHelperFolder();
    const QString known = *identifier;
    for (const std::optional<QString>& id :
         {std::optional<QString>(), std::optional<QString>(""), std::optional<QString>("not-a-uuid"),
          std::optional<QString>("{" + known + "}"), std::optional<QString>(uuidText(makeUuid()))}) {
        SCOPED_TRACE(id.value_or("(none)").toStdString());
        identifier = id;
        manager->refreshTile();
        time.advance(1.0);
        EXPECT_TRUE(tile.contents.isEmpty());
        EXPECT_TRUE(icons.writes.isEmpty());
        EXPECT_EQ(manager->lastIcon(), nullptr);
        EXPECT_EQ(time.pendingCount(), 0u);
    }
}

TEST_F(DockTileManagerTest, RefreshDrawsTheHelpersFolderAndAppliesItAfterTheCurrentEvent) {
    tile.tileSize = QSizeF(96, 96);
    addHelperFolder(2);
    // The identifier is read in either case.
    identifier = identifier->toLower();

    manager->refreshTile();

    ASSERT_NE(manager->lastIcon(), nullptr);
    EXPECT_EQ(manager->lastIcon()->size(), QSizeF(512, 512));
    EXPECT_TRUE(tile.contents.isEmpty());
    time.runDue();
    ASSERT_EQ(tile.contents.size(), 1);
    EXPECT_EQ(tile.contents[0].size, QSizeF(96, 96));
    ASSERT_NE(shownImage(), nullptr);
    EXPECT_EQ(shownImage()->image, manager->lastIcon());
    EXPECT_EQ(tile.displayCount, 1);
}

TEST_F(DockTileManagerTest, UpdateTileDrawsTheGivenFolderEvenOutsideTheStore) {
    AppFolder folder;
    folder.id = makeUuid();
    folder.apps.append(
        AppItem{makeUuid(), "Mail", "com.example.mail", QUrl::fromLocalFile("/Applications/Mail.app/")});

    manager->updateTile(folder);
    time.runDue();

    ASSERT_NE(shownImage(), nullptr);
    EXPECT_EQ(icons.lookups, QStringList({"/Applications/Mail.app"}));
}

TEST_F(DockTileManagerTest, RefreshAfterTheFolderWasDeletedReappliesTheLastImage) {
    addHelperFolder(1);
    manager->refreshTile();
    time.advance(1.0);
    const ImagePtr last = manager->lastIcon();

    store.setFoldersForTesting({});
    manager->refreshTile();
    time.advance(1.0);

    ASSERT_EQ(tile.contents.size(), 2);
    ASSERT_NE(shownImage(), nullptr);
    EXPECT_EQ(shownImage()->image, last);
    EXPECT_EQ(manager->lastIcon(), last);
    ASSERT_EQ(icons.writes.size(), 2);
    EXPECT_EQ(icons.writes[1].image, last.get());
}

TEST_F(DockTileManagerTest,
       TenRefreshesWithinFourTenthsOfASecondWriteTheBundleIconOnceHalfASecondAfterTheLast) {
    addHelperFolder(1);
    for (int i = 0; i < 10; ++i) {
        if (i > 0) {
            time.advance(0.04);
        }
        manager->refreshTile();
    }
    // The last refresh came at 0.36 s.
    time.advance(0.499);
    EXPECT_TRUE(icons.writes.isEmpty());
    EXPECT_EQ(tile.contents.size(), 10);

    time.advance(0.001);
    ASSERT_EQ(icons.writes.size(), 1);
    EXPECT_EQ(icons.writes[0].image, manager->lastIcon().get());
    EXPECT_EQ(icons.writes[0].path, testing::kOwnBundlePath);
    time.advance(5.0);
    EXPECT_EQ(icons.writes.size(), 1);
}

// Each application to the Dock tile draws and publishes the whole tile: the updates of one event reach it
// once, after that event, with the last image.
TEST_F(DockTileManagerTest, UpdatesWithinOneEventReachTheDockTileOnceWithTheLastImage) {
    addHelperFolder(1);
    for (int i = 0; i < 1000; ++i) {
        manager->refreshTile();
    }
    time.runDue();
    ASSERT_EQ(tile.contents.size(), 1);
    EXPECT_EQ(tile.displayCount, 1);
    ASSERT_NE(shownImage(), nullptr);
    EXPECT_EQ(shownImage()->image, manager->lastIcon());

    manager->refreshTile();
    manager->showBadge("OFF", Qt::red, 2.0);
    time.runDue();
    ASSERT_EQ(tile.contents.size(), 2);
    EXPECT_NE(shownBadge(), nullptr) << "the badge shown at the application, not the image before it";
}

TEST_F(DockTileManagerTest, BadgeShowsABlackPlateWithTheTintedSymbolInsteadOfTheImage) {
    struct Case {
        const char* text;
        const char* symbol;
    };
    addHelperFolder(1);
    const QColor red = systemColor(SystemColor::red);
    for (const Case& c : {Case{"OFF", "nosign"}, Case{"DELETE", "xmark.circle"},
                          Case{"ON", "checkmark.circle"}, Case{"HELLO", "checkmark.circle"}}) {
        SCOPED_TRACE(c.text);
        symbols.requests.clear();
        manager->showBadge(c.text, red, 2.0);
        time.runDue();

        const DockTileBadgeView* badge = shownBadge();
        ASSERT_NE(badge, nullptr);
        EXPECT_EQ(tile.contents.back().size, QSizeF(128, 128));
        EXPECT_EQ(badge->plateFrame, QRectF(11, 11, 106, 106));
        EXPECT_DOUBLE_EQ(badge->plateCornerRadius, 106 * 0.225);
        EXPECT_EQ(badge->plateColor, QColor(Qt::black));
        EXPECT_EQ(badge->symbolFrame, QRectF(22.4, 22.4, 83.2, 83.2));
        EXPECT_EQ(badge->symbolTint, red);
        EXPECT_EQ(testing::testImageName(badge->symbol.get()), QString::fromUtf8(c.symbol));
        ASSERT_EQ(symbols.requests.size(), 1);
        EXPECT_DOUBLE_EQ(symbols.requests[0].pointSize, 83.2);
        EXPECT_EQ(symbols.requests[0].weight, SymbolWeight::bold);
    }
}

TEST_F(DockTileManagerTest, BadgeWhoseSymbolCannotBeMadeShowsThePlateAlone) {
    addHelperFolder();
    symbols.known.remove(QStringLiteral("nosign"));
    manager->showBadge("OFF", Qt::red, 2.0);
    time.runDue();
    ASSERT_NE(shownBadge(), nullptr);
    EXPECT_EQ(shownBadge()->symbol, nullptr);
}

TEST_F(DockTileManagerTest, BadgeEndsAfterItsDurationAndTheFolderImageComesBack) {
    addHelperFolder(1);
    manager->showBadge("ON", Qt::green, 2.0);
    time.advance(1.999);
    EXPECT_NE(shownBadge(), nullptr);
    // The bundle icon is always the folder's image, never the badge.
    ASSERT_EQ(icons.writes.size(), 1);
    EXPECT_NE(dynamic_cast<const TileImage*>(icons.writes[0].image), nullptr);

    time.advance(0.001);
    EXPECT_FALSE(manager->activeBadge().has_value());
    ASSERT_NE(shownImage(), nullptr);
    EXPECT_EQ(shownImage()->image, manager->lastIcon());
}

TEST_F(DockTileManagerTest, SecondBadgeOneAndAHalfSecondsLaterKeepsItsFullTwoSeconds) {
    addHelperFolder(1);
    manager->showBadge("OFF", Qt::red, 2.0);
    time.advance(1.5);
    manager->showBadge("DELETE", Qt::red, 2.0);

    // 2.0 s after the first badge: its timer never fires.
    time.advance(0.5);
    ASSERT_TRUE(manager->activeBadge().has_value());
    EXPECT_EQ(manager->activeBadge()->text, QStringLiteral("DELETE"));
    time.advance(1.499);
    ASSERT_NE(shownBadge(), nullptr);
    EXPECT_EQ(testing::testImageName(shownBadge()->symbol.get()), QStringLiteral("xmark.circle"));

    time.advance(0.001);
    EXPECT_FALSE(manager->activeBadge().has_value());
    EXPECT_NE(shownImage(), nullptr);
}

TEST_F(DockTileManagerTest, RefreshesDuringABadgeKeepTheLastImageAndTheBundleIconCurrent) {
    TileStyleSettings style;
    AppFolder folder = addHelperFolder(1, style);
    manager->showBadge("ON", Qt::green, 2.0);
    time.advance(0.6);

    folder.apps.append(
        AppItem{makeUuid(), "Notes", "com.example.notes", QUrl::fromLocalFile("/Applications/N.app/")});
    store.updateFolder(folder);
    icons.lookups.clear();
    manager->refreshTile();
    time.advance(0.5);

    EXPECT_NE(shownBadge(), nullptr);
    EXPECT_EQ(icons.lookups.size(), 2);
    ASSERT_EQ(icons.writes.size(), 2);
    EXPECT_EQ(icons.writes[1].image, manager->lastIcon().get());
}

TEST_F(DockTileManagerTest, QueuedWorkOfAManagerThatIsGoneDoesNothing) {
    addHelperFolder(1);
    manager->showBadge("ON", Qt::green, 2.0);
    manager->refreshTile();
    manager.reset();

    time.advance(3.0);

    EXPECT_TRUE(tile.contents.isEmpty());
    EXPECT_TRUE(icons.writes.isEmpty());
}

TEST_F(DockTileManagerTest, ImagesOutliveTheSettingsObjectAndStillDraw) {
    auto owned = std::make_unique<AppSettings>(defaults, center, distributed, loginItems, console,
                                               home.paths(), QStringLiteral("app.tessly.Tessly"), time);
    // So much padding that no icon has room, while the settings are there to say so.
    owned->setTileIconPadding(100);
    DockTileManager other(
        store, *owned, time, tile, symbols, icons, [] { return std::nullopt; }, "/x.app");
    const ImagePtr image = other.renderTileImage(addHelperFolder(4));
    EXPECT_TRUE(record(image).ofKind(testing::CanvasOperation::Kind::image).isEmpty());

    owned.reset();

    EXPECT_EQ(record(image).ofKind(testing::CanvasOperation::Kind::image).size(), 4);
    EXPECT_FALSE(pixels(image).isNull());
}

} // namespace
} // namespace tessly
