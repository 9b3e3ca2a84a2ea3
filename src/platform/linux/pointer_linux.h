// The pointer on Linux: where it is, and a watch on the left and right presses anywhere on the X display.
//
//     LinuxPointer pointer;
//     const QPointF at = pointer.mouseLocation();                        // y-up, as every global point
//     auto token = pointer.addGlobalMouseDownMonitor([weak] { ... });    // nothing off X11
//     ...
//     pointer.removeMonitor(*token);
//
// mouseLocation() is QCursor::pos() converted to y-up global points (screens_linux.h).
//
// The monitor listens to XInput 2 raw button presses (XI_RawButtonPress, buttons 1 and 3, as the devices
// report them, before the user's button mapping) selected on every root window of the display, for all master
// devices. Raw events reach every client that selects them without a grab, and without taking the press away
// from the window it is for. They come for presses in any window, this process's own included: the caller
// tells an outside click by the pointer's position.
//
// The events are read on an X connection of the monitor's own, opened to $DISPLAY on the first monitor and
// watched by a QSocketNotifier on the main thread, rather than through a native event filter on Qt's
// connection: the selection of raw events on the root window then cannot replace one Qt makes there for its
// own use (selections on a window are kept per client and device), the monitor does not depend on how Qt's
// event reader hands on XInput events, and removing the last monitor takes the selection away again so that
// an idle process is not woken by every click on the desktop.
//
// Not on the xcb platform (Wayland without XWayland, offscreen), without a display, or when the X server
// lacks XInput 2, addGlobalMouseDownMonitor() returns nothing; so it does when the monitor's connection has
// broken.
//
// Needs the QGuiApplication; main thread only, and the handlers run there.
#pragma once

#include "platform/gui/screens.h"

#include <xcb/xcb.h>

#include <cstdint>
#include <map>
#include <memory>

namespace tessly {

class LinuxPointer final : public Pointer {
public:
    LinuxPointer();
    ~LinuxPointer() override;
    LinuxPointer(const LinuxPointer&) = delete;
    LinuxPointer& operator=(const LinuxPointer&) = delete;

    [[nodiscard]] QPointF mouseLocation() const override;
    [[nodiscard]] std::optional<MouseMonitorToken>
    addGlobalMouseDownMonitor(std::function<void()> handler) override;
    void removeMonitor(MouseMonitorToken token) override;

private:
    class Connection;

    void deliverPress();

    /// Opened on the first monitor; stays open, deselected, while no monitor is installed.
    std::unique_ptr<Connection> m_connection;
    /// The monitor cannot work in this process (see above); not tried again.
    bool m_unavailable = false;
    std::map<MouseMonitorToken, std::function<void()>> m_handlers;
    MouseMonitorToken m_nextToken = 1;
};

/// Whether `event` is a raw press of button 1 or 3 from the XInput extension whose major opcode is
/// `inputOpcode`.
[[nodiscard]] bool isMonitoredMouseDown(const xcb_generic_event_t& event, std::uint8_t inputOpcode);

} // namespace tessly
