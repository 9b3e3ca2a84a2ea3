#include "settings/localization.h"

#include "platform/main_bundle.h"
#include "platform/notification_center.h"
#include "platform/property_list.h"
#include "settings/app_settings.h"
#include "support/in_memory_notification_bus.h"
#include "support/in_memory_user_defaults.h"
#include "support/recording_console.h"
#include "support/recording_login_items.h"
#include "support/temp_home.h"
#include "support/virtual_time.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <vector>

namespace tessly {
namespace {

using testing::InMemoryDistributedNotificationCenter;
using testing::InMemoryNotificationBus;
using testing::InMemoryUserDefaults;
using testing::RecordingConsole;
using testing::RecordingLoginItems;
using testing::TempHome;
using testing::VirtualTime;

const QLocale kEnglish = localeForLanguage(AppLanguage::english);
const QLocale kUkrainian = localeForLanguage(AppLanguage::ukrainian);

/// The settings a Localization reads its language from, over doubles.
struct SettingsHarness {
    TempHome home;
    InMemoryUserDefaults defaults;
    NotificationCenter center;
    VirtualTime time;
    InMemoryNotificationBus bus;
    InMemoryDistributedNotificationCenter distributed{bus, time};
    RecordingLoginItems loginItems;
    RecordingConsole console;
    AppSettings settings{defaults, center,       distributed,  loginItems,
                         console,  home.paths(), std::nullopt, time};
};

class LocalizationTest : public ::testing::Test {
protected:
    LocalizationTest() {
        writeInfoPlist({{"CFBundleIdentifier", "app.tessly.Tessly"}, {"CFBundleDevelopmentRegion", "en"}});
        writeTable("en", R"({"settings.title": "Settings", "main.app_count.one": "%lld app",
                             "main.app_count.many": "%lld apps", "settings.popup.opacity": "Opacity %.1f"})");
        writeTable("uk", R"({"settings.title": "Налаштування", "main.app_count.one": "%lld програма",
                             "main.app_count.few": "%lld програми", "main.app_count.many": "%lld програм",
                             "settings.popup.opacity": "Непрозорість %.1f"})");
    }

    [[nodiscard]] QString bundlePath() const { return home.path() + "/Tessly.app"; }
    [[nodiscard]] QString resources() const { return bundlePath() + "/Contents/Resources"; }

    void writeInfoPlist(const PlistDictionary& info) const {
        QDir().mkpath(bundlePath() + "/Contents");
        ASSERT_TRUE(
            writePropertyListFile(bundlePath() + "/Contents/Info.plist", PlistValue(info), PlistFormat::Xml));
    }
    void writeTable(const QString& code, const QByteArray& json) const {
        home.write("Tessly.app/Contents/Resources/" + code + ".lproj/Localizable.json", json);
    }

    Localization& make() {
        bundle = std::make_unique<MainBundle>(bundlePath(), QStringList{});
        l10n = std::make_unique<Localization>(harness.settings, *bundle, &console);
        return *l10n;
    }

    void useUkrainian() { harness.settings.setLanguage(AppLanguage::ukrainian); }

    TempHome home;
    SettingsHarness harness;
    RecordingConsole console;
    std::unique_ptr<MainBundle> bundle;
    std::unique_ptr<Localization> l10n;
};

// ---- Looking up

TEST_F(LocalizationTest, TextsFollowTheLanguageSettingAtOnce) {
    Localization& l = make();
    EXPECT_EQ(l.localizedString("settings.title"), "Settings");
    EXPECT_EQ(l.localizedBundle(), resources() + "/en.lproj");
    useUkrainian();
    EXPECT_EQ(l.localizedString("settings.title"), "Налаштування");
    EXPECT_EQ(l.localizedBundle(), resources() + "/uk.lproj");
    harness.settings.setLanguage(AppLanguage::english);
    EXPECT_EQ(l.localizedString("settings.title"), "Settings");
}

