// The pages' colours: texts stay readable and controls visible in both themes.
#include "mainwindow/controls/settings_style.h"

#include <gtest/gtest.h>

namespace tessly {
namespace {

/// `color` laid over `ground`, as it shows on screen.
QColor over(const QColor& color, const QColor& ground) {
    const double a = color.alphaF();
    return QColor::fromRgbF(static_cast<float>(color.redF() * a + ground.redF() * (1 - a)),
                            static_cast<float>(color.greenF() * a + ground.greenF() * (1 - a)),
                            static_cast<float>(color.blueF() * a + ground.blueF() * (1 - a)));
}

class SettingsStyleTest : public ::testing::TestWithParam<AppThemeMode> {};

TEST_P(SettingsStyleTest, TextsAreReadableOnEveryGroundTheyAreDrawnOn) {
    const SettingsColors c = settingsColors(GetParam());
    for (const QColor& ground : {c.windowBackground, c.sectionBackground}) {
        EXPECT_GE(contrastRatio(c.primaryText, ground), 7.0);
        EXPECT_GE(contrastRatio(c.secondaryText, ground), 4.5);
    }
    EXPECT_GE(contrastRatio(c.onAccent, c.accent), 4.5);
    EXPECT_GE(contrastRatio(c.buttonText, c.buttonFill), 4.5);
    EXPECT_GE(contrastRatio(Qt::white, c.destructive), 3.0);
}

TEST_P(SettingsStyleTest, SectionsAndControlsStandApartFromWhatIsAroundThem) {
    const SettingsColors c = settingsColors(GetParam());
    // Faint on purpose, but there: a section is seen against the window, a track against its section.
    EXPECT_GE(contrastRatio(c.sectionBackground, c.windowBackground), 1.08);
    EXPECT_GE(contrastRatio(c.controlFill, c.sectionBackground), 1.2);
    EXPECT_GE(contrastRatio(c.accent, c.sectionBackground), 3.0);
}

TEST_P(SettingsStyleTest, DisabledTextsFadeButStayVisible) {
    const SettingsColors c = settingsColors(GetParam());
    const QPalette palette = settingsQPalette(c);
    const QColor disabled = over(palette.color(QPalette::Disabled, kPrimaryTextRole), c.sectionBackground);
    const double ratio = contrastRatio(disabled, c.sectionBackground);
    EXPECT_LT(ratio, contrastRatio(c.primaryText, c.sectionBackground));
    EXPECT_GE(ratio, 1.8);
    EXPECT_EQ(palette.color(QPalette::Active, kAccentRole), c.accent);
    EXPECT_EQ(palette.color(QPalette::Inactive, kSectionBackgroundRole), c.sectionBackground);
}

INSTANTIATE_TEST_SUITE_P(BothThemes, SettingsStyleTest,
                         ::testing::Values(AppThemeMode::light, AppThemeMode::dark));

TEST(ContrastRatioTest, BlackOnWhiteIsTwentyOneAndAColourOnItselfIsOne) {
    EXPECT_NEAR(contrastRatio(Qt::black, Qt::white), 21.0, 1e-9);
    EXPECT_NEAR(contrastRatio(Qt::white, Qt::black), 21.0, 1e-9);
    EXPECT_NEAR(contrastRatio(QColor(0x77, 0x77, 0x77), QColor(0x77, 0x77, 0x77)), 1.0, 1e-9);
    EXPECT_NEAR(contrastRatio(QColor(0x76, 0x76, 0x76), Qt::white), 4.54, 0.01);
}

} // namespace
} // namespace tessly
