// The stand-in Dock as a program: on a virtual X server of the test's own with a window manager that honours
// struts (openbox), in a temporary home with test-made bundles, driven over its bus interface.
#include "helpers/helper_manager.h"
#include "platform/property_list.h"
#include "support/temp_home.h"
#include "support/virtual_desktop.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

namespace tessly::dock {
namespace testing = ::tessly::testing;
namespace {

const QString kDockFile = QStringLiteral("Library/Preferences/com.apple.dock.plist");

PlistValue entryFor(const QString& path) {
    return PlistValue(PlistDictionary{
        {"tile-data",
         PlistDictionary{{"file-data", PlistDictionary{{"_CFURLString", path}, {"_CFURLStringType", 0}}}}}});
}

class DockOnXvfbTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const QString missing = testing::VirtualDesktop::missingTools(); !missing.isEmpty()) {
            GTEST_SKIP() << missing.toStdString();
        }
        if (testing::DockClient::isRunning()) {
            GTEST_SKIP() << "another Dock owns " << testing::DockClient::kService << " on this bus";
        }
        ASSERT_TRUE(desktop.start(home.path()));
        m_dock.setProcessEnvironment(desktop.environment());
        m_dock.setProcessChannelMode(QProcess::ForwardedChannels);
    }
    void TearDown() override {
        m_dock.terminate();
        m_dock.waitForFinished(10'000);
        desktop.stop();
    }

    void startDock() {
        m_dock.start(TESSLY_DOCK, {testing::DockClient::kControlOption});
        ASSERT_TRUE(testing::runEventsUntil([] { return testing::DockClient::isRunning(); }));
    }
    static QVariant call(const QString& method, const QVariantList& arguments = {}) {
        return testing::DockClient::call(method, arguments);
    }
    static QJsonArray tiles() { return testing::DockClient::tiles(); }
    static QJsonObject tileOf(const QString& bundle) { return testing::DockClient::tile(bundle); }
    /// A bundle whose executable is the test application; `info` adds to its Info.plist.
    QString makeBundle(const QString& name, PlistDictionary info = {}) {
        const QString bundle = home.path() + "/Applications/" + name + ".app";
        info.set("CFBundleExecutable", "App");
        info.set("CFBundleIdentifier", "test.dock." + name);
        home.write("Applications/" + name + ".app/Contents/Info.plist",
                   writePropertyList(PlistValue(info), PlistFormat::Xml));
        QDir().mkpath(bundle + "/Contents/MacOS");
        EXPECT_TRUE(QFile::copy(TESSLY_DOCK_TEST_APPLICATION, bundle + "/Contents/MacOS/App"));
        return QFileInfo(bundle).canonicalFilePath();
    }
    void writeDockPreferences(const PlistDictionary& root, PlistFormat format = PlistFormat::Binary) {
        home.write(kDockFile, writePropertyList(PlistValue(root), format));
    }
    void startApplication(const QString& bundle) {
        QProcess process;
        process.setProcessEnvironment(desktop.environment());
        process.setProgram(bundle + "/Contents/MacOS/App");
        ASSERT_TRUE(process.startDetached()); // ended with the desktop: its program lies in the home
    }
    static QString ran(const QString& bundle) {
        return QString::fromUtf8(testing::TempHome::read(bundle + ".ran"));
    }
    static void postPreferencesChanged() {
        // The shape of a distributed notification on the bus (dbus_notification_center_linux.h).
        QDBusMessage signal = QDBusMessage::createSignal("/app/tessly/DistributedNotifications",
                                                         "app.tessly.DistributedNotifications", "Posted");
        signal << QStringLiteral("com.apple.dock.prefchanged") << false << QString() << QByteArray();
        QDBusConnection::sessionBus().send(signal);
    }

    testing::TempHome home;
    testing::VirtualDesktop desktop;
    QProcess m_dock;
};

