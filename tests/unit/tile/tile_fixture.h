// One helper process's tile over test doubles: its folder store and settings on a temporary home, virtual
// time, a recording Dock tile, symbols and icons the test controls, and the manager under test.
#pragma once

#include "model/folder_store.h"
#include "model/uuid_text.h"
#include "platform/notification_center.h"
#include "settings/app_settings.h"
#include "support/gui_doubles.h"
#include "support/in_memory_notification_bus.h"
#include "support/in_memory_user_defaults.h"
#include "support/recording_console.h"
#include "support/recording_helper_actions.h"
#include "support/recording_login_items.h"
#include "support/settings_harness.h"
#include "support/temp_home.h"
#include "support/virtual_time.h"
#include "tile/dock_tile_manager.h"
#include "tile/tile_image.h"

#include <QImage>

#include <gtest/gtest.h>

#include <memory>

namespace tessly::testing {

inline const QString kOwnBundlePath =
    QStringLiteral("/Users/someone/Library/Application Support/Tessly/Helpers/Work.app");

struct TileFixture : SettingsHarness {
    TileFixture() { makeManager(); }

    void makeManager() {
        manager = std::make_unique<DockTileManager>(
            store, settings, time, tile, symbols, icons, [this] { return identifier; }, kOwnBundlePath);
    }

    /// A folder of `appCount` applications ("/Applications/App 0.app", ...), in the store and named by the
    /// helper's identifier.
    AppFolder addHelperFolder(qsizetype appCount = 0, TileStyleSettings style = {}) {
        AppFolder folder;
        folder.id = makeUuid();
        folder.name = QStringLiteral("Work");
        folder.tileStyle = style;
        for (qsizetype i = 0; i < appCount; ++i) {
            folder.apps.append(AppItem{makeUuid(), QStringLiteral("App %1").arg(i),
                                       QStringLiteral("com.example.app%1").arg(i),
                                       QUrl::fromLocalFile(appPath(i) + QLatin1Char('/'))});
        }
        store.addFolder(folder);
        identifier = uuidText(folder.id);
        return folder;
    }

    [[nodiscard]] static QString appPath(qsizetype index) {
        return QStringLiteral("/Applications/App %1.app").arg(index);
    }

    /// What `image` (a tile image) draws, on a recording canvas, with the settings as they are now. The image
    /// is kept for the test's length, so that the images its operations name stay valid.
    [[nodiscard]] RecordingTileCanvas record(const ImagePtr& image) {
        keptImages.append(image);
        RecordingTileCanvas canvas;
        const auto* tileImage = dynamic_cast<const TileImage*>(image.get());
        EXPECT_NE(tileImage, nullptr);
        if (tileImage) {
            tileImage->drawOn(canvas);
        }
        return canvas;
    }

    /// `image` in pixels at the tile's full size, not premultiplied.
    [[nodiscard]] static QImage pixels(const ImagePtr& image, QSize size = QSize(512, 512)) {
        return rasterize(*image, size).convertToFormat(QImage::Format_ARGB32);
    }

    RecordingHelperActions helpers;
    AppSettings& settings = SettingsHarness::make();
    FolderStore store{home.paths(), helpers, center, time, time, console};
    RecordingDockTile tile;
    FakeSymbolImages symbols;
    FakeWorkspaceIcons icons;
    std::optional<QString> identifier;
    std::unique_ptr<DockTileManager> manager;
    QList<ImagePtr> keptImages;
};

} // namespace tessly::testing
