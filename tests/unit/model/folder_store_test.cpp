#include "model/folder_json.h"
#include "model/folder_store.h"
#include "model/uuid_text.h"
#include "support/recording_console.h"
#include "support/recording_helper_actions.h"
#include "support/temp_home.h"
#include "support/virtual_time.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace tessly {
namespace {

using testing::RecordingConsole;
using testing::RecordingHelperActions;
using testing::TempHome;
using testing::VirtualTime;

ino_t inodeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

AppItem app(const char* name) {
    return AppItem{makeUuid(), QString::fromLatin1(name), QStringLiteral("com.example.") + name,
                   QUrl::fromLocalFile(QStringLiteral("/Applications/%1.app/").arg(name))};
}

class FolderStoreTest : public ::testing::Test {
protected:
    FolderStoreTest() {
        m_store.setHelperLaunchRecorder(&helpers);
        QObject::connect(&m_store, &FolderStore::changed,
                         [this](FolderStore::Field f) { changes.push_back(f); });
    }

    FolderStore& store() { return m_store; }
    QString file() const { return m_store.saveURL(); }
    QByteArray fileBytes() const { return TempHome::read(file()); }
    QList<AppFolder> foldersOnDisk() const {
        return decodeFolderList(fileBytes(), time.now()).folders.value_or(QList<AppFolder>{});
    }

    /// A folder already in the store (added without helper actions), with the records cleared.
    AppFolder given(const QString& name, bool inDock, QList<AppItem> apps = {}) {
        AppFolder folder{makeUuid(), name, "folder", std::move(apps), inDock, {}, time.now()};
        QList<AppFolder> folders = m_store.folders();
        folders.push_back(folder);
        m_store.setFoldersForTesting(folders);
        helpers.calls.clear();
        changes.clear();
        return folder;
    }

    [[nodiscard]] int countChanges(FolderStore::Field field) const {
        return static_cast<int>(std::count(changes.begin(), changes.end(), field));
    }

