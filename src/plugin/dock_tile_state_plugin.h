// The Dock tile plug-in of a helper: turns the Dock's "I hold your tile" and "the tile is gone" into the
// helper's pin state, for the main application's Dock monitoring.
//
//     DockTileStatePlugin plugIn(environment);
//     plugIn.setDockTile(&tile);    // "<folder>.pinned" holds "1", and TSDockTilePinStateChanged is posted
//     plugIn.setDockTile(nullptr);  // "0", and the notification with isPinned false
//
// The Dock holds one plug-in host per tile, each with a copy of this code, so the plug-in is built without
// Qt: the C++ standard library, libplist and, in its composition root, libdbus. The names it shares with the
// program (the pin file's place, the notification and its keys) come from base/shared_names.h.
//
// The plug-in keeps nothing between calls: each report reads the host bundle's Info.plist and the home folder
// afresh. Every failure is silent (the Dock has nobody to tell): without a folder identity nothing is written
// or posted; a pin file that cannot be written still leaves the notification to be posted.
//
// Main thread only (the Dock's).
#pragma once

#include "plugin/dock_tile_plugin.h"

#include <functional>
#include <optional>
#include <string>

namespace tessly {

/// The principal class's name, as the plug-in bundle's Info.plist gives it.
inline constexpr char kDockTileStatePluginClass[] = "DockTileStatePlugin";

/// The folder identity of the application bundle that holds the plug-in bundle at `plugInBundlePath`
/// (".../X.app/Contents/PlugIns/P.docktileplugin"): its Info.plist text under "TSGroupUUID", unchanged.
/// Nothing when the Info.plist cannot be read or the value is missing, not text, or empty, and nothing when
/// the text is no plain file name (".", "..", or holding "/" or NUL), as it names the pin file.
[[nodiscard]] std::optional<std::string> hostFolderID(const std::string& plugInBundlePath);

/// Writes "1" or "0" atomically to "<home>/<helper state directory>/<folderID>.pinned", creating the
/// directory. Returns whether the file was written; callers ignore it, as a failed write changes nothing
/// else.
bool writePinFile(const std::string& home, bool isPinned, const std::string& folderID);

/// The user information of TSDockTilePinStateChanged, {"folderID": text, "isPinned": Boolean}, as the
/// binary property list the program's observers decode.
[[nodiscard]] std::string pinStateUserInfo(const std::string& folderID, bool isPinned);

class DockTileStatePlugin final : public dock::DockTilePlugIn {
public:
    /// What the plug-in takes from the process that loaded it, asked again on every report.
    struct Environment {
        /// The plug-in bundle that holds this code, or nothing when it cannot be told.
        std::function<std::optional<std::string>()> plugInBundlePath;
        /// The home folder of the process.
        std::function<std::string()> home;
        /// Posts a distributed notification without object, delivered at once, with its user information
        /// already encoded as a binary property list.
        std::function<void(const char* name, const std::string& userInfo)> post;
    };

    explicit DockTileStatePlugin(Environment environment);

    void setDockTile(const dock::DockTile* tile) noexcept override;
    /// Always nullptr: the tile's menu gets no entries from here.
    [[nodiscard]] const dock::DockMenu* dockMenu() noexcept override;

    /// Writes the pin file of the host's folder and posts TSDockTilePinStateChanged; nothing at all when the
    /// host has no folder identity.
    void reportPinState(bool isPinned);

private:
    Environment m_environment;
};

} // namespace tessly
