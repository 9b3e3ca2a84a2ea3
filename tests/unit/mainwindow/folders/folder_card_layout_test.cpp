#include "mainwindow/folders/folder_card_layout.h"

#include <gtest/gtest.h>

namespace tessly {
namespace {

using namespace folder_card;

TEST(FolderCardLayout, TheGridWrapsItsCellsAtTheCardsWidthAndGrowsByWholeRows) {
    const int width = 2 * kSideMargin + 3 * kCellWidth + 2 * kCellSpacing; // exactly three cells
    EXPECT_EQ(cardGridColumns(width), 3);
    EXPECT_EQ(cardGridColumns(width - 1), 2);
    EXPECT_EQ(cardGridColumns(10), 1) << "a card too narrow for one cell still shows one per row";
    EXPECT_EQ(cardCellRect(3, width).topLeft(), QPoint(kSideMargin, kGridTop + kCellHeight + kCellSpacing))
        << "the fourth starts the second row";
    EXPECT_EQ(cardCellRect(2, width).right(), width - kSideMargin - 1) << "the third ends at the margin";
    EXPECT_EQ(cardGridHeight(0, width), kEmptyGridHeight);
    EXPECT_EQ(cardGridHeight(3, width), kCellHeight);
    EXPECT_EQ(cardGridHeight(4, width), 2 * kCellHeight + kCellSpacing);
    const QRect cell = cardCellRect(0, width);
    EXPECT_TRUE(cell.contains(cardAppIconRect(cell).toAlignedRect()));
    EXPECT_GT(cardAppNameRect(cell).top(), cardAppIconRect(cell).bottom()) << "the name under the icon";
}

TEST(FolderCardLayout, TheInDockMarkerFollowsTheCountOnlyWhereItLeavesTheControlsAlone) {
    const CardHeaderLayout roomy = cardHeaderLayout(400, 40, 50);
    ASSERT_TRUE(roomy.inDockMarker);
    EXPECT_GT(roomy.inDockMarker->left(), roomy.count.right());
    EXPECT_EQ(roomy.name.right(), 400 - 1) << "the name may run up to the controls";
    EXPECT_FALSE(cardHeaderLayout(400, 40, std::nullopt).inDockMarker) << "not in the Dock";
    // The count's last pixel, the gap, the text and its padding: where the pill ends.
    const int tight = kTextLeft + 39 + 10 + 50 + 12;
    EXPECT_FALSE(cardHeaderLayout(tight, 40, 50).inDockMarker) << "it would touch the switch";
    EXPECT_TRUE(cardHeaderLayout(tight + 1, 40, 50).inDockMarker);
}

} // namespace
} // namespace tessly
