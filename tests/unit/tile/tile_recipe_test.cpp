// What a tile image draws, on a recording canvas: the plate, the border, the icon grid and the glyph, at the
// canvas's exact coordinates (512 x 512, y up).
#include "tile_fixture.h"

#include "tile/tile_geometry.h"

namespace tessly {
namespace {

using testing::CanvasOperation;
using testing::TileFixture;
using Kind = CanvasOperation::Kind;

constexpr double kExact = 1e-9;

void expectRect(const QRectF& actual, double x, double y, double w, double h) {
    EXPECT_NEAR(actual.x(), x, kExact);
    EXPECT_NEAR(actual.y(), y, kExact);
    EXPECT_NEAR(actual.width(), w, kExact);
    EXPECT_NEAR(actual.height(), h, kExact);
}

class TileRecipeTest : public ::testing::Test, protected TileFixture {
protected:
    [[nodiscard]] AppFolder folderWith(qsizetype appCount, TileStyleSettings style = {}) const {
        AppFolder folder;
        folder.id = makeUuid();
        folder.tileStyle = style;
        for (qsizetype i = 0; i < appCount; ++i) {
            folder.apps.append(
                AppItem{makeUuid(), QString(), QString(), QUrl::fromLocalFile(appPath(i) + "/")});
        }
        return folder;
    }

