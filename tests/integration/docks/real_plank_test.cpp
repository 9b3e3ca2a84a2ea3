// The real Plank (Debian's "plank") on a virtual X server and the test's own session bus: what the fake Plank
// stands for, checked once against the program itself. Skipped when Plank or Xvfb is not installed.
#include "platform/linux/plank_dock_linux.h"
#include "support/run_events.h"
#include "support/virtual_server.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace tessly {
namespace {

using testing::runEventsUntil;

TEST(RealPlankTest, KeepsPlacesAndRemovesAnEntryThenIsGone) {
    const QString plankProgram = QStandardPaths::findExecutable("plank");
    const QString xvfb = QStandardPaths::findExecutable("Xvfb");
    if (plankProgram.isEmpty() || xvfb.isEmpty()) {
        GTEST_SKIP() << "plank or Xvfb is not installed";
    }
    const QString applications = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications");
    ASSERT_TRUE(QDir().mkpath(applications));
    const QString entry = applications + QStringLiteral("/app.tessly.real plank.desktop");
    QFile file(entry);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Desktop Entry]\nType=Application\nName=Folder\nExec=/bin/true\nIcon=folder\n");
    file.close();

    // The same size as the offscreen screen, so that Plank's X coordinates and Qt's screens agree.
    const QSize size = QGuiApplication::primaryScreen()->geometry().size();
    QProcess server;
    server.start(
        xvfb, testing::virtualServerArguments(QStringLiteral("%1x%2").arg(size.width()).arg(size.height())));
    ASSERT_TRUE(
        runEventsUntil([&] { return server.canReadLine() || server.state() == QProcess::NotRunning; }));
    const QString display = ":" + QString::fromLatin1(server.readLine().trimmed());
    ASSERT_NE(display, ":");

    PlankDock dock;
    int reports = 0;
    dock.setChangeHandler([&] { ++reports; });
    QProcess plank;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", display);
    environment.insert("NO_AT_BRIDGE", "1");
    environment.remove("WAYLAND_DISPLAY");
    plank.setProcessEnvironment(environment);
    plank.setStandardOutputFile(QProcess::nullDevice());
    plank.setStandardErrorFile(QProcess::nullDevice());
    plank.start(plankProgram, {});
    // Plank owns its name before its items object is there.
    ASSERT_TRUE(runEventsUntil([&] { return dock.keptLaunchers().has_value(); }, 60'000))
        << "Plank never answered";

    EXPECT_TRUE(dock.keep(entry));
    EXPECT_TRUE(dock.keep(entry));
    const std::optional<QStringList> kept = dock.keptLaunchers();
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->count(entry), 1);
    EXPECT_EQ(kept->last(), entry);

    // Placed once Plank has laid the new tile out: above it, near the bottom edge of the screen.
    std::optional<LauncherPosition> position;
    ASSERT_TRUE(runEventsUntil([&] { return (position = dock.launcherPosition(entry)).has_value(); }));
    EXPECT_EQ(position->edge, ScreenEdge::bottom);
    EXPECT_GT(position->point.y(), 0);
    EXPECT_LT(position->point.y(), size.height() / 4);
    EXPECT_GT(position->point.x(), 0);
    EXPECT_LT(position->point.x(), size.width());

    EXPECT_TRUE(dock.remove(entry));
    EXPECT_FALSE(dock.keptLaunchers().value_or(QStringList{entry}).contains(entry));
    EXPECT_EQ(dock.launcherPosition(entry), std::nullopt);

    const int beforeQuit = reports;
    plank.terminate();
    plank.waitForFinished(10'000);
    EXPECT_TRUE(runEventsUntil([&] { return reports > beforeQuit; })) << "Plank's departure";
    EXPECT_EQ(dock.keptLaunchers(), std::nullopt);
    server.terminate();
    server.waitForFinished(10'000);
}

} // namespace
} // namespace tessly
