// What the folder store asks of the helper manager, and where it notes helper launches.
//
//     class HelperManager : public HelperActions { ... };          // builds, launches and retires helpers
//     store.setHelperLaunchRecorder(&appDelegate);                // the shell's map of recent launches
//
// Main thread only.
#pragma once

#include "model/app_folder.h"
#include "platform/date.h"

#include <QList>
#include <QUuid>

namespace tessly {

class HelperActions {
public:
    virtual ~HelperActions() = default;

    /// Removes any existing helper of the folder, then builds, signs and launches a fresh one.
    virtual void installHelper(const AppFolder& folder) = 0;
    /// Removes the folder's helper; `preserve` keeps the folder's state files.
    virtual void removeHelper(const QUuid& folderId, bool preserve) = 0;
    /// Brings every helper in line with `folders`.
    virtual void syncHelpers(const QList<AppFolder>& folders) = 0;
    /// Retires the folder's helper after `delaySeconds`; it shows the off badge meanwhile.
    virtual void scheduleHelperOff(const AppFolder& folder, double delaySeconds) = 0;
    /// Cancels a pending retirement of the folder's helper.
    virtual void cancelHelperOff(const AppFolder& folder) = 0;
    /// Takes the folder's launcher out of a dock that keeps launchers and removes its desktop entry; nothing
    /// in a Dock that shows the helpers' own tiles.
    virtual void removeLauncher(const QUuid& folderId) = 0;
};

/// The shell's map of recent helper launch times, which Dock monitoring respects for a short while.
class HelperLaunchRecorder {
public:
    virtual ~HelperLaunchRecorder() = default;
    virtual void noteHelperLaunch(const QUuid& folderId, Date when) = 0;
};

} // namespace tessly