    TempHome home;
    VirtualTime time;
    RecordingConsole console;
    RecordingHelperActions helpers;
    NotificationCenter notifications;
    std::vector<FolderStore::Field> changes;

private:
    FolderStore m_store{home.paths(), helpers, notifications, time, time, console};
};

TEST_F(FolderStoreTest, FolderFileLivesInApplicationSupportAndItsFolderIsMadeAtOnce) {
    EXPECT_EQ(file(), home.path() + "/Library/Application Support/Tessly/folders.json");
    EXPECT_TRUE(QFileInfo(QFileInfo(file()).absolutePath()).isDir());
}

TEST_F(FolderStoreTest, LoadWithoutFileKeepsTheListAndWritesNothing) {
    store().load();
    EXPECT_TRUE(store().folders().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(file()));
    EXPECT_TRUE(console.lines.isEmpty());
}

TEST_F(FolderStoreTest, LoadRewritesAHandWrittenFileInTheProgramsOwnForm) {
    home.write("Library/Application Support/Tessly/folders.json",
               R"([ {"id": "3f2504e0-4f89-41d3-9a0c-0305e82c3301", "name": "Work", "createdAt": 5} ])");
    store().load();
    ASSERT_EQ(store().folders().size(), 1);
    const QJsonObject written = QJsonDocument::fromJson(fileBytes()).array().first().toObject();
    EXPECT_EQ(written.value("emoji").toString(), "folder.fill");
    EXPECT_EQ(written.value("id").toString(), "3F2504E0-4F89-41D3-9A0C-0305E82C3301");
    EXPECT_TRUE(written.contains("tileStyle"));
    EXPECT_EQ(countChanges(FolderStore::Field::folders), 1);
}

TEST_F(FolderStoreTest, LoadOfAFileInTheProgramsOwnFormLeavesItInPlace) {
    given("Work", true);
    const ino_t before = inodeOf(file());
    store().load();
    EXPECT_EQ(inodeOf(file()), before) << "identical bytes are not written again";
    EXPECT_EQ(store().folders().size(), 1);
}

TEST_F(FolderStoreTest, UnreadableFileLoadsNothingAndIsKeptAsideBeforeTheNextSave) {
    const QByteArray damaged = R"([{"id":"3F2504E0-4F89-41D3-9A0C-0305E82C3301","name":"Work",)"
                               R"("apps":[{"id":"9B2B6B0E-0C0A-4C4B-8E59-3D7D7E1F6A10","name":"Mail"}]}])";
    home.write("Library/Application Support/Tessly/folders.json", damaged);
    store().load();
    EXPECT_TRUE(store().folders().isEmpty());
    ASSERT_EQ(console.lines.size(), 1);
    EXPECT_TRUE(console.lines.first().startsWith("[FolderStore] Failed to load folders: "));
    EXPECT_EQ(fileBytes(), damaged) << "the file stays as it is until something changes";

    store().addFolder(AppFolder{makeUuid(), "New", "star", {}, false, {}, time.now()});

    const QStringList aside =
        QDir(QFileInfo(file()).absolutePath()).entryList({"folders.json.unreadable-*"}, QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(TempHome::read(QFileInfo(file()).absolutePath() + "/" + aside.first()), damaged);
    EXPECT_EQ(console.lines.size(), 2);
    EXPECT_TRUE(console.lines.last().contains(aside.first())) << console.lines.last().toStdString();
    ASSERT_EQ(foldersOnDisk().size(), 1);
    EXPECT_EQ(foldersOnDisk().first().name, "New");

    // Only the file that failed is kept aside; later saves just write.
    store().addFolder(AppFolder{makeUuid(), "Next", "star", {}, false, {}, time.now()});
    EXPECT_EQ(QDir(QFileInfo(file()).absolutePath()).entryList({"folders.json.unreadable-*"}).size(), 1);
    EXPECT_EQ(console.lines.size(), 2);
}

TEST_F(FolderStoreTest, ReloadPicksUpWhatAnotherStoreWrote) {
    RecordingHelperActions otherHelpers;
    FolderStore mainApp(home.paths(), otherHelpers, notifications, time, time, console);
    mainApp.addFolder(AppFolder{makeUuid(), "Work", "star", {}, false, {}, time.now()});
    store().load();
    ASSERT_EQ(store().folders().size(), 1);

    AppFolder renamed = mainApp.folders().first();
    renamed.name = "Work 2";
    mainApp.updateFolder(renamed);
    store().load();
    EXPECT_EQ(store().folders().first().name, "Work 2");

    changes.clear();
    store().load(); // unchanged file: the same list, announced again
    EXPECT_EQ(store().folders().first().name, "Work 2");
    EXPECT_EQ(countChanges(FolderStore::Field::folders), 1);
}

TEST_F(FolderStoreTest, FailedReloadKeepsTheLoadedList) {
    const AppFolder work = given("Work", false);
    home.write("Library/Application Support/Tessly/folders.json", "[{\"id\":");
    store().load();
    ASSERT_EQ(store().folders().size(), 1);
    EXPECT_EQ(store().folders().first().id, work.id);
}

TEST_F(FolderStoreTest, SaveFailureIsReportedAndTheListKept) {
    QDir().mkpath(file()); // a folder where the file should be
    store().addFolder(AppFolder{makeUuid(), "Work", "star", {}, false, {}, time.now()});
    EXPECT_EQ(store().folders().size(), 1);
    EXPECT_EQ(console.countStartingWith("[FolderStore] Failed to save folders: "), 1);
}

TEST_F(FolderStoreTest, AddFolderInTheDockNotesTheLaunchAndInstallsItsHelper) {
    const AppFolder folder{makeUuid(), "Dev", "hammer", {app("Editor")}, true, {}, time.now()};
    store().addFolder(folder);
    EXPECT_EQ(store().newlyAddedFolderID(), folder.id);
    EXPECT_EQ(helpers.calls, QStringList({"noteHelperLaunch " + uuidText(folder.id),
                                          "installHelper " + uuidText(folder.id)}));
    EXPECT_EQ(helpers.launchTimes.first(), time.now());
    EXPECT_EQ(foldersOnDisk().size(), 1) << "saved before the helper is built";

    store().setHelperLaunchRecorder(nullptr);
    helpers.calls.clear();
    const AppFolder other{makeUuid(), "Other", "star", {}, true, {}, time.now()};
    store().addFolder(other);
    EXPECT_EQ(helpers.calls, QStringList({"installHelper " + uuidText(other.id)}))
        << "no shell, no launch note";

    helpers.calls.clear();
    store().addFolder(AppFolder{makeUuid(), "Off", "star", {}, false, {}, time.now()});
    EXPECT_TRUE(helpers.calls.isEmpty());
}

TEST_F(FolderStoreTest, TileStyleChangeAloneIsAnnouncedAndNeverRebuildsTheHelper) {
    AppFolder folder = given("Work", true);
    QList<QVariant> announced;
    notifications.addObserver("tileAppearanceChanged",
                              [&](const Notification& n) { announced.append(n.object); });

    folder.tileStyle.backgroundStyle = TileBackground::purple;
    store().updateFolder(folder);
    ASSERT_EQ(announced.size(), 1);
    EXPECT_EQ(announced.first().value<QUuid>(), folder.id);
    EXPECT_TRUE(helpers.calls.isEmpty());
    EXPECT_EQ(foldersOnDisk().first().tileStyle.backgroundStyle, TileBackground::purple);

    store().updateFolder(folder); // nothing differs
    EXPECT_EQ(announced.size(), 1);
}

TEST_F(FolderStoreTest, ContentChangesRebuildOnlyAHelperThatIsInTheDock) {
    AppFolder inDock = given("Work", true, {app("A"), app("B")});
    AppFolder notInDock = given("Play", false, {app("C")});
    const QString id = uuidText(inDock.id);
    const QStringList rebuild{"removeHelper " + id + " false", "noteHelperLaunch " + id,
                              "installHelper " + id};

    inDock.name = "Work 2";
    store().updateFolder(inDock);
    EXPECT_EQ(helpers.calls, rebuild) << "rename";

    helpers.calls.clear();
    std::swap(inDock.apps[0], inDock.apps[1]);
    store().updateFolder(inDock);
    EXPECT_EQ(helpers.calls, rebuild) << "reordered applications";

    helpers.calls.clear();
    inDock.emoji = "star";
    store().updateFolder(inDock);
    EXPECT_EQ(helpers.calls, rebuild) << "new glyph";

    helpers.calls.clear();
    notInDock.name = "Play 2";
    notInDock.apps.clear();
    store().updateFolder(notInDock);
    EXPECT_TRUE(helpers.calls.isEmpty());
    EXPECT_EQ(foldersOnDisk().at(1).name, "Play 2");
}

TEST_F(FolderStoreTest, LeavingTheDockRetiresAfterTwoSecondsAndReturningCancels) {
    AppFolder folder = given("Work", true);
    const QString id = uuidText(folder.id);
    folder.isInDock = false;
    folder.name = "Renamed too"; // leaving the Dock wins over the rebuild
    store().updateFolder(folder);
    EXPECT_EQ(helpers.calls, QStringList({"scheduleHelperOff " + id + " 2"}));

    helpers.calls.clear();
    folder.isInDock = true;
    store().updateFolder(folder);
    EXPECT_EQ(helpers.calls,
              QStringList({"cancelHelperOff " + id, "noteHelperLaunch " + id, "installHelper " + id}));
}

TEST_F(FolderStoreTest, DeleteWithADelayLeavesTheFileAtOnceAndTheHelperLater) {
    const AppFolder first = given("First", true);
    const AppFolder second = given("Second", true);
    store().deleteFolder(first.id, 2.0);
    EXPECT_EQ(store().folders().size(), 1);
    ASSERT_EQ(foldersOnDisk().size(), 1);
    EXPECT_EQ(foldersOnDisk().first().id, second.id);
    EXPECT_TRUE(helpers.calls.isEmpty());

    time.advance(1.999);
    EXPECT_TRUE(helpers.calls.isEmpty());
    time.advance(0.001);
    EXPECT_EQ(helpers.calls, QStringList({"removeHelper " + uuidText(first.id) + " false"}));
}

TEST_F(FolderStoreTest, DeleteWithoutADelayRemovesTheHelperAtOnce) {
    for (const double delay : {0.0, -1.0}) {
        const AppFolder folder = given("Work", true);
        store().deleteFolder(folder.id, delay);
        EXPECT_EQ(helpers.calls, QStringList({"removeHelper " + uuidText(folder.id) + " false"})) << delay;
        EXPECT_TRUE(store().folders().isEmpty());
        EXPECT_EQ(time.pendingCount(), 0u);
    }
}

TEST_F(FolderStoreTest, DelayedWorkOfAStoreThatIsGoneDoesNothing) {
    RecordingHelperActions otherHelpers;
    {
        FolderStore shortLived(home.paths(), otherHelpers, notifications, time, time, console);
        shortLived.addFolder(AppFolder{makeUuid(), "Work", "star", {}, false, {}, time.now()});
        shortLived.deleteFolder(shortLived.folders().first().id, 2.0);
        shortLived.scheduleDockReconcile();
    }
    time.advance(5.0);
    EXPECT_TRUE(otherHelpers.calls.isEmpty());
}

TEST_F(FolderStoreTest, ReconcileRequestsCollapseIntoOneWithTheLatestList) {
    given("One", true);
    store().scheduleDockReconcile();
    time.advance(0.1);
    store().scheduleDockReconcile();
    time.advance(0.1);
    given("Two", false);
    store().scheduleDockReconcile();
    EXPECT_EQ(time.pendingCount(), 1u);
    time.advance(0.199);
    EXPECT_TRUE(helpers.calls.isEmpty());
    time.advance(0.001);
    EXPECT_EQ(helpers.calls, QStringList({"syncHelpers 2"}));
    EXPECT_EQ(helpers.synced.first().last().name, "Two");
}

TEST_F(FolderStoreTest, SetInDockSavesOnlyARealChangeAndAsksNoHelperAction) {
    const AppFolder folder = given("Work", false);
    const ino_t before = inodeOf(file());
    store().setInDock(folder.id, false);
    EXPECT_EQ(inodeOf(file()), before);
    EXPECT_EQ(countChanges(FolderStore::Field::folders), 0);

    store().setInDock(folder.id, true);
    EXPECT_TRUE(foldersOnDisk().first().isInDock);
    EXPECT_TRUE(helpers.calls.isEmpty());
}

TEST_F(FolderStoreTest, UnknownIdentitiesChangeNothing) {
    const AppFolder folder = given("Work", true);
    const QByteArray before = fileBytes();
    AppFolder stranger = folder;
    stranger.id = makeUuid();
    stranger.name = "Stranger";
    store().updateFolder(stranger);
    store().deleteFolder(stranger.id, 0);
    store().setInDock(stranger.id, false);
    EXPECT_EQ(fileBytes(), before);
    EXPECT_TRUE(helpers.calls.isEmpty());
    EXPECT_TRUE(changes.empty());
    EXPECT_TRUE(console.lines.isEmpty());
}

TEST_F(FolderStoreTest, FieldsNotifyAsTheirKindSays) {
    store().setShowingFolderEditor(true);
    store().setShowingFolderEditor(true);
    store().setDidStartDockStateMonitoring(true);
    store().setDidStartDockStateMonitoring(true);
    const QUuid id = makeUuid();
    store().setNewlyAddedFolderID(id);
    store().setNewlyAddedFolderID(id);
    store().setAppPickerCurrentBundleIDs({"a", "b"});
    store().setAppPickerCurrentBundleIDs({"b", "a"});
    EXPECT_EQ(countChanges(FolderStore::Field::showingFolderEditor), 1);
    EXPECT_EQ(countChanges(FolderStore::Field::didStartDockStateMonitoring), 1);
    EXPECT_EQ(countChanges(FolderStore::Field::newlyAddedFolderID), 1);
    EXPECT_EQ(countChanges(FolderStore::Field::appPickerCurrentBundleIDs), 1);

    // Lists and optional folders notify on every assignment.
    store().setFolderToEdit(std::nullopt);
    store().setFolderToEdit(std::nullopt);
    store().setFoldersForTesting(store().folders());
    store().setFoldersForTesting(store().folders());
    EXPECT_EQ(countChanges(FolderStore::Field::folderToEdit), 2);
    EXPECT_EQ(countChanges(FolderStore::Field::folders), 2);
}

} // namespace
} // namespace tessly

