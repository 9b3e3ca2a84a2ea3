// Finding and checking an application's Dock tile plug-in before anything of it runs, for the plug-in host
// (dock_plugin_host_main.cpp), the child process in which the stand-in Dock loads each plug-in.
//
//     const PlugInLocation location = locatePlugIn(applicationBundlePath);
//     if (location.status == PlugInStatus::found) { dlopen(location.executable...) }
//
// The application's Info.plist names the plug-in bundle under "NSDockTilePlugIn", a plain name inside
// Contents/PlugIns; the plug-in's Info.plist names its shared object ("CFBundleExecutable", a plain name
// inside Contents/MacOS) and its principal class ("NSPrincipalClass"). The shared object must resolve, links
// followed, to a file inside the plug-in bundle, and begin as an ELF file does: an Info.plist cannot make the
// Dock load a library from anywhere else, and a text file is refused before the dynamic loader sees it.
//
// Without Qt, as the plug-in host links none: the Dock holds one host per tile, so the host stays small.
//
// Any thread.
#pragma once

#include <string>

namespace tessly::dock {

enum class PlugInStatus {
    /// Everything named and checked: `executable` and `principalClass` are set.
    found,
    /// The application names no plug-in (or is not a bundle): nothing to load, nothing wrong.
    none,
    /// A plug-in is named but is not one: missing, outside its bundle, not a shared object.
    refused,
};

struct PlugInLocation {
    PlugInStatus status = PlugInStatus::none;
    std::string executable;
    std::string principalClass;
    /// Why a plug-in was refused.
    std::string reason;
};

[[nodiscard]] PlugInLocation locatePlugIn(const std::string& applicationBundlePath);

} // namespace tessly::dock
