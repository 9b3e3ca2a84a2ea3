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

// How much work one property list may cause. A binary list may name one object from many places, and libplist
// expands every reference into a copy: ten levels of two references to the level below are a 200-byte file
// and a tree of 2^10 nodes, forty levels a tree that never fits in memory. So the expanded tree is measured
// on the file's structure before libplist builds anything, and lists that grow beyond what their own size can
// explain are refused. Real lists share their keys and small values, which expands them by a few times at
// most.
constexpr std::uint64_t kBaseNodeAllowance = 4096;
constexpr std::uint64_t kNodesPerObject = 16;
constexpr std::uint64_t kMaximumNodes = 2'000'000;
constexpr std::uint64_t kBasePayloadAllowance = 1024 * 1024;
constexpr std::uint64_t kPayloadPerByte = 16;
constexpr std::uint64_t kMaximumPayload = 256 * 1024 * 1024;

// libplist 2.2 parses XML recursively; a hostile document nested deep enough would exhaust the stack before
// we could refuse it, so the nesting (and the number of values) is measured on the text first. Comments,
// character data and processing instructions are skipped the way the parser skips them, ending at the
// earliest place the parser could end them, so that markup hidden in them never lowers the count. Everything
// else that opens an element counts, whatever its name: an element the parser would refuse costs nothing to
// count.
std::optional<QString> xmlWithinLimits(const QByteArray& bytes) {
    // The plist element and a leaf element sit around the arrays and dictionaries.
    constexpr int kMaximumElementDepth = kMaximumPlistDepth + 2;
    const std::string_view text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    int depth = 0;
    std::uint64_t elements = 0;
    std::size_t i = 0;
    auto skipTo = [&](std::size_t from, std::string_view end) {
        const std::size_t found = text.find(end, from);
        i = found == std::string_view::npos ? text.size() : found + end.size();
    };
    while ((i = text.find('<', i)) != std::string_view::npos) {
        const std::string_view rest = text.substr(i);
        if (rest.starts_with("<!--")) {
            // "<!-->" may already end the comment.
            skipTo(i + 2, "-->");
        } else if (rest.starts_with("<![CDATA[")) {
            skipTo(i + 9, "]]>");
        } else if (rest.starts_with("<?")) {
            skipTo(i + 1, "?>");
        } else if (rest.starts_with("</")) {
            depth = std::max(0, depth - 1);
            skipTo(i + 2, ">");
        } else if (rest.starts_with("<!")) {
            // A document type: only its first ">" is taken as its end, so nothing in an internal subset
            // hides.
            skipTo(i + 2, ">");
        } else {
            const std::size_t close = text.find('>', i + 1);
            if (close == std::string_view::npos) {
                break;
            }
            if (++elements > kMaximumNodes) {
                return QStringLiteral("the property list holds too many values");
            }
            if (text[close - 1] != '/' && ++depth > kMaximumElementDepth) {
                return QStringLiteral("the property list is nested too deeply");
            }
            i = close + 1;
        }
    }
    return std::nullopt;
}

// Reads a big-endian unsigned integer of `size` bytes at `offset`; false when it does not fit in the data.
bool readBigEndian(const QByteArray& bytes, std::uint64_t offset, int size, std::uint64_t& value) {
    if (size < 1 || size > 8 || offset > static_cast<std::uint64_t>(bytes.size()) ||
        static_cast<std::uint64_t>(size) > static_cast<std::uint64_t>(bytes.size()) - offset) {
        return false;
    }
    value = 0;
    for (int i = 0; i < size; ++i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[static_cast<qsizetype>(offset) + i]);
    }
    return true;
}

std::uint64_t saturatingAdd(std::uint64_t a, std::uint64_t b) {
    return a > std::numeric_limits<std::uint64_t>::max() - b ? std::numeric_limits<std::uint64_t>::max()
                                                             : a + b;
}

// The structure of a binary property list, walked from its top object without recursion: every object that
// libplist would read is checked for what would make libplist misbehave (a reference cycle, nesting beyond
// the limit, a text holding a NUL character, on which libplist 2.2 aborts), and the size of the tree that
// libplist would expand it into is totalled before any of it is built.
class BinaryPlistCheck {
public:
    explicit BinaryPlistCheck(const QByteArray& bytes) : m_bytes(bytes) {}

