#include "model/folder_json.h"

#include "model/uuid_text.h"

#include <QHash>
#include <QStringDecoder>

#include <simdjson.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tessly {

namespace {

using JsonValue = simdjson::dom::element;

// --- Writing ---------------------------------------------------------------------------------------------
// The file is written directly into one buffer: at a thousand folders the per-value allocations of a document
// tree cost more than the writing itself.

// The shortest text that reads back as the same double, in a form that reads back as a double again, so that
// a file read and written again keeps its bytes. A whole number beyond 64 bits ("18446744073709551616") would
// read as an integer too large to hold, so it is written with an exponent; negative zero would read as the
// integer 0, so it keeps a fraction.
char* numberText(double value, char* first, char* last) {
    constexpr double kLargestExactInteger = 9007199254740992.0; // 2^53
    if (value == 0.0 && std::signbit(value)) {
        constexpr std::string_view negativeZero = "-0.0";
        return std::copy(negativeZero.begin(), negativeZero.end(), first);
    }
    if (std::fabs(value) >= kLargestExactInteger) {
        return std::to_chars(first, last, value, std::chars_format::scientific).ptr;
    }
    return std::to_chars(first, last, value).ptr;
}

class JsonOutput {
public:
    explicit JsonOutput(std::size_t expectedSize) { grow(expectedSize); }

    void key(std::string_view name) {
        comma();
        char* out = room(name.size() + 3);
        *out++ = '"';
        out = std::copy(name.begin(), name.end(), out);
        *out++ = '"';
        *out++ = ':';
        m_size = static_cast<std::size_t>(out - m_data.get());
        m_needsComma = false;
    }
    void open(char bracket) {
        comma();
        *room(1) = bracket;
        ++m_size;
        m_needsComma = false;
    }
    void close(char bracket) {
        *room(1) = bracket;
        ++m_size;
        m_needsComma = true;
    }
    void boolean(bool value) {
        comma();
        const std::string_view text = value ? "true" : "false";
        std::copy(text.begin(), text.end(), room(text.size()));
        m_size += text.size();
        m_needsComma = true;
    }
    void number(double value) {
        comma();
        // JSON has no NaN or infinity, and writing one would make the whole file unreadable.
        if (!std::isfinite(value)) {
            value = 0.0;
        }
        char* out = room(32);
        m_size = static_cast<std::size_t>(numberText(value, out, out + 32) - m_data.get());
        m_needsComma = true;
    }
    void text(const QString& value) {
        comma();
        const auto* data = reinterpret_cast<const char16_t*>(value.constData());
        const auto size = static_cast<std::size_t>(value.size());
        // Worst case: every unit an escaped control character (six bytes), plus the quotes.
        char* out = room(size * 6 + 2);
        *out++ = '"';
        for (std::size_t i = 0; i < size; ++i) {
            const char32_t c = data[i];
            if (c < 0x80) {
                out = asciiEscaped(out, static_cast<char>(c));
            } else if (c < 0x800) {
                *out++ = static_cast<char>(0xC0 | (c >> 6));
                *out++ = static_cast<char>(0x80 | (c & 0x3F));
            } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < size && data[i + 1] >= 0xDC00 &&
                       data[i + 1] <= 0xDFFF) {
                const char32_t full = 0x10000 + ((c - 0xD800) << 10) + (data[++i] - 0xDC00);
                *out++ = static_cast<char>(0xF0 | (full >> 18));
                *out++ = static_cast<char>(0x80 | ((full >> 12) & 0x3F));
                *out++ = static_cast<char>(0x80 | ((full >> 6) & 0x3F));
                *out++ = static_cast<char>(0x80 | (full & 0x3F));
            } else {
                // A lone surrogate has no UTF-8 form: the replacement character stands in for it.
                const char32_t code = (c >= 0xD800 && c <= 0xDFFF) ? 0xFFFD : c;
                *out++ = static_cast<char>(0xE0 | (code >> 12));
                *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                *out++ = static_cast<char>(0x80 | (code & 0x3F));
            }
        }
        *out++ = '"';
        m_size = static_cast<std::size_t>(out - m_data.get());
        m_needsComma = true;
    }
    /// Text that is already UTF-8 (URLs in their encoded form, UUID texts).
    void text(std::string_view utf8) {
        comma();
        char* out = room(utf8.size() * 6 + 2);
        *out++ = '"';
        for (const char c : utf8) {
            out = asciiEscaped(out, c);
        }
        *out++ = '"';
        m_size = static_cast<std::size_t>(out - m_data.get());
        m_needsComma = true;
    }

