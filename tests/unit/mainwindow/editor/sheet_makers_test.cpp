// The folder editor, the symbol grid and the application picker as a user drives them, by keyboard and
// pointer, with every outcome reaching the folder store.
#include "mainwindow/controls/action_button.h"
#include "mainwindow/controls/settings_style.h"
#include "mainwindow/editor/app_picker_view.h"
#include "mainwindow/editor/folder_editor_sheet.h"
#include "mainwindow/editor/symbol_picker_popover.h"
#include "mainwindow/folders/app_icon_cache.h"
#include "model/folder_store.h"
#include "platform/main_bundle.h"
#include "settings/localization.h"
#include "support/gui_doubles.h"
#include "support/recording_helper_actions.h"
#include "support/run_events.h"
#include "support/settings_harness.h"
#include "support/string_table_bundle.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QTest>

#include <gtest/gtest.h>

namespace tessly {
namespace {

using namespace tessly::testing;

AppItem app(const QString& name, const QString& bundleID) {
    return AppItem{QUuid::createUuid(), name, bundleID,
                   QUrl::fromLocalFile("/Applications/" + name + ".app")};
}

/// Types `text` into `widget` key by key, as an input method delivers letters that have no key of their own.
void type(QWidget* widget, const QString& text) {
    for (const QChar character : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(character));
        QCoreApplication::sendEvent(widget, &press);
    }
}

class FolderEditorSheetsTest : public ::testing::Test, protected SettingsHarness {
protected:
    FolderEditorSheetsTest() { store.setShowingFolderEditor(true); }

    /// Shows `sheet` as a window of its size with the keyboard in it, as the window presents a sheet.
    template <typename Sheet> Sheet& present(Sheet* sheet) {
        shown.reset(sheet);
        sheet->resize(sheet->sizeHint());
        sheet->show();
        sheet->activateWindow();
        (void)QTest::qWaitForWindowExposed(sheet);
        sheet->setFocus(Qt::OtherFocusReason);
        return *sheet;
    }

    FolderEditorSheet& openEditor(std::optional<AppFolder> folder = std::nullopt) {
        return present(new FolderEditorSheet(
            FolderEditorSheet::Parts{store, appSettings, l10n, symbols, [this] { return time.now(); }},
            std::move(folder)));
    }

    AppPickerView& openPicker(QList<AppItem> applications, QSet<QString> alreadyAdded = {}) {
        store.setShowingAppPicker(true);
        return present(new AppPickerView(
            AppPickerView::Parts{appSettings, l10n, symbols, icons, time,
                                 [this, applications](std::function<void(QList<AppItem>)> done) {
                                     ++scans;
                                     time.async([applications, done] { done(applications); });
                                 }},
            std::move(alreadyAdded), [this](const QList<AppItem>& chosen) { confirmed.append(chosen); },
            [this] { store.setShowingAppPicker(false); }));
    }

