#include "tile/tile_geometry.h"

#include <algorithm>
#include <cmath>

namespace tessly {

namespace {

constexpr double kPlateInset = 44.0;
// Per unit of the folder's style, relative to the canvas width: 8 pixels of corner radius and 2 of border
// line on the 512-pixel canvas.
constexpr double kCornerScaleDivisor = 64.0;
constexpr double kBorderScaleDivisor = 256.0;
constexpr double kMinimumBorderWidth = 0.5;

constexpr double kGridBasePadding = 0.08;
constexpr double kGridPaddingPerUnitDivisor = 64.0;
constexpr double kGridGap = 0.06;

constexpr double kGlyphSymbolPointScale = 0.576;
constexpr double kGlyphSymbolSizeScale = 0.504;
constexpr double kGlyphFontScale = 0.36;

// The badge's plate keeps the tile image's own plate inset (44 of 512) and a corner of 0.225 of its side.
constexpr double kBadgeInsetScale = 44.0 / 512.0;
constexpr double kBadgeCornerScale = 0.225;
constexpr double kBadgeSymbolScale = 0.65;

QRectF insetRect(const QRectF& rect, double inset) {
    const double dx = std::min(inset, rect.width() / 2);
    const double dy = std::min(inset, rect.height() / 2);
    return rect.adjusted(dx, dy, -dx, -dy);
}

double shorterSide(const QRectF& rect) {
    return std::min(rect.width(), rect.height());
}

} // namespace

RoundedRect plateShape(QSizeF canvas, double cornerRadius) {
    const QRectF plate = insetRect(QRectF(QPointF(0, 0), canvas), kPlateInset);
    const double radius = canvas.width() * cornerRadius / kCornerScaleDivisor;
    return {plate, std::isfinite(radius) ? std::max(radius, 0.0) : 0.0};
}

BorderShape borderShape(const RoundedRect& plate, QSizeF canvas, double borderWidth) {
    double lineWidth = canvas.width() * borderWidth / kBorderScaleDivisor;
    lineWidth = std::isfinite(lineWidth) ? std::max(lineWidth, kMinimumBorderWidth) : kMinimumBorderWidth;
    return {{insetRect(plate.rect, lineWidth / 2), std::max(plate.radius - lineWidth / 2, 0.0)}, lineWidth};
}

double glyphSymbolPointSize(const QRectF& plate) {
    return kGlyphSymbolPointScale * shorterSide(plate);
}

QRectF glyphSymbolFrame(const QRectF& plate) {
    const double side = kGlyphSymbolSizeScale * shorterSide(plate);
    return centeredRect(plate, QSizeF(side, side));
}

double glyphFontSize(const QRectF& plate) {
    return kGlyphFontScale * shorterSide(plate);
}

QRectF centeredRect(const QRectF& rect, QSizeF size) {
    const QPointF c = rect.center();
    return {c.x() - size.width() / 2, c.y() - size.height() / 2, size.width(), size.height()};
}

QList<QRectF> iconGridFrames(const QRectF& plate, qsizetype appCount, double tileIconPadding) {
    const qsizetype count = std::clamp<qsizetype>(appCount, 0, kMaximumTileIcons);
    const double w = plate.width();
    const double h = plate.height();
    const double pad = w * (tileIconPadding / kGridPaddingPerUnitDivisor + kGridBasePadding);
    const double gap = w * kGridGap;
    const double cell = std::min((w - 2 * pad - gap) / 2, (h - 2 * pad - gap) / 2);
    QList<QRectF> frames;
    // A padding so large that no cell is left (or a value that is no number) draws no icons rather than
    // mirrored ones.
    if (!(cell > 0) || !std::isfinite(cell)) {
        return frames;
    }
    frames.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype column = i % 2;
        const qsizetype row = i / 2;
        // y grows upward: the first row sits above the second.
        const double x = plate.x() + pad + static_cast<double>(column) * (gap + cell);
        const double y = plate.y() + pad + static_cast<double>(1 - row) * (gap + cell);
        frames.append(QRectF(x, y, cell, cell));
    }
    return frames;
}

BadgeLayout badgeLayout(QSizeF tileSize) {
    const double w = tileSize.width();
    const double h = tileSize.height();
    const double inset = kBadgeInsetScale * w;
    const double s = kBadgeSymbolScale * h;
    BadgeLayout layout;
    layout.plateFrame = QRectF(0, 0, w, h).adjusted(inset, inset, -inset, -inset);
    layout.plateCornerRadius = (w - 2 * inset) * kBadgeCornerScale;
    layout.symbolFrame = QRectF((w - s) / 2, (h - s) / 2, s, s);
    layout.symbolPointSize = s;
    return layout;
}

QString badgeSymbolName(const QString& badgeText) {
    if (badgeText == QLatin1StringView("OFF")) {
        return QStringLiteral("nosign");
    }
    if (badgeText == QLatin1StringView("DELETE")) {
        return QStringLiteral("xmark.circle");
    }
    return QStringLiteral("checkmark.circle");
}

} // namespace tessly
