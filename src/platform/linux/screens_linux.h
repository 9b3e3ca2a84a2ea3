// The screens on Linux, read from Qt, and the one conversion between Qt's global coordinates and the y-up
// global points the program places its windows in; the panel and the pointer use the same conversion.
//
//     LinuxScreens screens;
//     const QRectF visible = screens.screens().value(0).visibleFrame;      // the primary screen, y-up
//     widget.setGeometry(toQtGlobal(panelFrame).toRect());                // back into Qt's coordinates
//
// Qt's global coordinates have their origin at the top-left corner of the virtual desktop and y growing
// downwards. The program's have their origin at the bottom-left corner of the primary screen and y growing
// upwards. The flip is the primary screen's bottom edge in Qt's coordinates (its top plus its height): a
// point's y becomes bottom - y, a rectangle's lowest edge bottom - (top + height); x is moved by the primary
// screen's left edge. The conversion is its own inverse. Without any screen the origin is Qt's.
//
// A screen's frame is Qt's geometry(), its visible frame availableGeometry(): what the window manager leaves
// free of panels and docks that reserve a strut (on the offscreen platform the two are the same). The order
// is Qt's, with the primary screen moved first.
//
// Needs the QGuiApplication; main thread only.
#pragma once

#include "platform/gui/screens.h"

#include <QPointF>
#include <QRectF>

namespace tessly {

/// The origin of the y-up coordinates, the primary screen's bottom-left corner, in Qt's global coordinates.
[[nodiscard]] QPointF yUpOriginInQtGlobal();

/// A point in Qt's global coordinates as a y-up global point, and back.
[[nodiscard]] QPointF toYUp(const QPointF& qtGlobal);
[[nodiscard]] QPointF toQtGlobal(const QPointF& yUp);
/// A rectangle in Qt's global coordinates as a y-up global rectangle (y() its lowest edge), and back.
[[nodiscard]] QRectF toYUp(const QRectF& qtGlobal);
[[nodiscard]] QRectF toQtGlobal(const QRectF& yUp);

class LinuxScreens final : public Screens {
public:
    [[nodiscard]] QList<ScreenGeometry> screens() const override;
    /// The screen holding the centre of the window that has the focus, else the primary screen.
    [[nodiscard]] std::optional<qsizetype> mainScreenIndex() const override;
};

} // namespace tessly