namespace tessly {
namespace {

// A helper loads the file the main application wrote; finding the program's own form there, it leaves the
// file alone, whatever numbers the list holds (a rewrite could put back an older list over a newer save).
TEST_F(FolderStoreTest, AHelperLoadingTheMainApplicationsFileLeavesItAsItIs) {
    AppFolder folder{makeUuid(),
                     "Work",
                     "folder",
                     {app("Mail")},
                     true,
                     {},
                     Date::fromTimeIntervalSinceReferenceDate(-0.0)};
    folder.tileStyle.opacity = 18446744073709551616.0;
    folder.tileStyle.cornerRadius = 1e20;
    store().setFoldersForTesting({folder});
    const QByteArray written = fileBytes();
    const ino_t before = inodeOf(file());

    RecordingHelperActions helperSide;
    RecordingConsole helperConsole;
    FolderStore helper(home.paths(), helperSide, notifications, time, time, helperConsole);
    helper.load();
    ASSERT_FALSE(helper.fileFailedToLoad()) << helperConsole.lines.join('\n').toStdString();
    EXPECT_EQ(encodeFolderList(helper.folders()), encodeFolderList(store().folders()));
    EXPECT_EQ(inodeOf(file()), before) << "the helper wrote the file again";
    EXPECT_EQ(fileBytes(), written);
}

// The helper that is built reads the folder file at start: the file must hold the folder by then.
TEST_F(FolderStoreTest, TheFolderIsSavedBeforeItsHelperIsBuilt) {
    QList<QList<AppFolder>> onDiskAtInstall;
    helpers.onInstall = [&](const AppFolder&) { onDiskAtInstall.append(foldersOnDisk()); };
    AppFolder folder{makeUuid(), "Dev", "hammer", {app("Editor")}, true, {}, time.now()};
    store().addFolder(folder);
    folder.name = "Dev 2";
    store().updateFolder(folder);
    AppFolder other = given("Play", false);
    other.isInDock = true;
    store().updateFolder(other);
    ASSERT_EQ(onDiskAtInstall.size(), 3);
    EXPECT_EQ(onDiskAtInstall.at(0).first().name, "Dev");
    EXPECT_EQ(onDiskAtInstall.at(1).first().name, "Dev 2");
    EXPECT_TRUE(onDiskAtInstall.at(2).last().isInDock);
}

// What sits at the file's place may be anything: the store never blocks on it, never takes a link to nothing
// for damage, and never overwrites what it could not read.
TEST_F(FolderStoreTest, WhatSitsAtTheFilesPlaceDecidesBetweenNoFileAndAnUnreadableOne) {
    // A link to nothing: no file, and the first save writes the list where the link leads.
    const QString target = home.path() + "/Synced/folders.json";
    QDir().mkpath(QFileInfo(target).absolutePath());
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(file()).constData()), 0);
    store().load();
    EXPECT_FALSE(store().fileFailedToLoad());
    EXPECT_TRUE(console.lines.isEmpty());
    store().addFolder(AppFolder{makeUuid(), "New", "star", {}, false, {}, time.now()});
    EXPECT_EQ(foldersOnDisk().size(), 1);
    EXPECT_TRUE(QFileInfo(file()).isSymLink());

