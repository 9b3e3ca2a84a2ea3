#include "settings/localization.h"

#include "platform/main_bundle.h"
#include "platform/property_list.h"
#include "support/settings_harness.h"

#include <QDir>

#include <gtest/gtest.h>

#include <limits>

namespace tessly {
namespace {

using testing::TempHome;

class LocalizationTest : public ::testing::Test, protected testing::SettingsHarness {
protected:
    LocalizationTest() {
        QDir().mkpath(bundlePath() + "/Contents");
        EXPECT_TRUE(writePropertyListFile(bundlePath() + "/Contents/Info.plist",
                                          PlistValue(PlistDictionary{{"CFBundleDevelopmentRegion", "en"}}),
                                          PlistFormat::Xml));
        writeTable("en", R"({"settings.title": "Settings", "main.app_count.one": "%lld app",
                             "main.app_count.many": "%lld apps", "opacity": "Opacity %.1f"})");
        writeTable("uk", R"({"settings.title": "Налаштування", "main.app_count.one": "%lld програма",
                             "main.app_count.few": "%lld програми", "main.app_count.many": "%lld програм",
                             "opacity": "Непрозорість %.1f"})");
        SettingsHarness::make(std::nullopt);
    }

    [[nodiscard]] QString bundlePath() const { return home.path() + "/Tessly.app"; }
    [[nodiscard]] QString resources() const { return bundlePath() + "/Contents/Resources"; }
    void writeTable(const QString& code, const QByteArray& json) const {
        home.write("Tessly.app/Contents/Resources/" + code + ".lproj/Localizable.json", json);
    }
    Localization& l10n() {
        if (!m_l10n) {
            m_bundle = std::make_unique<MainBundle>(bundlePath(), QStringList{});
            m_l10n = std::make_unique<Localization>(*settings, *m_bundle, &console);
        }
        return *m_l10n;
    }
    void useUkrainian() { settings->setLanguage(AppLanguage::ukrainian); }

private:
    std::unique_ptr<MainBundle> m_bundle;
    std::unique_ptr<Localization> m_l10n;
};

TEST_F(LocalizationTest, TextsFollowTheLanguageAtOnce) {
    Localization& l = l10n();
    EXPECT_EQ(l.localizedString("settings.title"), "Settings");
    EXPECT_EQ(l.localizedString(l.pluralKey("main.app_count", 3), {3}), "3 apps");
    EXPECT_EQ(l.localizedString("opacity", {0.5}), "Opacity 0.5");
    EXPECT_EQ(l.localizedBundleForTesting(), resources() + "/en.lproj");
    useUkrainian();
    EXPECT_EQ(l.localizedString("settings.title"), "Налаштування");
    EXPECT_EQ(l.localizedString(l.pluralKey("main.app_count", 21), {21}), "21 програма");
    EXPECT_EQ(l.localizedString(l.pluralKey("main.app_count", 3), {3}), "3 програми");
    EXPECT_EQ(l.localizedString("opacity", {0.5}), "Непрозорість 0,5");
    EXPECT_EQ(l.localizedBundleForTesting(), resources() + "/uk.lproj");
}

TEST_F(LocalizationTest, AMissingKeyIsShownAsItselfFormatted) {
    EXPECT_EQ(l10n().localizedString("no.such.key"), "no.such.key");
    EXPECT_EQ(l10n().localizedString("%lld missing", {4}), "4 missing");
}

TEST_F(LocalizationTest, WithoutAUkrainianDirectoryTheMainBundlesTableServes) {
    QDir(resources() + "/uk.lproj").removeRecursively();
    useUkrainian();
    EXPECT_EQ(l10n().localizedBundleForTesting(), resources());
    EXPECT_EQ(l10n().localizedString("settings.title"), "Settings"); // its development region's table
    EXPECT_EQ(l10n().localizedString("opacity", {0.5}), "Opacity 0,5");
    EXPECT_TRUE(console.lines.isEmpty());
}

TEST_F(LocalizationTest, ADamagedTableFallsBackIsReportedOnceAndIsLeftAlone) {
    writeTable("uk", R"({"settings.title": "Налашту)");
    useUkrainian();
    EXPECT_EQ(l10n().localizedString("settings.title"), "Settings");
    EXPECT_EQ(l10n().localizedString("settings.title"), "Settings");
    ASSERT_EQ(console.lines.size(), 1);
    EXPECT_TRUE(console.lines.first().startsWith("[Localization] Cannot read string table "));
    EXPECT_TRUE(console.lines.first().contains("uk.lproj/Localizable.json"));
    EXPECT_EQ(TempHome::read(resources() + "/uk.lproj/Localizable.json"), R"({"settings.title": "Налашту)");
}

TEST_F(LocalizationTest, EntriesThatAreNotTextsShowAsKeysAndTheRestIsKept) {
    writeTable("uk", R"({"settings.title": "Налаштування", "menu.quit": 7})");
    useUkrainian();
    EXPECT_EQ(l10n().localizedString("settings.title"), "Налаштування");
    EXPECT_EQ(l10n().localizedString("menu.quit"), "menu.quit");
    ASSERT_EQ(console.lines.size(), 1);
    EXPECT_TRUE(console.lines.first().contains("menu.quit"));
}

