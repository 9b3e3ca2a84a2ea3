// Binary property lists put together object by object, for shapes that no writer makes (shared objects, deep
// nesting, cycles): for tests, benchmarks and the fuzzers' seeds.
//
//     BinaryPlistBuilder plist;
//     const auto one = plist.add(BinaryPlistBuilder::integer(1));
//     QByteArray bytes = plist.build(plist.add(BinaryPlistBuilder::container({one, one})));
#pragma once

#include <QByteArray>

#include <cstdint>
#include <vector>

namespace tessly::testing {

// A binary property list put together object by object, for shapes no writer makes: every reference and
// offset takes four bytes.
class BinaryPlistBuilder {
public:
    /// Adds an object from its encoded bytes; returns its index.
    std::uint32_t add(const QByteArray& encoded) {
        m_objects.push_back(encoded);
        return static_cast<std::uint32_t>(m_objects.size() - 1);
    }
    static QByteArray integer(std::uint8_t value) { return QByteArray("\x10", 1) + char(value); }
    /// An array (or, with 0xD0, a dictionary) whose references follow its marker.
    static QByteArray container(const std::vector<std::uint32_t>& refs, unsigned char kind = 0xA0) {
        QByteArray bytes;
        const std::size_t count = kind == 0xD0 ? refs.size() / 2 : refs.size();
        if (count < 15) {
            bytes.append(char(kind | count));
        } else {
            bytes.append(char(kind | 0x0F));
            bytes.append(char(0x12));
            appendBigEndian(bytes, static_cast<std::uint32_t>(count));
        }
        for (const std::uint32_t ref : refs) {
            appendBigEndian(bytes, ref);
        }
        return bytes;
    }
    [[nodiscard]] QByteArray build(std::uint32_t top) const {
        QByteArray bytes("bplist00");
        std::vector<std::uint32_t> offsets;
        for (const QByteArray& object : m_objects) {
            offsets.push_back(static_cast<std::uint32_t>(bytes.size()));
            bytes.append(object);
        }
        const auto tableOffset = static_cast<std::uint32_t>(bytes.size());
        for (const std::uint32_t offset : offsets) {
            appendBigEndian(bytes, offset);
        }
        bytes.append(QByteArray(6, '\0'));
        bytes.append(char(4)); // offset size
        bytes.append(char(4)); // reference size
        appendBigEndian64(bytes, m_objects.size());
        appendBigEndian64(bytes, top);
        appendBigEndian64(bytes, tableOffset);
        return bytes;
    }

private:
    static void appendBigEndian(QByteArray& bytes, std::uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            bytes.append(char((value >> shift) & 0xFF));
        }
    }
    static void appendBigEndian64(QByteArray& bytes, std::uint64_t value) {
        for (int shift = 56; shift >= 0; shift -= 8) {
            bytes.append(char((value >> shift) & 0xFF));
        }
    }
    std::vector<QByteArray> m_objects;
};

/// Each level an array of two references to the level below: `levels` levels expand to 2^levels leaves.
inline QByteArray doublingLevels(int levels) {
    BinaryPlistBuilder plist;
    std::uint32_t below = plist.add(BinaryPlistBuilder::integer(7));
    for (int level = 0; level < levels; ++level) {
        below = plist.add(BinaryPlistBuilder::container({below, below}));
    }
    return plist.build(below);
}

} // namespace tessly::testing
