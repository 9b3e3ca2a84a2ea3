#include "dock_control.h"

#include "platform/linux/screens_linux.h"

#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <xcb/xcb.h>

#include <cstdlib>

namespace tessly::dock {

namespace {

QJsonObject frameObject(const QRectF& rect) {
    return {{QStringLiteral("x"), rect.x()},
            {QStringLiteral("y"), rect.y()},
            {QStringLiteral("width"), rect.width()},
            {QStringLiteral("height"), rect.height()}};
}

/// Waits until the X server has carried out every request sent so far (the pointer warp among them), so that
/// whoever hears of the click next finds the pointer there.
void syncWithServer() {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection) {
        return;
    }
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

} // namespace

DockControl::DockControl(DockController& controller, DockWindow& window)
    : m_controller(controller), m_window(window) {}

bool claimDockServiceName() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    const auto reply = bus.interface()->registerService(QString::fromLatin1(kDockControlService),
                                                        QDBusConnectionInterface::DontQueueService,
                                                        QDBusConnectionInterface::DontAllowReplacement);
    return reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
}

bool DockControl::registerOnSessionBus() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.registerObject(QString::fromLatin1(kDockControlPath), this,
                                                   QDBusConnection::ExportScriptableSlots);
}

QString DockControl::ListTiles() const {
    const DockLayout layout = m_window.restingLayout();
    QJsonArray tiles;
    const QList<DockTileItem>& items = m_controller.model().tiles();
    for (qsizetype index = 0; index < items.size(); ++index) {
        const DockTileItem& item = items.at(index);
        const QRectF frame = index < layout.tiles.size() ? layout.tiles.at(index) : QRectF();
        tiles.append(QJsonObject{
            {QStringLiteral("bundlePath"), item.bundlePath},
            {QStringLiteral("kept"), item.kept},
            {QStringLiteral("running"), item.running},
            {QStringLiteral("hasContent"), !item.content.isNull()},
            {QStringLiteral("contentSize"), QJsonObject{{QStringLiteral("width"), item.content.width()},
                                                        {QStringLiteral("height"), item.content.height()}}},
            {QStringLiteral("plugIn"), plugInStateText(m_controller.plugInState(item.bundlePath))},
            {QStringLiteral("frame"), frameObject(frame)},
            {QStringLiteral("frameYUp"), frameObject(toYUp(frame))}});
    }
    return QString::fromUtf8(QJsonDocument(tiles).toJson(QJsonDocument::Compact));
}

bool DockControl::Click(const QString& bundlePath) {
    const DockLayout layout = m_window.restingLayout();
    const QList<DockTileItem>& items = m_controller.model().tiles();
    for (qsizetype index = 0; index < items.size() && index < layout.tiles.size(); ++index) {
        if (items.at(index).bundlePath == bundlePath) {
            // Where a person's click would be: the application places what it opens by the pointer.
            QCursor::setPos(layout.tiles.at(index).center().toPoint());
            syncWithServer();
            return m_controller.activate(bundlePath);
        }
    }
    return false;
}

bool DockControl::Keep(const QString& bundlePath) {
    return m_controller.keep(bundlePath);
}

bool DockControl::Remove(const QString& bundlePath) {
    return m_controller.remove(bundlePath);
}

bool DockControl::SetOrientation(const QString& orientation) {
    if (orientation != QStringLiteral("bottom") && orientation != QStringLiteral("left") &&
        orientation != QStringLiteral("right")) {
        return false;
    }
    m_controller.setOrientation(orientationFromText(orientation));
    return true;
}

bool DockControl::SetTileSize(double size) {
    if (!std::isfinite(size) || size <= 0) {
        return false;
    }
    m_controller.setTileSize(size);
    return true;
}

bool DockControl::SetMagnification(bool on, double largeSize) {
    if (!std::isfinite(largeSize) || largeSize <= 0) {
        return false;
    }
    m_controller.setMagnification(on, largeSize);
    return true;
}

} // namespace tessly::dock
