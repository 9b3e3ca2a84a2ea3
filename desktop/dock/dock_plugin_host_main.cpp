// tessly-dock-plugin-host APPLICATION-BUNDLE: the process in which the stand-in Dock loads one application's
// Dock tile plug-in, so that a plug-in that crashes, hangs or corrupts memory takes down this process only.
//
// The Dock writes one command per line on standard input: "hold" (the Dock holds the application's tile:
// setDockTile with a tile) and "drop" (the tile went away: setDockTile with none). After "drop" the Dock
// closes standard input and the host deletes the plug-in and ends. When standard input ends without "drop"
// the Dock went away (quit or killed): the tile did not go away, so the plug-in is not told, only deleted. On
// standard output the host says "loaded" once the plug-in's instance exists. A line that is no command is
// named on standard error and skipped; the commands around it still count.
//
// Exit status: 0 after a normal end, kExitNoPlugIn when the application names no plug-in, kExitRefused when
// the plug-in is not one (see dock_plugin_loading.h), not loadable, or speaks another protocol version.
//
// The Dock holds one host per tile, so the host stays small: no Qt, only a blocking poll on standard input.
#include "dock_plugin_host_commands.h"
#include "dock_plugin_host_protocol.h"
#include "dock_plugin_loading.h"

#include "plugin/dock_tile_plugin.h"

#include <cerrno>
#include <cstdio>
#include <dlfcn.h>
#include <memory>
#include <poll.h>
#include <unistd.h>

using namespace tessly::dock;

namespace {

/// Reads the Dock's commands until standard input ends, and hands them to the plug-in.
void serve(DockTilePlugIn& plugIn, const DockTile& tile) {
    HostCommandReader reader;
    pollfd input{STDIN_FILENO, POLLIN, 0};
    for (;;) {
        if (::poll(&input, 1, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        char buffer[256];
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (count < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (count <= 0) {
            if (reader.hasPartialLine()) {
                std::fputs("tessly-dock-plugin-host: the input ended inside a command; it is ignored\n",
                           stderr);
            }
            return;
        }
        reader.feed(buffer, static_cast<std::size_t>(count), [&](HostCommand command, std::string_view line) {
            switch (command) {
            case HostCommand::hold:
                plugIn.setDockTile(&tile);
                break;
            case HostCommand::drop:
                plugIn.setDockTile(nullptr);
                break;
            case HostCommand::unknown:
                std::fprintf(stderr, "tessly-dock-plugin-host: unknown command \"%.*s\" ignored\n",
                             static_cast<int>(line.size()), line.data());
                break;
            }
        });
    }
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fputs("usage: tessly-dock-plugin-host APPLICATION-BUNDLE\n", stderr);
        return kExitRefused;
    }
    const std::string bundlePath = argv[1];
    const PlugInLocation location = locatePlugIn(bundlePath);
    if (location.status == PlugInStatus::none) {
        return kExitNoPlugIn;
    }
    if (location.status == PlugInStatus::refused) {
        std::fprintf(stderr, "%s: %s\n", bundlePath.c_str(), location.reason.c_str());
        return kExitRefused;
    }
    void* library = ::dlopen(location.executable.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        std::fprintf(stderr, "%s\n", ::dlerror());
        return kExitRefused;
    }
    auto create = reinterpret_cast<DockTilePlugInFactory>(::dlsym(library, kDockTilePlugInFactorySymbol));
    if (!create) {
        std::fprintf(stderr, "%s: no factory\n", location.executable.c_str());
        return kExitRefused;
    }
    std::uint32_t version = 0;
    std::unique_ptr<DockTilePlugIn> plugIn(
        create(kDockTilePlugInProtocolVersion, location.principalClass.c_str(), &version));
    if (!plugIn) {
        std::fprintf(stderr, "%s: protocol %u or class %s not offered\n", location.executable.c_str(),
                     kDockTilePlugInProtocolVersion, location.principalClass.c_str());
        return kExitRefused;
    }
    std::fputs(kHostLoadedLine, stdout);
    std::fflush(stdout);

    const DockTile tile{bundlePath.c_str()};
    serve(*plugIn, tile);
    // The plug-in's own posts are on the bus before it goes: they were sent synchronously in its calls.
    plugIn.reset();
    return 0;
}
