#include "tile/dock_tile_manager.h"

#include "model/uuid_text.h"
#include "tile/tile_geometry.h"
#include "tile/tile_image.h"

#include <QPointer>
#include <cmath>

namespace tessly {

namespace {

/// The settings as the tile reads them at a draw; once they are gone (an image kept past the end of the
/// process's objects), no extra padding and the dark theme.
TileImage::SettingsSource liveSettings(QPointer<const AppSettings> settings) {
    return [settings = std::move(settings)]() -> TileDrawSettings {
        if (!settings) {
            return {};
        }
        return {settings->tileIconPadding(), settings->appTheme()};
    };
}

} // namespace

DockTileManager::DockTileManager(const FolderStore& store, const AppSettings& settings, MainQueue& queue,
                                 DockTile& tile, const SymbolImages& symbols, WorkspaceIcons& icons,
                                 FolderIdentifierSource folderIdentifier, QString bundlePath, QObject* parent)
    : QObject(parent), m_store(store), m_settings(&settings), m_queue(queue), m_tile(tile),
      m_symbols(symbols), m_icons(icons), m_folderIdentifier(std::move(folderIdentifier)),
      m_bundlePath(std::move(bundlePath)) {}

DockTileManager::~DockTileManager() = default;

void DockTileManager::refreshTile() {
    const std::optional<QString> identifier = m_folderIdentifier ? m_folderIdentifier() : std::nullopt;
    const std::optional<QUuid> folderId = identifier ? parseUuid(*identifier) : std::nullopt;
    const std::optional<AppFolder> folder = folderId ? m_store.folder(*folderId) : std::nullopt;
    if (folder) {
        updateTile(*folder);
        return;
    }
    // The folder left the store (or this is no helper): keep showing what was there.
    if (m_lastIcon) {
        apply(m_lastIcon);
    }
}

void DockTileManager::updateTile(const AppFolder& folder) {
    apply(renderTileImage(folder));
}

void DockTileManager::showBadge(const QString& text, const QColor& color, double durationSeconds) {
    m_activeBadge = Badge{text, color};
    const double delay = std::isfinite(durationSeconds) ? durationSeconds : 0.0;
    m_badgeTimer.start(delay, [this] {
        m_activeBadge.reset();
        refreshTile();
    });
    refreshTile();
}

ImagePtr DockTileManager::renderTileImage(const AppFolder& folder) const {
    return makeFolderTileImage(folder, m_symbols, m_icons, liveSettings(m_settings));
}

void DockTileManager::apply(ImagePtr image) {
    m_lastIcon = image;
    // Never inside the render call: the Dock tile changes after the current event, and once for all the
    // updates of that event, with the last image (each application draws and publishes the whole tile).
    m_tileApplication.startUnlessPending(0.0, [this] { applyToDockTile(m_lastIcon); });
    scheduleBundleIconWrite(std::move(image));
}

void DockTileManager::applyToDockTile(const ImagePtr& image) {
    DockTileContent content;
    content.size = m_tile.size();
    if (!m_activeBadge) {
        content.view = DockTileImageView{image};
    } else {
        const BadgeLayout layout = badgeLayout(content.size);
        DockTileBadgeView badge;
        badge.plateFrame = layout.plateFrame;
        badge.plateCornerRadius = layout.plateCornerRadius;
        badge.plateColor = Qt::black;
        badge.symbolFrame = layout.symbolFrame;
        badge.symbol = m_symbols.symbol(badgeSymbolName(m_activeBadge->text), layout.symbolPointSize,
                                        SymbolWeight::bold);
        badge.symbolTint = m_activeBadge->color;
        content.view = std::move(badge);
    }
    m_tile.setContent(std::move(content));
    m_tile.display();
}

void DockTileManager::scheduleBundleIconWrite(ImagePtr image) {
    // 0.5 s after the last update: a burst of changes (a style being edited) writes the bundle once.
    m_bundleIconWrite.start(kBundleIconWriteDelaySeconds, [this, image] {
        m_icons.setIcon(*image, m_bundlePath);
        if (m_bundleIconWritten) {
            m_bundleIconWritten();
        }
    });
}

} // namespace tessly
