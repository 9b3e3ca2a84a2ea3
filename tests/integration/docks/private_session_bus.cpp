// Every case of the launcher docks' tests gets a session bus of its own, started before anything uses the bus
// or GSettings: the fake Plank owns Plank's name, which cases running side by side would fight over, and
// dconf's service takes the home and configuration folders from the bus's environment, so the bus must start
// with the test's temporary ones already set.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

// The shell that keeps the bus, held from a global for as long as the process lives: the test framework
// deletes its environments before the process ends, and the shell must not end (nor be counted as lost) then.
QProcess* g_busShell = nullptr;

class PrivateSessionBus final : public ::testing::Environment {
public:
    void SetUp() override {
        const QString home = qEnvironmentVariable("HOME");
        // The entry point made it: the bus and dconf never see the real home.
        ASSERT_TRUE(home.startsWith(QDir::tempPath() + QStringLiteral("/tessly-test-home-")))
            << home.toStdString();
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        ASSERT_FALSE(daemon.isEmpty()) << "needs dbus-daemon";
        for (const auto& [variable, folder] : {std::pair{"XDG_CONFIG_HOME", ".config"},
                                               {"XDG_DATA_HOME", ".local/share"},
                                               {"XDG_CACHE_HOME", ".cache"},
                                               {"XDG_RUNTIME_DIR", "runtime"}}) {
            const QString path = home + QLatin1Char('/') + QLatin1String(folder);
            ASSERT_TRUE(QDir().mkpath(path));
            ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
            qputenv(variable, QFile::encodeName(path));
        }
        qputenv("GSETTINGS_BACKEND", "dconf");
        // dconf's client ends the process (SIGTERM) when its bus closes, so the bus must outlive the process:
        // a shell keeps it until its standard input, a pipe from this process, closes as the process ends.
        // The QProcess is never deleted, so that nothing kills the shell sooner.
        g_busShell = new QProcess;
        g_busShell->start(QStringLiteral("/bin/sh"),
                          {QStringLiteral("-c"),
                           QStringLiteral("\"$0\" --session --nofork --print-address=1 & "
                                          "cat >/dev/null; kill $!"),
                           daemon});
        ASSERT_TRUE(g_busShell->waitForReadyRead(15'000)) << "no private bus";
        qputenv("DBUS_SESSION_BUS_ADDRESS", g_busShell->readLine().trimmed());
    }
};

[[maybe_unused]] ::testing::Environment* const kPrivateSessionBus =
    ::testing::AddGlobalTestEnvironment(new PrivateSessionBus);

} // namespace
