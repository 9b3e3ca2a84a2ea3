#include "platform/property_list.h"

#include "platform/bounded_file.h"

#include <QHash>
#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <memory>
#include <plist/plist.h>
#include <string_view>

namespace tessly {

PlistDictionary::PlistDictionary(std::initializer_list<Entry> entries) {
    for (const auto& entry : entries) {
        set(entry.first, entry.second);
    }
}

PlistDictionary PlistDictionary::fromEntries(std::vector<Entry> entries) {
    PlistDictionary dictionary;
    dictionary.m_entries.reserve(entries.size());
    // Keyed once each: a dictionary of many entries must not cost a search of all the others per entry.
    QHash<QString, std::size_t> positions;
    positions.reserve(static_cast<qsizetype>(entries.size()));
    for (auto& entry : entries) {
        const auto at = positions.constFind(entry.first);
        if (at != positions.cend()) {
            dictionary.m_entries[*at].second = std::move(entry.second);
            continue;
        }
        positions.insert(entry.first, dictionary.m_entries.size());
        dictionary.m_entries.push_back(std::move(entry));
    }
    return dictionary;
}

const PlistValue* PlistDictionary::find(const QString& key) const {
    for (const auto& entry : m_entries) {
        if (entry.first == key) {
            return &entry.second;
        }
    }
    return nullptr;
}

PlistValue* PlistDictionary::find(const QString& key) {
    return const_cast<PlistValue*>(std::as_const(*this).find(key));
}

void PlistDictionary::set(const QString& key, PlistValue value) {
    if (PlistValue* existing = find(key)) {
        *existing = std::move(value);
        return;
    }
    m_entries.emplace_back(key, std::move(value));
}

bool PlistDictionary::remove(const QString& key) {
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (it->first == key) {
            m_entries.erase(it);
            return true;
        }
    }
    return false;
}

bool operator==(const PlistDictionary& lhs, const PlistDictionary& rhs) {
    // Entry order carries no meaning for equality.
    if (lhs.size() != rhs.size()) {
        return false;
    }
    for (const auto& [key, value] : lhs.m_entries) {
        const PlistValue* other = rhs.find(key);
        if (!other || !(*other == value)) {
            return false;
        }
    }
    return true;
}

namespace {

struct NodeDeleter {
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using NodePtr = std::unique_ptr<void, NodeDeleter>;

struct CharsDeleter {
    void operator()(char* text) const { std::free(text); }
};
using CharsPtr = std::unique_ptr<char, CharsDeleter>;

// Makes the C library read and write numbers in the C locale on this thread for its lifetime.
class NumericFormatOfC {
public:
    NumericFormatOfC() : m_locale(::newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr))) {
        if (m_locale) {
            m_previous = ::uselocale(m_locale);
        }
    }
    ~NumericFormatOfC() {
        if (m_locale) {
            ::uselocale(m_previous);
            ::freelocale(m_locale);
        }
    }
    NumericFormatOfC(const NumericFormatOfC&) = delete;
    NumericFormatOfC& operator=(const NumericFormatOfC&) = delete;

private:
    locale_t m_locale;
    locale_t m_previous = LC_GLOBAL_LOCALE;
};

std::optional<PlistValue> fromNode(plist_t node, int depth);

/// A leaf of the tree: a number, a text, a date, data or a truth value; nothing for a container.
std::optional<PlistValue> scalarFromNode(plist_t node) {
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return PlistValue(value != 0);
    }
    case PLIST_UINT: {
        // libplist 2.2 has no signed type: negative integers come back as their two's complement.
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return PlistValue(static_cast<std::int64_t>(value));
    }
    case PLIST_UID: {
        uint64_t value = 0;
        plist_get_uid_val(node, &value);
        return PlistValue(static_cast<std::int64_t>(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return PlistValue(value);
    }
    case PLIST_STRING: {
        // The pointer getter, unlike the copying one, does not assert on the text's length.
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        return PlistValue(text ? QString::fromUtf8(text, static_cast<qsizetype>(length)) : QString());
    }
    case PLIST_DATE: {
        int32_t seconds = 0;
        int32_t microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        return PlistValue(Date::fromTimeIntervalSinceReferenceDate(seconds + microseconds / 1e6));
    }
    case PLIST_DATA: {
        char* raw = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &raw, &length);
        CharsPtr data(raw);
        return PlistValue(QByteArray(raw ? raw : "", raw ? static_cast<qsizetype>(length) : 0));
    }
    default:
        return std::nullopt;
    }
}

