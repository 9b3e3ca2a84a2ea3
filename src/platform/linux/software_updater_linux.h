// The software-update component on Linux: there is no update service to ask, so a check tells the user so.
//
//     LinuxSoftwareUpdater updater(bundle, {[&] { return text("update.title"); },
//                                           [&] { return text("update.no_feed"); },
//                                           [&](const QString& feed) { return text("update.not_checked",
//                                           feed); }});
//     updater.start();
//     updater.checkForUpdates();     // from the about page
//
// The feed is the main bundle's Info.plist "SUFeedURL" (a non-empty text), read at construction. start() does
// nothing more. checkForUpdates() shows an application-modal message box, without a nested event loop: that
// this build has no update feed or, when the Info.plist names one, that this build does not look for updates
// itself and where the feed is (nothing is fetched: this build has no network code, so it claims nothing of
// the feed). The texts are asked for at each check, so they follow the language the user chose since. A
// second check while the box is shown brings that box to the front.
//
// Needs the QApplication; main thread only.
#pragma once

#include "platform/main_bundle.h"
#include "platform/software_updater.h"

#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class QMessageBox;

namespace tessly {

/// The texts of the update check, in the user's language.
struct SoftwareUpdaterTexts {
    /// The message box's title.
    std::function<QString()> title;
    /// No update feed in this build.
    std::function<QString()> noFeed;
    /// The Info.plist names a feed at the address given, which this build does not read.
    std::function<QString(const QString& feedAddress)> feedNotChecked;
};

class LinuxSoftwareUpdater final : public SoftwareUpdater {
public:
    LinuxSoftwareUpdater(const MainBundle& bundle, SoftwareUpdaterTexts texts);
    ~LinuxSoftwareUpdater() override;
    LinuxSoftwareUpdater(const LinuxSoftwareUpdater&) = delete;
    LinuxSoftwareUpdater& operator=(const LinuxSoftwareUpdater&) = delete;

    void start() override {}
    void checkForUpdates() override;

private:
    std::optional<QString> m_feedAddress;
    SoftwareUpdaterTexts m_texts;
    /// The box on screen, if any; it deletes itself when answered or closed.
    QPointer<QMessageBox> m_box;
};

} // namespace tessly
