// The real program, started from the real bundle in a temporary home.
#include "model/uuid_text.h"
#include "platform/linux/application_linux.h"
#include "platform/linux/dock_tile_linux.h"
#include "platform/property_list.h"
#include "support/run_events.h"
#include "support/temp_home.h"
#include "support/virtual_server.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDirIterator>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QUrl>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sys/stat.h>

namespace tessly {
namespace {

using testing::runEventsUntil;
using testing::TempHome;

/// The processes of this user whose command line is exactly `arguments` after the program path.
QList<pid_t> processesWithArguments(const QStringList& arguments) {
    QList<pid_t> found;
    QDirIterator it(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        bool isNumber = false;
        const pid_t pid = it.fileName().toInt(&isNumber);
        if (!isNumber) {
            continue;
        }
        QList<QByteArray> words = TempHome::read(it.filePath() + "/cmdline").split('\0');
        if (!words.isEmpty() && words.last().isEmpty()) {
            words.removeLast();
        }
        if (words.size() != arguments.size() + 1) {
            continue;
        }
        bool same = true;
        for (qsizetype i = 0; i < arguments.size(); ++i) {
            same = same && QString::fromUtf8(words[i + 1]) == arguments[i];
        }
        if (same) {
            found.push_back(pid);
        }
    }
    return found;
}

class ProgramTest : public ::testing::Test {
protected:
    void start() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", home.path());
        // No display here: the program's windows go to the offscreen platform.
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(environment);
        program.setProgram(QString(TESSLY_BUNDLE_DIR) + "/Contents/MacOS/Tessly");
        program.start();
        ASSERT_TRUE(program.waitForStarted());
    }
    /// Waits until `ready` holds (the program has done its start-up work), for at most `seconds`.
    bool waitFor(const std::function<bool()>& ready, int seconds = 20) {
        for (int i = 0; i < seconds * 20; ++i) {
            if (ready()) {
                return true;
            }
            program.waitForFinished(50);
        }
        return ready();
    }
    /// Whether the program handles `signal` yet: its handlers are set early in its start, but a condition a
    /// test waits for may hold before that.
    [[nodiscard]] bool catches(int signal) const {
        for (const QByteArray& line :
             TempHome::read(QStringLiteral("/proc/%1/status").arg(program.processId())).split('\n')) {
            if (line.startsWith("SigCgt:")) {
                return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1U;
            }
        }
        return false;
    }
    void stopWith(int signal) {
        ASSERT_TRUE(waitFor([&] { return catches(signal); })) << "the program never handled the signal";
        ::kill(static_cast<pid_t>(program.processId()), signal);
        ASSERT_TRUE(program.waitForFinished(20'000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit)
            << "a signal ends the event loop, not the process";
        EXPECT_EQ(program.exitCode(), 0) << program.readAll().toStdString();
    }

    void TearDown() override {
        // Helpers outlive the program that started them; none may outlive the test.
        QDirIterator it(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
        while (it.hasNext()) {
            it.next();
            const QString executable = QFileInfo(it.filePath() + "/exe").symLinkTarget();
            if (executable.startsWith(home.path() + "/")) {
                ::kill(static_cast<pid_t>(it.fileName().toInt()), SIGKILL);
            }
        }
    }

    TempHome home;
    QProcess program;
};

TEST_F(ProgramTest, StartsWithTheLanguageDefaultsAndRewritesAHandWrittenFolderFile) {
    home.write("Library/Preferences/app.tessly.Tessly.plist",
               writePropertyList(PlistDictionary{{"language", "uk"}}, PlistFormat::Binary));
    const QString folderFile = home.write("Library/Application Support/Tessly/folders.json",
                                          R"([{"id":"3f2504e0-4f89-41d3-9a0c-0305e82c3301","name":"Work"}])");
    start();
    ASSERT_TRUE(waitFor([&] { return TempHome::read(folderFile).contains("folder.fill"); }))
        << program.readAll().toStdString();
    const QJsonObject folder = QJsonDocument::fromJson(TempHome::read(folderFile)).array().first().toObject();
    EXPECT_EQ(folder.value("id").toString(), "3F2504E0-4F89-41D3-9A0C-0305E82C3301");

    const auto preferences =
        readPropertyListFile(home.path() + "/Library/Preferences/app.tessly.Tessly.plist");
    ASSERT_TRUE(preferences);
    EXPECT_EQ(*preferences->root.asDictionary()->find("AppleLanguages"),
              PlistValue(PlistArray{PlistValue("uk")}));
    EXPECT_EQ(program.state(), QProcess::Running);
    stopWith(SIGTERM);
}

TEST_F(ProgramTest, InterruptEndsItCleanlyAndAFreshHomeGetsEnglish) {
    start();
    const QString preferences = home.path() + "/Library/Preferences/app.tessly.Tessly.plist";
    ASSERT_TRUE(waitFor([&] { return readPropertyListFile(preferences).has_value(); }));
    EXPECT_EQ(*readPropertyListFile(preferences)->root.asDictionary()->find("AppleLanguages"),
              PlistValue(PlistArray{PlistValue("en")}));
    stopWith(SIGINT);
}

// The way a folder reaches the Dock when the program starts: its helper is built from the running bundle,
// named after the folder, signed, and started with the folder's identifier; a folder that is gone takes its
// helper along.
TEST_F(ProgramTest, AFolderInTheDockGetsASignedRunningHelperThatGoesWithTheFolder) {
    const QString work = "3F2504E0-4F89-41D3-9A0C-0305E82C3301";
    const QString folderFile = home.write(
        "Library/Application Support/Tessly/folders.json",
        QString(R"([{"id":"%1","name":"Work","isInDock":true},)"
                R"( {"id":"3F2504E0-4F89-41D3-9A0C-0305E82C3302","name":"Play","isInDock":false}])")
            .arg(work)
            .toUtf8());
    const QString helpers = home.path() + "/Library/Application Support/Tessly/Helpers";
    const QString helper = helpers + "/Work.app";
    start();
    ASSERT_TRUE(waitFor([&] {
        return !processesWithArguments({"-group", work}).isEmpty();
    })) << program.readAll().toStdString();

    const QList<pid_t> running = processesWithArguments({"-group", work});
    ASSERT_EQ(running.size(), 1);
    EXPECT_EQ(QFileInfo(QString("/proc/%1/exe").arg(running.first())).symLinkTarget(),
              helper + "/Contents/MacOS/Tessly");
    const auto info = readPropertyListFile(helper + "/Contents/Info.plist");
    ASSERT_TRUE(info);
    EXPECT_EQ(*info->root.asDictionary()->find("TSGroupUUID"), PlistValue(work));
    EXPECT_TRUE(QFileInfo::exists(helper + "/Contents/_CodeSignature/CodeResources"));
    EXPECT_EQ(QDir(helpers).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"Work.app"})
        << "a folder outside the Dock has no helper";
    stopWith(SIGTERM);
    EXPECT_EQ(processesWithArguments({"-group", work}).size(), 1) << "the helper outlives the main program";

    home.write("Library/Application Support/Tessly/folders.json", "[]");
    start();
    ASSERT_TRUE(waitFor([&] {
        return processesWithArguments({"-group", work}).isEmpty() && !QFileInfo::exists(helper);
    })) << program.readAll().toStdString();
    EXPECT_EQ(TempHome::read(folderFile), "[]");
    stopWith(SIGTERM);
}

// Anything may sit where the program reads its files. A named pipe nobody writes to blocks a plain open for
// ever; here the program goes on, says why it could not read the folder file, quits on SIGTERM, and leaves
// the helpers it finds alone: a folder file it cannot read says nothing about which folders are gone.
TEST_F(ProgramTest, PipesAtItsFilesNeitherHangItNorCostTheUserTheirHelpers) {
    const QString folderFile = home.path() + "/Library/Application Support/Tessly/folders.json";
    const QString preferences = home.path() + "/Library/Preferences/app.tessly.Tessly.plist";
    const QString helper =
        home.write("Library/Application Support/Tessly/Helpers/Work.app/Contents/Info.plist",
                   "<plist version=\"1.0\"><dict/></plist>");
    QDir().mkpath(QFileInfo(preferences).absolutePath());
    ASSERT_EQ(::mkfifo(QFile::encodeName(folderFile).constData(), 0600), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(preferences).constData(), 0600), 0);
    start();
    QByteArray output;
    ASSERT_TRUE(waitFor([&] {
        output += program.readAllStandardOutput();
        return output.contains("[FolderStore] Failed to load folders: it is not a regular file");
    })) << output.toStdString();
    stopWith(SIGTERM);
    EXPECT_TRUE(QFileInfo::exists(helper)) << "the helpers were synchronised against an empty list";
    EXPECT_FALSE(QFileInfo(folderFile).isFile()) << "nothing was written over what could not be read";
}

/// The tiles published on the session bus, as a Dock hears them.
class TileListener final : public QObject {
public:
    TileListener() {
        QDBusConnection::sessionBus().connect(QString(), kDockTilePath, kDockTileInterface,
                                              kDockTileContentChangedMember, this, SLOT(heard(QDBusMessage)));
    }
    struct Tile {
        qint64 pid = 0;
        QImage image;
    };
    QList<Tile> tiles;

private:
    Q_SLOT void heard(const QDBusMessage& message) {
        const QList<QVariant> arguments = message.arguments();
        if (arguments.size() == 3) {
            tiles.append(
                {arguments.at(1).toLongLong(), QImage::fromData(arguments.at(2).toByteArray(), "PNG")});
        }
    }
    Q_OBJECT
};

/// True when the image shows the green of the "ON" badge somewhere.
bool showsGreen(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 200 && c.green() > 150 && c.red() < 110 && c.blue() < 140) {
                return true;
            }
        }
    }
    return false;
}

