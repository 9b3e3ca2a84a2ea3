// The whole path with the real programs: the stand-in Dock and Tessly on a virtual X server with a window
// manager that honours the Dock's strut and a compositor, on the suite's session bus, in a temporary home
// with test-made applications. Driven through the Dock's bus interface (which moves the real pointer before
// it clicks) and by real pointer and key events. Each step leaves a screenshot in the build tree.
#include "model/folder_json.h"
#include "model/uuid_text.h"
#include "platform/property_list.h"
#include "support/temp_home.h"
#include "support/test_application.h"
#include "support/virtual_desktop.h"

#include <QDBusConnection>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QImage>
#include <QJsonObject>
#include <QProcess>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdio>

namespace tessly {
namespace {

using testing::DockClient;
using testing::runEventsFor;
using testing::runEventsUntil;
using testing::TempHome;
using testing::VirtualDesktop;

const QString kFolderFile = QStringLiteral("Library/Application Support/Tessly/folders.json");

class DockAndTesslyTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const QString missing = VirtualDesktop::missingTools(VirtualDesktop::withCompositor);
            !missing.isEmpty()) {
            GTEST_SKIP() << missing.toStdString();
        }
        if (DockClient::isRunning()) {
            GTEST_SKIP() << "another Dock runs on this bus";
        }
        ASSERT_TRUE(desktop.start(home.path(), VirtualDesktop::withCompositor));
        for (QProcess* process : {&m_dock, &m_tessly}) {
            process->setProcessEnvironment(desktop.environment());
            process->setProcessChannelMode(QProcess::ForwardedChannels);
        }
    }
    void TearDown() override {
        for (QProcess* process : {&m_tessly, &m_dock}) {
            process->terminate();
            process->waitForFinished(10'000);
        }
        desktop.stop();
    }

    /// A test-made application in ~/Applications: it notes each start in "<bundle>.ran" and shows in the
    /// Dock.
    QString makeApplication(const QString& name) {
        const QString bundle = testing::makeTestApplication(home, name);
        EXPECT_FALSE(bundle.isEmpty());
        return bundle;
    }
    /// A folder in the Dock holding the given applications (made by `makeApplication`).
    AppFolder folderInDock(const QString& name, const QStringList& applications) {
        AppFolder folder;
        folder.id = makeUuid();
        folder.name = name;
        folder.isInDock = true;
        for (const QString& application : applications) {
            const QString bundle = makeApplication(application);
            folder.apps.append(
                AppItem{makeUuid(), application, "test.e2e." + application, QUrl::fromLocalFile(bundle)});
        }
        return folder;
    }
    void writeFolders(const QList<AppFolder>& folders) { home.write(kFolderFile, encodeFolderList(folders)); }
    [[nodiscard]] QList<AppFolder> readFolders() const {
        return decodeFolderList(TempHome::read(home.path() + "/" + kFolderFile), Date())
            .folders.value_or(QList<AppFolder>());
    }
    [[nodiscard]] bool isInDock(const QUuid& folder) const {
        for (const AppFolder& candidate : readFolders()) {
            if (candidate.id == folder) {
                return candidate.isInDock;
            }
        }
        return false;
    }
    void writeDockPreferences(const QByteArray& xmlDictionaryBody) {
        home.write("Library/Preferences/com.apple.dock.plist",
                   R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict>)" +
                       xmlDictionaryBody + "</dict></plist>");
    }

    void startDock() {
        m_dock.start(QStringLiteral(TESSLY_DOCK), {DockClient::kControlOption, "--resources",
                                                   QStringLiteral(TESSLY_BUNDLE_DIR "/Contents/Resources")});
        ASSERT_TRUE(runEventsUntil([] { return DockClient::isRunning(); })) << "the Dock takes its bus name";
    }
    void startTessly() { m_tessly.start(QStringLiteral(TESSLY_BUNDLE_DIR "/Contents/MacOS/Tessly"), {}); }

    [[nodiscard]] QString helperPath(const QString& name) const {
        return home.path() + "/Library/Application Support/Tessly/Helpers/" + name + ".app";
    }
    /// The helper bundle of a folder as the Dock lists it (links resolved), empty while there is none.
    [[nodiscard]] QString helperBundle(const QString& name) const {
        return QFileInfo(helperPath(name)).canonicalFilePath();
    }
    [[nodiscard]] QString pinFile(const QUuid& folder) const {
        return QString::fromUtf8(TempHome::read(
            home.path() + "/Library/Application Support/Tessly/HelperState/" + uuidText(folder) + ".pinned"));
    }
    /// Whether the Dock's own preferences keep the bundle in "persistent-apps", which is what "Keep" changes:
    /// a running helper's tile is held by the Dock (and reported pinned) kept or not.
    [[nodiscard]] bool dockPreferencesKeep(const QString& bundle) const {
        const auto file = readPropertyListFile(home.path() + "/Library/Preferences/com.apple.dock.plist");
        const PlistValue* apps =
            file && file->root.asDictionary() ? file->root.asDictionary()->find("persistent-apps") : nullptr;
        if (!apps || !apps->asArray()) {
            return false;
        }
        for (const PlistValue& entry : *apps->asArray()) {
            const PlistDictionary* tile = entry.asDictionary();
            const PlistValue* tileData = tile ? tile->find("tile-data") : nullptr;
            const PlistValue* fileData =
                tileData && tileData->asDictionary() ? tileData->asDictionary()->find("file-data") : nullptr;
            const PlistValue* url = fileData && fileData->asDictionary()
                                        ? fileData->asDictionary()->find("_CFURLString")
                                        : nullptr;
            if (url && url->asString() &&
                QFileInfo(QUrl(*url->asString()).path()).canonicalFilePath() == bundle) {
                return true;
            }
        }
        return false;
    }
    /// The process started with the folder's identifier among its arguments (its helper), or 0.
    static qint64 helperProcess(const QUuid& folder) {
        QDirIterator it(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
        while (it.hasNext()) {
            it.next();
            if (TempHome::read(it.filePath() + "/cmdline").split('\0').contains(uuidText(folder).toUtf8())) {
                return it.fileName().toLongLong();
            }
        }
        return 0;
    }
    /// Both the helper and its tile in the Dock, drawn with what the helper published.
    [[nodiscard]] bool helperShows(const QUuid& folder, const QString& name) const {
        const QJsonObject tile = DockClient::tile(helperBundle(name));
        return helperProcess(folder) != 0 && tile["running"].toBool() && tile["hasContent"].toBool();
    }
    [[nodiscard]] static QRect frameOf(const QJsonObject& tile) {
        const QJsonObject frame = tile["frame"].toObject(); // global, y down
        return QRectF(frame["x"].toDouble(), frame["y"].toDouble(), frame["width"].toDouble(),
                      frame["height"].toDouble())
            .toAlignedRect();
    }
    /// The share of the rectangle's pixels on screen that are clearly green (the colour of the "ON" badge).
    [[nodiscard]] double greenShare(const QRect& rect) const {
        const QImage screen = desktop.grab();
        int green = 0;
        int all = 0;
        for (int y = rect.top(); y <= rect.bottom() && y < screen.height(); ++y) {
            for (int x = rect.left(); x <= rect.right() && x < screen.width(); ++x) {
                const QColor pixel = screen.pixelColor(x, y);
                green += pixel.green() > pixel.red() + 60 && pixel.green() > pixel.blue() + 60 ? 1 : 0;
                ++all;
            }
        }
        return all == 0 ? 0.0 : static_cast<double>(green) / all;
    }
    void screenshot(const QString& name) const {
        desktop.screenshot(QStringLiteral(TESSLY_E2E_SCREENSHOTS "/") + name + ".png");
    }

    TempHome home;
    VirtualDesktop desktop;
    QProcess m_dock;
    QProcess m_tessly;
};

