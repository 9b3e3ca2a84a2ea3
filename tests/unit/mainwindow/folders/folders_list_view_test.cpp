// The folders page as a user drives it, on the offscreen platform: the filter and the search, the empty
// states, cards made only for what is on screen, the in-Dock switch, editing, adding applications and
// deleting.
#include "mainwindow/controls/action_button.h"
#include "mainwindow/controls/toggle_switch.h"
#include "mainwindow/folders/folders_list_view.h"
#include "model/notification_names.h"
#include "model/uuid_text.h"
#include "platform/main_bundle.h"
#include "settings/localization.h"
#include "support/gui_doubles.h"
#include "support/recording_helper_actions.h"
#include "support/run_events.h"
#include "support/settings_harness.h"
#include "support/string_table_bundle.h"
#include "tile/tile_image.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>

#include <gtest/gtest.h>

namespace tessly {
namespace {

using namespace tessly::testing;

class FoldersListViewTest : public ::testing::Test, protected SettingsHarness {
protected:
    FoldersListViewTest() {
        distributed.addObserver(notification_names::kTSFolderDeleteBadge,
                                [this](const DistributedNotification& posted) { badges.append(posted); });
    }

    static AppItem app(const QString& name) {
        return AppItem{QUuid::createUuid(), name, "id." + name.toLower(),
                       QUrl::fromLocalFile("/Apps/" + name + ".app")};
    }
    AppFolder folder(const QString& name, bool inDock, QList<AppItem> apps = {}) {
        return AppFolder{QUuid::createUuid(), name, "folder.fill", std::move(apps), inDock, {}, time.now()};
    }
    FoldersListView& open(const QList<AppFolder>& folders) {
        store.setFoldersForTesting(folders);
        view = std::make_unique<FoldersListView>(FolderCardContext{
            store, appSettings, l10n, symbols, icons, distributed, center, time, pickSymbol, {}, {}, {}, {}});
        view->resize(560, 480);
        view->show();
        (void)QTest::qWaitForWindowExposed(view.get());
        runEventsFor(20); // queued relayouts
        return *view;
    }
    FolderCardView& card(const QUuid& id) {
        FolderCardView* found = view->cardOf(id);
        EXPECT_NE(found, nullptr);
        return *found;
    }
    QAbstractButton* buttonNamed(QWidget& parent, const QString& text) {
        for (QAbstractButton* button : parent.findChildren<QAbstractButton*>()) {
            if (button->isVisibleTo(&parent) &&
                (button->text() == text || button->accessibleName() == text)) {
                return button;
            }
        }
        return nullptr;
    }

