#include "platform/gui/image.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tessly {

void Image::drawTinted(QPainter& painter, const QRectF& target, const QColor& tint) const {
    if (target.isEmpty()) {
        return;
    }
    // Tinted at the pixels the target takes on the device, so the edges stay sharp at any size.
    const QRectF device = painter.transform().mapRect(target);
    const QSize pixels(std::max(1, static_cast<int>(std::ceil(device.width()))),
                       std::max(1, static_cast<int>(std::ceil(device.height()))));
    QImage tinted(pixels, QImage::Format_ARGB32_Premultiplied);
    tinted.fill(Qt::transparent);
    {
        QPainter layer(&tinted);
        layer.setRenderHint(QPainter::Antialiasing);
        layer.setRenderHint(QPainter::SmoothPixmapTransform);
        draw(layer, QRectF(QPointF(0, 0), QSizeF(pixels)));
        // The colour is kept only where the template is opaque.
        layer.setCompositionMode(QPainter::CompositionMode_SourceIn);
        layer.fillRect(tinted.rect(), tint);
    }
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, tinted);
    painter.restore();
}

namespace {

class BitmapImage final : public Image {
public:
    explicit BitmapImage(QImage bitmap) : m_bitmap(std::move(bitmap)) {}

    QSizeF size() const override { return m_bitmap.deviceIndependentSize(); }

    void draw(QPainter& painter, const QRectF& target) const override {
        if (m_bitmap.isNull() || target.isEmpty()) {
            return;
        }
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, m_bitmap);
        painter.restore();
    }

private:
    QImage m_bitmap;
};

} // namespace

ImagePtr makeBitmapImage(QImage bitmap) {
    return std::make_shared<BitmapImage>(std::move(bitmap));
}

QImage rasterize(const Image& image, const QSize& pixelSize) {
    QImage result(pixelSize, QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    const QSizeF natural = image.size();
    if (pixelSize.isEmpty() || natural.isEmpty()) {
        return result;
    }
    const QSizeF fitted = natural.scaled(QSizeF(pixelSize), Qt::KeepAspectRatio);
    const QRectF target((pixelSize.width() - fitted.width()) / 2, (pixelSize.height() - fitted.height()) / 2,
                        fitted.width(), fitted.height());
    QPainter painter(&result);
    painter.setRenderHint(QPainter::Antialiasing);
    image.draw(painter, target);
    return result;
}

} // namespace tessly
