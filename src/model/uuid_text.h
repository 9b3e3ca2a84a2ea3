// UUIDs as they cross files and processes: the canonical 36-character text, 8-4-4-4-12 hexadecimal digits,
// written in upper case; read in either case.
//
//     QUuid id = makeUuid();
//     QString text = uuidText(id);                       // "3F2504E0-4F89-41D3-9A0C-0305E82C3301"
//     std::optional<QUuid> back = parseUuid(text);
//
// Plain functions; use them from any thread.
#pragma once

#include <QString>
#include <QUuid>
#include <optional>

namespace tessly {

/// The value of one hexadecimal digit (either case), or -1 for anything else.
[[nodiscard]] constexpr int hexDigitValue(char16_t digit) {
    if (digit >= u'0' && digit <= u'9') {
        return digit - u'0';
    }
    if (digit >= u'a' && digit <= u'f') {
        return digit - u'a' + 10;
    }
    if (digit >= u'A' && digit <= u'F') {
        return digit - u'A' + 10;
    }
    return -1;
}

/// A fresh random UUID.
[[nodiscard]] QUuid makeUuid();
/// The upper-case canonical text.
[[nodiscard]] QString uuidText(const QUuid& uuid);
/// Parses exactly the canonical form (hexadecimal digits of either case, hyphens at their places, no braces).
[[nodiscard]] std::optional<QUuid> parseUuid(QStringView text);

} // namespace tessly
