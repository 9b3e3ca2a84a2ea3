// The main window's small popups (the colour picker, the symbol grid): where they open (centred under the
// control that opened them, or over it when the screen has no room below, always inside the screen) and
// their ground.
//
//     placePopoverBelow(*picker, *button);   // sized to its content, moved and shown
//     void Picker::paintEvent(QPaintEvent*) { QPainter painter(this); paintPopoverGround(painter, *this); }
//
// Main thread only.
#pragma once

class QPainter;
class QWidget;

namespace tessly {

/// Sizes `popup` to its content, moves it under `anchor` (over it when there is no room below) inside the
/// anchor's screen, and shows it.
void placePopoverBelow(QWidget& popup, const QWidget& anchor);

/// Fills `popup` with the section colour of its palette inside a hairline edge.
void paintPopoverGround(QPainter& painter, const QWidget& popup);

} // namespace tessly