    /// Nothing when the list may be handed to libplist; otherwise why not.
    std::optional<QString> run() {
        constexpr std::uint64_t kHeaderSize = 8;
        constexpr std::uint64_t kTrailerSize = 32;
        const auto size = static_cast<std::uint64_t>(m_bytes.size());
        if (size < kHeaderSize + kTrailerSize) {
            return malformed();
        }
        m_trailer = size - kTrailerSize;
        m_offsetSize = static_cast<unsigned char>(m_bytes[static_cast<qsizetype>(m_trailer + 6)]);
        m_refSize = static_cast<unsigned char>(m_bytes[static_cast<qsizetype>(m_trailer + 7)]);
        std::uint64_t top = 0;
        if (m_offsetSize < 1 || m_offsetSize > 8 || m_refSize < 1 || m_refSize > 8 ||
            !readBigEndian(m_bytes, m_trailer + 8, 8, m_objectCount) ||
            !readBigEndian(m_bytes, m_trailer + 16, 8, top) ||
            !readBigEndian(m_bytes, m_trailer + 24, 8, m_tableOffset) || m_tableOffset < kHeaderSize ||
            m_tableOffset >= m_trailer || m_objectCount == 0 ||
            m_objectCount > (m_trailer - m_tableOffset) / m_offsetSize || top >= m_objectCount) {
            return malformed();
        }
        m_nodeLimit = std::min(kMaximumNodes, kBaseNodeAllowance + kNodesPerObject * m_objectCount);
        m_payloadLimit = std::min(kMaximumPayload, kBasePayloadAllowance + kPayloadPerByte * size);
        m_objects.resize(m_objectCount);
        return walk(top);
    }

private:
    enum class State : std::uint8_t { Unvisited, Open, Done };
    // What the walk knows of one object; the expanded totals are those of the object's whole subtree.
    struct Object {
        State state = State::Unvisited;
        std::uint16_t depth = 0;
        std::uint32_t nodes = 0;
        std::uint32_t payload = 0;
    };
    // An object whose references are being followed.
    struct Frame {
        std::uint64_t index;
        std::uint64_t refs;     // where its references start
        std::uint64_t refCount; // how many there are
        std::uint64_t next = 0;
        std::uint64_t nodes = 1;
        std::uint64_t payload = 0;
        std::uint16_t depth = 0;
    };

    static std::optional<QString> malformed() {
        return QStringLiteral("the binary property list is malformed");
    }

    std::optional<QString> walk(std::uint64_t top) {
        std::vector<Frame> stack;
        if (auto error = open(top, stack)) {
            return error;
        }
        while (!stack.empty()) {
            Frame& frame = stack.back();
            if (frame.next == frame.refCount) {
                Object& object = m_objects[frame.index];
                object.state = State::Done;
                object.nodes = static_cast<std::uint32_t>(frame.nodes);
                object.payload = static_cast<std::uint32_t>(frame.payload);
                object.depth = frame.depth;
                stack.pop_back();
                if (!stack.empty()) {
                    if (auto error = add(stack.back(), object)) {
                        return error;
                    }
                }
                continue;
            }
            std::uint64_t child = 0;
            if (!readBigEndian(m_bytes, frame.refs + frame.next * m_refSize, m_refSize, child) ||
                child >= m_objectCount) {
                return malformed();
            }
            ++frame.next;
            const Object& known = m_objects[child];
            if (known.state == State::Open) {
                return QStringLiteral("the binary property list refers to itself");
            }
            if (known.state == State::Done) {
                // A shared subtree nests as deep below this place as below the first one that reached it.
                if (stack.size() + known.depth > static_cast<std::size_t>(kMaximumPlistDepth)) {
                    return QStringLiteral("the property list is nested too deeply");
                }
                if (auto error = add(frame, known)) {
                    return error;
                }
                continue;
            }
            // Each open frame is one level of nesting; the walk never grows deeper than the limit.
            if (stack.size() >= static_cast<std::size_t>(kMaximumPlistDepth)) {
                return QStringLiteral("the property list is nested too deeply");
            }
            if (auto error = open(child, stack)) {
                return error;
            }
        }
        return std::nullopt;
    }

    // Adds a finished child's expanded totals to its parent, refusing as soon as the tree grows too large.
    std::optional<QString> add(Frame& parent, const Object& child) {
        parent.nodes = saturatingAdd(parent.nodes, child.nodes);
        parent.payload = saturatingAdd(parent.payload, child.payload);
        parent.depth = std::max<std::uint16_t>(parent.depth, static_cast<std::uint16_t>(child.depth + 1));
        if (parent.nodes > m_nodeLimit || parent.payload > m_payloadLimit) {
            return QStringLiteral("the binary property list expands beyond what its size allows");
        }
        return std::nullopt;
    }

    // An object's kind (the marker's high nibble), where its contents start and its count (the low nibble, or
    // the integer that follows it for counted kinds).
    struct Header {
        int kind = 0;
        std::uint64_t position = 0;
        std::uint64_t count = 0;
    };

