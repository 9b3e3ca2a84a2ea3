// Every file Tessly writes, on a full disk, under a file size limit and through planted links: the old file
// is left as it was and the failure is said, never an empty file in its place.
#include "model/folder_json.h"
#include "model/folder_store.h"
#include "model/uuid_text.h"
#include "platform/atomic_file.h"
#include "platform/linux/plist_file_user_defaults_linux.h"
#include "platform/notification_center.h"
#include "support/file_size_limit.h"
#include "support/recording_console.h"
#include "support/recording_helper_actions.h"
#include "support/temp_home.h"
#include "support/virtual_time.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessly {
namespace {

using testing::FileSizeLimit;
using testing::RecordingConsole;
using testing::RecordingHelperActions;
using testing::TempHome;
using testing::VirtualTime;

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writePlain(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QStringList entriesOf(const QString& directory) {
    return QDir(directory).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

AppFolder folderNamed(const QString& name, bool inDock = false) {
    return AppFolder{makeUuid(), name, QStringLiteral("folder.fill"), {}, inDock, {}, {}};
}

// A home on a small file system of its own, which the test fills to the last byte. Mounting needs the right
// to mount (root, as in CI); elsewhere these tests are skipped and the file size limit below stands in.
class FullDiskTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_mountPoint.isValid());
        if (::mount("tessly-test", QFile::encodeName(home()).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                    "size=2m,mode=0700") != 0) {
            GTEST_SKIP() << "a small file system cannot be mounted here: " << std::strerror(errno);
        }
        m_mounted = true;
    }
    void TearDown() override {
        if (m_mounted) {
            ::umount2(QFile::encodeName(home()).constData(), MNT_DETACH);
        }
    }

    [[nodiscard]] QString home() const { return m_mountPoint.path(); }
    [[nodiscard]] Paths paths() const { return Paths(home()); }
    [[nodiscard]] QString filler() const { return home() + QStringLiteral("/filler"); }

