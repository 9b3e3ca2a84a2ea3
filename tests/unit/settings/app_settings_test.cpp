#include "settings/app_settings.h"

#include "platform/notification_center.h"
#include "platform/property_list.h"
#include "support/in_memory_notification_bus.h"
#include "support/in_memory_user_defaults.h"
#include "support/recording_console.h"
#include "support/recording_login_items.h"
#include "support/temp_home.h"
#include "support/virtual_time.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>
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

const QString kBundleId = QStringLiteral("app.tessly.Tessly");
const QStringList kLocalNames = {"languageChanged", "showMenuBarChanged", "themeChanged",
                                 "tileAppearanceChanged", "popupSettingsChanged"};

class AppSettingsTest : public ::testing::Test {
protected:
    AppSettingsTest() {
        for (const QString& name : kLocalNames) {
            center.addObserver(name, [this](const Notification& n) {
                posted.append(n.name);
                EXPECT_FALSE(n.object.isValid()) << n.name.toStdString();
            });
        }
    }

    AppSettings& make(std::optional<QString> bundleId = kBundleId) {
        settings = std::make_unique<AppSettings>(defaults, center, distributed, loginItems, console,
                                                 home.paths(), std::move(bundleId), time);
        QObject::connect(settings.get(), &AppSettings::changed,
                         [this](AppSettings::Field field) { told.append(field); });
        return *settings;
    }

    void forget() {
        posted.clear();
        told.clear();
        defaults.writes.clear();
        bus.posted.clear();
    }

    [[nodiscard]] const PlistValue* stored(const QString& key) const { return defaults.values.find(key); }

    [[nodiscard]] QString preferencesFile() const { return home.paths().preferencesFile(kBundleId); }
    [[nodiscard]] QString containerFile() const {
        return home.path() + "/Library/Containers/" + kBundleId + "/Data/Library/Preferences/" + kBundleId +
               ".plist";
    }

    /// Writes a property-list file holding `root` and dates it `secondsSince1970`.
    static void writePlist(const QString& path, const PlistDictionary& root, qint64 secondsSince1970) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        ASSERT_TRUE(writePropertyListFile(path, PlistValue(root), PlistFormat::Binary));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime::fromSecsSinceEpoch(secondsSince1970, Qt::UTC),
                                     QFileDevice::FileModificationTime));
    }

    void writeFolderFile(const QByteArray& bytes) {
        home.write(QStringLiteral("Library/Application Support/Tessly/folders.json"), bytes);
    }

    TempHome home;
    InMemoryUserDefaults defaults;
    NotificationCenter center;
    VirtualTime time;
    InMemoryNotificationBus bus;
    InMemoryDistributedNotificationCenter distributed{bus, time};
    RecordingLoginItems loginItems;
    RecordingConsole console;
    std::unique_ptr<AppSettings> settings;

    QStringList posted;
    QList<AppSettings::Field> told;
};

using Field = AppSettings::Field;

// ---- Reading the defaults

TEST_F(AppSettingsTest, EmptyDefaultsGiveTheDefaultOfEveryField) {
    const AppSettings& s = make();
    EXPECT_FALSE(s.isUpdating());
    EXPECT_FALSE(s.launchAtLogin());
    EXPECT_EQ(s.language(), AppLanguage::english);
    EXPECT_FALSE(s.showMenuBar());
    EXPECT_EQ(s.appTheme(), AppThemeMode::dark);
    EXPECT_FALSE(s.hasCompletedOnboarding());
    EXPECT_DOUBLE_EQ(s.tileOpacity(), 1.0);
    EXPECT_DOUBLE_EQ(s.tileCornerRadius(), 12.0);
    EXPECT_EQ(s.tileBackgroundStyle(), TileBackground::frosted);
    EXPECT_EQ(s.tileBackgroundMode(), TileBackgroundMode::solid);
    EXPECT_TRUE(s.tileBorderEnabled());
    EXPECT_DOUBLE_EQ(s.tileBorderWidth(), 1.0);
    EXPECT_DOUBLE_EQ(s.tileBorderOpacity(), 0.3);
    EXPECT_DOUBLE_EQ(s.tileIconPadding(), 4.0);
    EXPECT_TRUE(s.popupShowTitle());
    EXPECT_EQ(s.popupColumns(), 3);
    EXPECT_DOUBLE_EQ(s.popupIconSize(), 52.0);
    EXPECT_TRUE(s.popupShowAppName());
    EXPECT_EQ(s.popupPosition(), PopupPosition::aboveDock);
    EXPECT_EQ(s.popupBlurStyle(), PopupBlur::thin);
    EXPECT_DOUBLE_EQ(s.popupOpacity(), 0.95);
    EXPECT_EQ(s.popupAnimationStyle(), PopupAnimation::spring);
    EXPECT_TRUE(s.singleClickOpensPopup());
    EXPECT_DOUBLE_EQ(s.popupArrowOffset(), 0.0);

    // Construction announces and writes nothing.
    EXPECT_TRUE(defaults.writes.isEmpty());
    EXPECT_TRUE(posted.isEmpty());
    EXPECT_TRUE(bus.posted.isEmpty());
    EXPECT_TRUE(loginItems.calls.isEmpty());
}