    AppSettings& appSettings = make();
    MainBundle bundle{makeStringTableBundle(home), {}};
    Localization l10n{*settings, bundle};
    RecordingHelperActions helpers;
    FolderStore store{home.paths(), helpers, center, time, time, console};
    FakeSymbolImages symbols;
    FakeWorkspaceIcons icons;
    std::unique_ptr<QWidget> shown;
    QList<QList<AppItem>> confirmed;
    int scans = 0;
};

TEST_F(FolderEditorSheetsTest, TypingFollowsTheNameRuleAndSaveMakesANewFolderAndCloses) {
    FolderEditorSheet& sheet = openEditor();
    EXPECT_EQ(sheet.titleLabel()->text(), QStringLiteral("New Folder"));
    ASSERT_TRUE(sheet.nameFieldForTesting()->hasFocus()) << "the keyboard starts in the name field";
    EXPECT_FALSE(sheet.saveButton()->isEnabled()) << "nothing to save yet";
    EXPECT_EQ(sheet.nameRuleNote()->foregroundRole(), kSecondaryTextRole) << "the rule, quietly";

    type(sheet.nameFieldForTesting(), QStringLiteral("Café!"));
    EXPECT_EQ(sheet.nameFieldForTesting()->text(), QStringLiteral("Caf"));
    EXPECT_EQ(sheet.nameRuleNote()->foregroundRole(), kDestructiveRole) << "the rule says why";
    QTest::keyClicks(sheet.nameFieldForTesting(), QStringLiteral("e"));
    EXPECT_EQ(sheet.nameRuleNote()->foregroundRole(), kSecondaryTextRole)
        << "quiet again for an allowed letter";
    QTest::keyClicks(sheet.nameFieldForTesting(), QStringLiteral(" Tools and more things"));
    EXPECT_EQ(sheet.nameFieldForTesting()->text(), QStringLiteral("Cafe Tools and more "))
        << "20 characters at most";
    EXPECT_TRUE(sheet.saveButton()->isEnabled());

    QTest::keyClick(sheet.nameFieldForTesting(), Qt::Key_Return);
    ASSERT_EQ(store.folders().size(), 1);
    EXPECT_EQ(store.folders().constFirst().name, QStringLiteral("Cafe Tools and more"));
    EXPECT_EQ(store.folders().constFirst().emoji, QStringLiteral("folder")) << "the first symbol by default";
    EXPECT_FALSE(store.showingFolderEditor());
}

TEST_F(FolderEditorSheetsTest, ABlankNameSavesNothingAndCancelOrEscapeChangeNothing) {
    FolderEditorSheet& sheet = openEditor();
    QTest::keyClicks(sheet.nameFieldForTesting(), QStringLiteral("   "));
    EXPECT_FALSE(sheet.saveButton()->isEnabled());
    QTest::keyClick(sheet.nameFieldForTesting(), Qt::Key_Return);
    sheet.save();
    EXPECT_TRUE(store.folders().isEmpty());
    EXPECT_TRUE(store.showingFolderEditor()) << "the sheet stays for a name";

    QTest::keyClick(sheet.nameFieldForTesting(), Qt::Key_Escape);
    EXPECT_FALSE(store.showingFolderEditor());
    store.setShowingFolderEditor(true);
    QTest::mouseClick(sheet.cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(store.showingFolderEditor());
    EXPECT_TRUE(store.folders().isEmpty());
}

TEST_F(FolderEditorSheetsTest, EditingAFolderRenamesItAndTakesTheSymbolChosenInTheGrid) {
    AppFolder folder;
    folder.id = QUuid::createUuid();
    folder.name = QStringLiteral("Ігри");
    folder.emoji = QStringLiteral("gamecontroller");
    store.addFolder(folder);
    appSettings.setLanguage(AppLanguage::ukrainian);
    FolderEditorSheet& sheet = openEditor(folder);
    EXPECT_EQ(sheet.titleLabel()->text(), QStringLiteral("Редагування папки"));
    EXPECT_EQ(sheet.nameFieldForTesting()->text(), QStringLiteral("Ігри"))
        << "the name as it is, until the user types";
    EXPECT_EQ(sheet.iconButton()->symbolName(), QStringLiteral("gamecontroller"));

    sheet.nameFieldForTesting()->setText(QStringLiteral("Ігри й розваги"));
    EXPECT_EQ(sheet.nameFieldForTesting()->text(), QStringLiteral("гри й розваги"))
        << "І is not in the allowed set";

    QTest::mouseClick(sheet.iconButton(), Qt::LeftButton);
    SymbolPickerPopover* grid = sheet.iconPicker();
    ASSERT_NE(grid, nullptr);
    ASSERT_TRUE(grid->isVisible());
    EXPECT_EQ(grid->selectedIcon(), QStringLiteral("gamecontroller"));
    const auto star = std::find_if(grid->cells().cbegin(), grid->cells().cend(),
                                   [](const SymbolPickerCell* cell) { return cell->symbolName() == "star"; });
    ASSERT_NE(star, grid->cells().cend());
    QTest::mouseClick(*star, Qt::LeftButton);
    EXPECT_FALSE(grid->isVisible()) << "a choice closes the grid";
    EXPECT_EQ(sheet.iconButton()->symbolName(), QStringLiteral("star"));

    QTest::mouseClick(sheet.saveButton(), Qt::LeftButton);
    ASSERT_EQ(store.folders().size(), 1);
    EXPECT_EQ(store.folders().constFirst().id, folder.id);
    EXPECT_EQ(store.folders().constFirst().name, QStringLiteral("гри й розваги"));
    EXPECT_EQ(store.folders().constFirst().emoji, QStringLiteral("star"));
    EXPECT_FALSE(store.showingFolderEditor());
}

TEST_F(FolderEditorSheetsTest, TheSymbolGridListsEverySymbolInOrderAndGoesByArrowKeys) {
    QWidget anchor;
    anchor.show();
    SymbolPickerPopover grid(symbols, l10n, &anchor);
    grid.setSelectedIcon(QStringLiteral("leaf"));
    QStringList seen;
    for (const SymbolPickerCell* cell : grid.cells()) {
        seen.append(cell->symbolName());
        EXPECT_FALSE(cell->accessibleName().isEmpty());
        EXPECT_EQ(cell->isChecked(), cell->symbolName() == "leaf") << "only the current one is marked";
    }
    EXPECT_EQ(seen.size(), 99);
    EXPECT_EQ(seen.first(), QStringLiteral("folder"));
    EXPECT_EQ(grid.cells().at(3)->accessibleName(), QStringLiteral("wrench and screwdriver"));

    QString chosen;
    QObject::connect(&grid, &SymbolPickerPopover::iconSelected, [&](const QString& name) { chosen = name; });
    grid.popUpBelow(&anchor);
    (void)QTest::qWaitForWindowExposed(&grid);
    const int leaf = 8;
    ASSERT_TRUE(grid.cells().at(leaf)->hasFocus()) << "the keyboard starts on the current symbol";
    QTest::keyClick(grid.cells().at(leaf), Qt::Key_Right); // the end of the first row runs on to the second
    EXPECT_TRUE(grid.cells().at(9)->hasFocus());
    QTest::keyClick(grid.cells().at(9), Qt::Key_Down);
    EXPECT_TRUE(grid.cells().at(9 + SymbolPickerPopover::kColumns)->hasFocus());
    QTest::keyClick(grid.cells().at(9 + SymbolPickerPopover::kColumns), Qt::Key_Up);
    QTest::keyClick(grid.cells().at(9), Qt::Key_Up);
    QTest::keyClick(grid.cells().at(0), Qt::Key_Up);
    EXPECT_TRUE(grid.cells().at(0)->hasFocus()) << "up from the first row stays";
    QTest::keyClick(grid.cells().at(0), Qt::Key_Return);
    EXPECT_EQ(chosen, QStringLiteral("folder"));
    EXPECT_FALSE(grid.isVisible());
}

TEST_F(FolderEditorSheetsTest, ThePickerScansOncePerOpeningAndAlreadyAddedApplicationsCannotBeChosen) {
    AppPickerView& picker = openPicker({app("Calendar", "c"), app("Mail", "m"), app("Notes", "n")}, {"m"});
    EXPECT_FALSE(picker.hasApplications()) << "the scan comes back after the current event";
    time.runDue();
    ASSERT_TRUE(picker.hasApplications());
    EXPECT_EQ(scans, 1);
    QListView* grid = picker.grid();
    ASSERT_EQ(grid->model()->rowCount(), 3) << "the application already added is listed";
    EXPECT_EQ(picker.confirmButton()->text(), QStringLiteral("Add"));
    EXPECT_FALSE(picker.confirmButton()->isEnabled());

    const auto clickRow = [grid](int row) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(grid->model()->index(row, 0)).center());
    };
    clickRow(1); // Mail, already in the folder
    EXPECT_EQ(picker.selection().selectedCount(), 0);
    EXPECT_EQ(grid->model()->index(1, 0).data(Qt::AccessibleDescriptionRole).toString(),
              QStringLiteral("Already in the folder"));
    clickRow(2);
    clickRow(0);
    EXPECT_EQ(picker.confirmButton()->text(), QStringLiteral("Add (2)"));
    EXPECT_TRUE(picker.confirmButton()->isEnabled());

