// Plays "another process" in the adapter integration tests.
//
//   tessly_adapter_tool listen NAME COUNT
//       observes NAME on the session bus, prints "ready", then one line per notification:
//       "notification <name> <object in base64, or -> <user information as a base64 binary property list>";
//       exits 0 after COUNT of them, 3 without a bus, 4 when none came for 20 seconds
//   tessly_adapter_tool post-without-bus
//       builds a notification centre, observes and posts; prints "connected=<0|1>" at the end
//   tessly_adapter_tool bundle-app MARKER_DIR [ARGUMENTS...]
//       run from inside a bundle, as a widget application on the offscreen platform: writes
//       MARKER_DIR/ready-<pid>, appends a line to MARKER_DIR/reopened-<pid> each time the application's
//       reopen handler runs, and runs until it is ended
//   tessly_adapter_tool run-child piped|inherited PROGRAM [ARGUMENTS...]
//       runs PROGRAM through the child-process adapter, then prints "started=<0|1> status=<n>
//       stderr=<base64>"
#include "platform/linux/application_linux.h"
#include "platform/linux/child_process_linux.h"
#include "platform/linux/dbus_notification_center_linux.h"
#include "platform/linux/main_bundle_linux.h"
#include "platform/linux/system_linux.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace tessly {
namespace {

void printLine(const QByteArray& line) {
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int listen(const QString& name, int count) {
    StdoutConsole console;
    DBusDistributedNotificationCenter center(console);
    if (!center.isConnected()) {
        return 3;
    }
    int heard = 0;
    center.addObserver(name, [&](const DistributedNotification& notification) {
        const QByteArray object = notification.object ? notification.object->toUtf8().toBase64() : "-";
        // Binary, as XML would round dates to whole seconds.
        const QByteArray userInfo = writePropertyList(PlistValue(notification.userInfo), PlistFormat::Binary);
        printLine("notification " + notification.name.toUtf8() + ' ' + object + ' ' + userInfo.toBase64());
        if (++heard == count) {
            QCoreApplication::exit(0);
        }
    });
    QTimer::singleShot(20'000, QCoreApplication::instance(), [] { QCoreApplication::exit(4); });
    printLine("ready");
    return QCoreApplication::exec();
}

int postWithoutBus() {
    StdoutConsole console;
    DBusDistributedNotificationCenter center(console);
    center.addObserver("TSThemeChanged", [](const DistributedNotification&) { printLine("heard"); });
    center.post("TSThemeChanged", QStringLiteral("object"), PlistDictionary{{"id", "x"}});
    QTimer::singleShot(200, QCoreApplication::instance(), [] { QCoreApplication::exit(0); });
    const int status = QCoreApplication::exec();
    printLine(center.isConnected() ? "connected=1" : "connected=0");
    return status;
}

void writeFile(const QString& path, const QByteArray& bytes, QIODevice::OpenMode mode) {
    QFile file(path);
    if (file.open(mode)) {
        file.write(bytes);
    }
}

int bundleApp(const QString& markerDirectory) {
    const auto bundle = enclosingBundlePath(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget());
    if (!bundle) {
        return 5;
    }
    LinuxApplication application(bundle);
    const QString pid = QString::number(::getpid());
    application.setReopenHandler(
        [&] { writeFile(markerDirectory + "/reopened-" + pid, "reopen\n", QIODevice::Append); });
    // Written last, once the reopen requests can be heard.
    writeFile(markerDirectory + "/ready-" + pid, bundle->toUtf8(), QIODevice::WriteOnly);
    return QCoreApplication::exec();
}

int runChild(const QStringList& args) {
    QtChildProcessRunner runner;
    const StandardError mode = args.at(0) == "piped" ? StandardError::Piped : StandardError::Inherited;
    const ChildProcessResult result = runner.run(args.at(1), args.mid(2), mode);
    printLine(QStringLiteral("started=%1 status=%2 stderr=")
                  .arg(result.started ? 1 : 0)
                  .arg(result.exitStatus)
                  .toUtf8() +
              result.standardError.toBase64());
    return 0;
}

} // namespace
} // namespace tessly

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "bundle-app") == 0) {
        // A program with windows, as the real one, that needs no display.
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        QApplication app(argc, argv);
        return tessly::bundleApp(QCoreApplication::arguments().at(2));
    }
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() == 3 && args.at(0) == "listen") {
        return tessly::listen(args.at(1), args.at(2).toInt());
    }
    if (args.size() == 1 && args.at(0) == "post-without-bus") {
        return tessly::postWithoutBus();
    }
    if (args.size() >= 3 && args.at(0) == "run-child") {
        return tessly::runChild(args.mid(1));
    }
    std::fprintf(stderr, "usage: tessly_adapter_tool listen NAME COUNT | post-without-bus | "
                         "bundle-app MARKER_DIR [ARGS...] | run-child piped|inherited PROGRAM [ARGS...]\n");
    return 2;
}
