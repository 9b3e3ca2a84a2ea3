// Helper actions and launch notes, recorded in order for the test to read.
//
//     RecordingHelperActions helpers;
//     ... store.updateFolder(renamed);
//     EXPECT_EQ(helpers.calls, QStringList({"removeHelper " + id + " false", "installHelper " + id}));
#pragma once

#include "model/helper_actions.h"
#include "model/uuid_text.h"

#include <QStringList>
#include <functional>

namespace tessly::testing {

class RecordingHelperActions final : public HelperActions, public HelperLaunchRecorder {
public:
    void installHelper(const AppFolder& folder) override {
        calls.append(QStringLiteral("installHelper ") + uuidText(folder.id));
        installed.append(folder);
        if (onInstall) {
            onInstall(folder);
        }
    }
    void removeHelper(const QUuid& folderId, bool preserve) override {
        calls.append(
            QStringLiteral("removeHelper %1 %2").arg(uuidText(folderId), preserve ? "true" : "false"));
    }
    void syncHelpers(const QList<AppFolder>& folders) override {
        calls.append(QStringLiteral("syncHelpers %1").arg(folders.size()));
        synced.append(folders);
    }
    void scheduleHelperOff(const AppFolder& folder, double delaySeconds) override {
        calls.append(QStringLiteral("scheduleHelperOff %1 %2").arg(uuidText(folder.id)).arg(delaySeconds));
    }
    void cancelHelperOff(const AppFolder& folder) override {
        calls.append(QStringLiteral("cancelHelperOff ") + uuidText(folder.id));
    }
    /// Kept apart from `calls`: every deletion takes the launcher out, whatever the dock.
    void removeLauncher(const QUuid& folderId) override { removedLaunchers.append(folderId); }
    void noteHelperLaunch(const QUuid& folderId, Date when) override {
        calls.append(QStringLiteral("noteHelperLaunch ") + uuidText(folderId));
        launchTimes.append(when);
    }

    /// Called at each install, to look at what the caller had done by then.
    std::function<void(const AppFolder&)> onInstall;
    QStringList calls;
    QList<QUuid> removedLaunchers;
    QList<AppFolder> installed;
    QList<QList<AppFolder>> synced;
    QList<Date> launchTimes;
};

} // namespace tessly::testing
