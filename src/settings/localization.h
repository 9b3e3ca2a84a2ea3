// The interface's texts in the chosen language: string tables, printf-style formatting, plurals and numbers.
//
//     Localization l10n(settings, bundle);
//     QString title = l10n.localizedString("settings.title");
//     QString count = l10n.localizedString(l10n.pluralKey("main.app_count", n), {n});   // "3 програми"
//     QString opacity = l10n.formatNumber(0.64, 2);                                       // "0,64" in
//     Ukrainian
//
// The language is read from the settings on every call, so a change applies to the next text at once. Each
// string table ("<code>.lproj/Localizable.json" in the bundle's resources, a JSON object of key → text) is
// read the first time it is needed and kept, so that a lookup costs a hash probe; a missing key shows as
// itself.
//
// Qt's own texts (the buttons of its dialogs) follow the same language: while the application object exists,
// Qt's translation for the chosen language ("qtbase_uk.qm" in Qt's translations directory) is installed, and
// replaced or removed as soon as the language changes. A language whose file is missing leaves them in
// English.
//
// Main thread only.
#pragma once

#include "model/enumerations.h"

#include <QHash>
#include <QList>
#include <QLocale>
#include <QMetaObject>
#include <QString>
#include <array>
#include <concepts>
#include <cstdint>
#include <memory>
#include <optional>
#include <variant>

namespace tessly {

class AppSettings;
class Console;
class MainBundle;
class QtTranslation;

/// One argument of a formatted text: an integer, a double or a text.
class FormatArgument {
public:
    template <std::integral T>
    requires(!std::same_as<T, bool>) FormatArgument(T value) : m_value(static_cast<std::int64_t>(value)) {}
    FormatArgument(double value) : m_value(value) {}
    FormatArgument(QString value) : m_value(std::move(value)) {}
    FormatArgument(const char* value) : m_value(QString::fromUtf8(value)) {}

    [[nodiscard]] const std::int64_t* asInteger() const { return std::get_if<std::int64_t>(&m_value); }
    [[nodiscard]] const double* asDouble() const { return std::get_if<double>(&m_value); }
    [[nodiscard]] const QString* asText() const { return std::get_if<QString>(&m_value); }

private:
    std::variant<std::int64_t, double, QString> m_value;
};

using FormatArguments = QList<FormatArgument>;

/// Formats `format` printf-style with typed arguments, writing decimal separators as `locale` does.
///
/// Understands flags (`-+ 0#`), width, precision, the length modifiers (`hh h l ll q z t j L`, which change
/// nothing: the arguments carry their own type), positional arguments (`%2$@`) and the conversions
/// `d i u x X o` (integers), `f F e E g G a A` (doubles, or integers converted to double), `@ s` (any
/// argument, numbers as their plain text) and `%%`. A specifier without a matching argument, of an unknown
/// conversion or with an argument of the wrong kind is kept in the output exactly as written, so a faulty
/// table entry shows rather than breaking the text around it.
[[nodiscard]] QString formatLocalized(const QString& format, const FormatArguments& arguments,
                                      const QLocale& locale);

/// The plural suffix for `n`: ".one", ".few" or ".many", by the rules of `language`.
[[nodiscard]] QString pluralSuffix(AppLanguage language, std::int64_t n);

/// The language's own locale: the one its code ("en", "uk") names.
[[nodiscard]] QLocale localeForLanguage(AppLanguage language);

class Localization {
public:
    /// The name of each language's string table inside its ".lproj" directory.
    static constexpr const char* kStringTableFileName = "Localizable.json";

    /// `console`, when given, hears of a string table that exists but cannot be read (once per table).
    /// `qtTranslationsDirectory` holds Qt's own translations; empty: where this Qt keeps them.
    Localization(const AppSettings& settings, const MainBundle& bundle, Console* console = nullptr,
                 const QString& qtTranslationsDirectory = {});
    ~Localization();
    Localization(const Localization&) = delete;
    Localization& operator=(const Localization&) = delete;

    /// The resource directory of the current language ("…/Resources/uk.lproj") when it exists and its table
    /// reads; otherwise the main bundle's resource directory, whose table is its own "Localizable.json" or,
    /// when it has none, that of its development region (CFBundleDevelopmentRegion, else "en").
    [[nodiscard]] QString localizedBundleForTesting() const;

    /// The text of `key` in the current language (the key itself when the table lacks it), formatted with
    /// `arguments` as formatLocalized() does, in the language's locale.
    [[nodiscard]] QString localizedString(const QString& key, const FormatArguments& arguments = {}) const;

    /// `base` followed by the plural suffix of `n` in the current language.
    [[nodiscard]] QString pluralKey(const QString& base, std::int64_t n) const;

    /// `value` in the current language's decimal style (with its grouping) and exactly `fractionDigits`
    /// fraction digits; halves round to even, as the platform's number formatter does. Negative digit counts
    /// count as 0.
    [[nodiscard]] QString formatNumber(double value, int fractionDigits) const;

    /// "52 pt" in English, "52 пт" in Ukrainian.
    [[nodiscard]] QString pointsLabel(std::int64_t points) const;

    [[nodiscard]] AppLanguage language() const;

    /// Whether Qt's own texts are translated now (into the current language, when it is not English).
    [[nodiscard]] bool hasQtTranslationForTesting() const;

private:
    using StringTable = QHash<QString, QString>;
    struct Resolved {
        QString directory;
        const StringTable* table = nullptr;
        QLocale locale;
    };

    [[nodiscard]] const Resolved& resolved() const;
    [[nodiscard]] const StringTable* tableAt(const QString& path) const;

    const AppSettings& m_settings;
    const MainBundle& m_bundle;
    Console* m_console;
    /// Tables by file path; a table that could not be read is kept as null so that it is not read again.
    mutable QHash<QString, std::shared_ptr<const StringTable>> m_tables;
    mutable std::array<std::optional<Resolved>, allCases<AppLanguage>().size()> m_resolved;
    std::unique_ptr<QtTranslation> m_qtTranslation;
    QMetaObject::Connection m_languageChanges;
};

} // namespace tessly
