// The Dock tile image drawn at the Dock's largest size, 512 x 512: a folder of four applications whose icons
// are loaded already, and a folder shown by its symbol glyph.
//
//   build/bench/tile/tile_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include "model/uuid_text.h"
#include "platform/notification_center.h"
#include "support/gui_doubles.h"
#include "support/in_memory_notification_bus.h"
#include "support/in_memory_user_defaults.h"
#include "support/recording_console.h"
#include "support/recording_helper_actions.h"
#include "support/recording_login_items.h"
#include "tile/dock_tile_manager.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace tessly {
namespace {

/// Main-queue work is not what is measured: it is dropped.
class DroppingQueue final : public MainQueue {
public:
    void schedule(WorkItemPtr, double) override {}
};

/// An application icon as a bundle's icon file gives it: a 512-pixel bitmap with soft edges.
ImagePtr makeIcon(QColor color) {
    QImage bitmap(512, 512, QImage::Format_ARGB32_Premultiplied);
    bitmap.fill(Qt::transparent);
    QPainter painter(&bitmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(color);
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(40, 40, 432, 432), 96, 96);
    return makeBitmapImage(std::move(bitmap));
}

/// Workspace icons already loaded: one bitmap per path, made once.
class LoadedIcons final : public WorkspaceIcons {
public:
    ImagePtr iconForFile(const QString& path) const override {
        auto it = m_icons.find(path);
        if (it == m_icons.end()) {
            static const QColor colors[] = {Qt::red, Qt::darkGreen, Qt::blue, Qt::darkYellow};
            it = m_icons.insert(path, makeIcon(colors[m_icons.size() % 4]));
        }
        return *it;
    }
    bool setIcon(const Image&, const QString&) override { return true; }

private:
    mutable QHash<QString, ImagePtr> m_icons;
};

/// A symbol as a template bitmap at its point size: a folder outline filled in black.
class BitmapSymbols final : public SymbolImages {
public:
    ImagePtr symbol(const QString&, double pointSize, SymbolWeight) const override {
        const int side = static_cast<int>(std::ceil(pointSize));
        QImage bitmap(side, side, QImage::Format_ARGB32_Premultiplied);
        bitmap.fill(Qt::transparent);
        QPainter painter(&bitmap);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath folder;
        folder.setFillRule(Qt::WindingFill);
        folder.addRoundedRect(QRectF(0.05 * side, 0.25 * side, 0.9 * side, 0.6 * side), 0.08 * side,
                              0.08 * side);
        folder.addRoundedRect(QRectF(0.05 * side, 0.15 * side, 0.4 * side, 0.2 * side), 0.06 * side,
                              0.06 * side);
        painter.fillPath(folder.simplified(), Qt::black);
        return makeBitmapImage(std::move(bitmap));
    }
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
    BitmapSymbols symbols;
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

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
