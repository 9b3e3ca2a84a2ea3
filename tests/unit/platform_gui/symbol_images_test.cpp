// Symbols from the table in resources/ and the icon font: every name the program asks for draws a glyph in
// black, upright, inside its square; unknown names give nothing; bold is heavier; a missing or broken table
// or font takes the symbols away, and a bad line only its own.
#include "platform/linux/symbol_images_linux.h"

#include <QFile>
#include <QImage>
#include <QRawFont>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tessly {
namespace {

const QString kTable = QStringLiteral(TESSLY_SOURCE_DIR "/resources/symbols.tsv");
const QString kFont = QStringLiteral(TESSLY_SYMBOL_FONT);

/// Every symbol name the program asks for: the icon picker's list, the folder default and the badges, the
/// popup's buttons, the main window and the menu bar menu.
const QStringList kProgramSymbols = {
    "folder", "briefcase", "hammer", "wrench.and.screwdriver", "music.note", "music.mic", "books.vertical",
    "paintpalette", "leaf", "bolt", "globe", "house", "gamecontroller", "message", "camera", "target", "key",
    "film", "flask", "laptopcomputer", "desktopcomputer", "keyboard", "printer", "scanner", "wifi",
    "antenna.radiowaves.left.and.right", "headphones", "speaker.wave.2", "mic", "video", "tv", "display",
    "cpu", "memorychip", "battery.100", "lock", "shield", "bell", "clock", "calendar", "map", "location",
    "car", "tram", "airplane", "bicycle", "figure.walk", "figure.run", "heart", "cross.case", "pills",
    "stethoscope", "pawprint", "sun.max", "moon", "cloud", "cloud.rain", "snowflake", "flame", "drop", "gift",
    "tag", "cart", "doc", "doc.text", "doc.richtext", "doc.plaintext", "doc.on.doc", "archivebox", "tray",
    "shippingbox", "suitcase.rolling", "backpack", "menucard", "ticket", "creditcard", "banknote",
    "chart.bar", "chart.pie", "waveform", "waveform.path.ecg", "lightbulb", "atom", "star", "flag",
    "bookmark", "paperclip", "link", "person", "person.2", "person.3", "checkmark.seal", "rosette",
    "bubble.left", "bubble.right", "phone", "envelope", "lock.doc", "photo",
    // The default glyph, the badges, the popup.
    "folder.fill", "nosign", "xmark.circle", "checkmark.circle", "pin", "pin.fill", "xmark",
    // The main window and the menu bar menu.
    "magnifyingglass", "plus", "minus", "square.grid.3x1.folder.badge.plus", "folder.badge.plus",
    "chevron.left", "chevron.right", "square.and.pencil", "checkmark.circle.fill", "app.dashed", "gearshape",
    "gearshape.fill", "square.grid.2x2", "macwindow", "info.circle.fill", "sun.max.fill", "moon.fill",
    "power"};

QImage drawn(const ImagePtr& symbol, int side) {
    return symbol ? rasterize(*symbol, QSize(side, side)) : QImage();
}

int inkIn(const QImage& image, const QRect& area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            count += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
        }
    }
    return count;
}

QRect inkBounds(const QImage& image) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) > 0) {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
}

void writeFile(const QString& path, const QByteArray& data) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

TEST(SymbolImagesTest, EveryNameTheProgramUsesIsAGlyphOfTheFontDrawnInBlack) {
    const QRawFont font(kFont, 24);
    ASSERT_TRUE(font.isValid()) << "no symbol font at " << kFont.toStdString();
    QFile file(kTable);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QHash<QString, char32_t> table = parseSymbolTable(file.readAll(), nullptr);

    const LinuxSymbolImages symbols(kTable, kFont);
    EXPECT_TRUE(symbols.problems().isEmpty()) << symbols.problems().join('\n').toStdString();
    EXPECT_EQ(symbols.symbolNamesForTesting().size(), kProgramSymbols.size());
    for (const QString& name : kProgramSymbols) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_TRUE(font.supportsCharacter(table.value(name)));
        const ImagePtr symbol = symbols.symbol(name, 48, SymbolWeight::regular);
        ASSERT_NE(symbol, nullptr);
        EXPECT_EQ(symbol->size(), QSizeF(48, 48));
        const QImage pixels = drawn(symbol, 48);
        // Some ink, but no filled square: the glyph keeps the font's margin. Black only, however opaque.
        EXPECT_GT(inkIn(pixels, pixels.rect()), 48 * 48 / 40);
        EXPECT_EQ(qAlpha(pixels.pixel(0, 0)) + qAlpha(pixels.pixel(47, 47)), 0);
        for (int i = 0; i < 48 * 48; ++i) {
            ASSERT_EQ(pixels.pixel(i % 48, i / 48) & 0xFFFFFF, 0u);
        }
    }
}

