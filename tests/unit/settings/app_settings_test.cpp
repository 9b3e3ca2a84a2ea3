#include "settings/app_settings.h"

#include "platform/property_list.h"
#include "support/settings_harness.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>
#include <limits>

namespace tessly {
namespace {

using Field = AppSettings::Field;
using testing::TempHome;

const QString kBundleId = QStringLiteral("app.tessly.Tessly");

class AppSettingsTest : public ::testing::Test, protected testing::SettingsHarness {
protected:
    AppSettingsTest() {
        for (const char* name : {"languageChanged", "showMenuBarChanged", "themeChanged",
                                 "tileAppearanceChanged", "popupSettingsChanged"}) {
            center.addObserver(name, [this](const Notification& n) {
                posted.append(n.name);
                EXPECT_FALSE(n.object.isValid()) << n.name.toStdString();
            });
        }
    }

    AppSettings& make(std::optional<QString> bundleId = kBundleId) {
        AppSettings& s = SettingsHarness::make(std::move(bundleId));
        QObject::connect(&s, &AppSettings::changed, [this](Field field) { told.append(field); });
        return s;
    }
    /// Settings read from defaults holding only `key` = `value`.
    AppSettings& readWith(const QString& key, const PlistValue& value) {
        defaults.values = {};
        defaults.values.set(key, value);
        return make();
    }
    void forget() {
        posted.clear();
        told.clear();
        defaults.writes.clear();
        bus.posted.clear();
    }
    [[nodiscard]] PlistValue stored(const QString& key) const {
        const PlistValue* value = defaults.values.find(key);
        return value ? *value : PlistValue(QStringLiteral("<absent>"));
    }

    [[nodiscard]] QString preferencesFile() const { return home.paths().preferencesFile(kBundleId); }
    [[nodiscard]] QString containerFile() const {
        return home.path() + "/Library/Containers/" + kBundleId + "/Data/Library/Preferences/" + kBundleId +
               ".plist";
    }
    /// Writes a property-list file holding `root`, modified at `secondsSince1970`.
    static void writePlist(const QString& path, const PlistDictionary& root, qint64 secondsSince1970) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        ASSERT_TRUE(writePropertyListFile(path, PlistValue(root), PlistFormat::Binary));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime::fromSecsSinceEpoch(secondsSince1970, Qt::UTC),
                                     QFileDevice::FileModificationTime));
    }
    void writeFolderFile(const QByteArray& bytes) {
        home.write("Library/Application Support/Tessly/folders.json", bytes);
    }

    QStringList posted;
    QList<Field> told;
};

// ---- Reading

TEST_F(AppSettingsTest, EmptyDefaultsGiveTheDefaultsAndConstructionWritesNothing) {
    const AppSettings& s = make();
    EXPECT_EQ(std::tuple(s.isUpdating(), s.launchAtLogin(), s.language(), s.showMenuBar(), s.appTheme(),
                         s.hasCompletedOnboarding()),
              std::tuple(false, false, AppLanguage::english, false, AppThemeMode::dark, false));
    EXPECT_EQ(std::tuple(s.tileOpacity(), s.tileCornerRadius(), s.tileBackgroundStyle(),
                         s.tileBackgroundMode(), s.tileBorderEnabled(), s.tileBorderWidth(),
                         s.tileBorderOpacity(), s.tileIconPadding()),
              std::tuple(1.0, 12.0, TileBackground::frosted, TileBackgroundMode::solid, true, 1.0, 0.3, 4.0));
    EXPECT_EQ(std::tuple(s.popupShowTitle(), s.popupColumns(), s.popupIconSize(), s.popupShowAppName(),
                         s.popupPosition(), s.popupBlurStyle(), s.popupOpacity(), s.popupAnimationStyle(),
                         s.singleClickOpensPopup(), s.popupArrowOffset()),
              std::tuple(true, 3, 52.0, true, PopupPosition::aboveDock, PopupBlur::thin, 0.95,
                         PopupAnimation::spring, true, 0.0));
    EXPECT_TRUE(defaults.writes.isEmpty());
    EXPECT_TRUE(posted.isEmpty() && bus.posted.isEmpty() && loginItems.calls.isEmpty());
}

