// The custom colour's stored text and the picker's arithmetic.
#include "mainwindow/settings_pages/custom_color.h"

#include "tile/tile_colors.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tessly {
namespace {

TEST(CustomColorTest, PureRedIsStoredAsSixUpperCaseDigitsWithoutHash) {
    EXPECT_EQ(customHexText(QColor(255, 0, 0)), "FF0000");
    EXPECT_EQ(customHexText(QColor(0x0a, 0xbc, 0x07)), "0ABC07");
    EXPECT_EQ(customHexText(QColor()), std::nullopt);
}

TEST(CustomColorTest, ComponentsAreConvertedToDeviceRgbAndRoundedHalfAwayFromZero) {
    // Given in another colour model, stored by its RGB components.
    EXPECT_EQ(customHexText(QColor::fromHsvF(0.0F, 1.0F, 1.0F)), "FF0000");
    EXPECT_EQ(customHexText(QColor::fromCmykF(0.0F, 1.0F, 1.0F, 0.0F)), "FF0000");
    // 0.5 × 255 = 127.5 rounds up, where truncation would give 7F.
    EXPECT_EQ(customHexText(QColor::fromRgbF(0.5F, 0.5F, 0.5F)), "808080");
    EXPECT_EQ(customHexText(QColor::fromRgbF(0.498F, 0.0F, 1.0F)), "7F00FF");
}

TEST(CustomColorTest, TheStoredTextReadsBackAsTheSameColour) {
    for (const QColor& swatch : customColorSwatches()) {
        const auto hex = customHexText(swatch);
        ASSERT_TRUE(hex);
        const auto parsed = parseCustomHex(*hex);
        ASSERT_TRUE(parsed);
        EXPECT_EQ(parsed->rgb(), swatch.rgb()) << hex->toStdString();
    }
}

TEST(CustomColorTest, HsvRoundTripsAndAGreyKeepsTheHueTheUserChose) {
    const QColor orange(255, 136, 0);
    const HsvColor hsv = hsvFromColor(orange);
    EXPECT_EQ(colorFromHsv(hsv).rgb(), orange.rgb());

    const HsvColor grey = hsvFromColor(QColor(128, 128, 128), 0.6);
    EXPECT_DOUBLE_EQ(grey.hue, 0.6);
    EXPECT_EQ(grey.saturation, 0.0);
    const HsvColor black = hsvFromColor(Qt::black, 0.25);
    EXPECT_DOUBLE_EQ(black.hue, 0.25);
    EXPECT_EQ(black.brightness, 0.0);
}

TEST(CustomColorTest, OutOfRangeComponentsAreClampedAndHueOneIsRed) {
    EXPECT_EQ(colorFromHsv(HsvColor{1.0, 1.0, 1.0}).rgb(), QColor(255, 0, 0).rgb());
    EXPECT_EQ(colorFromHsv(HsvColor{-0.5, 2.0, 7.0}).rgb(), QColor(255, 0, 0).rgb());
    EXPECT_EQ(colorFromHsv(HsvColor{std::nan(""), 0.0, 1.0}).rgb(), QColor(255, 255, 255).rgb());
}

TEST(CustomColorTest, TheSquareMapsSaturationRightwardsAndBrightnessUpwards) {
    const QSizeF square(200, 100);
    const HsvColor start{0.3, 0.5, 0.5};
    EXPECT_EQ(hsvAtSquarePoint(start, square, QPointF(0, 0)), (HsvColor{0.3, 0.0, 1.0}));
    EXPECT_EQ(hsvAtSquarePoint(start, square, QPointF(200, 100)), (HsvColor{0.3, 1.0, 0.0}));
    EXPECT_EQ(hsvAtSquarePoint(start, square, QPointF(50, 25)), (HsvColor{0.3, 0.25, 0.75}));
    // A drag past the edges stays on them.
    EXPECT_EQ(hsvAtSquarePoint(start, square, QPointF(-40, 900)), (HsvColor{0.3, 0.0, 0.0}));
    EXPECT_EQ(squarePointOf(HsvColor{0.3, 0.25, 0.75}, square), QPointF(50, 25));
    EXPECT_EQ(hsvAtSquarePoint(start, QSizeF(0, 0), QPointF(5, 5)), (HsvColor{0.3, 0.0, 1.0}));
}

TEST(CustomColorTest, TheHueStripRunsFromRedToJustBeforeRedAgain) {
    EXPECT_EQ(hueAtStripPosition(360, 0), 0.0);
    EXPECT_DOUBLE_EQ(hueAtStripPosition(360, 120), 1.0 / 3.0);
    // The right end is not stored as 0, which would throw the marker back to the left end.
    EXPECT_LT(hueAtStripPosition(360, 360), 1.0);
    EXPECT_GT(hueAtStripPosition(360, 400), 0.99);
    EXPECT_EQ(hueAtStripPosition(0, 10), 0.0);
    EXPECT_DOUBLE_EQ(stripPositionOfHue(360, 0.5), 180.0);
}

} // namespace
} // namespace tessly
