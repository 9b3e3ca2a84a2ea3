#include "mainwindow/controls/popover_window.h"

#include "mainwindow/controls/settings_style.h"

#include <QPainter>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace tessly {

namespace {
/// The gap between the anchor and the popup.
constexpr int kGap = 4;
} // namespace

void placePopoverBelow(QWidget& popup, const QWidget& anchor) {
    popup.adjustSize();
    QPoint position =
        anchor.mapToGlobal(QPoint(anchor.width() / 2 - popup.width() / 2, anchor.height() + kGap));
    if (const QScreen* screen = anchor.screen()) {
        const QRect available = screen->availableGeometry();
        if (position.y() + popup.height() > available.bottom()) {
            position.setY(anchor.mapToGlobal(QPoint(0, 0)).y() - popup.height() - kGap);
        }
        position.setX(std::clamp(position.x(), available.left(),
                                 std::max(available.left(), available.right() - popup.width())));
        position.setY(std::max(position.y(), available.top()));
    }
    popup.move(position);
    popup.show();
}

void paintPopoverGround(QPainter& painter, const QWidget& popup) {
    const QPalette& p = popup.palette();
    // Square corners: a popup window has no transparency to round them into without a compositor.
    painter.setPen(QPen(p.color(kSectionBorderRole).darker(120), 1));
    painter.setBrush(p.color(kSectionBackgroundRole));
    painter.drawRect(QRectF(popup.rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

} // namespace tessly
