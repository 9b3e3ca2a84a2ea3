// One process's settings over test doubles, for the tests of the settings and of what reads them.
#pragma once

#include "platform/notification_center.h"
#include "settings/app_settings.h"
#include "support/in_memory_notification_bus.h"
#include "support/in_memory_user_defaults.h"
#include "support/recording_console.h"
#include "support/recording_login_items.h"
#include "support/temp_home.h"
#include "support/virtual_time.h"

#include <memory>

namespace tessly::testing {

struct SettingsHarness {
    /// Fresh settings read from the current defaults and files (the previous ones are dropped).
    AppSettings& make(std::optional<QString> bundleId = QStringLiteral("app.tessly.Tessly")) {
        settings = std::make_unique<AppSettings>(defaults, center, distributed, loginItems, console,
                                                 home.paths(), std::move(bundleId), time);
        return *settings;
    }

    TempHome home;
    InMemoryUserDefaults defaults;
    NotificationCenter center;
    VirtualTime time;
    InMemoryNotificationBus bus;
    InMemoryDistributedNotificationCenter distributed{bus, time};
    RecordingLoginItems loginItems;
    RecordingConsole console;
    std::unique_ptr<AppSettings> settings;
};

} // namespace tessly::testing
