#include "platform/linux/icon_file_linux.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QPaintDevice>
#include <QPainter>
#include <QtEndian>
#include <QtMath>

#include <algorithm>
#include <memory>
#include <vector>

namespace tessly {

namespace {

constexpr qsizetype kIcnsHeaderBytes = 8;
/// Blocks of an icns file walked at most: an icon tool writes a dozen or two.
constexpr int kMaximumIcnsBlocks = 256;
/// Decoded images an icon keeps at most, besides the pixel limit: one per size it is drawn at, in practice.
constexpr std::size_t kMaximumKeptImages = 4;
/// An image of at most this many pixels (64 kB decoded) is decoded whole even when drawn smaller: the one
/// decode then serves every size it is drawn at, and decoding it scaled would take as long each time. A
/// larger one is decoded at the size drawn: an icon stays decoded as long as a tile or a popup shows it, in
/// every helper, and is drawn there at a fraction of its largest size.
constexpr qint64 kWholeDecodePixels = 128 * 128;
/// The side, in pixels, beyond which nothing is decoded (the square root of kMaximumIconImagePixels).
constexpr int kMaximumIconSide = 2048;
static_assert(qint64{kMaximumIconSide} * kMaximumIconSide == kMaximumIconImagePixels);

const QByteArray kPngSignature = QByteArrayLiteral("\x89PNG\r\n\x1a\n");
const QByteArray kJpeg2000Signature = QByteArray("\0\0\0\x0cjP  \r\n\x87\n", 12);

/// The format of an image by its first bytes where Qt reads it itself (PNG, the format of nearly every icon);
/// nothing for any other, which Qt's readers are then asked to recognise. Asked to recognise a PNG, Qt loads
/// every image format plug-in it has (and their libraries) to ask each first, in every process that draws an
/// icon.
const char* builtInFormatOf(QByteArrayView bytes) {
    return bytes.startsWith(QByteArrayView(kPngSignature)) ? "png" : nullptr;
}

/// Sets `reader` to the format of the image whose bytes start with `bytes` when it is known from them (or is
/// `format`), and otherwise to recognise it.
void prepareReader(QImageReader& reader, QByteArrayView bytes, const char* format = nullptr) {
    const char* known = format ? format : builtInFormatOf(bytes);
    if (known) {
        reader.setFormat(known);
    }
    reader.setDecideFormatFromContent(known == nullptr);
}

/// The 32-bit colour entries of older icns files (raw or run-length encoded) and their 8-bit masks; the
/// entries of fewer colours came with these and add nothing.
struct LegacyType {
    const char* type;
    const char* mask;
    int side;
};
constexpr LegacyType kLegacyTypes[] = {
    {"is32", "s8mk", 16}, {"il32", "l8mk", 32}, {"ih32", "h8mk", 48}, {"it32", "t8mk", 128}};

/// A block of an icns file: its type and where its data lies in the file.
struct IcnsBlock {
    QByteArray type;
    qsizetype offset = 0;
    qsizetype length = 0;
};

/// One image of an icon file, known from its header.
struct IconEntry {
    enum class Source {
        /// An image of the file itself, by its number.
        file,
        /// An icns entry that is an image file of its own (PNG, JPEG 2000).
        embedded,
        /// An older icns entry, with its mask, for the icns reader.
        legacy,
    };
    Source source = Source::file;
    int imageNumber = 0;
    IcnsBlock block;
    IcnsBlock mask;
    QSize size;
    /// Drawn at any size: rendered at the pixels asked for.
    bool vector = false;
    /// Its reader decodes it at a smaller size as it goes, rather than decoding it whole and scaling it.
    bool decodesScaled = false;
    bool failed = false;
};

qint64 pixelsOf(const QSize& size) {
    return static_cast<qint64>(size.width()) * size.height();
}

int sideOf(const QSize& size) {
    return std::max(size.width(), size.height());
}

QByteArray bigEndian(qsizetype value) {
    QByteArray bytes(4, '\0');
    qToBigEndian(static_cast<quint32>(value), bytes.data());
    return bytes;
}

/// The data of `block`, sharing the file's bytes (which must outlive it).
QByteArray viewOf(const QByteArray& data, const IcnsBlock& block) {
    return QByteArray::fromRawData(data.constData() + block.offset, block.length);
}

/// The top-level blocks of an icns file, as far as they lie within it.
std::vector<IcnsBlock> icnsBlocks(const QByteArray& data) {
    std::vector<IcnsBlock> blocks;
    if (data.size() < kIcnsHeaderBytes) {
        return blocks;
    }
    const qsizetype end = std::min<qsizetype>(data.size(), qFromBigEndian<quint32>(data.constData() + 4));
    qsizetype at = kIcnsHeaderBytes;
    while (at + kIcnsHeaderBytes <= end && blocks.size() < kMaximumIcnsBlocks) {
        const qsizetype length = qFromBigEndian<quint32>(data.constData() + at + 4);
        if (length < kIcnsHeaderBytes || length > end - at) {
            break;
        }
        blocks.push_back({data.mid(at, 4), at + kIcnsHeaderBytes, length - kIcnsHeaderBytes});
        at += length;
    }
    return blocks;
}

/// The size and kind of the reader's current image, when it is one to keep: known from its header, not empty,
/// and within the pixel limit unless it is drawn from vectors.
bool describe(QImageReader& reader, IconEntry& entry) {
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty()) {
        return false;
    }
    const QByteArray format = reader.format();
    entry.vector = format == "svg" || format == "svgz";
    if (!entry.vector && pixelsOf(size) > kMaximumIconImagePixels) {
        return false;
    }
    entry.size = size;
    // Qt's JPEG and PNG readers decode an image scaled as they go, never holding it whole; but the PNG reader
    // then loses a palette's transparency and the colours of a one-bit image, so those are decoded whole.
    const QImage::Format decoded = reader.imageFormat();
    const bool palette = decoded == QImage::Format_Mono || decoded == QImage::Format_MonoLSB ||
                         decoded == QImage::Format_Indexed8;
    entry.decodesScaled = reader.supportsOption(QImageIOHandler::ScaledSize) &&
                          (format == "jpeg" || (format == "png" && !palette));
    return true;
}

/// The images of an icns file: its image entries by their own headers, its older entries by their types (a
/// legacy entry no longer than its size needs, so the icns reader makes nothing larger of it).
std::vector<IconEntry> icnsEntries(const QByteArray& data) {
    const std::vector<IcnsBlock> blocks = icnsBlocks(data);
    std::vector<IconEntry> entries;
    for (const IcnsBlock& block : blocks) {
        if (entries.size() >= static_cast<std::size_t>(kMaximumIconImages)) {
            break;
        }
        QByteArray bytes = viewOf(data, block);
        if (bytes.startsWith(kPngSignature) || bytes.startsWith(kJpeg2000Signature)) {
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::ReadOnly);
            QImageReader reader(&buffer);
            prepareReader(reader, bytes);
            IconEntry entry;
            entry.source = IconEntry::Source::embedded;
            entry.block = block;
            if (describe(reader, entry)) {
                entries.push_back(entry);
            }
            continue;
        }
        const auto legacy = std::find_if(std::begin(kLegacyTypes), std::end(kLegacyTypes),
                                         [&](const LegacyType& type) { return block.type == type.type; });
        // Raw pixels of four bytes, or fewer when run-length encoded, after up to four bytes of padding.
        if (legacy == std::end(kLegacyTypes) ||
            block.length > qsizetype{legacy->side} * legacy->side * 4 + 4) {
            continue;
        }
        IconEntry entry;
        entry.source = IconEntry::Source::legacy;
        entry.block = block;
        entry.size = QSize(legacy->side, legacy->side);
        const auto mask = std::find_if(blocks.begin(), blocks.end(), [&](const IcnsBlock& candidate) {
            return candidate.type == legacy->mask &&
                   candidate.length == qsizetype{legacy->side} * legacy->side;
        });
        if (mask != blocks.end()) {
            entry.mask = *mask;
        }
        entries.push_back(entry);
    }
    return entries;
}

