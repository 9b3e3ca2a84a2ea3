#include "dock_window.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include <xcb/xcb.h>

#include <cstring>

namespace tessly::dock {

namespace {

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

QRect devicePixels(const QRectF& rect, double ratio) {
    return QRectF(rect.topLeft() * ratio, rect.size() * ratio).toAlignedRect();
}

} // namespace

DockWindow::DockWindow(DockController& controller, const WorkspaceIcons& icons)
    : QWidget(nullptr,
              Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus),
      m_controller(controller), m_icons(icons) {
    setWindowTitle(QStringLiteral("Dock"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setMouseTracking(true);
    // The dock type is Qt's own xcb window type flag, set before the window maps: window managers read the
    // type once, when they take the window in.
    setProperty("_q_xcb_wm_window_type", 0x000004);
    connect(&m_controller, &DockController::changed, this, &DockWindow::relayout);
}

DockLayoutInput DockWindow::layoutInput() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    DockLayoutInput input;
    // The whole screen, not its available part: that part already leaves out the Dock's own strut.
    input.screen = screen ? QRectF(screen->geometry()) : QRectF(0, 0, 1280, 800);
    input.orientation = m_controller.settings().orientation;
    input.tileSize = m_controller.settings().tileSize;
    input.magnification = m_controller.settings().magnification;
    input.largeSize = m_controller.settings().largeSize;
    input.keptCount = m_controller.model().keptCount();
    input.otherCount = static_cast<int>(m_controller.model().tiles().size()) - input.keptCount;
    return input;
}

DockLayout DockWindow::restingLayout() const {
    return layoutDock(layoutInput());
}

void DockWindow::relayout() {
    DockLayoutInput input = layoutInput();
    input.pointer = m_dragging ? std::nullopt : m_pointer;
    const QRectF oldStrip = m_layout.strip;
    m_layout = layoutDock(input);
    const QRect frame = m_layout.window.toAlignedRect();
    if (geometry() != frame) {
        setGeometry(frame);
    }
    if (m_layout.strip != oldStrip) {
        setWindowManagerHints();
    }
    update();
}

void DockWindow::setWindowManagerHints() {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    // The offscreen platform offers the interface without a connection.
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection || !windowHandle()) {
        return;
    }
    const auto window = static_cast<xcb_window_t>(winId());
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double ratio = screen ? screen->devicePixelRatio() : 1.0;
    const QRect root = screen ? devicePixels(QRectF(screen->virtualGeometry()), ratio) : QRect();
    const auto partial =
        strutPartial(devicePixels(m_layout.strip, ratio), root, m_controller.settings().orientation);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atom(connection, "_NET_WM_STRUT_PARTIAL"),
                        XCB_ATOM_CARDINAL, 32, partial.size(), partial.data());
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atom(connection, "_NET_WM_STRUT"),
                        XCB_ATOM_CARDINAL, 32, 4, partial.data());
    const xcb_atom_t dockType = atom(connection, "_NET_WM_WINDOW_TYPE_DOCK");
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atom(connection, "_NET_WM_WINDOW_TYPE"),
                        XCB_ATOM_ATOM, 32, 1, &dockType);
    // On every desktop.
    const std::uint32_t allDesktops = 0xFFFFFFFF;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atom(connection, "_NET_WM_DESKTOP"),
                        XCB_ATOM_CARDINAL, 32, 1, &allDesktops);
    xcb_flush(connection);
    m_controller.setDevicePixelRatio(ratio);
}

void DockWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QPointF origin = geometry().topLeft();
    // Light or dark after the desktop's palette, so the plate stays legible under either.
    const bool dark = palette().color(QPalette::Window).lightness() < 128;
    const QColor edge = dark ? QColor(255, 255, 255, 60) : QColor(0, 0, 0, 50);
    const QColor ink = dark ? QColor(240, 240, 240) : QColor(30, 30, 30);
    paintPlate(painter, dark ? QColor(40, 40, 44, 225) : QColor(236, 236, 240, 225), edge);

    if (m_layout.separator) {
        painter.fillRect(m_layout.separator->translated(-origin), edge);
    }
    const QList<DockTileItem>& tiles = m_controller.model().tiles();
    for (qsizetype index = 0; index < tiles.size() && index < m_layout.tiles.size(); ++index) {
        const DockTileItem& tile = tiles.at(index);
        if (m_dragging && m_pressedTile == index) {
            painter.setOpacity(0.35);
        }
        paintTileImage(painter, tile, m_layout.tiles.at(index).translated(-origin));
        painter.setOpacity(1);
        if (tile.running) {
            const QPointF centre = runningDotCentre(m_layout.tiles.at(index), m_layout.orientation) - origin;
            painter.setPen(Qt::NoPen);
            painter.setBrush(ink);
            painter.drawEllipse(centre, kRunningDotDiameter / 2, kRunningDotDiameter / 2);
        }
    }
    if (m_dragging && m_pressedTile && *m_pressedTile < tiles.size()) {
        // The dragged tile follows the pointer; outside the window it is drawn by nobody, which is the hint
        // that letting go there removes it.
        const double side = m_layout.tileSize;
        const QRectF ghost(m_dragPosition - origin - QPointF(side, side) / 2, QSizeF(side, side));
        paintTileImage(painter, tiles.at(*m_pressedTile), ghost);
    }
}

