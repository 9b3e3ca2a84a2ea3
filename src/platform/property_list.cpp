#include "platform/property_list.h"

#include <QFile>
#include <QSaveFile>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <plist/plist.h>

namespace tessly {

PlistDictionary::PlistDictionary(std::initializer_list<Entry> entries) {
    for (const auto& entry : entries) {
        set(entry.first, entry.second);
    }
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

// libplist 2.2 parses XML recursively; a hostile document nested deep enough would exhaust the stack before
// we could refuse it, so the nesting is measured on the text first.
bool xmlNestingWithinLimit(const QByteArray& bytes) {
    int depth = 0;
    const char* data = bytes.constData();
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size; ++i) {
        if (data[i] != '<') {
            continue;
        }
        const char* tag = data + i + 1;
        const qsizetype left = size - i - 1;
        auto startsWith = [&](const char* word, qsizetype length) {
            return left >= length && std::equal(word, word + length, tag);
        };
        if (startsWith("array", 5) || startsWith("dict", 4)) {
            // An empty element "<array/>" opens nothing.
            qsizetype close = i + 1;
            while (close < size && data[close] != '>') {
                ++close;
            }
            if (close < size && data[close - 1] == '/') {
                continue;
            }
            if (++depth > kMaximumPlistDepth) {
                return false;
            }
        } else if (startsWith("/array", 6) || startsWith("/dict", 5)) {
            --depth;
        }
    }
    return true;
}

// Reads a big-endian unsigned integer of `size` bytes at `offset`; false when it does not fit in the data.
bool readBigEndian(const QByteArray& bytes, qsizetype offset, int size, std::uint64_t& value) {
    if (size < 1 || size > 8 || offset < 0 || offset + size > bytes.size()) {
        return false;
    }
    value = 0;
    for (int i = 0; i < size; ++i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
    }
    return true;
}

// libplist 2.2 aborts (an assertion) on a binary text object holding a NUL character, so a damaged or hostile
// file could end the program. Such files are refused before libplist sees them. Structural damage is left to
// libplist, which reports it as a failure.
bool binaryTextsFreeOfNul(const QByteArray& bytes) {
    constexpr qsizetype kTrailerSize = 32;
    if (bytes.size() < 8 + kTrailerSize) {
        return true;
    }
    const qsizetype trailer = bytes.size() - kTrailerSize;
    const int offsetSize = static_cast<unsigned char>(bytes[trailer + 6]);
    std::uint64_t objectCount = 0;
    std::uint64_t tableOffset = 0;
    if (!readBigEndian(bytes, trailer + 8, 8, objectCount) ||
        !readBigEndian(bytes, trailer + 24, 8, tableOffset) || offsetSize < 1 || offsetSize > 8 ||
        tableOffset >= static_cast<std::uint64_t>(trailer) ||
        objectCount >
            static_cast<std::uint64_t>(trailer - static_cast<qsizetype>(tableOffset)) / offsetSize) {
        return true;
    }
    for (std::uint64_t i = 0; i < objectCount; ++i) {
        std::uint64_t offset = 0;
        if (!readBigEndian(bytes, static_cast<qsizetype>(tableOffset + i * offsetSize), offsetSize, offset) ||
            offset >= static_cast<std::uint64_t>(trailer)) {
            continue;
        }
        auto position = static_cast<qsizetype>(offset);
        const auto marker = static_cast<unsigned char>(bytes[position++]);
        const int kind = marker >> 4;
        if (kind != 0x5 && kind != 0x6 && kind != 0x7) {
            continue;
        }
        std::uint64_t count = marker & 0x0F;
        if (count == 0x0F) {
            if (position >= bytes.size()) {
                continue;
            }
            const auto intMarker = static_cast<unsigned char>(bytes[position++]);
            const int intSize = 1 << (intMarker & 0x0F);
            if ((intMarker >> 4) != 0x1 || !readBigEndian(bytes, position, intSize, count)) {
                continue;
            }
            position += intSize;
        }
        const int unit = kind == 0x6 ? 2 : 1;
        if (count > static_cast<std::uint64_t>(bytes.size() - position) / unit) {
            continue;
        }
        for (std::uint64_t c = 0; c < count; ++c) {
            const qsizetype at = position + static_cast<qsizetype>(c) * unit;
            if (bytes[at] == '\0' && (unit == 1 || bytes[at + 1] == '\0')) {
                return false;
            }
        }
    }
    return true;
}

std::optional<PlistValue> fromNode(plist_t node, int depth) {
    if (!node || depth > kMaximumPlistDepth) {
        return std::nullopt;
    }
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
    case PLIST_ARRAY: {
        PlistArray items;
        const uint32_t count = plist_array_get_size(node);
        items.reserve(count);
        for (uint32_t i = 0; i < count; ++i) {
            auto item = fromNode(plist_array_get_item(node, i), depth + 1);
            if (!item) {
                return std::nullopt;
            }
            items.push_back(std::move(*item));
        }
        return PlistValue(std::move(items));
    }
    case PLIST_DICT: {
        PlistDictionary dictionary;
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        if (!iter) {
            return PlistValue(std::move(dictionary));
        }
        std::optional<PlistValue> result;
        for (;;) {
            char* rawKey = nullptr;
            plist_t child = nullptr;
            plist_dict_next_item(node, iter, &rawKey, &child);
            CharsPtr key(rawKey);
            if (!child) {
                result = PlistValue(std::move(dictionary));
                break;
            }
            auto value = fromNode(child, depth + 1);
            if (!value) {
                break;
            }
            dictionary.set(QString::fromUtf8(rawKey ? rawKey : ""), std::move(*value));
        }
        std::free(iter);
        return result;
    }
    default:
        return std::nullopt;
    }
}