    [[nodiscard]] static QStringList imageNames(const QList<CanvasOperation>& ops) {
        QStringList names;
        for (const CanvasOperation& op : ops) {
            names.append(testing::testImageName(op.image));
        }
        return names;
    }
};

TEST_F(TileRecipeTest, DefaultStyleDrawsThePlateAndTheBorderInsideIt) {
    TileStyleSettings style;
    auto canvas = record(manager->renderTileImage(folderWith(0, style)));
    ASSERT_EQ(canvas.operations.size(), 1);
    EXPECT_EQ(canvas.operations[0].kind, Kind::fill);
    expectRect(canvas.operations[0].rect, 44, 44, 424, 424);
    EXPECT_NEAR(canvas.operations[0].radius, 96, kExact);

    style.borderEnabled = true;
    style.borderOpacity = 0.4;
    canvas = record(manager->renderTileImage(folderWith(0, style)));
    ASSERT_EQ(canvas.operations.size(), 2);
    const CanvasOperation& border = canvas.operations[1];
    EXPECT_EQ(border.kind, Kind::stroke);
    expectRect(border.rect, 47, 47, 418, 418);
    EXPECT_NEAR(border.radius, 93, kExact);
    EXPECT_NEAR(border.lineWidth, 6, kExact);
    EXPECT_EQ(border.color.rgb(), QColor(Qt::white).rgb());
    EXPECT_NEAR(border.color.alphaF(), 0.4, 1e-6);
}

TEST_F(TileRecipeTest, BorderIsNeverThinnerThanHalfAPixelAndNoRadiusGoesBelowZero) {
    struct Case {
        double cornerRadius;
        double borderWidth;
        double plateRadius;
        double lineWidth;
        double borderRadius;
    };
    for (const Case& c : {Case{12, 0, 96, 0.5, 95.75}, Case{12, -3, 96, 0.5, 95.75}, Case{0, 3, 0, 6, 0},
                          Case{0.25, 3, 2, 6, 0}, Case{-2, 1, 0, 2, 0}}) {
        SCOPED_TRACE(::testing::Message()
                     << "cornerRadius " << c.cornerRadius << " borderWidth " << c.borderWidth);
        TileStyleSettings style;
        style.cornerRadius = c.cornerRadius;
        style.borderEnabled = true;
        style.borderWidth = c.borderWidth;
        const auto canvas = record(manager->renderTileImage(folderWith(0, style)));
        ASSERT_EQ(canvas.operations.size(), 2);
        EXPECT_NEAR(canvas.operations[0].radius, c.plateRadius, kExact);
        const CanvasOperation& border = canvas.operations[1];
        EXPECT_NEAR(border.lineWidth, c.lineWidth, kExact);
        const double inset = 44 + c.lineWidth / 2;
        expectRect(border.rect, inset, inset, 512 - 2 * inset, 512 - 2 * inset);
        EXPECT_NEAR(border.radius, c.borderRadius, kExact);
    }
}

TEST_F(TileRecipeTest, IconGridWithoutPaddingPlacesTheFourIconsTopLeftToBottomRight) {
    settings.setTileIconPadding(0);
    const auto canvas = record(manager->renderTileImage(folderWith(4)));
    const auto images = canvas.ofKind(Kind::image);
    ASSERT_EQ(images.size(), 4);
    // pad 33.92, gap 25.44, cell 165.36; y grows upward, so the first row is the upper one.
    expectRect(images[0].rect, 77.92, 268.72, 165.36, 165.36);
    expectRect(images[1].rect, 268.72, 268.72, 165.36, 165.36);
    expectRect(images[2].rect, 77.92, 77.92, 165.36, 165.36);
    expectRect(images[3].rect, 268.72, 77.92, 165.36, 165.36);
    EXPECT_EQ(imageNames(images), QStringList({appPath(0), appPath(1), appPath(2), appPath(3)}));
}

TEST_F(TileRecipeTest, FiveOrMoreApplicationsShowTheFirstFourAndOneStaysTopLeft) {
    auto canvas = record(manager->renderTileImage(folderWith(6)));
    EXPECT_EQ(imageNames(canvas.ofKind(Kind::image)),
              QStringList({appPath(0), appPath(1), appPath(2), appPath(3)}));
    // Only the icons shown are looked up.
    EXPECT_EQ(icons.lookups, QStringList({appPath(0), appPath(1), appPath(2), appPath(3)}));

    settings.setTileIconPadding(0);
    canvas = record(manager->renderTileImage(folderWith(1)));
    const auto images = canvas.ofKind(Kind::image);
    ASSERT_EQ(images.size(), 1);
    expectRect(images[0].rect, 77.92, 268.72, 165.36, 165.36);
}

TEST_F(TileRecipeTest, NoApplicationsDrawThePlateAndBorderOnly) {
    TileStyleSettings style;
    style.borderEnabled = true;
    const auto canvas = record(manager->renderTileImage(folderWith(0, style)));
    ASSERT_EQ(canvas.operations.size(), 2);
    EXPECT_EQ(canvas.operations[0].kind, Kind::fill);
    EXPECT_EQ(canvas.operations[1].kind, Kind::stroke);
}

TEST_F(TileRecipeTest, IconPaddingAndThemeAreReadFromTheSettingsAtEachDraw) {
    TileStyleSettings style;
    style.backgroundMode = TileBackgroundMode::glass;
    style.opacity = 1.0;
    settings.setTileIconPadding(4);
    settings.setAppTheme(AppThemeMode::dark);
    const ImagePtr image = manager->renderTileImage(folderWith(4, style));

    auto canvas = record(image);
    // pad = 424 x (4/64 + 0.08) = 60.42; cell = (424 - 120.84 - 25.44) / 2 = 138.86.
    expectRect(canvas.ofKind(Kind::image)[0].rect, 104.42, 268.72, 138.86, 138.86);
    EXPECT_NEAR(canvas.operations[0].fill.colors[0].alphaF(), 0.45, 1e-4);

    settings.setTileIconPadding(0);
    settings.setAppTheme(AppThemeMode::light);
    canvas = record(image);
    expectRect(canvas.ofKind(Kind::image)[0].rect, 77.92, 268.72, 165.36, 165.36);
    EXPECT_NEAR(canvas.operations[0].fill.colors[0].alphaF(), 0.88, 1e-4);
}

TEST_F(TileRecipeTest, PaddingThatLeavesNoRoomDrawsNoIcons) {
    settings.setTileIconPadding(100);
    EXPECT_TRUE(record(manager->renderTileImage(folderWith(4))).ofKind(Kind::image).isEmpty());
}

TEST_F(TileRecipeTest, SymbolGlyphIsConfiguredBoldAndDrawnWhiteInTheCentredSquare) {
    TileStyleSettings style;
    style.displayFolderIcon = true;
    AppFolder folder = folderWith(3, style);
    folder.emoji = QStringLiteral("folder.fill");

    const auto canvas = record(manager->renderTileImage(folder));

    ASSERT_EQ(symbols.requests.size(), 1);
    EXPECT_EQ(symbols.requests[0].name, QStringLiteral("folder.fill"));
    EXPECT_NEAR(symbols.requests[0].pointSize, 0.576 * 424, kExact);
    EXPECT_EQ(symbols.requests[0].weight, SymbolWeight::bold);
    // The glyph replaces the icons: none is looked up or drawn.
    EXPECT_TRUE(icons.lookups.isEmpty());
    ASSERT_EQ(canvas.operations.size(), 2);
    const CanvasOperation& glyph = canvas.operations[1];
    EXPECT_EQ(glyph.kind, Kind::tintedImage);
    expectRect(glyph.rect, 149.152, 149.152, 213.696, 213.696);
    EXPECT_EQ(glyph.color, QColor(Qt::white));
    EXPECT_EQ(testing::testImageName(glyph.image), QStringLiteral("folder.fill"));
}

TEST_F(TileRecipeTest, GlyphThatNamesNoSymbolIsDrawnAsBoldWhiteTextOfItsMeasuredSize) {
    TileStyleSettings style;
    style.displayFolderIcon = true;
    AppFolder folder = folderWith(0, style);
    folder.emoji = QStringLiteral("\U0001F680");

    auto canvas = record(manager->renderTileImage(folder));

    ASSERT_EQ(canvas.operations.size(), 2);
    const CanvasOperation& text = canvas.operations[1];
    EXPECT_EQ(text.kind, Kind::text);
    EXPECT_EQ(text.text, folder.emoji);
    EXPECT_NEAR(text.font.pointSizeF(), 0.36 * 424, 1e-6);
    EXPECT_EQ(text.font.weight(), QFont::Bold);
    EXPECT_EQ(text.color, QColor(Qt::white));
    // The recording canvas measures every text as 100 x 50.
    expectRect(text.rect, 206, 231, 100, 50);
}

TEST(BadgeLayoutTest, PlateInsetByItsShareOfTheTileAndTheSymbolCentred) {
    const BadgeLayout layout = badgeLayout(QSizeF(128, 128));
    expectRect(layout.plateFrame, 11, 11, 106, 106);
    EXPECT_NEAR(layout.plateCornerRadius, 106 * 0.225, kExact);
    expectRect(layout.symbolFrame, 22.4, 22.4, 83.2, 83.2);
    EXPECT_NEAR(layout.symbolPointSize, 83.2, kExact);

    // A tile that is not square: the inset follows the width, the symbol the height.
    const BadgeLayout wide = badgeLayout(QSizeF(512, 256));
    expectRect(wide.plateFrame, 44, 44, 424, 168);
    EXPECT_NEAR(wide.plateCornerRadius, 424 * 0.225, kExact);
    expectRect(wide.symbolFrame, 172.8, 44.8, 166.4, 166.4);
}

TEST(BadgeLayoutTest, TextChoosesTheSymbol) {
    EXPECT_EQ(badgeSymbolName("ON"), QStringLiteral("checkmark.circle"));
    EXPECT_EQ(badgeSymbolName("OFF"), QStringLiteral("nosign"));
    EXPECT_EQ(badgeSymbolName("DELETE"), QStringLiteral("xmark.circle"));
    EXPECT_EQ(badgeSymbolName("off"), QStringLiteral("checkmark.circle"));
    EXPECT_EQ(badgeSymbolName(""), QStringLiteral("checkmark.circle"));
}

} // namespace
} // namespace tessly
