// A helper manager of a main application, in a temporary home, with every port a double.
#pragma once

#include "helpers/helper_manager.h"
#include "model/uuid_text.h"
#include "support/helper_doubles.h"
#include "support/in_memory_notification_bus.h"
#include "support/in_memory_user_defaults.h"
#include "support/recording_console.h"
#include "support/recording_helper_actions.h"
#include "support/temp_home.h"
#include "support/virtual_time.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace tessly::testing {

inline PlistDictionary applicationInfo() {
    return PlistDictionary{{"CFBundleIdentifier", "app.tessly.Tessly"},
                           {"CFBundleExecutable", "Tessly"},
                           {"CFBundleName", "Tessly"},
                           {"CFBundleShortVersionString", "1.0"}};
}

class HelperManagerTest : public ::testing::Test {
protected:
    HelperManagerTest()
        : appPath(makeApplicationBundle(home)), mainBundle(appPath, {}),
          manager(HelperEnvironment{paths, mainBundle, defaults, workspace, processes, attributes, dock,
                                    notifications, distributed, time, time, console, console,
                                    QStringLiteral("/usr/bin/codesign")}) {
        manager.setHelperLaunchRecorder(&launches);
    }

    static QString makeApplicationBundle(const TempHome& home) {
        const QString app = home.path() + "/Apps/Tessly.app";
        home.write("Apps/Tessly.app/Contents/Info.plist",
                   writePropertyList(applicationInfo(), PlistFormat::Binary));
        home.write("Apps/Tessly.app/Contents/MacOS/Tessly", "#!/bin/sh\n");
        home.write("Apps/Tessly.app/Contents/MacOS/__preview.dylib", "preview");
        home.write("Apps/Tessly.app/Contents/Resources/en.lproj/Localizable.json", "{}");
        home.write("Apps/Tessly.app/Icon\r", "icon");
        return app;
    }

    AppFolder folder(const QString& name, bool inDock = true) {
        return AppFolder{makeUuid(), name, "folder", {}, inDock, {}, time.now()};
    }

    QString helperInfoValue(const QString& helper, const QString& key) {
        const auto info = readPropertyListFile(helper + "/Contents/Info.plist");
        if (!info || !info->root.asDictionary() || !info->root.asDictionary()->find(key)) {
            return {};
        }
        const PlistValue* value = info->root.asDictionary()->find(key);
        return value->asString() ? *value->asString() : QString();
    }

    QStringList helperBundles() const {
        return QDir(home.path() + "/Library/Application Support/Tessly/Helpers")
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden);
    }

    QStringList postedNames() const {
        QStringList names;
        for (const auto& n : bus.posted) {
            names.append(n.name);
        }
        return names;
    }

    TempHome home;
    Paths paths{home.paths()};
    QString appPath;
    MainBundle mainBundle;
    VirtualTime time;
    InMemoryUserDefaults defaults;
    RecordingWorkspace workspace{time};
    ScriptedChildProcesses processes;
    InMemoryExtendedAttributes attributes;
    InMemoryPreferencesDomain dock;
    NotificationCenter notifications;
    InMemoryNotificationBus bus;
    InMemoryDistributedNotificationCenter distributed{bus, time};
    RecordingConsole console;
    RecordingHelperActions launches;
    HelperManager manager;
};

} // namespace tessly::testing
