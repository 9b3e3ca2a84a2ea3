#include "dock_model.h"

#include <QBuffer>
#include <QImageReader>
#include <QSet>

namespace tessly::dock {

QList<DockMenuEntry> menuFor(const DockTileItem& tile) {
    QList<DockMenuEntry> entries;
    entries.append({DockMenuAction::keep, QStringLiteral("Keep in Dock"), true, tile.kept});
    if (tile.kept) {
        entries.append({DockMenuAction::remove, QStringLiteral("Remove from Dock")});
    }
    if (tile.running) {
        entries.append({DockMenuAction::quit, QStringLiteral("Quit")});
    } else {
        entries.append({DockMenuAction::open, QStringLiteral("Open")});
    }
    return entries;
}

QImage decodeTileContent(const QByteArray& bytes) {
    static const QByteArray signature("\x89PNG\r\n\x1a\n", 8);
    if (bytes.size() > kMaximumTileContentBytes || !bytes.startsWith(signature)) {
        return {};
    }
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    // The header's size is checked before any pixel is decoded: a small file may claim a huge bitmap.
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() || size.width() > kMaximumTileContentPixels ||
        size.height() > kMaximumTileContentPixels) {
        return {};
    }
    return reader.read();
}

bool DockModel::setKept(const QStringList& bundlePaths) {
    m_kept = bundlePaths;
    m_kept.removeDuplicates();
    return rebuild();
}

bool DockModel::setPresence(const QString& connection, const QString& bundlePath, qint64 processIdentifier,
                            bool present) {
    if (!present) {
        const auto found = m_presences.find(connection);
        if (found == m_presences.end() || found->second.processIdentifier != processIdentifier) {
            return false;
        }
        m_presences.erase(found);
        return rebuild();
    }
    if (bundlePath.isEmpty() || !bundlePath.startsWith(QLatin1Char('/'))) {
        return false;
    }
    m_presences[connection] = Presence{bundlePath, processIdentifier};
    if (!m_runningOrder.contains(bundlePath)) {
        m_runningOrder.append(bundlePath);
    }
    return rebuild();
}

bool DockModel::connectionGone(const QString& connection) {
    if (m_presences.erase(connection) == 0) {
        return false;
    }
    return rebuild();
}

bool DockModel::setContent(const QString& connection, const QString& bundlePath, const QByteArray& png) {
    const auto presence = m_presences.find(connection);
    if (presence == m_presences.end() || presence->second.bundlePath != bundlePath) {
        return false;
    }
    QImage image = decodeTileContent(png);
    if (image.isNull()) {
        return false;
    }
    m_content.insert(bundlePath, image);
    for (DockTileItem& tile : m_tiles) {
        if (tile.bundlePath == bundlePath) {
            tile.content = image;
        }
    }
    return true;
}

int DockModel::keptCount() const {
    int count = 0;
    for (const DockTileItem& tile : m_tiles) {
        count += tile.kept ? 1 : 0;
    }
    return count;
}

const DockTileItem* DockModel::find(const QString& bundlePath) const {
    for (const DockTileItem& tile : m_tiles) {
        if (tile.bundlePath == bundlePath) {
            return &tile;
        }
    }
    return nullptr;
}

QList<qint64> DockModel::processesOf(const QString& bundlePath) const {
    QList<qint64> processes;
    for (const auto& [connection, presence] : m_presences) {
        if (presence.bundlePath == bundlePath) {
            processes.append(presence.processIdentifier);
        }
    }
    return processes;
}

bool DockModel::rebuild() {
    QSet<QString> running;
    for (const auto& [connection, presence] : m_presences) {
        running.insert(presence.bundlePath);
    }
    // The order of the running applications is the order they appeared in; one that quits loses its place.
    m_runningOrder.removeIf([&running](const QString& path) { return !running.contains(path); });
    for (auto it = m_content.begin(); it != m_content.end();) {
        it = running.contains(it.key()) ? std::next(it) : m_content.erase(it);
    }

    QList<DockTileItem> tiles;
    for (const QString& path : m_kept) {
        tiles.append({path, true, running.contains(path), m_content.value(path)});
    }
    for (const QString& path : m_runningOrder) {
        if (!m_kept.contains(path)) {
            tiles.append({path, false, true, m_content.value(path)});
        }
    }
    bool changed = tiles.size() != m_tiles.size();
    for (qsizetype index = 0; !changed && index < tiles.size(); ++index) {
        changed = tiles.at(index).bundlePath != m_tiles.at(index).bundlePath ||
                  tiles.at(index).kept != m_tiles.at(index).kept ||
                  tiles.at(index).running != m_tiles.at(index).running;
    }
    m_tiles = std::move(tiles);
    return changed;
}

} // namespace tessly::dock
