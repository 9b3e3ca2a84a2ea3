#include "model/display_text.h"

namespace tessly {

namespace {

bool isBidirectionalControl(char16_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

bool breaksTheLine(char16_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

} // namespace

QString displayedName(const QString& name) {
    QString shown;
    shown.reserve(name.size());
    for (const QChar c : name) {
        const char16_t code = c.unicode();
        if (breaksTheLine(code)) {
            shown += QLatin1Char(' ');
        } else if (!isBidirectionalControl(code) && c.category() != QChar::Other_Control) {
            shown += c;
        }
    }
    return shown;
}

QString isolatedName(const QString& name) {
    return QChar(0x2068) + displayedName(name) + QChar(0x2069);
}

} // namespace tessly
