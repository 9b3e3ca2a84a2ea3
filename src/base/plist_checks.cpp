#include "base/plist_checks.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace tessly {

namespace {

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
const char* xmlRefusal(std::string_view text) {
    // The plist element and a leaf element sit around the arrays and dictionaries.
    constexpr int kMaximumElementDepth = kMaximumPlistDepth + 2;
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
                return ("the property list holds too many values");
            }
            if (text[close - 1] != '/' && ++depth > kMaximumElementDepth) {
                return ("the property list is nested too deeply");
            }
            i = close + 1;
        }
    }
    return nullptr;
}

// Reads a big-endian unsigned integer of `size` bytes at `offset`; false when it does not fit in the data.
bool readBigEndian(std::string_view bytes, std::uint64_t offset, int size, std::uint64_t& value) {
    if (size < 1 || size > 8 || offset > static_cast<std::uint64_t>(bytes.size()) ||
        static_cast<std::uint64_t>(size) > static_cast<std::uint64_t>(bytes.size()) - offset) {
        return false;
    }
    value = 0;
    for (int i = 0; i < size; ++i) {
        value = (value << 8) | static_cast<unsigned char>(
                                   bytes[static_cast<std::size_t>(offset) + static_cast<std::size_t>(i)]);
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
    explicit BinaryPlistCheck(std::string_view bytes) : m_bytes(bytes) {}

    /// Nothing when the list may be handed to libplist; otherwise why not.
    const char* run() {
        constexpr std::uint64_t kHeaderSize = 8;
        constexpr std::uint64_t kTrailerSize = 32;
        const auto size = static_cast<std::uint64_t>(m_bytes.size());
        if (size < kHeaderSize + kTrailerSize) {
            return malformed();
        }
        m_trailer = size - kTrailerSize;
        m_offsetSize = static_cast<unsigned char>(m_bytes[static_cast<std::size_t>(m_trailer + 6)]);
        m_refSize = static_cast<unsigned char>(m_bytes[static_cast<std::size_t>(m_trailer + 7)]);
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

    static const char* malformed() { return ("the binary property list is malformed"); }

    const char* walk(std::uint64_t top) {
        std::vector<Frame> stack;
        if (const char* error = open(top, stack)) {
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
                    if (const char* error = add(stack.back(), object)) {
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
                return ("the binary property list refers to itself");
            }
            if (known.state == State::Done) {
                // A shared subtree nests as deep below this place as below the first one that reached it.
                if (stack.size() + known.depth > static_cast<std::size_t>(kMaximumPlistDepth)) {
                    return ("the property list is nested too deeply");
                }
                if (const char* error = add(frame, known)) {
                    return error;
                }
                continue;
            }
            // Each open frame is one level of nesting; the walk never grows deeper than the limit.
            if (stack.size() >= static_cast<std::size_t>(kMaximumPlistDepth)) {
                return ("the property list is nested too deeply");
            }
            if (const char* error = open(child, stack)) {
                return error;
            }
        }
        return nullptr;
    }

    // Adds a finished child's expanded totals to its parent, refusing as soon as the tree grows too large.
    const char* add(Frame& parent, const Object& child) {
        parent.nodes = saturatingAdd(parent.nodes, child.nodes);
        parent.payload = saturatingAdd(parent.payload, child.payload);
        parent.depth = std::max<std::uint16_t>(parent.depth, static_cast<std::uint16_t>(child.depth + 1));
        if (parent.nodes > m_nodeLimit || parent.payload > m_payloadLimit) {
            return ("the binary property list expands beyond what its size allows");
        }
        return nullptr;
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
        const auto marker = static_cast<unsigned char>(m_bytes[static_cast<std::size_t>(offset)]);
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
    [[nodiscard]] const char* measure(const Header& read, std::uint64_t& payload,
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
                return ("the binary property list holds a text with a NUL character");
            }
            payload = count;
            break;
        case 0x6: // UTF-16 text, which becomes up to three bytes of UTF-8 per unit
            if (count > room / 2) {
                return malformed();
            }
            if (hasNul(read.position, count, 2)) {
                return ("the binary property list holds a text with a NUL character");
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
        return nullptr;
    }

    // Reads one object's header. A leaf is finished at once (and added to its parent); a container becomes a
    // frame whose references the walk then follows.
    const char* open(std::uint64_t index, std::vector<Frame>& stack) {
        const std::optional<Header> read = header(index);
        if (!read) {
            return malformed();
        }
        std::uint64_t payload = 0;
        std::uint64_t refCount = 0;
        if (const char* problem = measure(*read, payload, refCount)) {
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
            return object.payload > m_payloadLimit ? "the binary property list is too large" : nullptr;
        }
        object.state = State::Open;
        stack.push_back(Frame{index, read->position, refCount});
        return nullptr;
    }

    [[nodiscard]] bool hasNul(std::uint64_t position, std::uint64_t count, int unit) const {
        const char* data = m_bytes.data() + position;
        for (std::uint64_t c = 0; c < count; ++c) {
            const char* at = data + c * static_cast<std::uint64_t>(unit);
            if (at[0] == '\0' && (unit == 1 || at[1] == '\0')) {
                return true;
            }
        }
        return false;
    }

    std::string_view m_bytes;
    std::uint64_t m_trailer = 0;
    std::uint64_t m_tableOffset = 0;
    std::uint64_t m_objectCount = 0;
    int m_offsetSize = 0;
    int m_refSize = 0;
    std::uint64_t m_nodeLimit = 0;
    std::uint64_t m_payloadLimit = 0;
    std::vector<Object> m_objects;
};

} // namespace

const char* propertyListRefusal(std::string_view bytes, bool binary) {
    return binary ? BinaryPlistCheck(bytes).run() : xmlRefusal(bytes);
}

} // namespace tessly