TEST_F(AppSettingsTest, StoredValuesAreReadWithTheDefaultsConversions) {
    defaults.values.set("launchAtLogin", true);
    defaults.values.set("tileOpacity", 0.5);
    defaults.values.set("tileCornerRadius", 20); // an integer read as a double
    defaults.values.set("popupIconSize", "64");  // a number written as text
    defaults.values.set("popupColumns", 5.9);    // a real read as an integer truncates
    // A present key of another type takes the conversion, not the default.
    defaults.values.set("tileBorderEnabled", "NO");
    defaults.values.set("popupShowTitle", 0);
    defaults.values.set("tileBorderWidth", "wide");
    defaults.values.set("singleClickOpensPopup", PlistArray{});
    const AppSettings& s = make();
    EXPECT_TRUE(s.launchAtLogin());
    EXPECT_DOUBLE_EQ(s.tileOpacity(), 0.5);
    EXPECT_DOUBLE_EQ(s.tileCornerRadius(), 20.0);
    EXPECT_DOUBLE_EQ(s.popupIconSize(), 64.0);
    EXPECT_EQ(s.popupColumns(), 5);
    EXPECT_FALSE(s.tileBorderEnabled());
    EXPECT_FALSE(s.popupShowTitle());
    EXPECT_DOUBLE_EQ(s.tileBorderWidth(), 0.0);
    EXPECT_FALSE(s.singleClickOpensPopup());
}

TEST_F(AppSettingsTest, StoredPopupColumnsAreClamped) {
    for (const auto& [storedValue, expected] : std::vector<std::pair<std::int64_t, int>>{
             {9, 6}, {1, 3}, {-7, 3}, {6, 6}, {3, 3}, {std::numeric_limits<std::int64_t>::max(), 6}}) {
        defaults.values.set("popupColumns", PlistValue(storedValue));
        EXPECT_EQ(make().popupColumns(), expected) << storedValue;
    }
}

