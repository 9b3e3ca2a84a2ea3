#include "settings/localization.h"

#include "platform/bounded_file.h"

#include "platform/console.h"
#include "platform/main_bundle.h"
#include "settings/app_settings.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QLibraryInfo>
#include <QStringList>
#include <QTranslator>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <string>

namespace tessly {

namespace {

// Beyond these a specifier is taken for a typing error in a table rather than a request for megabytes of
// padding.
constexpr int kMaximumWidth = 1024;
constexpr int kMaximumPrecision = 512;

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Reads a run of decimal digits at `i`; nothing when there are none or they exceed `limit`.
std::optional<int> readNumber(const QString& text, qsizetype& i, int limit) {
    if (i >= text.size() || !isDigit(text.at(i))) {
        return std::nullopt;
    }
    long long value = 0;
    bool tooLarge = false;
    while (i < text.size() && isDigit(text.at(i))) {
        value = value * 10 + (text.at(i).unicode() - u'0');
        if (value > limit) {
            tooLarge = true;
            value = limit + 1;
        }
        ++i;
    }
    if (tooLarge) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

struct Specifier {
    std::optional<int> position; // 1-based, when written as %n$
    QByteArray flags;
    std::optional<int> width;
    std::optional<int> precision;
    char conversion = 0;
};

enum class Kind { integer, floating, text };

std::optional<Kind> kindOf(char conversion) {
    switch (conversion) {
    case 'd':
    case 'i':
    case 'u':
    case 'x':
    case 'X':
    case 'o':
        return Kind::integer;
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
        return Kind::floating;
    case '@':
    case 's':
        return Kind::text;
    default:
        return std::nullopt;
    }
}

// Parses the specifier that starts just after a '%' at `i`; on success `i` is past its conversion character.
std::optional<Specifier> parseSpecifier(const QString& format, qsizetype& i) {
    Specifier parsed;
    if (i < format.size() && format.at(i) != QLatin1Char('0') && isDigit(format.at(i))) {
        qsizetype j = i;
        const auto number = readNumber(format, j, kMaximumWidth);
        if (j < format.size() && format.at(j) == QLatin1Char('$')) {
            if (!number) {
                return std::nullopt;
            }
            parsed.position = number;
            i = j + 1;
        }
    }
    while (i < format.size()) {
        const char16_t c = format.at(i).unicode();
        if (c != u'-' && c != u'+' && c != u' ' && c != u'0' && c != u'#') {
            break;
        }
        parsed.flags.append(static_cast<char>(c));
        ++i;
    }
    if (i < format.size() && isDigit(format.at(i))) {
        parsed.width = readNumber(format, i, kMaximumWidth);
        if (!parsed.width) {
            return std::nullopt;
        }
    }
    if (i < format.size() && format.at(i) == QLatin1Char('.')) {
        ++i;
        parsed.precision = 0;
        if (i < format.size() && isDigit(format.at(i))) {
            parsed.precision = readNumber(format, i, kMaximumPrecision);
            if (!parsed.precision) {
                return std::nullopt;
            }
        }
    }
    // Length modifiers say how a C caller passed the argument; ours carry their type, so they are only
    // skipped.
    while (i < format.size()) {
        const char16_t c = format.at(i).unicode();
        if (c != u'h' && c != u'l' && c != u'q' && c != u'z' && c != u't' && c != u'j' && c != u'L') {
            break;
        }
        ++i;
    }
    if (i >= format.size() || format.at(i).unicode() > 0x7f) {
        return std::nullopt;
    }
    parsed.conversion = static_cast<char>(format.at(i).unicode());
    if (!kindOf(parsed.conversion)) {
        return std::nullopt;
    }
    ++i;
    return parsed;
}

// The C-style specifier of an integer for QString::asprintf, which ignores the process's C locale.
QByteArray integerSpecifier(const Specifier& parsed) {
    QByteArray out("%");
    out += parsed.flags;
    if (parsed.width) {
        out += QByteArray::number(*parsed.width);
    }
    if (parsed.precision) {
        out += '.';
        out += QByteArray::number(*parsed.precision);
    }
    out += "ll";
    out += parsed.conversion;
    return out;
}

QString padded(QString text, const Specifier& parsed) {
    if (parsed.precision && parsed.conversion == 's' && text.size() > *parsed.precision) {
        text.truncate(*parsed.precision);
    }
    if (parsed.width && text.size() < *parsed.width) {
        const QString padding(*parsed.width - text.size(), QLatin1Char(' '));
        text = parsed.flags.contains('-') ? text + padding : padding + text;
    }
    return text;
}

QString plainText(const FormatArgument& argument) {
    if (const auto* text = argument.asText()) {
        return *text;
    }
    if (const auto* integer = argument.asInteger()) {
        return QString::number(*integer);
    }
    return QString::number(*argument.asDouble(), 'g', QLocale::FloatingPointShortest);
}

// The form std::to_chars writes a conversion in.
std::chars_format charsFormatOf(char conversion) {
    switch (conversion) {
    case 'e':
    case 'E':
        return std::chars_format::scientific;
    case 'g':
    case 'G':
        return std::chars_format::general;
    case 'a':
    case 'A':
        return std::chars_format::hex;
    default:
        return std::chars_format::fixed;
    }
}

// The sign printf writes before a double: '-' for a negative one (NaN has none), else what the flags ask for;
// 0 for none.
char signOf(const Specifier& parsed, double value) {
    if (std::signbit(value) && !std::isnan(value)) {
        return '-';
    }
    if (parsed.flags.contains('+')) {
        return '+';
    }
    return parsed.flags.contains(' ') ? ' ' : 0;
}

// A double as printf writes it in the C locale, exact ties rounding to even as the C library does:
// std::to_chars is locale-independent and correctly rounded, which the process's C locale and Qt's own printf
// (ties away from zero) are not. Sign, padding and the hexadecimal prefix are added here.
QString formattedDouble(const Specifier& parsed, double value) {
    const std::chars_format form = charsFormatOf(parsed.conversion);
    const bool hex = form == std::chars_format::hex;
    const bool upper = parsed.conversion >= 'A' && parsed.conversion <= 'Z';
    // Room for the longest fixed text: 309 integer digits of the largest double, the point and the precision.
    char buffer[400 + kMaximumPrecision];
    // Without a precision, a hexadecimal float is written exactly, as printf's %a does.
    const std::to_chars_result written =
        parsed.precision || !hex ? std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), form,
                                                 parsed.precision.value_or(6))
                                 : std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), form);
    if (written.ec != std::errc()) {
        return QString::number(value);
    }
    std::string body(buffer, written.ptr);
    const bool finite = std::isfinite(value);
    if (hex && finite) {
        body.insert(0, "0x");
    }
    if (upper) {
        for (char& c : body) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    }
    const char sign = signOf(parsed, value);
    const std::size_t width = parsed.width ? static_cast<std::size_t>(*parsed.width) : 0;
    const std::size_t length = (sign ? 1 : 0) + body.size();
    std::size_t leadingSpaces = 0;
    if (length < width) {
        const std::size_t fill = width - length;
        if (parsed.flags.contains('-')) {
            body.append(fill, ' ');
        } else if (parsed.flags.contains('0') && finite) {
            body.insert(hex ? 2 : 0, fill, '0');
        } else {
            leadingSpaces = fill;
        }
    }
    QString out(static_cast<qsizetype>(leadingSpaces), QLatin1Char(' '));
    if (sign) {
        out += QLatin1Char(sign);
    }
    out += QLatin1String(body.data(), static_cast<qsizetype>(body.size()));
    return out;
}

