// The folders page's decisions, apart from its widgets: which folders the list shows for a filter and a
// search, the counts of the header and footer, which empty state applies, what the in-Dock switch does, how a
// finished edit changes a folder, which chosen applications a folder takes, where a dragged application
// lands, and how long a confirmed deletion waits.
//
//     const QList<qsizetype> shown = shownFolderIndexes(store.folders(), filter, searchField->text());
//     if (folderListEmptyState(store.folders(), shown) == FolderListEmptyState::noResults) showNoResults();
//
// Plain functions of plain values; any thread.
#pragma once

#include "model/app_folder.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QUuid>

namespace tessly {

enum class FolderVisibilityFilter { all, inDock };

/// The positions in `folders` of the folders the list shows, in the store's order: those the filter lets
/// through whose name, or the name of one of whose applications, contains the search text (trimmed of white
/// space and line breaks; letters compared without regard to case, in every script). An empty search lets
/// every folder of the filter through.
[[nodiscard]] QList<qsizetype> shownFolderIndexes(const QList<AppFolder>& folders,
                                                  FolderVisibilityFilter filter, const QString& searchText);

/// The header's number: the folders of the filter, whatever the search.
[[nodiscard]] qsizetype folderCountInFilter(const QList<AppFolder>& folders, FolderVisibilityFilter filter);
[[nodiscard]] qsizetype foldersInDock(const QList<AppFolder>& folders);

enum class FolderListEmptyState {
    /// Something to list.
    none,
    /// The store holds no folder at all.
    noFolders,
    /// Folders exist, but the filter and the search let none through.
    noResults,
};
[[nodiscard]] FolderListEmptyState folderListEmptyState(const QList<AppFolder>& folders,
                                                        const QList<qsizetype>& shown);

/// What setting the in-Dock switch does: an empty folder is never put in the Dock (the empty-folder alert
/// shows instead); otherwise the folder with the new value goes to the store.
struct InDockChange {
    bool showEmptyFolderAlert = false;
    std::optional<AppFolder> updated;
};
[[nodiscard]] InDockChange inDockChange(const AppFolder& folder, bool inDock);

/// The folder after "Done": the edited name trimmed replaces the name unless it is blank; the symbol and the
/// applications are the edited ones.
[[nodiscard]] AppFolder finishedEdit(AppFolder folder, const QString& editingName, const QString& editingIcon,
                                     const QList<AppItem>& editingApps);

/// `current` with the chosen applications whose bundle identifier it does not hold yet appended, in the
/// picker's order, each once.
[[nodiscard]] QList<AppItem> withChosenApplications(QList<AppItem> current, const QList<AppItem>& chosen);

/// `apps` with the entry `dragged` moved to where the entry `target` is (after it when moving down, before it
/// when moving up); unchanged when either is missing or they are the same.
[[nodiscard]] QList<AppItem> reorderedApplications(QList<AppItem> apps, const QUuid& dragged,
                                                   const QUuid& target);

/// Seconds a confirmed deletion waits: a folder in the Dock shows its "DELETE" badge meanwhile.
[[nodiscard]] double deletionDelay(const AppFolder& folder);

} // namespace tessly
