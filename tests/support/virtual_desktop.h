// A private graphical session for tests and benchmarks of the real programs: a virtual X server of its own, a
// window manager that honours struts (openbox), optionally a compositor (picom), and the environment the
// programs are started with (the temporary home, the display, Qt on xcb). The stand-in Dock's control
// interface on the session bus is reached through `DockClient`; the Dock must be started with its option.
//
//     VirtualDesktop desktop;
//     if (const QString missing = VirtualDesktop::missingTools(); !missing.isEmpty()) GTEST_SKIP() <<
//     missing; ASSERT_TRUE(desktop.start(home.path(), VirtualDesktop::withCompositor));
//     dock.setProcessEnvironment(desktop.environment());
//
// Main thread only; the session ends with the object.
#pragma once

#include "support/run_events.h"
#include "support/virtual_server.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

#include <csignal>

namespace tessly::testing {

class VirtualDesktop {
public:
    enum Compositor { withoutCompositor, withCompositor };

    VirtualDesktop() = default;
    VirtualDesktop(const VirtualDesktop&) = delete;
    VirtualDesktop& operator=(const VirtualDesktop&) = delete;
    ~VirtualDesktop() { stop(); }

    /// What is missing for a session (programs of scripts/install-deps, the session bus), or nothing.
    [[nodiscard]] static QString missingTools(Compositor compositor = withoutCompositor) {
        QStringList missing;
        QStringList programs{"Xvfb", "openbox", "xdotool", "xprop", "import"};
        if (compositor == withCompositor) {
            programs.append("picom");
        }
        for (const QString& program : programs) {
            if (QStandardPaths::findExecutable(program).isEmpty()) {
                missing.append(program);
            }
        }
        if (!QDBusConnection::sessionBus().isConnected()) {
            missing.append("a session bus");
        }
        return missing.isEmpty() ? QString() : "needs " + missing.join(", ") + " (scripts/install-deps)";
    }

    /// Starts the server at 1280 × 800, the window manager and, when asked, the compositor; false when one of
    /// them did not come up.
    [[nodiscard]] bool start(const QString& home, Compositor compositor = withoutCompositor) {
        m_server.start(QStandardPaths::findExecutable("Xvfb"),
                       virtualServerArguments(QStringLiteral("1280x800")));
        if (!runEventsUntil(
                [&] { return m_server.canReadLine() || m_server.state() == QProcess::NotRunning; }) ||
            !m_server.canReadLine()) {
            return false;
        }
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert("HOME", home);
        m_environment.insert("DISPLAY", ":" + QString::fromLatin1(m_server.readLine().trimmed()));
        m_environment.insert("QT_QPA_PLATFORM", "xcb");
        m_environment.remove("WAYLAND_DISPLAY");
        // Not the desktop the tests run from: a GNOME session's dash, and the user's settings behind it, stay
        // out of the programs started here.
        m_environment.remove("XDG_CURRENT_DESKTOP");
        m_environment.insert("GSETTINGS_BACKEND", "memory");
        m_home = home;
        const QString openbox = QStandardPaths::findExecutable("openbox");
        m_windowManager.setProcessEnvironment(m_environment);
        m_windowManager.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // The window manager now and then gives up at once on a server that has only just started; it is
        // started again when it ended without taking the screen.
        m_windowManager.start(openbox, {"--sm-disable"});
        if (!runEventsUntil([&] {
                if (m_windowManager.state() == QProcess::NotRunning) {
                    m_windowManager.start(openbox, {"--sm-disable"});
                }
                return run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id");
            })) {
            return false;
        }
        if (compositor == withCompositor) {
            m_compositor.setProcessEnvironment(m_environment);
            m_compositor.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            m_compositor.start(QStandardPaths::findExecutable("picom"),
                               {"--backend", "xrender", "--no-fading-openclose"});
            // Ready once its own window (named after it) exists: it takes the screen's compositing selection
            // with it.
            if (!runEventsUntil([&] {
                    return m_compositor.state() != QProcess::NotRunning &&
                           !run("xdotool", {"search", "--class", "picom"}).trimmed().isEmpty();
                })) {
                return false;
            }
        }
        return true;
    }

