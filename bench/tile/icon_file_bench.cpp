// Icon files read and drawn at 64 pixels, as a tile or a popup cell draws an application's icon: the time per
// icon, and the process's resident memory before its first icon and its peak so far (VmHWM: run one
// benchmark per process for the peak of each).
//   - Typical: an icns of the ten sizes an icon tool writes, 16 to 1024 pixels, as PNG entries.
//   - Hostile: an icns of 32 PNG entries of 5600 x 5600 pixels, each well under the file cap once compressed.
//
//   build/bench/tile/icon_file_bench --benchmark_filter=Typical --benchmark_repetitions=5
//   build/bench/tile/icon_file_bench --benchmark_filter=Hostile
#include "platform/linux/workspace_icons_linux.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QtEndian>

#include <benchmark/benchmark.h>

namespace tessly {
namespace {

constexpr int kSide = 64;

QByteArray bigEndian(quint32 value) {
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

QByteArray pngOf(const QImage& image) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return data;
}

QByteArray icns(const QList<std::pair<QByteArray, QByteArray>>& entries) {
    QByteArray body;
    for (const auto& [type, data] : entries) {
        body += type + bigEndian(static_cast<quint32>(8 + data.size())) + data;
    }
    return "icns" + bigEndian(static_cast<quint32>(8 + body.size())) + body;
}

QByteArray typicalIcns() {
    const std::pair<const char*, int> sizes[] = {{"icp4", 16},  {"icp5", 32},  {"icp6", 64},   {"ic07", 128},
                                                 {"ic08", 256}, {"ic09", 512}, {"ic10", 1024}, {"ic11", 32},
                                                 {"ic12", 64},  {"ic13", 256}};
    QList<std::pair<QByteArray, QByteArray>> entries;
    for (const auto& [type, side] : sizes) {
        QImage image(side, side, QImage::Format_ARGB32);
        image.fill(QColor(40, 120, 220));
        entries.append({type, pngOf(image)});
    }
    return icns(entries);
}

/// One bit per pixel, so that the bench itself stays small; decoded, each image is 5600 x 5600 x 4 bytes.
QByteArray hostileIcns() {
    QImage image(5600, 5600, QImage::Format_Mono);
    image.fill(1);
    const QByteArray picture = pngOf(image);
    QList<std::pair<QByteArray, QByteArray>> entries;
    for (int i = 0; i < 32; ++i) {
        entries.append({"ic10", picture});
    }
    return icns(entries);
}

qint64 statusKilobytes(const QByteArray& field) {
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(field + ':')) {
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return -1;
}

void drawIcons(benchmark::State& state, const QByteArray& data) {
    // What the process held before its first icon, whichever benchmark that was.
    static const qint64 before = statusKilobytes("VmRSS");
    QImage canvas(kSide, kSide, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        canvas.fill(Qt::transparent);
        if (const ImagePtr icon = readIconData(data)) {
            QPainter painter(&canvas);
            icon->draw(painter, QRectF(0, 0, kSide, kSide));
        }
        benchmark::DoNotOptimize(canvas.constBits());
    }
    state.counters["file_kB"] = static_cast<double>(data.size()) / 1024.0;
    state.counters["rss_at_start_MB"] = static_cast<double>(before) / 1024.0;
    state.counters["peak_rss_MB"] = static_cast<double>(statusKilobytes("VmHWM")) / 1024.0;
}

void BM_TypicalIcnsDrawnAt64(benchmark::State& state) {
    drawIcons(state, typicalIcns());
}
BENCHMARK(BM_TypicalIcnsDrawnAt64)->Unit(benchmark::kMillisecond);

void BM_HostileIcnsOf32HugeImagesDrawnAt64(benchmark::State& state) {
    drawIcons(state, hostileIcns());
}
BENCHMARK(BM_HostileIcnsOf32HugeImagesDrawnAt64)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
} // namespace tessly