// The argument formatted by `parsed`, or nothing when it is of the wrong kind.
std::optional<QString> formatArgument(const Specifier& parsed, const FormatArgument& argument,
                                      const QLocale& locale) {
    switch (*kindOf(parsed.conversion)) {
    case Kind::integer: {
        const auto* integer = argument.asInteger();
        if (!integer) {
            return std::nullopt;
        }
        const bool isSigned = parsed.conversion == 'd' || parsed.conversion == 'i';
        const QByteArray c = integerSpecifier(parsed);
        return isSigned ? QString::asprintf(c.constData(), static_cast<long long>(*integer))
                        : QString::asprintf(c.constData(), static_cast<unsigned long long>(*integer));
    }
    case Kind::floating: {
        double value = 0.0;
        if (const auto* real = argument.asDouble()) {
            value = *real;
        } else if (const auto* integer = argument.asInteger()) {
            value = static_cast<double>(*integer);
        } else {
            return std::nullopt;
        }
        QString text = formattedDouble(parsed, value);
        // A hexadecimal float keeps its point: it is not a decimal number.
        if (parsed.conversion != 'a' && parsed.conversion != 'A') {
            text.replace(QLatin1Char('.'), locale.decimalPoint());
        }
        return text;
    }
    case Kind::text:
        return padded(plainText(argument), parsed);
    }
    return std::nullopt;
}

