// The compositor of the X11 desktop: whether one runs, and asking it to blur what lies behind a window.
//
//     view->setCompositorIsRunning(compositorIsRunning());
//     requestBlurBehind(*view->window(), view->blurRegion());
//
// A compositor owns the selection "_NET_WM_CM_S<screen>" while it runs (the window managers' convention);
// without one, translucent windows are blended with black. Blur behind a window is asked for with the
// _KDE_NET_WM_BLUR_BEHIND_REGION property that compositors offering it read; others ignore it (picom blurs
// translucent windows by its own configuration).
//
// Needs the QApplication on the xcb platform (elsewhere: no compositor, nothing asked); main thread only.
#pragma once

#include <QRegion>

class QWidget;

namespace tessly {

[[nodiscard]] bool compositorIsRunning();
/// Asks for blur behind `region` of the top-level `window` (its own coordinates); an empty region withdraws
/// it.
void requestBlurBehind(QWidget& window, const QRegion& region);

} // namespace tessly
