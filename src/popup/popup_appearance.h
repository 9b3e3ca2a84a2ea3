// How the folder popup's plate looks, as plain values: the material filling it (translucent over a
// compositor, an opaque plate without one), the shadows under it as one image, and the spring that presents
// it.
//
//     const PopupMaterial material = popupMaterial(settings.popupBlurStyle(), settings.popupOpacity(),
//                                                  settings.appTheme(), compositorIsRunning);
//     painter.fillPath(outline, material.fill);
//     const QImage shadows = popupShadowImage(outline, panelSize, popupColors(theme).shadows, dpr);
//     animation.setEasingCurve(popupSpringEasing());
//
// Plain functions of plain values; the shadow image is a QImage, so any thread.
#pragma once

#include "model/enumerations.h"
#include "popup/popup_layout.h"

#include <QColor>
#include <QEasingCurve>
#include <QImage>
#include <QPainterPath>
#include <QSize>
#include <array>

namespace tessly {

/// How much of the theme's base colour each blur style lays over what is behind the popup, before
/// `popupOpacity`: thin, regular and thick (the "dark" style) materials.
inline constexpr double kPopupThinMaterialStrength = 0.55;
inline constexpr double kPopupRegularMaterialStrength = 0.72;
inline constexpr double kPopupThickMaterialStrength = 0.82;

/// The popup's appearance animation: a spring of this response and damping (it overshoots a little), run for
/// kPopupSpringDuration seconds, by which time it has settled.
inline constexpr double kPopupSpringResponse = 0.35;
inline constexpr double kPopupSpringDamping = 0.7;
inline constexpr double kPopupSpringDuration = 0.5;
/// An icon's hover growth: a spring without overshoot, settled within this time.
inline constexpr double kPopupHoverDuration = 0.2;

struct PopupMaterial {
    /// The plate's fill. Translucent over a compositor; opaque without one, where anything translucent would
    /// be blended with black.
    QColor fill;
    /// Whether the plate lets the desktop show through, so the window system should blur what is behind it.
    bool translucent = false;
};

/// The plate's material for `style` at `opacity` (clamped to 0…1) in `appearance`. Without a compositor the
/// plate is the same tint laid over a neutral ground of its appearance, opaque.
[[nodiscard]] PopupMaterial popupMaterial(PopupBlur style, double opacity, AppThemeMode appearance,
                                          bool compositorIsRunning);

/// The shadows of `outline` in a transparent image of `panelSize` points at `devicePixelRatio`: each shadow
/// its colour, blurred by its radius and moved by its offset, in order; nothing inside the outline itself, so
/// a translucent plate does not show its own shadow through.
[[nodiscard]] QImage popupShadowImage(const QPainterPath& outline, const QSize& panelSize,
                                      const std::array<PopupShadow, 2>& shadows, double devicePixelRatio);

/// A damped spring's progress from 0 towards 1 at `seconds` after its start.
[[nodiscard]] double popupSpringProgress(double seconds, double response, double damping);

/// The presentation spring as an easing curve over kPopupSpringDuration.
[[nodiscard]] QEasingCurve popupSpringEasing();

} // namespace tessly
