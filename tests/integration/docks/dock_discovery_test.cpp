// Which dock the session has, followed as docks take and drop their names on the test's own session bus, and
// the launcher dock handed out for each.
#include "platform/linux/dock_discovery_linux.h"
#include "platform/linux/gnome_dock_linux.h"
#include "platform/linux/plank_dock_linux.h"
#include "support/run_events.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>

#include <gtest/gtest.h>

namespace tessly {
namespace {

using testing::runEventsUntil;

/// A dock's process as the bus sees it: a connection of its own that owns the dock's name.
class DockOnBus {
public:
    explicit DockOnBus(const char* service)
        : m_service(QString::fromLatin1(service)),
          m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_service)) {}
    ~DockOnBus() { QDBusConnection::disconnectFromBus(m_service); }
    DockOnBus(const DockOnBus&) = delete;
    DockOnBus& operator=(const DockOnBus&) = delete;

    [[nodiscard]] bool start() { return m_bus.registerService(m_service); }
    [[nodiscard]] bool stop() { return m_bus.unregisterService(m_service); }

private:
    QString m_service;
    QDBusConnection m_bus;
};

const QString kApplications = QStringLiteral("/home/u/.local/share/applications");

TEST(LinuxDockDiscoveryTest, WithoutDocksOnTheBusOnlyAGnomeSessionHasADock) {
    LinuxDockDiscovery elsewhere(kApplications, "XFCE");
    EXPECT_EQ(elsewhere.currentDock(), std::nullopt);
    EXPECT_EQ(elsewhere.launcherDock(), nullptr);

    LinuxDockDiscovery gnome(kApplications, "ubuntu:GNOME");
    ASSERT_EQ(gnome.currentDock(),
              gnomeShellSchemaInstalled() ? std::optional(DockKind::gnome) : std::nullopt);
    if (gnome.currentDock()) {
        ASSERT_NE(gnome.launcherDock(), nullptr);
        EXPECT_EQ(gnome.launcherDock()->name(), "GNOME");
    }
}

TEST(LinuxDockDiscoveryTest, DocksAlreadyOnTheBusAreFound) {
    DockOnBus plank(kPlankService);
    ASSERT_TRUE(plank.start());
    LinuxDockDiscovery discovery(kApplications, "GNOME");
    EXPECT_EQ(discovery.currentDock(), DockKind::plank);
    ASSERT_NE(discovery.launcherDock(), nullptr);
    EXPECT_EQ(discovery.launcherDock()->name(), "Plank");

    DockOnBus standIn(kStandInDockService);
    ASSERT_TRUE(standIn.start());
    LinuxDockDiscovery second(kApplications, "GNOME");
    EXPECT_EQ(second.currentDock(), DockKind::standIn);
    EXPECT_EQ(second.launcherDock(), nullptr);
}

TEST(LinuxDockDiscoveryTest, DocksComingAndGoingAreFollowedAndReported) {
    LinuxDockDiscovery discovery(kApplications, "XFCE");
    int reports = 0;
    discovery.setChangeHandler([&] { ++reports; });
    DockOnBus plank(kPlankService);
    DockOnBus standIn(kStandInDockService);

    ASSERT_TRUE(plank.start());
    ASSERT_TRUE(runEventsUntil([&] { return discovery.currentDock() == DockKind::plank; }));
    EXPECT_EQ(reports, 1);
    ASSERT_NE(discovery.launcherDock(), nullptr);
    EXPECT_EQ(discovery.launcherDock()->name(), "Plank");

    ASSERT_TRUE(standIn.start());
    ASSERT_TRUE(runEventsUntil([&] { return discovery.currentDock() == DockKind::standIn; }));
    EXPECT_EQ(reports, 2);
    EXPECT_EQ(discovery.launcherDock(), nullptr);

    ASSERT_TRUE(standIn.stop());
    ASSERT_TRUE(runEventsUntil([&] { return discovery.currentDock() == DockKind::plank; }));
    EXPECT_EQ(reports, 3);
    EXPECT_NE(discovery.launcherDock(), nullptr);

    ASSERT_TRUE(plank.stop());
    ASSERT_TRUE(runEventsUntil([&] { return !discovery.currentDock(); }));
    EXPECT_EQ(reports, 4);
    EXPECT_EQ(discovery.launcherDock(), nullptr);
}

} // namespace
} // namespace tessly
