// The sliders' ranges, steps and value labels, and the pickers' choices, in both languages.
#include "mainwindow/settings_pages/settings_values.h"

#include "platform/main_bundle.h"
#include "settings/localization.h"
#include "support/settings_harness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tessly {
namespace {

class SettingsValuesTest : public ::testing::Test, protected testing::SettingsHarness {
protected:
    MainBundle bundle{home.path() + "/Tessly.app", {}};
    Localization l10n{make(), bundle};
};

TEST_F(SettingsValuesTest, PointLabelsNameTheUnitOfTheLanguage) {
    EXPECT_EQ(sliderValueLabel(l10n, kCornerRadiusSlider, 12.0), "12 pt");
    EXPECT_EQ(sliderValueLabel(l10n, kPopupIconSizeSlider, 52.4), "52 pt");
    settings->setLanguage(AppLanguage::ukrainian);
    EXPECT_EQ(sliderValueLabel(l10n, kCornerRadiusSlider, 12.0), "12 пт");
    // A stored value outside the slider's range is labelled as it is, not as where the thumb stops.
    EXPECT_EQ(sliderValueLabel(l10n, kCornerRadiusSlider, 2.0), "2 пт");
}

TEST_F(SettingsValuesTest, FractionsAreWholePercentagesAndWidthsHaveOneDecimalInTheLanguage) {
    EXPECT_EQ(sliderValueLabel(l10n, kTileOpacitySlider, 0.64), "64%");
    EXPECT_EQ(sliderValueLabel(l10n, kBorderOpacitySlider, 0.0), "0%");
    EXPECT_EQ(sliderValueLabel(l10n, kPopupOpacitySlider, 1.0), "100%");
    EXPECT_EQ(percentLabel(l10n, 0.955), "96%");
    EXPECT_EQ(percentLabel(l10n, std::numeric_limits<double>::quiet_NaN()), "0%");
    EXPECT_EQ(sliderValueLabel(l10n, kBorderWidthSlider, 1.5), "1.5");
    settings->setLanguage(AppLanguage::ukrainian);
    EXPECT_EQ(sliderValueLabel(l10n, kBorderWidthSlider, 1.5), "1,5");
    EXPECT_EQ(sliderValueLabel(l10n, kTileOpacitySlider, 0.3), "30%");
}

TEST_F(SettingsValuesTest, SlidersCoverTheirRangesAndNoMore) {
    EXPECT_EQ(sliderValueAtFraction(kPopupIconSizeSlider, -0.5), 40.0);
    EXPECT_EQ(sliderValueAtFraction(kPopupIconSizeSlider, 2.0), 72.0);
    EXPECT_EQ(steppedSliderValue(kPopupIconSizeSlider, 40.0, -1), 40.0);
    EXPECT_EQ(steppedSliderValue(kPopupIconSizeSlider, 72.0, 10), 72.0);
    EXPECT_EQ(clampedSliderValue(kPopupIconSizeSlider, std::numeric_limits<double>::quiet_NaN()), 40.0);
    EXPECT_EQ(sliderValueAtFraction(kCornerRadiusSlider, 0.0), 4.0);
    EXPECT_EQ(sliderValueAtFraction(kCornerRadiusSlider, 1.0), 20.0);
    EXPECT_EQ(sliderValueAtFraction(kTileOpacitySlider, 0.0), 0.3);
    EXPECT_EQ(sliderValueAtFraction(kBorderWidthSlider, 1.0), 15.0);
    EXPECT_EQ(sliderValueAtFraction(kPopupOpacitySlider, 0.0), 0.5);
    EXPECT_DOUBLE_EQ(sliderFraction(kCornerRadiusSlider, 12.0), 0.5);
    EXPECT_EQ(sliderFraction(kCornerRadiusSlider, 100.0), 1.0);
}

TEST_F(SettingsValuesTest, ValuesSnapToTheStepAndReadBackExactly) {
    // Three steps of 0.1 above 0.5 are stored as the 0.8 the label shows, not 0.8000000000000003.
    EXPECT_EQ(steppedSliderValue(kBorderWidthSlider, 0.5, 3), 0.8);
    EXPECT_EQ(steppedSliderValue(kTileOpacitySlider, 0.64, 1), 0.65);
    EXPECT_EQ(steppedSliderValue(kTileOpacitySlider, 0.645, -1), 0.64);
    EXPECT_EQ(sliderValueAtFraction(kCornerRadiusSlider, 0.52), 12.0);
    // A value between steps moves to the nearest step first.
    EXPECT_EQ(steppedSliderValue(kCornerRadiusSlider, 11.6, 1), 13.0);
}

TEST_F(SettingsValuesTest, ColumnsOfferExactlyThreeToSix) {
    EXPECT_EQ(std::vector<int>(kPopupColumnChoices.begin(), kPopupColumnChoices.end()),
              (std::vector<int>{3, 4, 5, 6}));
}

TEST_F(SettingsValuesTest, LanguagesAreNamedInTheirOwnLanguageWhateverTheInterfaceSpeaks) {
    settings->setLanguage(AppLanguage::ukrainian);
    EXPECT_EQ(languageDisplayName(AppLanguage::english), "English");
    EXPECT_EQ(languageDisplayName(AppLanguage::ukrainian), "Українська");
}

} // namespace
} // namespace tessly
