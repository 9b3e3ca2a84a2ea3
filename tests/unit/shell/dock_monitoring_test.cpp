// Dock monitoring across simulated processes in virtual time: the main application with two folders in the
// Dock and their helpers, the Dock's preferences file and the helper state directory with their watchers, and
// the Dock tile plug-in's reports (its pin file and its broadcast).
#include "shell_fixture.h"

#include "model/notification_names.h"

namespace tessly {
namespace {

using testing::ShellWorld;
using testing::SimulatedProcess;
namespace names = notification_names;

class DockMonitoringTest : public ShellWorld {
protected:
    DockMonitoringTest() {
        work = saveFolder("Work");
        play = saveFolder("Play");
    }

    [[nodiscard]] QString dockFile() const {
        return home.path() + "/Library/Preferences/com.apple.dock.plist";
    }
    [[nodiscard]] QString stateDirectory() const { return home.paths().helperStateDirectory(); }
    [[nodiscard]] QString helperPath(const AppFolder& folder) const {
        return home.paths().helpersDirectory() + "/" + folder.name + ".app";
    }

    /// The Dock's preferences as the Dock writes them: the kept helpers as file URLs, and the tile size.
    void writeDockPreferences(const QList<AppFolder>& kept, std::int64_t tileSize = 48) {
        PlistArray entries;
        for (const AppFolder& folder : kept) {
            const PlistDictionary fileData{
                {"_CFURLString",
                 QString::fromLatin1(QUrl::fromLocalFile(helperPath(folder) + "/").toEncoded())},
                {"_CFURLStringType", 15}};
            entries.push_back(PlistValue(PlistDictionary{
                {"tile-data", PlistDictionary{{"file-label", folder.name}, {"file-data", fileData}}}}));
        }
        const PlistDictionary root{{"tilesize", tileSize},
                                   {"persistent-apps", PlistValue(std::move(entries))}};
        home.write("Library/Preferences/com.apple.dock.plist", writePropertyList(root, PlistFormat::Binary));
    }
    /// The Dock replaces its file with a copy renamed over it: the watched item is gone.
    void dockRewrites(const QList<AppFolder>& kept, std::int64_t tileSize = 48) {
        writeDockPreferences(kept, tileSize);
        fileWatchers.deliver(dockFile(), FileEvent::attribute | FileEvent::remove);
    }
    /// What the plug-in inside the Dock does when the Dock passes a tile for the folder's helper, or none.
    void pluginReports(const AppFolder& folder, bool pinned) {
        home.write("Library/Application Support/Tessly/HelperState/" + uuidText(folder.id) + ".pinned",
                   pinned ? "1" : "0");
        fileWatchers.deliver(stateDirectory(), FileEvent::write);
        plugin.post(
            names::kTSDockTilePinStateChanged, std::nullopt,
            PlistDictionary{{names::kKeyFolderID, uuidText(folder.id)}, {names::kKeyIsPinned, pinned}});
    }
    void quits(SimulatedProcess& main, const AppFolder& folder) {
        main.workspace.running.removeIf([&](const RunningApplication& application) {
            return application.bundlePath == helperPath(folder);
        });
    }
    [[nodiscard]] static std::optional<bool> recorded(SimulatedProcess& main, const AppFolder& folder) {
        const auto& map = main->delegate().dockPinnedStateByFolderID();
        const auto found = map.find(folder.id);
        return found == map.end() ? std::nullopt : std::optional<bool>(found->second);
    }
    /// Moves virtual time to `seconds` after the main application started.
    void advanceTo(double seconds) { time.advance(seconds - time.now().timeIntervalSince(m_started)); }
    SimulatedProcess& startMain() {
        SimulatedProcess& main = startMainApplication();
        m_started = time.now();
        return main;
    }