// Two folders in the Dock: the main application starts both helpers and their tiles appear in the Dock with
// the "ON" badge, which goes again; once kept, the plug-ins report them pinned. A click on a tile opens the
// helper's popup above it, centred on the pointer (so the arrow, which points at the click, is in the
// middle); a click on an application in it starts the application and closes the popup; opening the other
// helper's popup closes the first.
TEST_F(DockAndTesslyTest, FoldersInTheDockShowTheirTilesOpenTheirPopupsAndLaunchTheirApplications) {
    const AppFolder work = folderInDock("Work", {"Notes"});
    const AppFolder play = folderInDock("Play", {"Paint", "Chess"});
    writeFolders({work, play});
    startDock();
    startTessly();

    ASSERT_TRUE(runEventsUntil([&] { return helperShows(work.id, "Work") && helperShows(play.id, "Play"); }))
        << "both helpers run and show in the Dock";
    // The badge: a black plate with a green check mark, for two seconds.
    const QRect badgedTile = frameOf(DockClient::tile(helperBundle("Work")));
    EXPECT_TRUE(runEventsUntil([&] { return greenShare(badgedTile) > 0.03; }))
        << "a helper the main application started shows the \"ON\" badge";
    screenshot("1-tiles-with-on-badge");
    EXPECT_TRUE(runEventsUntil([&] { return greenShare(badgedTile) < 0.002; })) << "and drops it again";

    for (const QString& name : {QStringLiteral("Work"), QStringLiteral("Play")}) {
        EXPECT_FALSE(dockPreferencesKeep(helperBundle(name))) << "shown because it runs, not kept";
        EXPECT_TRUE(DockClient::call("Keep", {helperBundle(name)}).toBool());
        EXPECT_TRUE(runEventsUntil([&] { return DockClient::tile(helperBundle(name))["kept"].toBool(); }));
        EXPECT_TRUE(runEventsUntil([&] { return dockPreferencesKeep(helperBundle(name)); }))
            << "the Dock writes the kept tile into its preferences";
    }
    EXPECT_TRUE(runEventsUntil([&] { return pinFile(work.id) == "1" && pinFile(play.id) == "1"; }))
        << "the plug-ins in the Dock report both tiles held";

    // Kept tiles move to the Dock's kept part.
    const QRect workTile = frameOf(DockClient::tile(helperBundle("Work")));
    const qint64 workPid = helperProcess(work.id);
    const qint64 playPid = helperProcess(play.id);
    ASSERT_TRUE(DockClient::call("Click", {helperBundle("Work")}).toBool());
    ASSERT_TRUE(runEventsUntil([&] { return desktop.visibleWindowsOf(workPid).size() == 1; }))
        << "the popup opens";
    const QHash<QString, int> popup = desktop.geometry(desktop.visibleWindowsOf(workPid).first());
    // The Dock put the pointer on the tile's centre before it clicked.
    EXPECT_NEAR(popup["X"] + popup["WIDTH"] / 2.0, workTile.center().x(), 2.0)
        << "the arrow points at the click";
    EXPECT_LE(popup["Y"] + popup["HEIGHT"], workTile.top()) << "the popup sits above the Dock";
    screenshot("2-popup-above-its-tile");

    // The only application's icon: centred, above its name, at the bottom of the plate (24 points of shadow
    // margin, 16 of room for the arrow, 12 of inset, the name and 5 points, half of the 52-point icon).
    const int iconX = popup["X"] + popup["WIDTH"] / 2;
    const int iconY = popup["Y"] + popup["HEIGHT"] - 24 - 16 - 12 - 14 - 5 - 26;
    desktop.run("xdotool", {"mousemove", QString::number(iconX), QString::number(iconY), "click", "1"});
    EXPECT_TRUE(runEventsUntil([&] {
        return TempHome::read(work.apps.first().appURL.toLocalFile() + ".ran").startsWith("start");
    })) << "a click on the application starts it";
    EXPECT_TRUE(runEventsUntil([&] { return desktop.visibleWindowsOf(workPid).isEmpty(); }))
        << "and closes the popup";
    EXPECT_TRUE(runEventsUntil(
        [&] { return DockClient::tile(work.apps.first().appURL.toLocalFile())["running"].toBool(); }));
    screenshot("3-application-started");

    // A reopen that follows a close within the helper's 0.15 s debounce is dropped as the same click, and
    // under load the close can come that late: the tile is clicked again while no popup showed.
    ASSERT_TRUE(runEventsUntil(
        [&] {
            if (!DockClient::call("Click", {helperBundle("Work")}).toBool()) {
                return false;
            }
            return runEventsUntil([&] { return desktop.visibleWindowsOf(workPid).size() == 1; }, 1'000);
        },
        20'000))
        << "a click on the tile opens the popup again";
    ASSERT_TRUE(DockClient::call("Click", {helperBundle("Play")}).toBool());
    ASSERT_TRUE(runEventsUntil([&] { return desktop.visibleWindowsOf(playPid).size() == 1; }));
    EXPECT_TRUE(runEventsUntil([&] { return desktop.visibleWindowsOf(workPid).isEmpty(); }))
        << "opening one helper's popup closes the other's";
    screenshot("4-the-other-popup");
}

// A Dock on the left: the popup opens to its right, level with the click, 11 points clear of the work area's
// edge (which the Dock's strut moved).
TEST_F(DockAndTesslyTest, OnALeftDockThePopupOpensBesideTheDock) {
    const AppFolder tools = folderInDock("Tools", {"Notes", "Paint", "Chess"});
    writeFolders({tools});
    writeDockPreferences(
        "<key>orientation</key><string>left</string><key>tilesize</key><integer>56</integer>");
    startDock();
    ASSERT_TRUE(runEventsUntil([&] { return desktop.workArea().value(0) > 0; }))
        << "the Dock reserves its room";
    startTessly();
    ASSERT_TRUE(runEventsUntil([&] { return helperShows(tools.id, "Tools"); }));
    const qint64 helper = helperProcess(tools.id);
    const QRect tile = frameOf(DockClient::tile(helperBundle("Tools")));

    ASSERT_TRUE(DockClient::call("Click", {helperBundle("Tools")}).toBool());
    ASSERT_TRUE(runEventsUntil([&] { return desktop.visibleWindowsOf(helper).size() == 1; }));
    const QHash<QString, int> popup = desktop.geometry(desktop.visibleWindowsOf(helper).first());
    const QList<int> workArea = desktop.workArea();
    EXPECT_NEAR(popup["X"] - workArea.value(0), 11, 1) << "11 points clear of the Dock";
    EXPECT_GE(popup["X"], tile.right()) << "to the Dock's right";
    EXPECT_LE(popup["Y"], tile.center().y());
    EXPECT_GE(popup["Y"] + popup["HEIGHT"], tile.center().y()) << "level with the click";
    screenshot("5-popup-beside-a-left-dock");
}

// A folder's tile dragged off the Dock while its helper runs: the helper keeps its folder in the Dock.
// Quitting it from the tile's menu then takes the folder out of the Dock: "isInDock" turns false in the
// folder file, and the helper's bundle is deleted.
TEST_F(DockAndTesslyTest, AFolderLeavesTheDockWhenItsTileIsNeitherKeptNorRunning) {
    const AppFolder work = folderInDock("Work", {"Notes"});
    writeFolders({work});
    startDock();
    QElapsedTimer sinceStart;
    sinceStart.start();
    startTessly();
    ASSERT_TRUE(runEventsUntil([&] { return helperShows(work.id, "Work"); }));
    const QString helper = helperBundle("Work");
    ASSERT_TRUE(DockClient::call("Keep", {helper}).toBool());
    ASSERT_TRUE(runEventsUntil([&] { return pinFile(work.id) == "1"; }));

    // Dragged off the strip with the real pointer: out of "persistent-apps", yet still shown while it runs.
    QRect tile = frameOf(DockClient::tile(helper));
    desktop.run("xdotool",
                {"mousemove", QString::number(tile.center().x()), QString::number(tile.center().y()),
                 "mousedown", "1", "mousemove", QString::number(tile.center().x() + 10),
                 QString::number(tile.center().y() - 20), "mousemove", "640", "300", "mouseup", "1"});
    ASSERT_TRUE(runEventsUntil([&] { return !DockClient::tile(helper)["kept"].toBool(); }))
        << "dragging the tile off the Dock takes it out of the kept ones";
    EXPECT_TRUE(DockClient::tile(helper)["running"].toBool());
    // Past the start-up grace, when the main application may take folders out of the Dock.
    runEventsFor(std::max<int>(0, 7'000 - static_cast<int>(sinceStart.elapsed())));
    EXPECT_TRUE(isInDock(work.id)) << "a helper that still runs keeps its folder in the Dock";
    EXPECT_TRUE(QFileInfo::exists(helper));
    screenshot("6-tile-dragged-off-while-running");

    // Quit from the tile's menu (its last entry), with real button and key events. The tile has moved to the
    // Dock's running part.
    tile = frameOf(DockClient::tile(helper));
    desktop.run("xdotool", {"mousemove", QString::number(tile.center().x()),
                            QString::number(tile.center().y()), "click", "3"});
    ASSERT_TRUE(runEventsUntil([&] { return desktop.visibleWindowsOf(m_dock.processId()).size() == 2; }))
        << "the tile's menu opens";
    screenshot("7-tile-menu");
    QElapsedTimer sinceQuit;
    sinceQuit.start();
    desktop.run("xdotool", {"key", "Up", "Return"});
    EXPECT_TRUE(runEventsUntil([&] { return !isInDock(work.id) && !QFileInfo::exists(helper); }))
        << "the folder leaves the Dock and its helper is deleted";
    std::printf(
        "From the quit in the tile's menu to the folder out of the Dock and its helper deleted: %lld ms\n",
        static_cast<long long>(sinceQuit.elapsed()));
    EXPECT_EQ(helperProcess(work.id), 0) << "the helper quit";
    EXPECT_TRUE(runEventsUntil([&] { return DockClient::tile(helper).isEmpty(); }));
    EXPECT_EQ(readFolders().size(), 1) << "the folder itself stays";
    screenshot("8-folder-out-of-the-dock");
}

// The Dock killed outright and started again: the helpers run on, the folders stay in the Dock, and the new
// Dock shows their tiles again, kept, with what the helpers published.
TEST_F(DockAndTesslyTest, ADockKilledAndStartedAgainGetsItsTilesBack) {
    const AppFolder work = folderInDock("Work", {"Notes"});
    const AppFolder play = folderInDock("Play", {"Paint"});
    writeFolders({work, play});
    startDock();
    startTessly();
    ASSERT_TRUE(runEventsUntil([&] { return helperShows(work.id, "Work") && helperShows(play.id, "Play"); }));
    for (const QString& name : {QStringLiteral("Work"), QStringLiteral("Play")}) {
        ASSERT_TRUE(DockClient::call("Keep", {helperBundle(name)}).toBool());
    }
    ASSERT_TRUE(runEventsUntil([&] { return pinFile(work.id) == "1" && pinFile(play.id) == "1"; }));
    const QByteArray folderFile = TempHome::read(home.path() + "/" + kFolderFile);
    const qint64 workPid = helperProcess(work.id);
    const qint64 playPid = helperProcess(play.id);

    m_dock.kill();
    m_dock.waitForFinished(10'000);
    ASSERT_TRUE(runEventsUntil([] { return !DockClient::isRunning(); }));
    // Longer than the main application's re-check after an unpin report: none may come.
    runEventsFor(500);
    EXPECT_EQ(pinFile(work.id), "1") << "the plug-ins were not told the tiles went: the Dock did";
    screenshot("9-no-dock");

    startDock();
    EXPECT_TRUE(runEventsUntil([&] { return helperShows(work.id, "Work") && helperShows(play.id, "Play"); }))
        << "the tiles come back, drawn with what the helpers publish again";
    EXPECT_TRUE(DockClient::tile(helperBundle("Work"))["kept"].toBool());
    EXPECT_TRUE(DockClient::tile(helperBundle("Play"))["kept"].toBool());
    EXPECT_EQ(TempHome::read(home.path() + "/" + kFolderFile), folderFile) << "nothing is lost";
    EXPECT_EQ(helperProcess(work.id), workPid) << "the helpers ran on";
    EXPECT_EQ(helperProcess(play.id), playPid);
    screenshot("10-dock-started-again");
}

} // namespace
} // namespace tessly
