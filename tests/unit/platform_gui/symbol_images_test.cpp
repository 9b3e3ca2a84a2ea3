// Symbols from the table in resources/ and the icon font: every name the program asks for draws a glyph in
// black inside its square, unknown names give nothing, bold is heavier, and a missing or broken table or font
// takes the symbols away without harm.
#include "pixel_checks.h"
#include "platform/linux/symbol_images_linux.h"

#include <QFile>
#include <QRawFont>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tessly {
namespace {

using testing::drawnBounds;
using testing::opaquePixels;

const QString kSourceTable = QStringLiteral(TESSLY_SOURCE_DIR "/resources/symbols.tsv");
const QString kFont = QStringLiteral(TESSLY_SYMBOL_FONT);

/// Every symbol name the program asks for: the icon picker's list, the folder default and the badges, the
/// popup's buttons, the main window and the menu bar menu.
const QStringList kProgramSymbols = {
    // The icon picker, in its order.
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
    // The default glyph and the badges.
    "folder.fill", "nosign", "xmark.circle", "checkmark.circle",
    // The popup.
    "pin", "pin.fill", "xmark",
    // The main window and the menu bar menu.
    "magnifyingglass", "plus", "minus", "square.grid.3x1.folder.badge.plus", "folder.badge.plus",
    "chevron.right", "square.and.pencil", "checkmark.circle.fill", "app.dashed", "gearshape",
    "gearshape.fill", "square.grid.2x2", "macwindow", "info.circle.fill", "sun.max.fill", "moon.fill",
    "power"};

QImage drawn(const Image& image, int side) {
    return rasterize(image, QSize(side, side));
}

TEST(SymbolTableTest, EveryNameTheProgramUsesHasAGlyphOfTheFont) {
    ASSERT_EQ(kProgramSymbols.size(), 99 + 4 + 3 + 17);
    QFile file(kSourceTable);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << kSourceTable.toStdString();
    QStringList problems;
    const QHash<QString, char32_t> table = parseSymbolTable(file.readAll(), &problems);
    EXPECT_TRUE(problems.isEmpty()) << problems.join('\n').toStdString();

    const QRawFont font(kFont, 24);
    ASSERT_TRUE(font.isValid()) << "no symbol font at " << kFont.toStdString();
    for (const QString& name : kProgramSymbols) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_TRUE(table.contains(name));
        EXPECT_TRUE(font.supportsCharacter(table.value(name)));
    }
}

