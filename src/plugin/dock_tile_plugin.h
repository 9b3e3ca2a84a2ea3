// The Dock tile plug-in protocol: what the Dock and an application's Dock tile plug-in say to each other.
//
// An application names its plug-in bundle in its Info.plist under "NSDockTilePlugIn" (a bundle in
// Contents/PlugIns); the plug-in bundle's own Info.plist names its shared object ("CFBundleExecutable", in
// Contents/MacOS) and its principal class ("NSPrincipalClass"). The Dock loads it like this:
//
//     void* library = dlopen(executablePath, RTLD_NOW | RTLD_LOCAL);
//     auto create = reinterpret_cast<tessly::dock::DockTilePlugInFactory>(
//         dlsym(library, tessly::dock::kDockTilePlugInFactorySymbol));
//     std::uint32_t version = 0;
//     tessly::dock::DockTilePlugIn* plugIn =
//         create ? create(tessly::dock::kDockTilePlugInProtocolVersion, principalClass, &version) : nullptr;
//     if (!plugIn) { /* an incompatible plug-in (version says which protocol it speaks) or an unknown class
//     */ } tessly::dock::DockTile tile{applicationBundlePath}; plugIn->setDockTile(&tile);      // the Dock
//     holds the application's tile plugIn->setDockTile(nullptr);    // the tile went away delete plugIn; //
//     then, if at all, dlclose(library)
//
// ABI. This header is the whole contract; the Dock and the plug-in are built separately, each against it.
// - Plain C++ virtual functions, called across the library boundary on one C++ runtime (the Dock's and the
//   plug-in's must be the same, as for any C++ plug-in). Nothing else is shared: no globals, no inline
//   functions with state, no exceptions across the boundary (every method is noexcept).
// - One exported symbol, the `extern "C"` factory below, found by name with dlsym. Everything else in the
//   plug-in is hidden, so that many copies of one plug-in (one per helper bundle, each loaded from its own
//   path) never bind to each other's code.
// - kDockTilePlugInProtocolVersion is raised whenever anything here changes: a member, a method, their order.
//   The factory always reports the version the plug-in was built with and returns an instance only when it
//   equals the Dock's, so a Dock never calls into an object whose layout it does not know.
// - The instance is destroyed with `delete` through the virtual destructor, which runs the plug-in's own
//   deallocation. A plug-in may refuse to be unloaded (linked with "-z nodelete"); dlclose is then harmless.
//
// Threading: the Dock creates, calls and deletes a plug-in on its main thread only.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessly::dock {

/// The protocol this header describes.
inline constexpr std::uint32_t kDockTilePlugInProtocolVersion = 1;

/// The name under which the factory is exported.
inline constexpr char kDockTilePlugInFactorySymbol[] = "TSDockTilePlugInCreate";

/// What the Dock passes to say that it holds a tile for the plug-in's application. Valid during the call
/// only.
struct DockTile {
    /// The application bundle the tile stands for, as the Dock knows it (UTF-8, absolute).
    const char* applicationBundlePath = nullptr;
};

/// One entry a plug-in adds to its tile's menu.
struct DockMenuItem {
    /// UTF-8 title.
    const char* title = nullptr;
    /// Called on the main thread when the user picks the entry.
    void (*activate)(void* context) = nullptr;
    void* context = nullptr;
};

/// The entries a plug-in adds to its tile's menu; owned by the plug-in, valid until its next call.
struct DockMenu {
    const DockMenuItem* items = nullptr;
    std::size_t count = 0;
};

/// The principal class of a Dock tile plug-in.
class DockTilePlugIn {
public:
    virtual ~DockTilePlugIn() = default;

    /// Tells the plug-in that the Dock now holds a tile for its application (`tile` set), or no longer
    /// does (nullptr). Called on every change, also while the application is not running.
    virtual void setDockTile(const DockTile* tile) noexcept = 0;

    /// Entries for the tile's menu, or nullptr for none.
    [[nodiscard]] virtual const DockMenu* dockMenu() noexcept = 0;
};

/// Creates an instance of `principalClass` (the plug-in bundle's "NSPrincipalClass") for a Dock speaking
/// `dockProtocolVersion`. Stores the plug-in's own protocol version in `*pluginProtocolVersion` when that is
/// not null. Returns nullptr when the versions differ or the class is unknown.
using DockTilePlugInFactory = DockTilePlugIn* (*)(std::uint32_t dockProtocolVersion,
                                                  const char* principalClass,
                                                  std::uint32_t* pluginProtocolVersion);

} // namespace tessly::dock

extern "C" {
/// The plug-in's factory; see DockTilePlugInFactory. Exported from the plug-in, whatever its default
/// visibility.
__attribute__((visibility("default"))) tessly::dock::DockTilePlugIn*
TSDockTilePlugInCreate(std::uint32_t dockProtocolVersion, const char* principalClass,
                       std::uint32_t* pluginProtocolVersion);
}
