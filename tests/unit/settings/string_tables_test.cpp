// The program's own string tables: every key the interface asks for is in both languages, counted texts have
// the plural forms their language's rule picks, and the format specifiers fit the arguments the callers pass.
#include "settings/localization.h"

#include "platform/main_bundle.h"
#include "platform/notification_center.h"
#include "settings/app_settings.h"
#include "support/in_memory_notification_bus.h"
#include "support/in_memory_user_defaults.h"
#include "support/recording_console.h"
#include "support/recording_login_items.h"
#include "support/temp_home.h"
#include "support/virtual_time.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace tessly {
namespace {

const QStringList kCatalogue = {
    "app.name",
    "main.search_placeholder",
    "main.filter.all",
    "main.filter.in_dock",
    "main.footer.total",
    "main.footer.in_dock",
    "main.new_folder",
    "main.no_folders",
    "main.folder.in_dock",
    "main.folder.edit",
    "main.folder.done",
    "main.folder.delete",
    "main.folder.delete_title",
    "main.folder.delete_confirmation_title",
    "main.folder.delete_confirmation_message",
    "main.folder.empty_folder_alert.title",
    "main.folder.empty_folder_alert.message",
    "folder.editor.title.new",
    "folder.editor.title.edit",
    "folder.editor.name_label",
    "folder.editor.name_placeholder",
    "folder.editor.name_placeholder_example",
    "folder.editor.icon_label",
    "folder.editor.btn.cancel",
    "folder.editor.btn.save",
    "app_picker.title",
    "app_picker.search_placeholder",
    "app_picker.add_count",
    "settings.title",
    "settings.tab.general",
    "settings.tab.appearance",
    "settings.tab.popup",
    "settings.tab.about",
    "settings.general.launch_at_login",
    "settings.general.show_menu_bar",
    "settings.general.language",
    "settings.appearance.preview",
    "settings.appearance.corner_radius",
    "settings.appearance.tile_opacity",
    "settings.appearance.background",
    "settings.tile.border",
    "settings.tile.border.width",
    "settings.tile.border.opacity",
    "settings.tile.background_mode",
    "settings.tile.background_mode.solid",
    "settings.tile.background_mode.gradient",
    "settings.tile.background_mode.glass",
    "settings.popup.section.layout",
    "settings.popup.section.visual",
    "settings.popup.columns",
    "settings.popup.icon_size",
    "settings.popup.show_title",
    "settings.popup.show_names",
    "settings.popup.position",
    "settings.popup.blur",
    "settings.popup.opacity",
    "settings.popup.animation",
    "popup.position.center",
    "popup.position.above_dock",
    "popup.blur.thin",
    "popup.blur.regular",
    "popup.blur.dark",
    "popup.animation.spring",
    "popup.animation.none",
    "settings.about.version",
    "settings.about.copyright",
    "settings.about.check_updates",
    "menu.open",
    "menu.settings",
    "menu.quit",
    "onboarding.window_title",
    "onboarding.action.start",
    "onboarding.action.next",
    "onboarding.action.back",
    "onboarding.hero.title",
    "onboarding.hero.subtitle",
    "onboarding.welcome.title",
    "onboarding.welcome.subtitle",
    "onboarding.welcome.item.folders.title",
    "onboarding.welcome.item.folders.subtitle",
    "onboarding.welcome.item.apps.title",
    "onboarding.welcome.item.apps.subtitle",
    "onboarding.welcome.item.menu.title",
    "onboarding.welcome.item.menu.subtitle",
    "onboarding.workflow.title",
    "onboarding.workflow.subtitle",
    "onboarding.workflow.option.above_dock",
    "onboarding.workflow.option.center_screen",
    "onboarding.quick.title",
    "onboarding.quick.subtitle",
    "onboarding.quick.theme.title",
    "onboarding.quick.theme.dark",
    "onboarding.quick.theme.light",
    "onboarding.quick.menubar.title",
    "onboarding.quick.menubar.subtitle",
    "onboarding.quick.launch.title",
    "onboarding.quick.launch.subtitle",
};

const QStringList kEnglishLiteralKeys = {
    "Tessly",
    "Add",
    "Icon",
    "No folders found",
    "Try another search or switch back to All.",
    "This folder is empty",
    "Add apps to get started.",
    "Create a folder to preview tile styles",
    "Organize your macOS Dock with elegant app folders.",
    "Start Tessly when you log in",
    "Access from the menu bar",
};

const QStringList kCountedBases = {"main.app_count", "main.folder_count"};
/// Keys shown with one integer besides the counted ones.
const QStringList kIntegerKeys = {"app_picker.add_count", "main.footer.total", "main.footer.in_dock"};

QHash<QString, QString> readTable(const QString& code) {
    QFile file(QStringLiteral(TESSLY_SOURCE_DIR "/resources/") + code + "/Localizable.json");
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError)
        << code.toStdString() << ": " << error.errorString().toStdString();
    QHash<QString, QString> table;
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        EXPECT_TRUE(it.value().isString()) << it.key().toStdString();
        table.insert(it.key(), it.value().toString());
    }
    return table;
}