    // A named pipe nobody writes to: refused at once and set aside at the next save.
    QFile::remove(file());
    ASSERT_EQ(::mkfifo(QFile::encodeName(file()).constData(), 0600), 0);
    store().load();
    EXPECT_TRUE(store().fileFailedToLoad());
    EXPECT_EQ(store().folders().size(), 1) << "the list in memory is kept";
    store().addFolder(AppFolder{makeUuid(), "Next", "star", {}, false, {}, time.now()});
    EXPECT_EQ(foldersOnDisk().size(), 2);

    // A link to an endless file.
    QFile::remove(file());
    ASSERT_EQ(::symlink("/dev/zero", QFile::encodeName(file()).constData()), 0);
    store().load();
    EXPECT_TRUE(store().fileFailedToLoad());

    // Two unreadable files set aside within one second keep distinct names.
    store().addFolder(AppFolder{makeUuid(), "Third", "star", {}, false, {}, time.now()});
    const QDir dir(QFileInfo(file()).absolutePath());
    EXPECT_EQ(dir.entryList({"folders.json.unreadable-*"}, QDir::System | QDir::Files).size(), 2)
        << dir.entryList().join(' ').toStdString();
    EXPECT_EQ(foldersOnDisk().size(), 3);
}

TEST_F(FolderStoreTest, ASaveRemovesTemporaryCopiesThatAnInterruptedSaveLeftLongAgo) {
    const QString dir = QFileInfo(file()).absolutePath();
    const QString stale = home.write("Library/Application Support/Tessly/folders.json.Ab12Cd", "[]");
    const QString recent = home.write("Library/Application Support/Tessly/folders.json.Zy98Xw", "[]");
    const QString notOurs = home.write("Library/Application Support/Tessly/folders.json.Backup", "[]");
    const QString aside = home.write("Library/Application Support/Tessly/folders.json.unreadable-1", "[");
    for (const QString& old : {stale, notOurs, aside}) {
        QFile handle(old);
        ASSERT_TRUE(handle.open(QIODevice::ReadWrite));
        ASSERT_TRUE(handle.setFileTime(QDateTime::currentDateTimeUtc().addDays(-2),
                                       QFileDevice::FileModificationTime));
    }
    store().addFolder(AppFolder{makeUuid(), "Work", "star", {}, false, {}, time.now()});
    EXPECT_FALSE(QFileInfo::exists(stale));
    EXPECT_TRUE(QFileInfo::exists(recent)) << "a save of another process may still be writing it";
    EXPECT_TRUE(QFileInfo::exists(notOurs));
    EXPECT_TRUE(QFileInfo::exists(aside));
    EXPECT_EQ(foldersOnDisk().size(), 1);
}

} // namespace
} // namespace tessly