std::optional<PlistValue> arrayFromNode(plist_t node, int depth) {
    PlistArray items;
    const uint32_t count = plist_array_get_size(node);
    items.reserve(count);
    // libplist 2.2 finds the n-th item of a parsed array by walking from the first, which makes reading
    // an array by index quadratic (6,000 items: 45 ms). The first item is at hand, so each item is taken
    // from the front and dropped once converted: the tree is the reader's own and is freed afterwards.
    for (uint32_t i = 0; i < count; ++i) {
        auto item = fromNode(plist_array_get_item(node, 0), depth + 1);
        if (!item) {
            return std::nullopt;
        }
        items.push_back(std::move(*item));
        plist_array_remove_item(node, 0);
    }
    return PlistValue(std::move(items));
}

std::optional<PlistValue> dictionaryFromNode(plist_t node, int depth) {
    std::vector<PlistDictionary::Entry> entries;
    entries.reserve(plist_dict_get_size(node));
    plist_dict_iter iter = nullptr;
    plist_dict_new_iter(node, &iter);
    if (!iter) {
        return PlistValue(PlistDictionary{});
    }
    bool complete = false;
    for (;;) {
        char* rawKey = nullptr;
        plist_t child = nullptr;
        plist_dict_next_item(node, iter, &rawKey, &child);
        CharsPtr key(rawKey);
        if (!child) {
            complete = true;
            break;
        }
        auto value = fromNode(child, depth + 1);
        if (!value) {
            break;
        }
        entries.emplace_back(QString::fromUtf8(rawKey ? rawKey : ""), std::move(*value));
    }
    std::free(iter);
    if (!complete) {
        return std::nullopt;
    }
    return PlistValue(PlistDictionary::fromEntries(std::move(entries)));
}

// Converts a tree that the reader owns; the items of its arrays are consumed on the way.
std::optional<PlistValue> fromNode(plist_t node, int depth) {
    if (!node || depth > kMaximumPlistDepth) {
        return std::nullopt;
    }
    switch (plist_get_node_type(node)) {
    case PLIST_ARRAY:
        return arrayFromNode(node, depth);
    case PLIST_DICT:
        return dictionaryFromNode(node, depth);
    default:
        return scalarFromNode(node);
    }
}

/// `text` as UTF-8 that the list can hold. libplist takes texts as C strings, so a NUL is left out rather
/// than end the text there, in either format, and so is a surrogate without its other half, which has no
/// UTF-8. XML 1.0 holds no control character other than tab, line feed and carriage return, and neither
/// U+FFFE nor U+FFFF, not even as a character reference: those are left out of an XML list too, which every
/// XML reader would otherwise refuse.
QByteArray plistText(const QString& text, PlistFormat format) {
    const auto representable = [format](char16_t c) {
        if (c == 0) {
            return false;
        }
        if (format == PlistFormat::Binary) {
            return true;
        }
        return (c >= 0x20 || c == u'\t' || c == u'\n' || c == u'\r') && c != 0xFFFE && c != 0xFFFF;
    };
    if (std::all_of(text.begin(), text.end(),
                    [&](QChar c) { return !c.isSurrogate() && representable(c.unicode()); })) {
        return text.toUtf8(); // nearly every text: no copy
    }
    QString kept;
    kept.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            kept += c;
            kept += text.at(++i);
        } else if (!c.isSurrogate() && representable(c.unicode())) {
            kept += c;
        }
    }
    return kept.toUtf8();
}

