// The folders page's decisions: what the list shows, its counts and empty states, and how edits, additions,
// reordering, the in-Dock switch and deletion change a folder.
#include "mainwindow/folders/folders_page_logic.h"

#include <gtest/gtest.h>

namespace tessly {
namespace {

AppItem app(const QString& name) {
    return AppItem{QUuid::createUuid(), name, "id." + name.toLower(),
                   QUrl::fromLocalFile("/Applications/" + name + ".app")};
}
AppFolder folder(const QString& name, bool inDock, QList<AppItem> apps = {}) {
    AppFolder result;
    result.id = QUuid::createUuid();
    result.name = name;
    result.isInDock = inDock;
    result.apps = std::move(apps);
    return result;
}

TEST(FoldersPageLogicTest, TheFilterAndTheSearchChooseTheFoldersInTheStoresOrder) {
    const QList<AppFolder> folders{folder("Work", true, {app("Mail"), app("Calendar")}),
                                   folder("Χάρτες", false, {app("Maps")}),
                                   folder("Ігри", true, {app("Шахи")})};
    using Filter = FolderVisibilityFilter;
    EXPECT_EQ(shownFolderIndexes(folders, Filter::all, ""), QList<qsizetype>({0, 1, 2}));
    EXPECT_EQ(shownFolderIndexes(folders, Filter::all, " \t\n "), QList<qsizetype>({0, 1, 2}))
        << "a search of only white space shows everything";
    EXPECT_EQ(shownFolderIndexes(folders, Filter::inDock, ""), QList<qsizetype>({0, 2}));
    EXPECT_EQ(shownFolderIndexes(folders, Filter::all, "CALEN"), QList<qsizetype>({0}))
        << "a match in an application's name only shows its folder";
    EXPECT_EQ(shownFolderIndexes(folders, Filter::all, " ΧΆΡΤΕΣ "), QList<qsizetype>({1}))
        << "folded, not lowered: a capital sigma finds a final one";
    EXPECT_EQ(shownFolderIndexes(folders, Filter::all, "ШАХ"), QList<qsizetype>({2}));
    EXPECT_EQ(shownFolderIndexes(folders, Filter::inDock, "maps"), QList<qsizetype>());
}

TEST(FoldersPageLogicTest, CountsIgnoreTheSearchAndTheEmptyStatesTakeTurns) {
    const QList<AppFolder> none;
    EXPECT_EQ(folderListEmptyState(none, shownFolderIndexes(none, FolderVisibilityFilter::inDock, "")),
              FolderListEmptyState::noFolders);
    const QList<AppFolder> outOfDock{folder("A", false), folder("B", false)};
    const auto shown = shownFolderIndexes(outOfDock, FolderVisibilityFilter::inDock, "");
    EXPECT_EQ(folderListEmptyState(outOfDock, shown), FolderListEmptyState::noResults)
        << "no folder in the Dock: no results, not no folders";
    EXPECT_EQ(folderCountInFilter(outOfDock, FolderVisibilityFilter::all), 2);
    EXPECT_EQ(folderCountInFilter(outOfDock, FolderVisibilityFilter::inDock), 0);
    EXPECT_EQ(folderListEmptyState(outOfDock, {1}), FolderListEmptyState::none);
}

TEST(FoldersPageLogicTest, AnEmptyFolderNeverGoesIntoTheDock) {
    const AppFolder empty = folder("Empty", false);
    const InDockChange refused = inDockChange(empty, true);
    EXPECT_TRUE(refused.showEmptyFolderAlert);
    EXPECT_FALSE(refused.updated);
    const InDockChange out = inDockChange(folder("Empty", true), false);
    ASSERT_TRUE(out.updated) << "taking an empty folder out is allowed";
    EXPECT_FALSE(out.updated->isInDock);
    const InDockChange in = inDockChange(folder("Full", false, {app("Mail")}), true);
    ASSERT_TRUE(in.updated);
    EXPECT_TRUE(in.updated->isInDock);
    EXPECT_FALSE(in.showEmptyFolderAlert);
}

TEST(FoldersPageLogicTest, AFinishedEditKeepsTheOldNameForABlankOne) {
    const AppFolder before = folder("Work", true, {app("Mail")});
    const QList<AppItem> apps{app("Notes")};
    const AppFolder renamed = finishedEdit(before, "  Office  ", "briefcase", apps);
    EXPECT_EQ(renamed.name, "Office");
    EXPECT_EQ(renamed.emoji, "briefcase");
    EXPECT_EQ(renamed.apps, apps);
    EXPECT_EQ(renamed.id, before.id);
    EXPECT_EQ(finishedEdit(before, " \n ", "star", apps).name, "Work");
}

TEST(FoldersPageLogicTest, ChosenApplicationsAreAddedOnceInThePickersOrder) {
    const AppItem mail = app("Mail");
    const AppItem notes = app("Notes");
    const AppItem maps = app("Maps");
    AppItem mailAgain = app("Mail"); // another entry of the same bundle
    const QList<AppItem> result = withChosenApplications({mail}, {notes, mailAgain, maps, notes});
    ASSERT_EQ(result.size(), 3);
    EXPECT_EQ(result.at(0), mail);
    EXPECT_EQ(result.at(1), notes) << "entries keep the identifiers the picker gave them";
    EXPECT_EQ(result.at(2), maps);
}

TEST(FoldersPageLogicTest, ADraggedApplicationLandsWhereItsTargetWasBothWays) {
    const QList<AppItem> apps{app("A"), app("B"), app("C"), app("D")};
    const auto names = [](const QList<AppItem>& list) {
        QStringList result;
        for (const AppItem& item : list) {
            result.append(item.name);
        }
        return result.join("");
    };
    EXPECT_EQ(names(reorderedApplications(apps, apps[0].id, apps[2].id)), "BCAD") << "down: after the target";
    EXPECT_EQ(names(reorderedApplications(apps, apps[3].id, apps[1].id)), "ADBC") << "up: before the target";
    EXPECT_EQ(names(reorderedApplications(apps, apps[1].id, apps[1].id)), "ABCD");
    EXPECT_EQ(names(reorderedApplications(apps, QUuid::createUuid(), apps[1].id)), "ABCD");
}

TEST(FoldersPageLogicTest, AFolderInTheDockWaitsForItsBadgeBeforeItGoes) {
    EXPECT_EQ(deletionDelay(folder("Docked", true)), 2.0);
    EXPECT_EQ(deletionDelay(folder("Loose", false)), 0.0);
}

} // namespace
} // namespace tessly