    // The header of object `index`; nothing when it lies outside the objects.
    [[nodiscard]] std::optional<Header> header(std::uint64_t index) const {
        std::uint64_t offset = 0;
        if (!readBigEndian(m_bytes, m_tableOffset + index * m_offsetSize, m_offsetSize, offset) ||
            offset < 8 || offset >= m_tableOffset) {
            return std::nullopt;
        }
        const auto marker = static_cast<unsigned char>(m_bytes[static_cast<qsizetype>(offset)]);
        Header read{marker >> 4, offset + 1, static_cast<std::uint64_t>(marker & 0x0F)};
        const int kind = read.kind;
        const bool counted = kind == 0x4 || kind == 0x5 || kind == 0x6 || kind == 0x7 || kind >= 0xA;
        if (counted && read.count == 0x0F) {
            std::uint64_t intMarker = 0;
            if (!readBigEndian(m_bytes, read.position, 1, intMarker) || (intMarker >> 4) != 0x1 ||
                (intMarker & 0x0F) > 3 ||
                !readBigEndian(m_bytes, read.position + 1, 1 << (intMarker & 0x0F), read.count)) {
                return std::nullopt;
            }
            read.position += 1 + (1U << (intMarker & 0x0F));
        }
        return read;
    }

    // What an object holds once expanded: its payload in bytes and how many references follow its header,
    // each checked against the room left before the offset table.
    [[nodiscard]] std::optional<QString> measure(const Header& read, std::uint64_t& payload,
                                                 std::uint64_t& refCount) const {
        const std::uint64_t room = m_tableOffset - read.position;
        const std::uint64_t count = read.count;
        switch (read.kind) {
        case 0x0: // null, booleans, fill
        case 0x1: // integers
        case 0x2: // reals
        case 0x3: // dates
        case 0x8: // UIDs
            payload = 16;
            break;
        case 0x4: // data
        case 0x5: // ASCII text
        case 0x7: // UTF-8 text
            if (count > room) {
                return malformed();
            }
            if (read.kind != 0x4 && hasNul(read.position, count, 1)) {
                return QStringLiteral("the binary property list holds a text with a NUL character");
            }
            payload = count;
            break;
        case 0x6: // UTF-16 text, which becomes up to three bytes of UTF-8 per unit
            if (count > room / 2) {
                return malformed();
            }
            if (hasNul(read.position, count, 2)) {
                return QStringLiteral("the binary property list holds a text with a NUL character");
            }
            payload = count * 3;
            break;
        case 0xA: // arrays
        case 0xB: // ordered sets
        case 0xC: // sets
            refCount = count;
            break;
        case 0xD: // dictionaries: the key references, then the value references
            if (count > room / 2) {
                return malformed();
            }
            refCount = count * 2;
            break;
        default:
            return malformed();
        }
        if (refCount > room / m_refSize) {
            return malformed();
        }
        return std::nullopt;
    }

    // Reads one object's header. A leaf is finished at once (and added to its parent); a container becomes a
    // frame whose references the walk then follows.
    std::optional<QString> open(std::uint64_t index, std::vector<Frame>& stack) {
        const std::optional<Header> read = header(index);
        if (!read) {
            return malformed();
        }
        std::uint64_t payload = 0;
        std::uint64_t refCount = 0;
        if (auto problem = measure(*read, payload, refCount)) {
            return problem;
        }
        Object& object = m_objects[index];
        if (refCount == 0) {
            object.state = State::Done;
            object.nodes = 1;
            object.payload = static_cast<std::uint32_t>(std::min<std::uint64_t>(payload, m_payloadLimit + 1));
            if (!stack.empty()) {
                return add(stack.back(), object);
            }
            return object.payload > m_payloadLimit
                       ? std::optional(QStringLiteral("the binary property list is too large"))
                       : std::nullopt;
        }
        object.state = State::Open;
        stack.push_back(Frame{index, read->position, refCount});
        return std::nullopt;
    }

    [[nodiscard]] bool hasNul(std::uint64_t position, std::uint64_t count, int unit) const {
        const char* data = m_bytes.constData() + position;
        for (std::uint64_t c = 0; c < count; ++c) {
            const char* at = data + c * static_cast<std::uint64_t>(unit);
            if (at[0] == '\0' && (unit == 1 || at[1] == '\0')) {
                return true;
            }
        }
        return false;
    }

    const QByteArray& m_bytes;
    std::uint64_t m_trailer = 0;
    std::uint64_t m_tableOffset = 0;
    std::uint64_t m_objectCount = 0;
    int m_offsetSize = 0;
    int m_refSize = 0;
    std::uint64_t m_nodeLimit = 0;
    std::uint64_t m_payloadLimit = 0;
    std::vector<Object> m_objects;
};

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
    if (!binary) {
        if (auto refused = xmlWithinLimits(bytes)) {
            return fail(*refused);
        }
    }
    if (binary) {
        if (auto refused = BinaryPlistCheck(bytes).run()) {
            return fail(*refused);
        }
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
