// An image that draws itself at whatever size it is asked for: a bitmap (an application icon read from disk),
// a symbol glyph, or a drawing recipe (the Dock tile), as the platform's images are.
//
//     ImagePtr icon = icons.iconForFile(appPath);
//     QPainter painter(&target);
//     icon->draw(painter, QRectF(77.92, 268.72, 165.36, 165.36));
//
// Images are immutable once made and may be shared between owners. Main thread only (they paint with Qt Gui).
#pragma once

#include <QRectF>
#include <QSizeF>
#include <memory>

class QColor;
class QPainter;
class QImage;
class QPoint;
class QTransform;

namespace tessly {

class Image {
public:
    virtual ~Image() = default;

    /// The image's natural size in points; a recipe reports the canvas it was written for.
    [[nodiscard]] virtual QSizeF size() const = 0;
    /// Draws the whole image into `target` (in the painter's current coordinates, y pointing down), stretched
    /// to fill it; callers that want the aspect ratio kept pass a fitted rectangle.
    virtual void draw(QPainter& painter, const QRectF& target) const = 0;
    /// Draws the image as a template into `target`: `tint` wherever the image is opaque, with the image's
    /// coverage as alpha. The default composes the image in an offscreen layer at the target's device pixels
    /// (the device's pixel ratio included); an image that knows its shape paints it in the colour directly.
    virtual void drawTinted(QPainter& painter, const QRectF& target, const QColor& tint) const;
};

using ImagePtr = std::shared_ptr<const Image>;

/// An image backed by a bitmap.
[[nodiscard]] ImagePtr makeBitmapImage(QImage bitmap);

/// Whether `transform` only scales (by positive factors) and moves, so that a bitmap made at the device's
/// pixels can be placed on them as it is.
[[nodiscard]] bool isUprightScale(const QTransform& transform);

/// Draws `bitmap`, made at the device's pixels, one bitmap pixel to one device pixel with its top left corner
/// on the device pixel `devicePosition` (painter.deviceTransform() coordinates): copied, never resampled, on
/// a device of any pixel ratio. A bitmap kept for many draws should carry the device's pixel ratio already;
/// otherwise, when shared, its pixels are copied to set it.
void drawAtDevicePixels(QPainter& painter, QImage bitmap, QPoint devicePosition);

/// Rasterises `image` at `pixelSize` on a transparent background, scaled to fit with its aspect ratio kept
/// and centred, as an image view does.
[[nodiscard]] QImage rasterize(const Image& image, const QSize& pixelSize);

} // namespace tessly