TEST_F(LocalizationTest, CountedTextsUseThePluralKeyAndTheLanguagesSeparator) {
    Localization& l = make();
    EXPECT_EQ(l.localizedString(l.pluralKey("main.app_count", 1), {1}), "1 app");
    EXPECT_EQ(l.localizedString(l.pluralKey("main.app_count", 3), {3}), "3 apps");
    EXPECT_EQ(l.localizedString("settings.popup.opacity", {0.5}), "Opacity 0.5");
    useUkrainian();
    EXPECT_EQ(l.localizedString(l.pluralKey("main.app_count", 21), {21}), "21 програма");
    EXPECT_EQ(l.localizedString(l.pluralKey("main.app_count", 3), {3}), "3 програми");
    EXPECT_EQ(l.localizedString(l.pluralKey("main.app_count", 11), {11}), "11 програм");
    EXPECT_EQ(l.localizedString("settings.popup.opacity", {0.5}), "Непрозорість 0,5");
}

TEST_F(LocalizationTest, AMissingKeyIsShownAsItselfFormatted) {
    Localization& l = make();
    EXPECT_EQ(l.localizedString("no.such.key"), "no.such.key");
    EXPECT_EQ(l.localizedString("%lld missing", {4}), "4 missing");
    useUkrainian();
    EXPECT_EQ(l.localizedString("Add apps to get started."), "Add apps to get started.");
}

TEST_F(LocalizationTest, WithoutAUkrainianDirectoryUkrainianFallsBackToTheMainBundle) {
    QDir(resources() + "/uk.lproj").removeRecursively();
    Localization& l = make();
    useUkrainian();
    EXPECT_EQ(l.localizedBundle(), resources());
    // The main bundle's own table is that of its development region, English here.
    EXPECT_EQ(l.localizedString("settings.title"), "Settings");
    // Formatting still follows the chosen language.
    EXPECT_EQ(l.localizedString("settings.popup.opacity", {0.5}), "Opacity 0,5");
    EXPECT_TRUE(console.lines.isEmpty());
}

TEST_F(LocalizationTest, AnUnlocalisedTableInTheResourcesIsTheMainBundlesTable) {
    QDir(resources() + "/uk.lproj").removeRecursively();
    home.write("Tessly.app/Contents/Resources/Localizable.json", R"({"settings.title": "Base"})");
    Localization& l = make();
    useUkrainian();
    EXPECT_EQ(l.localizedString("settings.title"), "Base");
}

TEST_F(LocalizationTest, ADamagedTableFallsBackAndIsReportedOnce) {
    writeTable("uk", R"({"settings.title": "Налашту)");
    Localization& l = make();
    useUkrainian();
    EXPECT_EQ(l.localizedString("settings.title"), "Settings");
    EXPECT_EQ(l.localizedString("settings.title"), "Settings");
    EXPECT_EQ(l.localizedBundle(), resources());
    ASSERT_EQ(console.lines.size(), 1);
    EXPECT_TRUE(console.lines.first().startsWith("[Localization] Cannot read string table "));
    EXPECT_TRUE(console.lines.first().contains("uk.lproj/Localizable.json"));
    // The damaged file is only read, never touched.
    EXPECT_EQ(TempHome::read(resources() + "/uk.lproj/Localizable.json"), R"({"settings.title": "Налашту)");
}

TEST_F(LocalizationTest, EntriesThatAreNotTextsShowAsTheirKeysAndTheRestIsKept) {
    writeTable("uk", R"({"settings.title": "Налаштування", "menu.quit": 7, "menu.open": null})");
    Localization& l = make();
    useUkrainian();
    EXPECT_EQ(l.localizedString("settings.title"), "Налаштування");
    EXPECT_EQ(l.localizedString("menu.quit"), "menu.quit");
    ASSERT_EQ(console.lines.size(), 1);
    EXPECT_TRUE(console.lines.first().contains("menu.quit"));
    EXPECT_TRUE(console.lines.first().contains("menu.open"));
}

TEST_F(LocalizationTest, ATableIsReadOnlyOnce) {
    Localization& l = make();
    EXPECT_EQ(l.localizedString("settings.title"), "Settings");
    writeTable("en", R"({"settings.title": "Changed on disk"})");
    EXPECT_EQ(l.localizedString("settings.title"), "Settings");
}

