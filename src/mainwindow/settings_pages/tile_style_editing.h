// Which folder the tile appearance page edits, how its preview steps between folders, and how a change of
// one control reaches that folder's tile style.
//
//     std::optional<qsizetype> shown = previewFolderIndex(store.folders(), selectedPreviewID);
//     selectedPreviewID = steppedPreviewFolder(store.folders(), selectedPreviewID, +1);
//     applyTileStyleChange(store, selectedPreviewID, [](TileStyleSettings& s) { s.cornerRadius = 14; });
//
// A change is handed to the folder store as a copy of the folder with the changed style: the store saves it
// and tells the folder's helper to redraw its tile. Main thread only (the store is).
#pragma once

#include "model/app_folder.h"

#include <QList>
#include <QUuid>
#include <functional>
#include <optional>

namespace tessly {

class FolderStore;

/// How far a drag across the preview must go before it steps to the next or the previous folder.
inline constexpr double kPreviewDragThreshold = 48.0;

/// The folder the preview shows: the one `selected` names, else the first; nothing without folders.
[[nodiscard]] std::optional<qsizetype> previewFolderIndex(const QList<AppFolder>& folders,
                                                          const std::optional<QUuid>& selected);

/// The folder `delta` places after the one shown (before it when negative), stopping at the first and the
/// last; nothing without folders.
[[nodiscard]] std::optional<QUuid> steppedPreviewFolder(const QList<AppFolder>& folders,
                                                        const std::optional<QUuid>& selected, int delta);

/// The step a finished drag of `distance` points (positive: to the right) asks for: a drag to the left
/// brings the next folder (+1), to the right the previous one (−1); shorter than the threshold, none (0).
[[nodiscard]] int previewStepForDrag(double distance);

/// Applies `change` to the tile style of the folder the preview shows and hands the changed copy to the
/// store. False, and nothing written, when there is no folder to change.
bool applyTileStyleChange(FolderStore& store, const std::optional<QUuid>& selected,
                          const std::function<void(TileStyleSettings&)>& change);

} // namespace tessly
