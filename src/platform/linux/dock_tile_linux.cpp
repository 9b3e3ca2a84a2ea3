#include "platform/linux/dock_tile_linux.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace tessly {

namespace {

/// A y-up rectangle of a frame `height` high, in the y-down coordinates of the bitmap.
QRectF flipped(const QRectF& rect, double height) {
    return {rect.x(), height - rect.y() - rect.height(), rect.width(), rect.height()};
}

/// `natural` scaled to fit `bounds` with its aspect ratio kept, centred.
QRectF fitted(const QSizeF& natural, const QRectF& bounds) {
    if (natural.isEmpty()) {
        return bounds;
    }
    const QSizeF size = natural.scaled(bounds.size(), Qt::KeepAspectRatio);
    return {bounds.center().x() - size.width() / 2, bounds.center().y() - size.height() / 2, size.width(),
            size.height()};
}

void drawImageView(QPainter& painter, const DockTileImageView& view, const QRectF& bounds) {
    if (view.image) {
        view.image->draw(painter, fitted(view.image->size(), bounds));
    }
}

void drawBadgeView(QPainter& painter, const DockTileBadgeView& view, double height) {
    const QRectF plate = flipped(view.plateFrame, height);
    if (!plate.isEmpty()) {
        // A radius beyond half the shorter side would make no rounder shape; the plate becomes a pill.
        const double radius =
            std::clamp(view.plateCornerRadius, 0.0, std::min(plate.width(), plate.height()) / 2);
        QPainterPath path;
        path.addRoundedRect(plate, radius, radius);
        painter.fillPath(path, view.plateColor);
    }
    const QRectF symbolFrame = flipped(view.symbolFrame, height);
    if (view.symbol && !symbolFrame.isEmpty()) {
        view.symbol->drawTinted(painter, fitted(view.symbol->size(), symbolFrame), view.symbolTint);
    }
}

QSize pixelSizeOf(const QSizeF& points, double ratio) {
    const auto side = [ratio](double value) {
        return std::clamp(static_cast<int>(std::lround(value * ratio)), 1, kMaximumDockTilePixels);
    };
    return {side(points.width()), side(points.height())};
}

/// The highest pixel ratio of the application's screens: the Dock may be on any of them, and a bitmap too
/// large for its screen only loses detail it could not show, where one too small is blurred.
double screensPixelRatio() {
    const auto* application = qobject_cast<const QGuiApplication*>(QCoreApplication::instance());
    return application ? application->devicePixelRatio() : 1.0;
}

QByteArray pngData(const QImage& image) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return data;
}

} // namespace

QImage renderDockTileContent(const DockTileContent& content, const QSize& pixelSize) {
    QImage bitmap(pixelSize, QImage::Format_ARGB32_Premultiplied);
    bitmap.fill(Qt::transparent);
    if (pixelSize.isEmpty()) {
        return bitmap;
    }
    const QSizeF frame = content.size.isEmpty() ? QSizeF(pixelSize) : content.size;
    QPainter painter(&bitmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.scale(pixelSize.width() / frame.width(), pixelSize.height() / frame.height());
    if (const auto* image = std::get_if<DockTileImageView>(&content.view)) {
        drawImageView(painter, *image, QRectF(QPointF(0, 0), frame));
    } else if (const auto* badge = std::get_if<DockTileBadgeView>(&content.view)) {
        drawBadgeView(painter, *badge, frame.height());
    }
    return bitmap;
}

// Hears the Dock's TileSizeChanged on the main thread.
class LinuxDockTile::Listener final : public QObject {
    Q_OBJECT

public:
    explicit Listener(LinuxDockTile& tile) : m_tile(tile) {}

public slots:
    void handleSize(const QDBusMessage& message) {
        const QList<QVariant> arguments = message.arguments();
        if (arguments.size() != 3 || arguments.at(0).metaType() != QMetaType::fromType<QString>() ||
            arguments.at(1).metaType() != QMetaType::fromType<double>() ||
            arguments.at(2).metaType() != QMetaType::fromType<double>()) {
            return;
        }
        m_tile.handleSizeFromDock(arguments.at(0).toString(), arguments.at(1).toDouble(),
                                  arguments.at(2).toDouble());
    }

private:
    LinuxDockTile& m_tile;
};

LinuxDockTile::LinuxDockTile(const QString& bundlePath, MainQueue& queue)
    : m_sizeDisplay(queue), m_listener(std::make_unique<Listener>(*this)) {
    const QString resolved = bundlePath.isEmpty() ? QString() : QFileInfo(bundlePath).canonicalFilePath();
    m_bundlePath = resolved.isEmpty() ? bundlePath : resolved;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected() && !m_bundlePath.isEmpty()) {
        bus.connect(QString(), QString::fromLatin1(kDockTilePath), QString::fromLatin1(kDockTileInterface),
                    QString::fromLatin1(kDockTileSizeChangedMember), m_listener.get(),
                    SLOT(handleSize(QDBusMessage)));
    }
}

LinuxDockTile::~LinuxDockTile() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected() && !m_bundlePath.isEmpty()) {
        bus.disconnect(QString(), QString::fromLatin1(kDockTilePath), QString::fromLatin1(kDockTileInterface),
                       QString::fromLatin1(kDockTileSizeChangedMember), m_listener.get(),
                       SLOT(handleSize(QDBusMessage)));
    }
}

void LinuxDockTile::handleSizeFromDock(const QString& bundlePath, double side, double ratio) {
    if (bundlePath != m_bundlePath) {
        return;
    }
    setSize(QSizeF(side, side));
    setDevicePixelRatio(ratio);
    // Nothing displayed yet: the process has no content to show, and its first display() uses the new size.
    if (!m_lastPublished.isNull()) {
        // Each display draws the tile (up to 1,024 pixels square) and broadcasts it: one for all the sizes
        // that arrive meanwhile.
        m_sizeDisplay.startUnlessPending(0.0, [this] { display(); });
    }
}

void LinuxDockTile::setSize(QSizeF size) {
    if (size.isEmpty() || !std::isfinite(size.width()) || !std::isfinite(size.height())) {
        return;
    }
    m_size = size;
}

void LinuxDockTile::setDevicePixelRatio(double ratio) {
    if (!(ratio > 0) || !std::isfinite(ratio)) {
        return;
    }
    m_devicePixelRatio = ratio;
}

void LinuxDockTile::display() {
    // This display shows the size the Dock asked for as well.
    m_sizeDisplay.stop();
    const double ratio = m_devicePixelRatio.value_or(screensPixelRatio());
    m_lastPublished = renderDockTileContent(m_content, pixelSizeOf(m_size, ratio));
    m_lastPublished.setDevicePixelRatio(ratio);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kDockTilePath),
                                                     QString::fromLatin1(kDockTileInterface),
                                                     QString::fromLatin1(kDockTileContentChangedMember));
    signal << m_bundlePath << QCoreApplication::applicationPid() << pngData(m_lastPublished);
    bus.send(signal);
}

} // namespace tessly

#include "dock_tile_linux.moc"
