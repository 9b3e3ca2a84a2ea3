#include "model/uuid_text.h"

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
    for (qsizetype i = 0; i < 36; ++i) {
        const char16_t c = text[i].unicode();
        const bool hyphenPlace = i == 8 || i == 13 || i == 18 || i == 23;
        if (hyphenPlace) {
            if (c != u'-') {
                return std::nullopt;
            }
            continue;
        }
        const bool hex = (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        if (!hex) {
            return std::nullopt;
        }
    }
    return QUuid::fromString(text);
}

} // namespace tessly