    [[nodiscard]] QByteArray take() const { return QByteArray(m_data.get(), static_cast<qsizetype>(m_size)); }

private:
    /// Space for `n` more bytes at the end; returns where they go.
    char* room(std::size_t n) {
        if (m_size + n > m_capacity) {
            grow(std::max(m_capacity * 2, m_size + n));
        }
        return m_data.get() + m_size;
    }
    void grow(std::size_t capacity) {
        auto data = std::make_unique_for_overwrite<char[]>(capacity);
        if (m_size > 0) {
            std::copy(m_data.get(), m_data.get() + m_size, data.get());
        }
        m_data = std::move(data);
        m_capacity = capacity;
    }
    void comma() {
        if (m_needsComma) {
            *room(1) = ',';
            ++m_size;
        }
    }
    static char* asciiEscaped(char* out, char c) {
        switch (c) {
        case '"':
            *out++ = '\\';
            *out++ = '"';
            return out;
        case '\\':
            *out++ = '\\';
            *out++ = '\\';
            return out;
        case '\n':
            *out++ = '\\';
            *out++ = 'n';
            return out;
        case '\r':
            *out++ = '\\';
            *out++ = 'r';
            return out;
        case '\t':
            *out++ = '\\';
            *out++ = 't';
            return out;
        default:
            break;
        }
        if (static_cast<unsigned char>(c) < 0x20) {
            static constexpr char kHex[] = "0123456789abcdef";
            *out++ = '\\';
            *out++ = 'u';
            *out++ = '0';
            *out++ = '0';
            *out++ = kHex[(c >> 4) & 0xF];
            *out++ = kHex[c & 0xF];
            return out;
        }
        *out++ = c;
        return out;
    }

    std::unique_ptr<char[]> m_data;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
    bool m_needsComma = false;
};

void writeUuid(JsonOutput& out, const QUuid& id) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    char text[36];
    const std::uint8_t bytes[16] = {static_cast<std::uint8_t>(id.data1 >> 24),
                                    static_cast<std::uint8_t>(id.data1 >> 16),
                                    static_cast<std::uint8_t>(id.data1 >> 8),
                                    static_cast<std::uint8_t>(id.data1),
                                    static_cast<std::uint8_t>(id.data2 >> 8),
                                    static_cast<std::uint8_t>(id.data2),
                                    static_cast<std::uint8_t>(id.data3 >> 8),
                                    static_cast<std::uint8_t>(id.data3),
                                    id.data4[0],
                                    id.data4[1],
                                    id.data4[2],
                                    id.data4[3],
                                    id.data4[4],
                                    id.data4[5],
                                    id.data4[6],
                                    id.data4[7]};
    int at = 0;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            text[at++] = '-';
        }
        const auto byte = bytes[i];
        text[at++] = kHex[byte >> 4];
        text[at++] = kHex[byte & 0xF];
    }
    out.text(std::string_view(text, 36));
}

void writeTileStyle(JsonOutput& out, const TileStyleSettings& style) {
    out.open('{');
    out.key("displayFolderIcon");
    out.boolean(style.displayFolderIcon);
    out.key("opacity");
    out.number(style.opacity);
    out.key("cornerRadius");
    out.number(style.cornerRadius);
    out.key("backgroundStyle");
    out.text(rawText(style.backgroundStyle));
    if (style.customHex) { // an absent colour is left out, never written as null
        out.key("customHex");
        out.text(*style.customHex);
    }
    out.key("backgroundMode");
    out.text(rawText(style.backgroundMode));
    out.key("borderEnabled");
    out.boolean(style.borderEnabled);
    out.key("borderWidth");
    out.number(style.borderWidth);
    out.key("borderOpacity");
    out.number(style.borderOpacity);
    out.close('}');
}