/// The images of any other file, each by its number.
std::vector<IconEntry> fileEntries(QByteArray data) {
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    prepareReader(reader, data);
    std::vector<IconEntry> entries;
    const int count = std::clamp(reader.imageCount(), 1, kMaximumIconImages);
    for (int number = 0; number < count; ++number) {
        if (number > 0 && !reader.jumpToImage(number)) {
            break;
        }
        IconEntry entry;
        entry.imageNumber = number;
        if (describe(reader, entry)) {
            entries.push_back(entry);
        }
    }
    return entries;
}

/// An icns file of the legacy entry and its mask alone, so that the icns reader sees exactly the blocks that
/// were measured.
QByteArray legacyIcns(const QByteArray& data, const IconEntry& entry) {
    QByteArray body =
        entry.block.type + bigEndian(kIcnsHeaderBytes + entry.block.length) + viewOf(data, entry.block);
    if (!entry.mask.type.isEmpty()) {
        body += entry.mask.type + bigEndian(kIcnsHeaderBytes + entry.mask.length) + viewOf(data, entry.mask);
    }
    return "icns" + bigEndian(kIcnsHeaderBytes + body.size()) + body;
}

/// The icon of an icon file: what it holds, by size, and what it decoded of it.
class IconFileImage final : public Image {
public:
    /// `entries` is not empty and is sorted by side, smallest first.
    IconFileImage(QByteArray data, std::vector<IconEntry> entries)
        : m_data(std::move(data)), m_entries(std::move(entries)) {}