TEST(SymbolImagesTest, EveryNameDrawsBlackInsideItsSquare) {
    const LinuxSymbolImages symbols(kSourceTable, kFont);
    EXPECT_TRUE(symbols.problems().isEmpty()) << symbols.problems().join('\n').toStdString();
    for (const QString& name : kProgramSymbols) {
        SCOPED_TRACE(name.toStdString());
        const ImagePtr symbol = symbols.symbol(name, 48, SymbolWeight::regular);
        ASSERT_NE(symbol, nullptr);
        EXPECT_EQ(symbol->size(), QSizeF(48, 48));
        const QImage pixels = drawn(*symbol, 48);
        // Something is drawn, and it is no filled square: the glyph keeps the font's margin.
        EXPECT_GT(opaquePixels(pixels), 48 * 48 / 40);
        EXPECT_EQ(qAlpha(pixels.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(pixels.pixel(47, 47)), 0);
        // A template: only black, however opaque.
        for (int y = 0; y < pixels.height(); ++y) {
            for (int x = 0; x < pixels.width(); ++x) {
                const QRgb pixel = pixels.pixel(x, y);
                ASSERT_EQ(qRed(pixel) | qGreen(pixel) | qBlue(pixel), 0) << x << ", " << y;
            }
        }
    }
}

TEST(SymbolImagesTest, GlyphSitsUprightInTheMiddleOfItsEmBox) {
    const LinuxSymbolImages symbols(kSourceTable, kFont);
    // A circle glyph: centred, filling 20 of the 24 units of its em box.
    const ImagePtr circle = symbols.symbol("checkmark.circle", 120, SymbolWeight::regular);
    ASSERT_NE(circle, nullptr);
    const QRect bounds = drawnBounds(drawn(*circle, 120));
    EXPECT_NEAR(bounds.center().x(), 60, 2);
    EXPECT_NEAR(bounds.center().y(), 60, 2);
    EXPECT_NEAR(bounds.width(), 100, 3);
    EXPECT_NEAR(bounds.height(), 100, 3);

    // A flag waves from the top of its pole: much more ink in the upper third than in the lower one, where
    // only the pole is.
    const ImagePtr flag = symbols.symbol("flag", 120, SymbolWeight::regular);
    ASSERT_NE(flag, nullptr);
    const QImage flagPixels = drawn(*flag, 120);
    EXPECT_GT(opaquePixels(flagPixels, QRect(0, 0, 120, 40)),
              3 * opaquePixels(flagPixels, QRect(0, 80, 120, 40)));
}

TEST(SymbolImagesTest, BoldIsHeavierAndStaysInsideItsSquare) {
    const LinuxSymbolImages symbols(kSourceTable, kFont);
    for (const char* name : {"xmark", "checkmark.circle", "nosign"}) {
        SCOPED_TRACE(name);
        const QImage regular = drawn(*symbols.symbol(name, 96, SymbolWeight::regular), 96);
        const QImage bold = drawn(*symbols.symbol(name, 96, SymbolWeight::bold), 96);
        EXPECT_GT(opaquePixels(bold), opaquePixels(regular) * 115 / 100);
        EXPECT_TRUE(QRect(0, 0, 96, 96).contains(drawnBounds(bold)));
        EXPECT_EQ(qAlpha(bold.pixel(0, 0)), 0);
    }
}

TEST(SymbolImagesTest, UnknownNamesAndUnusableSizesGiveNothing) {
    const LinuxSymbolImages symbols(kSourceTable, kFont);
    for (const char* name : {"no.such.symbol", "", "Folder", " folder", "folder ", "folder.fill.fill", "😀"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(symbols.symbol(QString::fromUtf8(name), 48, SymbolWeight::bold), nullptr);
    }
    EXPECT_EQ(symbols.symbol("folder", 0, SymbolWeight::regular), nullptr);
    EXPECT_EQ(symbols.symbol("folder", -3, SymbolWeight::regular), nullptr);
    EXPECT_EQ(symbols.symbol("folder", std::numeric_limits<double>::quiet_NaN(), SymbolWeight::regular),
              nullptr);
    EXPECT_TRUE(symbols.symbolNames().contains("folder"));
    EXPECT_EQ(symbols.symbolNames().size(), kProgramSymbols.size());
}

TEST(SymbolTableTest, MalformedLinesAreSkippedAndNamed) {
    const QByteArray text = "# comment\n"
                            "\n"
                            "folder\te2c7\tfolder\n"
                            "crlf\te2c7\r\n"
                            "no.code.point\n"
                            "bad.hex\tzz\n"
                            "prefixed\t0xe2c7\n"
                            "signed\t+e2c7\n"
                            "surrogate\td800\n"
                            "beyond\t110000\n"
                            "zero\t0\n"
                            "has space\te2c7\n"
                            "folder\te14b\n"
                            "four\te2c7\ta\tb\n"
                            "\te2c7\n";
    QStringList problems;
    const QHash<QString, char32_t> table = parseSymbolTable(text, &problems);
    EXPECT_EQ(table.size(), 2);
    EXPECT_EQ(table.value("folder"), U'\xe2c7') << "the first entry of a name wins";
    EXPECT_EQ(table.value("crlf"), U'\xe2c7');
    ASSERT_EQ(problems.size(), 11) << problems.join('\n').toStdString();
    EXPECT_TRUE(problems.first().contains("line 5")) << problems.first().toStdString();
    EXPECT_TRUE(problems.last().contains("line 15")) << problems.last().toStdString();
}

TEST(SymbolImagesTest, MissingOrBrokenFilesTakeTheSymbolsAwayAndSaySo) {
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    const QString garbageFont = directory.filePath("broken.ttf");
    {
        QFile file(garbageFont);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
    }
    const QString hugeTable = directory.filePath("huge.tsv");
    {
        QFile file(hugeTable);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("folder\te2c7\n").repeated(kMaximumSymbolTableBytes / 12 + 1));
    }
    const struct {
        const char* what;
        QString table;
        QString font;
    } cases[] = {
        {"no table", directory.filePath("none.tsv"), kFont},
        {"a table too large", hugeTable, kFont},
        {"no font", kSourceTable, directory.filePath("none.ttf")},
        {"a font that is no font", kSourceTable, garbageFont},
        {"a directory for a font", kSourceTable, directory.path()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const LinuxSymbolImages symbols(c.table, c.font);
        EXPECT_EQ(symbols.symbol("folder.fill", 64, SymbolWeight::bold), nullptr);
        EXPECT_TRUE(symbols.symbolNames().isEmpty());
        EXPECT_FALSE(symbols.problems().isEmpty());
    }

    // The resources directory of a bundle that has neither.
    const LinuxSymbolImages empty(directory.path());
    EXPECT_EQ(empty.symbol("folder", 64, SymbolWeight::regular), nullptr);
    EXPECT_FALSE(empty.problems().isEmpty());
}

TEST(SymbolImagesTest, AGlyphTheFontLacksTakesAwayOnlyItsName) {
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    const QString table = directory.filePath("symbols.tsv");
    {
        QFile file(table);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        // A CJK ideograph: no icon font has one.
        file.write("folder\te2c7\nnowhere\t4e00\n");
    }
    const LinuxSymbolImages symbols(table, kFont);
    EXPECT_NE(symbols.symbol("folder", 32, SymbolWeight::regular), nullptr);
    EXPECT_EQ(symbols.symbol("nowhere", 32, SymbolWeight::regular), nullptr);
    EXPECT_EQ(symbols.symbolNames(), QStringList{"folder"});
    ASSERT_EQ(symbols.problems().size(), 1);
    EXPECT_TRUE(symbols.problems().first().contains("nowhere"));
}

} // namespace
} // namespace tessly
