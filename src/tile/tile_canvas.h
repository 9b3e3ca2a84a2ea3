// The few drawing operations a tile is made of, so that the tile's recipe can be run onto pixels (a painter)
// or onto a recording in tests.
//
//     PainterTileCanvas canvas(painter, target, kTileCanvasSize);
//     canvas.fillRoundedRect(plate.rect, plate.radius, fill);
//     canvas.drawTintedImage(*symbol, glyphSymbolFrame(plate.rect), Qt::white);
//
// Coordinates are the canvas's: origin at the bottom left, y pointing up; fonts are sized in canvas units.
// Main thread only.
#pragma once

#include "platform/gui/image.h"
#include "tile/tile_colors.h"

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QSizeF>
#include <QString>

namespace tessly {

class TileCanvas {
public:
    virtual ~TileCanvas() = default;

    /// Fills the rounded rectangle with one colour or a vertical gradient (first colour at the top edge).
    virtual void fillRoundedRect(const QRectF& rect, double radius, const PlateFill& fill) = 0;
    /// Strokes the rounded rectangle's outline, the line centred on it.
    virtual void strokeRoundedRect(const QRectF& rect, double radius, const QColor& color,
                                   double lineWidth) = 0;
    /// Draws `image` stretched into `rect`.
    virtual void drawImage(const Image& image, const QRectF& rect) = 0;
    /// Draws a template image (opaque where its shape is) into `rect` in `tint`, wherever the image is
    /// opaque.
    virtual void drawTintedImage(const Image& templateImage, const QRectF& rect, const QColor& tint) = 0;
    /// The size a single line of `text` takes in `font`.
    [[nodiscard]] virtual QSizeF measureText(const QString& text, const QFont& font) const = 0;
    /// Draws a single line of `text`, centred in `rect`.
    virtual void drawText(const QString& text, const QFont& font, const QColor& color,
                          const QRectF& rect) = 0;
};

/// Runs the canvas operations onto a painter: the canvas of `canvasSize` is stretched over `target` (in the
/// painter's coordinates, y pointing down) and flipped so that the canvas's y points up.
class PainterTileCanvas final : public TileCanvas {
public:
    PainterTileCanvas(QPainter& painter, const QRectF& target, QSizeF canvasSize);
    ~PainterTileCanvas() override;
    PainterTileCanvas(const PainterTileCanvas&) = delete;
    PainterTileCanvas& operator=(const PainterTileCanvas&) = delete;

    void fillRoundedRect(const QRectF& rect, double radius, const PlateFill& fill) override;
    void strokeRoundedRect(const QRectF& rect, double radius, const QColor& color, double lineWidth) override;
    void drawImage(const Image& image, const QRectF& rect) override;
    void drawTintedImage(const Image& templateImage, const QRectF& rect, const QColor& tint) override;
    [[nodiscard]] QSizeF measureText(const QString& text, const QFont& font) const override;
    void drawText(const QString& text, const QFont& font, const QColor& color, const QRectF& rect) override;

private:
    /// The canvas rectangle in the painter's y-down canvas coordinates.
    [[nodiscard]] QRectF flipped(const QRectF& rect) const;
    /// `font` with its point size taken as canvas units on the painter's device.
    [[nodiscard]] QFont deviceFont(const QFont& font) const;

    QPainter& m_painter;
    QSizeF m_canvasSize;
};

} // namespace tessly