    /// Whether anything decodes: the smallest image is decoded (and kept) to tell.
    [[nodiscard]] bool decodesAnything() const { return bitmapFor(1) != nullptr; }

    QSizeF size() const override {
        for (auto entry = m_entries.rbegin(); entry != m_entries.rend(); ++entry) {
            if (!entry->failed) {
                return QSizeF(entry->size);
            }
        }
        return {};
    }

    void draw(QPainter& painter, const QRectF& target) const override {
        if (target.isEmpty()) {
            return;
        }
        // The pixels the target takes on the device, the screen's pixel ratio included.
        const QTransform& toDevice = painter.deviceTransform();
        const QRectF device = toDevice.mapRect(target);
        const Decoded* decoded = bitmapFor(std::max(device.width(), device.height()));
        if (!decoded) {
            return;
        }
        if (isUprightScale(toDevice) && !device.size().toSize().isEmpty()) {
            // Placed on whole device pixels at its own size, the icon is blitted rather than resampled.
            const QPaintDevice* paintDevice = painter.device();
            const double ratio = paintDevice ? paintDevice->devicePixelRatio() : 1.0;
            drawAtDevicePixels(painter, scaledFor(*decoded, device.size().toSize(), ratio),
                               QPoint(qRound(device.x()), qRound(device.y())));
            return;
        }
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, decoded->bitmap);
        painter.restore();
    }

    [[nodiscard]] IconDecodingForTesting decoding() const {
        IconDecodingForTesting decoding{m_decodes, m_decodedPixels, 0};
        for (const Decoded& kept : m_kept) {
            decoding.keptPixels += pixelsOf(kept.bitmap.size());
        }
        return decoding;
    }

