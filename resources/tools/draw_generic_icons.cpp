// Draws the generic icons of resources/images: an application, a document and a folder, each an icns file of
// the same drawing at 16, 32, 64, 128, 256 and 512 pixels square. Every size of its own: a popup or a tile
// draws an icon at a fraction of 512 pixels, and decoding the one it needs is quick and keeps little.
//
//     g++ -std=c++20 -fPIC draw_generic_icons.cpp $(pkg-config --cflags --libs Qt6Gui) -o draw_generic_icons
//     QT_QPA_PLATFORM=offscreen ./draw_generic_icons ../images
//
// Plain shapes, so that the artwork is the project's own and can be drawn again at any time.
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtEndian>

#include <cstdio>
#include <functional>

namespace {

constexpr int kSide = 512;

// Drawn in the units of the 512-pixel canvas, scaled to `side`.
QImage canvas(int side) {
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void prepare(QPainter& painter, int side) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(side / double(kSide), side / double(kSide));
}

QImage application(int side) {
    QImage image = canvas(side);
    QPainter painter(&image);
    prepare(painter, side);
    const QRectF plate(50, 50, 412, 412);
    QLinearGradient fill(plate.topLeft(), plate.bottomLeft());
    fill.setColorAt(0, QColor(176, 182, 192));
    fill.setColorAt(1, QColor(112, 118, 130));
    QPainterPath outline;
    outline.addRoundedRect(plate, 92, 92);
    painter.fillPath(outline, fill);
    painter.setPen(QPen(QColor(0, 0, 0, 40), 4));
    painter.drawPath(outline);

    // A circle, a square and a triangle: something to run, saying nothing about what.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 235));
    painter.drawEllipse(QRectF(128, 128, 128, 128));
    painter.drawRoundedRect(QRectF(276, 276, 112, 112), 14, 14);
    QPainterPath triangle;
    triangle.moveTo(332, 124);
    triangle.lineTo(396, 236);
    triangle.lineTo(268, 236);
    triangle.closeSubpath();
    painter.drawPath(triangle);
    painter.setBrush(QColor(255, 255, 255, 150));
    painter.drawRoundedRect(QRectF(128, 284, 128, 28), 14, 14);
    painter.drawRoundedRect(QRectF(128, 336, 96, 28), 14, 14);
    return image;
}

QImage document(int side) {
    QImage image = canvas(side);
    QPainter painter(&image);
    prepare(painter, side);
    const double left = 96, top = 40, right = 416, bottom = 472, fold = 96;
    QPainterPath page;
    page.moveTo(left + 16, top);
    page.lineTo(right - fold, top);
    page.lineTo(right, top + fold);
    page.lineTo(right, bottom - 16);
    page.quadTo(right, bottom, right - 16, bottom);
    page.lineTo(left + 16, bottom);
    page.quadTo(left, bottom, left, bottom - 16);
    page.lineTo(left, top + 16);
    page.quadTo(left, top, left + 16, top);
    page.closeSubpath();
    painter.fillPath(page, QColor(250, 250, 252));
    painter.setPen(QPen(QColor(150, 154, 162), 6));
    painter.drawPath(page);

    QPainterPath corner;
    corner.moveTo(right - fold, top);
    corner.lineTo(right - fold, top + fold - 12);
    corner.quadTo(right - fold, top + fold, right - fold + 12, top + fold);
    corner.lineTo(right, top + fold);
    corner.closeSubpath();
    painter.fillPath(corner, QColor(222, 224, 230));
    painter.drawPath(corner);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(196, 200, 208));
    for (int line = 0; line < 6; ++line) {
        const double width = line == 5 ? 120 : 224;
        painter.drawRoundedRect(QRectF(144, 200 + line * 40, width, 14), 7, 7);
    }
    return image;
}

QImage folder(int side) {
    QImage image = canvas(side);
    QPainter painter(&image);
    prepare(painter, side);
    QPainterPath back;
    back.setFillRule(Qt::WindingFill);
    back.addRoundedRect(QRectF(40, 104, 432, 320), 28, 28);
    back.addRoundedRect(QRectF(40, 80, 184, 80), 24, 24);
    painter.fillPath(back.simplified(), QColor(84, 150, 214));

    const QRectF front(40, 160, 432, 280);
    QLinearGradient fill(front.topLeft(), front.bottomLeft());
    fill.setColorAt(0, QColor(132, 190, 240));
    fill.setColorAt(1, QColor(100, 166, 228));
    QPainterPath body;
    body.addRoundedRect(front, 28, 28);
    painter.fillPath(body, fill);
    return image;
}

QByteArray bigEndian(quint32 value) {
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

// An icns file of PNG entries, one per size.
QByteArray icns(const std::function<QImage(int)>& draw) {
    const std::pair<const char*, int> entries[] = {{"icp4", 16},  {"icp5", 32},  {"icp6", 64},
                                                   {"ic07", 128}, {"ic08", 256}, {"ic09", 512}};
    QByteArray body;
    for (const auto& [type, side] : entries) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!draw(side).save(&buffer, "PNG", 0)) {
            return {};
        }
        body += QByteArray(type) + bigEndian(8 + png.size()) + png;
    }
    return "icns" + bigEndian(8 + body.size()) + body;
}

bool write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return !bytes.isEmpty() && file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    const bool written = write(out.filePath("GenericApplicationIcon.icns"), icns(application)) &&
                         write(out.filePath("GenericDocumentIcon.icns"), icns(document)) &&
                         write(out.filePath("GenericFolderIcon.icns"), icns(folder));
    if (!written) {
        std::fprintf(stderr, "Cannot write the icons into %s\n", qPrintable(out.absolutePath()));
        return 1;
    }
    return 0;
}
