#include "mainwindow/controls/settings_style.h"

#include <algorithm>
#include <cmath>

namespace tessly {

namespace {

double linearComponent(double c) {
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double relativeLuminance(const QColor& color) {
    const QColor rgb = color.toRgb();
    return 0.2126 * linearComponent(rgb.redF()) + 0.7152 * linearComponent(rgb.greenF()) +
           0.0722 * linearComponent(rgb.blueF());
}

QColor withAlpha(QColor color, double alpha) {
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

} // namespace

SettingsColors settingsColors(AppThemeMode theme) {
    if (theme == AppThemeMode::light) {
        return SettingsColors{
            .windowBackground = QColor(0xEC, 0xEC, 0xEE),
            .sectionBackground = QColor(0xFB, 0xFB, 0xFC),
            .sectionBorder = QColor(0xDA, 0xDA, 0xDE),
            .controlFill = QColor(0xDC, 0xDC, 0xE0),
            .separator = QColor(0xE2, 0xE2, 0xE6),
            .primaryText = QColor(0x1D, 0x1D, 0x1F),
            .secondaryText = QColor(0x67, 0x67, 0x6C),
            .accent = QColor(0x00, 0x6E, 0xE6),
            .onAccent = QColor(0xFF, 0xFF, 0xFF),
            .knob = QColor(0xFF, 0xFF, 0xFF),
            .shadow = QColor(0, 0, 0, 60),
            .destructive = QColor(0xD7, 0x26, 0x1E),
            .buttonFill = QColor(0xE3, 0xE3, 0xE7),
            .buttonText = QColor(0x1D, 0x1D, 0x1F),
        };
    }
    return SettingsColors{
        .windowBackground = QColor(0x1E, 0x1E, 0x20),
        .sectionBackground = QColor(0x2A, 0x2A, 0x2D),
        .sectionBorder = QColor(0x38, 0x38, 0x3C),
        .controlFill = QColor(0x45, 0x45, 0x4A),
        .separator = QColor(0x3A, 0x3A, 0x3E),
        .primaryText = QColor(0xF2, 0xF2, 0xF4),
        .secondaryText = QColor(0xA1, 0xA1, 0xA8),
        .accent = QColor(0x0A, 0x74, 0xE6),
        .onAccent = QColor(0xFF, 0xFF, 0xFF),
        .knob = QColor(0xF4, 0xF4, 0xF6),
        .shadow = QColor(0, 0, 0, 110),
        .destructive = QColor(0xFF, 0x45, 0x3A),
        .buttonFill = QColor(0x45, 0x45, 0x4A),
        .buttonText = QColor(0xF2, 0xF2, 0xF4),
    };
}

QPalette settingsQPalette(const SettingsColors& colors) {
    QPalette palette;
    const auto set = [&palette](QPalette::ColorRole role, const QColor& color, const QColor& disabled) {
        palette.setColor(QPalette::Active, role, color);
        palette.setColor(QPalette::Inactive, role, color);
        palette.setColor(QPalette::Disabled, role, disabled);
    };
    const auto same = [&set](QPalette::ColorRole role, const QColor& color) { set(role, color, color); };
    const QColor fadedText = withAlpha(colors.primaryText, 0.35);
    same(kWindowBackgroundRole, colors.windowBackground);
    same(kSectionBackgroundRole, colors.sectionBackground);
    same(kSectionBorderRole, colors.sectionBorder);
    same(kControlFillRole, colors.controlFill);
    same(kSeparatorRole, colors.separator);
    set(kPrimaryTextRole, colors.primaryText, fadedText);
    set(QPalette::Text, colors.primaryText, fadedText);
    set(kSecondaryTextRole, colors.secondaryText, withAlpha(colors.secondaryText, 0.45));
    set(kAccentRole, colors.accent, colors.controlFill);
    same(kOnAccentRole, colors.onAccent);
    same(kKnobRole, colors.knob);
    same(kShadowRole, colors.shadow);
    same(kDestructiveRole, colors.destructive);
    same(kButtonFillRole, colors.buttonFill);
    set(kButtonTextRole, colors.buttonText, fadedText);
    // What menus, tool tips and the other platform widgets read.
    same(QPalette::ToolTipBase, colors.sectionBackground);
    same(QPalette::ToolTipText, colors.primaryText);
    same(QPalette::Dark, colors.controlFill.darker(130));
    same(QPalette::Link, colors.accent);
    return palette;
}

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QFont settingsFont(SettingsFont role) {
    QFont font(QStringLiteral("sans-serif"));
    font.setStyleHint(QFont::SansSerif);
    switch (role) {
    case SettingsFont::body:
        font.setPixelSize(13);
        break;
    case SettingsFont::caption:
        font.setPixelSize(11);
        break;
    case SettingsFont::sectionTitle:
        font.setPixelSize(12);
        font.setWeight(QFont::DemiBold);
        break;
    case SettingsFont::title:
        font.setPixelSize(20);
        font.setWeight(QFont::Bold);
        break;
    case SettingsFont::hero:
        font.setPixelSize(26);
        font.setWeight(QFont::Bold);
        break;
    }
    return font;
}

} // namespace tessly
