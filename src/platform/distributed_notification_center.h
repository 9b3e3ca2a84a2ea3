// Distributed notifications: named announcements between the program's processes.
//
//     center.post("TSThemeChanged");
//     center.post("TSFolderOffBadge", folderIdText);
//     auto token = center.addObserver("TSCloseNonPinnedPopups", [this](const DistributedNotification& n) {
//     ... });
//
// Every post is delivered immediately to every observing process, the poster included, on that process's main
// queue (never inside post()). The object is an optional text; user information holds property-list values.
//
// Main thread only.
#pragma once

#include "platform/notification_center.h"
#include "platform/property_list.h"

#include <QString>
#include <functional>
#include <optional>

namespace tessly {

struct DistributedNotification {
    QString name;
    std::optional<QString> object;
    PlistDictionary userInfo;
};

using DistributedNotificationHandler = std::function<void(const DistributedNotification&)>;

class DistributedNotificationCenter {
public:
    virtual ~DistributedNotificationCenter() = default;

    virtual void post(const QString& name, const std::optional<QString>& object = std::nullopt,
                      const PlistDictionary& userInfo = {}) = 0;
    virtual ObserverToken addObserver(const QString& name, DistributedNotificationHandler handler) = 0;
    virtual void removeObserver(ObserverToken token) = 0;
};

} // namespace tessly
