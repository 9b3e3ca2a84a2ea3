#include "tile/tile_canvas.h"

#include <QFontMetricsF>
#include <QImage>
#include <QLinearGradient>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace tessly {

namespace {

// Points are canvas units, as on a display of 72 points per inch at scale 1.
constexpr double kPointsPerInch = 72.0;

QPainterPath roundedRectPath(const QRectF& rect, double radius) {
    QPainterPath path;
    // The painter limits a radius larger than half the side to half the side.
    path.addRoundedRect(rect, radius, radius);
    return path;
}

} // namespace

PainterTileCanvas::PainterTileCanvas(QPainter& painter, const QRectF& target, QSizeF canvasSize)
    : m_painter(painter), m_canvasSize(canvasSize) {
    m_painter.save();
    m_painter.setRenderHint(QPainter::Antialiasing);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform);
    m_painter.setRenderHint(QPainter::TextAntialiasing);
    m_painter.translate(target.topLeft());
    if (!canvasSize.isEmpty()) {
        m_painter.scale(target.width() / canvasSize.width(), target.height() / canvasSize.height());
    }
}

PainterTileCanvas::~PainterTileCanvas() {
    m_painter.restore();
}

QRectF PainterTileCanvas::flipped(const QRectF& rect) const {
    return {rect.x(), m_canvasSize.height() - rect.y() - rect.height(), rect.width(), rect.height()};
}

QFont PainterTileCanvas::deviceFont(const QFont& font) const {
    QFont scaled = font;
    const QPaintDevice* device = m_painter.device();
    const int dpi = device ? device->logicalDpiY() : 0;
    if (dpi > 0 && font.pointSizeF() > 0) {
        scaled.setPointSizeF(font.pointSizeF() * kPointsPerInch / dpi);
    }
    return scaled;
}

void PainterTileCanvas::fillRoundedRect(const QRectF& rect, double radius, const PlateFill& fill) {
    if (fill.colors.isEmpty()) {
        return;
    }
    const QRectF area = flipped(rect);
    const QPainterPath path = roundedRectPath(area, radius);
    if (!fill.isGradient()) {
        m_painter.fillPath(path, fill.colors.front());
        return;
    }
    // From the top edge of the path's bounds down to its bottom edge.
    QLinearGradient gradient(area.left(), area.top(), area.left(), area.bottom());
    const auto last = static_cast<double>(fill.colors.size() - 1);
    for (qsizetype i = 0; i < fill.colors.size(); ++i) {
        gradient.setColorAt(static_cast<double>(i) / last, fill.colors[i]);
    }
    m_painter.fillPath(path, gradient);
}

void PainterTileCanvas::strokeRoundedRect(const QRectF& rect, double radius, const QColor& color,
                                          double lineWidth) {
    QPen pen(color, lineWidth);
    pen.setCosmetic(false);
    m_painter.strokePath(roundedRectPath(flipped(rect), radius), pen);
}

void PainterTileCanvas::drawImage(const Image& image, const QRectF& rect) {
    image.draw(m_painter, flipped(rect));
}

void PainterTileCanvas::drawTintedImage(const Image& templateImage, const QRectF& rect, const QColor& tint) {
    if (rect.isEmpty()) {
        return;
    }
    templateImage.drawTinted(m_painter, flipped(rect), tint);
}

QSizeF PainterTileCanvas::measureText(const QString& text, const QFont& font) const {
    const QFontMetricsF metrics(deviceFont(font), m_painter.device());
    return {metrics.horizontalAdvance(text), metrics.height()};
}

void PainterTileCanvas::drawText(const QString& text, const QFont& font, const QColor& color,
                                 const QRectF& rect) {
    m_painter.setFont(deviceFont(font));
    m_painter.setPen(color);
    m_painter.drawText(flipped(rect), Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip, text);
}

} // namespace tessly
