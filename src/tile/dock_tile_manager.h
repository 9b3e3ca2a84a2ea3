// The helper's Dock tile: draws its folder (a coloured plate with the folder's glyph or its first four
// application icons), shows short status badges over it, and writes the folder image as the helper bundle's
// own icon shortly after each change.
//
//     DockTileManager tiles(store, settings, queue, dockTile, symbols, icons,
//                           [&helpers] { return helpers.helperGroupIdentifier(); }, bundle.bundlePath());
//     tiles.updateTile(folder);                                  // at start-up, with the folder just loaded
//     tiles.showBadge("ON", systemColor(SystemColor::green), 2.0);
//     tiles.refreshTile();                                       // on every tile-appearance notification
//
// The tile is applied to the Dock asynchronously, on the main queue after the current event, once for all
// the updates of that event; the bundle icon is written once per burst of updates, 0.5 s after the last.
// While a badge shows, the tile shows the badge, but refreshes keep the last image and the bundle icon
// current. When the folder cannot be found, the last image is applied again.
//
// One instance per helper process, owned by the composition root. Main thread only; every queued closure
// holds the manager weakly and does nothing once it is gone.
#pragma once

#include "model/folder_store.h"
#include "platform/gui/dock_tile.h"
#include "platform/gui/image.h"
#include "platform/gui/symbol_images.h"
#include "platform/gui/workspace_icons.h"
#include "platform/main_queue.h"
#include "settings/app_settings.h"

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>

namespace tessly {

class DockTileManager final : public QObject {
    Q_OBJECT

public:
    /// The running helper's folder identifier (the "TSGroupUUID" of its Info.plist); nothing in the main
    /// application.
    using FolderIdentifierSource = std::function<std::optional<QString>()>;

    /// A status badge; its text only chooses the symbol.
    struct Badge {
        QString text;
        QColor color;
    };

    /// The bundle icon is written this long after the last update.
    static constexpr double kBundleIconWriteDelaySeconds = 0.5;
    /// How long callers show a badge.
    static constexpr double kBadgeDurationSeconds = 2.0;

    /// `bundlePath` is the running bundle's own path, whose custom icon follows the tile. Nothing is drawn
    /// until the first update.
    DockTileManager(const FolderStore& store, const AppSettings& settings, MainQueue& queue, DockTile& tile,
                    const SymbolImages& symbols, WorkspaceIcons& icons,
                    FolderIdentifierSource folderIdentifier, QString bundlePath, QObject* parent = nullptr);
    ~DockTileManager() override;

    /// Draws this helper's folder from the folder store and applies it; without an identifier or a folder of
    /// that identifier, applies the last image again (or does nothing when there is none).
    void refreshTile();
    /// Draws `folder` and applies it.
    void updateTile(const AppFolder& folder);
    /// Shows the badge for `durationSeconds`, replacing any other; a new badge restarts the full duration.
    void showBadge(const QString& text, const QColor& color, double durationSeconds);

    /// The 512 x 512 tile image of `folder`: a recipe drawn at whatever size it is asked for, reading the
    /// icon padding and the theme from the settings at each draw.
    [[nodiscard]] ImagePtr renderTileImage(const AppFolder& folder) const;

    /// Called after each write of the bundle icon, the last and largest step of a change of the tile.
    void setBundleIconWrittenHandler(std::function<void()> handler) {
        m_bundleIconWritten = std::move(handler);
    }

    /// The last tile image applied; null before the first.
    [[nodiscard]] const ImagePtr& lastIcon() const { return m_lastIcon; }
    [[nodiscard]] const std::optional<Badge>& activeBadge() const { return m_activeBadge; }

private:
    /// Keeps `image` as the last one, queues its application to the Dock tile and schedules the icon write.
    void apply(ImagePtr image);
    /// Replaces the Dock tile's content with the image, or with the badge while one shows.
    void applyToDockTile(const ImagePtr& image);
    void scheduleBundleIconWrite(ImagePtr image);

    const FolderStore& m_store;
    QPointer<const AppSettings> m_settings;
    MainQueue& m_queue;
    DockTile& m_tile;
    const SymbolImages& m_symbols;
    WorkspaceIcons& m_icons;
    FolderIdentifierSource m_folderIdentifier;
    QString m_bundlePath;

    /// The pending application of `m_lastIcon` (or the badge) to the Dock tile.
    DelayedWork m_tileApplication{m_queue};
    /// The pending bundle icon write.
    DelayedWork m_bundleIconWrite{m_queue};
    /// Ends the current badge.
    DelayedWork m_badgeTimer{m_queue};
    std::function<void()> m_bundleIconWritten;
    std::optional<Badge> m_activeBadge;
    ImagePtr m_lastIcon;
};

} // namespace tessly
