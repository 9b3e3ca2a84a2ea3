// Property-list values, and their XML and binary forms.
//
// Booleans, integers and reals stay distinct types (`<integer>48</integer>` is not `<real>48</real>`), as the
// Dock's and the defaults' readers tell them apart. Dictionaries keep their entries in file order.
//
//     auto parsed = readPropertyList(bytes);           // XML or binary, detected
//     if (parsed && parsed->root.isDictionary()) {
//         const PlistValue* size = parsed->root.asDictionary()->find("tilesize");
//     }
//     QByteArray out = writePropertyList(root, parsed->format);
//
// Plain values; use them from any thread.
#pragma once

#include "base/plist_checks.h"
#include "platform/atomic_file.h"
#include "platform/date.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

namespace tessly {

class PlistValue;
using PlistArray = std::vector<PlistValue>;

/// A dictionary whose keys are unique and whose entries keep their order.
class PlistDictionary {
public:
    using Entry = std::pair<QString, PlistValue>;

    PlistDictionary() = default;
    PlistDictionary(std::initializer_list<Entry> entries);
    /// The entries in their order; of several with one key, the last value stays, at the first one's place.
    [[nodiscard]] static PlistDictionary fromEntries(std::vector<Entry> entries);

    [[nodiscard]] const PlistValue* find(const QString& key) const;
    [[nodiscard]] PlistValue* find(const QString& key);
    [[nodiscard]] bool contains(const QString& key) const { return find(key) != nullptr; }
    /// Replaces the value of an existing key in place, or appends a new entry.
    void set(const QString& key, PlistValue value);
    /// Returns whether the key was there.
    bool remove(const QString& key);

    [[nodiscard]] const std::vector<Entry>& entries() const { return m_entries; }
    [[nodiscard]] std::size_t size() const;
    [[nodiscard]] bool isEmpty() const;

    friend bool operator==(const PlistDictionary&, const PlistDictionary&);

private:
    std::vector<Entry> m_entries;
};

class PlistValue {
public:
    enum class Type { Boolean, Integer, Real, String, Date, Data, Array, Dictionary };

    PlistValue() : m_value(PlistDictionary{}) {}
    PlistValue(bool value) : m_value(value) {}
    PlistValue(int value) : m_value(std::int64_t{value}) {}
    PlistValue(std::int64_t value) : m_value(value) {}
    PlistValue(double value) : m_value(value) {}
    PlistValue(QString value) : m_value(std::move(value)) {}
    PlistValue(const char* value) : m_value(QString::fromUtf8(value)) {}
    PlistValue(Date value) : m_value(value) {}
    PlistValue(QByteArray data) : m_value(std::move(data)) {}
    PlistValue(PlistArray value) : m_value(std::move(value)) {}
    PlistValue(PlistDictionary value) : m_value(std::move(value)) {}

    [[nodiscard]] Type type() const { return static_cast<Type>(m_value.index()); }

    [[nodiscard]] const bool* asBoolean() const { return std::get_if<bool>(&m_value); }
    [[nodiscard]] const std::int64_t* asInteger() const { return std::get_if<std::int64_t>(&m_value); }
    [[nodiscard]] const double* asReal() const { return std::get_if<double>(&m_value); }
    [[nodiscard]] const QString* asString() const { return std::get_if<QString>(&m_value); }
    [[nodiscard]] const Date* asDate() const { return std::get_if<Date>(&m_value); }
    [[nodiscard]] const QByteArray* asData() const { return std::get_if<QByteArray>(&m_value); }
    [[nodiscard]] const PlistArray* asArray() const { return std::get_if<PlistArray>(&m_value); }
    [[nodiscard]] PlistArray* asArray() { return std::get_if<PlistArray>(&m_value); }
    [[nodiscard]] const PlistDictionary* asDictionary() const {
        return std::get_if<PlistDictionary>(&m_value);
    }
    [[nodiscard]] PlistDictionary* asDictionary() { return std::get_if<PlistDictionary>(&m_value); }

    [[nodiscard]] bool isDictionary() const { return type() == Type::Dictionary; }
    /// True for integers and reals (booleans are not numbers here).
    [[nodiscard]] bool isNumber() const { return type() == Type::Integer || type() == Type::Real; }

    friend bool operator==(const PlistValue&, const PlistValue&) = default;

private:
    // The order of the alternatives is the order of Type.
    std::variant<bool, std::int64_t, double, QString, Date, QByteArray, PlistArray, PlistDictionary> m_value;
};

// Defined once PlistValue is complete: the entries' size is not known before.
inline std::size_t PlistDictionary::size() const {
    return m_entries.size();
}
inline bool PlistDictionary::isEmpty() const {
    return m_entries.empty();
}

enum class PlistFormat { Xml, Binary };

struct ParsedPropertyList {
    PlistValue root;
    PlistFormat format = PlistFormat::Xml;
};

/// Parses an XML or binary property list. On failure returns nothing and, when `error` is given, a
/// description.
[[nodiscard]] std::optional<ParsedPropertyList> readPropertyList(const QByteArray& bytes,
                                                                 QString* error = nullptr);
/// Serialises `root` in the given format. Texts (values and keys) lose what the format cannot hold: NUL and
/// lone surrogates in both, and in XML also the control characters other than tab, line feed and carriage
/// return, U+FFFE and U+FFFF, so that any XML reader accepts the document.
[[nodiscard]] QByteArray writePropertyList(const PlistValue& root, PlistFormat format);

/// Reads and parses a file. Returns nothing (and a description in `error`) when it cannot be read or parsed.
[[nodiscard]] std::optional<ParsedPropertyList> readPropertyListFile(const QString& path,
                                                                     QString* error = nullptr);
/// Writes `root` to `path` atomically (see `writeFileAtomically`): a reader sees the old file or the new one,
/// never a part, and a failed write leaves the old file as it was.
[[nodiscard]] bool writePropertyListFile(const QString& path, const PlistValue& root, PlistFormat format,
                                         QString* error = nullptr,
                                         LinkAtDestination link = LinkAtDestination::replace);

} // namespace tessly
