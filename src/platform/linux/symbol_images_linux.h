// Named system symbols drawn from the glyphs of an icon font, by a table in the bundle's resources.
//
//     LinuxSymbolImages symbols(bundle.resourcePath());
//     if (!symbols.problems().isEmpty()) console.printLine("[Symbols] " + symbols.problems().join("; "));
//     ImagePtr check = symbols.symbol("checkmark.circle", 83.2, SymbolWeight::bold);   // nullptr if unknown
//
// The table (kSymbolTableFileName) maps each symbol name to a code point of the font (kSymbolFontFileName,
// the Material Icons font, one style), one "name<TAB>hex code point<TAB>the font's glyph name" per line;
// lines starting with '#' and blank lines are comments. Both files are read once, at construction. A missing
// or unreadable table or font, a malformed line, or a code point the font has no glyph for, takes away the
// symbols concerned and nothing else: symbol() then returns nullptr, as for an unknown name, and problems()
// says what was wrong. The program never fails for want of a symbol; callers draw text instead.
//
// A symbol image is a square of side `pointSize` holding the glyph's em box (the font's glyphs are drawn on
// a 24-unit grid with their own margin, so different symbols keep their relative sizes), black where the
// glyph is and transparent elsewhere, drawn from the glyph's outline at any size. Bold has no face of its
// own in the font: the outline is stroked as well as filled, which thickens every line by kBoldStrokeEm of
// the em.
//
// Needs the QGuiApplication (fonts); main thread only.
#pragma once

#include "platform/gui/symbol_images.h"

#include <QHash>
#include <QRawFont>
#include <QStringList>

#include <memory>

class QFile;

namespace tessly {

inline constexpr char kSymbolTableFileName[] = "symbols.tsv";
inline constexpr char kSymbolFontFileName[] = "MaterialIcons-Regular.ttf";
/// Extra line thickness of the bold weight, as a fraction of the em (the font's lines are 2/24 of it).
inline constexpr double kBoldStrokeEm = 0.035;
/// A table larger than this is not read: the program's has a few thousand bytes.
inline constexpr qint64 kMaximumSymbolTableBytes = 1024 * 1024;

class LinuxSymbolImages final : public SymbolImages {
public:
    /// Reads kSymbolTableFileName and kSymbolFontFileName from `resourcesDirectory` (a bundle's
    /// Contents/Resources).
    explicit LinuxSymbolImages(const QString& resourcesDirectory);
    /// Reads the table and the font from the given files.
    LinuxSymbolImages(const QString& tablePath, const QString& fontPath);

    [[nodiscard]] ImagePtr symbol(const QString& name, double pointSize, SymbolWeight weight) const override;

    /// The names that give a symbol, sorted.
    [[nodiscard]] QStringList symbolNamesForTesting() const;
    /// What kept symbols away (no table, no font, lines skipped, glyphs missing); empty when all loaded.
    [[nodiscard]] const QStringList& problems() const { return m_problems; }

private:
    /// The font's file, mapped, for as long as the font draws from it (copies share it); declared before the
    /// font, which goes first.
    std::shared_ptr<QFile> m_fontFile;
    QRawFont m_font;
    QHash<QString, char32_t> m_codePoints;
    QStringList m_problems;
};

/// The entries of a symbol table's text; a malformed or repeated line is skipped (the first entry of a name
/// wins) and described in `problems`.
[[nodiscard]] QHash<QString, char32_t> parseSymbolTable(const QByteArray& text, QStringList* problems);

} // namespace tessly
