// The folder popup's measurements: how many columns its grid has and how wide it is, how many of its rows fit
// the room the screen gives the panel, where the plate, the header, every application cell and the grid's
// scroll bar sit in the panel, the colours of light and dark appearance, and the metrics of the pin and close
// buttons. The popup's widgets draw at these places; the panel is sized from `PopupLayout::panelSize`.
//
//     PopupLayoutInput input;
//     input.appCount = folder.apps.size();
//     input.maximumColumns = settings.popupColumns();
//     input.iconSize = settings.popupIconSize();
//     if (settings.popupShowAppName()) input.nameLineHeight = QFontMetricsF(nameFont).height();
//     if (settings.popupShowTitle()) input.headerHeight = popupHeaderHeight(titleLineHeight, showsPin);
//     input.position = settings.popupPosition();
//     input.maximumHeight = roomOnScreen;
//     const PopupLayout layout = popupLayout(input);
//     panel.resize(layout.panelSize);
//     const QPointF scrolled(0, -firstRow * layout.rowPitch());   // 0 <= firstRow <=
//     layout.maximumFirstRow() for (qsizetype i = 0; i < folder.apps.size(); ++i)
//     cells[i]->setGeometry(layout.cellRect(i) + scrolled);
//
// Rectangles are in the panel's coordinates: origin at the top left, y pointing down, points. Plain functions
// of plain values; use them from any thread.
#pragma once

#include "model/enumerations.h"

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <array>
#include <optional>

namespace tessly {

/// Between the plate's edge and its content, on all four sides.
inline constexpr double kPopupContentInset = 12.0;
/// Between grid columns.
inline constexpr double kPopupGridSpacing = 8.0;
/// Between grid rows.
inline constexpr double kPopupRowSpacing = 12.0;
/// Between the header and the grid, and between the header's title row and its divider.
inline constexpr double kPopupSectionSpacing = 12.0;
/// Beside the content of a popup above the Dock, on the Dock's side: room for the arrow, which the outline
/// takes out of the plate on that side.
inline constexpr double kPopupAboveDockBottomPadding = 16.0;
/// Transparent margin around the plate on every side, where its shadows fall.
inline constexpr double kPopupShadowMargin = 24.0;
/// A grid column is this much wider than the icon.
inline constexpr double kPopupColumnPadding = 16.0;
/// Between an icon and its name.
inline constexpr double kPopupIconNameSpacing = 5.0;
/// The header's divider line.
inline constexpr double kPopupDividerThickness = 1.0;
/// Between the items of the header's title row.
inline constexpr double kPopupTitleRowSpacing = 8.0;
/// The width of the grid's scroll bar, which lies in the plate's inset beside the grid when not every row
/// fits.
inline constexpr double kPopupScrollBarWidth = 6.0;

/// Text sizes (points) of the folder's name in the header and of the application names under the icons.
inline constexpr double kPopupTitleFontSize = 14.0;
inline constexpr double kPopupAppNameFontSize = 11.0;

/// The pin button (offered only in the centred position): a square hit area, with room after it.
inline constexpr double kPopupPinButtonSide = 22.0;
inline constexpr double kPopupPinTrailingPadding = 4.0;
inline constexpr double kPopupPinFontSize = 13.0;
inline constexpr double kPopupPinPressedOpacity = 0.72;
/// The close button: a filled circle that is also its hit area.
inline constexpr double kPopupCloseButtonSide = 18.0;
inline constexpr double kPopupCloseFontSize = 10.0;
inline constexpr double kPopupClosePressedOpacity = 0.78;

/// The ring round the icon of the cell that has the keyboard focus reaches this far beyond the icon.
inline constexpr double kPopupFocusRingReach = 4.0;
/// An icon under the pointer grows about its centre by this factor.
inline constexpr double kPopupHoveredIconScale = 1.08;
/// A popup that is not yet presented is drawn at this scale when it animates in.
inline constexpr double kPopupUnpresentedScale = 0.9;

/// The number of grid columns for `appCount` applications and the `popupColumns` setting: one per application
/// up to the setting, one for an empty folder, and one when the setting is below 1.
[[nodiscard]] int popupColumnCount(qsizetype appCount, int maximumColumns);
/// A column is the icon plus 16.
[[nodiscard]] double popupColumnWidth(double iconSize);
/// The grid's width G: the columns and the 8-point gaps between them.
[[nodiscard]] double popupGridWidth(int columns, double iconSize);
/// The plate is the grid plus the insets on both sides.
[[nodiscard]] double popupPlateWidth(double gridWidth);
/// The panel is the plate plus the shadow margin on both sides: G + 72.
[[nodiscard]] double popupPanelWidth(double gridWidth);
/// A grid row: the icon, and under it the name's line when names are shown (`nameLineHeight` present).
[[nodiscard]] double popupRowHeight(double iconSize, std::optional<double> nameLineHeight);
/// The header's height: the title row (as tall as the title's line or the tallest button) with the divider
/// 12 points under it.
[[nodiscard]] double popupHeaderHeight(double titleLineHeight, bool showsPin);

struct PopupLayoutInput {
    qsizetype appCount = 0;
    /// The `popupColumns` setting.
    int maximumColumns = 1;
    /// The `popupIconSize` setting.
    double iconSize = 0;
    /// The line height of an application's name; none when names are not shown.
    std::optional<double> nameLineHeight;
    /// The header's height (see `popupHeaderHeight`); none when there is no header.
    std::optional<double> headerHeight;
    PopupPosition position = PopupPosition::center;
    /// The side of the arrow, for a popup above the Dock.
    DockEdge dockEdge = DockEdge::bottom;
    /// The tallest the panel may be, its margin included: the room its screen gives it. None for no limit.
    /// A grid that does not fit shows the rows that do (one at least) and scrolls through the rest.
    std::optional<double> maximumHeight;
};

struct PopupLayout {
    int columns = 1;
    double columnWidth = 0;
    double rowHeight = 0;
    qsizetype rowCount = 0;
    /// The rows the grid shows at once: all of them, unless the panel would be taller than its room.
    qsizetype shownRowCount = 0;
    qsizetype cellCount = 0;
    /// The plate, which the outline fills and strokes; the shadow margin around it.
    QRectF plateRect;
    /// The header's frame, exactly the grid's width: a long name is cut, never widening the popup. Empty when
    /// there is no header.
    QRectF headerRect;
    /// The grid: G wide, as tall as the rows it shows.
    QRectF gridRect;
    /// The scroll bar's track: in the plate's inset right of the grid, as tall as the grid. Empty when every
    /// row is shown.
    QRectF scrollBarRect;
    /// The panel's fitting size.
    QSizeF panelSize;

