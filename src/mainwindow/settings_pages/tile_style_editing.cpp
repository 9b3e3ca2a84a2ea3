#include "mainwindow/settings_pages/tile_style_editing.h"

#include "model/folder_store.h"

#include <algorithm>
#include <cmath>

namespace tessly {

std::optional<qsizetype> previewFolderIndex(const QList<AppFolder>& folders,
                                            const std::optional<QUuid>& selected) {
    if (folders.isEmpty()) {
        return std::nullopt;
    }
    if (selected) {
        for (qsizetype i = 0; i < folders.size(); ++i) {
            if (folders.at(i).id == *selected) {
                return i;
            }
        }
    }
    // The folder chosen before was deleted (or none was chosen yet): show the first.
    return 0;
}

std::optional<QUuid> steppedPreviewFolder(const QList<AppFolder>& folders,
                                          const std::optional<QUuid>& selected, int delta) {
    const auto index = previewFolderIndex(folders, selected);
    if (!index) {
        return std::nullopt;
    }
    const qsizetype target = std::clamp<qsizetype>(*index + delta, 0, folders.size() - 1);
    return folders.at(target).id;
}

int previewStepForDrag(double distance) {
    if (!(std::fabs(distance) >= kPreviewDragThreshold)) {
        return 0;
    }
    return distance < 0 ? 1 : -1;
}

bool applyTileStyleChange(FolderStore& store, const std::optional<QUuid>& selected,
                          const std::function<void(TileStyleSettings&)>& change) {
    const auto index = previewFolderIndex(store.folders(), selected);
    if (!index || !change) {
        return false;
    }
    AppFolder folder = store.folders().at(*index);
    change(folder.tileStyle);
    store.updateFolder(folder);
    return true;
}

} // namespace tessly