// Encoded URLs by their shared storage: copies of one URL (the same application in many folders, or a list
// read from the file) are encoded once per write.
class UrlTexts {
public:
    explicit UrlTexts(qsizetype expected) { m_encoded.reserve(expected); }

    const QByteArray& encoded(const QUrl& url) {
        const void* storage = const_cast<QUrl&>(url).data_ptr();
        QByteArray& text = m_encoded[storage];
        if (text.isNull()) {
            text = url.toEncoded(QUrl::FullyEncoded);
        }
        return text;
    }

private:
    QHash<const void*, QByteArray> m_encoded;
};

void writeAppItem(JsonOutput& out, const AppItem& item, UrlTexts& urls) {
    out.open('{');
    out.key("id");
    writeUuid(out, item.id);
    out.key("name");
    out.text(item.name);
    out.key("bundleID");
    out.text(item.bundleID);
    out.key("appURL");
    const QByteArray& url = urls.encoded(item.appURL);
    out.text(std::string_view(url.constData(), static_cast<std::size_t>(url.size())));
    out.close('}');
}

void writeFolder(JsonOutput& out, const AppFolder& folder, UrlTexts& urls) {
    out.open('{');
    out.key("id");
    writeUuid(out, folder.id);
    out.key("name");
    out.text(folder.name);
    out.key("emoji");
    out.text(folder.emoji);
    out.key("apps");
    out.open('[');
    for (const AppItem& item : folder.apps) {
        writeAppItem(out, item, urls);
    }
    out.close(']');
    out.key("isInDock");
    out.boolean(folder.isInDock);
    out.key("tileStyle");
    writeTileStyle(out, folder.tileStyle);
    out.key("createdAt");
    out.number(folder.createdAt.timeIntervalSinceReferenceDate());
    out.close('}');
}

// --- Reading ---------------------------------------------------------------------------------------------

