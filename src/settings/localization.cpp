#include "settings/localization.h"

#include "platform/console.h"
#include "platform/main_bundle.h"
#include "settings/app_settings.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdlib>

namespace tessly {

namespace {

struct Specifier {
    bool leftAlign = false;
    bool plus = false;
    bool space = false;
    bool zeroPad = false;
    int width = 0;
    int precision = -1;
    QChar conversion;
};

QString padded(QString text, const Specifier& spec) {
    if (text.size() >= spec.width) {
        return text;
    }
    const qsizetype fill = spec.width - text.size();
    if (spec.leftAlign) {
        return text + QString(fill, QLatin1Char(' '));
    }
    if (spec.zeroPad && spec.conversion != QLatin1Char('@') && spec.conversion != QLatin1Char('s')) {
        const bool sign = text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+'));
        return sign ? text.left(1) + QString(fill, QLatin1Char('0')) + text.mid(1)
                    : QString(fill, QLatin1Char('0')) + text;
    }
    return QString(fill, QLatin1Char(' ')) + text;
}

QString signed_(QString text, const Specifier& spec, bool negative) {
    if (!negative && spec.plus) {
        return QLatin1Char('+') + text;
    }
    if (!negative && spec.space) {
        return QLatin1Char(' ') + text;
    }
    return text;
}

// The text of one conversion, or nothing when the argument does not fit it.
std::optional<QString> convert(const Specifier& spec, const FormatArgument& argument, const QLocale& locale) {
    const char16_t c = spec.conversion.unicode();
    switch (c) {
    case u'd':
    case u'i':
    case u'u': {
        const std::int64_t* value = argument.asInteger();
        if (!value) {
            return std::nullopt;
        }
        // Counts are shown without grouping, as the platform's %lld does.
        return signed_(QString::number(*value), spec, *value < 0);
    }
    case u'x':
    case u'X':
    case u'o': {
        const std::int64_t* value = argument.asInteger();
        if (!value) {
            return std::nullopt;
        }
        QString text = QString::number(static_cast<qulonglong>(*value), c == u'o' ? 8 : 16);
        return c == u'X' ? text.toUpper() : text;
    }
    case u'f':
    case u'F':
    case u'e':
    case u'E':
    case u'g':
    case u'G': {
        double value = 0;
        if (const double* d = argument.asDouble()) {
            value = *d;
        } else if (const std::int64_t* i = argument.asInteger()) {
            value = static_cast<double>(*i);
        } else {
            return std::nullopt;
        }
        const char format = static_cast<char>(QChar(c).toLower().unicode());
        QLocale plain = locale;
        plain.setNumberOptions(QLocale::OmitGroupSeparator);
        QString text = plain.toString(value, format, spec.precision < 0 ? 6 : spec.precision);
        if (c == u'E' || c == u'G' || c == u'F') {
            text = text.toUpper();
        }
        return signed_(text, spec, value < 0);
    }
    case u'@':
    case u's': {
        if (const QString* text = argument.asText()) {
            return spec.precision >= 0 ? text->left(spec.precision) : *text;
        }
        if (const std::int64_t* i = argument.asInteger()) {
            return QString::number(*i);
        }
        return QString::number(*argument.asDouble(), 'g', QLocale::FloatingPointShortest);
    }
    default:
        return std::nullopt;
    }
}

} // namespace

QString formatLocalized(const QString& format, const FormatArguments& arguments, const QLocale& locale) {
    QString out;
    out.reserve(format.size() + 16);
    qsizetype next = 0; // the next sequential argument
    const qsizetype n = format.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = format.at(i);
        if (c != QLatin1Char('%')) {
            out += c;
            continue;
        }
        const qsizetype start = i;
        if (i + 1 < n && format.at(i + 1) == QLatin1Char('%')) {
            out += QLatin1Char('%');
            ++i;
            continue;
        }
        qsizetype j = i + 1;
        Specifier spec;
        // A positional index: digits followed by '$'.
        std::optional<qsizetype> position;
        qsizetype k = j;
        while (k < n && format.at(k).isDigit()) {
            ++k;
        }
        if (k > j && k < n && format.at(k) == QLatin1Char('$')) {
            position = format.mid(j, k - j).toLongLong() - 1;
            j = k + 1;
        }
        for (; j < n; ++j) {
            const QChar f = format.at(j);
            if (f == QLatin1Char('-')) {
                spec.leftAlign = true;
            } else if (f == QLatin1Char('+')) {
                spec.plus = true;
            } else if (f == QLatin1Char(' ')) {
                spec.space = true;
            } else if (f == QLatin1Char('0')) {
                spec.zeroPad = true;
            } else if (f != QLatin1Char('#')) {
                break;
            }
        }
        while (j < n && format.at(j).isDigit()) {
            spec.width = std::min(spec.width * 10 + format.at(j).digitValue(), 1000);
            ++j;
        }
        if (j < n && format.at(j) == QLatin1Char('.')) {
            ++j;
            spec.precision = 0;
            while (j < n && format.at(j).isDigit()) {
                spec.precision = std::min(spec.precision * 10 + format.at(j).digitValue(), 100);
                ++j;
            }
        }
        while (j < n && QStringView(u"hlqztjL").contains(format.at(j))) {
            ++j;
        }
        if (j >= n) {
            out += format.mid(start);
            break;
        }
        spec.conversion = format.at(j);
        const qsizetype index = position.value_or(next);
        std::optional<QString> text;
        if (index >= 0 && index < arguments.size()) {
            text = convert(spec, arguments.at(index), locale);
        }
        if (!text) {
            // Kept as written: a faulty table entry shows instead of breaking the text around it.
            out += format.mid(start, j - start + 1);
        } else {
            out += padded(*text, spec);
        }
        if (!position) {
            ++next;
        }
        i = j;
    }
    return out;
}

