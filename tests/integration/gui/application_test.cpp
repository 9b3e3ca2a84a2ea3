// The application on the offscreen platform and a private session bus: its Dock presence as a second
// connection (the Dock's) hears it, the windows it lists and the one with the focus, and the choice of the
// X11 platform under Wayland.
#include "platform/linux/application_linux.h"
#include "platform/linux/panel_linux.h"
#include "support/run_events.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

namespace tessly {
namespace {

using testing::runEventsUntil;

struct Presence {
    QString bundle;
    qint64 pid = 0;
    bool present = false;
    friend bool operator==(const Presence&, const Presence&) = default;
};

/// The Dock's side: this process's PresenceChanged signals, on a bus connection of its own.
class DockListener final : public QObject {
    Q_OBJECT

public:
    DockListener() : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "tessly-dock")) {
        m_bus.connect(QString(), kApplicationPath, kApplicationInterface, kApplicationPresenceChangedMember,
                      this, SLOT(receive(QDBusMessage)));
        // The match rule reaches the bus with the next call that waits for an answer.
        (void)m_bus.interface()->isServiceRegistered(m_bus.baseService());
    }
    ~DockListener() override { QDBusConnection::disconnectFromBus("tessly-dock"); }

    void requestPresence() {
        m_bus.send(QDBusMessage::createSignal(kApplicationPath, kApplicationInterface,
                                              kApplicationPresenceRequestedMember));
    }
    void sendReopen(const QString& bundle) {
        QDBusMessage reopen =
            QDBusMessage::createSignal(kApplicationPath, kApplicationInterface, kApplicationReopenMember);
        reopen << bundle;
        m_bus.send(reopen);
    }

    QList<Presence> received;

public slots:
    void receive(const QDBusMessage& message) {
        // Tests in other processes share the session bus: only this process's announcements count.
        if (message.service() != QDBusConnection::sessionBus().baseService()) {
            return;
        }
        EXPECT_EQ(message.signature(), "sxb");
        const QList<QVariant> arguments = message.arguments();
        received.append(
            {arguments.value(0).toString(), arguments.value(1).toLongLong(), arguments.value(2).toBool()});
    }

private:
    QDBusConnection m_bus;
};

class LinuxApplicationBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QDBusConnection::sessionBus().isConnected()) {
            GTEST_SKIP() << "no session bus (run under dbus-run-session)";
        }
        ASSERT_TRUE(QDir().mkpath(root.filePath("Folder.app")));
        // Started through a link; the Dock lists the bundle at its real path.
        ASSERT_TRUE(QFile::link(root.filePath("Folder.app"), root.filePath("Alias.app")));
        bundle = QFileInfo(root.filePath("Folder.app")).canonicalFilePath();
    }

    Presence presence(bool present) const { return {bundle, QCoreApplication::applicationPid(), present}; }
    bool waitForCount(qsizetype count) {
        return runEventsUntil([&] { return listener.received.size() >= count; });
    }

    QTemporaryDir root;
    QString bundle;
    DockListener listener;
};

TEST_F(LinuxApplicationBusTest, ARegularApplicationIsPresentUntilItTurnsAccessoryOrEnds) {
    auto application = std::make_unique<LinuxApplication>(root.filePath("Alias.app"));
    EXPECT_EQ(application->activationPolicy(), ActivationPolicy::accessory);
    application->setActivationPolicy(ActivationPolicy::regular);
    application->setActivationPolicy(ActivationPolicy::regular);
    ASSERT_TRUE(waitForCount(1));
    application->setActivationPolicy(ActivationPolicy::accessory);
    ASSERT_TRUE(waitForCount(2));
    EXPECT_EQ(listener.received, (QList<Presence>{presence(true), presence(false)}))
        << "one announcement per change, in order";

    application->setActivationPolicy(ActivationPolicy::regular);
    ASSERT_TRUE(waitForCount(3));
    application.reset();
    ASSERT_TRUE(waitForCount(4));
    EXPECT_EQ(listener.received.at(3), presence(false)) << "withdrawn when the application ends";
}

