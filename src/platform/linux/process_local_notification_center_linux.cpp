#include "platform/linux/process_local_notification_center_linux.h"

#include <vector>

namespace tessly {

void ProcessLocalNotificationCenter::post(const QString& name, const std::optional<QString>& object,
                                          const PlistDictionary& userInfo) {
    DistributedNotification notification{name, object, userInfo};
    // Delivered from the main queue, never inside post(), as the bus delivers.
    m_queue.async([this, alive = m_alive, notification = std::move(notification)] {
        if (!*alive) {
            return;
        }
        std::vector<std::shared_ptr<DistributedNotificationHandler>> handlers;
        for (const auto& [token, observer] : m_observers) {
            if (observer.name == notification.name) {
                handlers.push_back(observer.handler);
            }
        }
        for (const auto& handler : handlers) {
            (*handler)(notification);
        }
    });
}

ObserverToken ProcessLocalNotificationCenter::addObserver(const QString& name,
                                                          DistributedNotificationHandler handler) {
    const ObserverToken token = m_nextToken++;
    m_observers.emplace(token,
                        Observer{name, std::make_shared<DistributedNotificationHandler>(std::move(handler))});
    return token;
}

} // namespace tessly