TEST_F(DockOnXvfbTest, TheStripIsReservedAsAStrutAndFollowsOrientationAndSize) {
    writeDockPreferences({{"tilesize", 48}});
    ASSERT_TRUE(testing::runEventsUntil([&] { return desktop.workArea() == QList<int>({0, 0, 1280, 800}); }));
    startDock();
    EXPECT_TRUE(testing::runEventsUntil([&] {
        return desktop.workArea() == QList<int>({0, 0, 1280, 800 - 66});
    })) << desktop.workArea().size();

    EXPECT_TRUE(call("SetOrientation", {QStringLiteral("left")}).toBool());
    EXPECT_TRUE(testing::runEventsUntil([&] {
        return desktop.workArea() == QList<int>({66, 0, 1280 - 66, 800});
    }));
    EXPECT_TRUE(call("SetTileSize", {64.0}).toBool());
    EXPECT_TRUE(testing::runEventsUntil([&] {
        return desktop.workArea() == QList<int>({82, 0, 1280 - 82, 800});
    }));
    EXPECT_FALSE(call("SetOrientation", {QStringLiteral("top")}).toBool());
    // Written as the Dock's own preferences, in the file's format.
    const auto file = readPropertyListFile(home.path() + "/" + kDockFile);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->format, PlistFormat::Binary);
    ASSERT_TRUE(file->root.isDictionary());
    EXPECT_EQ(file->root.asDictionary()->find("orientation") ? *file->root.asDictionary()->find("orientation")
                                                             : PlistValue(),
              PlistValue("left"));
    EXPECT_EQ(file->root.asDictionary()->find("tilesize") ? *file->root.asDictionary()->find("tilesize")
                                                          : PlistValue(),
              PlistValue(64));
}

TEST_F(DockOnXvfbTest, AClickOnAKeptTileLaunchesItPlainlyThenAsksTheRunningOneToReopen) {
    const QString app = makeBundle("Kept");
    writeDockPreferences({{"persistent-apps", PlistArray{entryFor(app)}}});
    startDock();
    ASSERT_TRUE(testing::runEventsUntil([&] { return tileOf(app)["kept"].toBool(); }));
    EXPECT_FALSE(tileOf(app)["running"].toBool());

    ASSERT_TRUE(call("Click", {app}).toBool());
    ASSERT_TRUE(testing::runEventsUntil([&] { return ran(app).contains("start"); }));
    EXPECT_EQ(ran(app), "start \n") << "a normal launch, without the program's own arguments";
    // Running once it announces itself, and its published tile shown once it heard its size.
    EXPECT_TRUE(testing::runEventsUntil(
        [&] { return tileOf(app)["running"].toBool() && tileOf(app)["hasContent"].toBool(); }));

    const QJsonObject frame = tileOf(app)["frame"].toObject();
    ASSERT_TRUE(call("Click", {app}).toBool());
    ASSERT_TRUE(testing::runEventsUntil([&] { return ran(app).contains("reopen"); }));
    EXPECT_EQ(ran(app).count("start"), 1);
    // The real pointer went to the tile's centre first.
    const QString location = desktop.run("xdotool", {"getmouselocation"});
    const int x = location.section("x:", 1).section(' ', 0, 0).toInt();
    const int y = location.section("y:", 1).section(' ', 0, 0).toInt();
    EXPECT_NEAR(x, frame["x"].toDouble() + frame["width"].toDouble() / 2, 1) << location.toStdString();
    EXPECT_NEAR(y, frame["y"].toDouble() + frame["height"].toDouble() / 2, 1) << location.toStdString();
    EXPECT_GE(frame["y"].toDouble() + frame["height"].toDouble(), 800 - 66) << "on the strip at the bottom";
}

