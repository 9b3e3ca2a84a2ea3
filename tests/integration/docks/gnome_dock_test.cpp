// The GNOME dash's favourites through GSettings, against the installed "org.gnome.shell" schema and dconf on
// the test's own session bus: what keep and remove write (and that it reaches dconf's database), paths the
// dash cannot hold, other writers' changes, and a missing schema.
#include "platform/linux/gnome_dock_linux.h"
#include "support/run_events.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace tessly {
namespace {

using testing::runEventsUntil;

class GnomeDockTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!gnomeShellSchemaInstalled()) {
            GTEST_SKIP() << "needs GNOME Shell's schema (gnome-shell-common)";
        }
        if (QStandardPaths::findExecutable("gsettings").isEmpty()) {
            GTEST_SKIP() << "needs gsettings";
        }
        dock = std::make_unique<GnomeDock>(applications);
        dock->setChangeHandler([this] { ++reports; });
    }

    /// The key as another process of the user reads it.
    static QString readByAnotherProcess() {
        QProcess gsettings;
        gsettings.start("gsettings", {"get", kGnomeShellSchema, kGnomeFavoriteAppsKey});
        return gsettings.waitForFinished(15'000)
                   ? QString::fromUtf8(gsettings.readAllStandardOutput()).trimmed()
                   : QString();
    }
    /// Writes the key from another process, and waits until the dash has heard it.
    void writeByAnotherProcess(const QString& value) {
        const int before = reports;
        ASSERT_EQ(QProcess::execute("gsettings", {"set", kGnomeShellSchema, kGnomeFavoriteAppsKey, value}),
                  0);
        ASSERT_TRUE(runEventsUntil([&] { return reports > before; })) << "no change report";
    }
    [[nodiscard]] QString entry(const QString& id) const { return applications + QLatin1Char('/') + id; }

    const QString applications = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications");
    std::unique_ptr<GnomeDock> dock;
    int reports = 0;
};

TEST_F(GnomeDockTest, KeepAppendsTheEntrysIdOnceAndItReachesDconf) {
    writeByAnotherProcess("['org.gnome.Nautilus.desktop', 'firefox-esr.desktop']");
    EXPECT_EQ(dock->keptLaunchers(),
              QStringList({entry("org.gnome.Nautilus.desktop"), entry("firefox-esr.desktop")}));

    EXPECT_TRUE(dock->keep(entry("app.tessly.folder-1.desktop")));
    EXPECT_TRUE(dock->keep(entry("app.tessly.folder-1.desktop")));
    EXPECT_EQ(dock->keptLaunchers(),
              QStringList({entry("org.gnome.Nautilus.desktop"), entry("firefox-esr.desktop"),
                           entry("app.tessly.folder-1.desktop")}));
    // dconf's service writes its database in the temporary configuration folder the bus was started with.
    const QString database = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/dconf/user");
    EXPECT_TRUE(runEventsUntil([&] {
        QFile file(database);
        return file.open(QIODevice::ReadOnly) && file.readAll().contains("app.tessly.folder-1.desktop");
    })) << database.toStdString();
    EXPECT_EQ(readByAnotherProcess(),
              "['org.gnome.Nautilus.desktop', 'firefox-esr.desktop', 'app.tessly.folder-1.desktop']");
}

TEST_F(GnomeDockTest, RemoveTakesEveryOccurrenceOutAndKeepsTheOthersInOrder) {
    writeByAnotherProcess("['c.desktop', 't.desktop', 'a.desktop', 't.desktop', 'b.desktop']");
    EXPECT_TRUE(dock->remove(entry("t.desktop")));
    EXPECT_EQ(dock->keptLaunchers(),
              QStringList({entry("c.desktop"), entry("a.desktop"), entry("b.desktop")}));
    EXPECT_TRUE(dock->remove(entry("t.desktop")));
    EXPECT_TRUE(
        runEventsUntil([] { return readByAnotherProcess() == "['c.desktop', 'a.desktop', 'b.desktop']"; }));
}

TEST_F(GnomeDockTest, OnlyEntriesDirectlyInTheApplicationsDirectoryAreTaken) {
    writeByAnotherProcess("['a.desktop']");
    for (const QString& path : {QString("/elsewhere/b.desktop"), entry("sub/b.desktop"), QString("b.desktop"),
                                applications, applications + "/", QString()}) {
        EXPECT_FALSE(dock->keep(path)) << path.toStdString();
        EXPECT_FALSE(dock->remove(path)) << path.toStdString();
    }
    EXPECT_EQ(dock->keptLaunchers(), QStringList({entry("a.desktop")}));
    // The same folder written another way is the same folder.
    EXPECT_TRUE(dock->keep(applications + "/./b.desktop"));
    EXPECT_EQ(dock->keptLaunchers(), QStringList({entry("a.desktop"), entry("b.desktop")}));
}

TEST_F(GnomeDockTest, IdsThatCannotBeFilesThereAreLeftOutAndLeftAlone) {
    writeByAnotherProcess("['../../.bashrc', '', 'a/b.desktop', '..', 'ok.desktop']");
    EXPECT_EQ(dock->keptLaunchers(), QStringList({entry("ok.desktop")}));
    EXPECT_TRUE(dock->keep(entry("new.desktop")));
    EXPECT_TRUE(dock->remove(entry("ok.desktop")));
    EXPECT_TRUE(runEventsUntil([] {
        return readByAnotherProcess() == "['../../.bashrc', '', 'a/b.desktop', '..', 'new.desktop']";
    }));
}

TEST_F(GnomeDockTest, AnotherObjectsWriteReachesTheHandler) {
    writeByAnotherProcess("[]");
    GnomeDock other(applications);
    const int before = reports;
    ASSERT_TRUE(other.keep(entry("x.desktop")));
    EXPECT_TRUE(runEventsUntil([&] { return reports > before; }));
    EXPECT_EQ(dock->keptLaunchers(), QStringList({entry("x.desktop")}));

    // An empty handler stops the reports; a change the other object hears does not reach it.
    const int whenEmptied = reports;
    dock->setChangeHandler({});
    int heardByOther = 0;
    other.setChangeHandler([&] { ++heardByOther; });
    ASSERT_EQ(
        QProcess::execute("gsettings", {"set", kGnomeShellSchema, kGnomeFavoriteAppsKey, "['y.desktop']"}),
        0);
    EXPECT_TRUE(runEventsUntil([&] { return heardByOther > 0; }));
    EXPECT_EQ(reports, whenEmptied);
    EXPECT_EQ(dock->keptLaunchers(), QStringList({entry("y.desktop")}));
}

TEST(GnomeDockWithoutSchemaTest, ReportsNothingAndRefusesEverything) {
    const QString applications = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications");
    GnomeDock dock(applications, "org.example.NotInstalled");
    EXPECT_EQ(dock.name(), "GNOME");
    EXPECT_EQ(dock.keptLaunchers(), std::nullopt);
    EXPECT_FALSE(dock.keep(applications + "/a.desktop"));
    EXPECT_FALSE(dock.remove(applications + "/a.desktop"));
    EXPECT_EQ(dock.launcherPosition(applications + "/a.desktop"), std::nullopt);
}

} // namespace
} // namespace tessly