    /// Ends what this session started, and every process whose program lies in the home (helpers and
    /// test-made applications outlive the programs that started them).
    void stop() {
        for (QProcess* process : {&m_compositor, &m_windowManager}) {
            process->terminate();
            process->waitForFinished(10'000);
        }
        if (!m_home.isEmpty()) {
            killProgramsUnder(m_home);
        }
        m_server.terminate();
        m_server.waitForFinished(10'000);
    }

    static void killProgramsUnder(const QString& directory) {
        QDirIterator it(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
        while (it.hasNext()) {
            it.next();
            const qint64 pid = it.fileName().toLongLong();
            if (pid > 0 && QFileInfo(it.filePath() + "/exe").symLinkTarget().startsWith(directory + "/")) {
                ::kill(static_cast<pid_t>(pid), SIGKILL);
            }
        }
    }

    [[nodiscard]] const QProcessEnvironment& environment() const { return m_environment; }

    /// Runs a program of the session (xprop, xdotool, import) to its end; its standard output.
    QString run(const QString& program, const QStringList& arguments) const {
        return QString::fromLatin1(output(program, arguments));
    }
    /// The same, as bytes.
    QByteArray output(const QString& program, const QStringList& arguments) const {
        QProcess process;
        process.setProcessEnvironment(m_environment);
        process.start(program, arguments);
        process.waitForFinished(10'000);
        return process.readAllStandardOutput();
    }

    /// The root's _NET_WORKAREA of the first desktop: x, y, width, height.
    [[nodiscard]] QList<int> workArea() const {
        const QStringList values =
            run("xprop", {"-root", "_NET_WORKAREA"}).section('=', 1).split(',', Qt::SkipEmptyParts);
        QList<int> area;
        for (int index = 0; index < 4 && index < values.size(); ++index) {
            area.append(values.at(index).trimmed().toInt());
        }
        return area;
    }

    /// The geometry xdotool reports for a window: X, Y, WIDTH, HEIGHT.
    [[nodiscard]] QHash<QString, int> geometry(const QString& window) const {
        QHash<QString, int> values;
        for (const QString& line : run("xdotool", {"getwindowgeometry", "--shell", window}).split('\n')) {
            values.insert(line.section('=', 0, 0), line.section('=', 1).toInt());
        }
        return values;
    }

    /// The mapped windows that carry the process's identifier. xdotool's own filter also lets through windows
    /// without one (a window manager's frames), so each is checked.
    [[nodiscard]] QStringList visibleWindowsOf(qint64 pid) const {
        QStringList windows;
        const QString owned = QStringLiteral("_NET_WM_PID(CARDINAL) = %1").arg(pid);
        for (const QString& window :
             run("xdotool", {"search", "--onlyvisible", "--pid", QString::number(pid), ""})
                 .split('\n', Qt::SkipEmptyParts)) {
            if (run("xprop", {"-id", window, "_NET_WM_PID"}).trimmed() == owned) {
                windows.append(window);
            }
        }
        return windows;
    }

    /// The whole screen into `path` (PNG).
    void screenshot(const QString& path) const { run("import", {"-window", "root", path}); }
    /// The whole screen, as it is shown.
    [[nodiscard]] QImage grab() const {
        return QImage::fromData(output("import", {"-window", "root", "png:-"}));
    }

private:
    QProcessEnvironment m_environment;
    QString m_home;
    QProcess m_server;
    QProcess m_windowManager;
    QProcess m_compositor;
};

/// The stand-in Dock's control interface (app.tessly.Dock on the session bus), which the Dock offers only
/// when started with kControlOption.
///
///     dock.start(TESSLY_DOCK, {DockClient::kControlOption});
class DockClient {
public:
    static constexpr char kService[] = "app.tessly.Dock";
    static constexpr char kControlOption[] = "--test-control";

    [[nodiscard]] static bool isRunning() {
        return QDBusConnection::sessionBus().interface()->isServiceRegistered(kService).value();
    }
    static QVariant call(const QString& method, const QVariantList& arguments = {}) {
        QDBusMessage message =
            QDBusMessage::createMethodCall(kService, "/app/tessly/Dock", "app.tessly.Dock", method);
        message.setArguments(arguments);
        return QDBusConnection::sessionBus().call(message).arguments().value(0);
    }
    [[nodiscard]] static QJsonArray tiles() {
        return QJsonDocument::fromJson(call("ListTiles").toString().toUtf8()).array();
    }
    /// The listed tile of the bundle, or an empty object.
    [[nodiscard]] static QJsonObject tile(const QString& bundlePath) {
        for (const QJsonValue& tile : tiles()) {
            if (tile["bundlePath"].toString() == bundlePath) {
                return tile.toObject();
            }
        }
        return {};
    }
};

} // namespace tessly::testing