TEST_F(AppSettingsTest, EnumerationsTakeTheirDefaultUnlessTheTextIsExactlyARawText) {
    struct Case {
        const char* key;
        PlistValue storedValue;
        std::function<bool(const AppSettings&)> check;
    };
    const std::vector<Case> cases = {
        {"language", "uk", [](const AppSettings& s) { return s.language() == AppLanguage::ukrainian; }},
        {"language", "UK", [](const AppSettings& s) { return s.language() == AppLanguage::english; }},
        {"language", "ukrainian", [](const AppSettings& s) { return s.language() == AppLanguage::english; }},
        {"appTheme", "light", [](const AppSettings& s) { return s.appTheme() == AppThemeMode::light; }},
        {"appTheme", "Light", [](const AppSettings& s) { return s.appTheme() == AppThemeMode::dark; }},
        {"appTheme", "lighT", [](const AppSettings& s) { return s.appTheme() == AppThemeMode::dark; }},
        {"popupPosition", "center",
         [](const AppSettings& s) { return s.popupPosition() == PopupPosition::center; }},
        {"popupPosition", " center",
         [](const AppSettings& s) { return s.popupPosition() == PopupPosition::aboveDock; }},
        {"popupPosition", "centre",
         [](const AppSettings& s) { return s.popupPosition() == PopupPosition::aboveDock; }},
        {"popupBlurStyle", "regular",
         [](const AppSettings& s) { return s.popupBlurStyle() == PopupBlur::regular; }},
        {"popupBlurStyle", "dark",
         [](const AppSettings& s) { return s.popupBlurStyle() == PopupBlur::dark; }},
        {"popupBlurStyle", "thick",
         [](const AppSettings& s) { return s.popupBlurStyle() == PopupBlur::thin; }},
        {"popupAnimationStyle", "none",
         [](const AppSettings& s) { return s.popupAnimationStyle() == PopupAnimation::none; }},
        {"popupAnimationStyle", "None",
         [](const AppSettings& s) { return s.popupAnimationStyle() == PopupAnimation::spring; }},
        {"tileBackgroundMode", "gradient",
         [](const AppSettings& s) { return s.tileBackgroundMode() == TileBackgroundMode::gradient; }},
        {"tileBackgroundMode", "glass",
         [](const AppSettings& s) { return s.tileBackgroundMode() == TileBackgroundMode::glass; }},
        {"tileBackgroundMode", "matte",
         [](const AppSettings& s) { return s.tileBackgroundMode() == TileBackgroundMode::solid; }},
        {"tileBackgroundStyle", "purple",
         [](const AppSettings& s) { return s.tileBackgroundStyle() == TileBackground::purple; }},
        {"tileBackgroundStyle", "custom",
         [](const AppSettings& s) { return s.tileBackgroundStyle() == TileBackground::custom; }},
        {"tileBackgroundStyle", "magenta",
         [](const AppSettings& s) { return s.tileBackgroundStyle() == TileBackground::frosted; }},
        // A number's text is never a raw text.
        {"tileBackgroundStyle", 2,
         [](const AppSettings& s) { return s.tileBackgroundStyle() == TileBackground::frosted; }},
    };
    for (const Case& c : cases) {
        defaults.values = {};
        defaults.values.set(c.key, c.storedValue);
        const QString shown =
            c.storedValue.asString() ? *c.storedValue.asString() : QStringLiteral("<number>");
        EXPECT_TRUE(c.check(make())) << c.key << " = " << shown.toStdString();
    }
}

// ---- Assigning

TEST_F(AppSettingsTest, EachSetterStoresItsKeyWithItsTypeAndPostsItsNotification) {
    AppSettings& s = make();
    struct Case {
        Field field;
        std::function<void()> assign;
        const char* key;
        PlistValue expected;
        const char* notification; // nullptr: stored only
    };
    const std::vector<Case> cases = {
        {Field::showMenuBar, [&] { s.setShowMenuBar(true); }, "showMenuBar", true, "showMenuBarChanged"},
        {Field::tileOpacity, [&] { s.setTileOpacity(0.7); }, "tileOpacity", 0.7, "tileAppearanceChanged"},
        {Field::tileCornerRadius, [&] { s.setTileCornerRadius(8); }, "tileCornerRadius", 8.0,
         "tileAppearanceChanged"},
        {Field::tileBackgroundStyle, [&] { s.setTileBackgroundStyle(TileBackground::pink); },
         "tileBackgroundStyle", "pink", "tileAppearanceChanged"},
        {Field::tileBackgroundMode, [&] { s.setTileBackgroundMode(TileBackgroundMode::glass); },
         "tileBackgroundMode", "glass", "tileAppearanceChanged"},
        {Field::tileBorderEnabled, [&] { s.setTileBorderEnabled(false); }, "tileBorderEnabled", false,
         "tileAppearanceChanged"},
        {Field::tileBorderWidth, [&] { s.setTileBorderWidth(2.5); }, "tileBorderWidth", 2.5,
         "tileAppearanceChanged"},
        {Field::tileBorderOpacity, [&] { s.setTileBorderOpacity(0.6); }, "tileBorderOpacity", 0.6,
         "tileAppearanceChanged"},
        {Field::tileIconPadding, [&] { s.setTileIconPadding(6); }, "tileIconPadding", 6.0,
         "tileAppearanceChanged"},
        {Field::popupShowTitle, [&] { s.setPopupShowTitle(false); }, "popupShowTitle", false,
         "popupSettingsChanged"},
        {Field::popupColumns, [&] { s.setPopupColumns(4); }, "popupColumns", 4, "popupSettingsChanged"},
        {Field::popupIconSize, [&] { s.setPopupIconSize(64); }, "popupIconSize", 64.0,
         "popupSettingsChanged"},
        {Field::popupShowAppName, [&] { s.setPopupShowAppName(false); }, "popupShowAppName", false,
         "popupSettingsChanged"},
        {Field::popupPosition, [&] { s.setPopupPosition(PopupPosition::center); }, "popupPosition", "center",
         "popupSettingsChanged"},
        {Field::popupBlurStyle, [&] { s.setPopupBlurStyle(PopupBlur::regular); }, "popupBlurStyle", "regular",
         "popupSettingsChanged"},
        {Field::popupOpacity, [&] { s.setPopupOpacity(0.8); }, "popupOpacity", 0.8, "popupSettingsChanged"},
        {Field::popupAnimationStyle, [&] { s.setPopupAnimationStyle(PopupAnimation::none); },
         "popupAnimationStyle", "none", "popupSettingsChanged"},
        {Field::singleClickOpensPopup, [&] { s.setSingleClickOpensPopup(false); }, "singleClickOpensPopup",
         false, nullptr},
    };
    for (const Case& c : cases) {
        forget();
        c.assign();
        const PlistValue* value = stored(c.key);
        ASSERT_NE(value, nullptr) << c.key;
        // Exact type: a double stored with the integer setter (or the reverse) reads differently elsewhere.
        EXPECT_EQ(*value, c.expected) << c.key;
        EXPECT_EQ(defaults.writes, QStringList{c.key});
        EXPECT_EQ(posted, c.notification ? QStringList{c.notification} : QStringList{}) << c.key;
        EXPECT_EQ(told, QList<Field>{c.field}) << c.key;
        EXPECT_TRUE(bus.posted.isEmpty()) << c.key;
    }
}

