// Local notifications: named announcements inside one process.
//
//     auto token = center.addObserver("tileAppearanceChanged", [this](const Notification& n) { redraw(); });
//     center.post("tileAppearanceChanged");
//     center.post("tileAppearanceChanged", QVariant::fromValue(folderId));   // with an object
//     center.removeObserver(token);
//
// Observers run synchronously inside post(), in the order they were added. An observer may add or remove
// observers (itself included) while a notification is being delivered: one removed before its turn is not
// called, one added during delivery first hears the next post.
//
// Main thread only.
#pragma once

#include <QString>
#include <QVariant>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace tessly {

struct Notification {
    QString name;
    /// The object of the notification; invalid when it has none.
    QVariant object;
};

using NotificationHandler = std::function<void(const Notification&)>;

/// Identifies one observation; removing it twice is harmless.
using ObserverToken = std::uint64_t;

class NotificationCenter {
public:
    NotificationCenter() = default;
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    ObserverToken addObserver(const QString& name, NotificationHandler handler);
    void removeObserver(ObserverToken token);
    void post(const QString& name, const QVariant& object = {});

    [[nodiscard]] std::size_t observerCountForTesting() const { return m_observers.size(); }

private:
    struct Observer {
        ObserverToken token;
        QString name;
        std::shared_ptr<NotificationHandler> handler;
    };
    std::vector<Observer> m_observers;
    ObserverToken m_nextToken = 1;
};

} // namespace tessly
