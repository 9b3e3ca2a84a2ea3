// Reopen and the notification handlers of both roles: tile and settings refreshes, badges, theme.
#include "shell/app_delegate.h"

#include "helpers/helper_manager.h"
#include "model/folder_store.h"
#include "model/notification_names.h"
#include "model/uuid_text.h"
#include "platform/gui/system_style.h"
#include "settings/app_settings.h"
#include "tile/dock_tile_manager.h"

namespace tessly {

namespace {

constexpr double kBadgeSeconds = 2.0;

} // namespace

bool AppDelegate::applicationShouldHandleReopen(bool /*hasVisibleWindows*/) {
    const std::optional<AppFolder> folder = helperFolder();
    if (!folder) {
        openMainWindow();
        return false;
    }
    if (m_shouldIgnoreNextHelperReopen && m_popupPanel && m_popupPanel->isVisible()) {
        // The reopen that belongs to the launch which already opened the popup.
        m_shouldIgnoreNextHelperReopen = false;
        return false;
    }
    if (m_closingPressIsHeld) {
        // The release of the press on this tile that closed the popup: a click on an open popup's tile
        // closes it, however slow.
        m_closingPressIsHeld = false;
        removeOutsideClickMonitor();
        return false;
    }
    m_hasHandledInitialReopen = true;
    m_pendingInitialHelperPopupFolderID.reset();
    // showPopup closes an open popup: a click on the tile of an open popup closes it.
    showPopup(*folder);
    return false;
}

void AppDelegate::scheduleDockTileUpdate() {
    m_pendingDockTileUpdate.startUnlessPending(0.0, [this] { updateDockTile(); });
}

void AppDelegate::schedulePopupSettingsRefresh() {
    m_pendingPopupSettingsRefresh.startUnlessPending(0.0, [this] { refreshPopupSettings(); });
}

void AppDelegate::scheduleThemeRefresh() {
    m_pendingThemeRefresh.startUnlessPending(0.0, [this] { refreshTheme(); });
}

void AppDelegate::updateDockTile() {
    m_parts.settings.reloadFromDefaults();
    m_parts.store.load();
    if (m_parts.helpers.isHelperProcess()) {
        m_parts.tile.refreshTile();
    }
}

void AppDelegate::refreshPopupSettings() {
    m_parts.settings.reloadFromDefaults();
    if (m_popupPanel && m_popupPanel->isVisible()) {
        updatePopupFrame();
    }
}

void AppDelegate::refreshTheme() {
    m_parts.settings.reloadFromDefaults();
    if (m_popupPanel) {
        m_popupPanel->setAppearance(popupAppearance());
    }
}

WindowAppearance AppDelegate::popupAppearance() const {
    return m_parts.settings.appTheme() == AppThemeMode::light ? WindowAppearance::light
                                                              : WindowAppearance::dark;
}

namespace {

// The "id" of a badge notification, when it names this helper.
bool namesThisHelper(const DistributedNotification& notification, const std::optional<QString>& own) {
    const PlistValue* id = notification.userInfo.find(notification_names::kKeyId);
    return id && id->asString() && own && *id->asString() == *own;
}

} // namespace

void AppDelegate::offBadge(const DistributedNotification& notification) {
    if (!m_parts.helpers.isHelperProcess() ||
        !namesThisHelper(notification, m_parts.helpers.helperGroupIdentifier())) {
        return;
    }
    if (notification.userInfo.contains(notification_names::kKeyHide)) {
        // The folder came back into the Dock before its helper retired: the tile ends its "OFF" state.
        m_parts.tile.refreshTile();
        return;
    }
    m_parts.tile.showBadge(QStringLiteral("OFF"), systemColor(SystemColor::red), kBadgeSeconds);
}

void AppDelegate::deleteBadge(const DistributedNotification& notification) {
    if (!m_parts.helpers.isHelperProcess() ||
        !namesThisHelper(notification, m_parts.helpers.helperGroupIdentifier())) {
        return;
    }
    m_parts.tile.showBadge(QStringLiteral("DELETE"), systemColor(SystemColor::red), kBadgeSeconds);
}

} // namespace tessly