TEST(SymbolImagesTest, GlyphSitsUprightInTheMiddleOfItsSquareAndBoldIsHeavier) {
    const LinuxSymbolImages symbols(kTable, kFont);
    // The circle fills 20 of the 24 units of the em box, centred.
    const QRect circle =
        inkBounds(drawn(symbols.symbol("checkmark.circle", 120, SymbolWeight::regular), 120));
    EXPECT_NEAR(circle.center().x(), 60, 2);
    EXPECT_NEAR(circle.center().y(), 60, 2);
    EXPECT_NEAR(circle.width(), 100, 3);
    // A flag waves from the top of its pole: in the lower third there is only the pole.
    const QImage flag = drawn(symbols.symbol("flag", 120, SymbolWeight::regular), 120);
    EXPECT_GT(inkIn(flag, QRect(0, 0, 120, 40)), 3 * inkIn(flag, QRect(0, 80, 120, 40)));

    for (const char* name : {"xmark", "nosign"}) {
        SCOPED_TRACE(name);
        const QImage regular = drawn(symbols.symbol(name, 96, SymbolWeight::regular), 96);
        const QImage bold = drawn(symbols.symbol(name, 96, SymbolWeight::bold), 96);
        EXPECT_GT(inkIn(bold, bold.rect()), inkIn(regular, regular.rect()) * 115 / 100);
        EXPECT_EQ(qAlpha(bold.pixel(0, 0)), 0);
    }
}

TEST(SymbolImagesTest, UnknownNamesAndUnusableSizesGiveNothing) {
    const LinuxSymbolImages symbols(kTable, kFont);
    for (const char* name : {"no.such.symbol", "", "Folder", " folder", "folder.fill.fill", "😀"}) {
        EXPECT_EQ(symbols.symbol(QString::fromUtf8(name), 48, SymbolWeight::bold), nullptr) << name;
    }
    for (double size : {0.0, -3.0, std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_EQ(symbols.symbol("folder", size, SymbolWeight::regular), nullptr) << size;
    }
}

TEST(SymbolImagesTest, ABadLineOrAMissingGlyphTakesAwayOnlyItsName) {
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    writeFile(directory.filePath("symbols.tsv"), "# comment\n\n"
                                                 "folder\te2c7\tfolder\n"
                                                 "crlf\te2c7\r\n"
                                                 "no.code.point\n"
                                                 "prefixed\t0xe2c7\n"
                                                 "surrogate\td800\n"
                                                 "has space\te2c7\n"
                                                 "folder\te14b\n"
                                                 "cjk\t4e00\n");
    const LinuxSymbolImages symbols(directory.filePath("symbols.tsv"), kFont);
    EXPECT_EQ(symbols.symbolNamesForTesting(), (QStringList{"crlf", "folder"}));
    // Four lines skipped, each by its number, and the glyph the icon font has not.
    ASSERT_EQ(symbols.problems().size(), 6) << symbols.problems().join('\n').toStdString();
    EXPECT_TRUE(symbols.problems().at(0).contains("line 5"));
    EXPECT_TRUE(symbols.problems().at(4).contains("line 9")) << "a second entry of a name is skipped";
    EXPECT_TRUE(symbols.problems().at(5).contains("cjk"));
}

TEST(SymbolImagesTest, MissingOrBrokenFilesTakeTheSymbolsAwayAndSaySo) {
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    writeFile(directory.filePath("broken.ttf"), QByteArray(4096, 'x'));
    writeFile(directory.filePath("huge.tsv"),
              QByteArray("folder\te2c7\n").repeated(kMaximumSymbolTableBytes / 12 + 1));
    const std::pair<QString, QString> cases[] = {
        {directory.filePath("none.tsv"), kFont},
        {directory.filePath("huge.tsv"), kFont},
        {kTable, directory.filePath("none.ttf")},
        {kTable, directory.filePath("broken.ttf")},
        {kTable, directory.path()},
    };
    for (const auto& [table, font] : cases) {
        SCOPED_TRACE((table + " " + font).toStdString());
        const LinuxSymbolImages symbols(table, font);
        EXPECT_EQ(symbols.symbol("folder.fill", 64, SymbolWeight::bold), nullptr);
        EXPECT_FALSE(symbols.problems().isEmpty());
    }
}

} // namespace
} // namespace tessly
