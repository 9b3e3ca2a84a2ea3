#include "mainwindow/controls/control_painting.h"

#include "mainwindow/controls/settings_style.h"

#include <QPainter>
#include <QPainterPath>
#include <QWidget>

namespace tessly {

void paintFocusRing(QPainter& painter, const QRectF& rect, double radius, const QColor& accent) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QColor ring = accent;
    ring.setAlphaF(0.55F);
    const double width = settings_metrics::kFocusRingWidth;
    painter.setPen(QPen(ring, width));
    painter.setBrush(Qt::NoBrush);
    const double grow = width / 2.0 + 0.5;
    painter.drawRoundedRect(rect.adjusted(-grow, -grow, grow, grow), radius + grow, radius + grow);
    painter.restore();
}

void paintKnob(QPainter& painter, const QRectF& rect, const QColor& fill, const QColor& shadow) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    // Two offset discs make a soft shadow without a blur pass: this is painted on every frame of a drag.
    QColor soft = shadow;
    soft.setAlphaF(shadow.alphaF() * 0.5F);
    painter.setBrush(soft);
    painter.drawEllipse(rect.translated(0, 1.0).adjusted(-0.5, -0.5, 0.5, 0.5));
    painter.setBrush(shadow);
    painter.drawEllipse(rect.translated(0, 0.5));
    painter.setBrush(fill);
    painter.setPen(QPen(QColor(0, 0, 0, 28), 0.5));
    painter.drawEllipse(rect);
    painter.restore();
}

void useTabFocus(QWidget& control) {
    control.setFocusPolicy(Qt::TabFocus);
}

} // namespace tessly
