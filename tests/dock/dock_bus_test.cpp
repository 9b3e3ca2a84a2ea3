// The stand-in Dock as a program on a session bus of the test's own (and Qt's offscreen platform): who may
// drive it over its control interface, and whose tile content it shows.
#include "platform/property_list.h"
#include "support/run_events.h"
#include "support/temp_home.h"
#include "support/virtual_desktop.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace tessly::dock {
namespace testing = ::tessly::testing;
namespace {

const QString kService = QStringLiteral("app.tessly.Dock");

QByteArray png(const QSize& size, QColor color) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

class DockBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString daemon = QStandardPaths::findExecutable("dbus-daemon");
        if (daemon.isEmpty()) {
            GTEST_SKIP() << "needs dbus-daemon";
        }
        m_daemon.start(daemon, {"--session", "--nofork", "--print-address=1"});
        ASSERT_TRUE(testing::runEventsUntil([&] { return m_daemon.canReadLine(); })) << "no private bus";
        m_address = QString::fromLatin1(m_daemon.readLine().trimmed());
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert("HOME", home.path());
        m_environment.insert("DBUS_SESSION_BUS_ADDRESS", m_address);
        m_environment.insert("QT_QPA_PLATFORM", "offscreen");
        m_environment.remove("WAYLAND_DISPLAY");
        m_dock.setProcessEnvironment(m_environment);
        m_dock.setProcessChannelMode(QProcess::ForwardedChannels);
    }
    void TearDown() override {
        m_dock.terminate();
        m_dock.waitForFinished(10'000);
        testing::VirtualDesktop::killProgramsUnder(home.path());
        for (const QString& name : m_connections) {
            QDBusConnection::disconnectFromBus(name);
        }
        m_daemon.terminate();
        m_daemon.waitForFinished(10'000);
    }

    /// A connection of the test's own to the private bus: each is another process as far as the bus knows.
    QDBusConnection connection(const QString& name) {
        m_connections.append(name);
        return QDBusConnection::connectToBus(m_address, name);
    }
    void startDock(const QStringList& arguments) {
        m_dock.start(TESSLY_DOCK, arguments);
        QDBusConnection bus = connection("watcher");
        ASSERT_TRUE(bus.isConnected());
        ASSERT_TRUE(testing::runEventsUntil([&] {
            return bus.interface()->isServiceRegistered(kService).value();
        })) << "the Dock takes its bus name: "
            << m_dock.errorString().toStdString();
    }
    static QDBusMessage call(QDBusConnection bus, const QString& method, const QVariantList& arguments = {}) {
        QDBusMessage message =
            QDBusMessage::createMethodCall(kService, "/app/tessly/Dock", "app.tessly.Dock", method);
        message.setArguments(arguments);
        return bus.call(message);
    }
    static QJsonObject tileOf(QDBusConnection bus, const QString& bundle) {
        const QDBusMessage reply = call(bus, "ListTiles");
        for (const QJsonValue& tile :
             QJsonDocument::fromJson(reply.arguments().value(0).toString().toUtf8()).array()) {
            if (tile["bundlePath"].toString() == bundle) {
                return tile.toObject();
            }
        }
        return {};
    }
    /// A bundle whose executable is the test application.
    QString makeBundle(const QString& name) {
        const QString bundle = home.path() + "/Applications/" + name + ".app";
        home.write("Applications/" + name + ".app/Contents/Info.plist",
                   writePropertyList(PlistValue(PlistDictionary{{"CFBundleExecutable", "App"},
                                                                {"CFBundleIdentifier", "test.dock." + name}}),
                                     PlistFormat::Xml));
        QDir().mkpath(bundle + "/Contents/MacOS");
        EXPECT_TRUE(QFile::copy(TESSLY_DOCK_TEST_APPLICATION, bundle + "/Contents/MacOS/App"));
        return QFileInfo(bundle).canonicalFilePath();
    }
    qint64 startApplication(const QString& bundle) {
        QProcess process;
        process.setProcessEnvironment(m_environment);
        process.setProgram(bundle + "/Contents/MacOS/App");
        qint64 pid = 0;
        EXPECT_TRUE(process.startDetached(&pid)); // ended at tear-down: its program lies in the home
        return pid;
    }

    testing::TempHome home;
    QProcess m_dock;

private:
    QProcess m_daemon;
    QString m_address;
    QProcessEnvironment m_environment;
    QStringList m_connections;
};

TEST_F(DockBusTest, WithoutTheTestOptionNothingOnTheBusCanKeepOrClickATile) {
    const QString app = makeBundle("Mail");
    startDock({});
    QDBusConnection other = connection("other");
    for (const QString& method :
         {QStringLiteral("Keep"), QStringLiteral("Click"), QStringLiteral("Remove")}) {
        const QDBusMessage reply = call(other, method, {app});
        EXPECT_EQ(reply.errorName(), "org.freedesktop.DBus.Error.UnknownObject") << method.toStdString();
    }
    EXPECT_EQ(call(other, "ListTiles").errorName(), "org.freedesktop.DBus.Error.UnknownObject");
    EXPECT_FALSE(QFileInfo::exists(app + ".ran")) << "nothing was started";
    EXPECT_FALSE(QFileInfo::exists(home.path() + "/Library/Preferences/com.apple.dock.plist"))
        << "nothing was kept";
    EXPECT_EQ(m_dock.state(), QProcess::Running);
}

TEST_F(DockBusTest, ATileShowsWhatItsOwnProcessPublishesAndNothingAnotherConnectionSends) {
    const QString app = makeBundle("Mail");
    const QString idle = makeBundle("Idle");
    startDock({testing::DockClient::kControlOption});
    QDBusConnection forger = connection("forger");
    ASSERT_TRUE(forger.isConnected());
    const qint64 owner = startApplication(app);
    ASSERT_TRUE(testing::runEventsUntil([&] { return tileOf(forger, app)["hasContent"].toBool(); }));
    const QJsonObject published = tileOf(forger, app)["contentSize"].toObject();
    ASSERT_GT(published["width"].toInt(), 8);

    const auto forge = [&](const QString& member, const QVariantList& arguments) {
        const bool presence = member == QLatin1String("PresenceChanged");
        QDBusMessage signal =
            QDBusMessage::createSignal(presence ? "/app/tessly/Application" : "/app/tessly/DockTile",
                                       presence ? "app.tessly.Application" : "app.tessly.DockTile", member);
        signal.setArguments(arguments);
        ASSERT_TRUE(forger.send(signal));
    };
    const QByteArray forged = png({7, 7}, Qt::red);
    // Content for a running application from a connection that is not its own.
    forge("TileContentChanged", {app, owner, forged});
    // A presence claimed for the owner's process, then for the test's own, which runs from no bundle.
    forge("PresenceChanged", {app, owner, true});
    forge("TileContentChanged", {app, owner, forged});
    forge("PresenceChanged", {app, QCoreApplication::applicationPid(), true});
    forge("PresenceChanged", {idle, QCoreApplication::applicationPid(), true});
    forge("TileContentChanged", {app, QCoreApplication::applicationPid(), forged});
    // The Dock hears one connection's messages in the order they were sent: this call comes after them all.
    const QJsonObject tile = tileOf(forger, app);
    EXPECT_EQ(tile["contentSize"].toObject(), published) << "the owner's content stays";
    EXPECT_TRUE(tileOf(forger, idle).isEmpty()) << "no tile for a presence claimed by another process";

    // The owner's next content is taken: it draws anew at the size it is told.
    ASSERT_TRUE(call(forger, "SetTileSize", {40.0}).arguments().value(0).toBool());
    EXPECT_TRUE(testing::runEventsUntil([&] {
        return tileOf(forger, app)["contentSize"].toObject()["width"].toInt() == 40;
    })) << QJsonDocument(tileOf(forger, app)).toJson().toStdString();
}

} // namespace
} // namespace tessly::dock
