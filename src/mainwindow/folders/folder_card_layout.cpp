#include "mainwindow/folders/folder_card_layout.h"

#include <algorithm>

namespace tessly {

using namespace folder_card;

int cardGridColumns(int width) {
    return std::max(1, (width - 2 * kSideMargin + kCellSpacing) / (kCellWidth + kCellSpacing));
}

int cardGridHeight(qsizetype count, int width) {
    if (count == 0) {
        return kEmptyGridHeight;
    }
    const int columns = cardGridColumns(width);
    const auto rows = (count + columns - 1) / columns;
    return static_cast<int>(rows) * kCellHeight + static_cast<int>(rows - 1) * kCellSpacing;
}

int cardExpandedExtra(qsizetype count, int width) {
    return 10 + cardGridHeight(count, width) + 12 + kButtonsRowHeight + kBottomMargin;
}

QRect cardCellRect(qsizetype index, int width) {
    const int columns = cardGridColumns(width);
    const auto column = static_cast<int>(index % columns);
    const auto row = static_cast<int>(index / columns);
    return {kSideMargin + column * (kCellWidth + kCellSpacing), kGridTop + row * (kCellHeight + kCellSpacing),
            kCellWidth, kCellHeight};
}

QRectF cardAppIconRect(const QRect& cell) {
    return {cell.center().x() - kAppIconSide / 2.0, cell.top() + 4.0, kAppIconSide, kAppIconSide};
}

QRect cardAppNameRect(const QRect& cell) {
    return {cell.left(), static_cast<int>(cardAppIconRect(cell).bottom()) + 6, cell.width(), 16};
}

QRect cardRemoveButtonRect(qsizetype index, int width) {
    const QRect cell = cardCellRect(index, width);
    const int iconLeft = cell.center().x() - kAppIconSide / 2;
    return {iconLeft - kRemoveButtonSide / 3, cell.top() - kRemoveButtonSide / 3 + 4, kRemoveButtonSide,
            kRemoveButtonSide};
}

QRectF cardTileRect() {
    return {kSideMargin, (kHeaderHeight - kTileSide) / 2.0, kTileSide, kTileSide};
}

CardHeaderLayout cardHeaderLayout(int textRight, int countWidth, std::optional<int> markerTextWidth) {
    CardHeaderLayout layout;
    layout.name = QRect(kTextLeft, 12, textRight - kTextLeft, 22);
    layout.count = QRect(kTextLeft, 36, countWidth, 16);
    if (markerTextWidth) {
        // A small pill after the count, its text padded by 6 on each side.
        const QRectF pill(layout.count.right() + 10, 36, *markerTextWidth + 12, 16);
        if (pill.right() < textRight) {
            layout.inDockMarker = pill;
        }
    }
    return layout;
}

} // namespace tessly
