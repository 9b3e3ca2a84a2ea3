// From a fresh home to a folder in the Dock, with the keyboard alone, as a person who does not reach for the
// pointer would: the onboarding, a new folder named in the editor, two applications chosen in the picker, the
// folder switched into the Dock, and its helper running. Each step leaves a screenshot in the build tree.
#include "e2e/main_window_fixture.h"
#include "model/folder_json.h"
#include "support/test_application.h"

#include <QDirIterator>

namespace tessly {
namespace {

using testing::runEventsUntil;
using testing::TempHome;

class FoldersEndToEndTest : public MainWindowEndToEndTest {
protected:
    [[nodiscard]] QList<AppFolder> folders() const {
        return decodeFolderList(
                   TempHome::read(home.path() + "/Library/Application Support/Tessly/folders.json"), Date())
            .folders.value_or(QList<AppFolder>());
    }
    [[nodiscard]] static bool helperRuns(const QString& name) {
        QDirIterator it(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
        while (it.hasNext()) {
            it.next();
            if (QFileInfo(it.filePath() + "/exe")
                    .symLinkTarget()
                    .contains("/Tessly/Helpers/" + name + ".app/")) {
                return true;
            }
        }
        return false;
    }
};

TEST_F(FoldersEndToEndTest, FromAFreshHomeToAFolderOfTwoApplicationsInTheDockByKeyboard) {
    // Where the picker finds them.
    ASSERT_FALSE(testing::makeTestApplication(home, "Notes").isEmpty());
    ASSERT_FALSE(testing::makeTestApplication(home, "Paint").isEmpty());
    startTessly();
    ASSERT_TRUE(runEventsUntil([&] { return !mainWindow().isEmpty(); }));
    desktop.run("xdotool", {"windowactivate", "--sync", mainWindow()});
    key("Return Return Return");
    ASSERT_TRUE(runEventsUntil([&] { return onboardingDone(); })) << "through the onboarding";
    steadyFrame();
    screenshot("folders-1-no-folders-yet");

    // The keyboard starts in the search field; the next stop is the new-folder button.
    ASSERT_TRUE(keyAndWait("Tab space")) << "the folder editor opens";
    screenshot("folders-2-editor");
    ASSERT_TRUE(typeAndWait("Tools"));
    key("Return");
    ASSERT_TRUE(runEventsUntil([&] { return folders().size() == 1 && folders().first().name == "Tools"; }))
        << "Return saves the new folder";
    ASSERT_TRUE(waitForChangeFrom(QImage()));
    screenshot("folders-3-one-folder");

    // Back on the new-folder button: past the card's switch to its chevron, which opens it; then past Edit
    // to the button that adds applications.
    ASSERT_TRUE(keyAndWait("Tab Tab space")) << "the card opens";
    ASSERT_TRUE(keyAndWait("Tab Tab space")) << "the application picker opens";
    screenshot("folders-4-picker");
    ASSERT_TRUE(typeAndWait("Notes"));
    ASSERT_TRUE(keyAndWait("Tab space")) << "the only application found is chosen";
    ASSERT_TRUE(keyAndWait("shift+Tab ctrl+a"));
    ASSERT_TRUE(typeAndWait("Paint"));
    ASSERT_TRUE(keyAndWait("Tab space"));
    screenshot("folders-5-two-chosen");
    key("Tab Tab space");
    ASSERT_TRUE(runEventsUntil([&] { return !folders().isEmpty() && folders().first().apps.size() == 2; }))
        << "both applications are in the folder";
    EXPECT_EQ(folders().first().apps.at(0).name, "Notes");
    EXPECT_EQ(folders().first().apps.at(1).name, "Paint");
    ASSERT_TRUE(waitForChangeFrom(QImage()));
    screenshot("folders-6-two-applications");

    // The keyboard is back on the button that opened the picker: back past Edit and the chevron to the
    // switch.
    key("shift+Tab shift+Tab shift+Tab space");
    ASSERT_TRUE(runEventsUntil([&] { return !folders().isEmpty() && folders().first().isInDock; }))
        << "switched into the Dock";
    EXPECT_TRUE(runEventsUntil([&] { return helperRuns("Tools"); })) << "its helper runs";
    ASSERT_TRUE(waitForChangeFrom(QImage()));
    screenshot("folders-7-in-the-dock");
}

} // namespace
} // namespace tessly
