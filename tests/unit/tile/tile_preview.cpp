// Writes PNGs of a set of Dock tiles for a person to look at: glyphs (symbols, emoji, short text), one, four
// and five applications, every background in every mode and theme, borders, and the three badges, each drawn
// as the Dock draws the tile's content.
//
//   build-tile/tests/unit/tile/tile_preview [output folder]     (default: tile-preview in the build tree)
//
// It draws with the real Linux adapters: symbols from the icon font by the program's symbol table,
// application icons read from bundles made in a temporary folder (a numbered colour square each, so that
// order and orientation show; the third application has no bundle and shows the generic icon), and the Dock
// tile's own drawing of an image view and of a badge.
#include "model/uuid_text.h"
#include "platform/gui/system_style.h"
#include "platform/linux/dock_tile_linux.h"
#include "platform/linux/symbol_images_linux.h"
#include "platform/linux/workspace_icons_linux.h"
#include "platform/notification_center.h"
#include "platform/property_list.h"
#include "support/gui_doubles.h"
#include "support/in_memory_notification_bus.h"
#include "support/in_memory_user_defaults.h"
#include "support/recording_console.h"
#include "support/recording_helper_actions.h"
#include "support/recording_login_items.h"
#include "support/virtual_time.h"
#include "tile/dock_tile_manager.h"
#include "tile/tile_canvas.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdlib>

namespace tessly {
namespace {

using namespace tessly::testing;

/// A numbered colour square with a white dot at its top left, as PNG: an application's icon file.
QByteArray iconFile(int index) {
    static const QColor colors[] = {QColor(0, 122, 255), QColor(40, 205, 65),  QColor(255, 59, 48),
                                    QColor(255, 149, 0), QColor(175, 82, 222), QColor(90, 90, 90)};
    QImage bitmap(256, 256, QImage::Format_ARGB32_Premultiplied);
    bitmap.fill(Qt::transparent);
    {
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
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    bitmap.save(&buffer, "PNG");
    return png;
}

/// Application bundles "App 0.app" ... "App 5.app" with their icon files, in `directory`, all but
/// "App 2.app".
void makeBundles(const QString& directory) {
    for (const int i : {0, 1, 3, 4, 5}) {
        const QString contents = directory + QStringLiteral("/App %1.app/Contents").arg(i);
        QDir().mkpath(contents + QStringLiteral("/Resources"));
        (void)writePropertyListFile(
            contents + QStringLiteral("/Info.plist"),
            PlistDictionary{{"CFBundleIdentifier", QStringLiteral("com.example.app%1").arg(i)},
                            {"CFBundleIconFile", "icon.png"}},
            PlistFormat::Xml);
        QFile icon(contents + QStringLiteral("/Resources/icon.png"));
        if (icon.open(QIODevice::WriteOnly)) {
            icon.write(iconFile(i));
        }
    }
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
    LinuxSymbolImages symbols{QStringLiteral(TESSLY_RESOURCES_DIR "/symbols.tsv"),
                              QStringLiteral(TESSLY_SYMBOL_FONT)};
    LinuxWorkspaceIcons icons{QStringLiteral(TESSLY_RESOURCES_DIR "/images")};
    QString identifier;
    DockTileManager manager{store,
                            settings,
                            time,
                            tile,
                            symbols,
                            icons,
                            [this] { return identifier; },
                            home.path() + QStringLiteral("/Work.app")};

    AppFolder folder(int apps, TileStyleSettings style = {},
                     QString glyph = QStringLiteral("folder.fill")) const {
        AppFolder f;
        f.id = makeUuid();
        f.emoji = std::move(glyph);
        f.tileStyle = style;
        for (int i = 0; i < apps; ++i) {
            f.apps.append(AppItem{
                makeUuid(), QString(), QString(),
                QUrl::fromLocalFile(home.path() + QStringLiteral("/Applications/App %1.app/").arg(i))});
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
    makeBundles(preview.home.path() + QStringLiteral("/Applications"));
    for (const QString& problem : preview.symbols.problems()) {
        QTextStream(stderr) << "symbols: " << problem << '\n';
    }
    QTextStream out(stdout);
    const auto write = [&](const QImage& image, const QString& name) {
        const QString path = outputDirectory + QLatin1Char('/') + name + QStringLiteral(".png");
        image.save(path);
        out << path << '\n';
    };
    // As the Dock shows it: an image view of the tile image filling the tile.
    const auto tile = [&](const AppFolder& folder, int side = 512) {
        DockTileContent content;
        content.size = QSizeF(side, side);
        content.view = DockTileImageView{preview.manager.renderTileImage(folder)};
        return renderDockTileContent(content, QSize(side, side));
    };

    // Glyphs and application counts, in the default style.
    TileStyleSettings glyphStyle;
    glyphStyle.displayFolderIcon = true;
    Sheet contentSheet(5);
    for (const auto& [glyph, label] : {std::pair<QString, QString>{"folder.fill", "symbol-folder"},
                                       {"briefcase", "symbol-briefcase"},
                                       {"\U0001F680", "emoji-rocket"},
                                       {"\u2615", "emoji-cup"},
                                       {"Ab", "text"}}) {
        const QImage image = tile(preview.folder(0, glyphStyle, glyph));
        contentSheet.add(image, label);
        write(image, QStringLiteral("glyph-") + label);
    }
    for (const int apps : {0, 1, 4, 5}) {
        const QImage image = tile(preview.folder(apps));
        contentSheet.add(image, QStringLiteral("%1 applications").arg(apps));
        write(image, QStringLiteral("apps-%1").arg(apps));
    }
    write(contentSheet.image(), QStringLiteral("sheet-content"));

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
                backgrounds.add(tile(preview.folder(0, style), 128),
                                rawText(background) + QLatin1Char(' ') + rawText(mode));
            }
        }
        write(backgrounds.image(), QStringLiteral("sheet-backgrounds-") + rawText(theme));
    }

    // Borders, corners, opacity and a custom colour that does not parse.
    Sheet borders(5);
    TileStyleSettings style;
    style.borderEnabled = true;
    borders.add(tile(preview.folder(4, style)), "border 3");
    style.borderWidth = 0;
    borders.add(tile(preview.folder(4, style)), "border 0 (0.5 px)");
    style.borderWidth = 8;
    style.borderOpacity = 0.5;
    style.cornerRadius = 0;
    borders.add(tile(preview.folder(4, style)), "border 8, corner 0");
    TileStyleSettings custom;
    custom.backgroundStyle = TileBackground::custom;
    custom.customHex = QStringLiteral("GG8800");
    custom.backgroundMode = TileBackgroundMode::solid;
    custom.opacity = 1;
    borders.add(tile(preview.folder(1, custom)), "custom GG8800");
    custom.customHex = QStringLiteral("  #ff8800 ");
    custom.cornerRadius = 30;
    borders.add(tile(preview.folder(1, custom)), "custom ff8800, corner 30");
    write(borders.image(), QStringLiteral("sheet-borders"));

    // The three badges, as the Dock shows the content the manager gives it.
    const AppFolder folder = preview.folder(4);
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
        const QImage image = renderDockTileContent(preview.tile.contents.back(), QSize(512, 512));
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