TEST_F(AppSettingsTest, AssigningTheCurrentValueWritesAndPostsAgainButTellsNoObserver) {
    AppSettings& s = make();
    s.setTileOpacity(1.0); // the default
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
    EXPECT_EQ(*stored("popupColumns"), PlistValue(6));
    EXPECT_EQ(posted, QStringList{"popupSettingsChanged"});
    // Observers hear the assignment and the clamp, and the last thing they can read is in range.
    ASSERT_FALSE(told.isEmpty());
    EXPECT_EQ(told.last(), Field::popupColumns);

    forget();
    s.setPopupColumns(2);
    EXPECT_EQ(s.popupColumns(), 3);
    EXPECT_EQ(*stored("popupColumns"), PlistValue(3));
    EXPECT_EQ(posted, QStringList{"popupSettingsChanged"});

    forget();
    s.setPopupColumns(5);
    EXPECT_EQ(*stored("popupColumns"), PlistValue(5));
    EXPECT_EQ(defaults.writes, QStringList{"popupColumns"});
    EXPECT_EQ(posted, QStringList{"popupSettingsChanged"});
    EXPECT_EQ(told, QList<Field>{Field::popupColumns});
}

TEST_F(AppSettingsTest, LanguageStoresItsCodeAndTheOnlyEntryOfAppleLanguages) {
    defaults.values.set("AppleLanguages", PlistArray{PlistValue("en"), PlistValue("de")});
    AppSettings& s = make();
    s.setLanguage(AppLanguage::ukrainian);
    EXPECT_EQ(*stored("language"), PlistValue("uk"));
    EXPECT_EQ(*stored("AppleLanguages"), PlistValue(PlistArray{PlistValue("uk")}));
    EXPECT_EQ(posted, QStringList{"languageChanged"});
    EXPECT_EQ(told, QList<Field>{Field::language});

    s.setLanguage(AppLanguage::english);
    EXPECT_EQ(*stored("language"), PlistValue("en"));
    EXPECT_EQ(*stored("AppleLanguages"), PlistValue(PlistArray{PlistValue("en")}));
}

TEST_F(AppSettingsTest, ThemePostsTheLocalNotificationBeforeTheDistributedOne) {
    AppSettings& s = make();
    qsizetype distributedBeforeLocal = -1;
    center.addObserver("themeChanged",
                       [&](const Notification&) { distributedBeforeLocal = bus.posted.size(); });
    s.setAppTheme(AppThemeMode::light);
    EXPECT_EQ(*stored("appTheme"), PlistValue("light"));
    EXPECT_EQ(distributedBeforeLocal, 0);
    ASSERT_EQ(bus.posted.size(), 1);
    EXPECT_EQ(bus.posted.first().name, QStringLiteral("TSThemeChanged"));
    EXPECT_FALSE(bus.posted.first().object.has_value());
    EXPECT_TRUE(bus.posted.first().userInfo.isEmpty());
}

