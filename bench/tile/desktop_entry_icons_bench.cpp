// Icons of 20 desktop entries drawn at 64 pixels, warm (the icon theme's index and images read once already):
// each round asks the workspace icons for every entry's icon, as a tile or a popup does when it is made, and
// draws it. The entries are the ones installed on this machine, copied under 20 names.
//
//   build/bench/tile/desktop_entry_icons_bench --benchmark_repetitions=5
//   --benchmark_report_aggregates_only=true
#include "platform/linux/workspace_icons_linux.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace tessly {
namespace {

constexpr int kEntries = 20;
constexpr int kSide = 64;

void BM_DesktopEntryIcons20At64Warm(benchmark::State& state) {
    QTemporaryDir root;
    const QDir installed(QStringLiteral("/usr/share/applications"));
    const QStringList names = installed.entryList({QStringLiteral("*.desktop")}, QDir::Files);
    if (names.isEmpty()) {
        state.SkipWithError("no desktop entries installed: run scripts/install-deps");
        return;
    }
    QStringList entries;
    for (int i = 0; i < kEntries; ++i) {
        const QString path = root.filePath(QStringLiteral("app%1.desktop").arg(i));
        QFile::copy(installed.filePath(names[i % names.size()]), path);
        entries.append(path);
    }
    const LinuxWorkspaceIcons icons(QStringLiteral(TESSLY_RESOURCES_DIR "/images"));
    QImage canvas(kSide, kSide, QImage::Format_ARGB32_Premultiplied);
    const auto drawAll = [&] {
        for (const QString& entry : entries) {
            canvas.fill(Qt::transparent);
            QPainter painter(&canvas);
            icons.iconForFile(entry)->draw(painter, QRectF(0, 0, kSide, kSide));
        }
    };
    drawAll();
    for (auto _ : state) {
        drawAll();
        benchmark::DoNotOptimize(canvas.constBits());
    }
}
BENCHMARK(BM_DesktopEntryIcons20At64Warm)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tessly
