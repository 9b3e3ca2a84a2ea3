#include "platform/gui/system_style.h"

namespace tessly {

QColor systemColor(SystemColor color) {
    // The platform's published light-appearance values.
    switch (color) {
    case SystemColor::blue:
        return QColor(0, 122, 255);
    case SystemColor::green:
        return QColor(40, 205, 65);
    case SystemColor::red:
        return QColor(255, 59, 48);
    case SystemColor::orange:
        return QColor(255, 149, 0);
    case SystemColor::pink:
        return QColor(255, 45, 85);
    case SystemColor::purple:
        return QColor(175, 82, 222);
    case SystemColor::yellow:
        return QColor(255, 204, 0);
    }
    return QColor(0, 122, 255);
}

QFont boldSystemFont(double pointSize) {
    QFont font(QStringLiteral("sans-serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Bold);
    font.setPointSizeF(pointSize > 0 ? pointSize : 1.0);
    return font;
}

} // namespace tessly
