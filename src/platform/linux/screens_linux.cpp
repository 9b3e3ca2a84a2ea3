#include "platform/linux/screens_linux.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

namespace tessly {

namespace {

/// The screens with the primary one first, the others in Qt's order.
QList<QScreen*> orderedScreens() {
    QList<QScreen*> screens = QGuiApplication::screens();
    if (QScreen* primary = QGuiApplication::primaryScreen()) {
        screens.removeOne(primary);
        screens.prepend(primary);
    }
    return screens;
}

/// `rect` mirrored about the horizontal line through `origin` and moved by `xShift`: the mirror is its own
/// inverse, so each direction differs only in the sign of the shift.
QRectF flipped(const QRectF& rect, const QPointF& origin, double xShift) {
    return {rect.x() + xShift, origin.y() - rect.y() - rect.height(), rect.width(), rect.height()};
}

} // namespace

QPointF yUpOriginInQtGlobal() {
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary) {
        return {};
    }
    // QRect::bottom() is the last row inside; the edge is the row after it.
    const QRect geometry = primary->geometry();
    return {static_cast<double>(geometry.x()), static_cast<double>(geometry.y() + geometry.height())};
}

QPointF toYUp(const QPointF& qtGlobal) {
    const QPointF origin = yUpOriginInQtGlobal();
    return {qtGlobal.x() - origin.x(), origin.y() - qtGlobal.y()};
}

QPointF toQtGlobal(const QPointF& yUp) {
    const QPointF origin = yUpOriginInQtGlobal();
    return {yUp.x() + origin.x(), origin.y() - yUp.y()};
}

QRectF toYUp(const QRectF& qtGlobal) {
    const QPointF origin = yUpOriginInQtGlobal();
    return flipped(qtGlobal, origin, -origin.x());
}

QRectF toQtGlobal(const QRectF& yUp) {
    const QPointF origin = yUpOriginInQtGlobal();
    return flipped(yUp, origin, origin.x());
}

QList<ScreenGeometry> LinuxScreens::screens() const {
    QList<ScreenGeometry> result;
    for (const QScreen* screen : orderedScreens()) {
        result.append({toYUp(QRectF(screen->geometry())), toYUp(QRectF(screen->availableGeometry()))});
    }
    return result;
}

std::optional<qsizetype> LinuxScreens::mainScreenIndex() const {
    const QList<QScreen*> screens = orderedScreens();
    if (screens.isEmpty()) {
        return std::nullopt;
    }
    if (const QWindow* focused = QGuiApplication::focusWindow()) {
        // By the window's centre rather than QWindow::screen(), which not every platform plugin keeps up to
        // date when a window is moved onto another screen.
        QScreen* screen = QGuiApplication::screenAt(focused->geometry().center());
        if (!screen) {
            screen = focused->screen();
        }
        if (const qsizetype index = screens.indexOf(screen); index >= 0) {
            return index;
        }
    }
    return 0;
}

} // namespace tessly
