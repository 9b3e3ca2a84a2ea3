// The file watcher on inotify, with real files in a temporary directory and the Qt event loop: a file written
// in place, replaced by a copy renamed over it (as editors and the Dock save), deleted and made again; a
// directory whose entries come and go; a path that does not exist.
#include "platform/file_watcher.h"
#include "platform/linux/file_watcher_linux.h"
#include "platform/linux/system_linux.h"
#include "support/run_events.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tessly {
namespace {

using testing::runEventsUntil;

class FileWatcherTest : public ::testing::Test {
protected:
    void write(const QString& path, const QByteArray& bytes,
               QIODevice::OpenMode mode = QIODevice::WriteOnly) {
        QFile file(path);
        ASSERT_TRUE(file.open(mode));
        file.write(bytes);
    }
    /// Written as a temporary file renamed over the original.
    void replace(const QString& path, const QByteArray& bytes) {
        QSaveFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        ASSERT_TRUE(file.commit());
    }
    std::unique_ptr<FileWatcher> watch(const QString& path, FileWatcher::Kind kind = FileWatcher::Kind::file,
                                       double settleSeconds = 0.03) {
        return FileWatcher::start(factory, queue, {path, settleSeconds, kind},
                                  [this](FileEvents events) { reports.push_back(events); });
    }
    /// Waits until a report arrives that has all of `events`.
    bool reported(FileEvents events) {
        return runEventsUntil([&] {
            return std::any_of(reports.begin(), reports.end(),
                               [&](FileEvents report) { return (report & events) == events; });
        });
    }

    /// The inotify sources, counting the batches they read before any settle delay.
    class CountingFactory final : public FileWatcherFactory {
    public:
        std::unique_ptr<FileEventSource> openEventSource(const QString& path,
                                                         std::function<void(FileEvents)> onEvents) override {
            return m_inotify.openEventSource(path, [this, onEvents = std::move(onEvents)](FileEvents events) {
                ++batches;
                onEvents(events);
            });
        }
        int batches = 0;

    private:
        InotifyFileWatcherFactory m_inotify;
    };

    QTemporaryDir dir;
    QtMainQueue queue;
    CountingFactory factory;
    std::vector<FileEvents> reports;
};

TEST_F(FileWatcherTest, AFileWrittenInPlaceReportsWritesAndGrowthAndItsAttributes) {
    const QString path = dir.filePath("com.apple.dock.plist");
    write(path, "one");
    const auto watcher = watch(path);
    ASSERT_TRUE(watcher);
    EXPECT_GE(watcher->descriptor(), 0);

    write(path, "two", QIODevice::Append);
    EXPECT_TRUE(reported(FileEvent::write | FileEvent::extend));
    reports.clear();
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    EXPECT_TRUE(reported(FileEvent::attribute));
    EXPECT_TRUE(watcher->isWatching());
}

// Saving by rename removes the watched file: the watcher reports it and follows the new file at the path.
TEST_F(FileWatcherTest, AFileReplacedByRenameOrDeletedAndMadeAgainIsWatchedAgain) {
    const QString path = dir.filePath("com.apple.dock.plist");
    write(path, "one");
    const auto watcher = watch(path);
    ASSERT_TRUE(watcher);

    replace(path, "two");
    EXPECT_TRUE(reported(FileEvent::remove));
    ASSERT_TRUE(runEventsUntil([&] { return watcher->isWatching(); }));
    reports.clear();
    write(path, "three", QIODevice::Append);
    EXPECT_TRUE(reported(FileEvent::write)) << "the replacement is the file watched now";

    reports.clear();
    ASSERT_TRUE(QFile::remove(path));
    write(path, "four"); // made again before the re-arm
    EXPECT_TRUE(reported(FileEvent::remove));
    ASSERT_TRUE(runEventsUntil([&] { return watcher->isWatching(); }));
    reports.clear();
    write(path, "five", QIODevice::Append);
    EXPECT_TRUE(reported(FileEvent::write));

    // A file renamed away is not followed: its new name's changes are not the path's.
    reports.clear();
    ASSERT_TRUE(QFile::rename(path, dir.filePath("moved.plist")));
    EXPECT_TRUE(reported(FileEvent::rename));
    write(dir.filePath("moved.plist"), "six", QIODevice::Append);
    EXPECT_TRUE(runEventsUntil([&] { return !watcher->isWatching(); }))
        << "nothing was at the path when it was opened again";
    EXPECT_EQ(watcher->descriptor(), -1);
}

TEST_F(FileWatcherTest, ADirectoryReportsItsEntriesButNotTheChangesInsideItsFiles) {
    const QString state = dir.filePath("HelperState");
    const auto watcher = watch(state, FileWatcher::Kind::directory);
    ASSERT_TRUE(watcher) << "the directory is made when missing";
    ASSERT_TRUE(QFileInfo(state).isDir());

    replace(state + "/A.pinned", "1"); // created by rename, as the plug-in writes
    EXPECT_TRUE(reported(FileEvent::write));
    reports.clear();
    write(state + "/A.pinned", "0", QIODevice::Append);
    testing::runEventsFor(150);
    EXPECT_TRUE(reports.empty()) << "a change inside a file is not a change of the directory";
    ASSERT_TRUE(QFile::remove(state + "/A.pinned"));
    EXPECT_TRUE(reported(FileEvent::write));

    // Deleted: it is made again and watched again.
    reports.clear();
    ASSERT_TRUE(QDir(state).removeRecursively());
    EXPECT_TRUE(reported(FileEvent::remove));
    ASSERT_TRUE(runEventsUntil([&] { return watcher->isWatching(); }));
    EXPECT_TRUE(QFileInfo(state).isDir());
    reports.clear();
    write(state + "/B.launch", "1");
    EXPECT_TRUE(reported(FileEvent::write));
}

TEST_F(FileWatcherTest, APathThatCannotBeOpenedLeavesNoWatcher) {
    EXPECT_EQ(watch(dir.filePath("missing.plist")), nullptr);
    write(dir.filePath("file"), "x");
    EXPECT_EQ(watch(dir.filePath("file/HelperState"), FileWatcher::Kind::directory), nullptr);
}

// Reports still on their way when the watcher goes are dropped.
TEST_F(FileWatcherTest, NothingIsReportedAfterTheWatcherIsGone) {
    const QString path = dir.filePath("file");
    write(path, "one");
    auto watcher = watch(path, FileWatcher::Kind::file, 0.5);
    ASSERT_TRUE(watcher);
    write(path, "two", QIODevice::Append);
    ASSERT_TRUE(runEventsUntil([&] { return factory.batches > 0; })); // read, its report waiting
    watcher.reset();
    testing::runEventsFor(600);
    EXPECT_TRUE(reports.empty());
}

} // namespace
} // namespace tessly