TEST_F(AppSettingsTest, APresentKeyOfAnotherTypeTakesTheDefaultsConversionNotTheDefault) {
    EXPECT_FALSE(readWith("tileBorderEnabled", "NO").tileBorderEnabled());
    EXPECT_FALSE(readWith("popupShowTitle", 0).popupShowTitle());
    EXPECT_FALSE(readWith("singleClickOpensPopup", PlistArray{}).singleClickOpensPopup());
    EXPECT_TRUE(readWith("launchAtLogin", "YES").launchAtLogin());
    EXPECT_EQ(readWith("tileBorderWidth", "wide").tileBorderWidth(), 0.0);
    EXPECT_EQ(readWith("tileCornerRadius", 20).tileCornerRadius(), 20.0);
    EXPECT_EQ(readWith("popupIconSize", "64").popupIconSize(), 64.0);
    EXPECT_EQ(readWith("popupColumns", 5.9).popupColumns(), 5);
}

TEST_F(AppSettingsTest, StoredPopupColumnsAreClamped) {
    EXPECT_EQ(readWith("popupColumns", 9).popupColumns(), 6);
    EXPECT_EQ(readWith("popupColumns", 1).popupColumns(), 3);
    EXPECT_EQ(readWith("popupColumns", -7).popupColumns(), 3);
    EXPECT_EQ(readWith("popupColumns", std::numeric_limits<std::int64_t>::max()).popupColumns(), 6);
}

TEST_F(AppSettingsTest, EnumerationsNeedTheExactRawText) {
    EXPECT_EQ(readWith("language", "uk").language(), AppLanguage::ukrainian);
    EXPECT_EQ(readWith("language", "UK").language(), AppLanguage::english);
    EXPECT_EQ(readWith("appTheme", "light").appTheme(), AppThemeMode::light);
    EXPECT_EQ(readWith("appTheme", "Light").appTheme(), AppThemeMode::dark);
    EXPECT_EQ(readWith("appTheme", "lighT").appTheme(), AppThemeMode::dark);
    EXPECT_EQ(readWith("popupPosition", "center").popupPosition(), PopupPosition::center);
    EXPECT_EQ(readWith("popupPosition", " center").popupPosition(), PopupPosition::aboveDock);
    EXPECT_EQ(readWith("popupBlurStyle", "dark").popupBlurStyle(), PopupBlur::dark);
    EXPECT_EQ(readWith("popupBlurStyle", "thick").popupBlurStyle(), PopupBlur::thin);
    EXPECT_EQ(readWith("popupAnimationStyle", "None").popupAnimationStyle(), PopupAnimation::spring);
    EXPECT_EQ(readWith("tileBackgroundMode", "glass").tileBackgroundMode(), TileBackgroundMode::glass);
    EXPECT_EQ(readWith("tileBackgroundMode", "matte").tileBackgroundMode(), TileBackgroundMode::solid);
    EXPECT_EQ(readWith("tileBackgroundStyle", "purple").tileBackgroundStyle(), TileBackground::purple);
    EXPECT_EQ(readWith("tileBackgroundStyle", "magenta").tileBackgroundStyle(), TileBackground::frosted);
    EXPECT_EQ(readWith("tileBackgroundStyle", 2).tileBackgroundStyle(), TileBackground::frosted);
}

// ---- Assigning

