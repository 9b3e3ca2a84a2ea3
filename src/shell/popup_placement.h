// Where the popup panel goes: which edge of its screen the Dock sits on, the panel's bottom-left corner above
// the clicked tile (or centred on the screen), how far the popup's arrow lies from the popup's middle, and
// how tall the panel may be there.
//
//     PopupPlacementInput input{screens, mainScreenIndex, mouseAtOpen, panelSize,
//                               settings.popupPosition(), dockValues};
//     const PopupPlacement placement = popupOrigin(input, m_dockMemory);
//     panel.setFrame(QRectF(placement.origin, panelSize));
//     if (const std::optional<double> offset = placement.arrowOffset) {
//         queue.async([settings = QPointer(&settings), offset] {
//             if (settings) settings->setPopupArrowOffset(*offset);   // the owner may be gone
//         });
//     }
//
// Screen geometry is global and y-up, as the platform describes its screens: origin at the bottom left of
// the primary screen. The arrow offset published is in the popup's own y-down view coordinates, ready for
// `PopupShape::arrowOffset`: positive moves the arrow rightwards on a bottom Dock and downwards on a side
// Dock. For a side Dock that is the negation of the screen's upward distance, so the arrow keeps pointing at
// the click when the popup had to be shifted away from it near the top or bottom of the screen.
//
// Plain functions of plain values; the only state is the `DockMemory` the caller owns and passes in. Use them
// from any thread.
#pragma once

#include "model/enumerations.h"
#include "platform/gui/screens.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <optional>

namespace tessly {

/// The Dock's own preferences as far as placement needs them; a value the Dock does not report is none.
struct DockValues {
    std::optional<double> tileSize;
    std::optional<double> largeSize;
    bool magnification = false;
};

/// What placement remembers between popups: the last thickness of a bottom Dock, to fall back on when the
/// Dock hides, and the last edge detected with certainty.
struct DockMemory {
    double cachedDockHeight = 0;
    DockEdge lastDockEdge = DockEdge::bottom;
};

/// The screen arrangement, the click, the popup's size and the settings the placement depends on.
struct PopupPlacementInput {
    /// In the platform's screen order.
    QList<ScreenGeometry> screens;
    /// The main screen's index in `screens`; none when there is no main screen.
    std::optional<qsizetype> mainScreenIndex;
    /// Where the mouse was when the popup opened; the arrow points at it.
    QPointF arrowLocation;
    /// The panel's size, its transparent margin included.
    QSizeF popupSize;
    PopupPosition position = PopupPosition::aboveDock;
    DockValues dock;
    /// A dock that says where the folder's launcher is: its edge, with `arrowLocation` the middle of the
    /// launcher's side facing away from it. The arrow's tip then touches that point, whatever room the dock
    /// takes on its screen.
    std::optional<DockEdge> anchoredEdge;
};

struct PopupPlacement {
    /// The panel's bottom-left corner, y-up global.
    QPointF origin;
    /// The Dock's edge on the screen the popup was placed on.
    DockEdge edge = DockEdge::bottom;
    /// The arrow offset to publish to the popup's outline (y-down view coordinates); none for a centred
    /// popup, whose offset is left as it was.
    std::optional<double> arrowOffset;
};

/// The Dock's edge on `screen`, told from where its visible frame is narrower than its frame by more than one
/// point: bottom first, then left, then right; bottom when the Dock takes no room on it. Stores what it
/// learns with certainty in `memory`: a bottom Dock's thickness and the edge, and nothing when the Dock takes
/// no room.
[[nodiscard]] DockEdge detectDockEdge(const ScreenGeometry& screen, DockMemory& memory);

/// The panel's bottom-left corner for `input`: above the Dock tile under the click (on the screen holding the
/// click, else the main screen), kept 8 points inside the visible frame, or centred on that screen's visible
/// frame for the centred position. Refreshes `memory` through `detectDockEdge`, and for a bottom Dock stores
/// the Dock height it used.
[[nodiscard]] PopupPlacement popupOrigin(const PopupPlacementInput& input, DockMemory& memory);

/// The panel's new frame after its content changed size to `input.popupSize`, and whether to animate to it.
struct PopupFrame {
    /// y-up global.
    QRectF frame;
    /// Only a visible panel animates.
    bool animated = false;
    /// To publish as with `popupOrigin`; none for a centred popup.
    std::optional<double> arrowOffset;
};

/// Above the Dock: where `popupOrigin` says. Centred: an open panel (`openPanelFrame`, its current frame)
/// grows or shrinks about its own centre; a hidden one (none) is centred in the visible frame of the main
/// screen, else the first screen.
[[nodiscard]] PopupFrame popupFrame(const PopupPlacementInput& input,
                                    const std::optional<QRectF>& openPanelFrame, DockMemory& memory);

/// The tallest the panel may be where it goes for `input` (its size aside), whole points: the height of the
/// visible frame of its screen less 8 points at each end; above a bottom Dock, from the panel's fixed bottom
/// edge to 8 points under the top of the visible frame. Learns nothing: `memory` is a copy.
[[nodiscard]] double popupMaximumHeight(const PopupPlacementInput& input, DockMemory memory);

/// The Dock height to start from before any popup was placed, from the Dock's tile size: the tile plus 18, or
/// 64 when the Dock reports no tile size. A candidate that is not positive leaves `memory` as it was.
void seedCachedDockHeight(DockMemory& memory, std::optional<double> tileSize);

} // namespace tessly
