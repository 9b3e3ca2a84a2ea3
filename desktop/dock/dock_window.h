// The stand-in Dock's window: a strip at the screen edge that draws the controller's tiles, magnifies them
// under the pointer, and turns clicks, the context menu and drags into the controller's actions.
//
//     DockWindow window(controller, icons);
//     window.show();
//
// The window is a dock window (_NET_WM_WINDOW_TYPE_DOCK) on every desktop, and reserves the resting strip
// with _NET_WM_STRUT_PARTIAL (and _NET_WM_STRUT for older window managers), so the window manager shrinks
// the work area by exactly the strip. Magnified tiles make the window thicker and longer while the pointer is
// over it; the reserved room stays the strip. A tile dragged and released outside the window is taken out of
// the Dock.
//
// Main thread only.
#pragma once

#include "dock_controller.h"
#include "dock_layout.h"

#include "platform/gui/workspace_icons.h"

#include <QWidget>

#include <optional>

namespace tessly::dock {

class DockWindow final : public QWidget {
    Q_OBJECT

public:
    DockWindow(DockController& controller, const WorkspaceIcons& icons);

    /// The tiles' frames in Qt's global coordinates, in the controller's order.
    [[nodiscard]] const DockLayout& currentLayout() const { return m_layout; }
    /// The layout at rest (no magnification): where a tile is for a click from the control interface.
    [[nodiscard]] DockLayout restingLayout() const;

    /// Lays out again, moves the window and reserves its room.
    void relayout();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    /// The plate behind the tiles, in `plate` with an `edge` line.
    void paintPlate(QPainter& painter, const QColor& plate, const QColor& edge) const;
    /// A tile's picture fitted into `rect`: the bitmap it shows, else its bundle's icon.
    void paintTileImage(QPainter& painter, const DockTileItem& tile, const QRectF& rect) const;
    [[nodiscard]] DockLayoutInput layoutInput() const;
    void setWindowManagerHints();
    void showMenu(int index, const QPoint& globalPosition);

    DockController& m_controller;
    const WorkspaceIcons& m_icons;
    DockLayout m_layout;
    std::optional<QPointF> m_pointer;
    /// The tile under a pressed button, and where the press was (global).
    std::optional<int> m_pressedTile;
    QPointF m_pressPosition;
    bool m_dragging = false;
    QPointF m_dragPosition;
};

} // namespace tessly::dock
