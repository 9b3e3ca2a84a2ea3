#include "platform/gui/image.h"

#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace tessly {

namespace {

/// `image` drawn into `where` of a transparent bitmap of `pixels`, then kept only where it is opaque, in
/// `tint`.
QImage tintedLayer(const Image& image, const QSize& pixels, const QRectF& where, const QColor& tint) {
    QImage layer(pixels.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    QPainter painter(&layer);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    image.draw(painter, where);
    // The colour is kept only where the template is opaque.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(layer.rect(), tint);
    return layer;
}

} // namespace

void Image::drawTinted(QPainter& painter, const QRectF& target, const QColor& tint) const {
    if (target.isEmpty()) {
        return;
    }
    // Composed at the pixels the target takes on the device, the screen's pixel ratio included, so the edges
    // stay sharp at any size and on any screen.
    const QTransform& toDevice = painter.deviceTransform();
    const QRectF device = toDevice.mapRect(target);
    if (isUprightScale(toDevice)) {
        // The layer covers the whole device pixels the target touches, the image at its exact place inside:
        // placed on those pixels it is copied, not resampled.
        const QRect pixels = device.toAlignedRect();
        QImage layer = tintedLayer(*this, pixels.size(), device.translated(-pixels.topLeft()), tint);
        drawAtDevicePixels(painter, std::move(layer), pixels.topLeft());
        return;
    }
    // Rotated or mirrored: a layer of about the device size, transformed with the painter.
    const QSize pixels(std::max(1, static_cast<int>(std::ceil(device.width()))),
                       std::max(1, static_cast<int>(std::ceil(device.height()))));
    const QImage layer = tintedLayer(*this, pixels, QRectF(QPointF(0, 0), QSizeF(pixels)), tint);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, layer);
    painter.restore();
}

bool isUprightScale(const QTransform& transform) {
    return transform.type() <= QTransform::TxScale && transform.m11() > 0 && transform.m22() > 0;
}

void drawAtDevicePixels(QPainter& painter, QImage bitmap, QPoint devicePosition) {
    const QPaintDevice* device = painter.device();
    const double ratio = device ? device->devicePixelRatio() : 1.0;
    bitmap.setDevicePixelRatio(ratio);
    painter.save();
    // The painter's coordinates made the device's pixels divided by its pixel ratio. Resetting the transform
    // is not enough: what the device adds of its own (a widget's place in the window it is painted into, as
    // inside a scroll area) stays under any transform, so it is taken out.
    const QTransform added = painter.worldTransform().inverted() * painter.deviceTransform();
    painter.setWorldTransform(QTransform::fromScale(ratio, ratio) * added.inverted());
    painter.drawImage(QPointF(devicePosition) / ratio, bitmap);
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
