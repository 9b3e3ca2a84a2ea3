#include "dock_plugin_loading.h"

#include "base/info_plist.h"
#include "base/path_names.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace tessly::dock {

namespace {

PlugInLocation refused(const char* reason) {
    PlugInLocation location;
    location.status = PlugInStatus::refused;
    location.reason = reason;
    return location;
}

/// `path` with every link resolved, or "" when it does not exist.
std::string resolved(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real) {
        return {};
    }
    std::string result = real;
    std::free(real);
    return result;
}

bool beginsAsElf(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return false;
    }
    char magic[4] = {};
    const bool elf = ::read(fd, magic, sizeof magic) == static_cast<ssize_t>(sizeof magic) &&
                     std::memcmp(magic, "\177ELF", 4) == 0;
    ::close(fd);
    return elf;
}

} // namespace

PlugInLocation locatePlugIn(const std::string& applicationBundlePath) {
    const auto name = infoPlistText(applicationBundlePath, "NSDockTilePlugIn");
    if (!name) {
        return {};
    }
    if (!isPlainFileName(*name)) {
        return refused("the plug-in's name is not a plain file name");
    }
    const std::string plugInBundle = applicationBundlePath + "/Contents/PlugIns/" + *name;
    const auto executable = infoPlistText(plugInBundle, "CFBundleExecutable");
    const auto principal = infoPlistText(plugInBundle, "NSPrincipalClass");
    if (!executable || !principal) {
        return refused("the plug-in bundle names no executable or principal class");
    }
    if (!isPlainFileName(*executable)) {
        return refused("the plug-in's executable is not a plain file name");
    }
    const std::string bundleRoot = resolved(plugInBundle);
    const std::string file = resolved(plugInBundle + "/Contents/MacOS/" + *executable);
    struct stat info {};
    if (!isInsideDirectory(file, bundleRoot) || ::stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return refused("the plug-in's executable is missing or outside its bundle");
    }
    if (!beginsAsElf(file)) {
        return refused("the plug-in's executable is not a shared object");
    }
    PlugInLocation location;
    location.status = PlugInStatus::found;
    location.executable = file;
    location.principalClass = *principal;
    return location;
}

} // namespace tessly::dock
