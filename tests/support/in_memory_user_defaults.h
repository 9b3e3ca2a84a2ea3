// User defaults held in memory, with other applications' persistent domains set by the test.
#pragma once

#include "platform/user_defaults.h"

#include <QHash>

namespace tessly::testing {

class InMemoryUserDefaults final : public UserDefaults {
public:
    [[nodiscard]] std::optional<PlistValue> object(const QString& key) const override {
        if (const PlistValue* value = values.find(key)) {
            return *value;
        }
        return std::nullopt;
    }
    void setObject(const QString& key, const PlistValue& value) override {
        values.set(key, value);
        writes.append(key);
    }
    void removeObject(const QString& key) override {
        values.remove(key);
        writes.append(key);
    }
    [[nodiscard]] std::optional<PlistDictionary> persistentDomain(const QString& domainName) const override {
        const auto it = domains.find(domainName);
        if (it == domains.end()) {
            return std::nullopt;
        }
        return *it;
    }

    PlistDictionary values;
    QHash<QString, PlistDictionary> domains;
    /// Every key written or removed, in order.
    QStringList writes;
};

} // namespace tessly::testing
