// Draws the two pictures of the onboarding's workflow step: a folder's popup opening above its tile in the
// Dock (PopupDock.png) and in the middle of the screen (PopupCenter.png), 432 x 270 pixels each (twice the
// size they are shown at).
//
//     g++ -std=c++20 -fPIC draw_onboarding_images.cpp $(pkg-config --cflags --libs Qt6Gui) -o
//     draw_onboarding_images QT_QPA_PLATFORM=offscreen ./draw_onboarding_images ../images
//
// Plain shapes, so that the artwork is the project's own and can be drawn again at any time.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>

namespace {

constexpr int kWidth = 432;
constexpr int kHeight = 270;

// The application colours of the little tiles, the same in both pictures.
const QColor kAppColors[] = {QColor(0xFF, 0x6B, 0x5E), QColor(0xFF, 0xB3, 0x40), QColor(0x4C, 0xC8, 0x6A),
                             QColor(0x3D, 0x9B, 0xFF), QColor(0x9B, 0x6B, 0xE8), QColor(0x2F, 0xC4, 0xC0)};

void drawAppTile(QPainter& painter, const QRectF& rect, const QColor& color) {
    QLinearGradient fill(rect.topLeft(), rect.bottomLeft());
    fill.setColorAt(0, color.lighter(118));
    fill.setColorAt(1, color.darker(108));
    QPainterPath shape;
    const double radius = rect.width() * 0.24;
    shape.addRoundedRect(rect, radius, radius);
    painter.fillPath(shape, fill);
    // A simple white mark in the middle: something to open, saying nothing about what.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 210));
    const double mark = rect.width() * 0.34;
    painter.drawEllipse(rect.center(), mark / 2, mark / 2);
}

/// The folder's own tile: a light plate with four miniature applications.
void drawFolderTile(QPainter& painter, const QRectF& rect) {
    QPainterPath plate;
    plate.addRoundedRect(rect, rect.width() * 0.24, rect.width() * 0.24);
    painter.fillPath(plate, QColor(255, 255, 255, 235));
    const double pad = rect.width() * 0.16;
    const double gap = rect.width() * 0.08;
    const double cell = (rect.width() - 2 * pad - gap) / 2;
    for (int i = 0; i < 4; ++i) {
        const QRectF r(rect.left() + pad + (i % 2) * (cell + gap), rect.top() + pad + (i / 2) * (cell + gap),
                       cell, cell);
        QPainterPath mini;
        mini.addRoundedRect(r, cell * 0.25, cell * 0.25);
        painter.fillPath(mini, kAppColors[i]);
    }
}

/// The desktop, its menu bar and the Dock with the folder's tile; returns that tile's rectangle.
QRectF drawDesktop(QPainter& painter) {
    QLinearGradient sky(0, 0, kWidth, kHeight);
    sky.setColorAt(0, QColor(0x5B, 0x8D, 0xD6));
    sky.setColorAt(0.55, QColor(0x8A, 0x7F, 0xD1));
    sky.setColorAt(1, QColor(0xE5, 0x9A, 0x8C));
    painter.fillRect(QRect(0, 0, kWidth, kHeight), sky);
    QRadialGradient glow(QPointF(kWidth * 0.8, kHeight * 0.15), kWidth * 0.5);
    glow.setColorAt(0, QColor(255, 255, 255, 70));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    painter.fillRect(QRect(0, 0, kWidth, kHeight), glow);

    painter.fillRect(QRectF(0, 0, kWidth, 14), QColor(255, 255, 255, 90));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(30, 30, 40, 150));
    for (int i = 0; i < 4; ++i) {
        painter.drawRoundedRect(QRectF(12 + i * 34, 5, i == 0 ? 12 : 24, 4), 2, 2);
    }

