// Where a folder card draws what it shows: its header (the tile, the name, the count and the "In Dock"
// marker), the grid of its applications once open, and each application's icon, name and remove button. The
// widget (folder_card_view.h) only asks these and paints.
//
//     const QRect cell = cardCellRect(index, width());
//     painter.drawImage(cardAppIconRect(cell), icon);
//     const CardHeaderLayout header = cardHeaderLayout(textRight, countWidth, markerWidth);
//
// Plain functions of sizes in pixels; any thread.
#pragma once

#include <QRect>
#include <QRectF>

#include <optional>

namespace tessly {

namespace folder_card {
inline constexpr int kHeaderHeight = 64;
inline constexpr int kSideMargin = 14;
inline constexpr int kTileSide = 44;
inline constexpr int kTextLeft = kSideMargin + kTileSide + 12;
inline constexpr int kChevronSide = 24;
inline constexpr int kControlSpacing = 12;
inline constexpr int kGridTop = kHeaderHeight + 10;
inline constexpr int kCellWidth = 80;
inline constexpr int kCellHeight = 78;
inline constexpr int kCellSpacing = 6;
inline constexpr int kEmptyGridHeight = 64;
inline constexpr int kButtonsRowHeight = 34;
inline constexpr int kBottomMargin = 12;
inline constexpr int kRemoveButtonSide = 18;
inline constexpr int kAppIconSide = 44;
inline constexpr int kCornerRadius = 10;
} // namespace folder_card

/// How many application cells fit side by side in a card `width` wide; at least one.
[[nodiscard]] int cardGridColumns(int width);
/// The height of the grid of `count` applications (an empty folder's note when there are none).
[[nodiscard]] int cardGridHeight(qsizetype count, int width);
/// What an open card adds below its header: the grid, and the row of its buttons.
[[nodiscard]] int cardExpandedExtra(qsizetype count, int width);

/// The cell of the application at `index`, row by row.
[[nodiscard]] QRect cardCellRect(qsizetype index, int width);
/// The application's icon in its cell, centred at the top.
[[nodiscard]] QRectF cardAppIconRect(const QRect& cell);
/// The application's name, under its icon, as wide as the cell.
[[nodiscard]] QRect cardAppNameRect(const QRect& cell);
/// The remove button of the application at `index`, over its icon's top left corner.
[[nodiscard]] QRect cardRemoveButtonRect(qsizetype index, int width);

/// The folder's tile, at the left of the header, centred in its height.
[[nodiscard]] QRectF cardTileRect();

struct CardHeaderLayout {
    QRect name;
    QRect count;
    /// The "In Dock" marker after the count; nothing when it would reach into the controls.
    std::optional<QRectF> inDockMarker;
};
/// The header's texts, left of `textRight` (where the controls begin), for a count `countWidth` wide and an
/// "In Dock" marker whose text is `markerTextWidth` wide (nothing: the folder is not in the Dock).
[[nodiscard]] CardHeaderLayout cardHeaderLayout(int textRight, int countWidth,
                                                std::optional<int> markerTextWidth);

} // namespace tessly