QString textOf(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// The same application usually sits in many folders, and names, identifiers and URLs repeat: each distinct
// text is converted once per file and the values share their storage. The views point into the parser's
// buffer, which outlives the decoding.
class TextCache {
public:
    const QString& text(std::string_view utf8) {
        auto [at, inserted] = m_texts.try_emplace(utf8);
        if (inserted) {
            at->second = textOf(utf8);
        }
        return at->second;
    }
    /// The URL written as `utf8`, or nullptr when it is no valid URL.
    const QUrl* url(std::string_view utf8) {
        auto [at, inserted] = m_urls.try_emplace(utf8);
        if (inserted) {
            const QUrl url(text(utf8), QUrl::StrictMode);
            if (!utf8.empty() && url.isValid()) {
                at->second = url;
            }
        }
        return at->second ? &*at->second : nullptr;
    }

private:
    std::unordered_map<std::string_view, QString> m_texts;
    std::unordered_map<std::string_view, std::optional<QUrl>> m_urls;
};

// Reads the members of one object. A missing or null member is absent; a member of another type is an error,
// and the first error is kept.
class MemberReader {
public:
    MemberReader(simdjson::dom::object object, TextCache& cache, QString& error)
        : m_object(object), m_cache(cache), m_error(error) {}

    [[nodiscard]] bool failed() const { return m_failed; }

    std::optional<QString> text(const char* key) {
        auto utf8 = rawText(key);
        if (!utf8) {
            return std::nullopt;
        }
        return m_cache.text(*utf8);
    }
    /// A text member as it stands in the file.
    std::optional<std::string_view> rawText(const char* key) {
        auto value = member(key);
        if (!value) {
            return std::nullopt;
        }
        std::string_view utf8;
        if (value->get_string().get(utf8) != simdjson::SUCCESS) {
            return wrongType(key, "a text");
        }
        return utf8;
    }
    std::optional<double> number(const char* key) {
        auto value = member(key);
        if (!value) {
            return std::nullopt;
        }
        double number = 0;
        if (!value->is_number() || value->get_double().get(number) != simdjson::SUCCESS) {
            return wrongType(key, "a number");
        }
        return number;
    }
    std::optional<bool> boolean(const char* key) {
        auto value = member(key);
        if (!value) {
            return std::nullopt;
        }
        bool flag = false;
        if (value->get_bool().get(flag) != simdjson::SUCCESS) {
            return wrongType(key, "a Boolean");
        }
        return flag;
    }
    std::optional<simdjson::dom::array> array(const char* key) {
        auto value = member(key);
        if (!value) {
            return std::nullopt;
        }
        simdjson::dom::array items;
        if (value->get_array().get(items) != simdjson::SUCCESS) {
            return wrongType(key, "an array");
        }
        return items;
    }
    std::optional<simdjson::dom::object> object(const char* key) {
        auto value = member(key);
        if (!value) {
            return std::nullopt;
        }
        simdjson::dom::object members;
        if (value->get_object().get(members) != simdjson::SUCCESS) {
            return wrongType(key, "an object");
        }
        return members;
    }
    std::optional<QUuid> uuid(const char* key) {
        auto utf8 = rawText(key);
        if (!utf8) {
            return std::nullopt;
        }
        // Identifiers are unique, so they bypass the text cache; a byte beyond ASCII is no hexadecimal digit.
        std::optional<QUuid> parsed;
        if (utf8->size() == 36) {
            char16_t units[36];
            std::copy(utf8->begin(), utf8->end(), units);
            parsed = parseUuid(QStringView(units, 36));
        }
        if (!parsed) {
            fail(QStringLiteral("\"%1\" is not a UUID: %2").arg(QLatin1StringView(key), textOf(*utf8)));
        }
        return parsed;
    }
    template <typename E> std::optional<E> enumeration(const char* key) {
        auto value = text(key);
        if (!value) {
            return std::nullopt;
        }
        auto parsed = fromRawText<E>(*value);
        if (!parsed) {
            fail(QStringLiteral("\"%1\" has an unknown value: %2").arg(QLatin1StringView(key), *value));
        }
        return parsed;
    }
    void missing(const char* key) { fail(QStringLiteral("\"%1\" is missing").arg(QLatin1StringView(key))); }

    void fail(const QString& message) {
        if (!m_failed) {
            m_error = message;
        }
        m_failed = true;
    }

private:
    std::optional<JsonValue> member(const char* key) const {
        JsonValue value;
        if (m_object.at_key(key).get(value) != simdjson::SUCCESS || value.is_null()) {
            return std::nullopt;
        }
        return value;
    }
    std::nullopt_t wrongType(const char* key, const char* expected) {
        fail(QStringLiteral("\"%1\" is not %2").arg(QLatin1StringView(key), QLatin1StringView(expected)));
        return std::nullopt;
    }

    simdjson::dom::object m_object;
    TextCache& m_cache;
    QString& m_error;
    bool m_failed = false;
};

std::optional<AppItem> readAppItem(simdjson::dom::object object, TextCache& cache, QString& error) {
    MemberReader read(object, cache, error);
    auto id = read.uuid("id");
    auto name = read.text("name");
    auto bundleID = read.text("bundleID");
    auto urlText = read.rawText("appURL");
    if (read.failed()) {
        return std::nullopt;
    }
    if (!id || !name || !bundleID || !urlText) {
        read.missing(!id ? "id" : !name ? "name" : !bundleID ? "bundleID" : "appURL");
        return std::nullopt;
    }
    const QUrl* url = cache.url(*urlText);
    if (!url) {
        read.fail(QStringLiteral("\"appURL\" is not a URL: %1").arg(cache.text(*urlText)));
        return std::nullopt;
    }
    return AppItem{*id, *name, *bundleID, *url};
}

std::optional<TileStyleSettings> readTileStyle(simdjson::dom::object object, TextCache& cache,
                                               QString& error) {
    MemberReader read(object, cache, error);
    TileStyleSettings style;
    style.displayFolderIcon = read.boolean("displayFolderIcon").value_or(style.displayFolderIcon);
    style.opacity = read.number("opacity").value_or(style.opacity);
    style.cornerRadius = read.number("cornerRadius").value_or(style.cornerRadius);
    style.backgroundStyle =
        read.enumeration<TileBackground>("backgroundStyle").value_or(style.backgroundStyle);
    style.customHex = read.text("customHex");
    style.backgroundMode =
        read.enumeration<TileBackgroundMode>("backgroundMode").value_or(style.backgroundMode);
    style.borderEnabled = read.boolean("borderEnabled").value_or(style.borderEnabled);
    style.borderWidth = read.number("borderWidth").value_or(style.borderWidth);
    style.borderOpacity = read.number("borderOpacity").value_or(style.borderOpacity);
    if (read.failed()) {
        return std::nullopt;
    }
    return style;
}

std::optional<AppFolder> readFolder(simdjson::dom::object object, Date now, TextCache& cache,
                                    QString& error) {
    MemberReader read(object, cache, error);
    auto id = read.uuid("id");
    auto name = read.text("name");
    auto emoji = read.text("emoji");
    auto apps = read.array("apps");
    auto isInDock = read.boolean("isInDock");
    auto tileStyle = read.object("tileStyle");
    auto createdAt = read.number("createdAt");
    if (read.failed()) {
        return std::nullopt;
    }
    if (!id || !name) {
        read.missing(!id ? "id" : "name");
        return std::nullopt;
    }
    AppFolder folder;
    folder.id = *id;
    folder.name = *name;
    if (emoji) {
        folder.emoji = *emoji;
    }
    folder.isInDock = isInDock.value_or(false);
    folder.createdAt = createdAt ? Date::fromTimeIntervalSinceReferenceDate(*createdAt) : now;
    if (tileStyle) {
        auto style = readTileStyle(*tileStyle, cache, error);
        if (!style) {
            error.prepend(QStringLiteral("\"tileStyle\": "));
            return std::nullopt;
        }
        folder.tileStyle = *style;
    }
    if (apps) {
        folder.apps.reserve(static_cast<qsizetype>(apps->size()));
        qsizetype i = 0;
        for (const JsonValue entry : *apps) {
            simdjson::dom::object members;
            if (entry.get_object().get(members) != simdjson::SUCCESS) {
                read.fail(QStringLiteral("\"apps\" entry %1 is not an object").arg(i));
                return std::nullopt;
            }
            auto item = readAppItem(members, cache, error);
            if (!item) {
                error.prepend(QStringLiteral("\"apps\" entry %1: ").arg(i));
                return std::nullopt;
            }
            folder.apps.push_back(std::move(*item));
            ++i;
        }
    }
    return folder;
}

} // namespace

