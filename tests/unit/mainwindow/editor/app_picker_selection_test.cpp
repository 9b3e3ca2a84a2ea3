// The application picker's search, its choices and the confirm button's text, without a display.
#include "mainwindow/editor/app_picker_selection.h"

#include "platform/main_bundle.h"
#include "settings/localization.h"
#include "support/settings_harness.h"
#include "support/string_table_bundle.h"

#include <gtest/gtest.h>

namespace tessly {
namespace {

using namespace tessly::testing;

AppItem app(const QString& name, const QString& bundleID) {
    return AppItem{QUuid::createUuid(), name, bundleID,
                   QUrl::fromLocalFile("/Applications/" + name + ".app")};
}

QStringList namesOf(const AppPickerSelection& selection) {
    QStringList names;
    for (const qsizetype row : selection.shownRows()) {
        names.append(selection.applications().at(row).name);
    }
    return names;
}

QStringList namesOf(const QList<AppItem>& apps) {
    QStringList names;
    for (const AppItem& item : apps) {
        names.append(item.name);
    }
    return names;
}

class AppPickerSelectionTest : public ::testing::Test {
protected:
    AppPickerSelectionTest() {
        selection.setApplications({app("Calendar", "com.example.calendar"), app("Mail", "com.example.mail"),
                                   app("Safari", "com.example.safari"),
                                   app("Термінал", "org.example.terminal"),
                                   app("Cafe\u0301 Menu", "com.example.cafe")});
    }
    const AppItem& named(const QString& name) const {
        for (const AppItem& item : selection.applications()) {
            if (item.name == name) {
                return item;
            }
        }
        throw std::runtime_error("no such application");
    }

    AppPickerSelection selection{{QStringLiteral("com.example.mail")}};
};

TEST_F(AppPickerSelectionTest, TheSearchFiltersByNameIgnoringCaseAndKeepsTheListOrder) {
    EXPECT_EQ(namesOf(selection).size(), 5);
    selection.setSearchText(QStringLiteral(" \n\t "));
    EXPECT_EQ(namesOf(selection).size(), 5) << "a blank search shows every application";
    selection.setSearchText(QStringLiteral("A"));
    EXPECT_EQ(namesOf(selection), QStringList({"Calendar", "Mail", "Safari", "Cafe\u0301 Menu"}))
        << "the Latin letter, not the Cyrillic one that looks like it";
    selection.setSearchText(QStringLiteral(" SAF "));
    EXPECT_EQ(namesOf(selection), QStringList({"Safari"}));
    selection.setSearchText(QStringLiteral("ТЕРМ"));
    EXPECT_EQ(namesOf(selection), QStringList({"Термінал"}));
    selection.setSearchText(QStringLiteral("CAFÉ")); // composed, against a name written decomposed
    EXPECT_EQ(namesOf(selection), QStringList({"Cafe\u0301 Menu"}));
    selection.setSearchText(QStringLiteral("zzz"));
    EXPECT_TRUE(selection.shownRows().isEmpty());
    EXPECT_TRUE(localizedCaseInsensitiveContains(QStringLiteral("Χάρτες"), QStringLiteral("ΧΆΡΤΕΣ")))
        << "folded, not lowered: a capital sigma finds a final one";
}

TEST_F(AppPickerSelectionTest, AnApplicationAlreadyInTheFolderIsShownButCannotBeChosen) {
    selection.setSearchText(QStringLiteral("mail"));
    EXPECT_EQ(namesOf(selection), QStringList({"Mail"}));
    EXPECT_TRUE(selection.isAlreadyAdded(named("Mail")));
    EXPECT_FALSE(selection.toggle(named("Mail").id));
    EXPECT_FALSE(selection.isSelected(named("Mail")));
    EXPECT_EQ(selection.selectedCount(), 0);
    EXPECT_FALSE(selection.toggle(QUuid::createUuid())) << "an identifier not listed";
}

TEST_F(AppPickerSelectionTest, ChoicesComeBackInListOrderAndASecondToggleTakesOneBack) {
    EXPECT_TRUE(selection.toggle(named("Термінал").id));
    EXPECT_TRUE(selection.toggle(named("Calendar").id));
    EXPECT_TRUE(selection.toggle(named("Safari").id));
    EXPECT_TRUE(selection.toggle(named("Safari").id));
    EXPECT_EQ(selection.selectedCount(), 2);
    EXPECT_EQ(namesOf(selection.chosenApplications()), QStringList({"Calendar", "Термінал"}));

    selection.setSearchText(QStringLiteral("saf"));
    EXPECT_EQ(namesOf(selection.chosenApplications()), QStringList({"Calendar", "Термінал"}))
        << "choices hidden by the search still count";

    // A new scan gives new identities: a choice of an application no longer listed is forgotten.
    QList<AppItem> rescanned = selection.applications();
    rescanned[0].id = QUuid::createUuid();
    selection.setApplications(rescanned);
    EXPECT_EQ(namesOf(selection.chosenApplications()), QStringList({"Термінал"}));
    EXPECT_EQ(namesOf(selection), QStringList({"Safari"})) << "the search still applies to the new list";
}

TEST(AppPickerConfirmTitleTest, TheCountOrTheLocalisedAddInEitherLanguage) {
    SettingsHarness harness;
    AppSettings& settings = harness.make();
    const MainBundle bundle{makeStringTableBundle(harness.home), {}};
    const Localization l10n(settings, bundle);
    EXPECT_EQ(appPickerConfirmTitle(l10n, 0), QStringLiteral("Add"));
    EXPECT_EQ(appPickerConfirmTitle(l10n, 3), QStringLiteral("Add (3)"));
    settings.setLanguage(AppLanguage::ukrainian);
    EXPECT_EQ(appPickerConfirmTitle(l10n, 0), QStringLiteral("Додати"));
    EXPECT_EQ(appPickerConfirmTitle(l10n, 12), QStringLiteral("Додати (12)"));
}

} // namespace
} // namespace tessly
