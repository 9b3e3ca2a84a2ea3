// Every notification the program posts or observes, with its payload keys: the one catalogue.
//
//     distributed.post(notification_names::kTSFolderOffBadge, std::nullopt,
//                      PlistDictionary{{notification_names::kKeyId, uuidText(folder.id)}});
//     local.addObserver(notification_names::kTileAppearanceChanged, [this](const Notification&) { ... });
//
// "TS" names cross processes on the distributed centre, always delivered immediately; every process receives
// every post, its own included, and filters by identity where the payload names one. Lower camel case names
// stay inside one process. Plain constants; use them from any thread.
#pragma once

#include "base/shared_names.h"

#include <QString>

namespace tessly::notification_names {

// Distributed.

/// Main application → every process: redraw the tile from the settings and the folder file. No payload.
inline const QString kTSTileAppearanceChanged = QStringLiteral("TSTileAppearanceChanged");
/// Main application → every process: re-read the popup settings. No payload.
inline const QString kTSPopupSettingsChanged = QStringLiteral("TSPopupSettingsChanged");
/// Main application → every process: the theme changed. No payload.
inline const QString kTSThemeChanged = QStringLiteral("TSThemeChanged");
/// Any process about to open its popup → others close theirs unless pinned. Object: the poster's own
/// "TSGroupUUID" text, or none.
inline const QString kTSCloseNonPinnedPopups = QStringLiteral("TSCloseNonPinnedPopups");
/// The Dock tile plug-in → main application: {"folderID": UUID text, "isPinned": Boolean}.
inline const QString kTSDockTilePinStateChanged = QString::fromLatin1(kDockTilePinStateChangedName);
/// Main application → the helper whose "TSGroupUUID" equals "id": show the "OFF" badge, or drop it with
/// "hide".
inline const QString kTSFolderOffBadge = QStringLiteral("TSFolderOffBadge");
/// Main application → the helper whose "TSGroupUUID" equals "id": show the "DELETE" badge.
inline const QString kTSFolderDeleteBadge = QStringLiteral("TSFolderDeleteBadge");
/// Main application → the Dock: reload your preferences. No payload.
inline const QString kDockPreferencesChanged = QStringLiteral("com.apple.dock.prefchanged");

// User information keys.

inline const QString kKeyId = QStringLiteral("id");
inline const QString kKeyHide = QStringLiteral("hide");
// Those the Dock tile plug-in posts with come from the header it shares with the program.
inline const QString kKeyFolderID = QString::fromLatin1(kUserInfoKeyFolderID);
inline const QString kKeyIsPinned = QString::fromLatin1(kUserInfoKeyIsPinned);

// Local.

/// Settings (no object) or the folder store (object: the folder's UUID) → the helper manager and the shell.
inline const QString kTileAppearanceChanged = QStringLiteral("tileAppearanceChanged");
/// Settings → the helper manager.
inline const QString kPopupSettingsChanged = QStringLiteral("popupSettingsChanged");
/// Settings → the shell's presentation mode.
inline const QString kShowMenuBarChanged = QStringLiteral("showMenuBarChanged");
/// Settings → the helper manager, which redraws the launchers of a launcher dock.
inline const QString kThemeChanged = QStringLiteral("themeChanged");
/// Settings; no receiver relies on it.
inline const QString kLanguageChanged = QStringLiteral("languageChanged");
/// The shell's Dock monitoring → the general settings page: the session's dock changed.
inline const QString kDockChanged = QStringLiteral("dockChanged");
/// The main window controller → the main window's view: move to the requested page.
inline const QString kMainWindowNavigationRequested = QStringLiteral("mainWindowNavigationRequested");

} // namespace tessly::notification_names