TEST_F(AppSettingsTest, EachSetterStoresItsKeyWithItsTypeAndPostsItsNotification) {
    AppSettings& s = make();
    const char* tile = "tileAppearanceChanged";
    const char* popup = "popupSettingsChanged";
    const std::vector<std::tuple<std::function<void()>, Field, const char*, PlistValue, const char*>> cases =
        {
            {[&] { s.setShowMenuBar(true); }, Field::showMenuBar, "showMenuBar", true, "showMenuBarChanged"},
            {[&] { s.setTileOpacity(0.7); }, Field::tileOpacity, "tileOpacity", 0.7, tile},
            {[&] { s.setTileCornerRadius(8); }, Field::tileCornerRadius, "tileCornerRadius", 8.0, tile},
            {[&] { s.setTileBackgroundStyle(TileBackground::pink); }, Field::tileBackgroundStyle,
             "tileBackgroundStyle", "pink", tile},
            {[&] { s.setTileBackgroundMode(TileBackgroundMode::glass); }, Field::tileBackgroundMode,
             "tileBackgroundMode", "glass", tile},
            {[&] { s.setTileBorderEnabled(false); }, Field::tileBorderEnabled, "tileBorderEnabled", false,
             tile},
            {[&] { s.setTileBorderWidth(2.5); }, Field::tileBorderWidth, "tileBorderWidth", 2.5, tile},
            {[&] { s.setTileBorderOpacity(0.6); }, Field::tileBorderOpacity, "tileBorderOpacity", 0.6, tile},
            {[&] { s.setTileIconPadding(6); }, Field::tileIconPadding, "tileIconPadding", 6.0, tile},
            {[&] { s.setPopupShowTitle(false); }, Field::popupShowTitle, "popupShowTitle", false, popup},
            {[&] { s.setPopupColumns(4); }, Field::popupColumns, "popupColumns", 4, popup},
            {[&] { s.setPopupIconSize(64); }, Field::popupIconSize, "popupIconSize", 64.0, popup},
            {[&] { s.setPopupShowAppName(false); }, Field::popupShowAppName, "popupShowAppName", false,
             popup},
            {[&] { s.setPopupPosition(PopupPosition::center); }, Field::popupPosition, "popupPosition",
             "center", popup},
            {[&] { s.setPopupBlurStyle(PopupBlur::regular); }, Field::popupBlurStyle, "popupBlurStyle",
             "regular", popup},
            {[&] { s.setPopupOpacity(0.8); }, Field::popupOpacity, "popupOpacity", 0.8, popup},
            {[&] { s.setPopupAnimationStyle(PopupAnimation::none); }, Field::popupAnimationStyle,
             "popupAnimationStyle", "none", popup},
            {[&] { s.setSingleClickOpensPopup(false); }, Field::singleClickOpensPopup,
             "singleClickOpensPopup", false, nullptr},
        };
    for (const auto& [assign, field, key, expected, notification] : cases) {
        forget();
        assign();
        // The exact type counts: a double written with the integer setter reads differently elsewhere.
        EXPECT_EQ(stored(key), expected) << key;
        EXPECT_EQ(defaults.writes, QStringList{key});
        EXPECT_EQ(posted, notification ? QStringList{notification} : QStringList{}) << key;
        EXPECT_EQ(told, QList<Field>{field}) << key;
        EXPECT_TRUE(bus.posted.isEmpty()) << key;
    }
}

TEST_F(AppSettingsTest, AssigningTheCurrentValueWritesAndPostsAgainButTellsNoObserver) {
    AppSettings& s = make();
    s.setTileOpacity(1.0);
    s.setPopupPosition(PopupPosition::aboveDock);
    s.setAppTheme(AppThemeMode::dark);
    EXPECT_EQ(defaults.writes, (QStringList{"tileOpacity", "popupPosition", "appTheme"}));
    EXPECT_EQ(posted, (QStringList{"tileAppearanceChanged", "popupSettingsChanged", "themeChanged"}));
    EXPECT_EQ(bus.posted.size(), 1);
    EXPECT_TRUE(told.isEmpty());
}

TEST_F(AppSettingsTest, PopupColumnsOutOfRangeAreClampedWithOneNotification) {
    AppSettings& s = make();
    s.setPopupColumns(8);
    EXPECT_EQ(s.popupColumns(), 6);
    EXPECT_EQ(stored("popupColumns"), PlistValue(6));
    EXPECT_EQ(posted, QStringList{"popupSettingsChanged"});
    EXPECT_EQ(told.last(), Field::popupColumns); // told of the clamp too

    forget();
    s.setPopupColumns(2);
    EXPECT_EQ(stored("popupColumns"), PlistValue(3));
    EXPECT_EQ(posted, QStringList{"popupSettingsChanged"});

    forget();
    s.setPopupColumns(5);
    EXPECT_EQ(stored("popupColumns"), PlistValue(5));
    EXPECT_EQ(posted, QStringList{"popupSettingsChanged"});
    EXPECT_EQ(told, QList<Field>{Field::popupColumns});
}

