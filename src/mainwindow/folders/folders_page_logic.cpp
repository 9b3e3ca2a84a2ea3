#include "mainwindow/folders/folders_page_logic.h"

#include "mainwindow/editor/app_picker_selection.h"

#include <algorithm>

namespace tessly {

namespace {

constexpr double kDeleteBadgeSeconds = 2.0;

bool passesFilter(const AppFolder& folder, FolderVisibilityFilter filter) {
    return filter == FolderVisibilityFilter::all || folder.isInDock;
}

} // namespace

QList<qsizetype> shownFolderIndexes(const QList<AppFolder>& folders, FolderVisibilityFilter filter,
                                    const QString& searchText) {
    const QString needle = searchText.trimmed();
    QList<qsizetype> shown;
    for (qsizetype index = 0; index < folders.size(); ++index) {
        const AppFolder& folder = folders.at(index);
        if (!passesFilter(folder, filter)) {
            continue;
        }
        // The picker's comparison: case folded, and accented letters alike however they are composed.
        if (needle.isEmpty() || localizedCaseInsensitiveContains(folder.name, needle) ||
            std::any_of(folder.apps.begin(), folder.apps.end(), [&](const AppItem& app) {
                return localizedCaseInsensitiveContains(app.name, needle);
            })) {
            shown.append(index);
        }
    }
    return shown;
}

qsizetype folderCountInFilter(const QList<AppFolder>& folders, FolderVisibilityFilter filter) {
    return filter == FolderVisibilityFilter::all ? folders.size() : foldersInDock(folders);
}

qsizetype foldersInDock(const QList<AppFolder>& folders) {
    return std::count_if(folders.begin(), folders.end(),
                         [](const AppFolder& folder) { return folder.isInDock; });
}

FolderListEmptyState folderListEmptyState(const QList<AppFolder>& folders, const QList<qsizetype>& shown) {
    if (folders.isEmpty()) {
        return FolderListEmptyState::noFolders;
    }
    return shown.isEmpty() ? FolderListEmptyState::noResults : FolderListEmptyState::none;
}

InDockChange inDockChange(const AppFolder& folder, bool inDock) {
    InDockChange change;
    if (inDock && folder.apps.isEmpty()) {
        change.showEmptyFolderAlert = true;
        return change;
    }
    change.updated.emplace(folder);
    change.updated->isInDock = inDock;
    return change;
}

AppFolder finishedEdit(AppFolder folder, const QString& editingName, const QString& editingIcon,
                       const QList<AppItem>& editingApps) {
    const QString name = editingName.trimmed();
    if (!name.isEmpty()) {
        folder.name = name;
    }
    folder.emoji = editingIcon;
    folder.apps = editingApps;
    return folder;
}

QList<AppItem> withChosenApplications(QList<AppItem> current, const QList<AppItem>& chosen) {
    QSet<QString> held;
    for (const AppItem& app : current) {
        held.insert(app.bundleID);
    }
    for (const AppItem& app : chosen) {
        if (!held.contains(app.bundleID)) {
            held.insert(app.bundleID);
            current.append(app);
        }
    }
    return current;
}

QList<AppItem> reorderedApplications(QList<AppItem> apps, const QUuid& dragged, const QUuid& target) {
    const auto indexOf = [&](const QUuid& id) -> qsizetype {
        const auto found =
            std::find_if(apps.begin(), apps.end(), [&](const AppItem& app) { return app.id == id; });
        return found == apps.end() ? -1 : std::distance(apps.begin(), found);
    };
    const qsizetype from = indexOf(dragged);
    const qsizetype to = indexOf(target);
    if (from < 0 || to < 0 || from == to) {
        return apps;
    }
    // A move of {from} to the offset to + 1 going down, to going up: the entry lands where the target was.
    apps.move(from, to);
    return apps;
}

double deletionDelay(const AppFolder& folder) {
    return folder.isInDock ? kDeleteBadgeSeconds : 0.0;
}

} // namespace tessly