    /// Takes every free byte of the file system.
    void fillTheDisk() {
        const int fd = ::open(QFile::encodeName(filler()).constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        ASSERT_GE(fd, 0);
        const QByteArray block(4096, 'x');
        while (::write(fd, block.constData(), static_cast<size_t>(block.size())) > 0) {
        }
        // The last partial block.
        while (::write(fd, "x", 1) > 0) {
        }
        ::close(fd);
    }
    void freeTheDisk() { ASSERT_TRUE(QFile::remove(filler())); }

    VirtualTime time;
    RecordingConsole console;

private:
    QTemporaryDir m_mountPoint;
    bool m_mounted = false;
};

TEST_F(FullDiskTest, TheFolderFileKeepsItsListAndTheFailureIsSaid) {
    RecordingHelperActions helpers;
    NotificationCenter notifications;
    FolderStore store(paths(), helpers, notifications, time, time, console);
    store.load();
    store.addFolder(folderNamed(QStringLiteral("Work")));
    store.addFolder(folderNamed(QStringLiteral("Games")));
    const QByteArray before = readAll(store.saveURL());
    ASSERT_EQ(decodeFolderList(before, time.now()).folders->size(), 2);
    console.lines.clear();

    fillTheDisk();
    AppFolder changed = store.folders().first();
    changed.name = QStringLiteral("Work, renamed with a name long enough to need a new block");
    store.updateFolder(changed);

    EXPECT_EQ(readAll(store.saveURL()), before) << "the file holds the last list that was saved";
    ASSERT_EQ(console.lines.size(), 1);
    EXPECT_EQ(console.lines.first(),
              QStringLiteral("[FolderStore] Failed to save folders: No space left on device"));
    EXPECT_EQ(entriesOf(QFileInfo(store.saveURL()).absolutePath()), QStringList{"folders.json"})
        << "no temporary copy is left behind";

    // With room again the next change saves the whole list, the earlier change included.
    freeTheDisk();
    store.addFolder(folderNamed(QStringLiteral("Tools")));
    const auto onDisk = decodeFolderList(readAll(store.saveURL()), time.now()).folders;
    ASSERT_TRUE(onDisk && onDisk->size() == 3);
    EXPECT_EQ(onDisk->first().name, changed.name);
}

TEST_F(FullDiskTest, TheUserDefaultsKeepEveryValue) {
    PlistFileUserDefaults defaults(paths(), QStringLiteral("app.tessly.Tessly"), console);
    defaults.setBool(QStringLiteral("hasCompletedOnboarding"), true);
    defaults.setString(QStringLiteral("appTheme"), QStringLiteral("dark"));
    const QByteArray before = readAll(defaults.filePath());
    ASSERT_FALSE(before.isEmpty());

    fillTheDisk();
    defaults.setString(QStringLiteral("language"), QString(2000, QLatin1Char('u')));

    EXPECT_EQ(readAll(defaults.filePath()), before);
    ASSERT_FALSE(console.lines.isEmpty());
    EXPECT_TRUE(console.lines.last().contains(QStringLiteral("No space left on device")))
        << console.lines.last().toStdString();
    PlistFileUserDefaults reader(paths(), QStringLiteral("app.tessly.Tessly"), console);
    EXPECT_TRUE(reader.boolForKey(QStringLiteral("hasCompletedOnboarding")));
    EXPECT_EQ(reader.stringForKey(QStringLiteral("appTheme")), QStringLiteral("dark"));
}

TEST_F(FullDiskTest, StateFilesAndPropertyListsAreNeverLeftEmpty) {
    const QString marker = paths().helperStateDirectory() + QStringLiteral("/A.launch");
    writePlain(marker, "1700000000.5");
    const QString info = home() + QStringLiteral("/Helper.app/Contents/Info.plist");
    QDir().mkpath(QFileInfo(info).absolutePath());
    ASSERT_TRUE(writePropertyListFile(info, PlistValue(PlistDictionary{{"TSGroupUUID", QStringLiteral("A")}}),
                                      PlistFormat::Xml));
    const QByteArray infoBefore = readAll(info);

    fillTheDisk();
    const auto failure = writeFileAtomically(marker, QByteArray(8192, '7'));
    ASSERT_TRUE(failure);
    EXPECT_EQ(*failure, QStringLiteral("No space left on device"));
    EXPECT_EQ(readAll(marker), "1700000000.5");

    QString error;
    EXPECT_FALSE(writePropertyListFile(
        info, PlistValue(PlistDictionary{{"CFBundleName", QString(8192, QLatin1Char('n'))}}),
        PlistFormat::Xml, &error));
    EXPECT_EQ(error, QStringLiteral("No space left on device"));
    EXPECT_EQ(readAll(info), infoBefore);
}

// Without a file system to fill, a file size limit makes the same writes fail part way.
TEST(FileWriting, AWriteThatFailsPartWayLeavesTheOldFileAndNoCopy) {
    TempHome home;
    VirtualTime time;
    RecordingConsole console;
    RecordingHelperActions helpers;
    NotificationCenter notifications;
    FolderStore store(home.paths(), helpers, notifications, time, time, console);
    store.load();
    store.addFolder(folderNamed(QStringLiteral("Work")));
    const QByteArray before = readAll(store.saveURL());
    console.lines.clear();
    {
        const FileSizeLimit limit(static_cast<rlim_t>(before.size()) + 16);
        store.addFolder(folderNamed(QStringLiteral("Games")));
    }
    EXPECT_EQ(readAll(store.saveURL()), before);
    ASSERT_EQ(console.lines.size(), 1);
    EXPECT_EQ(console.lines.first(), QStringLiteral("[FolderStore] Failed to save folders: File too large"));
    EXPECT_EQ(entriesOf(QFileInfo(store.saveURL()).absolutePath()), QStringList{"folders.json"});
}

TEST(FileWriting, AWriteKeepsTheFilesPermissions) {
    TempHome home;
    const QString path = home.write(QStringLiteral("private.plist"), "old");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0600), 0);
    ASSERT_FALSE(writeFileAtomically(path, "new"));
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(readAll(path), "new");
}

// A link planted at a name Tessly writes in its own folders is replaced, and what it pointed at is untouched;
// a preferences file the user links into place is written through.
TEST(FileWriting, LinksAtTheNameAreReplacedInsideTesslysFoldersAndFollowedForTheUsersFiles) {
    TempHome home;
    const QString outside = home.write(QStringLiteral("elsewhere/precious.txt"), "precious");
    const QString planted = home.path() + QStringLiteral("/state/A.launch");
    QDir().mkpath(QFileInfo(planted).absolutePath());
    ASSERT_TRUE(QFile::link(outside, planted));
    ASSERT_FALSE(writeFileAtomically(planted, "1.0"));
    EXPECT_EQ(readAll(outside), "precious");
    EXPECT_FALSE(QFileInfo(planted).isSymLink());
    EXPECT_EQ(readAll(planted), "1.0");

    const QString kept = home.write(QStringLiteral("dotfiles/folders.json"), "[]");
    const QString link = home.path() + QStringLiteral("/support/folders.json");
    QDir().mkpath(QFileInfo(link).absolutePath());
    // A relative link, read against the link's own folder.
    ASSERT_TRUE(QFile::link(QStringLiteral("../dotfiles/folders.json"), link));
    ASSERT_FALSE(writeFileAtomically(link, "[{}]", LinkAtDestination::writeThrough));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readAll(kept), "[{}]");
    EXPECT_EQ(entriesOf(QFileInfo(kept).absolutePath()), QStringList{"folders.json"});
}

} // namespace
} // namespace tessly
