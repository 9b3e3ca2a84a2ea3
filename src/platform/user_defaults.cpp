#include "platform/user_defaults.h"

#include <QLocale>

#include <charconv>
#include <cmath>
#include <limits>

namespace tessly {

namespace {

// The platform's text-to-boolean rule: skip white space, an optional sign and leading zeros; true when what
// follows starts with Y, y, T, t or a digit 1 to 9.
bool textBoolValue(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace()) {
        ++i;
    }
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        ++i;
    }
    while (i < text.size() && text.at(i) == QLatin1Char('0')) {
        ++i;
    }
    if (i >= text.size()) {
        return false;
    }
    const char16_t c = text.at(i).unicode();
    return c == u'Y' || c == u'y' || c == u'T' || c == u't' || (c >= u'1' && c <= u'9');
}

// The leading decimal number of a text, after white space and an optional sign; 0 when there is none. Read
// with std::from_chars, which ignores the process locale: the C library's strtod would take "0.5" as 0 under
// a locale with a decimal comma, and a Qt application runs in the user's locale.
double textDoubleValue(const QString& text) {
    const QByteArray latin = text.trimmed().toLatin1();
    const char* begin = latin.constData();
    const char* const end = begin + latin.size();
    // from_chars takes a minus sign but not a plus.
    if (begin != end && *begin == '+') {
        ++begin;
        if (begin != end && *begin == '-') {
            return 0.0;
        }
    }
    double value = 0.0;
    const std::from_chars_result read = std::from_chars(begin, end, value, std::chars_format::general);
    if (read.ec != std::errc() || !std::isfinite(value)) {
        return 0.0;
    }
    return value;
}

std::int64_t truncatedInteger(double value) {
    if (!std::isfinite(value)) {
        return 0;
    }
    constexpr double kMax = 9223372036854775807.0;
    if (value >= kMax) {
        return std::numeric_limits<std::int64_t>::max();
    }
    if (value <= -kMax) {
        return std::numeric_limits<std::int64_t>::min();
    }
    return static_cast<std::int64_t>(value);
}

} // namespace

bool plistBoolValue(const PlistValue& value) {
    switch (value.type()) {
    case PlistValue::Type::Boolean:
        return *value.asBoolean();
    case PlistValue::Type::Integer:
        return *value.asInteger() != 0;
    case PlistValue::Type::Real:
        return *value.asReal() != 0.0;
    case PlistValue::Type::String:
        return textBoolValue(*value.asString());
    default:
        return false;
    }
}

std::int64_t plistIntegerValue(const PlistValue& value) {
    switch (value.type()) {
    case PlistValue::Type::Boolean:
        return *value.asBoolean() ? 1 : 0;
    case PlistValue::Type::Integer:
        return *value.asInteger();
    case PlistValue::Type::Real:
        return truncatedInteger(*value.asReal());
    case PlistValue::Type::String: {
        // An integer text reads exactly, beyond what a double holds; anything else takes its leading number.
        bool ok = false;
        const std::int64_t exact = value.asString()->trimmed().toLongLong(&ok);
        return ok ? exact : truncatedInteger(textDoubleValue(*value.asString()));
    }
    default:
        return 0;
    }
}

double plistDoubleValue(const PlistValue& value) {
    switch (value.type()) {
    case PlistValue::Type::Boolean:
        return *value.asBoolean() ? 1.0 : 0.0;
    case PlistValue::Type::Integer:
        return static_cast<double>(*value.asInteger());
    case PlistValue::Type::Real:
        return *value.asReal();
    case PlistValue::Type::String:
        return textDoubleValue(*value.asString());
    default:
        return 0.0;
    }
}

bool UserDefaults::boolForKey(const QString& key) const {
    const auto value = object(key);
    return value ? plistBoolValue(*value) : false;
}

std::int64_t UserDefaults::integerForKey(const QString& key) const {
    const auto value = object(key);
    return value ? plistIntegerValue(*value) : 0;
}

double UserDefaults::doubleForKey(const QString& key) const {
    const auto value = object(key);
    return value ? plistDoubleValue(*value) : 0.0;
}

std::optional<QString> UserDefaults::stringForKey(const QString& key) const {
    const auto value = object(key);
    if (!value) {
        return std::nullopt;
    }
    switch (value->type()) {
    case PlistValue::Type::String:
        return *value->asString();
    case PlistValue::Type::Boolean:
        return *value->asBoolean() ? QStringLiteral("1") : QStringLiteral("0");
    case PlistValue::Type::Integer:
        return QString::number(*value->asInteger());
    case PlistValue::Type::Real:
        return QString::number(*value->asReal(), 'g', QLocale::FloatingPointShortest);
    default:
        return std::nullopt;
    }
}

void UserDefaults::setStringArray(const QString& key, const QStringList& values) {
    PlistArray array;
    array.reserve(values.size());
    for (const auto& value : values) {
        array.emplace_back(value);
    }
    setObject(key, PlistValue(std::move(array)));
}

} // namespace tessly
