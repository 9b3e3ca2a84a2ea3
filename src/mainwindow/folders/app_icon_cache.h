// Application icons for long lists, loaded only for what is on screen and never while a frame is drawn: a
// cell asks for its icon as it paints; the first time, it gets nothing (and draws a placeholder), and the
// icon is read from the workspace on the main queue after the current event, a few per turn so that typing
// and scrolling stay smooth. Each icon is read once per path and kept at the size the list draws it.
//
//     AppIconCache cache(icons, queue, 40, devicePixelRatio);
//     connect(&cache, &AppIconCache::iconsLoaded, view->viewport(), qOverload<>(&QWidget::update));
//     const QImage icon = cache.icon(path);            // null until loaded
//     if (icon.isNull()) drawPlaceholder(); else painter.drawImage(target, icon);
//
// Main thread only.
#pragma once

#include "platform/gui/workspace_icons.h"
#include "platform/main_queue.h"

#include <QHash>
#include <QImage>
#include <QObject>
#include <QStringList>

namespace tessly {

class AppIconCache final : public QObject {
    Q_OBJECT

public:
    /// Icons are kept as squares of `side` points at `devicePixelRatio`.
    AppIconCache(const WorkspaceIcons& icons, MainQueue& queue, int side, double devicePixelRatio,
                 QObject* parent = nullptr);
    ~AppIconCache() override;

    /// The icon of the file or bundle at `path` once loaded; until then a null image, and the path is queued.
    [[nodiscard]] QImage icon(const QString& path);
    [[nodiscard]] bool hasIcon(const QString& path) const { return m_iconsByPath.contains(path); }
    /// Paths asked for and not loaded yet, the most recent last.
    [[nodiscard]] const QStringList& pendingPaths() const { return m_pending; }

    /// How many icons one turn of the main queue reads.
    static constexpr int kIconsPerTurn = 6;
    /// Requests kept at most: a fast scroll asks for many rows that are gone again by the time their turn
    /// comes; the oldest requests are dropped (a row still shown asks again when it is next painted).
    static constexpr int kMaximumPending = 96;

signals:
    /// Some icons were loaded; the list repaints.
    void iconsLoaded();

private:
    void scheduleTurn();
    void loadTurn();

    const WorkspaceIcons& m_icons;
    MainQueue& m_queue;
    int m_pixelSide;
    double m_devicePixelRatio;
    QHash<QString, QImage> m_iconsByPath;
    QStringList m_pending;
    bool m_turnScheduled = false;
};

} // namespace tessly
