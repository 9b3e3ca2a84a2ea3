#include "model/uuid_text.h"

#include <cstdint>

namespace tessly {

QUuid makeUuid() {
    return QUuid::createUuid();
}

QString uuidText(const QUuid& uuid) {
    return uuid.toString(QUuid::WithoutBraces).toUpper();
}

std::optional<QUuid> parseUuid(QStringView text) {
    if (text.size() != 36) {
        return std::nullopt;
    }
    // One pass that checks and assembles: the folder file holds tens of thousands of these.
    const char16_t* c = text.utf16();
    std::uint8_t bytes[16];
    int at = 0;
    for (int i = 0; i < 36;) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (c[i] != u'-') {
                return std::nullopt;
            }
            ++i;
            continue;
        }
        const int high = hexDigitValue(c[i]);
        const int low = hexDigitValue(c[i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        bytes[at++] = static_cast<std::uint8_t>(high << 4 | low);
        i += 2;
    }
    return QUuid(static_cast<uint>(bytes[0] << 24 | bytes[1] << 16 | bytes[2] << 8 | bytes[3]),
                 static_cast<ushort>(bytes[4] << 8 | bytes[5]), static_cast<ushort>(bytes[6] << 8 | bytes[7]),
                 bytes[8], bytes[9], bytes[10], bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
}

} // namespace tessly