TEST_F(AppSettingsTest, LanguageStoresItsCodeAsTheOnlyEntryOfAppleLanguages) {
    defaults.values.set("AppleLanguages", PlistArray{PlistValue("en"), PlistValue("de")});
    AppSettings& s = make();
    s.setLanguage(AppLanguage::ukrainian);
    EXPECT_EQ(stored("language"), PlistValue("uk"));
    EXPECT_EQ(stored("AppleLanguages"), PlistValue(PlistArray{PlistValue("uk")}));
    EXPECT_EQ(posted, QStringList{"languageChanged"});
}

// At launch, before the settings object exists: the platform's own texts follow the stored language, and a
// language the program does not know gives English rather than a code nothing can show.
TEST_F(AppSettingsTest, LanguageDefaultsAtLaunchFollowTheStoredLanguageOrEnglish) {
    for (const auto& [stored, expected] : std::vector<std::pair<std::optional<QString>, QString>>{
             {std::nullopt, "en"}, {"uk", "uk"}, {"en", "en"}, {"de", "en"}, {"UK", "en"}}) {
        defaults.values = {};
        if (stored) {
            defaults.values.set("language", *stored);
        }
        AppSettings::applyLanguageDefaults(defaults);
        EXPECT_EQ(defaults.values.find("AppleLanguages") ? *defaults.values.find("AppleLanguages")
                                                         : PlistValue(),
                  PlistValue(PlistArray{PlistValue(expected)}))
            << stored.value_or("(none)").toStdString();
    }
}

TEST_F(AppSettingsTest, ThemePostsTheLocalNotificationBeforeTheDistributedOne) {
    AppSettings& s = make();
    qsizetype distributedBeforeLocal = -1;
    center.addObserver("themeChanged",
                       [&](const Notification&) { distributedBeforeLocal = bus.posted.size(); });
    s.setAppTheme(AppThemeMode::light);
    EXPECT_EQ(stored("appTheme"), PlistValue("light"));
    EXPECT_EQ(distributedBeforeLocal, 0);
    ASSERT_EQ(bus.posted.size(), 1);
    EXPECT_EQ(bus.posted.first().name, "TSThemeChanged");
    EXPECT_FALSE(bus.posted.first().object.has_value());
    EXPECT_TRUE(bus.posted.first().userInfo.isEmpty());
}

TEST_F(AppSettingsTest, LaunchAtLoginDrivesTheLoginItemAndKeepsTheChoiceOnFailure) {
    AppSettings& s = make();
    s.setLaunchAtLogin(true);
    s.setLaunchAtLogin(false);
    EXPECT_EQ(loginItems.calls, (QStringList{"register", "unregister"}));
    EXPECT_TRUE(console.lines.isEmpty());

    loginItems.failure = QStringLiteral("Operation not permitted");
    s.setLaunchAtLogin(true);
    EXPECT_EQ(console.lines, QStringList{"Failed to update launch at login: Operation not permitted"});
    EXPECT_TRUE(s.launchAtLogin());
    EXPECT_EQ(stored("launchAtLogin"), PlistValue(true));
}

TEST_F(AppSettingsTest, WhileUpdatingSettersOnlyTellObservers) {
    AppSettings& s = make();
    s.setPopupArrowOffset(42.5); // never stored in any case
    s.setIsUpdating(true);
    forget();
    s.setShowMenuBar(true);
    s.setAppTheme(AppThemeMode::light);
    s.setLaunchAtLogin(true);
    s.setPopupColumns(9);
    s.setHasCompletedOnboarding(true);
    EXPECT_EQ(s.popupColumns(), 9); // the clamp belongs to the handler, which does not run now
    EXPECT_TRUE(defaults.writes.isEmpty());
    EXPECT_TRUE(posted.isEmpty() && bus.posted.isEmpty() && loginItems.calls.isEmpty());
    EXPECT_FALSE(QFile::exists(containerFile()));
    EXPECT_EQ(told.size(), 5);
}