TEST_F(LocalizationTest, ABundleWithoutTablesShowsKeys) {
    QDir(resources()).removeRecursively();
    Localization& l = make();
    EXPECT_EQ(l.localizedString("settings.title"), "settings.title");
    EXPECT_EQ(l.localizedBundle(), resources());
}

// ---- Numbers

TEST_F(LocalizationTest, FormatNumberUsesTheLanguagesSeparatorsAndExactDigits) {
    Localization& l = make();
    EXPECT_EQ(l.formatNumber(0.64, 2), "0.64");
    EXPECT_EQ(l.formatNumber(0.64, 0), "1");
    EXPECT_EQ(l.formatNumber(0.5, 3), "0.500");
    EXPECT_EQ(l.formatNumber(1234567.5, 1), "1,234,567.5");
    EXPECT_EQ(l.formatNumber(-3.0, 1), "-3.0");
    EXPECT_EQ(l.formatNumber(12, -2), "12");
    useUkrainian();
    EXPECT_EQ(l.formatNumber(0.64, 2), "0,64");
    EXPECT_EQ(l.formatNumber(0.64, 0), "1");
    EXPECT_EQ(l.formatNumber(1234567.5, 1), QString::fromUtf8("1\u00a0234\u00a0567,5"));
}

TEST_F(LocalizationTest, FormatNumberRoundsHalvesToEven) {
    Localization& l = make();
    EXPECT_EQ(l.formatNumber(0.125, 2), "0.12");
    EXPECT_EQ(l.formatNumber(0.135, 2), "0.14");
    EXPECT_EQ(l.formatNumber(2.5, 0), "2");
    EXPECT_EQ(l.formatNumber(3.5, 0), "4");
    EXPECT_EQ(l.formatNumber(-2.5, 0), "-2");
    EXPECT_EQ(l.formatNumber(0.1251, 2), "0.13");
    EXPECT_EQ(l.formatNumber(9.995, 2), "10.00");
    EXPECT_EQ(l.formatNumber(999.5, 0), "1,000");
}

TEST_F(LocalizationTest, FormatNumberOfNonFiniteValuesIsNotEmpty) {
    Localization& l = make();
    EXPECT_FALSE(l.formatNumber(std::numeric_limits<double>::quiet_NaN(), 2).isEmpty());
    EXPECT_FALSE(l.formatNumber(std::numeric_limits<double>::infinity(), 0).isEmpty());
}

TEST_F(LocalizationTest, PointsLabelNamesTheUnitInTheLanguage) {
    Localization& l = make();
    EXPECT_EQ(l.pointsLabel(52), "52 pt");
    EXPECT_EQ(l.pointsLabel(1234), "1234 pt");
    useUkrainian();
    EXPECT_EQ(l.pointsLabel(52), "52 пт");
}

// ---- Plural suffixes

TEST(PluralSuffixTest, Ukrainian) {
    const auto suffix = [](std::int64_t n) { return pluralSuffix(AppLanguage::ukrainian, n); };
    for (std::int64_t n : {1, 21, 101, -1, 1001}) {
        EXPECT_EQ(suffix(n), ".one") << n;
    }
    for (std::int64_t n : {2, 3, 4, 22, 104, -3, 1002}) {
        EXPECT_EQ(suffix(n), ".few") << n;
    }
    for (std::int64_t n : {11, 111, 12, 13, 14, 112, 0, 5, 10, 25, -11, -12}) {
        EXPECT_EQ(suffix(n), ".many") << n;
    }
    // The most negative integer has no positive counterpart; its magnitude still ends in 8.
    EXPECT_EQ(suffix(std::numeric_limits<std::int64_t>::min()), ".many");
}

TEST(PluralSuffixTest, English) {
    EXPECT_EQ(pluralSuffix(AppLanguage::english, 1), ".one");
    for (std::int64_t n : {0, 2, 11, 21, -1}) {
        EXPECT_EQ(pluralSuffix(AppLanguage::english, n), ".many") << n;
    }
}

// ---- printf-style formatting

struct FormatCase {
    const char* format;
    FormatArguments arguments;
    const char* expected;
};