/// The kinds of the text's specifiers in order: 'i' integer, 'f' double, '@' text ("%%" is no specifier).
QString specifierKinds(QString text) {
    text.replace(QStringLiteral("%%"), QString());
    static const QRegularExpression spec(
        QStringLiteral(R"(%(?:\d+\$)?[-+ 0#]*\d*(?:\.\d+)?(?:hh|h|ll|l|q|z|t|j|L)?([diuxXofFeEgGaA@s])?)"));
    QString kinds;
    for (const auto& match : spec.globalMatch(text)) {
        const QString conversion = match.captured(1);
        if (conversion.isEmpty()) {
            kinds += QLatin1Char('?'); // a stray '%'
        } else if (QStringLiteral("diuxXo").contains(conversion)) {
            kinds += QLatin1Char('i');
        } else if (QStringLiteral("@s").contains(conversion)) {
            kinds += QLatin1Char('@');
        } else {
            kinds += QLatin1Char('f');
        }
    }
    return kinds;
}

QString expectedKinds(const QString& key) {
    for (const QString& base : kCountedBases) {
        if (key.startsWith(base + QLatin1Char('.'))) {
            return QStringLiteral("i");
        }
    }
    if (kIntegerKeys.contains(key)) {
        return QStringLiteral("i");
    }
    if (key == QLatin1String("settings.about.version")) {
        return QStringLiteral("@");
    }
    return {};
}

class StringTablesTest : public ::testing::TestWithParam<const char*> {};

TEST_P(StringTablesTest, HoldsEveryCatalogueKeyAndEveryEnglishLiteral) {
    const QString code = QString::fromLatin1(GetParam());
    const auto table = readTable(code + ".lproj");
    for (const QString& key : kCatalogue + kEnglishLiteralKeys) {
        EXPECT_FALSE(table.value(key).trimmed().isEmpty()) << code.toStdString() << ": " << key.toStdString();
    }
}

TEST_P(StringTablesTest, CountedTextsHaveTheFormsOfTheLanguagesRule) {
    const QString code = QString::fromLatin1(GetParam());
    const AppLanguage language = *fromRawText<AppLanguage>(code);
    const auto table = readTable(code + ".lproj");
    for (const QString& base : kCountedBases) {
        // Every form that the rule can pick is present...
        for (std::int64_t n = -200; n <= 200; ++n) {
            const QString key = base + pluralSuffix(language, n);
            EXPECT_TRUE(table.contains(key)) << key.toStdString();
        }
        // ...and none that it never picks, which no one would ever see or keep up to date.
        for (const char* suffix : {".one", ".few", ".many"}) {
            const QString key = base + QLatin1String(suffix);
            if (!table.contains(key)) {
                continue;
            }
            bool picked = false;
            for (std::int64_t n = 0; n <= 200 && !picked; ++n) {
                picked = pluralSuffix(language, n) == QLatin1String(suffix);
            }
            EXPECT_TRUE(picked) << code.toStdString() << " has unused " << key.toStdString();
        }
    }
}

TEST_P(StringTablesTest, SpecifiersFitTheArgumentsTheCallersPass) {
    const QString code = QString::fromLatin1(GetParam());
    const auto table = readTable(code + ".lproj");
    for (auto it = table.begin(); it != table.end(); ++it) {
        EXPECT_EQ(specifierKinds(it.value()), expectedKinds(it.key()))
            << code.toStdString() << ": " << it.key().toStdString() << " = " << it.value().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, StringTablesTest, ::testing::Values("en", "uk"));

TEST(StringTableContentsTest, BothLanguagesHaveTheSameKeysApartFromPluralForms) {
    auto withoutPlurals = [](const QHash<QString, QString>& table) {
        QStringList keys;
        for (auto it = table.begin(); it != table.end(); ++it) {
            const bool plural =
                std::any_of(kCountedBases.begin(), kCountedBases.end(),
                            [&](const QString& base) { return it.key().startsWith(base + "."); });
            if (!plural) {
                keys.append(it.key());
            }
        }
        keys.sort();
        return keys;
    };
    EXPECT_EQ(withoutPlurals(readTable("en.lproj")), withoutPlurals(readTable("uk.lproj")));
}

// The tables as the build copies them into the bundle, read through Localization as the program does.
TEST(StringTableContentsTest, TheBuiltBundleSpeaksBothLanguages) {
    testing::TempHome home;
    testing::InMemoryUserDefaults defaults;
    NotificationCenter center;
    testing::VirtualTime time;
    testing::InMemoryNotificationBus bus;
    testing::InMemoryDistributedNotificationCenter distributed(bus, time);
    testing::RecordingLoginItems loginItems;
    testing::RecordingConsole console;
    AppSettings settings(defaults, center, distributed, loginItems, console, home.paths(), std::nullopt,
                         time);
    const MainBundle bundle(QStringLiteral(TESSLY_BUNDLE_DIR), {});
    const Localization l10n(settings, bundle, &console);

    EXPECT_EQ(l10n.localizedString(l10n.pluralKey("main.folder_count", 1), {1}), "1 folder");
    EXPECT_EQ(l10n.localizedString("settings.about.version", {"0.1.0"}), "Version 0.1.0");
    settings.setLanguage(AppLanguage::ukrainian);
    EXPECT_EQ(l10n.localizedBundle(), QStringLiteral(TESSLY_BUNDLE_DIR "/Contents/Resources/uk.lproj"));
    EXPECT_EQ(l10n.localizedString(l10n.pluralKey("main.app_count", 22), {22}), "22 програми");
    EXPECT_EQ(l10n.localizedString(l10n.pluralKey("main.folder_count", 5), {5}), "5 папок");
    EXPECT_EQ(l10n.localizedString("main.footer.in_dock", {2}), "У Dock: 2");
    EXPECT_TRUE(console.lines.isEmpty()) << console.lines.join("\n").toStdString();
}

} // namespace
} // namespace tessly