    /// Whether some rows are out of view, to scroll to.
    [[nodiscard]] bool scrolls() const { return shownRowCount < rowCount; }
    /// The first row shown when the grid is scrolled to its end.
    [[nodiscard]] qsizetype maximumFirstRow() const { return rowCount - shownRowCount; }
    /// From the top of one row to the top of the next: how far the grid moves when it scrolls by a row.
    [[nodiscard]] double rowPitch() const;

    /// The slot of the application at `index` (rows fill left to right, top to bottom) in the grid scrolled
    /// to its first row: its column's full width and the row's height. An empty rectangle for an index
    /// outside the folder.
    [[nodiscard]] QRectF cellRect(qsizetype index) const;
    /// The icon's square in the slot of `index`: centred in its column, at the top of the slot.
    [[nodiscard]] QRectF iconRect(qsizetype index, double iconSize) const;
    /// The name's line under the icon of `index`, as wide as the column (a longer name is cut).
    [[nodiscard]] QRectF nameRect(qsizetype index, double iconSize, double nameLineHeight) const;
};

[[nodiscard]] PopupLayout popupLayout(const PopupLayoutInput& input);

/// The parts of the header's title row and its divider, within `headerRect`.
struct PopupHeaderLayout {
    /// Where the folder's name is drawn, cut at the tail to fit: from the leading edge up to the first
    /// button.
    QRectF titleRect;
    /// The pin button's square; empty when it is not shown.
    QRectF pinRect;
    QRectF closeRect;
    QRectF dividerRect;
};

[[nodiscard]] PopupHeaderLayout popupHeaderLayout(const QRectF& headerRect, double titleLineHeight,
                                                  bool showsPin);

struct PopupShadow {
    QColor color;
    double radius = 0;
    QPointF offset;
};

/// The popup's colours in one appearance (light for the light theme, dark otherwise).
struct PopupColors {
    QColor title;
    QColor appName;
    QColor divider;
    QColor border;
    /// Drawn in this order under the plate: a wide soft shadow, then a tight one.
    std::array<PopupShadow, 2> shadows;
    QColor pinGlyph;
    QColor closeGlyph;
    QColor closeCircle;
    /// The grid's scroll bar knob, and the ring around the icon of the cell that has the keyboard focus.
    QColor scrollKnob;
    QColor focusRing;
};

[[nodiscard]] PopupColors popupColors(AppThemeMode appearance);

/// "pin.fill" when pinned, "pin" when not.
[[nodiscard]] QString pinSymbolName(bool pinned);
/// An unpinned pin leans 45 degrees (clockwise on screen); a pinned one stands upright.
[[nodiscard]] double pinRotationDegrees(bool pinned);
/// The whole popup's scale about its centre: it grows from 90 % as it is presented, unless animations are
/// off.
[[nodiscard]] double popupPresentationScale(bool presented, PopupAnimation animation);

} // namespace tessly
