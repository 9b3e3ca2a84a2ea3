// The program's own string tables: every key the interface asks for is in both languages, counted texts have
// exactly the plural forms their language's rule picks, and the specifiers fit what the callers pass.
#include "settings/localization.h"

#include "platform/main_bundle.h"
#include "support/settings_harness.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace tessly {
namespace {

// The keys the views and the code look up, by family.
const QStringList kCatalogue = QStringLiteral(R"(app.name
    main.search_placeholder main.filter.all main.filter.in_dock main.footer.total main.footer.in_dock
    main.new_folder main.no_folders main.folder.in_dock main.folder.edit main.folder.done main.folder.delete
    main.folder.delete_title main.folder.delete_confirmation_title main.folder.delete_confirmation_message
    main.folder.empty_folder_alert.title main.folder.empty_folder_alert.message
    folder.editor.title.new folder.editor.title.edit folder.editor.name_label folder.editor.name_placeholder
    folder.editor.name_placeholder_example folder.editor.icon_label folder.editor.btn.cancel folder.editor.btn.save
    app_picker.title app_picker.search_placeholder app_picker.add_count
    settings.title settings.tab.general settings.tab.appearance settings.tab.popup settings.tab.about
    settings.general.launch_at_login settings.general.show_menu_bar settings.general.language
    settings.appearance.preview settings.appearance.corner_radius settings.appearance.tile_opacity
    settings.appearance.background settings.tile.border settings.tile.border.width settings.tile.border.opacity
    settings.tile.background_mode settings.tile.background_mode.solid settings.tile.background_mode.gradient
    settings.tile.background_mode.glass
    settings.popup.section.layout settings.popup.section.visual settings.popup.columns settings.popup.icon_size
    settings.popup.show_title settings.popup.show_names settings.popup.position settings.popup.blur
    settings.popup.opacity settings.popup.animation popup.position.center popup.position.above_dock
    popup.blur.thin popup.blur.regular popup.blur.dark popup.animation.spring popup.animation.none
    settings.about.version settings.about.copyright settings.about.check_updates
    menu.open menu.settings menu.quit
    onboarding.window_title onboarding.action.start onboarding.action.next onboarding.action.back
    onboarding.hero.title onboarding.hero.subtitle onboarding.welcome.title onboarding.welcome.subtitle
    onboarding.welcome.item.folders.title onboarding.welcome.item.folders.subtitle
    onboarding.welcome.item.apps.title onboarding.welcome.item.apps.subtitle onboarding.welcome.item.menu.title
    onboarding.welcome.item.menu.subtitle onboarding.workflow.title onboarding.workflow.subtitle
    onboarding.workflow.option.above_dock onboarding.workflow.option.center_screen onboarding.quick.title
    onboarding.quick.subtitle onboarding.quick.theme.title onboarding.quick.theme.dark
    onboarding.quick.theme.light onboarding.quick.menubar.title onboarding.quick.menubar.subtitle
    onboarding.quick.launch.title onboarding.quick.launch.subtitle)")
                                   .split(QRegularExpression(QStringLiteral("\\s+")));

// English texts in the views that serve as their own keys.
const QStringList kEnglishLiteralKeys = {"Tessly",
                                         "Add",
                                         "Icon",
                                         "No folders found",
                                         "Try another search or switch back to All.",
                                         "This folder is empty",
                                         "Add apps to get started.",
                                         "Create a folder to preview tile styles",
                                         "Organize your macOS Dock with elegant app folders.",
                                         "Start Tessly when you log in",
                                         "Access from the menu bar"};

const QStringList kCountedBases = {"main.app_count", "main.folder_count"};

QHash<QString, QString> readTable(const QString& code) {
    QFile file(QStringLiteral(TESSLY_SOURCE_DIR "/resources/") + code + ".lproj/Localizable.json");
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    QJsonParseError error{};
    const QJsonObject object = QJsonDocument::fromJson(file.readAll(), &error).object();
    EXPECT_EQ(error.error, QJsonParseError::NoError) << code.toStdString();
    QHash<QString, QString> table;
    for (auto it = object.begin(); it != object.end(); ++it) {
        EXPECT_TRUE(it.value().isString()) << it.key().toStdString();
        table.insert(it.key(), it.value().toString());
    }
    return table;
}

/// The kinds of the text's specifiers in order: 'i' integer, 'f' double, '@' text, '?' a stray '%'.
QString specifierKinds(QString text) {
    text.remove(QStringLiteral("%%"));
    static const QRegularExpression specifier(
        QStringLiteral(R"(%(?:\d+\$)?[-+ 0#]*\d*(?:\.\d+)?(?:hh|h|ll|l|q|z|t|j|L)?([diuxXofFeEgGaA@s])?)"));
    QString kinds;
    for (const auto& match : specifier.globalMatch(text)) {
        const QString c = match.captured(1);
        char kind = 'f';
        if (c.isEmpty()) {
            kind = '?';
        } else if (QStringLiteral("diuxXo").contains(c)) {
            kind = 'i';
        } else if (QStringLiteral("@s").contains(c)) {
            kind = '@';
        }
        kinds += QLatin1Char(kind);
    }
    return kinds;
}

/// What the callers pass: one count to the counted texts, the add button and the footers; the version text.
QString expectedKinds(const QString& key) {
    const bool counted = std::any_of(kCountedBases.begin(), kCountedBases.end(),
                                     [&](const QString& base) { return key.startsWith(base + '.'); });
    if (counted || key == "app_picker.add_count" || key == "main.footer.total" ||
        key == "main.footer.in_dock") {
        return QStringLiteral("i");
    }
    return key == "settings.about.version" || key == "update.not_checked" ? QStringLiteral("@") : QString();
}

class StringTablesTest : public ::testing::TestWithParam<const char*> {
protected:
    const QString code = QString::fromLatin1(GetParam());
    const QHash<QString, QString> table = readTable(code);
};

TEST_P(StringTablesTest, HoldsEveryCatalogueKeyAndEveryEnglishLiteral) {
    for (const QString& key : kCatalogue + kEnglishLiteralKeys) {
        EXPECT_FALSE(table.value(key).trimmed().isEmpty()) << code.toStdString() << ": " << key.toStdString();
    }
}

TEST_P(StringTablesTest, CountedTextsHaveExactlyTheFormsTheRulePicks) {
    const AppLanguage language = *fromRawText<AppLanguage>(code);
    for (const QString& base : kCountedBases) {
        QSet<QString> picked;
        for (std::int64_t n = -200; n <= 200; ++n) {
            picked.insert(base + pluralSuffix(language, n));
        }
        QSet<QString> present;
        for (const char* suffix : {".one", ".few", ".many"}) {
            if (table.contains(base + suffix)) {
                present.insert(base + suffix);
            }
        }
        EXPECT_EQ(present, picked) << code.toStdString() << ": " << base.toStdString();
    }
}

TEST_P(StringTablesTest, SpecifiersFitTheArgumentsTheCallersPass) {
    for (auto it = table.begin(); it != table.end(); ++it) {
        EXPECT_EQ(specifierKinds(it.value()), expectedKinds(it.key()))
            << code.toStdString() << ": " << it.key().toStdString() << " = " << it.value().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, StringTablesTest, ::testing::Values("en", "uk"));

TEST(StringTableContentsTest, BothLanguagesHaveTheSameKeysApartFromPluralForms) {
    auto singularKeys = [](const QHash<QString, QString>& table) {
        QStringList keys = table.keys();
        keys.removeIf([](const QString& key) {
            return key.startsWith("main.app_count.") || key.startsWith("main.folder_count.");
        });
        keys.sort();
        return keys;
    };
    EXPECT_EQ(singularKeys(readTable("en")), singularKeys(readTable("uk")));
}

// The tables as the build copies them into the bundle, read as the program reads them.
TEST(StringTableContentsTest, TheBuiltBundleSpeaksBothLanguages) {
    testing::SettingsHarness harness;
    AppSettings& settings = harness.make(std::nullopt);
    const MainBundle bundle(QStringLiteral(TESSLY_BUNDLE_DIR), {});
    const Localization l10n(settings, bundle, &harness.console);
    EXPECT_EQ(l10n.localizedString(l10n.pluralKey("main.folder_count", 1), {1}), "1 folder");
    EXPECT_EQ(l10n.localizedString("settings.about.version", {"0.1.0"}), "Version 0.1.0");
    settings.setLanguage(AppLanguage::ukrainian);
    EXPECT_EQ(l10n.localizedBundleForTesting(),
              QStringLiteral(TESSLY_BUNDLE_DIR "/Contents/Resources/uk.lproj"));
    EXPECT_EQ(l10n.localizedString(l10n.pluralKey("main.app_count", 22), {22}), "22 програми");
    EXPECT_EQ(l10n.localizedString(l10n.pluralKey("main.folder_count", 5), {5}), "5 папок");
    EXPECT_TRUE(harness.console.lines.isEmpty()) << harness.console.lines.join('\n').toStdString();
}

} // namespace
} // namespace tessly