// A helper is what the user meets in the Dock. Started by the main application it comes up quietly, its tile
// carrying the green badge; a click on its tile (a reopen request on the bus) maps its popup and the next one
// takes it away; SIGTERM is a normal quit that consumes its ".preserve" marker; and started by the user, with
// neither "-group" nor a fresh marker, it maps its popup at once. On a virtual X server of the test's own.
/// The real program on a virtual X server of the test's own, with xdotool to look at and click its windows.
class ProgramOnXvfbTest : public ProgramTest {
protected:
    void SetUp() override {
        const QString xvfb = QStandardPaths::findExecutable("Xvfb");
        m_xdotool = QStandardPaths::findExecutable("xdotool");
        if (xvfb.isEmpty() || m_xdotool.isEmpty() || !QDBusConnection::sessionBus().isConnected()) {
            GTEST_SKIP() << "needs Xvfb, xdotool (scripts/install-deps installs both) and a session bus";
        }
        m_server.start(xvfb, testing::virtualServerArguments(QStringLiteral("1280x800")));
        ASSERT_TRUE(runEventsUntil(
            [&] { return m_server.canReadLine() || m_server.state() == QProcess::NotRunning; }));
        display = ":" + QString::fromLatin1(m_server.readLine().trimmed());
        environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", home.path());
        environment.insert("DISPLAY", display);
        environment.insert("QT_QPA_PLATFORM", "xcb");
        program.setProcessEnvironment(environment);
        program.setProgram(QString(TESSLY_BUNDLE_DIR) + "/Contents/MacOS/Tessly");
    }
    void TearDown() override {
        ProgramTest::TearDown();
        m_server.terminate();
        m_server.waitForFinished(10'000);
    }

    /// What xdotool prints for `arguments` on the test's display.
    QString xdotool(const QStringList& arguments) {
        QProcess tool;
        tool.setProcessEnvironment(environment);
        tool.start(m_xdotool, arguments);
        tool.waitForFinished(10'000);
        return QString::fromLatin1(tool.readAllStandardOutput());
    }
    /// The mapped windows of a process. xdotool's own filter also lets through windows without an owner (the
    /// root, another process's windows that carry no identifier), so each is checked.
    QStringList visibleWindowsOf(pid_t pid) {
        QStringList windows;
        const QString owned = QStringLiteral("_NET_WM_PID(CARDINAL) = %1").arg(pid);
        for (const QString& window : xdotool({"search", "--onlyvisible", "--pid", QString::number(pid), ""})
                                         .split('\n', Qt::SkipEmptyParts)) {
            QProcess xprop;
            xprop.setProcessEnvironment(environment);
            xprop.start(QStringLiteral("xprop"), {"-id", window, "_NET_WM_PID"});
            xprop.waitForFinished(10'000);
            if (QString::fromLatin1(xprop.readAllStandardOutput()).trimmed() == owned) {
                windows.append(window);
            }
        }
        return windows;
    }
    /// Asks the running processes of a bundle to reopen, as a click on its Dock tile does.
    static void reopen(const QString& bundle) {
        QDBusMessage signal =
            QDBusMessage::createSignal(kApplicationPath, kApplicationInterface, kApplicationReopenMember);
        signal << QFileInfo(bundle).canonicalFilePath();
        QDBusConnection::sessionBus().send(signal);
    }

    QString display;
    QProcessEnvironment environment;

private:
    QProcess m_server;
    QString m_xdotool;
};

// A helper is what the user meets in the Dock. Started by the main application it comes up quietly, its tile
// carrying the green badge; a click on its tile (a reopen request on the bus) maps its popup and the next one
// takes it away; SIGTERM is a normal quit that consumes its ".preserve" marker; and started by the user, with
// neither "-group" nor a fresh marker, it maps its popup at once.
TEST_F(ProgramOnXvfbTest, AHelperShowsItsBadgeOrItsPopupAndItsTileTogglesThePopup) {
    const QUuid work = makeUuid();
    home.write("Library/Application Support/Tessly/folders.json",
               QString(R"([{"id":"%1","name":"Work","isInDock":true}])").arg(uuidText(work)).toUtf8());
    const QString helper = home.path() + "/Library/Application Support/Tessly/Helpers/Work.app";
    TileListener listener;
    program.start();
    ASSERT_TRUE(runEventsUntil([&] {
        return processesWithArguments({"-group", uuidText(work)}).size() == 1;
    }));
    const pid_t launched = processesWithArguments({"-group", uuidText(work)}).first();
    ASSERT_TRUE(runEventsUntil([&] {
        return std::any_of(listener.tiles.begin(), listener.tiles.end(),
                           [&](const auto& tile) { return tile.pid == launched && showsGreen(tile.image); });
    })) << "the helper's tile shows the ON badge";
    EXPECT_TRUE(visibleWindowsOf(launched).isEmpty())
        << "a helper the main application started opens nothing";

    reopen(helper);
    ASSERT_TRUE(runEventsUntil([&] { return visibleWindowsOf(launched).size() == 1; }))
        << "a click opens the popup";
    reopen(helper);
    ASSERT_TRUE(runEventsUntil([&] { return visibleWindowsOf(launched).isEmpty(); }))
        << "the next one closes it";

    // The main application goes first: with no Dock keeping the tile, its Dock monitoring would take the
    // folder out of the Dock once the helper quits after the start-up grace, and delete the bundle started
    // below.
    stopWith(SIGTERM);
    const QString preserve =
        home.write("Library/Application Support/Tessly/HelperState/" + uuidText(work) + ".preserve", "");
    ::kill(launched, SIGTERM);
    ASSERT_TRUE(runEventsUntil([&] { return !QFileInfo::exists("/proc/" + QString::number(launched)); }));
    EXPECT_FALSE(QFileInfo::exists(preserve)) << "a normal quit consumes the preserve marker";

    QProcess byUser;
    byUser.setProcessEnvironment(environment);
    byUser.setProcessChannelMode(QProcess::ForwardedChannels);
    byUser.start(helper + "/Contents/MacOS/Tessly", {});
    ASSERT_TRUE(byUser.waitForStarted());
    EXPECT_TRUE(runEventsUntil([&] {
        return visibleWindowsOf(static_cast<pid_t>(byUser.processId())).size() == 1;
    })) << "a helper the user started opens its popup at once; it "
        << (byUser.state() == QProcess::Running ? "runs" : "ended") << ", windows: "
        << xdotool({"search", "--pid", QString::number(byUser.processId()), ""}).toStdString();
    byUser.terminate();
    byUser.waitForFinished(10'000);
}

// The applications of the machine's own packages, end to end: a folder holding the terminal's desktop entry
// draws the entry's icon in its tile (not the generic one a missing application gets), and a click on it in
// the popup starts the terminal and closes the popup.
TEST_F(ProgramOnXvfbTest, AFolderOfInstalledApplicationsDrawsTheirIconsAndLaunchesThemFromThePopup) {
    const QString terminal = QStringLiteral("/usr/share/applications/debian-xterm.desktop");
    if (!QFileInfo::exists(terminal)) {
        GTEST_SKIP() << "xterm is not installed (scripts/install-deps installs it)";
    }
    // Without the header, the first cell's icon is 36 points in from the window's corner (margin and inset).
    home.write("Library/Preferences/app.tessly.Tessly.plist",
               writePropertyList(PlistDictionary{{"popupShowTitle", false}}, PlistFormat::Xml));
    const QUuid tools = makeUuid();
    const QUuid gone = makeUuid();
    auto folder = [](const QUuid& id, const QString& name, const QString& entry) {
        return QString(R"({"id":"%1","name":"%2","isInDock":true,"apps":[)"
                       R"({"id":"%3","name":"App","bundleID":"app","appURL":"%4"}]})")
            .arg(uuidText(id), name, uuidText(makeUuid()), QUrl::fromLocalFile(entry).toString());
    };
    home.write("Library/Application Support/Tessly/folders.json",
               ("[" + folder(tools, "Tools", terminal) + "," +
                folder(gone, "Gone", "/nonexistent/gone.desktop") + "]")
                   .toUtf8());
    TileListener listener;
    program.start();
    ASSERT_TRUE(runEventsUntil([&] {
        return processesWithArguments({"-group", uuidText(tools)}).size() == 1 &&
               processesWithArguments({"-group", uuidText(gone)}).size() == 1;
    }));
    const pid_t helper = processesWithArguments({"-group", uuidText(tools)}).first();
    const pid_t other = processesWithArguments({"-group", uuidText(gone)}).first();
    auto lastTile = [&](pid_t pid) {
        QImage image;
        for (const auto& tile : listener.tiles) {
            if (tile.pid == pid) {
                image = tile.image;
            }
        }
        return image;
    };
    // Once their badges have ended (2 s), the two tiles differ only by the application's icon.
    ASSERT_TRUE(runEventsUntil(
        [&] {
            return listener.tiles.size() >= 4 && !showsGreen(lastTile(helper)) &&
                   !showsGreen(lastTile(other));
        },
        20'000));
    EXPECT_NE(lastTile(helper), lastTile(other)) << "the terminal's tile shows its own icon";

    reopen(home.path() + "/Library/Application Support/Tessly/Helpers/Tools.app");
    ASSERT_TRUE(runEventsUntil([&] { return visibleWindowsOf(helper).size() == 1; }));
    const QString window = visibleWindowsOf(helper).first();
    const QStringList position =
        xdotool({"getwindowgeometry", "--shell", window}).split('\n', Qt::SkipEmptyParts);
    auto value = [&](const QString& key) {
        for (const QString& line : position) {
            if (line.startsWith(key + "=")) {
                return line.mid(key.size() + 1).toInt();
            }
        }
        return -1;
    };
    auto terminals = [&] {
        QList<pid_t> found;
        QDirIterator it(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
        while (it.hasNext()) {
            it.next();
            if (QFileInfo(it.filePath() + "/exe").symLinkTarget().endsWith("/xterm")) {
                found.append(static_cast<pid_t>(it.fileName().toInt()));
            }
        }
        return found;
    };
    // The icon is 52 points in a column of 68: its middle is 34 across and 26 down from the cell's corner.
    const QList<pid_t> before = terminals();
    xdotool({"mousemove", "--sync", QString::number(value("X") + 36 + 34),
             QString::number(value("Y") + 36 + 26)});
    xdotool({"click", "1"});

    auto started = [&] {
        QList<pid_t> now = terminals();
        now.removeIf([&](pid_t pid) { return before.contains(pid); });
        return now;
    };
    ASSERT_TRUE(runEventsUntil([&] { return !started().isEmpty(); })) << "the click starts the terminal";
    // (The terminal's own windows may carry the process identifier of whoever started them.)
    EXPECT_TRUE(runEventsUntil([&] { return !visibleWindowsOf(helper).contains(window); }))
        << "the popup closes after the launch";
    for (const pid_t pid : started()) {
        ::kill(pid, SIGTERM);
    }
    stopWith(SIGTERM);
}

// Two main applications would both synchronise the helpers, watch the Dock and write the folder file: a
// second start while one runs hands over to it and ends at once, and the first goes on.
TEST_F(ProgramTest, ASecondStartOfTheMainApplicationHandsOverAndEnds) {
    start();
    const QString preferences = home.path() + "/Library/Preferences/app.tessly.Tessly.plist";
    ASSERT_TRUE(waitFor([&] { return readPropertyListFile(preferences).has_value(); }));
    QProcess second;
    second.setProcessEnvironment(program.processEnvironment());
    second.start(program.program(), {});
    ASSERT_TRUE(second.waitForFinished(20'000)) << "the second start keeps running";
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(program.state(), QProcess::Running);
    stopWith(SIGTERM);

    // The lock went with the process that held it: the next start is the main application again, and a start
    // after it hands over to it in turn.
    QFile::remove(preferences);
    start();
    // The launch writes the language defaults once the lock is held.
    ASSERT_TRUE(waitFor([&] { return readPropertyListFile(preferences).has_value(); }));
    second.start(program.program(), {});
    ASSERT_TRUE(second.waitForFinished(20'000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(program.state(), QProcess::Running);
    stopWith(SIGTERM);
}

TEST_F(ProgramTest, OutsideItsBundleItRefusesToStart) {
    const QString copy = home.path() + "/Tessly";
    ASSERT_TRUE(QFile::copy(QString(TESSLY_BUNDLE_DIR) + "/Contents/MacOS/Tessly", copy));
    QProcess loose;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", home.path());
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    loose.setProcessEnvironment(environment);
    loose.start(copy, {});
    ASSERT_TRUE(loose.waitForFinished(20'000));
    EXPECT_EQ(loose.exitCode(), 1);
    EXPECT_TRUE(loose.readAllStandardOutput().contains("application bundle"));
}

} // namespace
} // namespace tessly

#include "program_test.moc"
