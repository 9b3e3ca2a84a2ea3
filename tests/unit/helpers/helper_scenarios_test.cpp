// The main application's folder store driving its helper manager, with helper processes simulated as
// listeners on the same in-memory bus, in virtual time.
#include "helper_manager_fixture.h"

#include "model/folder_store.h"
#include "model/notification_names.h"

namespace tessly::testing {
namespace {

/// What a helper of one folder hears: only the badges addressed to its own UUID text.
struct SimulatedHelper {
    SimulatedHelper(InMemoryNotificationBus& bus, MainQueue& queue, QString ownId)
        : center(bus, queue), id(std::move(ownId)) {
        center.addObserver(notification_names::kTSFolderOffBadge, [this](const DistributedNotification& n) {
            const PlistValue* target = n.userInfo.find(notification_names::kKeyId);
            if (!target || !target->asString() || *target->asString() != id) {
                return;
            }
            badges.append(n.userInfo.contains(notification_names::kKeyHide) ? "hide OFF" : "OFF");
        });
    }
    InMemoryDistributedNotificationCenter center;
    QString id;
    QStringList badges;
};

class HelperScenarioTest : public HelperManagerTest {
protected:
    HelperScenarioTest() { store.setHelperLaunchRecorder(&launches); }

    AppFolder addInDock(const QString& name) {
        AppFolder f = folder(name, true);
        store.addFolder(f);
        time.runDue();
        return f;
    }
    AppFolder withDock(AppFolder f, bool inDock) {
        f.isInDock = inDock;
        return f;
    }

    FolderStore store{paths, manager, notifications, time, time, console};
};

TEST_F(HelperScenarioTest, OutOfTheDockAndBackWithinTwoSeconds) {
    const AppFolder work = addInDock("Work");
    SimulatedHelper helper(bus, time, uuidText(work.id));
    SimulatedHelper other(bus, time, uuidText(makeUuid()));
    const QString bundle = *manager.findHelper(work.id);

    store.updateFolder(withDock(work, false));
    time.advance(1.0);
    EXPECT_EQ(helper.badges, QStringList({"OFF"}));
    store.updateFolder(withDock(work, true));
    time.advance(3.0);

    EXPECT_EQ(helper.badges, QStringList({"OFF", "hide OFF"}));
    EXPECT_TRUE(other.badges.isEmpty()) << "another folder's helper ignores the badges";
    EXPECT_FALSE(manager.hasOffTimerForTesting(work.id));
    // The old helper was quit and replaced (leaving a preserve marker), and a new one started.
    EXPECT_TRUE(workspace.terminated.contains(bundle));
    EXPECT_TRUE(QFileInfo::exists(manager.helperStateDir() + "/" + uuidText(work.id) + ".preserve"));
    EXPECT_EQ(workspace.opens.size(), 2);
    EXPECT_TRUE(manager.findHelper(work.id));
    EXPECT_TRUE(manager.isHelperRunning(*manager.findHelper(work.id)));
}

TEST_F(HelperScenarioTest, OutOfTheDockTwiceRetiresOnceTwoSecondsAfterTheSecond) {
    const AppFolder work = addInDock("Work");
    SimulatedHelper helper(bus, time, uuidText(work.id));
    store.updateFolder(withDock(work, false));
    time.advance(1.0);
    // The Dock monitoring takes it out again (for example after the file was reloaded).
    manager.scheduleHelperOff(withDock(work, false), 2.0);
    time.advance(1.9);
    EXPECT_TRUE(manager.findHelper(work.id));
    time.advance(0.1);
    EXPECT_FALSE(manager.findHelper(work.id));
    EXPECT_EQ(helper.badges, QStringList({"OFF", "OFF"}));
    EXPECT_FALSE(store.folders().first().isInDock);
}

TEST_F(HelperScenarioTest, DeletingAFolderInTheDockRemovesItsHelperTwoSecondsLater) {
    const AppFolder work = addInDock("Work");
    const QString bundle = *manager.findHelper(work.id);
    // The folders page shows the delete badge, then asks for the deletion with the 2.0 s delay.
    distributed.post(notification_names::kTSFolderDeleteBadge, std::nullopt,
                     PlistDictionary{{"id", uuidText(work.id)}});
    store.deleteFolder(work.id, 2.0);
    EXPECT_TRUE(store.folders().isEmpty());
    time.advance(1.9);
    EXPECT_TRUE(QFileInfo::exists(bundle));
    time.advance(0.1);
    EXPECT_FALSE(QFileInfo::exists(bundle));
    EXPECT_TRUE(workspace.terminated.contains(bundle));
}

TEST_F(HelperScenarioTest, ReconcileAfterStartBringsTheDirectoryInLineWithTheFile) {
    const AppFolder work = addInDock("Work");
    const AppFolder play = addInDock("Play");
    store.updateFolder(withDock(play, false));
    store.scheduleDockReconcile();
    time.advance(0.2);
    EXPECT_TRUE(manager.findHelper(work.id));
    EXPECT_FALSE(manager.findHelper(play.id)) << "synchronisation removed it before its retirement ran";
    time.advance(2.0);
    EXPECT_EQ(helperBundles(), QStringList({"Work.app"}));
}

} // namespace
} // namespace tessly::testing
