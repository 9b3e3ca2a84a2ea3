#include "platform/linux/dbus_notification_center_linux.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QMetaType>
#include <QObject>

#include <algorithm>
#include <vector>

namespace tessly {

// Receives the bus's signals on the main thread and hands the well-formed ones to the centre.
class DBusDistributedNotificationCenter::Receiver final : public QObject {
    Q_OBJECT

public:
    explicit Receiver(DBusDistributedNotificationCenter& center) : m_center(center) {}

public slots:
    // Takes the whole message rather than typed arguments, so that a signal of any signature arrives here
    // and is judged by its shape instead of being matched silently against ours.
    void handlePosted(const QDBusMessage& message) {
        const QList<QVariant> arguments = message.arguments();
        if (arguments.size() != 4 || arguments.at(0).metaType() != QMetaType::fromType<QString>() ||
            arguments.at(1).metaType() != QMetaType::fromType<bool>() ||
            arguments.at(2).metaType() != QMetaType::fromType<QString>() ||
            arguments.at(3).metaType() != QMetaType::fromType<QByteArray>()) {
            return;
        }
        // Only a name someone here listens for is worth decoding: any process of the session may post, under
        // any name, user information made to be costly.
        if (!m_center.isObserved(arguments.at(0).toString())) {
            return;
        }
        auto notification =
            decodeDistributedNotification(arguments.at(0).toString(), arguments.at(1).toBool(),
                                          arguments.at(2).toString(), arguments.at(3).toByteArray());
        if (notification) {
            m_center.deliver(*notification);
        }
    }

private:
    DBusDistributedNotificationCenter& m_center;
};

namespace {

QString path() {
    return QString::fromLatin1(kDistributedNotificationsPath);
}
QString interface() {
    return QString::fromLatin1(kDistributedNotificationsInterface);
}
QString member() {
    return QString::fromLatin1(kDistributedNotificationsMember);
}

} // namespace

std::optional<DistributedNotification> decodeDistributedNotification(const QString& name, bool hasObject,
                                                                     const QString& object,
                                                                     const QByteArray& userInfo) {
    if (name.isEmpty() || userInfo.size() > kMaximumUserInfoBytes) {
        return std::nullopt;
    }
    DistributedNotification notification{name, std::nullopt, {}};
    if (hasObject) {
        notification.object = object;
    }
    if (userInfo.isEmpty()) {
        return notification;
    }
    auto parsed = readPropertyList(userInfo);
    if (!parsed || !parsed->root.isDictionary()) {
        return std::nullopt;
    }
    notification.userInfo = std::move(*parsed->root.asDictionary());
    return notification;
}

DBusDistributedNotificationCenter::DBusDistributedNotificationCenter(Console& console)
    : m_console(console), m_receiver(std::make_unique<Receiver>(*this)) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        m_console.printLine(
            QStringLiteral("[DistributedNotifications] No session bus (%1): notifications are "
                           "neither sent nor received.")
                .arg(bus.lastError().message()));
        return;
    }
    // Any sender: the poster is an unknown process of the same user, and so is every other listener.
    if (!bus.connect(QString(), path(), interface(), member(), m_receiver.get(),
                     SLOT(handlePosted(QDBusMessage)))) {
        m_console.printLine(QStringLiteral("[DistributedNotifications] Cannot listen on the session bus: ") +
                            bus.lastError().message());
        return;
    }
    // The match rule travels to the bus without an answer; one call that does wait for an answer makes sure
    // the bus has it, so that a post made right after construction (in any process) is not missed.
    (void)bus.interface()->isServiceRegistered(bus.baseService());
}

DBusDistributedNotificationCenter::~DBusDistributedNotificationCenter() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        bus.disconnect(QString(), path(), interface(), member(), m_receiver.get(),
                       SLOT(handlePosted(QDBusMessage)));
    }
}

bool DBusDistributedNotificationCenter::isConnected() const {
    return QDBusConnection::sessionBus().isConnected();
}

void DBusDistributedNotificationCenter::post(const QString& name, const std::optional<QString>& object,
                                             const PlistDictionary& userInfo) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || name.isEmpty()) {
        return;
    }
    const QByteArray encoded =
        userInfo.isEmpty() ? QByteArray() : writePropertyList(PlistValue(userInfo), PlistFormat::Binary);
    if (encoded.size() > kMaximumUserInfoBytes) {
        m_console.printLine(QStringLiteral("[DistributedNotifications] Not posting %1: its user information "
                                           "takes %2 bytes, more than %3.")
                                .arg(name)
                                .arg(encoded.size())
                                .arg(kMaximumUserInfoBytes));
        return;
    }
    QDBusMessage signal = QDBusMessage::createSignal(path(), interface(), member());
    signal << name << object.has_value() << object.value_or(QString()) << encoded;
    bus.send(signal);
}

ObserverToken DBusDistributedNotificationCenter::addObserver(const QString& name,
                                                             DistributedNotificationHandler handler) {
    const ObserverToken token = m_nextToken++;
    m_observers.emplace(token,
                        Observer{name, std::make_shared<DistributedNotificationHandler>(std::move(handler))});
    return token;
}

bool DBusDistributedNotificationCenter::isObserved(const QString& name) const {
    return std::any_of(m_observers.begin(), m_observers.end(),
                       [&](const auto& entry) { return entry.second.name == name; });
}

void DBusDistributedNotificationCenter::deliver(const DistributedNotification& notification) {
    // Collected first: a handler may add or remove observers, itself included, while this runs.
    std::vector<std::pair<ObserverToken, std::shared_ptr<DistributedNotificationHandler>>> handlers;
    for (const auto& [token, observer] : m_observers) {
        if (observer.name == notification.name) {
            handlers.emplace_back(token, observer.handler);
        }
    }
    for (const auto& [token, handler] : handlers) {
        if (m_observers.contains(token)) {
            (*handler)(notification);
        }
    }
}

} // namespace tessly

#include "dbus_notification_center_linux.moc"