NodePtr toNode(const PlistValue& value) {
    switch (value.type()) {
    case PlistValue::Type::Boolean:
        return NodePtr(plist_new_bool(*value.asBoolean() ? 1 : 0));
    case PlistValue::Type::Integer:
        return NodePtr(plist_new_uint(static_cast<uint64_t>(*value.asInteger())));
    case PlistValue::Type::Real:
        return NodePtr(plist_new_real(*value.asReal()));
    case PlistValue::Type::String:
        return NodePtr(plist_new_string(value.asString()->toUtf8().constData()));
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
            plist_array_append_item(array.get(), toNode(item).release());
        }
        return array;
    }
    case PlistValue::Type::Dictionary: {
        NodePtr dictionary(plist_new_dict());
        for (const auto& [key, item] : value.asDictionary()->entries()) {
            plist_dict_set_item(dictionary.get(), key.toUtf8().constData(), toNode(item).release());
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
    if (!binary && !xmlNestingWithinLimit(bytes)) {
        return fail(QStringLiteral("the property list is nested too deeply"));
    }
    if (binary && !binaryTextsFreeOfNul(bytes)) {
        return fail(QStringLiteral("the binary property list holds a text with a NUL character"));
    }
    plist_t raw = nullptr;
    if (binary) {
        plist_from_bin(bytes.constData(), length, &raw);
    } else {
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
    NodePtr node = toNode(root);
    char* raw = nullptr;
    uint32_t length = 0;
    if (format == PlistFormat::Binary) {
        plist_to_bin(node.get(), &raw, &length);
    } else {
        plist_to_xml(node.get(), &raw, &length);
    }
    QByteArray bytes(raw ? raw : "", raw ? static_cast<qsizetype>(length) : 0);
    std::free(raw);
    return bytes;
}

std::optional<ParsedPropertyList> readPropertyListFile(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) {
            *error = file.errorString();
        }
        return std::nullopt;
    }
    return readPropertyList(file.readAll(), error);
}

bool writePropertyListFile(const QString& path, const PlistValue& root, PlistFormat format, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) {
            *error = file.errorString();
        }
        return false;
    }
    const QByteArray bytes = writePropertyList(root, format);
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        if (error) {
            *error = file.errorString();
        }
        return false;
    }
    return true;
}

} // namespace tessly
