// tessly-dock-plugin-host APPLICATION-BUNDLE: the process in which the stand-in Dock loads one application's
// Dock tile plug-in, so that a plug-in that crashes, hangs or corrupts memory takes down this process only.
//
// The Dock writes one command per line on standard input: "hold" (the Dock holds the application's tile:
// setDockTile with a tile) and "drop" (the tile went away: setDockTile with none). After "drop" the Dock
// closes standard input and the host deletes the plug-in and ends. When standard input ends without "drop"
// the Dock went away (quit or killed): the tile did not go away, so the plug-in is not told, only deleted. On
// standard output the host says "loaded" once the plug-in's instance exists.
//
// Exit status: 0 after a normal end, kExitNoPlugIn when the application names no plug-in, kExitRefused when
// the plug-in is not one (see dock_plugin_loading.h), not loadable, or speaks another protocol version.
#include "dock_plugin_host_protocol.h"
#include "dock_plugin_loading.h"

#include "plugin/dock_tile_plugin.h"

#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>

#include <cstdio>
#include <dlfcn.h>
#include <memory>
#include <unistd.h>

using namespace tessly::dock;

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2) {
        std::fputs("usage: tessly-dock-plugin-host APPLICATION-BUNDLE\n", stderr);
        return kExitRefused;
    }
    const QString bundlePath = arguments.at(1);
    const PlugInLocation location = locatePlugIn(bundlePath);
    if (location.status == PlugInStatus::none) {
        return kExitNoPlugIn;
    }
    if (location.status == PlugInStatus::refused) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(bundlePath), qPrintable(location.reason));
        return kExitRefused;
    }
    void* library = ::dlopen(QFile::encodeName(location.executable).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        std::fprintf(stderr, "%s\n", ::dlerror());
        return kExitRefused;
    }
    auto create = reinterpret_cast<DockTilePlugInFactory>(::dlsym(library, kDockTilePlugInFactorySymbol));
    if (!create) {
        std::fprintf(stderr, "%s: no factory\n", qPrintable(location.executable));
        return kExitRefused;
    }
    std::uint32_t version = 0;
    const QByteArray principal = location.principalClass.toUtf8();
    std::unique_ptr<DockTilePlugIn> plugIn(
        create(kDockTilePlugInProtocolVersion, principal.constData(), &version));
    if (!plugIn) {
        std::fprintf(stderr, "%s: protocol %u or class %s not offered\n", qPrintable(location.executable),
                     kDockTilePlugInProtocolVersion, principal.constData());
        return kExitRefused;
    }
    std::fputs(kHostLoadedLine, stdout);
    std::fflush(stdout);

    const QByteArray path = QFile::encodeName(bundlePath);
    const DockTile tile{path.constData()};
    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &application, [&] {
        char buffer[256];
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (count <= 0) {
            input.setEnabled(false);
            QCoreApplication::quit();
            return;
        }
        pending.append(buffer, count);
        qsizetype newline = 0;
        while ((newline = pending.indexOf('\n')) >= 0) {
            const QByteArray command = pending.left(newline);
            pending.remove(0, newline + 1);
            if (command == kHostHoldCommand) {
                plugIn->setDockTile(&tile);
            } else if (command == kHostDropCommand) {
                plugIn->setDockTile(nullptr);
            }
        }
    });
    const int status = QCoreApplication::exec();
    // The plug-in's own posts are on the bus before it goes: they were sent synchronously in its calls.
    plugIn.reset();
    return status;
}
