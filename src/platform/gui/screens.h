// The screens, where the pointer is, and presses of the mouse buttons anywhere on the desktop.
//
//     for (const ScreenGeometry& screen : screens.screens()) { ... }     // in the platform's order
//     const QPointF at = pointer.mouseLocation();
//     MouseMonitorToken token = pointer.addGlobalMouseDownMonitor([this] { handleOutsideClick(); });
//     ...
//     pointer.removeMonitor(token);
//
// Every rectangle and point here is global and y-up, as the platform describes its screens: the origin is the
// bottom-left corner of the primary screen and y grows upwards. A QRectF holds such a rectangle with y() its
// lowest edge and y() + height() its highest.
//
// Main thread only.
#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>
#include <cstdint>
#include <functional>
#include <optional>

namespace tessly {

/// One screen: its full frame and the part the menu bar and the Dock leave free, in y-up global points.
struct ScreenGeometry {
    QRectF frame;
    QRectF visibleFrame;

    friend bool operator==(const ScreenGeometry&, const ScreenGeometry&) = default;
};

class Screens {
public:
    virtual ~Screens() = default;

    /// The screens in the platform's order, the primary one first.
    [[nodiscard]] virtual QList<ScreenGeometry> screens() const = 0;
    /// The index in screens() of the screen holding the key window (else the primary screen); none without
    /// screens.
    [[nodiscard]] virtual std::optional<qsizetype> mainScreenIndex() const = 0;
};

using MouseMonitorToken = std::uint64_t;

class Pointer {
public:
    virtual ~Pointer() = default;

    /// Where the pointer is now.
    [[nodiscard]] virtual QPointF mouseLocation() const = 0;
    /// Calls `handler` on the main thread for each left or right button press delivered to another
    /// application, without grabbing the pointer. Nothing when the platform cannot watch presses.
    [[nodiscard]] virtual std::optional<MouseMonitorToken>
    addGlobalMouseDownMonitor(std::function<void()> handler) = 0;
    virtual void removeMonitor(MouseMonitorToken token) = 0;
};

} // namespace tessly