    constexpr int kTiles = 7;
    constexpr double kTile = 30;
    constexpr double kGap = 8;
    const double dockWidth = kTiles * kTile + (kTiles - 1) * kGap + 20;
    const QRectF dock((kWidth - dockWidth) / 2, kHeight - kTile - 22, dockWidth, kTile + 14);
    QPainterPath dockShape;
    dockShape.addRoundedRect(dock, 12, 12);
    painter.fillPath(dockShape, QColor(255, 255, 255, 95));
    painter.strokePath(dockShape, QPen(QColor(255, 255, 255, 130), 1));
    QRectF folderTile;
    int app = 0;
    for (int i = 0; i < kTiles; ++i) {
        const QRectF r(dock.left() + 10 + i * (kTile + kGap), dock.top() + 7, kTile, kTile);
        if (i == 4) {
            drawFolderTile(painter, r);
            folderTile = r;
        } else {
            drawAppTile(painter, r, kAppColors[app++ % 6]);
        }
    }
    // The running indicator under the folder's tile.
    painter.setBrush(QColor(255, 255, 255, 220));
    painter.drawEllipse(QPointF(folderTile.center().x(), dock.bottom() - 3), 1.6, 1.6);
    return folderTile;
}

/// The popup's plate with a grid of the folder's applications; the outline is given.
void drawPopup(QPainter& painter, const QPainterPath& outline, const QRectF& grid, int columns, double tile) {
    for (int i = 0; i < 3; ++i) {
        painter.fillPath(outline.translated(0, 2 + i * 2), QColor(0, 0, 0, 18));
    }
    painter.fillPath(outline, QColor(250, 250, 252, 240));
    painter.strokePath(outline, QPen(QColor(255, 255, 255, 200), 1));
    const double gapX = columns > 1 ? (grid.width() - columns * tile) / (columns - 1) : 0;
    for (int i = 0; i < 6; ++i) {
        const int c = i % columns;
        const int r = i / columns;
        const QRectF cell(grid.left() + c * (tile + gapX), grid.top() + r * (tile + 14), tile, tile);
        drawAppTile(painter, cell, kAppColors[i]);
        painter.fillRect(QRectF(cell.left() + tile * 0.15, cell.bottom() + 4, tile * 0.7, 3),
                         QColor(60, 60, 70, 90));
    }
}

QImage popupAboveDock() {
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF tile = drawDesktop(painter);
    constexpr double kPopupWidth = 150;
    constexpr double kPopupHeight = 104;
    constexpr double kArrow = 9;
    const QRectF plate(tile.center().x() - kPopupWidth / 2, tile.top() - 16 - kArrow - kPopupHeight,
                       kPopupWidth, kPopupHeight);
    QPainterPath outline;
    outline.addRoundedRect(plate, 14, 14);
    QPainterPath arrow;
    arrow.moveTo(tile.center().x() - kArrow, plate.bottom() - 1);
    arrow.lineTo(tile.center().x(), plate.bottom() + kArrow);
    arrow.lineTo(tile.center().x() + kArrow, plate.bottom() - 1);
    arrow.closeSubpath();
    outline = outline.united(arrow);
    drawPopup(painter, outline, plate.adjusted(18, 16, -18, -12), 3, 28);
    return image;
}

QImage popupInCenter() {
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    drawDesktop(painter);
    constexpr double kPopupWidth = 190;
    constexpr double kPopupHeight = 124;
    const QRectF plate((kWidth - kPopupWidth) / 2, (kHeight - 40 - kPopupHeight) / 2 + 4, kPopupWidth,
                       kPopupHeight);
    QPainterPath outline;
    outline.addRoundedRect(plate, 16, 16);
    drawPopup(painter, outline, plate.adjusted(24, 22, -24, -14), 3, 34);
    return image;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString directory = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(directory);
    const bool saved = popupAboveDock().save(directory + QStringLiteral("/PopupDock.png")) &&
                       popupInCenter().save(directory + QStringLiteral("/PopupCenter.png"));
    if (!saved) {
        std::fprintf(stderr, "draw_onboarding_images: cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