TEST_F(AppSettingsTest, LaunchAtLoginRegistersAndUnregistersTheLoginItem) {
    AppSettings& s = make();
    s.setLaunchAtLogin(true);
    s.setLaunchAtLogin(false);
    EXPECT_EQ(loginItems.calls, (QStringList{"register", "unregister"}));
    EXPECT_EQ(*stored("launchAtLogin"), PlistValue(false));
    EXPECT_TRUE(console.lines.isEmpty());
    EXPECT_TRUE(posted.isEmpty());
}

TEST_F(AppSettingsTest, LoginItemFailureIsPrintedAndTheChoiceKept) {
    AppSettings& s = make();
    loginItems.failure = QStringLiteral("Operation not permitted");
    s.setLaunchAtLogin(true);
    EXPECT_EQ(console.lines, QStringList{"Failed to update launch at login: Operation not permitted"});
    EXPECT_TRUE(s.launchAtLogin());
    EXPECT_EQ(*stored("launchAtLogin"), PlistValue(true));
}

TEST_F(AppSettingsTest, PopupArrowOffsetIsNeverStored) {
    AppSettings& s = make();
    s.setPopupArrowOffset(42.5);
    EXPECT_DOUBLE_EQ(s.popupArrowOffset(), 42.5);
    EXPECT_EQ(told, QList<Field>{Field::popupArrowOffset});
    EXPECT_TRUE(defaults.writes.isEmpty());
    EXPECT_TRUE(posted.isEmpty());
}

TEST_F(AppSettingsTest, WhileUpdatingSettersOnlyTellObservers) {
    AppSettings& s = make();
    s.setIsUpdating(true);
    forget();
    s.setShowMenuBar(true);
    s.setAppTheme(AppThemeMode::light);
    s.setLaunchAtLogin(true);
    s.setPopupColumns(9);
    s.setHasCompletedOnboarding(true);
    EXPECT_TRUE(s.showMenuBar());
    EXPECT_EQ(s.popupColumns(), 9); // the clamp is part of the handler, which does not run now
    EXPECT_TRUE(defaults.writes.isEmpty());
    EXPECT_TRUE(posted.isEmpty());
    EXPECT_TRUE(bus.posted.isEmpty());
    EXPECT_TRUE(loginItems.calls.isEmpty());
    EXPECT_FALSE(QFile::exists(containerFile()));
    EXPECT_EQ(told.size(), 5);
}

// ---- Reloading

TEST_F(AppSettingsTest, ReloadAdoptsEveryChangedValueWithoutWritingOrPosting) {
    AppSettings& s = make();
    s.setPopupArrowOffset(17.0);
    s.setHasCompletedOnboarding(true);
    // Another process changes the defaults.
    defaults.values.set("showMenuBar", true);
    defaults.values.set("appTheme", "light");
    defaults.values.set("language", "uk");
    defaults.values.set("launchAtLogin", true);
    defaults.values.set("popupColumns", 12);
    defaults.values.set("tileOpacity", 1.0); // unchanged
    defaults.values.set("hasCompletedOnboarding", false);
    forget();

    s.reloadFromDefaults();
    EXPECT_TRUE(s.showMenuBar());
    EXPECT_EQ(s.appTheme(), AppThemeMode::light);
    EXPECT_EQ(s.language(), AppLanguage::ukrainian);
    EXPECT_TRUE(s.launchAtLogin());
    EXPECT_EQ(s.popupColumns(), 6);
    EXPECT_TRUE(s.hasCompletedOnboarding());
    EXPECT_DOUBLE_EQ(s.popupArrowOffset(), 17.0);
    EXPECT_FALSE(s.isUpdating());

    EXPECT_TRUE(defaults.writes.isEmpty());
    EXPECT_TRUE(posted.isEmpty());
    EXPECT_TRUE(bus.posted.isEmpty());
    EXPECT_TRUE(loginItems.calls.isEmpty());
    QList<Field> changedFields = told;
    changedFields.removeAll(Field::isUpdating);
    EXPECT_EQ(changedFields, (QList<Field>{Field::launchAtLogin, Field::language, Field::showMenuBar,
                                           Field::appTheme, Field::popupColumns}));

    // Handlers are back once the reload is over.
    s.setShowMenuBar(false);
    EXPECT_EQ(posted, QStringList{"showMenuBarChanged"});
}