TEST_F(DockOnXvfbTest, KeepAndRemoveWriteTheListTheProgramReadsAndAnotherProcesssEditIsReloaded) {
    const QString kept = makeBundle("Kept");
    const QString running = makeBundle("Running");
    writeDockPreferences({{"persistent-apps", PlistArray{entryFor(kept)}}}, PlistFormat::Xml);
    startDock();
    startApplication(running);
    ASSERT_TRUE(testing::runEventsUntil([&] { return tileOf(running)["running"].toBool(); }));
    EXPECT_FALSE(tileOf(running)["kept"].toBool());
    const auto keptPaths = [&] {
        QStringList paths;
        const auto file = readPropertyListFile(home.path() + "/" + kDockFile);
        if (file && file->root.asDictionary() && file->root.asDictionary()->find("persistent-apps")) {
            for (const PlistValue& entry : *file->root.asDictionary()->find("persistent-apps")->asArray()) {
                paths.append(HelperManager::tilePath(entry).value_or("<none>"));
            }
        }
        return paths;
    };

    EXPECT_TRUE(call("Keep", {running}).toBool());
    EXPECT_EQ(keptPaths(), QStringList({kept, running}));
    EXPECT_TRUE(tileOf(running)["kept"].toBool());
    EXPECT_FALSE(call("Keep", {running}).toBool());
    EXPECT_EQ(readPropertyListFile(home.path() + "/" + kDockFile)->format, PlistFormat::Xml);

    EXPECT_TRUE(call("Remove", {running}).toBool());
    EXPECT_EQ(keptPaths(), QStringList({kept}));
    EXPECT_FALSE(tileOf(running)["kept"].toBool());
    EXPECT_TRUE(tileOf(running)["running"].toBool()) << "a running application stays in the Dock unkept";

    // The program removes a tile the way it does: the file rewritten, then the post.
    writeDockPreferences({{"persistent-apps", PlistArray{}}}, PlistFormat::Xml);
    postPreferencesChanged();
    EXPECT_TRUE(testing::runEventsUntil([&] { return tileOf(kept).isEmpty(); }));
}

TEST_F(DockOnXvfbTest, BrokenPreferencesPlugInsAndTilesLeaveTheDockRunning) {
    home.write(kDockFile, QByteArray("bplist00 this is not a property list"));
    startDock();
    EXPECT_TRUE(tiles().isEmpty());

    const QString crashing = makeBundle("Crashing", {{"NSDockTilePlugIn", "P.docktileplugin"}});
    home.write("Applications/Crashing.app/Contents/PlugIns/P.docktileplugin/Contents/Info.plist",
               writePropertyList(PlistValue(PlistDictionary{{"CFBundleExecutable", "P"},
                                                            {"NSPrincipalClass", "DockTileStatePlugin"}}),
                                 PlistFormat::Xml));
    QDir().mkpath(crashing + "/Contents/PlugIns/P.docktileplugin/Contents/MacOS");
    QFile::copy(TESSLY_DOCK_CRASHING_PLUGIN,
                crashing + "/Contents/PlugIns/P.docktileplugin/Contents/MacOS/P");
    const QString textPlugIn = makeBundle("Text", {{"NSDockTilePlugIn", "P.docktileplugin"}});
    home.write("Applications/Text.app/Contents/PlugIns/P.docktileplugin/Contents/Info.plist",
               writePropertyList(PlistValue(PlistDictionary{{"CFBundleExecutable", "P"},
                                                            {"NSPrincipalClass", "DockTileStatePlugin"}}),
                                 PlistFormat::Xml));
    home.write("Applications/Text.app/Contents/PlugIns/P.docktileplugin/Contents/MacOS/P", "not a library");
    home.write("Documents/file.txt", "x");
    writeDockPreferences(
        {{"persistent-apps", PlistArray{entryFor(home.path() + "/Documents/file.txt"), PlistValue(3),
                                        entryFor(crashing), entryFor(textPlugIn)}}});
    postPreferencesChanged();
    ASSERT_TRUE(testing::runEventsUntil([&] {
        return tileOf(crashing)["plugIn"].toString() == "failed" &&
               tileOf(textPlugIn)["plugIn"].toString() == "failed";
    })) << QJsonDocument(tiles()).toJson().toStdString();
    EXPECT_EQ(tiles().size(), 2) << "the document is no bundle";

    // A running application that publishes something other than a PNG keeps its icon.
    startApplication(textPlugIn);
    ASSERT_TRUE(testing::runEventsUntil([&] { return tileOf(textPlugIn)["hasContent"].toBool(); }));
    QDBusMessage signal =
        QDBusMessage::createSignal("/app/tessly/DockTile", "app.tessly.DockTile", "TileContentChanged");
    signal << crashing << qint64(1) << QByteArray(100000, 'x');
    QDBusConnection::sessionBus().send(signal);
    EXPECT_EQ(m_dock.state(), QProcess::Running);
    EXPECT_FALSE(tileOf(crashing)["hasContent"].toBool());
    EXPECT_EQ(tiles().size(), 2);
}

} // namespace
} // namespace tessly::dock
