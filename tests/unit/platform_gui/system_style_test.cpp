// The bold system font: emoji that are pictures by default come out in colour, other text stays in the text
// font.
#include "platform/gui/system_style.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace tessly {
namespace {

/// How many pixels of `text`, drawn in black with the font chosen for it, are neither grey nor transparent.
int colouredPixels(const QString& text) {
    QImage image(200, 120, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setFont(boldSystemFont(48, text));
        painter.setPen(Qt::black);
        painter.drawText(image.rect(), Qt::AlignCenter, text);
    }
    int coloured = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            coloured += c.alpha() > 0 && c.hsvSaturation() > 60 ? 1 : 0;
        }
    }
    return coloured;
}

TEST(BoldSystemFontTest, EmojiShownAsPicturesComeOutInColourAndTextDoesNot) {
    // U+2615 is in the text font too, as an outline; U+1F680 only in the emoji font.
    EXPECT_GT(colouredPixels(QString::fromUtf8("\u2615")), 30) << "in outline, every pixel would be black";
    EXPECT_GT(colouredPixels(QString::fromUtf8("\U0001F680")), 30);
    EXPECT_EQ(colouredPixels("Ab 12"), 0);
    EXPECT_TRUE(boldSystemFont(12).bold());
    EXPECT_NE(boldSystemFont(12, u"12").families().value(0), "Noto Color Emoji")
        << "digits have emoji forms too, but plain digits are text";
}

} // namespace
} // namespace tessly
