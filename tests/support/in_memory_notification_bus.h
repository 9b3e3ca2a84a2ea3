// An in-memory distributed-notification bus that joins the simulated processes of one test.
//
//     InMemoryNotificationBus bus;
//     InMemoryDistributedNotificationCenter mainApp(bus, mainTime), helper(bus, helperTime);
//     mainApp.post("TSThemeChanged");     // every center, the poster included, hears it on its own queue
#pragma once

#include "platform/distributed_notification_center.h"
#include "platform/main_queue.h"

#include <QList>
#include <QPointer>
#include <map>
#include <memory>
#include <vector>

namespace tessly::testing {

class InMemoryDistributedNotificationCenter;

class InMemoryNotificationBus {
public:
    void join(InMemoryDistributedNotificationCenter* center) { m_centers.push_back(center); }
    void leave(InMemoryDistributedNotificationCenter* center) { std::erase(m_centers, center); }
    void deliver(const DistributedNotification& notification);

    /// Every notification posted on the bus, in order.
    QList<DistributedNotification> posted;

private:
    std::vector<InMemoryDistributedNotificationCenter*> m_centers;
};

class InMemoryDistributedNotificationCenter final : public DistributedNotificationCenter {
public:
    InMemoryDistributedNotificationCenter(InMemoryNotificationBus& bus, MainQueue& queue)
        : m_bus(bus), m_queue(queue) {
        m_bus.join(this);
    }
    ~InMemoryDistributedNotificationCenter() override {
        m_bus.leave(this);
        *m_alive = false;
    }

    void post(const QString& name, const std::optional<QString>& object = std::nullopt,
              const PlistDictionary& userInfo = {}) override {
        m_bus.deliver({name, object, userInfo});
    }
    ObserverToken addObserver(const QString& name, DistributedNotificationHandler handler) override {
        const ObserverToken token = m_nextToken++;
        m_observers.emplace(token, Observer{name, std::move(handler)});
        return token;
    }
    void removeObserver(ObserverToken token) override { m_observers.erase(token); }

    /// Queues delivery of `notification` to this center's observers on its own main queue.
    void receive(const DistributedNotification& notification) {
        m_queue.async([this, alive = m_alive, notification] {
            if (!*alive) {
                return;
            }
            std::vector<ObserverToken> targets;
            for (const auto& [token, observer] : m_observers) {
                if (observer.name == notification.name) {
                    targets.push_back(token);
                }
            }
            for (const ObserverToken token : targets) {
                if (auto it = m_observers.find(token); it != m_observers.end()) {
                    const auto handler = it->second.handler;
                    handler(notification);
                }
            }
        });
    }

private:
    struct Observer {
        QString name;
        DistributedNotificationHandler handler;
    };
    InMemoryNotificationBus& m_bus;
    MainQueue& m_queue;
    std::map<ObserverToken, Observer> m_observers;
    ObserverToken m_nextToken = 1;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

inline void InMemoryNotificationBus::deliver(const DistributedNotification& notification) {
    posted.append(notification);
    for (auto* center : m_centers) {
        center->receive(notification);
    }
}

} // namespace tessly::testing