QString pluralSuffix(AppLanguage language, std::int64_t n) {
    if (language == AppLanguage::english) {
        return n == 1 ? QStringLiteral(".one") : QStringLiteral(".many");
    }
    const std::uint64_t m = n < 0 ? static_cast<std::uint64_t>(-(n + 1)) + 1 : static_cast<std::uint64_t>(n);
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
    return language == AppLanguage::ukrainian ? QLocale(QLocale::Ukrainian, QLocale::Ukraine)
                                              : QLocale(QLocale::English, QLocale::UnitedStates);
}

Localization::Localization(const AppSettings& settings, const MainBundle& bundle, Console* console)
    : m_settings(settings), m_bundle(bundle), m_console(console) {}

Localization::~Localization() = default;

AppLanguage Localization::language() const {
    return m_settings.language();
}

const Localization::StringTable* Localization::tableAt(const QString& path) const {
    if (const auto it = m_tables.constFind(path); it != m_tables.constEnd()) {
        return it->get();
    }
    std::shared_ptr<const StringTable> table;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
        if (document.isObject()) {
            auto entries = std::make_shared<StringTable>();
            const QJsonObject object = document.object();
            for (auto it = object.begin(); it != object.end(); ++it) {
                if (it.value().isString()) {
                    entries->insert(it.key(), it.value().toString());
                }
            }
            table = std::move(entries);
        } else if (m_console) {
            m_console->printLine(QStringLiteral("[Localization] Unreadable string table: ") + path);
        }
    }
    m_tables.insert(path, table);
    return table.get();
}

const Localization::Resolved& Localization::resolved() const {
    const AppLanguage current = language();
    auto& slot = m_resolved[static_cast<std::size_t>(current)];
    if (slot) {
        return *slot;
    }
    Resolved result;
    result.locale = localeForLanguage(current);
    const QString fileName = QString::fromLatin1(kStringTableFileName);
    if (const auto lproj = m_bundle.pathForResource(rawText(current), QStringLiteral("lproj"))) {
        if (const StringTable* table = tableAt(*lproj + QLatin1Char('/') + fileName)) {
            result.directory = *lproj;
            result.table = table;
        }
    }
    if (!result.table) {
        // The main bundle itself: its own table, or that of its development region.
        result.directory = m_bundle.resourcePath();
        result.table = tableAt(result.directory + QLatin1Char('/') + fileName);
        if (!result.table) {
            const QString region =
                m_bundle.infoString(QStringLiteral("CFBundleDevelopmentRegion")).value_or("en");
            if (const auto lproj = m_bundle.pathForResource(region, QStringLiteral("lproj"))) {
                result.table = tableAt(*lproj + QLatin1Char('/') + fileName);
            }
        }
    }
    slot = result;
    return *slot;
}

QString Localization::localizedBundle() const {
    return resolved().directory;
}

QString Localization::localizedString(const QString& key, const FormatArguments& arguments) const {
    const Resolved& current = resolved();
    QString text = key;
    if (current.table) {
        if (const auto it = current.table->constFind(key); it != current.table->constEnd()) {
            text = *it;
        }
    }
    if (arguments.isEmpty() && !text.contains(QLatin1Char('%'))) {
        return text;
    }
    return formatLocalized(text, arguments, current.locale);
}

QString Localization::pluralKey(const QString& base, std::int64_t n) const {
    return base + pluralSuffix(language(), n);
}

QString Localization::formatNumber(double value, int fractionDigits) const {
    const QString text = resolved().locale.toString(value, 'f', std::max(0, fractionDigits));
    return text.isEmpty() ? QString::number(value) : text;
}

QString Localization::pointsLabel(std::int64_t points) const {
    return QString::number(points) +
           (language() == AppLanguage::ukrainian ? QStringLiteral(" пт") : QStringLiteral(" pt"));
}

} // namespace tessly
