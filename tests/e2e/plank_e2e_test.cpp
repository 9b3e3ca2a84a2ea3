// The whole path in a dock people use: the real Plank and Tessly on a virtual X server with a window manager
// and a compositor, on the suite's session bus, in a temporary home with test-made applications. Driven by
// real pointer events and, where a user would drag an item off the dock, by Plank's own bus interface. Each
// step leaves a screenshot in the build tree.
#include "helpers/launcher_entries.h"
#include "model/folder_json.h"
#include "model/uuid_text.h"
#include "support/temp_home.h"
#include "support/test_application.h"
#include "support/virtual_desktop.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <gtest/gtest.h>

#include <cmath>

namespace tessly {
namespace {

using testing::runEventsUntil;
using testing::TempHome;
using testing::VirtualDesktop;

const QString kFolderFile = QStringLiteral("Library/Application Support/Tessly/folders.json");
const QString kPlankService = QStringLiteral("net.launchpad.plank");

class PlankAndTesslyTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const QString missing = VirtualDesktop::missingTools(VirtualDesktop::withCompositor);
            !missing.isEmpty()) {
            GTEST_SKIP() << missing.toStdString();
        }
        if (QStandardPaths::findExecutable("plank").isEmpty()) {
            GTEST_SKIP() << "needs plank (scripts/install-deps)";
        }
        if (QDBusConnection::sessionBus().interface()->isServiceRegistered(kPlankService)) {
            GTEST_SKIP() << "another Plank runs on this bus";
        }
        ASSERT_TRUE(desktop.start(home.path(), VirtualDesktop::withCompositor));
        QProcessEnvironment environment = desktop.environment();
        environment.insert("XDG_CONFIG_HOME", home.path() + "/.config");
        environment.insert("XDG_DATA_HOME", home.path() + "/.local/share");
        environment.remove("XDG_CURRENT_DESKTOP");
        // Plank's own settings stay in its process: the suite's bus has no dconf of this home.
        environment.insert("GSETTINGS_BACKEND", "memory");
        for (QProcess* process : {&m_plank, &m_tessly}) {
            process->setProcessEnvironment(environment);
            process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        }
        m_tessly.setProcessChannelMode(QProcess::ForwardedChannels);
    }
    void TearDown() override {
        for (QProcess* process : {&m_tessly, &m_plank}) {
            process->terminate();
            process->waitForFinished(10'000);
        }
        desktop.stop();
    }

    AppFolder folderInDock(const QString& name, const QStringList& applications) {
        AppFolder folder;
        folder.id = makeUuid();
        folder.name = name;
        folder.isInDock = true;
        for (const QString& application : applications) {
            const QString bundle = testing::makeTestApplication(home, application);
            EXPECT_FALSE(bundle.isEmpty());
            folder.apps.append(
                AppItem{makeUuid(), application, "test.e2e." + application, QUrl::fromLocalFile(bundle)});
        }
        return folder;
    }
    void writeFolders(const QList<AppFolder>& folders) { home.write(kFolderFile, encodeFolderList(folders)); }
    [[nodiscard]] std::optional<AppFolder> savedFolder(const QUuid& id) const {
        const auto folders =
            decodeFolderList(TempHome::read(home.path() + "/" + kFolderFile), Date()).folders;
        for (const AppFolder& folder : folders.value_or(QList<AppFolder>())) {
            if (folder.id == id) {
                return folder;
            }
        }
        return std::nullopt;
    }

    void startPlank() {
        m_plank.start(QStandardPaths::findExecutable("plank"), {});
        // The name comes first, the items object a moment later.
        ASSERT_TRUE(runEventsUntil([&] { return plank("GetCount").type() == QDBusMessage::ReplyMessage; }))
            << "Plank offers its items on the bus";
    }
    void startTessly() { m_tessly.start(QStringLiteral(TESSLY_BUNDLE_DIR "/Contents/MacOS/Tessly"), {}); }

    static QDBusMessage plank(const QString& method, const QVariantList& arguments = {}) {
        QDBusMessage call = QDBusMessage::createMethodCall(kPlankService, "/net/launchpad/plank/dock1",
                                                           "net.launchpad.plank.Items", method);
        call.setArguments(arguments);
        return QDBusConnection::sessionBus().call(call, QDBus::Block, 2'000);
    }
    [[nodiscard]] static QStringList plankItems() {
        const QDBusMessage reply = plank("GetPersistentApplications");
        return reply.arguments().isEmpty() ? QStringList() : reply.arguments().first().toStringList();
    }

    [[nodiscard]] QString entryPath(const AppFolder& folder) const {
        return home.path() + "/.local/share/applications/" + launcherEntryId("app.tessly.Tessly", folder.id);
    }
    [[nodiscard]] QString entryUri(const AppFolder& folder) const {
        return QUrl::fromLocalFile(entryPath(folder)).toString();
    }
    [[nodiscard]] QString helperPath(const QString& name) const {
        return home.path() + "/Library/Application Support/Tessly/Helpers/" + name + ".app";
    }
    /// The running processes whose program lies in the bundle.
    [[nodiscard]] static QList<qint64> processesOf(const QString& bundle) {
        QList<qint64> found;
        const QString canonical = QFileInfo(bundle).canonicalFilePath();
        QDirIterator it(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
        while (it.hasNext()) {
            it.next();
            const QString exe = QFileInfo(it.filePath() + "/exe").symLinkTarget();
            if (!canonical.isEmpty() && exe.startsWith(canonical + "/")) {
                found.append(it.fileName().toLongLong());
            }
        }
        return found;
    }
    /// Where Plank says the item is: the point above it (global, y down).
    [[nodiscard]] static std::optional<QPoint> hoverPoint(const QString& uri) {
        const QList<QVariant> answer = plank("GetHoverPosition", {uri}).arguments();
        if (answer.size() != 4 || !answer.at(3).toBool()) {
            return std::nullopt;
        }
        return QPoint(answer.at(0).toInt(), answer.at(1).toInt());
    }
    /// A folder whose tile is a plate of solid red.
    static void makeRed(AppFolder& folder) {
        folder.tileStyle.backgroundStyle = TileBackground::red;
        folder.tileStyle.backgroundMode = TileBackgroundMode::solid;
        folder.tileStyle.opacity = 1.0;
    }
    /// Plank shows the launcher of a red folder, fully drawn (it fades a new item in).
    [[nodiscard]] bool redLauncherShown(const QString& uri) const {
        const std::optional<QPoint> above = hoverPoint(uri);
        if (!above) {
            return false;
        }
        const QColor centre = desktop.grab().pixelColor(above->x() - 12, above->y() + 33);
        return centre.red() > centre.green() + 150 && centre.red() > centre.blue() + 150;
    }
    void screenshot(const QString& name) const {
        desktop.screenshot(QStringLiteral(TESSLY_E2E_SCREENSHOTS "/") + name + ".png");
    }

    TempHome home;
    VirtualDesktop desktop;
    QProcess m_plank;
    QProcess m_tessly;
};

// A folder in the Dock appears among Plank's items as Tessly's launcher, drawn from its tile, with no helper
// running. A click on it starts the helper, whose popup opens above the item with its arrow on it; a click on
// the application starts it and closes the popup, and the helper goes a few seconds later. Plank dropping the
// item (as dragging it off does) takes the folder out of the Dock at once, with its helper and launcher, and
// keeps the folder.
TEST_F(PlankAndTesslyTest, AFolderInTheDockIsAPlankLauncherThatOpensItsPopupAndLeavesWithIt) {
    AppFolder work = folderInDock("Work", {"Notes"});
    makeRed(work);
    writeFolders({work});
    startPlank();
    startTessly();
    ASSERT_TRUE(runEventsUntil([&] { return plankItems().contains(entryUri(work)); }))
        << "Tessly's launcher among Plank's items";
    // Plank slides a new item in from the screen's edge: its place is read once it stays put.
    std::optional<QPoint> last;
    ASSERT_TRUE(runEventsUntil([&] {
        const std::optional<QPoint> now = hoverPoint(entryUri(work));
        const bool settled = now && last && *now == *last;
        last = now;
        testing::runEventsFor(100);
        return settled;
    })) << "drawn in the dock";
    const QPoint above = *last;
    EXPECT_TRUE(processesOf(helperPath("Work")).isEmpty()) << "no helper runs to be seen";
    EXPECT_EQ(QProcess::execute("desktop-file-validate", {entryPath(work)}), 0);
    // Plank's items stand on its 48-point icons: the launcher's is the folder's red tile.
    EXPECT_TRUE(runEventsUntil([&] { return redLauncherShown(entryUri(work)); }))
        << "the folder's red tile at the launcher";
    screenshot("plank-1-folder-launcher");

    desktop.run("xdotool",
                {"mousemove", QString::number(above.x()), QString::number(above.y() + 33), "click", "1"});
    qint64 helper = 0;
    ASSERT_TRUE(runEventsUntil([&] {
        const QList<qint64> running = processesOf(helperPath("Work"));
        helper = running.isEmpty() ? 0 : running.first();
        return helper != 0 && desktop.visibleWindowsOf(helper).size() == 1;
    })) << "the click starts the helper and its popup opens";
    // The arrow's tip lies on the plate's edge, inside the panel's 24-point transparent margin. Plank bounces
    // the item it starts; the popup follows it back down.
    QHash<QString, int> popup;
    EXPECT_TRUE(runEventsUntil([&] {
        popup = desktop.geometry(desktop.visibleWindowsOf(helper).value(0));
        return std::abs(popup["Y"] + popup["HEIGHT"] - 24 - above.y()) <= 2;
    })) << "its tip on the item's upper side: "
        << popup["Y"] + popup["HEIGHT"] - 24 << " for " << above.y();
    EXPECT_NEAR(popup["X"] + popup["WIDTH"] / 2.0, above.x(), 2.0) << "the arrow points at the launcher";
    const QString windowClass =
        desktop.run("xprop", {"-id", desktop.visibleWindowsOf(helper).first(), "WM_CLASS"});
    EXPECT_TRUE(windowClass.contains(launcherWindowClass("app.tessly.Tessly", work.id)))
        << "the window class the launcher names: " << windowClass.toStdString();
    screenshot("plank-2-popup-above-the-launcher");

    // Plank starts the launcher's program at every click: while the helper runs, the new process hands the
    // click over to it and ends. The first click closes the open popup, the next opens it again, in the same
    // helper.
    auto clickLauncher = [&] {
        desktop.run("xdotool",
                    {"mousemove", QString::number(above.x()), QString::number(above.y() + 33), "click", "1"});
    };
    // Each click's process is waited for: a click's hand-over may come after the next click otherwise.
    const auto onlyTheHelperRuns = [&] { return processesOf(helperPath("Work")) == QList<qint64>({helper}); };
    clickLauncher();
    EXPECT_TRUE(runEventsUntil([&] { return desktop.visibleWindowsOf(helper).isEmpty(); }))
        << "a click on the launcher closes its open popup";
    EXPECT_TRUE(runEventsUntil(onlyTheHelperRuns)) << "the click's process handed over and ended";
    clickLauncher();
    EXPECT_TRUE(runEventsUntil([&] { return desktop.visibleWindowsOf(helper).size() == 1; }))
        << "and the next opens it again";
    EXPECT_TRUE(runEventsUntil(onlyTheHelperRuns)) << "one helper, the same";
    EXPECT_TRUE(runEventsUntil([&] {
        popup = desktop.geometry(desktop.visibleWindowsOf(helper).value(0));
        return std::abs(popup["Y"] + popup["HEIGHT"] - 24 - above.y()) <= 2;
    }));

    const int iconX = popup["X"] + popup["WIDTH"] / 2;
    const int iconY = popup["Y"] + popup["HEIGHT"] - 24 - 16 - 12 - 14 - 5 - 26;
    // Plank labels the item under the pointer, over whatever is above it: the label goes when the pointer
    // leaves the item for the popup.
    desktop.run("xdotool", {"mousemove", QString::number(iconX), QString::number(iconY)});
    EXPECT_TRUE(runEventsUntil([&] { return desktop.visibleWindowsOf(m_plank.processId()).size() == 1; }))
        << "Plank's label of the item goes";
    desktop.run("xdotool", {"click", "1"});
    EXPECT_TRUE(runEventsUntil([&] {
        return TempHome::read(work.apps.first().appURL.toLocalFile() + ".ran").startsWith("start");
    })) << "a click on the application starts it";
    EXPECT_TRUE(runEventsUntil([&] { return desktop.visibleWindowsOf(helper).isEmpty(); }))
        << "the popup closes";
    EXPECT_TRUE(runEventsUntil([&] { return processesOf(helperPath("Work")).isEmpty(); }))
        << "the helper is not needed once its popup closed";
    screenshot("plank-3-application-started");

    ASSERT_TRUE(plank("Remove", {entryUri(work)}).arguments().value(0).toBool());
    EXPECT_TRUE(
        runEventsUntil([&] { return savedFolder(work.id) && !savedFolder(work.id)->isInDock; }, 1'000))
        << "out of the Dock in the folder file within a second";
    EXPECT_TRUE(runEventsUntil([&] { return !QFileInfo::exists(helperPath("Work")); }));
    EXPECT_TRUE(runEventsUntil([&] { return !QFileInfo::exists(entryPath(work)); }));
    EXPECT_TRUE(savedFolder(work.id).has_value()) << "the folder stays";
    screenshot("plank-4-launcher-removed");
}

// Plank killed and started again: its items come back with Tessly's launcher in them, and the folder is still
// in the Dock; nothing was lost.
TEST_F(PlankAndTesslyTest, PlankKilledAndStartedAgainLosesNothing) {
    const AppFolder work = folderInDock("Work", {"Notes"});
    AppFolder play = folderInDock("Play", {"Paint", "Chess"});
    makeRed(play);
    writeFolders({work, play});
    startPlank();
    startTessly();
    ASSERT_TRUE(runEventsUntil(
        [&] { return plankItems().contains(entryUri(work)) && plankItems().contains(entryUri(play)); }));

    m_plank.kill();
    m_plank.waitForFinished(10'000);
    ASSERT_TRUE(runEventsUntil(
        [] { return !QDBusConnection::sessionBus().interface()->isServiceRegistered(kPlankService); }));
    startPlank();
    ASSERT_TRUE(runEventsUntil([&] { return hoverPoint(entryUri(work)) && hoverPoint(entryUri(play)); }))
        << "both launchers back in the dock";
    EXPECT_TRUE(runEventsUntil([&] { return redLauncherShown(entryUri(play)); }))
        << "Plank shows the launchers again";
    EXPECT_TRUE(savedFolder(work.id)->isInDock);
    EXPECT_TRUE(savedFolder(play.id)->isInDock);
    EXPECT_TRUE(QFileInfo::exists(entryPath(work)));
    EXPECT_TRUE(QFileInfo::exists(helperPath("Play")));
    screenshot("plank-5-after-a-restart");
}

// Switched on in the window with the real pointer, a folder appears among Plank's items; switched off, it
// goes.
TEST_F(PlankAndTesslyTest, AFolderSwitchedIntoTheDockInTheWindowAppearsInPlank) {
    AppFolder work = folderInDock("Work", {"Notes"});
    makeRed(work);
    work.isInDock = false;
    writeFolders({work});
    startPlank();
    startTessly();
    QStringList windows;
    ASSERT_TRUE(runEventsUntil([&] {
        windows = desktop.visibleWindowsOf(m_tessly.processId());
        return windows.size() == 1;
    })) << "the main window opens";
    // The card's in-Dock switch: 458 points right of the window's middle-left and 130 below its top, as the
    // folders page lays out its first card at the window's opening size.
    const QHash<QString, int> window = desktop.geometry(windows.first());
    auto clickSwitch = [&] {
        desktop.run("xdotool", {"mousemove", QString::number(window["X"] + 458),
                                QString::number(window["Y"] + 130), "click", "1"});
    };
    clickSwitch();
    EXPECT_TRUE(runEventsUntil([&] { return plankItems().contains(entryUri(work)); })) << "in Plank";
    EXPECT_TRUE(savedFolder(work.id)->isInDock);
    EXPECT_TRUE(runEventsUntil([&] { return redLauncherShown(entryUri(work)); }));
    screenshot("plank-6-switched-on-in-the-window");

    clickSwitch();
    EXPECT_TRUE(runEventsUntil([&] { return !plankItems().contains(entryUri(work)); }))
        << "out of Plank again";
    EXPECT_FALSE(savedFolder(work.id)->isInDock);
    EXPECT_TRUE(runEventsUntil([&] { return !QFileInfo::exists(entryPath(work)); }));
}

} // namespace
} // namespace tessly