    AppFolder work;
    AppFolder play;
    testing::InMemoryDistributedNotificationCenter plugin{bus, time};

private:
    Date m_started;
};

// The grace and the recently-launched window: at start-up nothing leaves the Dock before 6.1 s, and a helper
// launched less than 2.5 s ago is never judged; a folder taken out starts a fresh window later.
TEST_F(DockMonitoringTest, NothingLeavesTheDockBeforeTheReconciliationAfterTheGrace) {
    writeDockPreferences({work});
    SimulatedProcess& main = startMain();
    ASSERT_TRUE(QFileInfo::exists(helperPath(play)))
        << "the main application built and launched both helpers";
    EXPECT_EQ(recorded(main, work), true);
    EXPECT_EQ(recorded(main, play), false);
    EXPECT_NE(main->delegate().dockStateWatcherFileDescriptor(), -1);
    EXPECT_NE(main->delegate().dockPreferencesWatcherFileDescriptor(), -1);

    // Play's helper quits during the grace; the Dock's file changes: recorded, not acted on.
    advanceTo(1.0);
    quits(main, play);
    dockRewrites({work});
    advanceTo(6.0999);
    EXPECT_TRUE(inDockOnDisk(play));
    advanceTo(6.1);
    EXPECT_FALSE(inDockOnDisk(play)) << "neither pinned nor running";
    EXPECT_FALSE(QFileInfo::exists(helperPath(play)));
    EXPECT_EQ(recorded(main, play), std::nullopt) << "the reconciliation drops the folders out of the Dock";
    EXPECT_TRUE(inDockOnDisk(work));
    EXPECT_FALSE(main->delegate().recentHelperLaunchDates().contains(play.id));
}

TEST_F(DockMonitoringTest, AHelperLaunchedLessThanTwoAndAHalfSecondsAgoIsNotJudged) {
    writeDockPreferences({work});
    SimulatedProcess& main = startMain();
    // Play's helper is relaunched at 4.1 s and has not come up yet.
    advanceTo(4.1);
    quits(main, play);
    main->delegate().noteHelperLaunch(play.id, time.now());

    advanceTo(6.1);
    EXPECT_TRUE(inDockOnDisk(play)) << "launched 2.0 s ago";
    advanceTo(6.5);
    dockRewrites({work});
    time.advance(0.03);
    EXPECT_TRUE(inDockOnDisk(play)) << "launched 2.43 s ago";
    advanceTo(6.6);
    dockRewrites({work});
    time.advance(0.03);
    EXPECT_FALSE(inDockOnDisk(play)) << "launched 2.53 s ago: judged";
}

// A copy of a helper (made by the user, or left by a removal cut short) carries its folder's identifier too.
// The folder's helper is the one the Dock keeps or that runs, whichever order the directory lists the two in:
// the idle copy is never launched in its place nor judged, so the kept folder stays in the Dock.
TEST_F(DockMonitoringTest, AnIdleCopyOfAHelperIsNeverTakenForIt) {
    writeDockPreferences({work, play});
    for (const QString name : {"A copy.app", "Work copy.app", "Zz.app", "work 2.app"}) {
        writeBundle(home.paths().helpersDirectory() + "/" + name, work.id);
    }
    writeBundle(helperPath(work), work.id);
    SimulatedProcess& main = startMain();
    QStringList opened;
    for (const auto& open : main.workspace.opens) {
        opened.append(QFileInfo(open.bundlePath).fileName());
    }
    opened.sort();
    EXPECT_EQ(opened, QStringList({"Play.app", "Work.app"}));

    advanceTo(6.1);
    dockRewrites({work, play});
    time.advance(0.03);
    EXPECT_TRUE(inDockOnDisk(work));
    EXPECT_TRUE(QFileInfo(helperPath(work)).isDir());
    EXPECT_EQ(recorded(main, work), true);
    EXPECT_TRUE(main.workspace.terminated.isEmpty());
}

// A helper that Tessly failed to build (a full disk, here a file where its folder should be) is not a tile
// the user took out of the Dock: its folder stays in, and the next synchronisation builds it.
TEST_F(DockMonitoringTest, AFolderWhoseHelperCouldNotBeBuiltStaysInTheDock) {
    writeDockPreferences({work});
    home.write("Library/Application Support/Tessly/Helpers", "a file in the way");
    SimulatedProcess& main = startMain();
    EXPECT_TRUE(main.workspace.opens.isEmpty());
    EXPECT_EQ(console.countStartingWith("Failed to copy app bundle: "), 2);

    advanceTo(6.1);
    dockRewrites({work});
    advanceTo(12.0);
    EXPECT_TRUE(inDockOnDisk(work));
    EXPECT_TRUE(inDockOnDisk(play));

    QFile::remove(home.paths().helpersDirectory());
    main->store().scheduleDockReconcile();
    time.advance(0.2);
    EXPECT_TRUE(QFileInfo(helperPath(work)).isDir());
    EXPECT_TRUE(QFileInfo(helperPath(play)).isDir());
    EXPECT_EQ(main.workspace.opens.size(), 2);

    // Built and started, a helper that then quits unpinned is judged again.
    time.advance(3.0);
    quits(main, play);
    dockRewrites({work});
    time.advance(0.03);
    EXPECT_FALSE(inDockOnDisk(play));
    EXPECT_TRUE(inDockOnDisk(work));
}

// An unreadable folder file says nothing about which folders are gone: no path of the main application (its
// start, the folders page asking for a reconcile, the Dock's changes) deletes a helper because of it.
TEST_F(DockMonitoringTest, AnUnreadableFolderFileDeletesNoHelper) {
    const QString workHelper = writeBundle(helperPath(work), work.id);
    const QString playHelper = writeBundle(helperPath(play), play.id);
    home.write("Library/Application Support/Tessly/folders.json", "[{\"id\": ");
    SimulatedProcess& main = startMain();
    main->store().scheduleDockReconcile();
    advanceTo(6.1);
    dockRewrites({});
    advanceTo(10.0);
    EXPECT_TRUE(QFileInfo(workHelper).isDir());
    EXPECT_TRUE(QFileInfo(playHelper).isDir());
    EXPECT_TRUE(main.workspace.terminated.isEmpty());
    EXPECT_GE(console.countStartingWith("[FolderStore] The helpers were left as they are"), 2);

    // Once the user's next change is saved (the unreadable file kept aside), the list is the file's again.
    main->store().addFolder(AppFolder{makeUuid(), "New", "folder", {}, false, {}, time.now()});
    main->store().scheduleDockReconcile();
    time.advance(0.2);
    EXPECT_FALSE(QFileInfo(workHelper).exists());
}

// A report within the grace leads to its re-check, which leaves the folder for the reconciliation after the
// grace to judge: the Dock reloading at start-up must not empty the folder list.
TEST_F(DockMonitoringTest, AnUnpinReportWithinTheGraceChangesNothing) {
    writeDockPreferences({});
    SimulatedProcess& main = startMain();
    pluginReports(work, true);
    time.advance(0.05);
    ASSERT_EQ(recorded(main, work), true);

    advanceTo(1.0);
    quits(main, work);
    pluginReports(work, false);
    time.advance(0);
    EXPECT_EQ(recorded(main, work), true) << "the record stands until the re-check";
    EXPECT_TRUE(main->delegate().hasPendingHelperTerminationCheck(work.id));
    time.advance(0.08);
    EXPECT_FALSE(main->delegate().hasPendingHelperTerminationCheck(work.id));
    EXPECT_TRUE(inDockOnDisk(work));
    EXPECT_TRUE(QFileInfo::exists(helperPath(work)));

    advanceTo(6.1);
    EXPECT_FALSE(inDockOnDisk(work)) << "after the grace, neither pinned nor running";
    EXPECT_TRUE(inDockOnDisk(play)) << "still running";
}

// After an unpin report the folder is looked at again 0.08 s later: a re-pin meanwhile keeps it, otherwise it
// leaves the Dock and its helper is retired.
TEST_F(DockMonitoringTest, AnUnpinReportIsCheckedAgainEightyMillisecondsLater) {
    writeDockPreferences({});
    SimulatedProcess& main = startMain();
    advanceTo(7.0);
    pluginReports(work, true);
    time.advance(0.05);
    ASSERT_EQ(recorded(main, work), true);

    // The Dock rearranges its tiles: "not pinned", then "pinned" again within 0.08 s.
    pluginReports(work, false);
    time.advance(0.04);
    pluginReports(work, true);
    time.advance(0.2);
    EXPECT_TRUE(inDockOnDisk(work));
    EXPECT_EQ(recorded(main, work), true);
    EXPECT_FALSE(main->delegate().hasPendingHelperTerminationCheck(work.id));

    // The Dock drops the tile for good. The directory's reconciliation at 0.05 s keeps the folder of a
    // running helper; the re-check looks at the pin only, and asks the helper to quit.
    pluginReports(work, false);
    time.advance(0.0799);
    EXPECT_TRUE(inDockOnDisk(work));
    time.advance(0.0001);
    EXPECT_FALSE(inDockOnDisk(work));
    EXPECT_FALSE(QFileInfo::exists(helperPath(work)));
    EXPECT_EQ(main.workspace.terminated, QStringList{helperPath(work)});
    EXPECT_EQ(recorded(main, work), false) << "until the next reconciliation";
    fileWatchers.deliver(stateDirectory(), FileEvent::write);
    time.advance(0.05);
    EXPECT_EQ(recorded(main, work), std::nullopt);

    // A second report for a folder already recorded not pinned only records it.
    pluginReports(play, false);
    time.advance(0);
    EXPECT_FALSE(main->delegate().hasPendingHelperTerminationCheck(play.id));
}

// The re-check after an unpin report looks again: a tile the Dock's file lists once more by then is pinned,
// and a reconciliation that finds the folder pinned before the re-check cancels it.
TEST_F(DockMonitoringTest, TheRecheckFindsAFolderPinnedAgainAndAReconciliationThatFindsItPinnedCancelsIt) {
    writeDockPreferences({});
    SimulatedProcess& main = startMain();
    advanceTo(7.0);
    pluginReports(work, true);
    time.advance(0.05);
    ASSERT_EQ(recorded(main, work), true);

    // The report and the state directory's reconciliation at 0.05 s see it unpinned; the Dock's file lists it
    // again at 0.06 s, with no event yet: the re-check at 0.08 s finds it there.
    pluginReports(work, false);
    time.advance(0.06);
    EXPECT_TRUE(main->delegate().hasPendingHelperTerminationCheck(work.id));
    writeDockPreferences({work});
    time.advance(0.02);
    EXPECT_FALSE(main->delegate().hasPendingHelperTerminationCheck(work.id));
    EXPECT_EQ(recorded(main, work), true);
    EXPECT_TRUE(inDockOnDisk(work));
    EXPECT_TRUE(main.workspace.terminated.isEmpty());

    // Unpinned again; the Dock's file changes at 0.01 s and its reconciliation (0.04 s) finds the tile kept:
    // the re-check is cancelled, and the file that no longer lists it at 0.06 s is judged by the next event
    // only.
    writeDockPreferences({});
    pluginReports(work, false);
    time.advance(0.01);
    dockRewrites({work});
    time.advance(0.035);
    EXPECT_FALSE(main->delegate().hasPendingHelperTerminationCheck(work.id));
    writeDockPreferences({});
    time.advance(0.1);
    EXPECT_TRUE(inDockOnDisk(work));
    EXPECT_TRUE(main.workspace.terminated.isEmpty());
}

// The user turns off "Keep in Dock" while the helper runs: the folder stays in the Dock until the helper
// quits and the Dock's file or the state directory changes.
TEST_F(DockMonitoringTest, AHelperUnpinnedButRunningKeepsItsFolderUntilItQuits) {
    writeDockPreferences({work, play});
    SimulatedProcess& main = startMain();
    advanceTo(7.0);

    dockRewrites({play});
    time.advance(0.03);
    EXPECT_TRUE(inDockOnDisk(work));
    EXPECT_EQ(recorded(main, work), false);
    time.advance(0.05); // the watcher is on the new file again

    quits(main, work);
    dockRewrites({play});
    time.advance(0.0299);
    EXPECT_TRUE(inDockOnDisk(work));
    time.advance(0.0001);
    EXPECT_FALSE(inDockOnDisk(work));
    EXPECT_TRUE(main.workspace.terminated.isEmpty()) << "it had quit already";
    EXPECT_TRUE(inDockOnDisk(play)) << "kept in the Dock";

    // A kept helper that is not running stays too; removing its tile takes it out and deletes the bundle.
    quits(main, play);
    fileWatchers.deliver(stateDirectory(), FileEvent::write);
    time.advance(0.05);
    EXPECT_TRUE(inDockOnDisk(play));
    dockRewrites({});
    time.advance(0.03);
    EXPECT_FALSE(inDockOnDisk(play));
    EXPECT_FALSE(QFileInfo::exists(helperPath(play)));
}

// The Dock's preferences watcher: the tile size it reads on every change, the re-arm after the file was
// replaced, and a missing file at re-arm time that leaves the watcher absent.
TEST_F(DockMonitoringTest, TheDockFileIsWatchedAgainAfterItsReplacementAndGivesTheDockHeight) {
    writeDockPreferences({work, play}, 48);
    SimulatedProcess& main = startMain();
    EXPECT_EQ(main->delegate().cachedDockHeight(), 66);

    dockRewrites({work, play}, 40);
    time.advance(0.03);
    EXPECT_EQ(main->delegate().cachedDockHeight(), 58);
    EXPECT_EQ(main->delegate().dockPreferencesWatcherFileDescriptor(), -1) << "closed until the re-arm";
    time.advance(0.0499);
    EXPECT_FALSE(fileWatchers.isWatched(dockFile()));
    time.advance(0.0001);
    EXPECT_TRUE(fileWatchers.isWatched(dockFile()));
    EXPECT_NE(main->delegate().dockPreferencesWatcherFileDescriptor(), -1);

    // Written in place: a write, no re-arm.
    writeDockPreferences({work, play}, 64);
    fileWatchers.deliver(dockFile(), FileEvent::write | FileEvent::extend);
    time.advance(0.03);
    EXPECT_EQ(main->delegate().cachedDockHeight(), 82);
    EXPECT_TRUE(fileWatchers.isWatched(dockFile()));

    // Deleted for good: the re-arm finds nothing, and nothing retries.
    const qsizetype printed = console.lines.size();
    QFile::remove(dockFile());
    fileWatchers.deliver(dockFile(), FileEvent::remove);
    time.advance(1.0);
    writeDockPreferences({work, play});
    time.advance(1.0);
    EXPECT_FALSE(fileWatchers.isWatched(dockFile()));
    EXPECT_EQ(main->delegate().dockPreferencesWatcherFileDescriptor(), -1);
    EXPECT_EQ(console.lines.size(), printed) << "a watcher that cannot open its path says nothing";
}

TEST_F(DockMonitoringTest, TheStateDirectoryIsRecreatedAndWatchedAgainAfterItWasDeleted) {
    SimulatedProcess& main = startMain();
    EXPECT_EQ(main->delegate().dockPreferencesWatcherFileDescriptor(), -1) << "no Dock preferences file";
    ASSERT_TRUE(fileWatchers.isWatched(stateDirectory()));

    QDir(stateDirectory()).removeRecursively();
    fileWatchers.deliver(stateDirectory(), FileEvent::remove);
    time.advance(0.05);
    EXPECT_FALSE(fileWatchers.isWatched(stateDirectory()));
    time.advance(0.05);
    EXPECT_TRUE(QFileInfo(stateDirectory()).isDir());
    EXPECT_TRUE(fileWatchers.isWatched(stateDirectory()));

    // Monitoring goes on through the new watch: a helper that quit after the grace is taken out.
    advanceTo(7.0);
    quits(main, play);
    fileWatchers.deliver(stateDirectory(), FileEvent::write);
    time.advance(0.0499);
    EXPECT_TRUE(inDockOnDisk(play));
    time.advance(0.0001);
    EXPECT_FALSE(inDockOnDisk(play));
}

// Reports the main application cannot trust change nothing; a helper ignores the reports altogether.
TEST_F(DockMonitoringTest, MalformedReportsAndReportsInAHelperChangeNothing) {
    writeDockPreferences({});
    SimulatedProcess& main = startMain();
    advanceTo(7.0);
    pluginReports(work, true);
    time.advance(0.05);
    quits(main, work);

    const QString id = uuidText(work.id);
    const QList<PlistDictionary> malformed{
        {{names::kKeyIsPinned, false}},
        {{names::kKeyFolderID, id}},
        {{names::kKeyFolderID, 42}, {names::kKeyIsPinned, false}},
        {{names::kKeyFolderID, "../" + id}, {names::kKeyIsPinned, false}},
        {{names::kKeyFolderID, id}, {names::kKeyIsPinned, "false"}},
        {{names::kKeyFolderID, id}, {names::kKeyIsPinned, 0}},
    };
    for (const PlistDictionary& userInfo : malformed) {
        plugin.post(names::kTSDockTilePinStateChanged, std::nullopt, userInfo);
    }
    time.advance(0);
    EXPECT_FALSE(main->delegate().hasPendingHelperTerminationCheck(work.id));
    time.advance(1.0);
    EXPECT_TRUE(inDockOnDisk(work));
    EXPECT_EQ(recorded(main, work), true);

    // A lower-case identifier is still the folder's. Identifiers of no folder are not recorded at all: any
    // process may report them by the hundred thousand.
    for (int i = 0; i < 1000; ++i) {
        plugin.post(
            names::kTSDockTilePinStateChanged, std::nullopt,
            PlistDictionary{{names::kKeyFolderID, uuidText(makeUuid())}, {names::kKeyIsPinned, i % 2 == 0}});
    }
    plugin.post(names::kTSDockTilePinStateChanged, std::nullopt,
                PlistDictionary{{names::kKeyFolderID, id.toLower()}, {names::kKeyIsPinned, false}});
    time.advance(0);
    EXPECT_TRUE(main->delegate().hasPendingHelperTerminationCheck(work.id));
    const auto& recordedStates = main->delegate().dockPinnedStateByFolderID();
    EXPECT_EQ(
        std::count_if(recordedStates.begin(), recordedStates.end(),
                      [&](const auto& entry) { return entry.first != work.id && entry.first != play.id; }),
        0);

    SimulatedProcess& helper = startHelper(play, {"-group", uuidText(play.id)});
    plugin.post(names::kTSDockTilePinStateChanged, std::nullopt,
                PlistDictionary{{names::kKeyFolderID, uuidText(play.id)}, {names::kKeyIsPinned, true}});
    time.advance(0);
    EXPECT_TRUE(helper->delegate().dockPinnedStateByFolderID().empty());
    EXPECT_FALSE(fileWatchers.opens.count(stateDirectory()) > 1) << "a helper watches nothing";
}

// Teardown: pending checks, the post-grace reconciliation and watcher reports die with the delegate.
TEST_F(DockMonitoringTest, NothingOfTheMonitoringRunsAfterTheMainApplicationEnded) {
    writeDockPreferences({});
    SimulatedProcess& main = startMain();
    advanceTo(7.0);
    pluginReports(work, true);
    time.advance(0.05);
    quits(main, work);
    pluginReports(work, false); // a re-check is pending, and so is the directory's report
    time.advance(0);
    ASSERT_TRUE(main->delegate().hasPendingHelperTerminationCheck(work.id));

    stop(main);
    EXPECT_FALSE(fileWatchers.isWatched(stateDirectory()));
    EXPECT_EQ(time.pendingCount(), 0U);
    time.advance(10.0);
    EXPECT_TRUE(inDockOnDisk(work));
}

} // namespace
} // namespace tessly