    QTest::mouseClick(picker.confirmButton(), Qt::LeftButton);
    ASSERT_EQ(confirmed.size(), 1);
    ASSERT_EQ(confirmed.constFirst().size(), 2);
    EXPECT_EQ(confirmed.constFirst().at(0).name, QStringLiteral("Calendar"))
        << "in list order, not click order";
    EXPECT_EQ(confirmed.constFirst().at(1).name, QStringLiteral("Notes"));
    EXPECT_FALSE(store.showingAppPicker());
    EXPECT_EQ(scans, 1);
}

TEST_F(FolderEditorSheetsTest, ThePickerSearchesAsTheUserTypesAndTheKeyboardChoosesFromTheResults) {
    appSettings.setLanguage(AppLanguage::ukrainian);
    AppPickerView& picker = openPicker({app("Calendar", "c"), app("Термінал", "t"), app("Текст", "x")});
    time.runDue();
    EXPECT_EQ(picker.confirmButton()->text(), QStringLiteral("Додати"));
    ASSERT_TRUE(picker.searchField()->hasFocus());
    type(picker.searchField(), QStringLiteral("те"));
    ASSERT_EQ(picker.grid()->model()->rowCount(), 2);
    EXPECT_FALSE(picker.emptyNote()->isVisibleTo(&picker));
    QTest::keyClick(picker.searchField(), Qt::Key_Down);
    ASSERT_TRUE(picker.grid()->hasFocus()) << "down from the search leads into the results";
    QTest::keyClick(picker.grid(), Qt::Key_Right);
    QTest::keyClick(picker.grid(), Qt::Key_Space);
    EXPECT_EQ(picker.confirmButton()->text(), QStringLiteral("Додати (1)"));
    EXPECT_EQ(picker.selection().chosenApplications().constFirst().name, QStringLiteral("Текст"));

    picker.searchField()->setText(QStringLiteral("zzz"));
    EXPECT_EQ(picker.grid()->model()->rowCount(), 0);
    EXPECT_TRUE(picker.emptyNote()->isVisibleTo(&picker));
    QTest::keyClick(picker.searchField(), Qt::Key_Escape);
    EXPECT_FALSE(store.showingAppPicker());
    EXPECT_TRUE(confirmed.isEmpty()) << "cancelled: nothing handed over";
}

