#include "platform/linux/symbol_images_linux.h"

#include "platform/bounded_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <optional>

namespace tessly {

namespace {

/// The size the font is loaded at; outlines are normalised to the unit square, so it only sets precision.
constexpr double kLoadPixelSize = 96;

/// A glyph outline in a unit square (its em box), drawn black into the target square.
class SymbolImage final : public Image {
public:
    SymbolImage(QPainterPath outline, double pointSize, SymbolWeight weight)
        : m_outline(std::move(outline)), m_pointSize(pointSize), m_weight(weight) {}

    QSizeF size() const override { return {m_pointSize, m_pointSize}; }

    void draw(QPainter& painter, const QRectF& target) const override { paint(painter, target, Qt::black); }

    // The outline painted in the tint is the template tinted, without a layer to compose.
    void drawTinted(QPainter& painter, const QRectF& target, const QColor& tint) const override {
        paint(painter, target, tint);
    }

private:
    void paint(QPainter& painter, const QRectF& target, const QColor& color) const {
        if (target.isEmpty()) {
            return;
        }
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.translate(target.topLeft());
        painter.scale(target.width(), target.height());
        painter.setBrush(color);
        if (m_weight == SymbolWeight::bold) {
            // Stroking the outline grows every line by half the pen on each side.
            painter.setPen(QPen(color, kBoldStrokeEm, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        } else {
            painter.setPen(Qt::NoPen);
        }
        painter.drawPath(m_outline);
        painter.restore();
    }

    QPainterPath m_outline;
    double m_pointSize;
    SymbolWeight m_weight;
};

bool isSymbolName(const QString& name) {
    return !name.isEmpty() && std::none_of(name.begin(), name.end(), [](QChar c) { return c.isSpace(); });
}

std::optional<char32_t> parseCodePoint(const QString& text) {
    if (text.isEmpty() || text.size() > 6) {
        return std::nullopt;
    }
    bool isNumber = false;
    const uint value = text.toUInt(&isNumber, 16);
    // Hexadecimal digits only (toUInt also takes a sign or "0x"); a Unicode scalar value, not a surrogate.
    const bool digitsOnly = std::all_of(text.begin(), text.end(), [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    });
    if (!isNumber || !digitsOnly || value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return std::nullopt;
    }
    return static_cast<char32_t>(value);
}

std::optional<QByteArray> readTable(const QString& path, QStringList* problems) {
    const BoundedFileRead file = readBoundedFile(path, kMaximumSymbolTableBytes);
    if (file.status != BoundedFileRead::Status::Read) {
        problems->append(QStringLiteral("Cannot read the symbol table %1: %2")
                             .arg(path, file.status == BoundedFileRead::Status::Missing
                                            ? QStringLiteral("there is no such file")
                                            : file.error));
        return std::nullopt;
    }
    return file.bytes;
}

} // namespace

QHash<QString, char32_t> parseSymbolTable(const QByteArray& text, QStringList* problems) {
    QHash<QString, char32_t> entries;
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype index = 0; index < lines.size(); ++index) {
        QByteArray line = lines.at(index);
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        if (line.trimmed().isEmpty() || line.startsWith('#')) {
            continue;
        }
        const QStringList fields = QString::fromUtf8(line).split(QLatin1Char('\t'));
        const auto skip = [&](const QString& why) {
            if (problems) {
                problems->append(QStringLiteral("Symbol table line %1 skipped: %2").arg(index + 1).arg(why));
            }
        };
        if (fields.size() < 2 || fields.size() > 3) {
            skip(QStringLiteral("it needs a name, a code point and optionally a glyph name, tab-separated"));
            continue;
        }
        if (!isSymbolName(fields.at(0))) {
            skip(QStringLiteral("\"%1\" is not a symbol name").arg(fields.at(0)));
            continue;
        }
        const std::optional<char32_t> codePoint = parseCodePoint(fields.at(1));
        if (!codePoint) {
            skip(QStringLiteral("\"%1\" is not a hexadecimal code point").arg(fields.at(1)));
            continue;
        }
        if (entries.contains(fields.at(0))) {
            skip(QStringLiteral("\"%1\" is named again").arg(fields.at(0)));
            continue;
        }
        entries.insert(fields.at(0), *codePoint);
    }
    return entries;
}

LinuxSymbolImages::LinuxSymbolImages(const QString& resourcesDirectory)
    : LinuxSymbolImages(resourcesDirectory + QLatin1Char('/') + QLatin1String(kSymbolTableFileName),
                        resourcesDirectory + QLatin1Char('/') + QLatin1String(kSymbolFontFileName)) {}

namespace {

/// The font at `path`, drawn from its file mapped into memory (kept open in `file` while the font is used)
/// rather than read: every helper draws symbols, and mapped pages are the file's, which the system may drop
/// and read again, while bytes read would be each helper's own. What cannot be mapped is read as before.
QRawFont mappedFont(const QString& path, std::shared_ptr<QFile>& file) {
    file = std::make_shared<QFile>(path);
    // A regular file only: opening a pipe would block.
    if (QFileInfo(path).isFile() && file->open(QIODevice::ReadOnly) && file->size() > 0) {
        if (const uchar* bytes = file->map(0, file->size())) {
            QRawFont font;
            font.loadFromData(QByteArray::fromRawData(reinterpret_cast<const char*>(bytes), file->size()),
                              kLoadPixelSize, QFont::PreferNoHinting);
            if (font.isValid()) {
                return font;
            }
        }
    }
    file.reset();
    return QRawFont(path, kLoadPixelSize, QFont::PreferNoHinting);
}

} // namespace

LinuxSymbolImages::LinuxSymbolImages(const QString& tablePath, const QString& fontPath) {
    // Fonts belong to the Qt Gui application; without one a font cannot even be opened.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        m_problems.append(QStringLiteral("No Qt Gui application: symbols cannot be drawn."));
        return;
    }
    const std::optional<QByteArray> table = readTable(tablePath, &m_problems);
    if (!table) {
        return;
    }
    if (!QFile::exists(fontPath)) {
        m_problems.append(QStringLiteral("The symbol font %1 does not exist.").arg(fontPath));
        return;
    }
    m_font = mappedFont(fontPath, m_fontFile);
    if (!m_font.isValid()) {
        m_problems.append(QStringLiteral("The symbol font %1 cannot be read.").arg(fontPath));
        return;
    }
    m_codePoints = parseSymbolTable(*table, &m_problems);
    QStringList missing;
    for (auto it = m_codePoints.cbegin(); it != m_codePoints.cend(); ++it) {
        if (!m_font.supportsCharacter(it.value())) {
            missing.append(it.key());
        }
    }
    if (!missing.isEmpty()) {
        missing.sort();
        m_problems.append(QStringLiteral("The symbol font has no glyph for: ") +
                          missing.join(QStringLiteral(", ")));
        for (const QString& name : std::as_const(missing)) {
            m_codePoints.remove(name);
        }
    }
}

ImagePtr LinuxSymbolImages::symbol(const QString& name, double pointSize, SymbolWeight weight) const {
    const auto found = m_codePoints.constFind(name);
    if (found == m_codePoints.cend() || !(pointSize > 0) || !std::isfinite(pointSize)) {
        return nullptr;
    }
    const char32_t codePoint = found.value();
    const QList<quint32> glyphs = m_font.glyphIndexesForString(QString::fromUcs4(&codePoint, 1));
    if (glyphs.size() != 1 || glyphs.first() == 0) {
        return nullptr;
    }
    const QPainterPath outline = m_font.pathForGlyph(glyphs.first());
    if (outline.isEmpty()) {
        return nullptr;
    }
    // The em box: the glyph's advance across, ascent above and descent below the baseline; fitted (centred)
    // into the unit square.
    const QList<QPointF> advances = m_font.advancesForGlyphIndexes(glyphs);
    const double width =
        advances.isEmpty() || advances.first().x() <= 0 ? kLoadPixelSize : advances.first().x();
    const double height =
        m_font.ascent() + m_font.descent() > 0 ? m_font.ascent() + m_font.descent() : kLoadPixelSize;
    const double scale = 1.0 / std::max(width, height);
    QTransform toUnit;
    toUnit.translate((1.0 - width * scale) / 2, (1.0 - height * scale) / 2);
    toUnit.scale(scale, scale);
    toUnit.translate(0, m_font.ascent());
    return std::make_shared<SymbolImage>(toUnit.map(outline), pointSize, weight);
}

QStringList LinuxSymbolImages::symbolNamesForTesting() const {
    QStringList names = m_codePoints.keys();
    names.sort();
    return names;
}

} // namespace tessly