TEST_F(AppSettingsTest, ReloadOfEmptiedDefaultsReturnsToTheDefaults) {
    defaults.values.set("tileBackgroundStyle", "red");
    defaults.values.set("popupOpacity", 0.5);
    AppSettings& s = make();
    defaults.values = {};
    s.reloadFromDefaults();
    EXPECT_EQ(s.tileBackgroundStyle(), TileBackground::frosted);
    EXPECT_DOUBLE_EQ(s.popupOpacity(), 0.95);
}

// ---- The onboarding flag

TEST_F(AppSettingsTest, AFolderFileWithAFolderMeansAnExistingUser) {
    writeFolderFile(R"([{"id":"3F2504E0-4F89-41D3-9A0C-0305E82C3301","name":"Work"}])");
    EXPECT_TRUE(make().hasCompletedOnboarding());
    writeFolderFile("[]");
    EXPECT_FALSE(make().hasCompletedOnboarding());
    writeFolderFile(R"([{"name":"no id"}])");
    EXPECT_FALSE(make().hasCompletedOnboarding());
    writeFolderFile("not json");
    EXPECT_FALSE(make().hasCompletedOnboarding());
}

TEST_F(AppSettingsTest, TheNewerSnapshotFileDecides) {
    writePlist(preferencesFile(), {{"hasCompletedOnboarding", true}}, 1'700'000'000);
    writePlist(containerFile(), {{"hasCompletedOnboarding", false}}, 1'700'000'100);
    EXPECT_FALSE(make().hasCompletedOnboarding());

    writePlist(preferencesFile(), {{"hasCompletedOnboarding", true}}, 1'700'000'200);
    EXPECT_TRUE(make().hasCompletedOnboarding());
}

TEST_F(AppSettingsTest, OnEqualDatesThePreferencesFileDecides) {
    writePlist(preferencesFile(), {{"hasCompletedOnboarding", false}}, 1'700'000'000);
    writePlist(containerFile(), {{"hasCompletedOnboarding", true}}, 1'700'000'000);
    EXPECT_FALSE(make().hasCompletedOnboarding());

    writePlist(preferencesFile(), {{"hasCompletedOnboarding", true}}, 1'700'000'000);
    writePlist(containerFile(), {{"hasCompletedOnboarding", false}}, 1'700'000'000);
    EXPECT_TRUE(make().hasCompletedOnboarding());
}

TEST_F(AppSettingsTest, ASnapshotNeedsABooleanOrNumberFlagInADictionary) {
    defaults.values.set("hasCompletedOnboarding", true);
    // A text flag makes no snapshot, so the older container file, holding a number, decides.
    writePlist(containerFile(), {{"hasCompletedOnboarding", 0}}, 1'600'000'000);
    writePlist(preferencesFile(), {{"hasCompletedOnboarding", "YES"}}, 1'700'000'000);
    EXPECT_FALSE(make().hasCompletedOnboarding());
    home.write("Library/Preferences/" + kBundleId + ".plist", "damaged");
    EXPECT_FALSE(make().hasCompletedOnboarding());

    QFile::remove(containerFile());
    EXPECT_TRUE(make().hasCompletedOnboarding()); // no snapshot at all: the defaults
}

TEST_F(AppSettingsTest, WithoutSnapshotsTheDefaultsThenThePersistentDomainDecide) {
    writeFolderFile(R"([{"id":"3F2504E0-4F89-41D3-9A0C-0305E82C3301","name":"Work"}])");
    defaults.domains.insert(kBundleId, PlistDictionary{{"hasCompletedOnboarding", 0}});
    defaults.values.set("hasCompletedOnboarding", "no"); // present: its boolean reading, false
    EXPECT_FALSE(make().hasCompletedOnboarding());

    defaults.values = {};
    EXPECT_FALSE(make().hasCompletedOnboarding()); // the domain's number, before the folder file

    defaults.domains.insert(kBundleId, PlistDictionary{{"hasCompletedOnboarding", "0"}});
    EXPECT_TRUE(make().hasCompletedOnboarding()); // a text is no number there: the folder file decides
}

TEST_F(AppSettingsTest, WithoutABundleIdentifierTheFilesAndDomainAreSkipped) {
    writePlist(home.path() + "/Library/Preferences/.plist", {{"hasCompletedOnboarding", true}},
               1'700'000'000);
    defaults.domains.insert(QString(), PlistDictionary{{"hasCompletedOnboarding", true}});
    AppSettings& s = make(std::nullopt);
    EXPECT_FALSE(s.hasCompletedOnboarding());
    EXPECT_FALSE(s.containerPreferencesFile().has_value());
    s.setHasCompletedOnboarding(true);
    EXPECT_EQ(*stored("hasCompletedOnboarding"), PlistValue(true));
    EXPECT_FALSE(QDir(home.path() + "/Library/Containers").exists());
}

TEST_F(AppSettingsTest, AnIdentifierThatIsAPathNamesNoFile) {
    AppSettings& s = make(QStringLiteral("../../escape"));
    EXPECT_FALSE(s.containerPreferencesFile().has_value());
    s.setHasCompletedOnboarding(true);
    EXPECT_FALSE(QDir(home.path() + "/Library/Containers").exists());
}

// ---- Mirroring the onboarding flag

TEST_F(AppSettingsTest, OnboardingIsMirroredIntoANewContainerFileAsXml) {
    AppSettings& s = make();
    ASSERT_EQ(s.containerPreferencesFile(), containerFile());
    s.setHasCompletedOnboarding(true);
    EXPECT_EQ(*stored("hasCompletedOnboarding"), PlistValue(true));
    const QByteArray bytes = TempHome::read(containerFile());
    EXPECT_TRUE(bytes.startsWith("<?xml")) << bytes.left(40).toStdString();
    const auto parsed = readPropertyList(bytes);
    ASSERT_TRUE(parsed && parsed->root.isDictionary());
    EXPECT_EQ(*parsed->root.asDictionary(), (PlistDictionary{{"hasCompletedOnboarding", true}}));
    EXPECT_TRUE(posted.isEmpty());
}

TEST_F(AppSettingsTest, MirroringKeepsTheContainerFilesOtherKeys) {
    writePlist(containerFile(), {{"NSWindow Frame", "0 0 800 600"}, {"hasCompletedOnboarding", false}},
               1'700'000'000);
    AppSettings& s = make();
    s.setHasCompletedOnboarding(true);
    const auto parsed = readPropertyListFile(containerFile());
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->format, PlistFormat::Xml);
    EXPECT_EQ(*parsed->root.asDictionary(),
              (PlistDictionary{{"NSWindow Frame", "0 0 800 600"}, {"hasCompletedOnboarding", true}}));
    // The flag now read back from the files agrees.
    EXPECT_TRUE(make().hasCompletedOnboarding());
}

TEST_F(AppSettingsTest, ADamagedContainerFileIsKeptAsideAndReplaced) {
    const QString path =
        home.write("Library/Containers/" + kBundleId + "/Data/Library/Preferences/" + kBundleId + ".plist",
                   "<?xml version=\"1.0\"?><plist><dict><key>half");
    AppSettings& s = make();
    s.setHasCompletedOnboarding(true);

    const auto parsed = readPropertyListFile(path);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(*parsed->root.asDictionary(), (PlistDictionary{{"hasCompletedOnboarding", true}}));
    const QStringList aside =
        QDir(QFileInfo(path).absolutePath()).entryList({kBundleId + ".plist.damaged-*"}, QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(TempHome::read(QFileInfo(path).absolutePath() + "/" + aside.first()),
              QByteArray("<?xml version=\"1.0\"?><plist><dict><key>half"));
    ASSERT_EQ(console.lines.size(), 1);
    EXPECT_TRUE(console.lines.first().contains(aside.first()));
}

TEST_F(AppSettingsTest, AContainerPathThatCannotBeWrittenFailsSilently) {
    // A plain file where the container's folder should be.
    home.write("Library/Containers/" + kBundleId, "not a folder");
    AppSettings& s = make();
    s.setHasCompletedOnboarding(true);
    EXPECT_TRUE(s.hasCompletedOnboarding());
    EXPECT_EQ(*stored("hasCompletedOnboarding"), PlistValue(true));
    EXPECT_TRUE(console.lines.isEmpty());
    EXPECT_EQ(TempHome::read(home.path() + "/Library/Containers/" + kBundleId), QByteArray("not a folder"));
}

} // namespace
} // namespace tessly
