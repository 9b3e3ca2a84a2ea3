// Distributed notifications delivered within this process only, on its main queue.
//
// Stands in for the session-bus adapter until that one is built: the poster hears its own posts, as it does
// on the bus, and no other process hears anything.
//
//     ProcessLocalNotificationCenter center(queue);
//
// Main thread only.
#pragma once

#include "platform/distributed_notification_center.h"
#include "platform/main_queue.h"

#include <map>
#include <memory>

namespace tessly {

class ProcessLocalNotificationCenter final : public DistributedNotificationCenter {
public:
    explicit ProcessLocalNotificationCenter(MainQueue& queue) : m_queue(queue) {}
    ~ProcessLocalNotificationCenter() override { *m_alive = false; }

    void post(const QString& name, const std::optional<QString>& object = std::nullopt,
              const PlistDictionary& userInfo = {}) override;
    ObserverToken addObserver(const QString& name, DistributedNotificationHandler handler) override;
    void removeObserver(ObserverToken token) override { m_observers.erase(token); }

private:
    struct Observer {
        QString name;
        std::shared_ptr<DistributedNotificationHandler> handler;
    };
    MainQueue& m_queue;
    std::map<ObserverToken, Observer> m_observers;
    ObserverToken m_nextToken = 1;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace tessly
