// The software-update component: started once by the main application, asked to check when the user wants.
//
//     updater.start();          // at launch; a failure to start is not the user's concern
//     updater.checkForUpdates(); // from the about page
//
// Main thread only.
#pragma once

namespace tessly {

class SoftwareUpdater {
public:
    virtual ~SoftwareUpdater() = default;

    virtual void start() = 0;
    /// Looks for a newer version and tells the user what it found.
    virtual void checkForUpdates() = 0;
};

} // namespace tessly