void DockWindow::paintPlate(QPainter& painter, const QColor& plate, const QColor& edge) const {
    // As long as the row, as thick as the strip at rest, on the edge.
    const QPointF origin = geometry().topLeft();
    QRectF plateRect = m_layout.strip.translated(-origin);
    const QRectF row = m_layout.window.translated(-origin);
    if (m_layout.orientation == DockOrientation::bottom) {
        plateRect.setLeft(row.left());
        plateRect.setRight(row.right());
    } else {
        plateRect.setTop(row.top());
        plateRect.setBottom(row.bottom());
    }
    QPainterPath path;
    path.addRoundedRect(plateRect.adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    painter.fillPath(path, plate);
    painter.setPen(QPen(edge, 1));
    painter.drawPath(path);
}

void DockWindow::paintTileImage(QPainter& painter, const DockTileItem& tile, const QRectF& rect) const {
    if (!tile.content.isNull()) {
        // The application's bitmap, fitted into the tile with its aspect kept.
        const QSizeF size = QSizeF(tile.content.size()).scaled(rect.size(), Qt::KeepAspectRatio);
        painter.drawImage(QRectF(rect.center() - QPointF(size.width(), size.height()) / 2, size),
                          tile.content);
    } else if (const ImagePtr icon = m_icons.iconForFile(tile.bundlePath)) {
        icon->draw(painter, rect);
    }
}

void DockWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    m_pressPosition = event->globalPosition();
    m_pressedTile = tileAt(m_layout, m_pressPosition);
    m_dragging = false;
}

void DockWindow::mouseMoveEvent(QMouseEvent* event) {
    const QPointF position = event->globalPosition();
    if (m_pressedTile && (event->buttons() & Qt::LeftButton)) {
        if (!m_dragging &&
            (position - m_pressPosition).manhattanLength() >= QApplication::startDragDistance()) {
            m_dragging = true;
        }
        if (m_dragging) {
            m_dragPosition = position;
            update();
            return;
        }
    }
    m_pointer = position;
    if (m_controller.settings().magnification) {
        relayout();
    }
}

void DockWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_pressedTile) {
        return;
    }
    const int index = *m_pressedTile;
    const bool dragged = m_dragging;
    m_pressedTile.reset();
    m_dragging = false;
    const QList<DockTileItem>& tiles = m_controller.model().tiles();
    if (index >= tiles.size()) {
        return;
    }
    const QString bundlePath = tiles.at(index).bundlePath;
    if (!dragged) {
        if (tileAt(m_layout, event->globalPosition()) == index) {
            m_controller.activate(bundlePath);
        }
        return;
    }
    // Let go outside the window: out of the Dock. Inside, the tile goes back to its place.
    if (!m_layout.window.contains(event->globalPosition())) {
        m_controller.remove(bundlePath);
    }
    update();
}

void DockWindow::leaveEvent(QEvent*) {
    if (m_dragging) {
        return;
    }
    m_pointer.reset();
    if (m_controller.settings().magnification) {
        relayout();
    }
}

void DockWindow::contextMenuEvent(QContextMenuEvent* event) {
    if (const auto index = tileAt(m_layout, QPointF(event->globalPos()))) {
        showMenu(*index, event->globalPos());
    }
}

void DockWindow::showMenu(int index, const QPoint& globalPosition) {
    const QList<DockTileItem>& tiles = m_controller.model().tiles();
    if (index >= tiles.size()) {
        return;
    }
    const DockTileItem tile = tiles.at(index);
    QMenu menu;
    for (const DockMenuEntry& entry : menuFor(tile)) {
        QAction* action = menu.addAction(entry.title);
        action->setCheckable(entry.checkable);
        action->setChecked(entry.checked);
        const QString path = tile.bundlePath;
        connect(action, &QAction::triggered, this, [this, entry, path] {
            switch (entry.action) {
            case DockMenuAction::keep:
                entry.checked ? m_controller.remove(path) : m_controller.keep(path);
                break;
            case DockMenuAction::remove:
                m_controller.remove(path);
                break;
            case DockMenuAction::open:
                m_controller.activate(path);
                break;
            case DockMenuAction::quit:
                m_controller.quit(path);
                break;
            }
        });
    }
    menu.exec(globalPosition);
}

} // namespace tessly::dock
