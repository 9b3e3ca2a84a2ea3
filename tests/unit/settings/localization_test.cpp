#include "settings/localization.h"

#include "platform/main_bundle.h"
#include "settings/app_settings.h"
#include "support/in_memory_notification_bus.h"
#include "support/in_memory_user_defaults.h"
#include "support/recording_console.h"
#include "support/recording_login_items.h"
#include "support/temp_home.h"
#include "support/virtual_time.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace tessly::testing {
namespace {

class LocalizationTest : public ::testing::Test {
protected:
    /// A bundle in the temporary home with the given string tables.
    MainBundle bundleWith(const QMap<QString, QByteArray>& tables) {
        for (auto it = tables.begin(); it != tables.end(); ++it) {
            home.write("B.app/Contents/Resources/" + it.key() + ".lproj/Localizable.json", it.value());
        }
        home.write("B.app/Contents/Info.plist",
                   writePropertyList(PlistDictionary{{"CFBundleIdentifier", "x.y"}}, PlistFormat::Xml));
        return MainBundle(home.path() + "/B.app", {});
    }

    TempHome home;
    VirtualTime time;
    InMemoryUserDefaults defaults;
    NotificationCenter notifications;
    InMemoryNotificationBus bus;
    InMemoryDistributedNotificationCenter distributed{bus, time};
    RecordingLoginItems loginItems;
    RecordingConsole console;
    AppSettings settings{defaults, notifications, distributed,    loginItems,
                         console,  home.paths(),  QString("x.y"), time};
};

TEST(PluralRules, UkrainianAndEnglishSuffixes) {
    const std::vector<std::pair<std::int64_t, const char*>> ukrainian = {
        {1, ".one"},   {21, ".one"},  {101, ".one"}, {11, ".many"},  {111, ".many"},
        {2, ".few"},   {3, ".few"},   {4, ".few"},   {22, ".few"},   {104, ".few"},
        {12, ".many"}, {13, ".many"}, {14, ".many"}, {112, ".many"}, {0, ".many"},
        {5, ".many"},  {10, ".many"}, {25, ".many"}, {-1, ".one"},   {-3, ".few"}};
    for (const auto& [n, suffix] : ukrainian) {
        EXPECT_EQ(pluralSuffix(AppLanguage::ukrainian, n), suffix) << n;
    }
    for (const auto& [n, suffix] : std::vector<std::pair<std::int64_t, const char*>>{
             {1, ".one"}, {0, ".many"}, {2, ".many"}, {11, ".many"}, {-1, ".many"}}) {
        EXPECT_EQ(pluralSuffix(AppLanguage::english, n), suffix) << n;
    }
    EXPECT_EQ(pluralSuffix(AppLanguage::ukrainian, std::numeric_limits<std::int64_t>::min()), ".many");
}

TEST(FormatLocalized, SpecifiersPositionsAndFaults) {
    const QLocale uk = localeForLanguage(AppLanguage::ukrainian);
    const QLocale en = localeForLanguage(AppLanguage::english);
    EXPECT_EQ(formatLocalized("%lld програми", {3}, uk), "3 програми");
    EXPECT_EQ(formatLocalized("%2$@ has %1$lld", {5, "Work"}, en), "Work has 5");
    EXPECT_EQ(formatLocalized("%.2f / %d%%", {0.645, 7}, uk), "0,65 / 7%");
    EXPECT_EQ(formatLocalized("[%5d|%-3s]", {42, "a"}, en), "[   42|a  ]");
    // A missing or mistyped argument keeps its specifier instead of crashing or shifting the text.
    EXPECT_EQ(formatLocalized("%lld and %@", {}, en), "%lld and %@");
    EXPECT_EQ(formatLocalized("%d", {"text"}, en), "%d");
    EXPECT_EQ(formatLocalized("100%", {}, en), "100%");
    EXPECT_EQ(formatLocalized("%9$@", {"x"}, en), "%9$@");
}

TEST_F(LocalizationTest, LookupFollowsTheLanguageAndFallsBack) {
    const MainBundle bundle =
        bundleWith({{"en", R"({"menu.quit":"Quit Tessly","main.app_count.one":"%lld app"})"},
                    {"uk", R"({"menu.quit":"Вийти з Tessly"})"}});
    Localization l10n(settings, bundle);
    EXPECT_EQ(l10n.localizedString("menu.quit"), "Quit Tessly");
    EXPECT_EQ(l10n.localizedString(l10n.pluralKey("main.app_count", 1), {1}), "1 app");
    EXPECT_EQ(l10n.localizedString("missing %lld", {4}), "missing 4") << "a missing key shows as itself";
    EXPECT_EQ(l10n.formatNumber(0.64, 2), "0.64");
    EXPECT_EQ(l10n.formatNumber(0.64, 0), "1");
    EXPECT_EQ(l10n.pointsLabel(52), "52 pt");

    settings.setLanguage(AppLanguage::ukrainian);
    EXPECT_EQ(l10n.localizedString("menu.quit"), "Вийти з Tessly") << "switched without restarting";
    EXPECT_TRUE(l10n.localizedBundle().endsWith("/uk.lproj"));
    EXPECT_EQ(l10n.formatNumber(0.64, 2), "0,64");
    EXPECT_EQ(l10n.pointsLabel(52), "52 пт");
}

TEST_F(LocalizationTest, WithoutAUkrainianTableTheMainBundlesTableServes) {
    const MainBundle bundle = bundleWith({{"en", R"({"menu.quit":"Quit Tessly"})"}});
    settings.setLanguage(AppLanguage::ukrainian);
    Localization l10n(settings, bundle);
    EXPECT_EQ(l10n.localizedString("menu.quit"), "Quit Tessly");
    EXPECT_EQ(l10n.localizedBundle(), bundle.resourcePath());
}

// Every key of the shipped tables exists in both languages, with the same format specifiers, and every
// counted key has the plural forms its language uses.
TEST(StringTables, BothLanguagesCarryEveryKeyWithMatchingSpecifiers) {
    auto load = [](const char* code) {
        QFile file(QString(TESSLY_SOURCE_DIR) + "/resources/" + code + ".lproj/Localizable.json");
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << code;
        return QJsonDocument::fromJson(file.readAll()).object();
    };
    const QJsonObject en = load("en");
    const QJsonObject uk = load("uk");
    const QRegularExpression specifier(
        QStringLiteral("%(\\d+\\$)?[-+ 0#]*\\d*(\\.\\d+)?(hh|h|ll|l|q|z|t|j|L)?[diuxXofFeEgGaA@s]"));
    auto specifiers = [&](const QString& text) {
        QStringList found;
        for (auto it = specifier.globalMatch(text); it.hasNext();) {
            found.append(it.next().captured(0));
        }
        return found;
    };
    auto base = [](QString key) { return key.remove(QRegularExpression("\\.(one|few|many)$")); };
    QSet<QString> enBases;
    QSet<QString> ukBases;
    for (const QString& key : en.keys()) {
        enBases.insert(base(key));
    }
    for (const QString& key : uk.keys()) {
        ukBases.insert(base(key));
    }
    EXPECT_EQ(enBases, ukBases);
    for (const QString& key : en.keys()) {
        const QString b = base(key);
        const QString ukText = uk.contains(key) ? uk.value(key).toString() : uk.value(b + ".many").toString();
        EXPECT_EQ(specifiers(en.value(key).toString()), specifiers(ukText)) << key.toStdString();
    }
    for (const char* counted : {"main.app_count", "main.folder_count"}) {
        for (const char* suffix : {".one", ".many"}) {
            EXPECT_TRUE(en.contains(QString(counted) + suffix)) << counted << suffix;
        }
        for (const char* suffix : {".one", ".few", ".many"}) {
            EXPECT_TRUE(uk.contains(QString(counted) + suffix)) << counted << suffix;
        }
    }
    for (const char* key :
         {"app.name", "main.search_placeholder", "settings.popup.columns", "settings.about.version",
          "onboarding.quick.launch.subtitle", "menu.quit", "Add apps to get started."}) {
        EXPECT_TRUE(en.contains(key) && uk.contains(key)) << key;
    }
}

} // namespace
} // namespace tessly::testing
