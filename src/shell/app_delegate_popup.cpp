// The helper's popup panel: opening and closing it, where it goes, pinning, the outside click and the other
// helpers' broadcasts.
#include "shell/app_delegate.h"

#include "helpers/helper_manager.h"
#include "model/folder_store.h"
#include "model/notification_names.h"
#include "platform/clock.h"
#include "platform/guarded.h"
#include "settings/app_settings.h"

namespace tessly {

namespace {

// The click that closed a popup (outside it, or on its tile) must not bring it back: a show this soon after a
// close is ignored.
constexpr double kReopenDebounceSeconds = 0.15;
// The panel is made once, at this size, and then sized to its content.
constexpr QSizeF kInitialPanelSize(260, 300);
// 5 s: in a launcher dock a helper is needed only while its popup shows. Quitting at once would make the
// common second look (closed by mistake, opened again) a cold start; lingering longer only holds memory,
// since a cold start to the painted popup takes a small fraction of a second.
constexpr double kLauncherHelperIdleSeconds = 5.0;
// 0.7 s: a dock may animate the launcher it just started (Plank bounces it for 0.6 s), so the place it gave
// at the click is looked at once more when that is over, and the popup follows the launcher back to rest.
constexpr double kLauncherSettleSeconds = 0.7;
// 2 s: after a helper's start, and after its popup closes, the memory only a shown popup needs (its view,
// which every show makes anew) and what the start-up or the popup allocated and freed goes back to the
// system. Not at once: a popup closed by mistake is often opened again at once, and the start-up's last
// steps (the bundle icon's write, the Dock's size) come within a second.
constexpr double kIdleMemoryReleaseSeconds = 2.0;
constexpr double kViewDeletionSeconds = 0.1;

std::optional<DockEdge> dockEdgeOf(ScreenEdge edge) {
    switch (edge) {
    case ScreenEdge::bottom:
        return DockEdge::bottom;
    case ScreenEdge::left:
        return DockEdge::left;
    case ScreenEdge::right:
        return DockEdge::right;
    case ScreenEdge::top:
        break;
    }
    // The popup has no arrow on its top side: beside a top dock it opens from the pointer as elsewhere.
    return std::nullopt;
}

} // namespace

void AppDelegate::showPopup(const AppFolder& folder) {
    m_pendingInitialHelperPopupFolderID.reset();
    if (m_popupPanel && m_popupPanel->isVisible()) {
        closePopup();
        return;
    }
    const Date now = m_env.clock.now();
    if (now.timeIntervalSince1970() - m_lastPopupCloseTime.timeIntervalSince1970() <=
        kReopenDebounceSeconds) {
        return;
    }
    m_env.distributedNotifications.post(notification_names::kTSCloseNonPinnedPopups,
                                        m_parts.helpers.helperGroupIdentifier());
    if (!m_popupPanel) {
        m_popupPanel = m_env.application.makePanel(kInitialPanelSize);
    }
    m_idleQuit.stop();
    m_idleMemoryRelease.stop();
    m_isPopupPinned = false;
    m_absoluteArrowLocation = m_env.pointer.mouseLocation();
    m_anchoredDockEdge.reset();
    if (const std::optional<LauncherPosition> launcher = ownLauncherPosition(folder)) {
        if (const std::optional<DockEdge> anchored = dockEdgeOf(launcher->edge)) {
            m_absoluteArrowLocation = launcher->point;
            m_anchoredDockEdge = anchored;
        }
    }
    m_popupPanel->setLevel(WindowLevel::floating);

    DockEdge edge = DockEdge::bottom;
    if (m_anchoredDockEdge && m_parts.settings.popupPosition() == PopupPosition::aboveDock) {
        edge = *m_anchoredDockEdge;
    } else if (m_parts.settings.popupPosition() == PopupPosition::aboveDock) {
        const QList<ScreenGeometry> screens = m_env.screens.screens();
        const std::optional<qsizetype> main = m_env.screens.mainScreenIndex();
        const ScreenGeometry screen = main && *main < screens.size() ? screens.at(*main)
                                      : screens.isEmpty()            ? ScreenGeometry{}
                                                                     : screens.first();
        edge = detectDockEdge(screen);
    }
    PopupViewRequest request{folder, edge, guarded(this, [this] { closePopup(); }),
                             guarded(this, [this](bool pinned) { setPopupPinned(pinned); }), std::nullopt};
    // Read once for the room and the frame: a read of the Dock's values opens and parses its preferences.
    const PopupPlacementInput where = placementInput(QSizeF(), dockValues());
    request.maximumHeight = popupMaximumHeight(where, m_dockMemory);
    std::unique_ptr<QWidget> view = m_popupViewFactory ? m_popupViewFactory(request) : nullptr;
    m_popupView = view.get();
    m_popupPanel->setContent(std::move(view));
    m_popupPanel->setAppearance(popupAppearance());
    updatePopupFrame(where);
    m_popupPanel->orderFrontRegardless();
    installOutsideClickMonitor();
    if (m_anchoredDockEdge) {
        m_launcherSettleCheck.start(kLauncherSettleSeconds, [this, folder] { followLauncher(folder); });
    }
}

void AppDelegate::followLauncher(const AppFolder& folder) {
    if (!m_popupPanel || !m_popupPanel->isVisible() || !m_anchoredDockEdge) {
        return;
    }
    const std::optional<LauncherPosition> launcher = ownLauncherPosition(folder);
    if (!launcher || dockEdgeOf(launcher->edge) != m_anchoredDockEdge ||
        launcher->point == m_absoluteArrowLocation) {
        return;
    }
    m_absoluteArrowLocation = launcher->point;
    updatePopupFrame();
}

void AppDelegate::closePopup() {
    m_launcherSettleCheck.stop();
    removeOutsideClickMonitor();
    m_closingPressIsHeld = false;
    if (m_popupPanel) {
        m_popupPanel->orderOut();
    }
    m_isPopupPinned = false;
    m_shouldIgnoreNextHelperReopen = false;
    m_lastPopupCloseTime = m_env.clock.now();
    scheduleIdleQuitIfUnneeded();
    scheduleIdleMemoryRelease();
}

void AppDelegate::scheduleIdleMemoryRelease() {
    if (m_parts.helpers.isHelperProcess()) {
        m_idleMemoryRelease.start(kIdleMemoryReleaseSeconds, [this] { releaseIdleMemory(); });
    }
}

void AppDelegate::releaseIdleMemory() {
    if (m_popupPanel && m_popupPanel->isVisible()) {
        return;
    }
    if (m_popupPanel && m_popupPanel->content()) {
        m_popupView = nullptr;
        m_popupPanel->setContent(nullptr);
        // The view is deleted once this event is over: what it held is free a moment later.
        m_idleMemoryRelease.start(kViewDeletionSeconds, [this] { releaseIdleMemory(); });
        return;
    }
    if (m_env.releaseFreeMemory) {
        m_env.releaseFreeMemory();
    }
}

void AppDelegate::scheduleIdleQuitIfUnneeded() {
    if (!m_env.docks || !m_env.docks->launcherDock() || !m_parts.helpers.isHelperProcess() ||
        (m_popupPanel && m_popupPanel->isVisible())) {
        return;
    }
    m_idleQuit.start(kLauncherHelperIdleSeconds, [this] {
        // The popup may have opened meanwhile without this work being stopped: a pinned or open popup stays.
        if (m_popupPanel && m_popupPanel->isVisible()) {
            return;
        }
        m_env.application.terminate();
    });
}

std::optional<LauncherPosition> AppDelegate::ownLauncherPosition(const AppFolder& folder) const {
    LauncherDock* dock = m_env.docks ? m_env.docks->launcherDock() : nullptr;
    const std::optional<QString> entry = dock ? m_parts.helpers.launcherEntryPath(folder.id) : std::nullopt;
    if (!entry) {
        return std::nullopt;
    }
    return dock->launcherPosition(*entry);
}

void AppDelegate::setPopupPinned(bool pinned) {
    m_isPopupPinned = pinned;
    if (m_popupPanel) {
        // Pinned, the popup stays above the ordinary floating windows.
        m_popupPanel->setLevel(pinned ? WindowLevel::status : WindowLevel::floating);
    }
    removeOutsideClickMonitor();
    if (!pinned) {
        installOutsideClickMonitor();
    }
}

void AppDelegate::handleOutsideClick() {
    if (m_closingPressIsHeld && (!m_popupPanel || !m_popupPanel->isVisible())) {
        // Another press after the one that closed the popup: the next reopen is a click of its own.
        m_closingPressIsHeld = false;
        removeOutsideClickMonitor();
        return;
    }
    if (!m_popupPanel || !m_popupPanel->isVisible() || m_isPopupPinned) {
        return;
    }
    // The monitor sees presses anywhere, in the popup too: only one outside its frame closes it.
    if (m_popupPanel->frame().contains(m_env.pointer.mouseLocation())) {
        return;
    }
    m_env.queue.async(guarded(this, [this] {
        closePopup();
        // The press may be on this popup's own tile, and the Dock sends the reopen when it is released,
        // however long that takes: that reopen belongs to the press that closed the popup. The monitor stays
        // to tell it from a later click.
        m_closingPressIsHeld = true;
        installOutsideClickMonitor();
    }));
}

void AppDelegate::handleClosePopupsNotification(const DistributedNotification& notification) {
    const std::optional<QString> own = m_parts.helpers.helperGroupIdentifier();
    const std::optional<QString>& sender = notification.object;
    if (sender && own && *sender == *own) {
        return; // this helper's own broadcast
    }
    if (!sender && !own) {
        return;
    }
    if (m_popupPanel && m_popupPanel->isVisible() && !m_isPopupPinned) {
        closePopup();
    }
}

void AppDelegate::updatePopupFrame() {
    if (m_popupPanel && m_popupView && m_popupPanel->content() == m_popupView) {
        updatePopupFrame(placementInput(QSizeF(), dockValues()));
    }
}

void AppDelegate::updatePopupFrame(PopupPlacementInput where) {
    if (!m_popupPanel || !m_popupView || m_popupPanel->content() != m_popupView) {
        return;
    }
    where.popupSize = m_popupPanel->fittingSize();
    const bool visible = m_popupPanel->isVisible();
    const PopupFrame frame = popupFrame(
        where, visible ? std::optional<QRectF>(m_popupPanel->frame()) : std::nullopt, m_dockMemory);
    m_popupPanel->setFrame(frame.frame, frame.animated);
    publishArrowOffset(frame.arrowOffset);
}

DockEdge AppDelegate::detectDockEdge(const ScreenGeometry& screen) {
    return tessly::detectDockEdge(screen, m_dockMemory);
}

QPointF AppDelegate::popupOrigin(double width, double height) {
    const PopupPlacement placement =
        tessly::popupOrigin(placementInput(QSizeF(width, height), dockValues()), m_dockMemory);
    publishArrowOffset(placement.arrowOffset);
    return placement.origin;
}

DockValues AppDelegate::dockValues() const {
    return DockValues{m_parts.helpers.dockTileSize(), m_parts.helpers.dockLargeSize(),
                      m_parts.helpers.dockMagnification()};
}

PopupPlacementInput AppDelegate::placementInput(const QSizeF& size, const DockValues& dock) const {
    return PopupPlacementInput{m_env.screens.screens(),
                               m_env.screens.mainScreenIndex(),
                               m_absoluteArrowLocation,
                               size,
                               m_parts.settings.popupPosition(),
                               dock,
                               m_anchoredDockEdge};
}

void AppDelegate::publishArrowOffset(std::optional<double> offset) {
    if (!offset) {
        return;
    }
    // On the main queue, after the frame is set: the view redraws its arrow from the setting.
    m_env.queue.async([settings = QPointer<AppSettings>(&m_parts.settings), value = *offset] {
        if (settings) {
            settings->setPopupArrowOffset(value);
        }
    });
}

void AppDelegate::installOutsideClickMonitor() {
    removeOutsideClickMonitor();
    m_outsideClickMonitor =
        m_env.pointer.addGlobalMouseDownMonitor(guarded(this, [this] { handleOutsideClick(); }));
}

void AppDelegate::removeOutsideClickMonitor() {
    if (m_outsideClickMonitor) {
        m_env.pointer.removeMonitor(*m_outsideClickMonitor);
        m_outsideClickMonitor.reset();
    }
}

} // namespace tessly
