#include "popup/popup_layout.h"

#include <algorithm>
#include <cmath>

namespace tessly {

namespace {

// The pin's blue is the same in both appearances.
const QColor kPinBlue = QColor::fromRgb(82, 132, 255);

constexpr double kUnpinnedRotation = 45.0;

QColor black(double opacity) {
    return QColor::fromRgbF(0, 0, 0, static_cast<float>(opacity));
}

QColor white(double opacity) {
    return QColor::fromRgbF(1, 1, 1, static_cast<float>(opacity));
}

// Shadows: a wide one 8 points down and a tight one 2 points down.
constexpr double kWideShadowRadius = 15.0;
constexpr QPointF kWideShadowOffset(0, 8);
constexpr double kTightShadowRadius = 5.0;
constexpr QPointF kTightShadowOffset(0, 2);

} // namespace

int popupColumnCount(qsizetype appCount, int maximumColumns) {
    if (maximumColumns < 1) {
        return 1;
    }
    return static_cast<int>(std::min<qsizetype>(std::max<qsizetype>(appCount, 1), maximumColumns));
}

double popupColumnWidth(double iconSize) {
    return iconSize + kPopupColumnPadding;
}

double popupGridWidth(int columns, double iconSize) {
    return columns * popupColumnWidth(iconSize) + std::max(columns - 1, 0) * kPopupGridSpacing;
}

double popupPlateWidth(double gridWidth) {
    return gridWidth + 2 * kPopupContentInset;
}

double popupPanelWidth(double gridWidth) {
    return popupPlateWidth(gridWidth) + 2 * kPopupShadowMargin;
}

double popupRowHeight(double iconSize, std::optional<double> nameLineHeight) {
    if (!nameLineHeight) {
        return iconSize;
    }
    return iconSize + kPopupIconNameSpacing + *nameLineHeight;
}

double popupHeaderHeight(double titleLineHeight, bool showsPin) {
    const double buttons =
        showsPin ? std::max(kPopupPinButtonSide, kPopupCloseButtonSide) : kPopupCloseButtonSide;
    return std::max(titleLineHeight, buttons) + kPopupSectionSpacing + kPopupDividerThickness;
}

PopupLayout popupLayout(const PopupLayoutInput& input) {
    PopupLayout layout;
    layout.columns = popupColumnCount(input.appCount, input.maximumColumns);
    layout.columnWidth = popupColumnWidth(input.iconSize);
    layout.rowHeight = popupRowHeight(input.iconSize, input.nameLineHeight);
    layout.cellCount = std::max<qsizetype>(input.appCount, 0);
    layout.rowCount = (layout.cellCount + layout.columns - 1) / layout.columns;

    // Above the Dock, the outline takes the arrow's room out of the plate on the Dock's side; the content
    // moves away from that side by as much, so that it never runs into the outline's edge.
    const bool arrow = input.position == PopupPosition::aboveDock;
    const double arrowRoom = arrow ? kPopupAboveDockBottomPadding : 0.0;
    const double leftRoom = arrow && input.dockEdge == DockEdge::left ? arrowRoom : 0.0;
    const double rightRoom = arrow && input.dockEdge == DockEdge::right ? arrowRoom : 0.0;
    const double bottomRoom = arrow && input.dockEdge == DockEdge::bottom ? arrowRoom : 0.0;

    layout.shownRowCount = layout.rowCount;
    if (input.maximumHeight && layout.rowCount > 1) {
        // What the panel holds besides the grid: margins, insets, the header and the arrow's room.
        const double around = 2 * kPopupShadowMargin + 2 * kPopupContentInset + bottomRoom +
                              (input.headerHeight ? *input.headerHeight + kPopupSectionSpacing : 0.0);
        const double room = *input.maximumHeight - around;
        // Whole rows only, each but the first with the spacing above it; a hair of slack for rounding.
        const auto fitting =
            static_cast<qsizetype>(std::floor((room + kPopupRowSpacing) / layout.rowPitch() + 1e-9));
        layout.shownRowCount = std::clamp<qsizetype>(fitting, 1, layout.rowCount);
    }

    const double gridWidth = popupGridWidth(layout.columns, input.iconSize);
    const double gridHeight =
        static_cast<double>(layout.shownRowCount) * layout.rowHeight +
        static_cast<double>(std::max<qsizetype>(layout.shownRowCount - 1, 0)) * kPopupRowSpacing;

    const QPointF content(kPopupShadowMargin + kPopupContentInset + leftRoom,
                          kPopupShadowMargin + kPopupContentInset);
    double gridTop = content.y();
    if (input.headerHeight) {
        layout.headerRect = QRectF(content.x(), content.y(), gridWidth, *input.headerHeight);
        gridTop += *input.headerHeight + kPopupSectionSpacing;
    }
    layout.gridRect = QRectF(content.x(), gridTop, gridWidth, gridHeight);
    if (layout.scrolls()) {
        // In the middle of the inset right of the grid: inside the plate's rounded corners, clear of the
        // cells.
        layout.scrollBarRect =
            QRectF(layout.gridRect.right() + (kPopupContentInset - kPopupScrollBarWidth) / 2,
                   layout.gridRect.top(), kPopupScrollBarWidth, layout.gridRect.height());
    }

    const double plateWidth = popupPlateWidth(gridWidth) + leftRoom + rightRoom;
    const double plateHeight =
        layout.gridRect.bottom() + kPopupContentInset + bottomRoom - kPopupShadowMargin;
    layout.plateRect = QRectF(kPopupShadowMargin, kPopupShadowMargin, plateWidth, plateHeight);
    layout.panelSize = QSizeF(plateWidth + 2 * kPopupShadowMargin, plateHeight + 2 * kPopupShadowMargin);
    return layout;
}

double PopupLayout::rowPitch() const {
    return rowHeight + kPopupRowSpacing;
}

QRectF PopupLayout::cellRect(qsizetype index) const {
    if (index < 0 || index >= cellCount) {
        return {};
    }
    const auto column = static_cast<double>(index % columns);
    const auto row = static_cast<double>(index / columns);
    return {gridRect.x() + column * (columnWidth + kPopupGridSpacing),
            gridRect.y() + row * (rowHeight + kPopupRowSpacing), columnWidth, rowHeight};
}

QRectF PopupLayout::iconRect(qsizetype index, double iconSize) const {
    const QRectF cell = cellRect(index);
    if (cell.isEmpty()) {
        return {};
    }
    return {cell.center().x() - iconSize / 2, cell.y(), iconSize, iconSize};
}

QRectF PopupLayout::nameRect(qsizetype index, double iconSize, double nameLineHeight) const {
    const QRectF cell = cellRect(index);
    if (cell.isEmpty()) {
        return {};
    }
    return {cell.x(), cell.y() + iconSize + kPopupIconNameSpacing, cell.width(), nameLineHeight};
}

PopupHeaderLayout popupHeaderLayout(const QRectF& headerRect, double titleLineHeight, bool showsPin) {
    const double rowHeight =
        popupHeaderHeight(titleLineHeight, showsPin) - kPopupSectionSpacing - kPopupDividerThickness;
    const double rowMidY = headerRect.y() + rowHeight / 2;
    PopupHeaderLayout header;
    header.closeRect = QRectF(headerRect.right() - kPopupCloseButtonSide, rowMidY - kPopupCloseButtonSide / 2,
                              kPopupCloseButtonSide, kPopupCloseButtonSide);
    double buttonsLeft = header.closeRect.left();
    if (showsPin) {
        header.pinRect =
            QRectF(buttonsLeft - kPopupTitleRowSpacing - kPopupPinTrailingPadding - kPopupPinButtonSide,
                   rowMidY - kPopupPinButtonSide / 2, kPopupPinButtonSide, kPopupPinButtonSide);
        buttonsLeft = header.pinRect.left();
    }
    // The title gets what the buttons leave and is cut at its tail: it never pushes the buttons or the popup.
    const double titleWidth = std::max(buttonsLeft - kPopupTitleRowSpacing - headerRect.x(), 0.0);
    header.titleRect = QRectF(headerRect.x(), rowMidY - titleLineHeight / 2, titleWidth, titleLineHeight);
    header.dividerRect = QRectF(headerRect.x(), headerRect.y() + rowHeight + kPopupSectionSpacing,
                                headerRect.width(), kPopupDividerThickness);
    return header;
}

PopupColors popupColors(AppThemeMode appearance) {
    if (appearance == AppThemeMode::light) {
        return {black(0.82),
                black(0.62),
                black(0.08),
                black(0.1),
                {{{black(0.14), kWideShadowRadius, kWideShadowOffset},
                  {black(0.08), kTightShadowRadius, kTightShadowOffset}}},
                kPinBlue,
                white(1.0),
                black(0.7),
                black(0.28),
                kPinBlue};
    }
    return {white(1.0),
            white(0.62),
            white(0.07),
            white(0.11),
            {{{black(0.15), kWideShadowRadius, kWideShadowOffset},
              {black(0.1), kTightShadowRadius, kTightShadowOffset}}},
            kPinBlue,
            white(0.92),
            white(0.16),
            white(0.32),
            kPinBlue};
}

QString pinSymbolName(bool pinned) {
    return pinned ? QStringLiteral("pin.fill") : QStringLiteral("pin");
}

double pinRotationDegrees(bool pinned) {
    return pinned ? 0.0 : kUnpinnedRotation;
}

double popupPresentationScale(bool presented, PopupAnimation animation) {
    if (animation == PopupAnimation::none || presented) {
        return 1.0;
    }
    return kPopupUnpresentedScale;
}

} // namespace tessly
