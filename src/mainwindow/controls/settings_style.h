// The look of the settings pages and the onboarding in each theme: their colours, the palette the widgets
// read them from, their fonts and the measurements the controls share.
//
//     page->setPalette(settingsQPalette(settingsColors(settings.appTheme())));
//     painter.setBrush(palette().color(kSectionBackgroundRole));     // how a control finds its colour
//     label->setFont(settingsFont(SettingsFont::body));
//
// The colours travel in the widgets' QPalette so that a change of theme reaches every control below a page at
// once (Qt hands a changed palette down to the children). Plain values; fonts need the Qt Gui application.
#pragma once

#include "model/enumerations.h"

#include <QColor>
#include <QFont>
#include <QPalette>

namespace tessly {

struct SettingsColors {
    QColor windowBackground;
    /// The rounded background of a section, a little apart from the window's.
    QColor sectionBackground;
    QColor sectionBorder;
    /// Tracks of sliders and switches that are off, and the ground of segmented pickers.
    QColor controlFill;
    QColor separator;
    QColor primaryText;
    QColor secondaryText;
    QColor accent;
    QColor onAccent;
    /// Switch knobs, slider thumbs and the selected segment.
    QColor knob;
    QColor shadow;
    QColor destructive;
    /// Secondary buttons.
    QColor buttonFill;
    QColor buttonText;
};

[[nodiscard]] SettingsColors settingsColors(AppThemeMode theme);

/// Where each colour travels in a QPalette; controls read these roles.
inline constexpr QPalette::ColorRole kWindowBackgroundRole = QPalette::Window;
inline constexpr QPalette::ColorRole kSectionBackgroundRole = QPalette::Base;
inline constexpr QPalette::ColorRole kSectionBorderRole = QPalette::Midlight;
inline constexpr QPalette::ColorRole kControlFillRole = QPalette::AlternateBase;
inline constexpr QPalette::ColorRole kSeparatorRole = QPalette::Mid;
inline constexpr QPalette::ColorRole kPrimaryTextRole = QPalette::WindowText;
inline constexpr QPalette::ColorRole kSecondaryTextRole = QPalette::PlaceholderText;
inline constexpr QPalette::ColorRole kAccentRole = QPalette::Highlight;
inline constexpr QPalette::ColorRole kOnAccentRole = QPalette::HighlightedText;
inline constexpr QPalette::ColorRole kKnobRole = QPalette::Light;
inline constexpr QPalette::ColorRole kShadowRole = QPalette::Shadow;
inline constexpr QPalette::ColorRole kDestructiveRole = QPalette::BrightText;
inline constexpr QPalette::ColorRole kButtonFillRole = QPalette::Button;
inline constexpr QPalette::ColorRole kButtonTextRole = QPalette::ButtonText;

/// The colours as a palette: the roles above, plus those the platform's own widgets (menus, text fields,
/// combo boxes) read, for the active, inactive and disabled groups (disabled texts fade).
[[nodiscard]] QPalette settingsQPalette(const SettingsColors& colors);

/// The contrast ratio of two opaque colours, from 1 (none) to 21 (black on white), as the accessibility
/// guidelines define it.
[[nodiscard]] double contrastRatio(const QColor& a, const QColor& b);

enum class SettingsFont {
    /// Row titles, buttons and values.
    body,
    /// Subtitles under a row title, captions.
    caption,
    /// The titles above sections.
    sectionTitle,
    /// The titles of onboarding steps and the about page's name.
    title,
    /// The onboarding's welcome.
    hero,
};

/// The system font at the size and weight of `role`, in pixels so that it measures the same on every screen.
[[nodiscard]] QFont settingsFont(SettingsFont role);

/// Measurements the controls and pages share, in points.
namespace settings_metrics {
/// The width of a page as the window lays it out at first (the window's minimum is 540).
inline constexpr int kPageWidth = 560;
inline constexpr int kPageMarginHorizontal = 24;
inline constexpr int kPageMarginVertical = 20;
inline constexpr int kSectionSpacing = 18;
inline constexpr int kSectionCornerRadius = 10;
inline constexpr int kRowPaddingHorizontal = 14;
inline constexpr int kRowPaddingVertical = 9;
inline constexpr int kRowMinimumHeight = 40;
inline constexpr int kSliderWidth = 190;
inline constexpr int kSliderTrackHeight = 5;
inline constexpr int kSliderThumbSize = 17;
inline constexpr int kLanguagePickerWidth = 220;
inline constexpr int kControlCornerRadius = 7;
inline constexpr int kFocusRingWidth = 3;
} // namespace settings_metrics

} // namespace tessly
