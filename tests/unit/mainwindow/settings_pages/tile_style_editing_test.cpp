// Which folder the tile page edits, its stepping, and a change reaching that folder alone.
#include "mainwindow/settings_pages/tile_style_editing.h"

#include "model/folder_json.h"
#include "model/folder_store.h"
#include "model/notification_names.h"
#include "support/recording_console.h"
#include "support/recording_helper_actions.h"
#include "support/temp_home.h"
#include "support/virtual_time.h"

#include <gtest/gtest.h>

namespace tessly {
namespace {

using namespace tessly::testing;

class TileStyleEditingTest : public ::testing::Test {
protected:
    TileStyleEditingTest() {
        for (const char* name : {"A", "B", "C"}) {
            folders.append(AppFolder{
                QUuid::createUuid(), QString::fromLatin1(name), "folder", {}, true, {}, time.now()});
        }
        store.setFoldersForTesting(folders);
        helpers.calls.clear();
        notifications.addObserver(notification_names::kTileAppearanceChanged,
                                  [this](const Notification& n) { redrawn.append(n.object.value<QUuid>()); });
    }

    [[nodiscard]] QList<AppFolder> foldersOnDisk() const {
        return decodeFolderList(TempHome::read(store.saveURL()), time.now())
            .folders.value_or(QList<AppFolder>{});
    }

    TempHome home;
    VirtualTime time;
    RecordingConsole console;
    RecordingHelperActions helpers;
    NotificationCenter notifications;
    FolderStore store{home.paths(), helpers, notifications, time, time, console};
    QList<AppFolder> folders;
    QList<QUuid> redrawn;
};

TEST_F(TileStyleEditingTest, ThePreviewShowsTheChosenFolderOrTheFirst) {
    EXPECT_EQ(previewFolderIndex(folders, std::nullopt), 0);
    EXPECT_EQ(previewFolderIndex(folders, folders[2].id), 2);
    // A folder deleted since it was chosen.
    EXPECT_EQ(previewFolderIndex(folders, QUuid::createUuid()), 0);
    EXPECT_EQ(previewFolderIndex({}, folders[1].id), std::nullopt);
}

TEST_F(TileStyleEditingTest, SteppingMovesOneFolderAtATimeAndStopsAtTheEnds) {
    EXPECT_EQ(steppedPreviewFolder(folders, std::nullopt, 1), folders[1].id);
    EXPECT_EQ(steppedPreviewFolder(folders, folders[1].id, 1), folders[2].id);
    EXPECT_EQ(steppedPreviewFolder(folders, folders[2].id, 1), folders[2].id);
    EXPECT_EQ(steppedPreviewFolder(folders, folders[0].id, -1), folders[0].id);
    EXPECT_EQ(steppedPreviewFolder({}, std::nullopt, 1), std::nullopt);
}

TEST_F(TileStyleEditingTest, AShortDragStepsNowhereAndALongOneTowardsWhereTheTileWent) {
    EXPECT_EQ(previewStepForDrag(0), 0);
    EXPECT_EQ(previewStepForDrag(kPreviewDragThreshold - 1), 0);
    EXPECT_EQ(previewStepForDrag(-kPreviewDragThreshold), 1);
    EXPECT_EQ(previewStepForDrag(kPreviewDragThreshold + 30), -1);
    EXPECT_EQ(previewStepForDrag(std::nan("")), 0);
}

TEST_F(TileStyleEditingTest, ACornerRadiusChangeWhileShowingAChangesOnlyA) {
    const auto selected = steppedPreviewFolder(store.folders(), std::nullopt, 0);
    ASSERT_TRUE(applyTileStyleChange(store, selected, [](TileStyleSettings& s) { s.cornerRadius = 17; }));

    const QList<AppFolder> saved = foldersOnDisk();
    ASSERT_EQ(saved.size(), 3);
    EXPECT_EQ(saved[0].tileStyle.cornerRadius, 17.0);
    EXPECT_EQ(saved[1].tileStyle, TileStyleSettings{});
    EXPECT_EQ(saved[2].tileStyle, TileStyleSettings{});
    // The folder's helper is told to redraw, and the style alone never rebuilds it.
    EXPECT_EQ(redrawn, QList<QUuid>{folders[0].id});
    EXPECT_TRUE(helpers.calls.isEmpty());
}

TEST_F(TileStyleEditingTest, AChangeGoesToTheFolderSteppedTo) {
    const auto selected = steppedPreviewFolder(store.folders(), folders[0].id, 2);
    applyTileStyleChange(store, selected, [](TileStyleSettings& s) {
        s.backgroundStyle = TileBackground::custom;
        s.customHex = QStringLiteral("FF0000");
    });
    EXPECT_EQ(store.folders()[2].tileStyle.customHex, "FF0000");
    EXPECT_EQ(store.folders()[2].tileStyle.backgroundStyle, TileBackground::custom);
    EXPECT_EQ(store.folders()[0].tileStyle, TileStyleSettings{});
}

TEST_F(TileStyleEditingTest, WithoutFoldersNothingIsWritten) {
    store.setFoldersForTesting({});
    const QByteArray before = TempHome::read(store.saveURL());
    EXPECT_FALSE(applyTileStyleChange(store, std::nullopt, [](TileStyleSettings& s) { s.opacity = 0.5; }));
    EXPECT_EQ(TempHome::read(store.saveURL()), before);
    EXPECT_TRUE(redrawn.isEmpty());
}

} // namespace
} // namespace tessly
