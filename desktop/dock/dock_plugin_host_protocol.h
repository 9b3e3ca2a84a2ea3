// What the stand-in Dock and its plug-in host (dock_plugin_host_main.cpp) say to each other over the host's
// standard input and output, one line each.
#pragma once

namespace tessly::dock {

inline constexpr char kHostHoldCommand[] = "hold";
inline constexpr char kHostDropCommand[] = "drop";
inline constexpr char kHostLoadedLine[] = "loaded\n";
/// The application names no plug-in.
inline constexpr int kExitNoPlugIn = 3;
/// The plug-in is not one, does not load, or speaks another protocol.
inline constexpr int kExitRefused = 4;

} // namespace tessly::dock
