// The names the program and its Dock tile plug-in both rely on: the bus signal distributed notifications
// travel as, the pin-state notification and its keys, the folder identity in a helper's Info.plist and the
// pin files in the helper state directory. The plug-in is built without Qt, so these are plain constants that
// both sides include, and a rename on one side is a rename on the other.
//
//     const std::string pinFile = home + '/' + kHelperStateDirectory + '/' + folderID + kPinFileSuffix;
//     QDBusMessage::createSignal(kDistributedNotificationsPath, kDistributedNotificationsInterface,
//                                kDistributedNotificationsMember);
//
// Plain constants; use them from any thread.
#pragma once

#include <cstddef>

namespace tessly {

// The distributed notifications on the session bus (see platform/linux/dbus_notification_center_linux.h).
inline constexpr char kDistributedNotificationsPath[] = "/app/tessly/DistributedNotifications";
inline constexpr char kDistributedNotificationsInterface[] = "app.tessly.DistributedNotifications";
inline constexpr char kDistributedNotificationsMember[] = "Posted";
/// The arguments of a post: name, whether there is an object, the object text, the binary user information.
inline constexpr char kDistributedNotificationsSignature[] = "sbsay";

/// User information larger than this is not sent, and not decoded when received: the program's payloads
/// are a few dozen bytes, and a stranger's megabytes should not cost a parse in every process.
inline constexpr std::ptrdiff_t kMaximumUserInfoBytes = 64 * 1024;

/// The Dock tile plug-in → main application: {"folderID": UUID text, "isPinned": Boolean}.
inline constexpr char kDockTilePinStateChangedName[] = "TSDockTilePinStateChanged";
inline constexpr char kUserInfoKeyFolderID[] = "folderID";
inline constexpr char kUserInfoKeyIsPinned[] = "isPinned";

/// A helper bundle's Info.plist key holding its folder's identity (the folder's UUID text).
inline constexpr char kGroupIdentifierInfoKey[] = "TSGroupUUID";

/// Under the home: the program's application support folder and, inside it, the helper state directory
/// with the launch markers, preserve markers and pin files.
inline constexpr char kApplicationSupportDirectory[] = "Library/Application Support";
inline constexpr char kHelperStateDirectory[] = "Library/Application Support/Tessly/HelperState";
/// "<helper state directory>/<folder identity>.pinned" holds "1" while the Dock holds the helper's tile.
inline constexpr char kPinFileSuffix[] = ".pinned";

} // namespace tessly
