#include "mainwindow/folders/app_icon_cache.h"

#include <QPointer>

#include <cmath>

namespace tessly {

AppIconCache::AppIconCache(const WorkspaceIcons& icons, MainQueue& queue, int side, double devicePixelRatio,
                           QObject* parent)
    : QObject(parent), m_icons(icons), m_queue(queue),
      m_pixelSide(static_cast<int>(std::ceil(side * devicePixelRatio))),
      m_devicePixelRatio(devicePixelRatio) {}

AppIconCache::~AppIconCache() = default;

QImage AppIconCache::icon(const QString& path) {
    if (const auto found = m_iconsByPath.constFind(path); found != m_iconsByPath.cend()) {
        return found.value();
    }
    // Most recent last: the rows painted last are the ones on screen now.
    m_pending.removeOne(path);
    m_pending.append(path);
    while (m_pending.size() > kMaximumPending) {
        m_pending.removeFirst();
    }
    scheduleTurn();
    return {};
}

void AppIconCache::scheduleTurn() {
    if (m_turnScheduled) {
        return;
    }
    m_turnScheduled = true;
    m_queue.async([cache = QPointer(this)] {
        if (cache) {
            cache->loadTurn();
        }
    });
}

void AppIconCache::loadTurn() {
    m_turnScheduled = false;
    for (int loaded = 0; loaded < kIconsPerTurn && !m_pending.isEmpty(); ++loaded) {
        const QString path = m_pending.takeLast();
        QImage bitmap;
        if (const ImagePtr image = m_icons.iconForFile(path)) {
            bitmap = rasterize(*image, QSize(m_pixelSide, m_pixelSide));
            bitmap.setDevicePixelRatio(m_devicePixelRatio);
        }
        // Kept also when empty, so that a path without any icon is not read again on every paint.
        m_iconsByPath.insert(path, bitmap);
    }
    if (!m_pending.isEmpty()) {
        scheduleTurn();
    }
    emit iconsLoaded();
}

} // namespace tessly
