// The whole path with the real programs: the stand-in Dock and Tessly on a virtual X server with a window
// manager that honours the Dock's strut, on the suite's session bus, in a temporary home. Driven through the
// Dock's bus interface, which moves the real pointer before it clicks.
#include "model/uuid_text.h"
#include "support/run_events.h"
#include "support/temp_home.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <csignal>

namespace tessly {
namespace {

using testing::runEventsUntil;
using testing::TempHome;

const QString kDockService = QStringLiteral("app.tessly.Dock");

class DockAndTesslyTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString xvfb = QStandardPaths::findExecutable("Xvfb");
        const QString openbox = QStandardPaths::findExecutable("openbox");
        m_xdotool = QStandardPaths::findExecutable("xdotool");
        if (xvfb.isEmpty() || openbox.isEmpty() || m_xdotool.isEmpty() ||
            !QDBusConnection::sessionBus().isConnected()) {
            GTEST_SKIP() << "needs Xvfb, openbox, xdotool (scripts/install-deps) and a session bus";
        }
        m_server.start(xvfb, {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1280x800x24"});
        ASSERT_TRUE(runEventsUntil(
            [&] { return m_server.canReadLine() || m_server.state() == QProcess::NotRunning; }));
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert("HOME", home.path());
        m_environment.insert("DISPLAY", ":" + QString::fromLatin1(m_server.readLine().trimmed()));
        m_environment.insert("QT_QPA_PLATFORM", "xcb");
        for (QProcess* process : {&m_windowManager, &m_dock, &m_tessly}) {
            process->setProcessEnvironment(m_environment);
        }
        m_windowManager.start(openbox, {"--sm-disable"});
        // Started again should it give up on a server that has only just started.
        ASSERT_TRUE(runEventsUntil([&] {
            if (m_windowManager.state() == QProcess::NotRunning) {
                m_windowManager.start(openbox, {"--sm-disable"});
            }
            return tool("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id");
        }));
    }
    void TearDown() override {
        for (QProcess* process : {&m_tessly, &m_dock, &m_windowManager}) {
            process->terminate();
            process->waitForFinished(10'000);
        }
        // Helpers outlive the program that started them; none may outlive the test.
        QDirIterator it(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
        while (it.hasNext()) {
            it.next();
            if (QFileInfo(it.filePath() + "/exe").symLinkTarget().startsWith(home.path() + "/")) {
                ::kill(static_cast<pid_t>(it.fileName().toInt()), SIGKILL);
            }
        }
        m_server.terminate();
        m_server.waitForFinished(10'000);
    }

    QString tool(const QString& program, const QStringList& arguments) {
        QProcess process;
        process.setProcessEnvironment(m_environment);
        process.start(program, arguments);
        process.waitForFinished(10'000);
        return QString::fromLatin1(process.readAllStandardOutput());
    }
    QVariant callDock(const QString& method, const QVariantList& arguments = {}) {
        QDBusMessage message =
            QDBusMessage::createMethodCall(kDockService, "/app/tessly/Dock", "app.tessly.Dock", method);
        message.setArguments(arguments);
        return QDBusConnection::sessionBus().call(message).arguments().value(0);
    }
    QJsonObject dockTile(const QString& bundle) {
        const QJsonArray tiles = QJsonDocument::fromJson(callDock("ListTiles").toString().toUtf8()).array();
        for (const QJsonValue& tile : tiles) {
            if (tile["bundlePath"].toString() == bundle) {
                return tile.toObject();
            }
        }
        return {};
    }
    /// The geometry xdotool reports for a window: X, Y, WIDTH, HEIGHT.
    QHash<QString, int> geometry(const QString& window) {
        QHash<QString, int> values;
        for (const QString& line : tool(m_xdotool, {"getwindowgeometry", "--shell", window}).split('\n')) {
            values.insert(line.section('=', 0, 0), line.section('=', 1).toInt());
        }
        return values;
    }
    /// The mapped windows that carry the process's identifier. xdotool's own filter also lets through windows
    /// without one (a window manager's frames), so each is checked.
    QStringList visibleWindowsOf(qint64 pid) {
        QStringList windows;
        const QString owned = QStringLiteral("_NET_WM_PID(CARDINAL) = %1").arg(pid);
        for (const QString& window :
             tool(m_xdotool, {"search", "--onlyvisible", "--pid", QString::number(pid), ""})
                 .split('\n', Qt::SkipEmptyParts)) {
            if (tool("xprop", {"-id", window, "_NET_WM_PID"}).trimmed() == owned) {
                windows.append(window);
            }
        }
        return windows;
    }
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

    TempHome home;
    QProcessEnvironment m_environment;
    QProcess m_server;
    QProcess m_windowManager;
    QProcess m_dock;
    QProcess m_tessly;
    QString m_xdotool;
};

// Two folders in the Dock: the main application starts both helpers and their tiles appear in the Dock. A
// click on a helper's tile opens its popup above the Dock, centred on the pointer when there is room (so the
// arrow, which points at the click, is in the middle), and opening the other helper's popup closes the first.
TEST_F(DockAndTesslyTest, AClickOnAHelpersTileOpensItsPopupAboveTheTileAndClosesTheOthers) {
    if (QDBusConnection::sessionBus().interface()->isServiceRegistered(kDockService)) {
        GTEST_SKIP() << "another Dock runs on this bus";
    }
    const QUuid work = makeUuid();
    const QUuid play = makeUuid();
    home.write(
        "Library/Application Support/Tessly/folders.json",
        QString(R"([{"id":"%1","name":"Work","isInDock":true},{"id":"%2","name":"Play","isInDock":true}])")
            .arg(uuidText(work), uuidText(play))
            .toUtf8());
    m_dock.start(QStringLiteral(TESSLY_DOCK),
                 {"--resources", QStringLiteral(TESSLY_BUNDLE_DIR "/Contents/Resources")});
    ASSERT_TRUE(runEventsUntil(
        [] { return QDBusConnection::sessionBus().interface()->isServiceRegistered(kDockService).value(); }));
    m_tessly.start(QStringLiteral(TESSLY_BUNDLE_DIR "/Contents/MacOS/Tessly"), {});

    const QString helpers = home.path() + "/Library/Application Support/Tessly/Helpers";
    ASSERT_TRUE(runEventsUntil([&] {
        return helperProcess(work) && helperProcess(play) &&
               dockTile(QFileInfo(helpers + "/Work.app").canonicalFilePath())["running"].toBool() &&
               dockTile(QFileInfo(helpers + "/Play.app").canonicalFilePath())["running"].toBool();
    })) << "both helpers run and show in the Dock";
    const qint64 workPid = helperProcess(work);
    const QString workHelper = QFileInfo(helpers + "/Work.app").canonicalFilePath();
    const qint64 playPid = helperProcess(play);
    EXPECT_TRUE(dockTile(QFileInfo(helpers + "/Work.app").canonicalFilePath())["hasContent"].toBool())
        << "the Dock draws the tile the helper published";

    ASSERT_TRUE(callDock("Click", {QFileInfo(helpers + "/Work.app").canonicalFilePath()}).toBool());
    ASSERT_TRUE(runEventsUntil([&] { return visibleWindowsOf(workPid).size() == 1; })) << "the popup opens";
    const QHash<QString, int> popup = geometry(visibleWindowsOf(workPid).first());
    const QJsonObject tile = dockTile(workHelper);
    const QJsonObject frame = tile["frame"].toObject(); // global, y down
    ASSERT_TRUE(frame.contains("x")) << QJsonDocument(tile).toJson().toStdString();
    const double tileCentre = frame["x"].toDouble() + frame["width"].toDouble() / 2;
    // Centred under the pointer, which the Dock put on the tile's centre: the arrow points at the tile.
    EXPECT_NEAR(popup["X"] + popup["WIDTH"] / 2.0, tileCentre, 2.0);
    EXPECT_LE(popup["Y"] + popup["HEIGHT"], frame["y"].toDouble()) << "the popup sits above the Dock";

    ASSERT_TRUE(callDock("Click", {QFileInfo(helpers + "/Play.app").canonicalFilePath()}).toBool());
    ASSERT_TRUE(runEventsUntil([&] { return visibleWindowsOf(playPid).size() == 1; }));
    EXPECT_TRUE(runEventsUntil([&] { return visibleWindowsOf(workPid).isEmpty(); }))
        << "opening one helper's popup closes the other's";
    tool("import", {"-window", "root", QStringLiteral(TESSLY_E2E_SCREENSHOTS "/two-folders-popup.png")});
}

} // namespace
} // namespace tessly
