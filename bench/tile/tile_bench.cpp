// The Dock tile image drawn at the Dock's largest size, 512 x 512: a folder of four applications whose icons
// are loaded already, and a folder shown by its symbol glyph.
//
//   build/bench/tile/tile_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include "model/uuid_text.h"
#include "platform/linux/symbol_images_linux.h"
#include "platform/linux/workspace_icons_linux.h"
#include "platform/notification_center.h"
#include "support/gui_doubles.h"
#include "support/in_memory_notification_bus.h"
#include "support/in_memory_user_defaults.h"
#include "support/recording_console.h"
#include "support/recording_helper_actions.h"
#include "support/recording_login_items.h"
#include "tile/dock_tile_manager.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace tessly {
namespace {

/// Main-queue work is not what is measured: it is dropped.
class DroppingQueue final : public MainQueue {
public:
    void schedule(WorkItemPtr, double) override {}
};

/// Workspace icons already loaded: the program's own icon file, read once through the Linux icon reader, for
/// every application.
class LoadedIcons final : public WorkspaceIcons {
public:
    ImagePtr iconForFile(const QString&) const override { return m_icon; }
    bool setIcon(const Image&, const QString&) override { return true; }

    [[nodiscard]] bool loaded() const { return m_icon != nullptr; }

private:
    ImagePtr m_icon = readIconFile(QStringLiteral(TESSLY_RESOURCES_DIR "/images/AppIcon.png"));
};

struct Helper {
    QTemporaryDir home;
    testing::InMemoryUserDefaults defaults;
    NotificationCenter center;
    DroppingQueue queue;
    testing::InMemoryNotificationBus bus;
    testing::InMemoryDistributedNotificationCenter distributed{bus, queue};
    testing::RecordingLoginItems loginItems;
    testing::RecordingConsole console;
    testing::RecordingHelperActions helpers;
    class FixedClock final : public Clock {
    public:
        Date now() const override { return Date::fromTimeIntervalSinceReferenceDate(800'000'000.0); }
    } clock;
    AppSettings settings{defaults,
                         center,
                         distributed,
                         loginItems,
                         console,
                         Paths(home.path()),
                         QStringLiteral("app.tessly.Tessly"),
                         clock};
    FolderStore store{Paths(home.path()), helpers, center, queue, clock, console};
    testing::RecordingDockTile tile;
    LinuxSymbolImages symbols{QStringLiteral(TESSLY_RESOURCES_DIR "/symbols.tsv"),
                              QStringLiteral(TESSLY_SYMBOL_FONT)};
    LoadedIcons icons;
    DockTileManager manager{store,
                            settings,
                            queue,
                            tile,
                            symbols,
                            icons,
                            [] { return std::nullopt; },
                            home.path() + QStringLiteral("/Work.app")};

    AppFolder folder(int apps, bool glyph) const {
        AppFolder f;
        f.id = makeUuid();
        f.emoji = QStringLiteral("folder.fill");
        f.tileStyle.displayFolderIcon = glyph;
        f.tileStyle.borderEnabled = true;
        for (int i = 0; i < apps; ++i) {
            f.apps.append(AppItem{makeUuid(), QString(), QString(),
                                  QUrl::fromLocalFile(QStringLiteral("/Applications/App %1.app/").arg(i))});
        }
        return f;
    }
};

Helper& helper() {
    static Helper instance;
    return instance;
}

void rasterizeFolder(benchmark::State& state, const AppFolder& folder) {
    Helper& h = helper();
    if (!h.icons.loaded() || !h.symbols.problems().isEmpty()) {
        state.SkipWithError("the icon file or the symbol font did not load");
        return;
    }
    (void)h.manager.renderTileImage(folder); // loads the icons once
    for (auto _ : state) {
        const ImagePtr image = h.manager.renderTileImage(folder);
        QImage pixels = rasterize(*image, QSize(512, 512));
        benchmark::DoNotOptimize(pixels.constBits());
    }
}

void BM_RenderTileFourIcons(benchmark::State& state) {
    rasterizeFolder(state, helper().folder(4, false));
}
BENCHMARK(BM_RenderTileFourIcons)->Unit(benchmark::kMicrosecond);

void BM_RenderTileSymbolGlyph(benchmark::State& state) {
    rasterizeFolder(state, helper().folder(0, true));
}
BENCHMARK(BM_RenderTileSymbolGlyph)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace tessly
