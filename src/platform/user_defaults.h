// The program's user defaults: a key-value store of property-list values that every process of the same
// bundle identifier shares.
//
//     if (defaults.hasObject("popupColumns")) columns = defaults.integerForKey("popupColumns");
//     defaults.setDouble("tileOpacity", 0.8);
//
// The typed readers convert as the platform does: a number read as a boolean is true when non-zero; a text is
// true when it starts with Y, y, T, t or a digit 1 to 9 (after white space, a sign and zeros), so "YES" and
// "1" are true; a text read as a number takes its leading number; a real read as an integer is truncated. A
// key of another type reads as false, 0 or nothing.
//
// Main thread only.
#pragma once

#include "platform/property_list.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace tessly {

class UserDefaults {
public:
    virtual ~UserDefaults() = default;

    /// The value stored under `key`, or nothing when the key is absent.
    [[nodiscard]] virtual std::optional<PlistValue> object(const QString& key) const = 0;
    /// Stores `value` under `key`.
    virtual void setObject(const QString& key, const PlistValue& value) = 0;
    virtual void removeObject(const QString& key) = 0;
    /// The persistent domain of another application (by bundle identifier), or nothing when it has none.
    [[nodiscard]] virtual std::optional<PlistDictionary>
    persistentDomain(const QString& domainName) const = 0;

    [[nodiscard]] bool hasObject(const QString& key) const { return object(key).has_value(); }
    [[nodiscard]] bool boolForKey(const QString& key) const;
    [[nodiscard]] std::int64_t integerForKey(const QString& key) const;
    [[nodiscard]] double doubleForKey(const QString& key) const;
    /// A text, or a number's text; nothing for other types.
    [[nodiscard]] std::optional<QString> stringForKey(const QString& key) const;

    void setBool(const QString& key, bool value) { setObject(key, PlistValue(value)); }
    void setInteger(const QString& key, std::int64_t value) { setObject(key, PlistValue(value)); }
    void setDouble(const QString& key, double value) { setObject(key, PlistValue(value)); }
    void setString(const QString& key, const QString& value) { setObject(key, PlistValue(value)); }
    void setStringArray(const QString& key, const QStringList& values);
};

/// The platform's conversions of a stored value, shared by the readers above and by other stores of
/// property-list values (another application's preferences).
[[nodiscard]] bool plistBoolValue(const PlistValue& value);
[[nodiscard]] std::int64_t plistIntegerValue(const PlistValue& value);
[[nodiscard]] double plistDoubleValue(const PlistValue& value);

} // namespace tessly
