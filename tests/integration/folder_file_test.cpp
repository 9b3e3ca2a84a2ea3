#include "model/folder_json.h"
#include "model/folder_store.h"
#include "model/uuid_text.h"
#include "platform/linux/system_linux.h"
#include "support/recording_console.h"
#include "support/recording_helper_actions.h"
#include "support/temp_home.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace tessly {
namespace {

using testing::RecordingConsole;
using testing::RecordingHelperActions;
using testing::TempHome;

// The helpers read the folder file while the main application writes it: they must see the old list or the
// new one, never a part of either.
TEST(FolderFile, AReaderInAnotherProcessNeverSeesAHalfWrittenFile) {
    TempHome home;
    RecordingConsole console;
    RecordingHelperActions helpers;
    NotificationCenter notifications;
    QtMainQueue queue;
    SystemClock clock;
    FolderStore store(home.paths(), helpers, notifications, queue, clock, console);

    // Large enough that a write takes many system calls.
    QList<AppFolder> big;
    for (int f = 0; f < 40; ++f) {
        AppFolder folder{makeUuid(), QStringLiteral("Folder %1").arg(f), "folder", {}, false, {},
                         clock.now()};
        for (int a = 0; a < 20; ++a) {
            folder.apps.push_back(
                AppItem{makeUuid(), "App", "com.example.app",
                        QUrl::fromLocalFile(QStringLiteral("/Applications/App %1.app/").arg(a))});
        }
        big.push_back(folder);
    }
    const QList<AppFolder> small = big.mid(0, 1);
    store.setFoldersForTesting(small);

    QProcess reader;
    reader.start(TESSLY_TEST_TOOL, {"read-folders", store.saveURL(), "3000"});
    ASSERT_TRUE(reader.waitForStarted());
    while (reader.state() == QProcess::Running) {
        store.setFoldersForTesting(big);
        store.setFoldersForTesting(small);
        reader.waitForFinished(0);
    }
    EXPECT_EQ(reader.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(reader.exitCode(), 0) << reader.readAllStandardOutput().toStdString();
    EXPECT_TRUE(console.lines.isEmpty()) << console.lines.join('\n').toStdString();
}

} // namespace
} // namespace tessly
