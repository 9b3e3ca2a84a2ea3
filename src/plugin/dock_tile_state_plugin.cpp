#include "plugin/dock_tile_state_plugin.h"

#include "base/atomic_write.h"
#include "base/info_plist.h"
#include "base/path_names.h"
#include "base/shared_names.h"

#include <cerrno>
#include <cstdlib>
#include <plist/plist.h>
#include <sys/stat.h>
#include <vector>

namespace tessly {

namespace {

/// `path` without empty components, "." and resolved "..", as QDir::cleanPath gives it: "/a//b/./c/../"
/// becomes "/a/b". A relative path stays relative ("" becomes ".").
std::string cleanPath(const std::string& path) {
    const bool absolute = !path.empty() && path.front() == '/';
    std::vector<std::string> parts;
    std::size_t at = 0;
    while (at <= path.size()) {
        const std::size_t slash = std::min(path.find('/', at), path.size());
        const std::string part = path.substr(at, slash - at);
        if (part == "..") {
            if (!parts.empty() && parts.back() != "..") {
                parts.pop_back();
            } else if (!absolute) {
                parts.push_back(part);
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        at = slash + 1;
    }
    std::string clean = absolute ? "/" : "";
    for (std::size_t i = 0; i < parts.size(); ++i) {
        clean += (i ? "/" : "") + parts[i];
    }
    return clean.empty() ? "." : clean;
}

/// The folder holding the entry at a clean `path`: "/a/b" → "/a", "/a" → "/", "a" → ".".
std::string parentOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

/// The application bundle that holds a plug-in bundle: plug-in bundle → PlugIns → Contents → application.
std::string hostBundlePath(const std::string& plugInBundlePath) {
    std::string path = cleanPath(plugInBundlePath);
    for (int level = 0; level < 3; ++level) {
        path = parentOf(path);
    }
    return path;
}

/// Creates `directory` and the folders above it, as `mkdir -p` does; whether it is a folder afterwards.
bool makeDirectories(const std::string& directory) {
    for (std::size_t slash = directory.find('/', 1);; slash = directory.find('/', slash + 1)) {
        const std::string prefix = directory.substr(0, slash);
        if (::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) {
            return false;
        }
        if (slash == std::string::npos) {
            break;
        }
    }
    struct stat info {};
    return ::stat(directory.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

std::optional<std::string> hostFolderID(const std::string& plugInBundlePath) {
    std::optional<std::string> id = infoPlistText(hostBundlePath(plugInBundlePath), kGroupIdentifierInfoKey);
    // Any text is used as it is, a UUID or not, but it names a file in the shared state directory: a value
    // such as "../../x" must not lead a write out of it, so it counts as no identity at all.
    if (!id || !isPlainFileName(*id)) {
        return std::nullopt;
    }
    return id;
}

bool writePinFile(const std::string& home, bool isPinned, const std::string& folderID) {
    const std::string directory = home + '/' + kHelperStateDirectory;
    // A failure here shows in the write below; the directory may well exist already.
    (void)makeDirectories(directory);
    // Atomic: the main application reads the file whenever the directory changes, and must see the old state
    // or the new one, never an empty file. A link planted at the name is replaced, never written through.
    const std::string path = directory + '/' + folderID + kPinFileSuffix;
    return replaceFileAtomically(path.c_str(), isPinned ? "1" : "0", 1) == 0;
}

std::string pinStateUserInfo(const std::string& folderID, bool isPinned) {
    plist_t dictionary = plist_new_dict();
    plist_dict_set_item(dictionary, kUserInfoKeyFolderID, plist_new_string(folderID.c_str()));
    plist_dict_set_item(dictionary, kUserInfoKeyIsPinned, plist_new_bool(isPinned ? 1 : 0));
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(dictionary, &bytes, &length);
    plist_free(dictionary);
    std::string encoded(bytes ? bytes : "", bytes ? length : 0);
    std::free(bytes);
    return encoded;
}

DockTileStatePlugin::DockTileStatePlugin(Environment environment) : m_environment(std::move(environment)) {}

void DockTileStatePlugin::setDockTile(const dock::DockTile* tile) noexcept {
    // Nothing may escape into the Dock, which cannot know what to do with it.
    try {
        reportPinState(tile != nullptr);
    } catch (...) {
    }
}

const dock::DockMenu* DockTileStatePlugin::dockMenu() noexcept {
    return nullptr;
}

void DockTileStatePlugin::reportPinState(bool isPinned) {
    const std::optional<std::string> bundle = m_environment.plugInBundlePath();
    if (!bundle) {
        return;
    }
    // The main application's own tile has no identity: nothing to report.
    const std::optional<std::string> folderID = hostFolderID(*bundle);
    if (!folderID) {
        return;
    }
    (void)writePinFile(m_environment.home(), isPinned, *folderID);
    m_environment.post(kDockTilePinStateChangedName, pinStateUserInfo(*folderID, isPinned));
}

} // namespace tessly
