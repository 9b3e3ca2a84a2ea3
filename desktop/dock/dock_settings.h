// The stand-in Dock's own preferences, the domain "com.apple.dock": what it reads ("orientation", "tilesize",
// "largesize", "magnification", "persistent-apps") and how it edits the kept applications.
//
//     PlistFilePreferencesDomain domain(paths, "com.apple.dock", console);
//     DockSettings settings = readDockSettings(domain);
//     if (auto edited = withBundleKept(settings.persistentApps, bundlePath)) {
//         domain.setValue("persistent-apps", PlistValue(*edited));
//     }
//
// An entry written for a kept bundle has the shape the Dock gives its own: "tile-data" with "file-label" (the
// bundle's name) and "file-data" holding "_CFURLString", the bundle's file URL on "localhost" with
// percent-escapes and a trailing "/", and "_CFURLStringType" 15 (URL text), plus "tile-type" "file-tile" and
// a "GUID". Entries are matched by their path in canonical form, links resolved, as the program matches them.
// Edits keep every other element of the array as it was, of whatever type, in its place.
//
// Values of the wrong type read as absent; nothing here fails.
//
// Main thread only (the domain is).
#pragma once

#include "dock_layout.h"

#include "platform/preferences_domain.h"
#include "platform/property_list.h"

#include <QStringList>

#include <optional>

namespace tessly::dock {

inline constexpr double kDefaultTileSize = 48;
inline constexpr double kDefaultLargeSize = 96;

struct DockSettings {
    DockOrientation orientation = DockOrientation::bottom;
    double tileSize = kDefaultTileSize;
    double largeSize = kDefaultLargeSize;
    bool magnification = false;
    /// "persistent-apps" as stored, every element (edits must keep what they do not understand).
    PlistArray persistentApps;
};

/// Synchronises `domain` and reads the settings; absent or ill-typed values take their defaults.
[[nodiscard]] DockSettings readDockSettings(PreferencesDomain& domain);

/// The bundles of the kept entries, in order, links resolved: entries whose path names a directory holding
/// Contents/Info.plist. Other entries (web addresses, documents, missing bundles, non-dictionaries) are left
/// out, once each path.
[[nodiscard]] QStringList keptBundlePaths(const PlistArray& entries);

/// A "persistent-apps" entry for the bundle at `bundlePath`.
[[nodiscard]] PlistValue makePersistentAppEntry(const QString& bundlePath);

/// `entries` with one for `bundlePath` appended; nothing when the bundle is kept already.
[[nodiscard]] std::optional<PlistArray> withBundleKept(const PlistArray& entries, const QString& bundlePath);

/// `entries` without those for `bundlePath`; nothing when none was there.
[[nodiscard]] std::optional<PlistArray> withBundleRemoved(const PlistArray& entries,
                                                          const QString& bundlePath);

} // namespace tessly::dock
