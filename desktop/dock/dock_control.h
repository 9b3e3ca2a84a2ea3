// The stand-in Dock's control interface on the session bus, for end-to-end tests and scripts, and the bus
// name that makes one Dock per session bus.
//
//     tessly-dock --test-control &
//     gdbus call --session --dest app.tessly.Dock --object-path /app/tessly/Dock
//               --method app.tessly.Dock.ListTiles
//
// Whoever calls it acts as the person in front of the Dock: a kept bundle's plug-in is loaded into the
// plug-in host at once and at every start, and a click runs the bundle's executable. Every process of the
// session may call it, so the Dock offers it only when started for tests (kDockTestControlOption); otherwise
// it only owns the name.
//
// Service kDockControlService, object kDockControlPath, interface kDockControlInterface; methods:
//   ListTiles() -> s             a JSON array, one object per tile in Dock order: "bundlePath", "kept",
//                                "running", "hasContent" (a published tile is shown), "contentSize" {width,
//                                height} of it in pixels (0 × 0 without one), "plugIn" (starting, loaded,
//                                none, failed), "frame" {x, y, width, height} at rest in global coordinates
//                                with y down (as X and xdotool count), and "frameYUp", the same in the
//                                program's y-up global coordinates
//   Click(s bundlePath) -> b     moves the real pointer to the tile's centre, then acts as a click there
//   Keep(s bundlePath) -> b      keeps the bundle (false when kept already or not a bundle)
//   Remove(s bundlePath) -> b    takes it out of the Dock (false when it was not kept)
//   SetOrientation(s) -> b       "bottom", "left" or "right" (false for anything else)
//   SetTileSize(d) -> b          the tile size in points, clamped to 16…128
//   SetMagnification(b, d) -> b  magnification on or off, and the large size
// Each edit is written to the Dock's preferences as a person's would be.
//
// Main thread only.
#pragma once

#include "dock_controller.h"
#include "dock_window.h"

#include <QObject>

namespace tessly::dock {

inline constexpr char kDockControlService[] = "app.tessly.Dock";
inline constexpr char kDockControlPath[] = "/app/tessly/Dock";
inline constexpr char kDockControlInterface[] = "app.tessly.Dock";
/// The command-line option that offers the control interface.
inline constexpr char kDockTestControlOption[] = "test-control";

/// Takes kDockControlService on the session bus; false when the bus is missing or another Dock owns the name.
[[nodiscard]] bool claimDockServiceName();

class DockControl final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "app.tessly.Dock")

public:
    DockControl(DockController& controller, DockWindow& window);

    /// Registers the object at kDockControlPath; false when the bus is missing or the path is taken.
    [[nodiscard]] bool registerOnSessionBus();

public slots:
    Q_SCRIPTABLE QString ListTiles() const;
    Q_SCRIPTABLE bool Click(const QString& bundlePath);
    Q_SCRIPTABLE bool Keep(const QString& bundlePath);
    Q_SCRIPTABLE bool Remove(const QString& bundlePath);
    Q_SCRIPTABLE bool SetOrientation(const QString& orientation);
    Q_SCRIPTABLE bool SetTileSize(double size);
    Q_SCRIPTABLE bool SetMagnification(bool on, double largeSize);

private:
    DockController& m_controller;
    DockWindow& m_window;
};

} // namespace tessly::dock