// `value` rounded to `digits` fraction digits, half to even, on its shortest decimal form (the digits a
// reader sees), as the platform's number formatter rounds: 0.125 → 0.12, 2.5 → 2, 0.135 → 0.14.
double roundedHalfEven(double value, int digits) {
    if (!std::isfinite(value)) {
        return value;
    }
    char buffer[400];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (written.ec != std::errc()) {
        return value;
    }
    std::string text(buffer, written.ptr);
    const bool negative = !text.empty() && text.front() == '-';
    if (negative) {
        text.erase(0, 1);
    }
    const auto point = text.find('.');
    if (point == std::string::npos || text.size() - point - 1 <= static_cast<std::size_t>(digits)) {
        return value;
    }
    const std::size_t cut = point + 1 + static_cast<std::size_t>(digits);
    const char first = text[cut];
    const bool restNonZero = text.find_first_not_of('0', cut + 1) != std::string::npos;
    std::string kept = text.substr(0, digits == 0 ? point : cut);
    const bool up = first > '5' || (first == '5' && (restNonZero || (kept.back() - '0') % 2 == 1));
    if (up) {
        std::size_t i = kept.size();
        bool carry = true;
        while (carry && i > 0) {
            --i;
            if (kept[i] == '.') {
                continue;
            }
            if (kept[i] == '9') {
                kept[i] = '0';
            } else {
                ++kept[i];
                carry = false;
            }
        }
        if (carry) {
            kept.insert(kept.begin(), '1');
        }
    }
    double result = 0.0;
    const auto parsed = std::from_chars(kept.data(), kept.data() + kept.size(), result);
    if (parsed.ec != std::errc()) {
        return value;
    }
    return negative ? -result : result;
}

QString tablePathIn(const QString& directory) {
    return directory + QLatin1Char('/') + QLatin1String(Localization::kStringTableFileName);
}

} // namespace

QString formatLocalized(const QString& format, const FormatArguments& arguments, const QLocale& locale) {
    // Most texts have no specifier at all: hand back the table's own string without copying it.
    if (!format.contains(QLatin1Char('%'))) {
        return format;
    }
    QString out;
    out.reserve(format.size() + 16);
    qsizetype nextSequential = 0;
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format.at(i);
        if (c != QLatin1Char('%')) {
            out += c;
            ++i;
            continue;
        }
        const qsizetype start = i;
        ++i;
        if (i < format.size() && format.at(i) == QLatin1Char('%')) {
            out += QLatin1Char('%');
            ++i;
            continue;
        }
        const auto parsed = parseSpecifier(format, i);
        if (!parsed) {
            // Not a specifier: the '%' stays as text and scanning goes on right after it.
            out += QLatin1Char('%');
            i = start + 1;
            continue;
        }
        const qsizetype index = parsed->position ? *parsed->position - 1 : nextSequential++;
        std::optional<QString> text;
        if (index >= 0 && index < arguments.size()) {
            text = formatArgument(*parsed, arguments.at(index), locale);
        }
        out += text ? *text : format.mid(start, i - start);
    }
    return out;
}

QString pluralSuffix(AppLanguage language, std::int64_t n) {
    if (language == AppLanguage::english) {
        return n == 1 ? QStringLiteral(".one") : QStringLiteral(".many");
    }
    // The magnitude as unsigned, so that the most negative integer has one too.
    const std::uint64_t m =
        n < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
    const std::uint64_t a = m % 10;
    const std::uint64_t b = m % 100;
    if (a == 1 && b != 11) {
        return QStringLiteral(".one");
    }
    if (a >= 2 && a <= 4 && (b < 12 || b > 14)) {
        return QStringLiteral(".few");
    }
    return QStringLiteral(".many");
}

QLocale localeForLanguage(AppLanguage language) {
    return QLocale(rawText(language));
}

/// Qt's translation of its own texts for one language, installed in the application while it is kept.
class QtTranslation {
public:
    explicit QtTranslation(QString directory) : m_directory(std::move(directory)) {}
    ~QtTranslation() { remove(); }
    QtTranslation(const QtTranslation&) = delete;
    QtTranslation& operator=(const QtTranslation&) = delete;

    void follow(AppLanguage language) {
        // Without the application object there are no dialogs to translate, and nowhere to install.
        if (!QCoreApplication::instance() || language == m_language) {
            return;
        }
        m_language = language;
        remove();
        if (language == AppLanguage::english) {
            return; // Qt's texts are written in English
        }
        auto translator = std::make_unique<QTranslator>();
        // The translations come in a package of their own: without the file Qt's texts stay in English.
        if (!translator->load(QStringLiteral("qtbase_") + rawText(language), m_directory)) {
            return;
        }
        QCoreApplication::installTranslator(translator.get());
        m_installed = std::move(translator);
    }
    [[nodiscard]] bool isInstalled() const { return m_installed != nullptr; }

private:
    void remove() {
        if (m_installed) {
            QCoreApplication::removeTranslator(m_installed.get());
            m_installed.reset();
        }
    }

    QString m_directory;
    std::optional<AppLanguage> m_language;
    std::unique_ptr<QTranslator> m_installed;
};