TEST_F(LinuxApplicationBusTest, ADockThatAsksHearsEveryPresentApplicationAgainAndNoOther) {
    LinuxApplication application(bundle);
    int reopened = 0;
    application.setReopenHandler([&] { ++reopened; });
    // One connection's signals arrive in order: once the reopen was handled, so was the request before it.
    listener.requestPresence();
    listener.sendReopen(bundle);
    ASSERT_TRUE(runEventsUntil([&] { return reopened == 1; }));

    application.setActivationPolicy(ActivationPolicy::regular);
    ASSERT_TRUE(waitForCount(1));
    listener.requestPresence();
    ASSERT_TRUE(waitForCount(2));
    application.setActivationPolicy(ActivationPolicy::accessory);
    ASSERT_TRUE(waitForCount(3));
    EXPECT_EQ(listener.received, (QList<Presence>{presence(true), presence(true), presence(false)}))
        << "an accessory application does not answer";
}

TEST_F(LinuxApplicationBusTest, AReopenForItsBundleReachesTheHandlerAndOneForAnotherDoesNot) {
    LinuxApplication application(root.filePath("Alias.app"));
    int reopened = 0;
    application.setReopenHandler([&] { ++reopened; });
    application.setActivationPolicy(ActivationPolicy::regular);
    ASSERT_TRUE(waitForCount(1));
    listener.sendReopen(QFileInfo(root.filePath("Other.app")).absoluteFilePath());
    listener.sendReopen(bundle);
    // Answered after both requests were handled: one connection's signals arrive in order.
    listener.requestPresence();
    ASSERT_TRUE(waitForCount(2));
    EXPECT_EQ(reopened, 1);
}

TEST(LinuxApplicationTest, ListsTheProgramsWindowsShownFirstMostRecentInFrontAndTheKeyOne) {
    LinuxApplication application(std::nullopt);
    QWidget main;
    setWindowIdentifier(main, "TesslyMainWindow");
    QWidget hidden;
    QMenu menu; // Qt's pop-up, not a window of the program
    auto panel = application.makePanel(QSizeF(100, 100));
    main.show();
    main.activateWindow();
    ASSERT_TRUE(runEventsUntil([&] { return QApplication::activeWindow() == &main; }));
    menu.popup(QPoint(10, 10));
    panel->orderFrontRegardless();

    QList<Window*> windows = application.windows();
    ASSERT_EQ(windows.size(), 3);
    EXPECT_EQ(windows.at(0), panel.get()) << "the panel was ordered front last";
    EXPECT_TRUE(windows.at(0)->isPanel());
    EXPECT_EQ(windows.at(1)->identifier(), "TesslyMainWindow");
    EXPECT_FALSE(windows.at(2)->isVisible());
    EXPECT_EQ(application.keyWindow(), windows.at(1));
    EXPECT_EQ(application.windows().at(1), windows.at(1)) << "one Window per widget";

    windows.at(1)->orderFrontRegardless();
    EXPECT_EQ(application.windows().at(0)->identifier(), "TesslyMainWindow");
    application.windows().at(0)->orderOut();
    EXPECT_FALSE(main.isVisible());
    menu.hide();
}

TEST(EnsureXcbOnWaylandTest, ChoosesXcbOnlyUnderWaylandAndOnlyWhenNoPlatformWasChosen) {
    const QByteArray savedPlatform = qgetenv("QT_QPA_PLATFORM");
    const QByteArray savedWayland = qgetenv("WAYLAND_DISPLAY");
    const auto platformAfter = [](const char* wayland, const char* platform) {
        wayland ? ::setenv("WAYLAND_DISPLAY", wayland, 1) : ::unsetenv("WAYLAND_DISPLAY");
        platform ? ::setenv("QT_QPA_PLATFORM", platform, 1) : ::unsetenv("QT_QPA_PLATFORM");
        ensureXcbOnWayland();
        return qEnvironmentVariableIsSet("QT_QPA_PLATFORM") ? qgetenv("QT_QPA_PLATFORM")
                                                            : QByteArray("(unset)");
    };
    EXPECT_EQ(platformAfter("wayland-0", nullptr), "xcb");
    EXPECT_EQ(platformAfter("wayland-0", "wayland"), "wayland") << "the user's choice stands";
    EXPECT_EQ(platformAfter(nullptr, nullptr), "(unset)") << "an X11 session needs no choice";
    ::setenv("QT_QPA_PLATFORM", savedPlatform.constData(), 1);
    savedWayland.isNull() ? ::unsetenv("WAYLAND_DISPLAY")
                          : ::setenv("WAYLAND_DISPLAY", savedWayland.constData(), 1);
}

} // namespace
} // namespace tessly

#include "application_test.moc"
