#include "platform/gui/system_style.h"

#include <QList>

#include <algorithm>
#include <iterator>

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

namespace {

// The characters below U+1F000 that are shown as emoji pictures by default (Unicode's Emoji_Presentation).
constexpr char32_t kPictureRanges[][2] = {
    {0x231A, 0x231B}, {0x23E9, 0x23EC}, {0x23F0, 0x23F0}, {0x23F3, 0x23F3}, {0x25FD, 0x25FE},
    {0x2614, 0x2615}, {0x2648, 0x2653}, {0x267F, 0x267F}, {0x2693, 0x2693}, {0x26A1, 0x26A1},
    {0x26AA, 0x26AB}, {0x26BD, 0x26BE}, {0x26C4, 0x26C5}, {0x26CE, 0x26CE}, {0x26D4, 0x26D4},
    {0x26EA, 0x26EA}, {0x26F2, 0x26F3}, {0x26F5, 0x26F5}, {0x26FA, 0x26FA}, {0x26FD, 0x26FD},
    {0x2705, 0x2705}, {0x270A, 0x270B}, {0x2728, 0x2728}, {0x274C, 0x274C}, {0x274E, 0x274E},
    {0x2753, 0x2755}, {0x2757, 0x2757}, {0x2795, 0x2797}, {0x27B0, 0x27B0}, {0x27BF, 0x27BF},
    {0x2B1B, 0x2B1C}, {0x2B50, 0x2B50}, {0x2B55, 0x2B55}};

bool showsAsPicture(char32_t c) {
    // U+FE0F asks for the picture form of the character before it; from U+1F000 on, the emoji blocks.
    if (c == 0xFE0F || (c >= 0x1F000 && c <= 0x1FAFF)) {
        return true;
    }
    return std::any_of(std::begin(kPictureRanges), std::end(kPictureRanges),
                       [c](const char32_t(&range)[2]) { return c >= range[0] && c <= range[1]; });
}

} // namespace

QFont boldSystemFont(double pointSize, QStringView text) {
    QFont font(QStringLiteral("sans-serif"));
    const auto units = text.toUcs4();
    if (std::any_of(units.begin(), units.end(), showsAsPicture)) {
        // The colour emoji font first: the text font's outline forms of these characters would win otherwise.
        font.setFamilies({QStringLiteral("Noto Color Emoji"), QStringLiteral("sans-serif")});
    }
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Bold);
    font.setPointSizeF(pointSize > 0 ? pointSize : 1.0);
    return font;
}

} // namespace tessly
