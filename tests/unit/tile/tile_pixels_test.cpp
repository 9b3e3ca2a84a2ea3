// The tile image in pixels, where the colour or the orientation is what matters: the plate's colours, the
// gradient's direction (the canvas's y points up), the glass alphas by theme, icons in their cells, the
// glyph.
#include "tile_fixture.h"

namespace tessly {
namespace {

using testing::TileFixture;

class TilePixelsTest : public ::testing::Test, protected TileFixture {
protected:
    [[nodiscard]] QImage draw(TileStyleSettings style, qsizetype appCount = 0, const QString& glyph = {}) {
        AppFolder folder = addHelperFolder(appCount, style);
        if (!glyph.isEmpty()) {
            folder.emoji = glyph;
        }
        return pixels(manager->renderTileImage(folder));
    }

    static TileStyleSettings solid(TileBackground background, std::optional<QString> hex = {}) {
        TileStyleSettings style;
        style.backgroundStyle = background;
        style.customHex = std::move(hex);
        style.backgroundMode = TileBackgroundMode::solid;
        style.opacity = 1.0;
        return style;
    }
};

/// Components within `tolerance` of the expected ones, alpha included.
::testing::AssertionResult pixelNear(const QImage& image, int x, int y, QRgb expected, int tolerance = 2) {
    const QRgb actual = image.pixel(x, y);
    const int d =
        std::max({std::abs(qRed(actual) - qRed(expected)), std::abs(qGreen(actual) - qGreen(expected)),
                  std::abs(qBlue(actual) - qBlue(expected)), std::abs(qAlpha(actual) - qAlpha(expected))});
    if (d <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "pixel (" << x << ", " << y << ") is " << std::hex << actual << ", expected " << expected;
}

TEST_F(TilePixelsTest, CustomPlateIsItsColourAndABadTextGivesTheLightPlate) {
    const QImage orange = draw(solid(TileBackground::custom, QStringLiteral("#FF8800")));
    EXPECT_TRUE(pixelNear(orange, 256, 256, qRgba(0xFF, 0x88, 0x00, 0xFF)));
    // Outside the plate and outside its rounded corner nothing is drawn.
    EXPECT_TRUE(pixelNear(orange, 20, 256, 0, 0));
    EXPECT_TRUE(pixelNear(orange, 50, 50, 0, 0));
    EXPECT_TRUE(pixelNear(orange, 140, 46, qRgba(0xFF, 0x88, 0x00, 0xFF)));

    for (const char* bad : {"FF880", "FF88001", "GG8800"}) {
        SCOPED_TRACE(bad);
        EXPECT_TRUE(pixelNear(draw(solid(TileBackground::custom, QString::fromUtf8(bad))), 256, 256,
                              qRgba(242, 242, 242, 0xFF)));
    }
}

TEST_F(TilePixelsTest, GradientIsLighterAtTheTopOfTheTile) {
    TileStyleSettings style = solid(TileBackground::blue);
    style.backgroundMode = TileBackgroundMode::gradient;
    const QImage image = draw(style);
    // Rows 45 and 466 of the picture (y down) are just inside the plate's top and bottom edges.
    EXPECT_TRUE(pixelNear(image, 256, 45, qRgba(158, 204, 255, 255), 3));
    EXPECT_TRUE(pixelNear(image, 256, 256, qRgba(46, 146, 255, 255), 3));
    EXPECT_TRUE(pixelNear(image, 256, 466, qRgba(0, 71, 148, 235), 3));
}

TEST_F(TilePixelsTest, GlassAlphasFollowTheThemeAtEveryDrawAndIgnoreTheBackground) {
    TileStyleSettings style = solid(TileBackground::red);
    style.backgroundMode = TileBackgroundMode::glass;
    settings.setAppTheme(AppThemeMode::dark);
    const ImagePtr image = manager->renderTileImage(addHelperFolder(0, style));

    QImage drawn = pixels(image);
    EXPECT_TRUE(pixelNear(drawn, 256, 45, qRgba(255, 255, 255, 115)));
    EXPECT_TRUE(pixelNear(drawn, 256, 466, qRgba(255, 255, 255, 51)));

    style.backgroundStyle = TileBackground::blue;
    EXPECT_EQ(pixels(manager->renderTileImage(addHelperFolder(0, style))), drawn);

    settings.setAppTheme(AppThemeMode::light);
    drawn = pixels(image);
    EXPECT_TRUE(pixelNear(drawn, 256, 45, qRgba(255, 255, 255, 224)));
    EXPECT_TRUE(pixelNear(drawn, 256, 466, qRgba(255, 255, 255, 153)));
}

TEST_F(TilePixelsTest, IconsLandInTheirCellsWithTheFirstAtTheTopLeft) {
    settings.setTileIconPadding(0);
    icons.colors = {
        {appPath(0), Qt::red}, {appPath(1), Qt::green}, {appPath(2), Qt::blue}, {appPath(3), Qt::yellow}};
    const QImage image = draw(solid(TileBackground::dark), 4);
    // Cell centres, y down: 77.92 + 82.68 = 160.6 and 268.72 + 82.68 = 351.4.
    EXPECT_TRUE(pixelNear(image, 160, 160, qRgb(255, 0, 0), 0));
    EXPECT_TRUE(pixelNear(image, 351, 160, qRgb(0, 255, 0), 0));
    EXPECT_TRUE(pixelNear(image, 160, 351, qRgb(0, 0, 255), 0));
    EXPECT_TRUE(pixelNear(image, 351, 351, qRgb(255, 255, 0), 0));
    // The gap between the cells shows the plate.
    EXPECT_TRUE(pixelNear(image, 256, 160, qRgb(26, 26, 26)));
}

TEST_F(TilePixelsTest, SymbolGlyphIsTintedWhiteInItsSquare) {
    TileStyleSettings style = solid(TileBackground::dark);
    style.displayFolderIcon = true;
    const QImage image = draw(style, 0, QStringLiteral("folder.fill"));
    // The test symbol is a disc filling the 213.696 square centred on the plate.
    EXPECT_TRUE(pixelNear(image, 256, 256, qRgb(255, 255, 255)));
    EXPECT_TRUE(pixelNear(image, 256, 155, qRgb(255, 255, 255)));
    EXPECT_TRUE(pixelNear(image, 155, 155, qRgb(26, 26, 26)));
    EXPECT_TRUE(pixelNear(image, 256, 140, qRgb(26, 26, 26)));
}

TEST_F(TilePixelsTest, TextGlyphIsWhiteCentredAndSizedInCanvasPoints) {
    TileStyleSettings style = solid(TileBackground::dark);
    style.displayFolderIcon = true;
    const QImage image = draw(style, 0, QStringLiteral("H"));
    QRect ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qRed(image.pixel(x, y)) > 200) {
                ink |= QRect(x, y, 1, 1);
            }
        }
    }
    ASSERT_FALSE(ink.isEmpty());
    // A capital of a 152.64-point font stands about 110 pixels tall, centred on the plate (the line's
    // descender space puts it a little above the centre).
    EXPECT_NEAR(ink.height(), 110, 15);
    EXPECT_NEAR(ink.center().x(), 256, 6);
    EXPECT_NEAR(ink.center().y(), 256, 25);
}

TEST_F(TilePixelsTest, TheRecipeDrawsAtAnySize) {
    const QImage small =
        pixels(manager->renderTileImage(addHelperFolder(0, solid(TileBackground::custom, "00FF00"))),
               QSize(128, 128));
    EXPECT_TRUE(pixelNear(small, 64, 64, qRgb(0, 255, 0)));
    // The plate's inset scales with the tile: 11 of 128.
    EXPECT_TRUE(pixelNear(small, 8, 64, 0, 0));
    EXPECT_TRUE(pixelNear(small, 13, 64, qRgb(0, 255, 0)));
}

} // namespace
} // namespace tessly
