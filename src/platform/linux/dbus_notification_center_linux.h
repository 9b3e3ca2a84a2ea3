// Distributed notifications as signals on the session D-Bus, heard by every process of the user.
//
//     DBusDistributedNotificationCenter center(console);
//     auto token = center.addObserver("TSThemeChanged", [this](const DistributedNotification&) { ... });
//     center.post("TSFolderOffBadge", std::nullopt, PlistDictionary{{"id", folderIdText}});
//
// A post is one broadcast signal: path kDistributedNotificationsPath, interface
// kDistributedNotificationsInterface, member kDistributedNotificationsMember, arguments (signature "sbsay")
// (base/shared_names.h, shared with the Dock tile plug-in, which posts without Qt)
// the name, whether there is an object, the object text (empty without one) and the user information as a
// binary property list (empty bytes for none), so that Booleans, integers, reals and texts arrive as they
// were sent. Every process with a centre receives every post, the poster included, from its Qt event loop;
// a signal that does not have that shape, or whose user information is not a property-list dictionary, is
// dropped. Any program of the user can send on the session bus, so nothing in a received signal is trusted
// beyond its shape.
//
// Without a session bus the centre says so once, on the console, at construction; posts then do nothing and
// observers hear nothing.
//
// Main thread only (the thread of the QCoreApplication).
#pragma once

#include "base/shared_names.h"
#include "platform/console.h"
#include "platform/distributed_notification_center.h"

#include <map>
#include <memory>

namespace tessly {

class DBusDistributedNotificationCenter final : public DistributedNotificationCenter {
public:
    /// Connects to the session bus. Once it returns, every later post of any process reaches this centre.
    explicit DBusDistributedNotificationCenter(Console& console);
    ~DBusDistributedNotificationCenter() override;
    DBusDistributedNotificationCenter(const DBusDistributedNotificationCenter&) = delete;
    DBusDistributedNotificationCenter& operator=(const DBusDistributedNotificationCenter&) = delete;

    void post(const QString& name, const std::optional<QString>& object = std::nullopt,
              const PlistDictionary& userInfo = {}) override;
    ObserverToken addObserver(const QString& name, DistributedNotificationHandler handler) override;
    void removeObserver(ObserverToken token) override { m_observers.erase(token); }

    /// False when there is no session bus.
    [[nodiscard]] bool isConnected() const;

private:
    class Receiver;
    friend class Receiver;

    [[nodiscard]] bool isObserved(const QString& name) const;
    void deliver(const DistributedNotification& notification);

    struct Observer {
        QString name;
        std::shared_ptr<DistributedNotificationHandler> handler;
    };
    Console& m_console;
    std::unique_ptr<Receiver> m_receiver;
    std::map<ObserverToken, Observer> m_observers;
    ObserverToken m_nextToken = 1;
};

/// Decodes the arguments of a received signal; nothing when they do not have the shape of a post. Exposed
/// for the tests of hostile payloads.
[[nodiscard]] std::optional<DistributedNotification>
decodeDistributedNotification(const QString& name, bool hasObject, const QString& object,
                              const QByteArray& userInfo);

} // namespace tessly
