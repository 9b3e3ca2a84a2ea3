// Drawing shared by the settings controls: the keyboard focus ring and the raised knob of switches and
// sliders. Main thread only.
#pragma once

#include <QColor>
#include <QRectF>

class QPainter;
class QWidget;

namespace tessly {

/// The accent-coloured ring drawn around a control that has the keyboard focus, just outside `rect`.
void paintFocusRing(QPainter& painter, const QRectF& rect, double radius, const QColor& accent);

/// A round knob with a soft shadow under it and a hairline edge that keeps it apart from a light track.
void paintKnob(QPainter& painter, const QRectF& rect, const QColor& fill, const QColor& shadow);

/// Gives a control the keyboard focus the way native settings controls take it: by Tab, not by a click (a
/// click acts on the control and leaves the focus where it was), so a focus ring always means the keyboard.
void useTabFocus(QWidget& control);

} // namespace tessly
