// Writes PNGs of a set of Dock tiles for a person to look at: glyphs (a symbol, an emoji, short text), one,
// four and five applications, every background in every mode, the border, and the three badges as the Dock
// shows them.
//
//   build-tile/tests/unit/tile/tile_preview [output folder]     (default: tile-preview in the build tree)
//
// Symbols and icons are simple stand-ins drawn here: a template per badge symbol and the folder symbol, and
// coloured rounded squares for application icons.
#include "model/uuid_text.h"
#include "platform/gui/system_style.h"
#include "platform/notification_center.h"
#include "support/gui_doubles.h"
#include "support/in_memory_notification_bus.h"
#include "support/in_memory_user_defaults.h"
#include "support/recording_console.h"
#include "support/recording_helper_actions.h"
#include "support/recording_login_items.h"
#include "support/virtual_time.h"
#include "tile/dock_tile_manager.h"
#include "tile/tile_canvas.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdlib>

namespace tessly {
namespace {

using namespace tessly::testing;

/// Template images (black where the shape is) for the symbols a tile uses.
class PreviewSymbols final : public SymbolImages {
public:
    ImagePtr symbol(const QString& name, double pointSize, SymbolWeight) const override {
        const int side = std::max(1, static_cast<int>(std::ceil(pointSize)));
        QImage bitmap(side, side, QImage::Format_ARGB32_Premultiplied);
        bitmap.fill(Qt::transparent);
        QPainter painter(&bitmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(side / 100.0, side / 100.0);
        QPen pen(Qt::black, 9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        if (name == QLatin1StringView("folder.fill")) {
            QPainterPath folder;
            folder.setFillRule(Qt::WindingFill);
            folder.addRoundedRect(QRectF(6, 28, 88, 60), 8, 8);
            folder.addRoundedRect(QRectF(6, 18, 38, 20), 6, 6);
            painter.fillPath(folder.simplified(), Qt::black);
        } else if (name == QLatin1StringView("checkmark.circle")) {
            painter.setPen(pen);
            painter.drawEllipse(QRectF(8, 8, 84, 84));
            painter.drawPolyline(QPolygonF({QPointF(30, 52), QPointF(44, 66), QPointF(70, 36)}));
        } else if (name == QLatin1StringView("xmark.circle")) {
            painter.setPen(pen);
            painter.drawEllipse(QRectF(8, 8, 84, 84));
            painter.drawLine(QPointF(35, 35), QPointF(65, 65));
            painter.drawLine(QPointF(65, 35), QPointF(35, 65));
        } else if (name == QLatin1StringView("nosign")) {
            painter.setPen(pen);
            painter.drawEllipse(QRectF(8, 8, 84, 84));
            painter.drawLine(QPointF(22, 78), QPointF(78, 22));
        } else {
            return nullptr;
        }
        return makeBitmapImage(std::move(bitmap));
    }
};

/// Application icons: a rounded square of a colour per application, with a white dot to show its orientation.
class PreviewIcons final : public WorkspaceIcons {
public:
    ImagePtr iconForFile(const QString& path) const override {
        static const QColor colors[] = {QColor(0, 122, 255), QColor(40, 205, 65),  QColor(255, 59, 48),
                                        QColor(255, 149, 0), QColor(175, 82, 222), QColor(90, 90, 90)};
        const int index = path.section(QLatin1Char(' '), -1).section(QLatin1Char('.'), 0, 0).toInt();
        QImage bitmap(256, 256, QImage::Format_ARGB32_Premultiplied);
        bitmap.fill(Qt::transparent);
        QPainter painter(&bitmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(colors[index % 6]);
        painter.drawRoundedRect(QRectF(16, 16, 224, 224), 52, 52);
        painter.setBrush(Qt::white);
        painter.drawEllipse(QRectF(40, 40, 40, 40));
        painter.setPen(Qt::white);
        QFont font = boldSystemFont(96);
        font.setPixelSize(110);
        painter.setFont(font);
        painter.drawText(QRectF(16, 16, 224, 224), Qt::AlignCenter, QString::number(index));
        return makeBitmapImage(std::move(bitmap));
    }
    bool setIcon(const Image&, const QString&) override { return true; }
};

/// The Dock's drawing of a badge's content: the black plate and the tinted symbol.
QImage drawBadge(const DockTileBadgeView& badge, QSizeF size) {
    QImage image(size.toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    PainterTileCanvas canvas(painter, QRectF(QPointF(0, 0), size), size);
    canvas.fillRoundedRect(badge.plateFrame, badge.plateCornerRadius, PlateFill{{badge.plateColor}});
    if (badge.symbol) {
        canvas.drawTintedImage(*badge.symbol, badge.symbolFrame, badge.symbolTint);
    }
    return image;
}

struct Preview {
    QTemporaryDir home;
    InMemoryUserDefaults defaults;
    NotificationCenter center;
    VirtualTime time;
    InMemoryNotificationBus bus;
    InMemoryDistributedNotificationCenter distributed{bus, time};
    RecordingLoginItems loginItems;
    RecordingConsole console;
    RecordingHelperActions helpers;
    AppSettings settings{defaults,
                         center,
                         distributed,
                         loginItems,
                         console,
                         Paths(home.path()),
                         QStringLiteral("app.tessly.Tessly"),
                         time};
    FolderStore store{Paths(home.path()), helpers, center, time, time, console};
    RecordingDockTile tile;
    PreviewSymbols symbols;
    PreviewIcons icons;
    QString identifier;
    DockTileManager manager{store,
                            settings,
                            time,
                            tile,
                            symbols,
                            icons,
                            [this] { return identifier; },
                            home.path() + QStringLiteral("/Work.app")};

    static AppFolder folder(int apps, TileStyleSettings style = {},
                            QString glyph = QStringLiteral("folder.fill")) {
        AppFolder f;
        f.id = makeUuid();
        f.emoji = std::move(glyph);
        f.tileStyle = style;
        for (int i = 0; i < apps; ++i) {
            f.apps.append(AppItem{makeUuid(), QString(), QString(),
                                  QUrl::fromLocalFile(QStringLiteral("/Applications/App %1.app/").arg(i))});
        }
        return f;
    }
};

/// Sheets of tiles side by side, on a mid-grey ground like a Dock's, with a label under each.
class Sheet {
public:
    explicit Sheet(int columns, int cell = 200) : m_columns(columns), m_cell(cell) {}

    void add(const QImage& tile, const QString& label) { m_tiles.append({tile, label}); }

    [[nodiscard]] QImage image() const {
        const int rows = static_cast<int>((m_tiles.size() + m_columns - 1) / m_columns);
        QImage sheet(m_columns * m_cell, rows * (m_cell + 24), QImage::Format_ARGB32_Premultiplied);
        sheet.fill(QColor(120, 120, 128));
        QPainter painter(&sheet);
        painter.setFont(boldSystemFont(m_cell < 160 ? 8 : 11));
        for (qsizetype i = 0; i < m_tiles.size(); ++i) {
            const int x = static_cast<int>(i % m_columns) * m_cell;
            const int y = static_cast<int>(i / m_columns) * (m_cell + 24);
            painter.drawImage(QRect(x, y, m_cell, m_cell), m_tiles[i].first);
            painter.setPen(Qt::white);
            painter.drawText(QRect(x, y + m_cell, m_cell, 24), Qt::AlignCenter, m_tiles[i].second);
        }
        return sheet;
    }

private:
    int m_columns;
    int m_cell;
    QList<std::pair<QImage, QString>> m_tiles;
};

int run(const QString& outputDirectory) {
    QDir().mkpath(outputDirectory);
    Preview preview;
    QTextStream out(stdout);
    const auto write = [&](const QImage& image, const QString& name) {
        const QString path = outputDirectory + QLatin1Char('/') + name + QStringLiteral(".png");
        image.save(path);
        out << path << '\n';
    };
    const auto tile = [&](const AppFolder& folder, int side = 512) {
        return rasterize(*preview.manager.renderTileImage(folder), QSize(side, side));
    };

    // Glyphs and application counts, in the default style.
    TileStyleSettings glyphStyle;
    glyphStyle.displayFolderIcon = true;
    Sheet content(4);
    for (const auto& [glyph, label] : {std::pair<QString, QString>{"folder.fill", "symbol"},
                                       {"\u2615", "emoji (cup)"},
                                       {"\U0001F680", "emoji (rocket)"},
                                       {"Ab", "text"}}) {
        const QImage image = tile(Preview::folder(0, glyphStyle, glyph));
        content.add(image, label);
        write(image, QStringLiteral("glyph-") + label.section(' ', 0, 0) +
                         (label.contains("rocket") ? "-rocket" : ""));
    }
    for (const int apps : {0, 1, 4, 5}) {
        const QImage image = tile(Preview::folder(apps));
        content.add(image, QStringLiteral("%1 applications").arg(apps));
        write(image, QStringLiteral("apps-%1").arg(apps));
    }
    write(content.image(), QStringLiteral("sheet-content"));

    // Every background in every mode, glass in both themes.
    for (const AppThemeMode theme : {AppThemeMode::dark, AppThemeMode::light}) {
        preview.settings.setAppTheme(theme);
        Sheet backgrounds(11, 128);
        for (const TileBackgroundMode mode : allCases<TileBackgroundMode>()) {
            for (const TileBackground background : allCases<TileBackground>()) {
                TileStyleSettings style;
                style.backgroundStyle = background;
                style.backgroundMode = mode;
                style.displayFolderIcon = true;
                if (background == TileBackground::custom) {
                    style.customHex = QStringLiteral("#FF8800");
                }
                backgrounds.add(tile(Preview::folder(0, style), 128),
                                rawText(background) + QLatin1Char(' ') + rawText(mode));
            }
        }
        write(backgrounds.image(), QStringLiteral("sheet-backgrounds-") + rawText(theme));
    }

    // Borders, corners, opacity and a custom colour that does not parse.
    Sheet borders(5);
    TileStyleSettings style;
    style.borderEnabled = true;
    borders.add(tile(Preview::folder(4, style)), "border 3");
    style.borderWidth = 0;
    borders.add(tile(Preview::folder(4, style)), "border 0 (0.5 px)");
    style.borderWidth = 8;
    style.borderOpacity = 0.5;
    style.cornerRadius = 0;
    borders.add(tile(Preview::folder(4, style)), "border 8, corner 0");
    TileStyleSettings custom;
    custom.backgroundStyle = TileBackground::custom;
    custom.customHex = QStringLiteral("GG8800");
    custom.backgroundMode = TileBackgroundMode::solid;
    custom.opacity = 1;
    borders.add(tile(Preview::folder(1, custom)), "custom GG8800");
    custom.customHex = QStringLiteral("  #ff8800 ");
    custom.cornerRadius = 30;
    borders.add(tile(Preview::folder(1, custom)), "custom ff8800, corner 30");
    write(borders.image(), QStringLiteral("sheet-borders"));

    // The three badges, as the Dock shows the content the manager gives it.
    const AppFolder folder = Preview::folder(4);
    preview.store.addFolder(folder);
    preview.identifier = uuidText(folder.id);
    preview.tile.tileSize = QSizeF(512, 512);
    Sheet badges(3);
    for (const auto& [text, color] : {std::pair<QString, QColor>{"ON", systemColor(SystemColor::green)},
                                      {"OFF", systemColor(SystemColor::red)},
                                      {"DELETE", systemColor(SystemColor::red)}}) {
        preview.manager.showBadge(text, color, 2.0);
        preview.time.runDue();
        const auto* badge = std::get_if<DockTileBadgeView>(&preview.tile.contents.back().view);
        if (!badge) {
            return 1;
        }
        const QImage image = drawBadge(*badge, preview.tile.tileSize);
        badges.add(image, text);
        write(image, QStringLiteral("badge-") + text.toLower());
    }
    write(badges.image(), QStringLiteral("sheet-badges"));
    return 0;
}

} // namespace
} // namespace tessly

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    return tessly::run(arguments.size() > 1 ? arguments[1] : QStringLiteral(TESSLY_PREVIEW_DIR));
}
