#include "helper_manager_fixture.h"

#include "helpers/helper_files.h"
#include "model/notification_names.h"

#include <QFile>

namespace tessly::testing {
namespace {

class LifecycleTest : public HelperManagerTest {
protected:
    QString stateFile(const AppFolder& f, const QString& suffix) {
        return manager.helperStateDir() + "/" + uuidText(f.id) + suffix;
    }
    QList<PlistDictionary> offBadges() const {
        QList<PlistDictionary> badges;
        for (const auto& n : bus.posted) {
            if (n.name == notification_names::kTSFolderOffBadge) {
                badges.append(n.userInfo);
            }
        }
        return badges;
    }
};

TEST_F(LifecycleTest, InstallWritesTheMarkerBuildsAndLaunchesWithTheGroupArgument) {
    const AppFolder work = folder("Work");
    manager.installHelper(work);
    const QString marker = TempHome::read(stateFile(work, ".launch"));
    EXPECT_EQ(marker.toDouble(), time.now().timeIntervalSince1970()) << marker.toStdString();
    EXPECT_FALSE(marker.contains('\n'));

    ASSERT_EQ(workspace.opens.size(), 1);
    const auto& open = workspace.opens.first();
    EXPECT_EQ(open.bundlePath, manager.helpersDir() + "/Work.app");
    EXPECT_FALSE(open.configuration.activates);
    EXPECT_TRUE(open.configuration.createsNewApplicationInstance);
    EXPECT_EQ(open.configuration.arguments, QStringList({"-group", uuidText(work.id)}));

    time.runDue();
    EXPECT_EQ(console.lines.last(), "Successfully launched helper: " + open.bundlePath);
    EXPECT_EQ(console.logLines.last(), "Tessly: Successfully launched helper: " + open.bundlePath);
}

TEST_F(LifecycleTest, AFailedLaunchRemovesTheMarkerAndLogsIt) {
    const AppFolder work = folder("Work");
    workspace.openError = QStringLiteral("The application could not be started");
    manager.installHelper(work);
    EXPECT_TRUE(QFileInfo::exists(stateFile(work, ".launch")));
    time.runDue();
    EXPECT_FALSE(QFileInfo::exists(stateFile(work, ".launch")));
    const QString path = manager.helpersDir() + "/Work.app";
    EXPECT_EQ(console.lines.last(),
              "Failed to launch helper " + path + ": The application could not be started");
    EXPECT_EQ(console.logLines.last(),
              "Tessly: Failed to launch helper " + path + ": The application could not be started");
}

TEST_F(LifecycleTest, MarkersReplaceALinkPlantedAtTheirNameAndLeaveItsTargetAlone) {
    const AppFolder work = folder("Work");
    const QString outside = home.write("elsewhere/notes.txt", "notes");
    for (const QString suffix : {".launch", ".preserve"}) {
        QFile::remove(stateFile(work, suffix));
        ASSERT_TRUE(QFile::link(outside, stateFile(work, suffix)));
    }
    manager.installHelper(work);
    manager.installHelper(work); // the second removes the first with a preserve marker

    EXPECT_EQ(TempHome::read(outside), "notes");
    EXPECT_FALSE(QFileInfo(stateFile(work, ".launch")).isSymLink());
    EXPECT_EQ(TempHome::read(stateFile(work, ".launch")).toDouble(), time.now().timeIntervalSince1970());
    EXPECT_FALSE(QFileInfo(stateFile(work, ".preserve")).isSymLink());
}

TEST_F(LifecycleTest, ReinstallQuitsTheOldHelperAndLeavesAPreserveMarker) {
    const AppFolder work = folder("Work");
    manager.installHelper(work);
    const QString helper = workspace.opens.first().bundlePath;
    manager.installHelper(work);
    EXPECT_EQ(workspace.terminated, QStringList({helper}));
    EXPECT_TRUE(QFileInfo::exists(stateFile(work, ".preserve")));
    EXPECT_TRUE(manager.consumePreserveMarker(work.id));
    EXPECT_FALSE(manager.consumePreserveMarker(work.id));

    manager.removeHelper(work.id, false);
    EXPECT_FALSE(manager.findHelper(work.id));
    EXPECT_FALSE(QFileInfo::exists(stateFile(work, ".preserve")));

    manager.removeHelper(work.id, true); // no helper: nothing written
    EXPECT_FALSE(QFileInfo::exists(stateFile(work, ".preserve")));
}

TEST_F(LifecycleTest, OutOfTheDockAndBackWithinTwoSecondsCancelsTheRetirement) {
    const AppFolder work = folder("Work");
    manager.installHelper(work);
    manager.scheduleHelperOff(work, 2.0);
    EXPECT_TRUE(manager.hasOffTimerForTesting(work.id));
    time.advance(1.5);
    manager.cancelHelperOff(work);
    EXPECT_FALSE(manager.hasOffTimerForTesting(work.id));

    const auto badges = offBadges();
    ASSERT_EQ(badges.size(), 2);
    EXPECT_EQ(badges[0], PlistDictionary({{"id", uuidText(work.id)}}));
    EXPECT_EQ(badges[1], PlistDictionary({{"id", uuidText(work.id)}, {"hide", true}}));

    time.advance(5.0);
    EXPECT_TRUE(manager.findHelper(work.id)) << "the retirement never ran";
    EXPECT_TRUE(dock.writes.isEmpty());
}

TEST_F(LifecycleTest, ASecondRetirementRestartsTheDelay) {
    const AppFolder work = folder("Work");
    manager.installHelper(work);
    manager.scheduleHelperOff(work, 2.0);
    time.advance(1.0);
    manager.scheduleHelperOff(work, 2.0);
    time.advance(1.5);
    EXPECT_TRUE(manager.findHelper(work.id)) << "2.5 s after the first request, 1.5 s after the second";
    time.advance(0.5);
    EXPECT_FALSE(manager.findHelper(work.id));
    EXPECT_FALSE(manager.hasOffTimerForTesting(work.id));
    EXPECT_EQ(offBadges().size(), 2);
}

TEST_F(LifecycleTest, RetirementTakesTheTileOutOfTheDockAndRemovesTheHelper) {
    const AppFolder work = folder("Work");
    manager.installHelper(work);
    const QString helper = manager.helpersDir() + "/Work.app";
    PlistArray apps{PlistValue(PlistDictionary{
        {"tile-data",
         PlistDictionary{{"file-label", "Work"},
                         {"file-data", PlistDictionary{{"_CFURLString", QUrl::fromLocalFile(helper + "/")
                                                                            .toString(QUrl::FullyEncoded)},
                                                       {"_CFURLStringType", 15}}}}}})};
    dock.values.set("persistent-apps", apps);
    manager.scheduleHelperOff(work, 2.0);
    time.advance(2.0);
    EXPECT_EQ(dock.values.find("persistent-apps")->asArray()->size(), 0u);
    EXPECT_TRUE(postedNames().contains("com.apple.dock.prefchanged"));
    EXPECT_EQ(workspace.terminated, QStringList({helper}));
    EXPECT_FALSE(QFileInfo::exists(helper));
    EXPECT_FALSE(QFileInfo::exists(stateFile(work, ".preserve")));
}

TEST_F(LifecycleTest, SyncRemovesWhatIsNotInTheDockAndStartsWhatIsMissing) {
    const AppFolder kept = folder("Kept");
    const AppFolder gone = folder("Gone");
    const AppFolder fresh = folder("Fresh");
    manager.installHelper(kept);
    manager.installHelper(gone);
    home.write(QDir(home.path()).relativeFilePath(manager.helpersDir()) + "/Junk.app/Contents/MacOS/x",
               "no Info.plist");
    workspace.opens.clear();
    launches.calls.clear();

    AppFolder goneNow = gone;
    goneNow.isInDock = false;
    manager.syncHelpers({kept, goneNow, fresh});
    EXPECT_TRUE(manager.findHelper(kept.id));
    EXPECT_FALSE(manager.findHelper(gone.id));
    EXPECT_FALSE(QFileInfo::exists(manager.helpersDir() + "/Junk.app"));
    EXPECT_TRUE(workspace.terminated.contains(manager.helpersDir() + "/Gone.app"));
    ASSERT_EQ(workspace.opens.size(), 1) << "the running kept helper is left alone";
    EXPECT_EQ(workspace.opens.first().bundlePath, manager.helpersDir() + "/Fresh.app");
    EXPECT_EQ(launches.calls, QStringList({"noteHelperLaunch " + uuidText(fresh.id)}));
}

TEST_F(LifecycleTest, SyncStartsAStoppedHelperWithoutALaunchMarker) {
    const AppFolder work = folder("Work");
    manager.installHelper(work);
    time.runDue();
    manager.removeMarker(work.id, ".launch");
    workspace.running.clear(); // the user quit it
    workspace.opens.clear();
    manager.syncHelpers({work});
    ASSERT_EQ(workspace.opens.size(), 1);
    EXPECT_FALSE(QFileInfo::exists(stateFile(work, ".launch")));

    manager.syncHelpers({});
    EXPECT_TRUE(helperBundles().isEmpty());
}

// Someone else's helper, running from another home, reached by links planted among ours: one named after our
// folder's helper, one with a name of its own, and a bundle of ours whose Contents lead there.
TEST_F(LifecycleTest, LinksInTheHelpersDirectoryAreNobodysHelpersAndNothingIsAskedToQuitForThem) {
    const AppFolder work = folder("Work");
    const AppFolder old = folder("Old", false);
    const QString dir = manager.helpersDir();
    const QString theirs = home.path() + "/Other/Library/Application Support/Tessly/Helpers/Work.app";
    PlistDictionary info = applicationInfo();
    info.set("TSGroupUUID", uuidText(work.id)); // the same folder, as a copy of our file would have it
    home.write("Other/Library/Application Support/Tessly/Helpers/Work.app/Contents/Info.plist",
               writePropertyList(info, PlistFormat::Xml));
    home.write("Other/Library/Application Support/Tessly/Helpers/Work.app/Contents/MacOS/Tessly",
               "#!/bin/sh\n");
    workspace.running.append({4242, theirs});
    ASSERT_TRUE(QFile::link(theirs, dir + "/Work.app"));
    ASSERT_TRUE(QFile::link(theirs, dir + "/Planted.app"));
    QDir().mkpath(dir + "/Hollow.app");
    ASSERT_TRUE(QFile::link(theirs + "/Contents", dir + "/Hollow.app/Contents"));

    EXPECT_FALSE(manager.findHelper(work.id));
    const HelperDockState state = manager.helperDockStates({work.id}).value(work.id);
    EXPECT_FALSE(state.hasHelper);
    EXPECT_FALSE(state.running);
    EXPECT_FALSE(manager.isFolderPinned(work.id));
    manager.removeHelper(work.id, false);
    manager.removeHelper(old.id, false);
    EXPECT_TRUE(workspace.terminated.isEmpty());

    manager.syncHelpers({work, old});
    EXPECT_TRUE(workspace.terminated.isEmpty()) << workspace.terminated.join(", ").toStdString();
    EXPECT_FALSE(QFileInfo(dir + "/Planted.app").isSymLink()) << "a link is removed";
    EXPECT_FALSE(helper_files::existsOrIsLink(dir + "/Planted.app"));
    EXPECT_FALSE(helper_files::existsOrIsLink(dir + "/Hollow.app"));
    EXPECT_TRUE(QFileInfo::exists(theirs + "/Contents/Info.plist")) << "as a link, never followed";
    EXPECT_TRUE(QFileInfo::exists(theirs + "/Contents/MacOS/Tessly"));
    const auto ours = manager.findHelper(work.id);
    ASSERT_TRUE(ours) << "the folder gets a helper of its own";
    EXPECT_FALSE(QFileInfo(*ours).isSymLink());
    ASSERT_EQ(workspace.opens.size(), 1);
    EXPECT_EQ(workspace.opens.first().bundlePath, *ours);
}

TEST_F(LifecycleTest, LocalAppearanceChangesAreRelayedOnce) {
    notifications.post(notification_names::kTileAppearanceChanged, QVariant::fromValue(makeUuid()));
    notifications.post(notification_names::kPopupSettingsChanged);
    EXPECT_EQ(postedNames(), QStringList({"TSTileAppearanceChanged", "TSPopupSettingsChanged"}));
}

TEST_F(LifecycleTest, PinStateFollowsTheDockFileThenThePinFileOfARunningHelper) {
    const AppFolder work = folder("Work");
    const AppFolder other = folder("Other");
    // The one-folder check and the check of many folders at once (a reconciliation's) agree at every step.
    auto pinned = [&](const AppFolder& f) {
        const bool one = manager.isFolderPinned(f.id);
        const QHash<QUuid, HelperDockState> many = manager.helperDockStates({other.id, f.id});
        EXPECT_EQ(many.value(f.id).pinned, one);
        EXPECT_FALSE(many.value(other.id).hasHelper);
        return one;
    };
    home.write("Library/Application Support/Tessly/HelperState/" + uuidText(work.id) + ".pinned", "1\n");
    EXPECT_FALSE(pinned(work)) << "no helper bundle";

    manager.installHelper(work);
    EXPECT_TRUE(pinned(work)) << "\"1\" with a line break, helper running";
    workspace.running.clear();
    EXPECT_FALSE(pinned(work)) << "a pin file counts only while the helper runs";

    const QString helper = manager.helpersDir() + "/Work.app";
    PlistDictionary file{
        {"persistent-apps",
         PlistArray{PlistValue(PlistDictionary{
             {"tile-data", PlistDictionary{{"file-data", PlistDictionary{{"_CFURLString", helper},
                                                                         {"_CFURLStringType", 0}}}}}})}}};
    home.write("Library/Preferences/com.apple.dock.plist", writePropertyList(file, PlistFormat::Binary));
    EXPECT_TRUE(pinned(work)) << "kept in the Dock's file, whatever the pin file says";

    home.write("Library/Preferences/com.apple.dock.plist",
               writePropertyList(PlistDictionary{}, PlistFormat::Binary));
    home.write("Library/Application Support/Tessly/HelperState/" + uuidText(work.id) + ".pinned", "0");
    workspace.running.append({7, helper});
    EXPECT_FALSE(pinned(work));
}

TEST_F(LifecycleTest, ProcessIdentityComesFromTheOwnInfoPlist) {
    EXPECT_FALSE(manager.isHelperProcess());
    EXPECT_FALSE(defaults.hasObject("group"));

    for (const auto& [value, isHelper] : std::vector<std::pair<QString, bool>>{
             {"", false}, {"not-a-uuid", false}, {uuidText(makeUuid()).toLower(), true}}) {
        PlistDictionary info = applicationInfo();
        info.set("TSGroupUUID", value);
        home.write("Apps/Tessly.app/Contents/Info.plist", writePropertyList(info, PlistFormat::Xml));
        const MainBundle helperBundle(appPath, {});
        HelperManager helperManager(HelperEnvironment{paths, helperBundle, defaults, workspace, processes,
                                                      attributes, dock, notifications, distributed, time,
                                                      time, console, console, "/usr/bin/codesign"});
        EXPECT_EQ(helperManager.isHelperProcess(), isHelper) << value.toStdString();
        EXPECT_EQ(defaults.hasObject("group"), !value.isEmpty()) << "mirrored, and removed for an empty text";
    }
}

// The main application and its helpers share the defaults and ask for their identity at every notification:
// each mirrors it when it first asks, instead of their taking turns rewriting the key.
TEST_F(LifecycleTest, EachProcessMirrorsItsIdentityOnceInsteadOfTakingTurns) {
    PlistDictionary info = applicationInfo();
    info.set("TSGroupUUID", uuidText(makeUuid()));
    home.write("Helpers/Work.app/Contents/Info.plist", writePropertyList(info, PlistFormat::Xml));
    const MainBundle helperBundle(home.path() + "/Helpers/Work.app", {});
    HelperManager helper(HelperEnvironment{paths, helperBundle, defaults, workspace, processes, attributes,
                                           dock, notifications, distributed, time, time, console, console,
                                           "/usr/bin/codesign"});
    const qsizetype before = defaults.writes.count("group");
    for (int i = 0; i < 10; ++i) {
        EXPECT_TRUE(helper.isHelperProcess());
        EXPECT_FALSE(manager.isHelperProcess());
    }
    EXPECT_EQ(defaults.writes.count("group") - before, 2);
    EXPECT_FALSE(defaults.hasObject("group")) << "the main application asked last";
}

} // namespace
} // namespace tessly::testing
