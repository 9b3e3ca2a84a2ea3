// A home reached through a symbolic link and written with doubled and trailing slashes: processes report
// their bundles at resolved paths (as /proc shows them) and the Dock's entries may name them either way, yet
// each helper is one bundle, started once, asked to quit before it is deleted.
#include "helper_manager_fixture.h"

#include "model/notification_names.h"

#include <QFile>
#include <QTemporaryDir>

namespace tessly::testing {
namespace {

class LinkedHomeTest : public HelperManagerTest {
protected:
    LinkedHomeTest() {
        // The link is made before the linked manager first looks at its directories.
        EXPECT_TRUE(QFile::link(home.path(), links.path() + "/home"));
        linked.setHelperLaunchRecorder(&launches);
    }

    /// Where a process of the helper shows its bundle: the real path, links resolved.
    QString resolved(const QString& name) const {
        return QFileInfo(home.path()).canonicalFilePath() + "/Library/Application Support/Tessly/Helpers/" +
               name;
    }
    /// The same bundle through the link, as written from $HOME.
    QString throughLink(const QString& name) const {
        return links.path() + "//home/Library/Application Support/Tessly/Helpers/" + name;
    }
    static PlistValue entry(const QString& url, std::int64_t type, const QString& label) {
        return PlistDictionary{
            {"tile-data", PlistDictionary{{"file-label", label},
                                          {"file-data", PlistDictionary{{"_CFURLString", url},
                                                                        {"_CFURLStringType", type}}}}}};
    }

    QTemporaryDir links{QDir::tempPath() + "/tessly-links-XXXXXX"};
    Paths linkedPaths{links.path() + "//home/"};
    HelperManager linked{HelperEnvironment{linkedPaths, mainBundle, defaults, workspace, processes,
                                           attributes, dock, notifications, distributed, time, time, console,
                                           console, QStringLiteral("/usr/bin/codesign")}};
};

TEST_F(LinkedHomeTest, ARunningHelperIsStartedOnceNeitherRebuiltNorDeletedUnderItsProcess) {
    const AppFolder work = folder("Work");
    linked.installHelper(work);
    time.runDue();
    ASSERT_EQ(workspace.opens.size(), 1);
    workspace.running = {{4242, resolved("Work.app")}};
    workspace.opens.clear();

    EXPECT_TRUE(linked.isHelperRunning(throughLink("Work.app")));
    EXPECT_TRUE(linked.isHelperRunning(resolved("Work.app") + "/"));
    linked.syncHelpers({work});
    EXPECT_TRUE(workspace.opens.isEmpty()) << "no second copy of a running helper";

    // Stale but running: left alone.
    QFile executable(resolved("Work.app") + "/Contents/MacOS/Tessly");
    ASSERT_TRUE(executable.open(QIODevice::ReadWrite));
    executable.setFileTime(QDateTime::currentDateTime().addDays(-1), QFileDevice::FileModificationTime);
    executable.close();
    home.write("Library/Application Support/Tessly/Helpers/Work.app/Contents/Resources/added", "kept");
    linked.syncHelpers({work});
    EXPECT_TRUE(QFileInfo::exists(resolved("Work.app") + "/Contents/Resources/added")) << "not rebuilt";
    EXPECT_TRUE(workspace.opens.isEmpty());

    linked.scheduleHelperOff(work, 2.0);
    time.advance(2.0);
    EXPECT_EQ(workspace.terminated, QStringList({resolved("Work.app")}))
        << "asked to quit before the deletion";
    EXPECT_FALSE(QFileInfo::exists(resolved("Work.app")));
}

TEST_F(LinkedHomeTest, DockEntriesNameTheHelperInAnyForm) {
    const AppFolder work = folder("Work");
    ASSERT_TRUE(linked.buildHelper(work));
    const QString url = QUrl::fromLocalFile(resolved("Work.app") + "/").toString(QUrl::FullyEncoded);
    ASSERT_TRUE(url.startsWith("file:///"));
    const QString localhost = "file://localhost" + url.mid(7);

    EXPECT_EQ(HelperManager::tilePath(entry(localhost, 15, "Work")), resolved("Work.app"));
    EXPECT_EQ(HelperManager::tilePath(entry("file://LocalHost/Applications/A%20B.app/", 15, "A B")),
              "/Applications/A B.app");
    EXPECT_FALSE(HelperManager::tilePath(entry("file://server/Applications/A.app/", 15, "A")))
        << "a file of another machine";

    // Kept in the Dock by the resolved path, as the Dock writes it: pinned, with no pin file at all.
    home.write(
        "Library/Preferences/com.apple.dock.plist",
        writePropertyList(PlistDictionary{{"persistent-apps", PlistArray{entry(localhost, 15, "Renamed")}}},
                          PlistFormat::Binary));
    EXPECT_TRUE(linked.isFolderPinned(work.id));
    home.write("Library/Preferences/com.apple.dock.plist",
               writePropertyList(PlistDictionary{{"persistent-apps",
                                                  PlistArray{entry(throughLink("Work.app/"), 0, "Renamed")}}},
                                 PlistFormat::Binary));
    EXPECT_TRUE(linked.isFolderPinned(work.id)) << "or through the link";

    const PlistArray entries{entry(localhost, 15, "Renamed"), entry(throughLink("Work.app"), 0, "Renamed"),
                             entry("file:///Applications/Work.app/", 15, "Work")};
    dock.values.set("persistent-apps", entries);
    linked.removeDockTile(work);
    EXPECT_EQ(*dock.values.find("persistent-apps")->asArray(), PlistArray{entries[2]});
    EXPECT_TRUE(postedNames().contains(notification_names::kDockPreferencesChanged));
}

} // namespace
} // namespace tessly::testing
