// The icons of files and bundles on Linux, and custom icons set on them.
//
//     LinuxWorkspaceIcons icons(bundle.resourcePath());
//     ImagePtr icon = icons.iconForFile("/home/me/Applications/Mail.app");   // never null
//     icons.setIcon(tileImage, ownBundlePath);
//
// iconForFile() looks, in this order, for:
//   1. a custom icon: for a directory, the file kCustomIconFileName ("Icon\r") inside it; for any other file,
//      its extended attribute kCustomIconAttribute;
//   2. for a bundle (a directory holding Contents/Info.plist), the file its Info.plist names under
//      "CFBundleIconFile" in Contents/Resources: the name as given when it ends in ".icns" or ".png", else
//      the name with ".icns", with ".png", and as given;
//   3. a generic icon from `resourcesDirectory`: kGenericApplicationIconFileName for a bundle (or a missing
//      path ending in ".app"), kGenericFolderIconFileName for another directory, kGenericDocumentIconFileName
//      for everything else, missing paths included. Without those files, an empty image of kIconPixelSide.
// A desktop entry (a path or file URL ending in ".desktop") has the icon it names: a theme icon, looked up in
// the desktop's icon theme and then in the fallback theme (hicolor) and drawn from the theme's image nearest
// to the size it is drawn at, or an image file at an absolute path, read as the icon files above; an entry
// that cannot be read or whose icon is not found has the generic application icon. Without a desktop's
// platform theme, Qt is given the XDG icon directories and the fallback theme at the first such icon.
//
// An icon file is PNG or icns (any format Qt's image readers know, by content); an icns file holds the icon
// at several sizes, and a draw decodes only the smallest one that is at least as large as it is drawn, within
// a bound of pixels (icon_file_linux.h). A candidate that cannot be read, is empty or larger than
// kMaximumIconFileBytes, or whose path leaves the bundle (through ".." or a link), is passed over for the
// next one. A link at `path` is followed for reading: the icon of a link is the icon of what it points at.
//
// setIcon() rasterises the image at kIconPixelSide pixels square and writes it as PNG where iconForFile()
// reads a custom icon first: into "Icon\r" of a directory (a temporary file renamed over it, so a reader
// sees the old icon or the new one; an "Icon\r" that is a link is replaced, not written through), or into
// the attribute of a plain file (false when the file system refuses a value that large; most keep only a few
// kilobytes per attribute). A `path` that is a symbolic link, or neither a directory nor a regular file, is
// not written: false.
//
// Main thread only.
#pragma once

#include "platform/gui/workspace_icons.h"
#include "platform/linux/icon_file_linux.h"

#include <QHash>

namespace tessly {

inline constexpr char kCustomIconFileName[] = "Icon\r";
inline constexpr char kCustomIconAttribute[] = "user.app.tessly.icon";
inline constexpr char kGenericApplicationIconFileName[] = "GenericApplicationIcon.icns";
inline constexpr char kGenericFolderIconFileName[] = "GenericFolderIcon.icns";
inline constexpr char kGenericDocumentIconFileName[] = "GenericDocumentIcon.icns";
/// The side of a written icon, in pixels.
inline constexpr int kIconPixelSide = 512;
/// An icon file larger than this is not read (an icns of every size up to 1024 pixels takes a few MB).
inline constexpr qint64 kMaximumIconFileBytes = 32 * 1024 * 1024;

class LinuxWorkspaceIcons final : public WorkspaceIcons {
public:
    /// `resourcesDirectory` holds the generic icons (the program's Contents/Resources).
    explicit LinuxWorkspaceIcons(QString resourcesDirectory);

    [[nodiscard]] ImagePtr iconForFile(const QString& path) const override;
    bool setIcon(const Image& image, const QString& path) override;

private:
    [[nodiscard]] ImagePtr desktopEntryIcon(const QString& path) const;
    [[nodiscard]] ImagePtr genericIcon(const char* fileName) const;

    QString m_resourcesDirectory;
    /// The generic icons by file name, read on first use.
    mutable QHash<QString, ImagePtr> m_genericIcons;
    /// Whether Qt's icon theme was given the XDG icon directories (at the first icon of a desktop entry).
    mutable bool m_iconThemePrepared = false;
};

/// The icon file (PNG, icns, ...) at `path` as one icon, decoded as its drawing needs (see
/// icon_file_linux.h); nullptr when it holds no image that can be drawn.
[[nodiscard]] ImagePtr readIconFile(const QString& path);
/// The same for the bytes of an icon file.
[[nodiscard]] ImagePtr readIconData(const QByteArray& data);

} // namespace tessly
