#include "platform/notification_center.h"

#include <algorithm>

namespace tessly {

ObserverToken NotificationCenter::addObserver(const QString& name, NotificationHandler handler) {
    const ObserverToken token = m_nextToken++;
    m_observers.push_back({token, name, std::make_shared<NotificationHandler>(std::move(handler))});
    return token;
}

void NotificationCenter::removeObserver(ObserverToken token) {
    std::erase_if(m_observers, [token](const Observer& o) { return o.token == token; });
}

void NotificationCenter::post(const QString& name, const QVariant& object) {
    // Observers may change the list while they run: deliver to a snapshot of the tokens and look each one up
    // again before calling it, so that one removed meanwhile is skipped.
    std::vector<ObserverToken> targets;
    for (const auto& observer : m_observers) {
        if (observer.name == name) {
            targets.push_back(observer.token);
        }
    }
    const Notification notification{name, object};
    for (const ObserverToken token : targets) {
        auto it = std::find_if(m_observers.begin(), m_observers.end(),
                               [token](const Observer& o) { return o.token == token; });
        if (it == m_observers.end()) {
            continue;
        }
        // Keep the handler alive even if the observer removes itself while it runs.
        const std::shared_ptr<NotificationHandler> handler = it->handler;
        (*handler)(notification);
    }
}

} // namespace tessly