NodePtr toNode(const PlistValue& value, PlistFormat format) {
    switch (value.type()) {
    case PlistValue::Type::Boolean:
        return NodePtr(plist_new_bool(*value.asBoolean() ? 1 : 0));
    case PlistValue::Type::Integer:
        return NodePtr(plist_new_uint(static_cast<uint64_t>(*value.asInteger())));
    case PlistValue::Type::Real:
        return NodePtr(plist_new_real(*value.asReal()));
    case PlistValue::Type::String:
        return NodePtr(plist_new_string(plistText(*value.asString(), format).constData()));
    case PlistValue::Type::Date: {
        // libplist 2.2 keeps dates as 32-bit seconds since 2001; dates beyond that range are clamped.
        const double seconds = value.asDate()->timeIntervalSinceReferenceDate();
        const double whole = std::floor(seconds);
        const double limit = std::numeric_limits<int32_t>::max();
        const auto clamped = static_cast<int32_t>(std::clamp(whole, -limit, limit));
        const auto micro = static_cast<int32_t>(std::lround((seconds - whole) * 1e6));
        return NodePtr(plist_new_date(clamped, std::min(micro, 999999)));
    }
    case PlistValue::Type::Data: {
        const QByteArray& data = *value.asData();
        return NodePtr(plist_new_data(data.constData(), static_cast<uint64_t>(data.size())));
    }
    case PlistValue::Type::Array: {
        NodePtr array(plist_new_array());
        for (const auto& item : *value.asArray()) {
            // The array takes ownership of the appended node.
            plist_array_append_item(array.get(), toNode(item, format).release());
        }
        return array;
    }
    case PlistValue::Type::Dictionary: {
        NodePtr dictionary(plist_new_dict());
        for (const auto& [key, item] : value.asDictionary()->entries()) {
            plist_dict_set_item(dictionary.get(), plistText(key, format).constData(),
                                toNode(item, format).release());
        }
        return dictionary;
    }
    }
    return NodePtr(plist_new_dict());
}

} // namespace

std::optional<ParsedPropertyList> readPropertyList(const QByteArray& bytes, QString* error) {
    auto fail = [&](const QString& why) -> std::optional<ParsedPropertyList> {
        if (error) {
            *error = why;
        }
        return std::nullopt;
    };
    if (bytes.isEmpty()) {
        return fail(QStringLiteral("the property list is empty"));
    }
    if (bytes.size() > std::numeric_limits<uint32_t>::max()) {
        return fail(QStringLiteral("the property list is too large"));
    }
    const auto length = static_cast<uint32_t>(bytes.size());
    const bool binary = plist_is_binary(bytes.constData(), length) != 0;
    if (const char* refused = propertyListRefusal(std::string_view(bytes.constData(), length), binary)) {
        return fail(QString::fromLatin1(refused));
    }
    plist_t raw = nullptr;
    if (binary) {
        plist_from_bin(bytes.constData(), length, &raw);
    } else {
        // libplist reads reals with the C library's number format, which follows the process locale: under a
        // decimal-comma locale "<real>0.8</real>" would read as 0. The format is the C one for this thread
        // while it parses.
        const NumericFormatOfC numericFormat;
        plist_from_xml(bytes.constData(), length, &raw);
    }
    NodePtr root(raw);
    if (!root) {
        return fail(binary ? QStringLiteral("the binary property list is malformed")
                           : QStringLiteral("the data is not a property list"));
    }
    auto value = fromNode(root.get(), 0);
    if (!value) {
        return fail(QStringLiteral("the property list holds unsupported or too deeply nested values"));
    }
    return ParsedPropertyList{std::move(*value), binary ? PlistFormat::Binary : PlistFormat::Xml};
}

QByteArray writePropertyList(const PlistValue& root, PlistFormat format) {
    NodePtr node = toNode(root, format);
    char* raw = nullptr;
    uint32_t length = 0;
    if (format == PlistFormat::Binary) {
        plist_to_bin(node.get(), &raw, &length);
    } else {
        const NumericFormatOfC numericFormat;
        plist_to_xml(node.get(), &raw, &length);
    }
    QByteArray bytes(raw ? raw : "", raw ? static_cast<qsizetype>(length) : 0);
    std::free(raw);
    return bytes;
}

std::optional<ParsedPropertyList> readPropertyListFile(const QString& path, QString* error) {
    const BoundedFileRead file = readBoundedFile(path, kPropertyListFileLimit);
    if (file.status != BoundedFileRead::Status::Read) {
        if (error) {
            *error = file.status == BoundedFileRead::Status::Missing ? QStringLiteral("there is no such file")
                                                                     : file.error;
        }
        return std::nullopt;
    }
    return readPropertyList(file.bytes, error);
}

bool writePropertyListFile(const QString& path, const PlistValue& root, PlistFormat format, QString* error,
                           LinkAtDestination link) {
    const QByteArray bytes = writePropertyList(root, format);
    if (bytes.isEmpty()) {
        // libplist gives nothing for a tree it cannot serialise; an empty file must never replace a good one.
        if (error) {
            *error = QStringLiteral("the property list could not be serialised");
        }
        return false;
    }
    if (const auto failure = writeFileAtomically(path, bytes, link)) {
        if (error) {
            *error = *failure;
        }
        return false;
    }
    return true;
}

} // namespace tessly
