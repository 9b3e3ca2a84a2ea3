// Shared pieces of the graphical adapters' integration tests: images of one colour, PNG and icns files made
// from them, the colour an icon draws, and running the event loop until something arrived.
#pragma once

#include "platform/gui/image.h"
#include "support/run_events.h"

#include <QBuffer>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QtEndian>

#include <gtest/gtest.h>

#include <functional>

namespace tessly::testing {

class SolidImage final : public Image {
public:
    SolidImage(QSizeF size, QColor color) : m_size(size), m_color(color) {}
    QSizeF size() const override { return m_size; }
    void draw(QPainter& painter, const QRectF& target) const override { painter.fillRect(target, m_color); }

private:
    QSizeF m_size;
    QColor m_color;
};

inline QByteArray pngData(QColor color) {
    QImage image(128, 128, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return data;
}

/// An icns container with one 128-pixel PNG entry, as the icon tools write it.
inline QByteArray icnsData(QColor color) {
    const auto bigEndian = [](qsizetype value) {
        QByteArray bytes(4, '\0');
        qToBigEndian(static_cast<quint32>(value), bytes.data());
        return bytes;
    };
    const QByteArray picture = pngData(color);
    const QByteArray entry = "ic07" + bigEndian(8 + picture.size()) + picture;
    return "icns" + bigEndian(8 + entry.size()) + entry;
}

inline void writeFile(const QString& path, const QByteArray& data) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(data), data.size());
}

/// The image drawn at 64 pixels square.
inline QImage drawnPixels(const Image& image) {
    return rasterize(image, QSize(64, 64));
}

/// The colour in the middle of the image.
inline QColor colorAt(const ImagePtr& image) {
    return image ? QColor::fromRgba(drawnPixels(*image).pixel(32, 32)) : QColor();
}

} // namespace tessly::testing
