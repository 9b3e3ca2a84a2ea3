// The popup's layout arithmetic: columns and widths from the settings, the panel's fitting size, the rows
// that fit the panel's room and the scroll bar of a grid that does not, the cells of the grid, the header's
// parts, and the colours of both appearances.
#include "popup/popup_layout.h"

#include "popup/popup_shape.h"

#include <gtest/gtest.h>

namespace tessly {
namespace {

TEST(PopupColumnsTest, OneColumnPerApplicationUpToTheSettingAndNeverNone) {
    EXPECT_EQ(popupColumnCount(3, 5), 3);
    EXPECT_EQ(popupColumnCount(5, 5), 5);
    EXPECT_EQ(popupColumnCount(12, 4), 4);
    EXPECT_EQ(popupColumnCount(0, 5), 1);
    EXPECT_EQ(popupColumnCount(12, 0), 1);
    EXPECT_EQ(popupColumnCount(12, -3), 1);
}

TEST(PopupColumnsTest, WidthsGrowFromTheGridOutwards) {
    // 48-point icons: columns of 64; four of them with three gaps of 8.
    EXPECT_EQ(popupColumnWidth(48), 64);
    EXPECT_EQ(popupGridWidth(4, 48), 280);
    EXPECT_EQ(popupPlateWidth(280), 304);
    EXPECT_EQ(popupPanelWidth(280), 352);
    // Three applications under a setting of 5: three columns of 68 with two gaps.
    EXPECT_EQ(popupGridWidth(popupColumnCount(3, 5), 52), 3 * 68 + 2 * 8);
    EXPECT_EQ(popupGridWidth(1, 48), 64);
}

PopupLayoutInput fiveAppsInFourColumns(PopupPosition position) {
    PopupLayoutInput input;
    input.appCount = 5;
    input.maximumColumns = 4;
    input.iconSize = 48;
    input.nameLineHeight = 14;
    input.headerHeight = 40;
    input.position = position;
    return input;
}

TEST(PopupLayoutTest, FittingSizeStacksInsetsHeaderGridAndMargin) {
    // Rows of 48 + 5 + 14 = 67, two of them 12 apart: a grid 146 high under a header of 40 and its 12.
    const PopupLayout centred = popupLayout(fiveAppsInFourColumns(PopupPosition::center));
    EXPECT_EQ(centred.rowCount, 2);
    EXPECT_EQ(centred.headerRect, QRectF(36, 36, 280, 40));
    EXPECT_EQ(centred.gridRect, QRectF(36, 88, 280, 146));
    EXPECT_EQ(centred.plateRect, QRectF(24, 24, 304, 12 + 40 + 12 + 146 + 12));
    EXPECT_EQ(centred.panelSize, QSizeF(352, 222 + 48));

    // Above the Dock the plate gains 16 points on the Dock's side only, where the outline takes the arrow's
    // room: the content keeps its distance from the outline's edge.
    const PopupLayout aboveDock = popupLayout(fiveAppsInFourColumns(PopupPosition::aboveDock));
    EXPECT_EQ(aboveDock.gridRect, centred.gridRect);
    EXPECT_EQ(aboveDock.plateRect, QRectF(24, 24, 304, 222 + 16));
    EXPECT_EQ(aboveDock.panelSize, QSizeF(352, 286));
    PopupLayoutInput leftDock = fiveAppsInFourColumns(PopupPosition::aboveDock);
    leftDock.dockEdge = DockEdge::left;
    const PopupLayout left = popupLayout(leftDock);
    EXPECT_EQ(left.gridRect, centred.gridRect.translated(16, 0));
    EXPECT_EQ(left.headerRect, centred.headerRect.translated(16, 0));
    EXPECT_EQ(left.plateRect, QRectF(24, 24, 304 + 16, 222));
    leftDock.dockEdge = DockEdge::right;
    const PopupLayout right = popupLayout(leftDock);
    EXPECT_EQ(right.gridRect, centred.gridRect);
    EXPECT_EQ(right.panelSize, QSizeF(352 + 16, 270));

    // Without names a row is the icon; without a header the grid starts at the inset.
    PopupLayoutInput bare = fiveAppsInFourColumns(PopupPosition::center);
    bare.nameLineHeight.reset();
    bare.headerHeight.reset();
    const PopupLayout plain = popupLayout(bare);
    EXPECT_TRUE(plain.headerRect.isNull());
    EXPECT_EQ(plain.gridRect, QRectF(36, 36, 280, 48 + 12 + 48));
    EXPECT_EQ(plain.panelSize, QSizeF(352, 108 + 24 + 48));
}

TEST(PopupLayoutTest, AGridTallerThanThePanelsRoomShowsTheRowsThatFitAndScrollsTheRest) {
    // 5,000 applications in 7 columns of rows 79 points apart (67 and the 12 between); around the grid the
    // margins (48), the insets (24) and the header with its spacing (52) take 124 points.
    PopupLayoutInput input = fiveAppsInFourColumns(PopupPosition::center);
    input.appCount = 5000;
    input.maximumColumns = 7;
    input.maximumHeight = 795;
    const PopupLayout tall = popupLayout(input);
    EXPECT_EQ(tall.rowCount, 715);
    EXPECT_EQ(tall.shownRowCount, 8) << "(795 - 124 + 12) / 79 = 8.6";
    EXPECT_TRUE(tall.scrolls());
    EXPECT_EQ(tall.maximumFirstRow(), 707);
    EXPECT_EQ(tall.rowPitch(), 79);
    EXPECT_EQ(tall.gridRect, QRectF(36, 88, 496, 8 * 67 + 7 * 12));
    EXPECT_EQ(tall.panelSize, QSizeF(496 + 72, 124 + 620));
    // The slim bar lies in the middle of the inset right of the grid, as tall as the grid, inside the plate.
    EXPECT_EQ(tall.scrollBarRect, QRectF(532 + 3, 88, 6, 620));
    EXPECT_LT(tall.scrollBarRect.right(), tall.plateRect.right());
    EXPECT_GE(tall.scrollBarRect.top(), tall.plateRect.top() + kPopupCornerRadius);
    // Cells keep their places in the whole grid; the view moves them up as it scrolls.
    EXPECT_EQ(tall.cellRect(4999), QRectF(36 + 1 * 72, 88 + 714 * 79, 64, 67));

    // Exactly the room of nine rows shows nine; a point less, eight. Above the Dock the arrow's 16 points go
    // first.
    input.maximumHeight = 124 + 9 * 67 + 8 * 12;
    EXPECT_EQ(popupLayout(input).shownRowCount, 9);
    input.maximumHeight = *input.maximumHeight - 1;
    EXPECT_EQ(popupLayout(input).shownRowCount, 8);
    input.position = PopupPosition::aboveDock;
    input.maximumHeight = 124 + 16 + 9 * 67 + 8 * 12;
    EXPECT_EQ(popupLayout(input).shownRowCount, 9);
    // However little room there is, one row shows.
    input.maximumHeight = 50;
    EXPECT_EQ(popupLayout(input).shownRowCount, 1);
}

TEST(PopupLayoutTest, AGridThatFitsItsRoomIsLaidOutAsWithoutALimit) {
    for (const PopupPosition position : {PopupPosition::center, PopupPosition::aboveDock}) {
        PopupLayoutInput input = fiveAppsInFourColumns(position);
        const PopupLayout free = popupLayout(input);
        // The panel exactly as tall as its room, and with room to spare.
        for (const double room : {free.panelSize.height(), 2000.0}) {
            input.maximumHeight = room;
            const PopupLayout limited = popupLayout(input);
            EXPECT_FALSE(limited.scrolls());
            EXPECT_EQ(limited.shownRowCount, limited.rowCount);
            EXPECT_EQ(limited.gridRect, free.gridRect);
            EXPECT_EQ(limited.plateRect, free.plateRect);
            EXPECT_EQ(limited.panelSize, free.panelSize);
            EXPECT_TRUE(limited.scrollBarRect.isNull());
        }
    }
}

TEST(PopupLayoutTest, EmptyFolderHasOneEmptyColumnInsideTheInsets) {
    PopupLayoutInput input;
    input.maximumColumns = 5;
    input.iconSize = 48;
    input.nameLineHeight = 14;
    const PopupLayout layout = popupLayout(input);
    EXPECT_EQ(layout.columns, 1);
    EXPECT_EQ(layout.rowCount, 0);
    EXPECT_EQ(layout.plateRect, QRectF(24, 24, 64 + 24, 24));
    EXPECT_TRUE(layout.cellRect(0).isNull());
    input.position = PopupPosition::aboveDock;
    EXPECT_EQ(popupLayout(input).plateRect.height(), 40);
}

TEST(PopupLayoutTest, CellsFillRowsLeftToRightWithIconsCentredInTheirColumns) {
    const PopupLayout layout = popupLayout(fiveAppsInFourColumns(PopupPosition::center));
    EXPECT_EQ(layout.cellRect(0), QRectF(36, 88, 64, 67));
    EXPECT_EQ(layout.cellRect(1), QRectF(36 + 72, 88, 64, 67));
    // The fourth ends exactly at the grid's right edge; the fifth starts the second row.
    EXPECT_EQ(layout.cellRect(3), QRectF(36 + 3 * 72, 88, 64, 67));
    EXPECT_EQ(layout.cellRect(3).right(), layout.gridRect.right());
    EXPECT_EQ(layout.cellRect(4), QRectF(36, 88 + 67 + 12, 64, 67));
    EXPECT_EQ(layout.cellRect(4).bottom(), layout.gridRect.bottom());
    EXPECT_TRUE(layout.cellRect(5).isNull());
    EXPECT_TRUE(layout.cellRect(-1).isNull());

    EXPECT_EQ(layout.iconRect(1, 48), QRectF(108 + 8, 88, 48, 48));
    // The name runs the column's width, 5 points under the icon.
    EXPECT_EQ(layout.nameRect(4, 48, 14), QRectF(36, 167 + 53, 64, 14));
}

TEST(PopupHeaderTest, LongNamesAreCutBeforeTheButtonsAndNeverWidenThePopup) {
    // The header is as wide as the grid whatever the name: its height is all the layout takes from it.
    PopupLayoutInput input = fiveAppsInFourColumns(PopupPosition::center);
    const PopupLayout layout = popupLayout(input);
    input.headerHeight = 400;
    EXPECT_EQ(popupLayout(input).panelSize.width(), layout.panelSize.width());

    const PopupHeaderLayout withPin = popupHeaderLayout(layout.headerRect, 17, true);
    EXPECT_EQ(withPin.closeRect.right(), layout.headerRect.right());
    EXPECT_EQ(withPin.pinRect.right() + 4 + 8, withPin.closeRect.left());
    EXPECT_EQ(withPin.titleRect.left(), layout.headerRect.left());
    EXPECT_EQ(withPin.titleRect.right() + 8, withPin.pinRect.left());
    // Buttons and title share the title row's middle; the divider spans the header under it.
    EXPECT_EQ(withPin.pinRect.center().y(), withPin.closeRect.center().y());
    EXPECT_EQ(withPin.titleRect.center().y(), withPin.closeRect.center().y());
    EXPECT_EQ(withPin.dividerRect, QRectF(36, 36 + 22 + 12, 280, 1));

    const PopupHeaderLayout noPin = popupHeaderLayout(layout.headerRect, 17, false);
    EXPECT_TRUE(noPin.pinRect.isNull());
    EXPECT_EQ(noPin.titleRect.right() + 8, noPin.closeRect.left());

    // A single narrow column leaves the title no room rather than a negative width.
    EXPECT_EQ(popupHeaderLayout(QRectF(0, 0, 32, 35), 17, true).titleRect.width(), 0);

    // The title row is as tall as the title's line or the tallest button.
    EXPECT_EQ(popupHeaderHeight(20, false), 20 + 12 + 1);
    EXPECT_EQ(popupHeaderHeight(10, false), 18 + 12 + 1);
    EXPECT_EQ(popupHeaderHeight(10, true), 22 + 12 + 1);
}

TEST(PopupColorsTest, LightAndDarkAppearances) {
    const PopupColors light = popupColors(AppThemeMode::light);
    const PopupColors dark = popupColors(AppThemeMode::dark);
    const struct {
        const char* name;
        QColor actual;
        double grey, alpha;
    } cases[] = {
        {"light title", light.title, 0, 0.82},
        {"dark title", dark.title, 1, 1},
        {"light name", light.appName, 0, 0.62},
        {"dark name", dark.appName, 1, 0.62},
        {"light divider", light.divider, 0, 0.08},
        {"dark divider", dark.divider, 1, 0.07},
        {"light border", light.border, 0, 0.1},
        {"dark border", dark.border, 1, 0.11},
        {"light shadow 1", light.shadows[0].color, 0, 0.14},
        {"dark shadow 1", dark.shadows[0].color, 0, 0.15},
        {"light shadow 2", light.shadows[1].color, 0, 0.08},
        {"dark shadow 2", dark.shadows[1].color, 0, 0.1},
        {"light close glyph", light.closeGlyph, 1, 1},
        {"dark close glyph", dark.closeGlyph, 1, 0.92},
        {"light close circle", light.closeCircle, 0, 0.7},
        {"dark close circle", dark.closeCircle, 1, 0.16},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // QColor keeps 16 bits a component.
        EXPECT_NEAR(c.actual.redF(), c.grey, 1e-4);
        EXPECT_NEAR(c.actual.greenF(), c.grey, 1e-4);
        EXPECT_NEAR(c.actual.blueF(), c.grey, 1e-4);
        EXPECT_NEAR(c.actual.alphaF(), c.alpha, 1e-4);
    }
    for (const PopupColors& colors : {light, dark}) {
        EXPECT_EQ(colors.pinGlyph.toRgb(), QColor(82, 132, 255));
        EXPECT_EQ(colors.shadows[0].radius, 15);
        EXPECT_EQ(colors.shadows[0].offset, QPointF(0, 8));
        EXPECT_EQ(colors.shadows[1].radius, 5);
        EXPECT_EQ(colors.shadows[1].offset, QPointF(0, 2));
    }
}

} // namespace
} // namespace tessly
