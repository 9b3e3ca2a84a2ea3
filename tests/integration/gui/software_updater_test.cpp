// The software updater's check: what the message box says with and without a feed in the Info.plist (never
// that a feed it did not read could not be reached), that it does not block, and that a second check brings
// back the same box.
#include "platform/linux/software_updater_linux.h"
#include "platform/property_list.h"
#include "support/run_events.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tessly {
namespace {

using testing::runEventsUntil;

class LinuxSoftwareUpdaterTest : public ::testing::Test {
protected:
    MainBundle bundleWith(const PlistDictionary& info) {
        const QString path = root.filePath("Tessly.app");
        QDir().mkpath(path + "/Contents");
        EXPECT_TRUE(writePropertyListFile(path + "/Contents/Info.plist", info, PlistFormat::Xml));
        return MainBundle(path, {});
    }
    SoftwareUpdaterTexts texts() {
        return {[] { return QStringLiteral("Software Update"); },
                [this] { return QStringLiteral("No feed (%1)").arg(++asked); },
                [](const QString& feed) { return QStringLiteral("Not checked; the feed is %1").arg(feed); }};
    }
    /// The check's box once it shows; the check itself returned before.
    static QMessageBox* shownBox() {
        QMessageBox* box = nullptr;
        runEventsUntil([&] {
            box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            return box && box->isVisible();
        });
        return box;
    }

    QTemporaryDir root;
    int asked = 0;
};

TEST_F(LinuxSoftwareUpdaterTest, WithoutAFeedTheBoxSaysSoAndASecondCheckBringsTheSameBox) {
    LinuxSoftwareUpdater updater(bundleWith({{"SUFeedURL", "  "}}), texts());
    updater.start();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "starting shows nothing";
    updater.checkForUpdates();
    QMessageBox* box = shownBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "No feed (1)") << "a blank address is no feed";
    EXPECT_EQ(box->windowTitle(), "Software Update");
    EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);

    updater.checkForUpdates();
    EXPECT_EQ(shownBox(), box);
    EXPECT_EQ(asked, 1);

    QPointer<QMessageBox> closed = box;
    box->button(QMessageBox::Ok)->click();
    EXPECT_TRUE(runEventsUntil([&] { return closed.isNull() || !closed->isVisible(); }));
    updater.checkForUpdates();
    box = shownBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "No feed (2)") << "the text is asked for afresh, in the language of the moment";
}

TEST_F(LinuxSoftwareUpdaterTest, AFeedInTheInfoPlistIsNamedAndNotCheckedBecauseNothingIsFetched) {
    LinuxSoftwareUpdater updater(bundleWith({{"SUFeedURL", "https://updates.invalid/appcast.xml"}}), texts());
    updater.checkForUpdates();
    QMessageBox* box = shownBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Not checked; the feed is https://updates.invalid/appcast.xml");
}

} // namespace
} // namespace tessly