Localization::Localization(const AppSettings& settings, const MainBundle& bundle, Console* console,
                           const QString& qtTranslationsDirectory)
    : m_settings(settings), m_bundle(bundle), m_console(console),
      m_qtTranslation(std::make_unique<QtTranslation>(qtTranslationsDirectory.isEmpty()
                                                          ? QLibraryInfo::path(QLibraryInfo::TranslationsPath)
                                                          : qtTranslationsDirectory)) {
    m_qtTranslation->follow(settings.language());
    m_languageChanges = QObject::connect(&settings, &AppSettings::changed, [this](AppSettings::Field field) {
        if (field == AppSettings::Field::language) {
            m_qtTranslation->follow(m_settings.language());
        }
    });
}

Localization::~Localization() {
    QObject::disconnect(m_languageChanges);
}

bool Localization::hasQtTranslationForTesting() const {
    return m_qtTranslation->isInstalled();
}

AppLanguage Localization::language() const {
    return m_settings.language();
}

const Localization::StringTable* Localization::tableAt(const QString& path) const {
    if (const auto it = m_tables.constFind(path); it != m_tables.constEnd()) {
        return it->get();
    }
    std::shared_ptr<const StringTable> table;
    const BoundedFileRead file = readBoundedFile(path, kSmallFileLimit);
    if (file.status == BoundedFileRead::Status::Read) {
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(file.bytes, &error);
        if (error.error != QJsonParseError::NoError || !document.isObject()) {
            if (m_console) {
                const QString why =
                    error.error != QJsonParseError::NoError
                        ? error.errorString() + QStringLiteral(" at offset ") + QString::number(error.offset)
                        : QStringLiteral("not a JSON object");
                m_console->printLine(QStringLiteral("[Localization] Cannot read string table ") + path +
                                     QStringLiteral(": ") + why);
            }
        } else {
            auto entries = std::make_shared<StringTable>();
            const QJsonObject object = document.object();
            entries->reserve(object.size());
            QStringList skipped;
            for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
                if (it.value().isString()) {
                    entries->insert(it.key(), it.value().toString());
                } else {
                    skipped.append(it.key());
                }
            }
            // The rest of the table is still good: only the entries that are not texts show as their keys.
            if (!skipped.isEmpty() && m_console) {
                m_console->printLine(QStringLiteral("[Localization] Ignored entries that are not texts in ") +
                                     path + QStringLiteral(": ") + skipped.join(QStringLiteral(", ")));
            }
            table = std::move(entries);
        }
    }
    // A table that cannot be read is remembered too, so that it is neither read nor reported again.
    m_tables.insert(path, table);
    return table.get();
}

const Localization::Resolved& Localization::resolved() const {
    const AppLanguage current = m_settings.language();
    auto& slot = m_resolved[static_cast<std::size_t>(current)];
    if (slot) {
        return *slot;
    }
    Resolved result;
    result.locale = localeForLanguage(current);
    const auto directory = m_bundle.pathForResource(rawText(current), QStringLiteral("lproj"));
    const StringTable* table =
        directory && QFileInfo(*directory).isDir() ? tableAt(tablePathIn(*directory)) : nullptr;
    if (table) {
        result.directory = *directory;
        result.table = table;
    } else {
        // The main bundle itself: its own table, or that of its development region.
        result.directory = m_bundle.resourcePath();
        result.table = tableAt(tablePathIn(result.directory));
        if (!result.table) {
            const QString region = m_bundle.infoString(QStringLiteral("CFBundleDevelopmentRegion"))
                                       .value_or(QStringLiteral("en"));
            if (const auto regional = m_bundle.pathForResource(region, QStringLiteral("lproj"))) {
                result.table = tableAt(tablePathIn(*regional));
            }
        }
    }
    slot = std::move(result);
    return *slot;
}

QString Localization::localizedBundleForTesting() const {
    return resolved().directory;
}

QString Localization::localizedString(const QString& key, const FormatArguments& arguments) const {
    const Resolved& r = resolved();
    QString text = key;
    if (r.table) {
        if (const auto it = r.table->constFind(key); it != r.table->constEnd()) {
            text = *it;
        }
    }
    return formatLocalized(text, arguments, r.locale);
}

QString Localization::pluralKey(const QString& base, std::int64_t n) const {
    return base + pluralSuffix(m_settings.language(), n);
}

QString Localization::formatNumber(double value, int fractionDigits) const {
    const int digits = std::clamp(fractionDigits, 0, kMaximumPrecision);
    const QString text = resolved().locale.toString(roundedHalfEven(value, digits), 'f', digits);
    if (text.isEmpty()) {
        return QString::number(value);
    }
    return text;
}

QString Localization::pointsLabel(std::int64_t points) const {
    const QString unit =
        m_settings.language() == AppLanguage::ukrainian ? QStringLiteral(" пт") : QStringLiteral(" pt");
    return QString::number(points) + unit;
}

} // namespace tessly