QByteArray encodeFolderList(const QList<AppFolder>& folders) {
    std::size_t expected = 2;
    qsizetype appCount = 0;
    for (const AppFolder& folder : folders) {
        expected += 400 + static_cast<std::size_t>(folder.apps.size()) * 200;
        appCount += folder.apps.size();
    }
    JsonOutput out(expected);
    UrlTexts urls(appCount);
    out.open('[');
    for (const AppFolder& folder : folders) {
        writeFolder(out, folder, urls);
    }
    out.close(']');
    return out.take();
}

namespace {

// The folder file may come from an editor or another tool: a UTF-8 byte-order mark is skipped, and text in
// UTF-16 or UTF-32 with a byte-order mark is read as such, as the platform's JSON reader does. Nothing when
// the text is not valid in the encoding its mark names.
std::optional<QByteArray> utf8Text(const QByteArray& bytes) {
    auto startsWith = [&](std::initializer_list<unsigned char> mark) {
        return bytes.size() >= static_cast<qsizetype>(mark.size()) &&
               std::equal(mark.begin(), mark.end(),
                          reinterpret_cast<const unsigned char*>(bytes.constData()));
    };
    std::optional<QStringConverter::Encoding> encoding;
    if (startsWith({0xEF, 0xBB, 0xBF})) {
        return bytes.mid(3);
    }
    if (startsWith({0xFF, 0xFE, 0x00, 0x00})) {
        encoding = QStringConverter::Utf32LE;
    } else if (startsWith({0x00, 0x00, 0xFE, 0xFF})) {
        encoding = QStringConverter::Utf32BE;
    } else if (startsWith({0xFF, 0xFE})) {
        encoding = QStringConverter::Utf16LE;
    } else if (startsWith({0xFE, 0xFF})) {
        encoding = QStringConverter::Utf16BE;
    } else {
        return bytes;
    }
    QStringDecoder decoder(*encoding, QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    // The decoder keeps the mark as U+FEFF at the start.
    QByteArray utf8 = text.toUtf8();
    if (utf8.startsWith("\xEF\xBB\xBF")) {
        utf8.remove(0, 3);
    }
    return utf8;
}

// The parser refuses integers that do not fit in 64 bits, which the platform's reader takes as doubles: such
// integers (outside strings) get a fraction appended so that they read as the nearest double.
QByteArray widenLongIntegers(const QByteArray& text) {
    QByteArray widened;
    widened.reserve(text.size() + 16);
    const qsizetype size = text.size();
    qsizetype i = 0;
    while (i < size) {
        const char c = text[i];
        if (c == '"') {
            // Copy the string through its closing quote, escapes included.
            qsizetype end = i + 1;
            while (end < size && text[end] != '"') {
                end += text[end] == '\\' ? 2 : 1;
            }
            end = std::min(end + 1, size);
            widened.append(text.constData() + i, end - i);
            i = end;
            continue;
        }
        if (c == '-' || (c >= '0' && c <= '9')) {
            qsizetype end = i + (c == '-' ? 1 : 0);
            while (end < size && text[end] >= '0' && text[end] <= '9') {
                ++end;
            }
            widened.append(text.constData() + i, end - i);
            const qsizetype digits = end - i - (c == '-' ? 1 : 0);
            const bool fraction = end < size && (text[end] == '.' || text[end] == 'e' || text[end] == 'E');
            if (digits >= 19 && !fraction) {
                widened.append(".0");
            }
            i = end;
            continue;
        }
        widened.append(c);
        ++i;
    }
    return widened;
}

} // namespace

FolderListDecoding decodeFolderList(const QByteArray& bytes, Date now) {
    const std::optional<QByteArray> text = utf8Text(bytes);
    if (!text) {
        return {std::nullopt, QStringLiteral("not valid JSON (the text does not match its byte-order mark)")};
    }
    // The parser validates UTF-8, reads numbers exactly and refuses nesting beyond its depth limit without
    // deep recursion, so a damaged file fails cleanly.
    simdjson::dom::parser parser;
    JsonValue root;
    auto error = parser.parse(text->constData(), static_cast<std::size_t>(text->size())).get(root);
    QByteArray widened;
    if (error == simdjson::NUMBER_ERROR) {
        widened = widenLongIntegers(*text);
        error = parser.parse(widened.constData(), static_cast<std::size_t>(widened.size())).get(root);
    }
    if (error) {
        return {std::nullopt,
                QStringLiteral("not valid JSON (%1)").arg(QLatin1StringView(simdjson::error_message(error)))};
    }
    simdjson::dom::array list;
    if (root.get_array().get(list) != simdjson::SUCCESS) {
        return {std::nullopt, QStringLiteral("the document is not a list of folders")};
    }
    TextCache cache;
    QList<AppFolder> folders;
    folders.reserve(static_cast<qsizetype>(list.size()));
    qsizetype index = 0;
    for (const JsonValue value : list) {
        simdjson::dom::object members;
        if (value.get_object().get(members) != simdjson::SUCCESS) {
            return {std::nullopt, QStringLiteral("folder %1 is not an object").arg(index)};
        }
        QString error;
        auto folder = readFolder(members, now, cache, error);
        if (!folder) {
            return {std::nullopt, QStringLiteral("folder %1: %2").arg(index).arg(error)};
        }
        folders.push_back(std::move(*folder));
        ++index;
    }
    return {std::move(folders), {}};
}

} // namespace tessly