TEST_F(LocalizationTest, FormatNumberUsesTheLocalesSeparatorsAndRoundsHalvesToEven) {
    Localization& l = l10n();
    EXPECT_EQ(l.formatNumber(0.64, 2), "0.64");
    EXPECT_EQ(l.formatNumber(0.64, 0), "1");
    EXPECT_EQ(l.formatNumber(1234567.5, 1), "1,234,567.5");
    EXPECT_EQ(l.formatNumber(12, -2), "12");
    EXPECT_EQ(l.formatNumber(0.125, 2), "0.12");
    EXPECT_EQ(l.formatNumber(0.135, 2), "0.14");
    EXPECT_EQ(l.formatNumber(-2.5, 0), "-2");
    EXPECT_EQ(l.formatNumber(9.995, 2), "10.00");
    useUkrainian();
    EXPECT_EQ(l.formatNumber(0.64, 2), "0,64");
    EXPECT_EQ(l.formatNumber(0.64, 0), "1");
    EXPECT_EQ(l.formatNumber(1234567.5, 1), QString::fromUtf8("1\u00a0234\u00a0567,5"));
}

TEST_F(LocalizationTest, PointsLabelNamesTheUnitInTheLanguage) {
    EXPECT_EQ(l10n().pointsLabel(52), "52 pt");
    useUkrainian();
    EXPECT_EQ(l10n().pointsLabel(52), "52 пт");
}

TEST(PluralSuffixTest, UkrainianAndEnglish) {
    const auto uk = [](std::int64_t n) { return pluralSuffix(AppLanguage::ukrainian, n); };
    for (std::int64_t n : {1, 21, 101, -1}) {
        EXPECT_EQ(uk(n), ".one") << n;
    }
    for (std::int64_t n : {2, 3, 4, 22, 104, -3}) {
        EXPECT_EQ(uk(n), ".few") << n;
    }
    for (std::int64_t n : {11, 111, 12, 13, 14, 112, 0, 5, 10, 25}) {
        EXPECT_EQ(uk(n), ".many") << n;
    }
    EXPECT_EQ(uk(std::numeric_limits<std::int64_t>::min()), ".many"); // its magnitude ends in 8
    EXPECT_EQ(pluralSuffix(AppLanguage::english, 1), ".one");
    for (std::int64_t n : {0, 2, 11, -1}) {
        EXPECT_EQ(pluralSuffix(AppLanguage::english, n), ".many") << n;
    }
}

void expectFormats(const std::vector<std::tuple<const char*, FormatArguments, const char*>>& cases,
                   AppLanguage language) {
    for (const auto& [format, arguments, expected] : cases) {
        EXPECT_EQ(formatLocalized(QString::fromUtf8(format), arguments, localeForLanguage(language)),
                  QString::fromUtf8(expected))
            << format;
    }
}

TEST(FormatLocalizedTest, ConversionsAndPositions) {
    const double infinity = std::numeric_limits<double>::infinity();
    expectFormats({{"%d|%i|%u|%ld|%lld|%qd", {-5, 42, 7, 1, 2, 3}, "-5|42|7|1|2|3"},
                   {"%x %X %o", {255, 255, 8}, "ff FF 10"},
                   {"Version %@, %s!", {"1.2.0", QStringLiteral("Робота")}, "Version 1.2.0, Робота!"},
                   {"%f|%.2f|%g|%g|%e",
                    {1.5, 3.14159, 0.0001, 1e20, 1234.5},
                    "1.500000|3.14|0.0001|1e+20|1.234500e+03"},
                   {"%.2f|%.1f|%.0f", {0.125, -0.25, 0.5}, "0.12|-0.2|0"}, // exact ties go to even, as in C
                   {"%08.2f|%+.1e|%G|%F|%a",
                    {-3.14159, 12345.0, 1e-10, infinity, 1.0},
                    "-0003.14|+1.2e+04|1E-10|INF|0x1p+0"},
                   {"%05.1f|%-4d|%+d|%3@|100%%", {2.26, 7, 3, "a"}, "002.3|7   |+3|  a|100%"},
                   {"%.2f|%@ and %@", {3, 3, 0.5}, "3.00|3 and 0.5"},
                   {"%2$@ has %1$lld apps", {3, "Work"}, "Work has 3 apps"},
                   {"%1$@ %1$@|%2$.1f", {"echo", 2.25}, "echo echo|2.2"}},
                  AppLanguage::english);
    expectFormats({{"%.2f|%g|%e", {0.64, 1.5, 1234.5}, "0,64|1,5|1,234500e+03"},
                   {"%d", {1234567}, "1234567"}}, // printf-style integers are never grouped
                  AppLanguage::ukrainian);
}

TEST(FormatLocalizedTest, MissingMismatchedAndUnknownSpecifiersStayAsWritten) {
    expectFormats({{"Version %@", {}, "Version %@"},
                   {"%lld apps|%d|%.1f", {"three", 1.5, "x"}, "%lld apps|%d|%.1f"},
                   {"%3$@ of %1$lld|%0$@", {1}, "%3$@ of 1|%0$@"},
                   {"%lld and %lld", {1}, "1 and %lld"},
                   {"%y% 50% off", {}, "%y% 50% off"},
                   {"%d% off", {5}, "5% off"}, // "% o" would be octal, but has no argument left
                   {"trailing %|%l", {}, "trailing %|%l"},
                   {"%99999999d|%.99999999f|%*d|%é", {1, 1.0, 3, 4}, "%99999999d|%.99999999f|%*d|%é"}},
                  AppLanguage::english);
}

} // namespace
} // namespace tessly