private:
    struct Decoded {
        std::size_t entry = 0;
        QSize size;
        QImage bitmap;
        /// Tells this bitmap from any other, also one decoded later at the same address.
        quint64 serial = 0;
    };

    /// The image to draw at `needed` device pixels (its larger side): the smallest that covers them, else the
    /// largest; decoded now unless it is kept. Nothing when no image decodes.
    const Decoded* bitmapFor(double needed) const {
        for (;;) {
            const std::optional<std::size_t> chosen = entryFor(needed);
            if (!chosen) {
                return nullptr;
            }
            const QSize size = decodedSize(m_entries[*chosen], needed);
            // Any bitmap of that image at least as large serves; the smallest of them.
            const Decoded* kept = nullptr;
            for (const Decoded& decoded : m_kept) {
                if (decoded.entry == *chosen && sideOf(decoded.size) >= sideOf(size) &&
                    (!kept || sideOf(decoded.size) < sideOf(kept->size))) {
                    kept = &decoded;
                }
            }
            if (kept) {
                return kept;
            }
            if (const Decoded* decoded = decode(*chosen, size)) {
                return decoded;
            }
            m_entries[*chosen].failed = true;
        }
    }

    [[nodiscard]] std::optional<std::size_t> entryFor(double needed) const {
        std::optional<std::size_t> largest;
        for (std::size_t index = 0; index < m_entries.size(); ++index) {
            const IconEntry& entry = m_entries[index];
            if (entry.failed) {
                continue;
            }
            if (entry.vector || sideOf(entry.size) >= needed) {
                return index;
            }
            largest = index;
        }
        return largest;
    }

    /// A vector image is rendered at the pixels needed, and a large image whose reader decodes it scaled is
    /// decoded no larger than they are; any other image at its own size.
    [[nodiscard]] static QSize decodedSize(const IconEntry& entry, double needed) {
        const int side = std::clamp(qCeil(needed), 1, kMaximumIconSide);
        if (entry.vector ||
            (entry.decodesScaled && pixelsOf(entry.size) > kWholeDecodePixels && sideOf(entry.size) > side)) {
            return entry.size.scaled(side, side, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
        }
        return entry.size;
    }

    const Decoded* decode(std::size_t index, const QSize& size) const {
        const IconEntry& entry = m_entries[index];
        // What the icon keeps stays within the limit: the images decoded earliest go first.
        const auto keptPixels = [this] {
            qint64 pixels = 0;
            for (const Decoded& kept : m_kept) {
                pixels += pixelsOf(kept.bitmap.size());
            }
            return pixels;
        };
        while (!m_kept.empty() && (m_kept.size() >= kMaximumKeptImages ||
                                   keptPixels() + pixelsOf(size) > kMaximumIconImagePixels)) {
            m_kept.erase(m_kept.begin());
        }
        QByteArray bytes;
        const char* format = nullptr;
        switch (entry.source) {
        case IconEntry::Source::file:
            bytes = m_data;
            break;
        case IconEntry::Source::embedded:
            bytes = viewOf(m_data, entry.block);
            break;
        case IconEntry::Source::legacy:
            bytes = legacyIcns(m_data, entry);
            format = "icns";
            break;
        }
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        prepareReader(reader, bytes, format);
        if (entry.imageNumber > 0 && !reader.jumpToImage(entry.imageNumber)) {
            return nullptr;
        }
        if (size != entry.size) {
            reader.setScaledSize(size);
        }
        QImage bitmap = reader.read();
        ++m_decodes;
        m_decodedPixels += pixelsOf(bitmap.size());
        // A header that told less than the image holds is not believed.
        if (bitmap.isNull() || pixelsOf(bitmap.size()) > pixelsOf(size)) {
            return nullptr;
        }
        // Icons are drawn far more often than read: converted once to the painter's own format, a draw
        // blends them without converting each time.
        bitmap.convertTo(QImage::Format_ARGB32_Premultiplied);
        bitmap.setDevicePixelRatio(1.0);
        m_kept.push_back({index, size, std::move(bitmap), ++m_lastSerial});
        return &m_kept.back();
    }

    /// The bitmap smoothly scaled to the pixels it covers, with the device's pixel ratio, kept for the next
    /// draw at that size: the Dock draws the same icons at the same size again and again, and a smooth scale
    /// (or a copy to set the ratio) on every draw would cost more than the rest of the tile.
    const QImage& scaledFor(const Decoded& decoded, const QSize& pixels, double ratio) const {
        const QImage& bitmap = decoded.bitmap;
        if (pixels == bitmap.size() && ratio == bitmap.devicePixelRatio()) {
            return bitmap;
        }
        if (m_scaledFrom != decoded.serial || m_scaled.size() != pixels ||
            m_scaled.devicePixelRatio() != ratio) {
            m_scaled = pixels == bitmap.size()
                           ? bitmap.copy()
                           : bitmap.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            m_scaled.setDevicePixelRatio(ratio);
            m_scaledFrom = decoded.serial;
        }
        return m_scaled;
    }

    QByteArray m_data;
    mutable std::vector<IconEntry> m_entries;
    mutable std::vector<Decoded> m_kept;
    mutable quint64 m_lastSerial = 0;
    mutable int m_decodes = 0;
    mutable qint64 m_decodedPixels = 0;
    mutable QImage m_scaled;
    mutable quint64 m_scaledFrom = 0;
};

} // namespace

ImagePtr readIconFileData(QByteArray data) {
    if (data.isEmpty()) {
        return nullptr;
    }
    std::vector<IconEntry> entries = data.startsWith("icns") ? icnsEntries(data) : fileEntries(data);
    if (entries.empty()) {
        return nullptr;
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const IconEntry& a, const IconEntry& b) { return sideOf(a.size) < sideOf(b.size); });
    auto icon = std::make_shared<IconFileImage>(std::move(data), std::move(entries));
    if (!icon->decodesAnything()) {
        return nullptr;
    }
    return icon;
}

IconDecodingForTesting iconDecodingForTesting(const Image& icon) {
    const auto* file = dynamic_cast<const IconFileImage*>(&icon);
    return file ? file->decoding() : IconDecodingForTesting{};
}

} // namespace tessly
