// The icons the workspace shows for files and bundles, and custom icons set on them.
//
//     ImagePtr icon = icons.iconForFile("/Applications/Mail.app");   // never null
//     icons.setIcon(tileImage, ownBundlePath);                         // read back by iconForFile
//
// Main thread only.
#pragma once

#include "platform/gui/image.h"

#include <QString>

namespace tessly {

class WorkspaceIcons {
public:
    virtual ~WorkspaceIcons() = default;

    /// The icon of the file or bundle at `path`: its custom icon first, then (for a bundle) the icon its
    /// Info.plist names, then a generic application or document icon. Never null, also for a path that does
    /// not exist.
    [[nodiscard]] virtual ImagePtr iconForFile(const QString& path) const = 0;
    /// Sets `image` as the custom icon of the file or bundle at `path`; false when it could not be written.
    virtual bool setIcon(const Image& image, const QString& path) = 0;
};

} // namespace tessly
