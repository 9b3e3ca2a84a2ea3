// The plate's colours: the custom colour's text, the colour of each background style and the fills of the
// three modes.
#include "tile/tile_colors.h"

#include "platform/gui/system_style.h"

#include <gtest/gtest.h>

namespace tessly {
namespace {

// QColor keeps 16 bits a component.
constexpr double kColorTolerance = 1e-4;

void expectColor(const QColor& actual, double r, double g, double b, double a) {
    EXPECT_NEAR(actual.redF(), r, kColorTolerance);
    EXPECT_NEAR(actual.greenF(), g, kColorTolerance);
    EXPECT_NEAR(actual.blueF(), b, kColorTolerance);
    EXPECT_NEAR(actual.alphaF(), a, kColorTolerance);
}

TileStyleSettings styleOf(TileBackground background, double opacity,
                          TileBackgroundMode mode = TileBackgroundMode::solid) {
    TileStyleSettings style;
    style.backgroundStyle = background;
    style.opacity = opacity;
    style.backgroundMode = mode;
    return style;
}

TEST(CustomHexTest, HashCaseAndSurroundingSpacesGiveTheSameColour) {
    for (const char* text : {"#FF8800", "FF8800", "ff8800", "  ff8800  ", " #Ff8800;\n"}) {
        SCOPED_TRACE(text);
        const auto color = parseCustomHex(QString::fromUtf8(text));
        ASSERT_TRUE(color.has_value());
        EXPECT_EQ(color->toRgb().rgba(), qRgba(0xFF, 0x88, 0x00, 0xFF));
    }
    EXPECT_EQ(parseCustomHex(u"000000")->rgba(), qRgba(0, 0, 0, 0xFF));
    EXPECT_EQ(parseCustomHex(u"aBcDeF")->rgba(), qRgba(0xAB, 0xCD, 0xEF, 0xFF));
}

TEST(CustomHexTest, AnythingButSixHexadecimalDigitsIsNoColour) {
    for (const char* text :
         {"FF880", "FF88001", "GG8800", "", "#", "FF 880", "0xFF8800", "FF-880", "#FF8800FF"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(parseCustomHex(QString::fromUtf8(text)).has_value());
    }
}

TEST(PlateColorTest, EachBackgroundStandsForItsColourAtTheStylesOpacity) {
    expectColor(plateBaseColor(styleOf(TileBackground::frosted, 0.64)), 0.9, 0.9, 0.9, 0.85 * 0.64);
    expectColor(plateBaseColor(styleOf(TileBackground::dark, 0.64)), 0.1, 0.1, 0.1, 0.64);
    expectColor(plateBaseColor(styleOf(TileBackground::light, 0.3)), 0.95, 0.95, 0.95, 0.3);
    const std::pair<TileBackground, SystemColor> system[] = {
        {TileBackground::blue, SystemColor::blue},     {TileBackground::green, SystemColor::green},
        {TileBackground::red, SystemColor::red},       {TileBackground::orange, SystemColor::orange},
        {TileBackground::pink, SystemColor::pink},     {TileBackground::purple, SystemColor::purple},
        {TileBackground::yellow, SystemColor::yellow},
    };
    for (const auto& [background, color] : system) {
        SCOPED_TRACE(rawText(background).toStdString());
        const QColor expected = systemColor(color);
        expectColor(plateBaseColor(styleOf(background, 0.5)), expected.redF(), expected.greenF(),
                    expected.blueF(), 0.5);
    }
}

TEST(PlateColorTest, CustomColourFromItsTextOrTheLightPlate) {
    TileStyleSettings style = styleOf(TileBackground::custom, 0.5);
    style.customHex = QStringLiteral("#FF8800");
    expectColor(plateBaseColor(style), 1.0, 136 / 255.0, 0.0, 0.5);
    for (const std::optional<QString>& hex :
         {std::optional<QString>(), std::optional<QString>("FF880"), std::optional<QString>("FF88001"),
          std::optional<QString>("GG8800")}) {
        SCOPED_TRACE(hex.value_or("(absent)").toStdString());
        style.customHex = hex;
        expectColor(plateBaseColor(style), 0.95, 0.95, 0.95, 0.5);
    }
    // A custom text on another background is not used.
    style.backgroundStyle = TileBackground::dark;
    style.customHex = QStringLiteral("FF8800");
    expectColor(plateBaseColor(style), 0.1, 0.1, 0.1, 0.5);
}

TEST(PlateFillTest, GradientRunsFromTheLighterTopThroughTheBaseToTheDarkerBottom) {
    const PlateFill fill =
        plateFill(styleOf(TileBackground::blue, 0.64, TileBackgroundMode::gradient), AppThemeMode::dark);
    ASSERT_EQ(fill.colors.size(), 3);
    // Blue is (0, 122, 255): 62 % toward white at alpha + 0.12, 18 % toward white, 42 % toward black at 92 %.
    const double g = 122 / 255.0;
    expectColor(fill.colors[0], 0.62, g + (1 - g) * 0.62, 1.0, 0.76);
    expectColor(fill.colors[1], 0.18, g + (1 - g) * 0.18, 1.0, 0.64);
    expectColor(fill.colors[2], 0.0, g * 0.58, 0.58, 0.64 * 0.92);
}

TEST(PlateFillTest, GradientAlphasStopAtOneOnTopAndAtTwelvePercentAtTheBottom) {
    PlateFill fill =
        plateFill(styleOf(TileBackground::dark, 0.95, TileBackgroundMode::gradient), AppThemeMode::dark);
    EXPECT_NEAR(fill.colors[0].alphaF(), 1.0, kColorTolerance);
    fill = plateFill(styleOf(TileBackground::dark, 0.1, TileBackgroundMode::gradient), AppThemeMode::dark);
    EXPECT_NEAR(fill.colors[0].alphaF(), 0.22, kColorTolerance);
    EXPECT_NEAR(fill.colors[2].alphaF(), 0.12, kColorTolerance);
}

TEST(PlateFillTest, SolidIsTheBaseColourAlone) {
    const TileStyleSettings style = styleOf(TileBackground::green, 0.7);
    EXPECT_EQ(plateFill(style, AppThemeMode::light), PlateFill{{plateBaseColor(style)}});
}

TEST(PlateFillTest, GlassIsWhiteWhateverTheBackgroundWithAlphasByTheme) {
    for (const TileBackground background : allCases<TileBackground>()) {
        SCOPED_TRACE(rawText(background).toStdString());
        TileStyleSettings style = styleOf(background, 0.5, TileBackgroundMode::glass);
        style.customHex = QStringLiteral("FF8800");
        const PlateFill dark = plateFill(style, AppThemeMode::dark);
        ASSERT_EQ(dark.colors.size(), 2);
        expectColor(dark.colors[0], 1, 1, 1, 0.45 * 0.5);
        expectColor(dark.colors[1], 1, 1, 1, 0.2 * 0.5);
        const PlateFill light = plateFill(style, AppThemeMode::light);
        ASSERT_EQ(light.colors.size(), 2);
        expectColor(light.colors[0], 1, 1, 1, 0.88 * 0.5);
        expectColor(light.colors[1], 1, 1, 1, 0.6 * 0.5);
    }
}

} // namespace
} // namespace tessly