    AppSettings& appSettings = make();
    MainBundle bundle{makeStringTableBundle(home), {}};
    Localization l10n{appSettings, bundle};
    RecordingHelperActions helpers;
    FolderStore store{home.paths(), helpers, center, time, time, console};
    FakeSymbolImages symbols;
    FakeWorkspaceIcons icons;
    std::unique_ptr<FoldersListView> view;
    QList<DistributedNotification> badges;
    std::function<void(QWidget*, const QString&, std::function<void(const QString&)>)> pickSymbol;
};

/// The glyph a card's miniature tile draws.
QString tileGlyph(const FolderCardView& card) {
    const auto* tile = dynamic_cast<const TileImage*>(card.tile().get());
    return tile ? tile->recipe().glyph : QString();
}

TEST_F(FoldersListViewTest, TheFilterTheSearchAndTheEmptyStatesFollowWhatTheUserTypes) {
    const AppFolder work = folder("Work", false, {app("Calendar")});
    const AppFolder games = folder("Games", false);
    FoldersListView& page = open({work, games});
    EXPECT_EQ(page.headerText(), "2 folders");
    EXPECT_EQ(page.footerText(), QString::fromUtf8("2 total \u00B7 0 in Dock"));

    page.setFilter(FolderVisibilityFilter::inDock);
    EXPECT_EQ(page.emptyState(), FolderListEmptyState::noResults) << "no folder in the Dock: no results";
    EXPECT_EQ(page.headerText(), "0 folders");
    page.setFilter(FolderVisibilityFilter::all);

    QTest::keyClicks(page.searchField(), "  ");
    EXPECT_EQ(page.shownFolders(), QList<QUuid>({work.id, games.id})) << "only spaces: everything";
    page.searchField()->clear();
    QTest::keyClicks(page.searchField(), "calen");
    EXPECT_EQ(page.shownFolders(), QList<QUuid>({work.id})) << "a match in an application's name";
    EXPECT_EQ(page.headerText(), "2 folders") << "the count ignores the search";

    store.setFoldersForTesting({});
    EXPECT_EQ(page.emptyState(), FolderListEmptyState::noFolders);
}

TEST_F(FoldersListViewTest, OnlyTheCardsOnScreenAreMadeAndScrollingReusesThem) {
    QList<AppFolder> many;
    for (int index = 0; index < 400; ++index) {
        many.append(folder(QString("Folder %1").arg(index), index % 2 == 0, {app("Mail")}));
    }
    FoldersListView& page = open(many);
    const qsizetype made = page.visibleCardsForTesting().size();
    EXPECT_GT(made, 0);
    EXPECT_LT(made, 30) << "cards for the screen, not for 400 folders";
    page.scrollToFolder(many.last().id);
    runEventsFor(20);
    EXPECT_NE(page.cardOf(many.last().id), nullptr);
    EXPECT_EQ(page.cardOf(many.first().id), nullptr);
    EXPECT_LE(page.findChildren<FolderCardView*>().size(), made + 12) << "cards are reused";
}

TEST_F(FoldersListViewTest, TheInDockSwitchNeverDocksAnEmptyFolder) {
    const AppFolder empty = folder("Empty", false);
    const AppFolder full = folder("Full", false, {app("Mail")});
    open({empty, full});
    QTest::mouseClick(card(empty.id).inDockSwitch(), Qt::LeftButton);
    EXPECT_TRUE(store.showingEmptyFolderAlert());
    EXPECT_FALSE(store.folder(empty.id)->isInDock);
    EXPECT_FALSE(card(empty.id).inDockSwitch()->isChecked()) << "the switch goes back";

    QTest::mouseClick(card(full.id).inDockSwitch(), Qt::LeftButton);
    EXPECT_TRUE(store.folder(full.id)->isInDock);
}

TEST_F(FoldersListViewTest, EditingRenamesRemovesAndAddsApplicationsOnlyOnDone) {
    const AppItem mail = app("Mail");
    const AppItem notes = app("Notes");
    const AppFolder work = folder("Work", false, {mail, notes});
    open({work});
    FolderCardView& editing = card(work.id);
    editing.beginEditing();
    runEventsFor(400); // the card opens
    auto* name = editing.findChild<QLineEdit*>();
    ASSERT_NE(name, nullptr);
    name->selectAll();
    QTest::keyClicks(name, "   ");
    // A press on the first application's remove button.
    const QRect first = editing.cellRect(0);
    QTest::mouseClick(&editing, Qt::LeftButton, {}, QPoint(first.center().x() - 22 - 3, first.top() + 4 + 3));
    EXPECT_EQ(editing.shownApps().size(), 1);
    EXPECT_EQ(store.folder(work.id)->apps.size(), 2) << "nothing reaches the store before Done";

    // Chosen in the picker while editing: added to the edit, once.
    QAbstractButton* add = buttonNamed(editing, "Add");
    ASSERT_NE(add, nullptr);
    add->click();
    ASSERT_TRUE(store.showingAppPicker());
    EXPECT_EQ(store.appPickerCurrentBundleIDs(), QSet<QString>({notes.bundleID}));
    const AppItem maps = app("Maps");
    store.appPickerCallback()({notes, maps});
    EXPECT_EQ(editing.shownApps().size(), 2);

    editing.finishEditing();
    const AppFolder saved = *store.folder(work.id);
    EXPECT_EQ(saved.name, "Work") << "a blank name keeps the old one";
    ASSERT_EQ(saved.apps.size(), 2);
    EXPECT_EQ(saved.apps.at(0).id, notes.id);
    EXPECT_EQ(saved.apps.at(1).id, maps.id);
}

TEST_F(FoldersListViewTest, ApplicationsChosenOutsideEditingReachTheStoreAtOnce) {
    const AppItem mail = app("Mail");
    const AppFolder work = folder("Work", false, {mail});
    open({work});
    card(work.id).setExpanded(true);
    runEventsFor(400);
    QAbstractButton* add = buttonNamed(card(work.id), "Add");
    ASSERT_NE(add, nullptr);
    add->click();
    AppItem mailAgain = app("Mail");
    store.appPickerCallback()({mailAgain, app("Maps")});
    EXPECT_EQ(store.folder(work.id)->apps.size(), 2) << "Mail is not added twice";
}

// Seen on screen: applications added to an open, empty card left Edit, the add button and Delete cut by the
// card's bottom edge until something else laid the list out again.
TEST_F(FoldersListViewTest, AnOpenCardMakesRoomForTheApplicationsAddedToIt) {
    const AppFolder empty = folder("Empty", false);
    open({empty});
    card(empty.id).setExpanded(true);
    runEventsFor(400);
    const auto expectButtonsInside = [&](const char* when) {
        FolderCardView& shown = card(empty.id);
        int buttons = 0;
        for (QAbstractButton* button : shown.findChildren<QAbstractButton*>()) {
            if (button->isVisibleTo(&shown) && button != shown.chevron() && button != shown.inDockSwitch()) {
                ++buttons;
                EXPECT_LE(button->geometry().bottom(), shown.height())
                    << when << ": " << button->accessibleName().toStdString() << button->text().toStdString();
            }
        }
        EXPECT_GE(buttons, 3) << when;
    };
    expectButtonsInside("empty");

    buttonNamed(card(empty.id), "Add")->click();
    QList<AppItem> eight;
    for (const char* name : {"Mail", "Maps", "Notes", "Books", "Music", "Photos", "Clock", "Files"}) {
        eight.append(app(name));
    }
    store.appPickerCallback()(eight);
    ASSERT_EQ(store.folder(empty.id)->apps.size(), 8);
    runEventsFor(50);
    expectButtonsInside("eight applications added, two rows");
}

TEST_F(FoldersListViewTest, ACardBeingEditedStaysOpenUntilDone) {
    const AppFolder work = folder("Work", false, {app("Mail")});
    open({work});
    card(work.id).beginEditing();
    runEventsFor(400);
    QTest::mouseClick(card(work.id).chevron(), Qt::LeftButton);
    card(work.id).setExpanded(false); // the keyboard's way, through the same operation
    runEventsFor(400);
    QAbstractButton* done = buttonNamed(card(work.id), "Done");
    ASSERT_NE(done, nullptr) << "Done, Add and the remove buttons stay in reach";
    EXPECT_GT(card(work.id).height(), 64);

    done->click();
    runEventsFor(20);
    QTest::mouseClick(card(work.id).chevron(), Qt::LeftButton);
    runEventsFor(400);
    EXPECT_EQ(buttonNamed(card(work.id), "Edit"), nullptr) << "after Done the chevron closes the card again";
    EXPECT_EQ(card(work.id).height(), 64);
}

TEST_F(FoldersListViewTest, TheSymbolChosenWhileEditingShowsOnTheButtonAndTheTileAtOnce) {
    QString offered;
    std::function<void(const QString&)> chosen;
    pickSymbol = [&](QWidget*, const QString& current, std::function<void(const QString&)> done) {
        offered = current;
        chosen = std::move(done);
    };
    AppFolder work = folder("Work", false, {app("Mail")});
    work.tileStyle.displayFolderIcon = true;
    open({work});
    card(work.id).beginEditing();
    runEventsFor(400);
    EXPECT_EQ(card(work.id).symbolButton()->symbolName(), "folder.fill") << "the folder's own symbol first";
    card(work.id).symbolButton()->click();
    ASSERT_TRUE(chosen);
    EXPECT_EQ(offered, "folder.fill");
    chosen("star.fill");
    runEventsFor(20); // the relayouts that bind the card again keep what was chosen
    EXPECT_EQ(card(work.id).symbolButton()->symbolName(), "star.fill");
    EXPECT_EQ(tileGlyph(card(work.id)), "star.fill");
    EXPECT_EQ(store.folder(work.id)->emoji, "folder.fill") << "the folder takes it with Done";

    card(work.id).finishEditing();
    EXPECT_EQ(store.folder(work.id)->emoji, "star.fill");
    EXPECT_EQ(tileGlyph(card(work.id)), "star.fill");
}

TEST_F(FoldersListViewTest, ADeletedFolderInTheDockShowsItsBadgeAndItsHelperGoesTwoSecondsLater) {
    const AppFolder docked = folder("Docked", true, {app("Mail")});
    const AppFolder loose = folder("Loose", false);
    open({docked, loose});

    store.setFolderPendingDelete(docked);
    std::unique_ptr<QWidget> sheet(makeDeleteConfirmationSheet(store, appSettings, l10n, distributed));
    ASSERT_NE(sheet, nullptr);
    QAbstractButton* confirm = buttonNamed(*sheet, "Delete Folder");
    ASSERT_NE(confirm, nullptr);
    confirm->click();
    EXPECT_FALSE(store.folderPendingDelete());
    time.runDue();
    ASSERT_EQ(badges.size(), 1);
    EXPECT_EQ(*badges.first().userInfo.find(notification_names::kKeyId)->asString(), uuidText(docked.id));
    EXPECT_FALSE(store.folder(docked.id)) << "out of the list at once";
    const QString removal = "removeHelper " + uuidText(docked.id) + " false";
    time.advance(1.9);
    EXPECT_FALSE(helpers.calls.contains(removal)) << "its helper stays while the badge shows";
    time.advance(0.2);
    EXPECT_TRUE(helpers.calls.contains(removal));

    store.setFolderPendingDelete(loose);
    std::unique_ptr<QWidget> second(makeDeleteConfirmationSheet(store, appSettings, l10n, distributed));
    buttonNamed(*second, "Delete Folder")->click();
    EXPECT_FALSE(store.folder(loose.id));
    EXPECT_TRUE(helpers.calls.contains("removeHelper " + uuidText(loose.id) + " false"))
        << "a folder out of the Dock goes at once";
    EXPECT_EQ(badges.size(), 1);

    store.setFolderPendingDelete(docked);
    std::unique_ptr<QWidget> cancelled(makeDeleteConfirmationSheet(store, appSettings, l10n, distributed));
    buttonNamed(*cancelled, "Cancel")->click();
    EXPECT_FALSE(store.folderPendingDelete());
}

// A name written right to left, or with an override in it, stays a unit of its own in the sentences around it
// and never reorders itself.
TEST_F(FoldersListViewTest, ANameWithDirectionalControlsIsShownIsolatedAndWithoutThem) {
    const AppFolder odd = folder(QStringLiteral("report\u202Efdp.exe"), false, {app("Mail")});
    open({odd});
    EXPECT_EQ(card(odd.id).inDockSwitch()->accessibleName(),
              QStringLiteral("In Dock: \u2068reportfdp.exe\u2069"));

    store.setFolderPendingDelete(odd);
    std::unique_ptr<QWidget> sheet(makeDeleteConfirmationSheet(store, appSettings, l10n, distributed));
    ASSERT_NE(sheet, nullptr);
    bool named = false;
    for (const QLabel* label : sheet->findChildren<QLabel*>()) {
        EXPECT_FALSE(label->text().contains(QChar(0x202E))) << label->text().toStdString();
        named = named || label->text().contains(QStringLiteral("\u2068reportfdp.exe\u2069"));
    }
    EXPECT_TRUE(named);
}

TEST_F(FoldersListViewTest, TheEmptyFolderAlertSpeaksTheChosenLanguageToTheLastButton) {
    appSettings.setLanguage(AppLanguage::ukrainian);
    store.setShowingEmptyFolderAlert(true);
    std::unique_ptr<QWidget> alert(makeEmptyFolderAlertSheet(store, appSettings, l10n));
    QAbstractButton* ok = buttonNamed(*alert, QString::fromUtf8("Гаразд"));
    ASSERT_NE(ok, nullptr);
    appSettings.setLanguage(AppLanguage::english);
    EXPECT_EQ(ok->text(), "OK");
    ok->click();
    EXPECT_FALSE(store.showingEmptyFolderAlert());
}

// A drag in editing mode moves the dragged application to where the one under the pointer is, both ways, and
// only the edit changes until Done.
TEST_F(FoldersListViewTest, DraggingAnApplicationOverAnotherMovesItThere) {
    const QList<AppItem> apps{app("A"), app("B"), app("C"), app("D")};
    const AppFolder work = folder("Work", false, apps);
    store.setFoldersForTesting({work});
    FolderCardState state;
    const FolderCardContext context{store, appSettings, l10n,   symbols,
                                    icons, distributed, center, time,
                                    {},    {},          {},     [&state](const QUuid&) { return &state; },
                                    {}};
    FolderCardView card(context);
    card.resize(520, 300);
    card.bind(work, &state);
    card.beginEditing();
    const auto order = [&] {
        QString names;
        for (const AppItem& item : card.shownApps()) {
            names += item.name;
        }
        return names;
    };
    // What the card's own drag start notes: the dragged entry; then the pointer over another cell.
    const auto dragOver = [&](const AppItem& dragged, qsizetype target) {
        state.draggingAppID = dragged.id;
        QMimeData mime;
        mime.setData("application/x-tessly-app-entry", uuidText(dragged.id).toUtf8());
        const QPoint at = card.cellRect(target).center();
        QDragEnterEvent enter(at, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&card, &enter);
        QDragMoveEvent move(at, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&card, &move);
        return enter.isAccepted() && move.isAccepted();
    };
    EXPECT_TRUE(dragOver(apps[0], 2));
    EXPECT_EQ(order(), "BCAD") << "down: to the target's place";
    EXPECT_TRUE(dragOver(apps[3], 0));
    EXPECT_EQ(order(), "DBCA") << "up: to the target's place";
    EXPECT_EQ(store.folder(work.id)->apps, apps) << "the store sees it only with Done";
    card.finishEditing();
    EXPECT_EQ(store.folder(work.id)->apps.first().name, "D");
}

} // namespace
} // namespace tessly