TEST_F(AppSettingsTest, ReloadAdoptsChangedValuesWithoutWritingOrPosting) {
    AppSettings& s = make();
    s.setPopupArrowOffset(17.0);
    s.setHasCompletedOnboarding(true);
    // Another process changes the defaults.
    defaults.values.set("showMenuBar", true);
    defaults.values.set("appTheme", "light");
    defaults.values.set("launchAtLogin", true);
    defaults.values.set("popupColumns", 12);
    defaults.values.set("tileOpacity", 1.0); // unchanged
    defaults.values.set("hasCompletedOnboarding", false);
    forget();

    s.reloadFromDefaults();
    EXPECT_TRUE(s.showMenuBar() && s.launchAtLogin() && s.hasCompletedOnboarding());
    EXPECT_EQ(s.appTheme(), AppThemeMode::light);
    EXPECT_EQ(s.popupColumns(), 6);
    EXPECT_EQ(s.popupArrowOffset(), 17.0);
    EXPECT_FALSE(s.isUpdating());
    EXPECT_TRUE(defaults.writes.isEmpty());
    EXPECT_TRUE(posted.isEmpty() && bus.posted.isEmpty() && loginItems.calls.isEmpty());
    told.removeAll(Field::isUpdating);
    EXPECT_EQ(told,
              (QList<Field>{Field::launchAtLogin, Field::showMenuBar, Field::appTheme, Field::popupColumns}));

    s.setShowMenuBar(false); // the handlers are back
    EXPECT_EQ(posted, QStringList{"showMenuBarChanged"});
}

// ---- The onboarding flag

TEST_F(AppSettingsTest, AFolderFileWithAFolderMeansAnExistingUser) {
    writeFolderFile(R"([{"id":"3F2504E0-4F89-41D3-9A0C-0305E82C3301","name":"Work"}])");
    EXPECT_TRUE(make().hasCompletedOnboarding());
    writeFolderFile("[]");
    EXPECT_FALSE(make().hasCompletedOnboarding());
    writeFolderFile("not json");
    EXPECT_FALSE(make().hasCompletedOnboarding());
}