TEST_F(FolderEditorSheetsTest, IconsAreReadOnlyForCellsOnScreenAfterTheFrameAndOncePerPath) {
    QList<AppItem> many;
    for (int i = 0; i < 400; ++i) {
        many.append(
            app(QStringLiteral("App %1").arg(i, 3, 10, QLatin1Char('0')), QStringLiteral("id.%1").arg(i)));
    }
    AppPickerView& picker = openPicker(many);
    time.runDue(); // the scan
    QCoreApplication::processEvents();
    picker.grid()->viewport()->repaint();
    EXPECT_TRUE(icons.lookups.isEmpty()) << "a frame never waits for an icon";
    for (int turn = 0; turn < 40 && time.pendingCount() > 0; ++turn) {
        time.runDue();
        picker.grid()->viewport()->repaint();
    }
    EXPECT_FALSE(icons.lookups.isEmpty());
    EXPECT_LT(icons.lookups.size(), 100) << "only what is on screen";
    const QSet<QString> distinct(icons.lookups.cbegin(), icons.lookups.cend());
    EXPECT_EQ(distinct.size(), icons.lookups.size()) << "each path read once";
    EXPECT_TRUE(icons.lookups.contains(QStringLiteral("/Applications/App 000.app")));
}

TEST(AppIconCacheTest, ARequestIsReadOnTheQueueAndKeptAndAFastScrollKeepsOnlyRecentRequests) {
    VirtualTime time;
    FakeWorkspaceIcons icons;
    AppIconCache cache(icons, time, 40, 2.0);
    int loads = 0;
    QObject::connect(&cache, &AppIconCache::iconsLoaded, [&loads] { ++loads; });
    EXPECT_TRUE(cache.icon(QStringLiteral("/A.app")).isNull());
    EXPECT_TRUE(icons.lookups.isEmpty());
    time.runDue();
    EXPECT_EQ(loads, 1);
    const QImage icon = cache.icon(QStringLiteral("/A.app"));
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.size(), QSize(80, 80)) << "at the device's pixels";
    EXPECT_EQ(icons.lookups, QStringList({"/A.app"}));

    for (int i = 0; i < AppIconCache::kMaximumPending + 10; ++i) {
        (void)cache.icon(QStringLiteral("/row%1.app").arg(i));
    }
    EXPECT_EQ(cache.pendingPaths().size(), AppIconCache::kMaximumPending);
    EXPECT_EQ(cache.pendingPaths().constFirst(), QStringLiteral("/row10.app")) << "the oldest dropped";
    time.runDue();
    EXPECT_EQ(icons.lookups.size(), 1 + AppIconCache::kMaximumPending);
    EXPECT_EQ(loads, 1 + AppIconCache::kMaximumPending / AppIconCache::kIconsPerTurn)
        << "a few per turn of the queue, each turn announced";
    EXPECT_EQ(icons.lookups.at(1), QStringLiteral("/row%1.app").arg(AppIconCache::kMaximumPending + 9))
        << "the latest rows first";
}

} // namespace
} // namespace tessly