void expectFormats(const std::vector<FormatCase>& cases, const QLocale& locale) {
    for (const FormatCase& c : cases) {
        EXPECT_EQ(formatLocalized(QString::fromUtf8(c.format), c.arguments, locale),
                  QString::fromUtf8(c.expected))
            << c.format;
    }
}

TEST(FormatLocalizedTest, ConversionsWithTheirArguments) {
    expectFormats(
        {
            {"%d apps", {-5}, "-5 apps"},
            {"%i", {42}, "42"},
            {"%u", {7}, "7"},
            {"%ld|%lld|%qd", {1, 2, 3}, "1|2|3"},
            {"%lld", {std::numeric_limits<std::int64_t>::max()}, "9223372036854775807"},
            {"%x %X %o", {255, 255, 8}, "ff FF 10"},
            {"Version %@", {"1.2.0"}, "Version 1.2.0"},
            {"%s!", {QStringLiteral("Робота")}, "Робота!"},
            {"%f", {1.5}, "1.500000"},
            {"%.2f", {3.14159}, "3.14"},
            {"%.0f", {2.7}, "3"},
            {"%g|%g", {0.0001, 1e20}, "0.0001|1e+20"},
            {"%e", {1234.5}, "1.234500e+03"},
            {"100%%", {}, "100%"},
            {"%05.1f|%-4d|%+d|%3@", {2.26, 7, 3, "a"}, "002.3|7   |+3|  a"},
            {"%.2f", {3}, "3.00"}, // an integer where a double is expected converts
            {"%.2f|%.1f|%.0f", {0.125, -0.25, 0.5}, "0.12|-0.2|0"}, // exact ties go to even, as in C
            {"%08.2f|%+.1e|%G|%F|%a",
             {-3.14159, 12345.0, 1e-10, std::numeric_limits<double>::infinity(), 1.0},
             "-0003.14|+1.2e+04|1E-10|INF|0x1p+0"},
            {"%@ and %@", {3, 0.5}, "3 and 0.5"},
        },
        kEnglish);
}

TEST(FormatLocalizedTest, PositionalArguments) {
    expectFormats(
        {
            {"%2$@ has %1$lld apps", {3, "Work"}, "Work has 3 apps"},
            {"%1$@ %1$@", {"echo"}, "echo echo"},
            {"%2$.1f", {1, 2.25}, "2.2"},
            {"%1$lld, then %@", {9, "first"}, "9, then 9"},
        },
        kEnglish);
}

TEST(FormatLocalizedTest, UkrainianWritesADecimalComma) {
    expectFormats(
        {
            {"%.2f", {0.64}, "0,64"},
            {"%g", {1.5}, "1,5"},
            {"%f", {2.0}, "2,000000"},
            {"%e", {1234.5}, "1,234500e+03"},
            {"%d", {1234567}, "1234567"}, // printf-style integers are never grouped
            {"%lld програми", {3}, "3 програми"},
        },
        kUkrainian);
}

TEST(FormatLocalizedTest, MissingMismatchedAndUnknownSpecifiersStayAsWritten) {
    expectFormats(
        {
            {"Version %@", {}, "Version %@"},
            {"%lld apps", {"three"}, "%lld apps"},
            {"%d apps", {1.5}, "%d apps"},
            {"%.1f", {"x"}, "%.1f"},
            {"%3$@ of %1$lld", {1}, "%3$@ of 1"},
            {"%0$@", {"a"}, "%0$@"},
            {"%lld and %lld", {1}, "1 and %lld"},
            {"%y%", {1}, "%y%"},
            {"50% off", {}, "50% off"},
            {"%d% off", {5}, "5% off"},
            {"trailing %", {}, "trailing %"},
            {"%l", {1}, "%l"},
            {"%99999999d", {1}, "%99999999d"},
            {"%.99999999f", {1.0}, "%.99999999f"},
            {"%*d", {3, 4}, "%*d"},
            {"%é", {1}, "%é"},
        },
        kEnglish);
}

TEST(FormatLocalizedTest, TextWithoutSpecifiersIsUnchanged) {
    const QString text = QStringLiteral("Налаштування…");
    EXPECT_EQ(formatLocalized(text, {1, "unused"}, kUkrainian), text);
}

} // namespace
} // namespace tessly
