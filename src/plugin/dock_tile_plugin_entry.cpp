// The plug-in's composition root and its one exported function: the Dock tile state plug-in as the Dock
// loads it, bound to the real process around it (its own location on disk, the home folder, the session bus).
#include "plugin/dock_tile_plugin.h"
#include "plugin/dock_tile_state_plugin.h"

#include "base/shared_names.h"

#include <cstdlib>
#include <cstring>
#include <dbus/dbus.h>
#include <dlfcn.h>
#include <pwd.h>
#include <unistd.h>

namespace tessly {
namespace {

/// The last component of a path without trailing slashes ("a/MacOS" → "MacOS").
std::string nameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

/// The path without its last component ("/a/b" → "/a").
std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".")
           : slash == 0               ? std::string("/")
                                      : path.substr(0, slash);
}

/// The plug-in bundle holding this shared object (".../P.docktileplugin/Contents/MacOS/<executable>"), or
/// nothing when the object does not sit in a bundle's Contents/MacOS.
std::optional<std::string> ownPlugInBundlePath() {
    // An address inside this very object: every copy of the plug-in (one per helper) finds its own file.
    Dl_info info{};
    if (::dladdr(reinterpret_cast<const void*>(&ownPlugInBundlePath), &info) == 0 || !info.dli_fname ||
        !*info.dli_fname) {
        return std::nullopt;
    }
    std::string executable = info.dli_fname;
    if (executable.front() != '/') {
        char* cwd = ::getcwd(nullptr, 0);
        if (!cwd) {
            return std::nullopt;
        }
        executable = std::string(cwd) + '/' + executable;
        std::free(cwd);
    }
    const std::string macOS = folderOf(executable);
    const std::string contents = folderOf(macOS);
    if (nameOf(macOS) != "MacOS" || nameOf(contents) != "Contents") {
        return std::nullopt;
    }
    return folderOf(contents);
}

/// The home of the process that loaded the plug-in: $HOME, else the user's entry, as the program finds it.
std::string processHome() {
    std::string home = "/";
    if (const char* variable = std::getenv("HOME"); variable && *variable) {
        home = variable;
    } else if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) {
        home = entry->pw_dir;
    }
    // As the program's Paths keeps it: without trailing slashes, the root excepted.
    while (home.size() > 1 && home.back() == '/') {
        home.pop_back();
    }
    return home;
}

/// Posts as the program's distributed notification centre does (DBusDistributedNotificationCenter::post), so
/// that its observers in every process decode it: one broadcast signal, "sbsay", the user information as a
/// binary property list. Only posting: the plug-in listens to nothing, so libdbus's connection of the
/// process serves, without a thread or a main loop of its own.
void postOnSessionBus(const char* name, const std::string& userInfo) {
    if (userInfo.size() > static_cast<std::size_t>(kMaximumUserInfoBytes)) {
        return;
    }
    DBusError error;
    dbus_error_init(&error);
    // Shared with everything else in the process that uses libdbus, and kept for its lifetime.
    DBusConnection* bus = dbus_bus_get(DBUS_BUS_SESSION, &error);
    dbus_error_free(&error);
    if (!bus) {
        return;
    }
    // libdbus would end the whole process when the bus goes away: the Dock's host must outlive a lost bus.
    dbus_connection_set_exit_on_disconnect(bus, FALSE);
    DBusMessage* signal = dbus_message_new_signal(
        kDistributedNotificationsPath, kDistributedNotificationsInterface, kDistributedNotificationsMember);
    if (signal) {
        const dbus_bool_t hasObject = FALSE;
        const char* object = "";
        const auto* bytes = reinterpret_cast<const unsigned char*>(userInfo.data());
        const int length = static_cast<int>(userInfo.size());
        if (dbus_message_append_args(signal, DBUS_TYPE_STRING, &name, DBUS_TYPE_BOOLEAN, &hasObject,
                                     DBUS_TYPE_STRING, &object, DBUS_TYPE_ARRAY, DBUS_TYPE_BYTE, &bytes,
                                     length, DBUS_TYPE_INVALID) &&
            std::strcmp(dbus_message_get_signature(signal), kDistributedNotificationsSignature) == 0 &&
            dbus_connection_send(bus, signal, nullptr)) {
            // On the bus before the call returns, as the Dock's host ends right after the last one.
            dbus_connection_flush(bus);
        }
        dbus_message_unref(signal);
    }
    dbus_connection_unref(bus);
}

} // namespace
} // namespace tessly

extern "C" tessly::dock::DockTilePlugIn* TSDockTilePlugInCreate(std::uint32_t dockProtocolVersion,
                                                                const char* principalClass,
                                                                std::uint32_t* pluginProtocolVersion) {
    using namespace tessly;
    if (pluginProtocolVersion) {
        *pluginProtocolVersion = dock::kDockTilePlugInProtocolVersion;
    }
    if (dockProtocolVersion != dock::kDockTilePlugInProtocolVersion || !principalClass ||
        std::strcmp(principalClass, kDockTileStatePluginClass) != 0) {
        return nullptr;
    }
    // No exception may cross into the Dock: out of memory is a refusal like any other.
    try {
        return new DockTileStatePlugin(
            DockTileStatePlugin::Environment{&ownPlugInBundlePath, &processHome, &postOnSessionBus});
    } catch (...) {
        return nullptr;
    }
}