TEST_F(AppSettingsTest, TheNewerSnapshotDecidesAndOnATieThePreferencesFile) {
    writePlist(preferencesFile(), {{"hasCompletedOnboarding", true}}, 1'700'000'000);
    writePlist(containerFile(), {{"hasCompletedOnboarding", false}}, 1'700'000'100);
    EXPECT_FALSE(make().hasCompletedOnboarding());
    writePlist(preferencesFile(), {{"hasCompletedOnboarding", true}}, 1'700'000'200);
    EXPECT_TRUE(make().hasCompletedOnboarding());

    writePlist(preferencesFile(), {{"hasCompletedOnboarding", false}}, 1'700'000'000);
    writePlist(containerFile(), {{"hasCompletedOnboarding", true}}, 1'700'000'000);
    EXPECT_FALSE(make().hasCompletedOnboarding());
    writePlist(preferencesFile(), {{"hasCompletedOnboarding", true}}, 1'700'000'000);
    writePlist(containerFile(), {{"hasCompletedOnboarding", false}}, 1'700'000'000);
    EXPECT_TRUE(make().hasCompletedOnboarding());
}

TEST_F(AppSettingsTest, OnlyABooleanOrNumberFlagMakesASnapshot) {
    defaults.values.set("hasCompletedOnboarding", true);
    writePlist(containerFile(), {{"hasCompletedOnboarding", 0}}, 1'600'000'000);
    writePlist(preferencesFile(), {{"hasCompletedOnboarding", "YES"}}, 1'700'000'000);
    EXPECT_FALSE(make().hasCompletedOnboarding()); // the older container file, holding a number
    home.write("Library/Preferences/" + kBundleId + ".plist", "damaged");
    EXPECT_FALSE(make().hasCompletedOnboarding());
    QFile::remove(containerFile());
    EXPECT_TRUE(make().hasCompletedOnboarding()); // no snapshot at all: the defaults
}

TEST_F(AppSettingsTest, WithoutSnapshotsTheDefaultsThenThePersistentDomainThenTheFolderFile) {
    writeFolderFile(R"([{"id":"3F2504E0-4F89-41D3-9A0C-0305E82C3301","name":"Work"}])");
    defaults.domains.insert(kBundleId, PlistDictionary{{"hasCompletedOnboarding", 0}});
    defaults.values.set("hasCompletedOnboarding", "no");
    EXPECT_FALSE(make().hasCompletedOnboarding());
    defaults.values = {};
    EXPECT_FALSE(make().hasCompletedOnboarding());
    defaults.domains.insert(kBundleId, PlistDictionary{{"hasCompletedOnboarding", "0"}}); // a text: no number
    EXPECT_TRUE(make().hasCompletedOnboarding());
}

TEST_F(AppSettingsTest, WithoutAUsableBundleIdentifierNoFileIsReadOrWritten) {
    writePlist(home.path() + "/Library/Preferences/.plist", {{"hasCompletedOnboarding", true}},
               1'700'000'000);
    defaults.domains.insert(QString(), PlistDictionary{{"hasCompletedOnboarding", true}});
    for (const std::optional<QString>& identifier :
         {std::optional<QString>(), std::optional<QString>("../x")}) {
        AppSettings& s = make(identifier);
        EXPECT_FALSE(s.hasCompletedOnboarding());
        EXPECT_FALSE(s.containerPreferencesFile().has_value());
        s.setHasCompletedOnboarding(true);
        EXPECT_EQ(stored("hasCompletedOnboarding"), PlistValue(true));
        EXPECT_FALSE(QDir(home.path() + "/Library/Containers").exists());
        defaults.values = {};
    }
}

// ---- Mirroring the onboarding flag

TEST_F(AppSettingsTest, OnboardingIsMirroredAsXmlKeepingTheContainerFilesOtherKeys) {
    AppSettings& s = make();
    s.setHasCompletedOnboarding(true);
    EXPECT_EQ(stored("hasCompletedOnboarding"), PlistValue(true));
    EXPECT_TRUE(TempHome::read(containerFile()).startsWith("<?xml"));

    writePlist(containerFile(), {{"NSWindow Frame", "0 0 800 600"}, {"hasCompletedOnboarding", true}},
               1'700'000'000);
    s.setHasCompletedOnboarding(false);
    const auto parsed = readPropertyListFile(containerFile());
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->format, PlistFormat::Xml);
    EXPECT_EQ(*parsed->root.asDictionary(),
              (PlistDictionary{{"NSWindow Frame", "0 0 800 600"}, {"hasCompletedOnboarding", false}}));
    EXPECT_TRUE(posted.isEmpty());
}

TEST_F(AppSettingsTest, ADamagedContainerFileIsKeptAsideNotOverwritten) {
    const QByteArray damaged = "<?xml version=\"1.0\"?><plist><dict><key>half";
    home.write("Library/Containers/" + kBundleId + "/Data/Library/Preferences/" + kBundleId + ".plist",
               damaged);
    make().setHasCompletedOnboarding(true);

    const auto parsed = readPropertyListFile(containerFile());
    ASSERT_TRUE(parsed);
    EXPECT_EQ(*parsed->root.asDictionary(), (PlistDictionary{{"hasCompletedOnboarding", true}}));
    const QDir folder = QFileInfo(containerFile()).absoluteDir();
    const QStringList aside = folder.entryList({kBundleId + ".plist.damaged-*"}, QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(TempHome::read(folder.filePath(aside.first())), damaged);
    ASSERT_EQ(console.lines.size(), 1);
    EXPECT_TRUE(console.lines.first().contains(aside.first()));
}

TEST_F(AppSettingsTest, AContainerThatCannotBeWrittenFailsSilently) {
    home.write("Library/Containers/" + kBundleId, "not a folder");
    AppSettings& s = make();
    s.setHasCompletedOnboarding(true);
    EXPECT_TRUE(s.hasCompletedOnboarding());
    EXPECT_TRUE(console.lines.isEmpty());
    EXPECT_EQ(TempHome::read(home.path() + "/Library/Containers/" + kBundleId), "not a folder");
}

} // namespace
} // namespace tessly
