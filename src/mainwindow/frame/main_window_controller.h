// Brings the main window forward at a chosen page, whatever state it is in: open, hidden, minimised, closed
// (not existing), or not yet creatable because nobody has handed over the action that opens it.
//
//     MainWindowController controller(application, queue, localNotifications, settings);
//     controller.registerOpenWindowAction([&] { makeAndShowMainWindow(); });   // when the window's scene
//     exists controller.revealMainWindow(NavigationPage::general);                    // "Settings…" from any
//     menu
//
// The main window takes `takePendingDestination()` when it is first shown and whenever the local notification
// "mainWindowNavigationRequested" is posted. A window the open action creates is looked for at 0, 0.04, 0.1,
// 0.18 and 0.28 s, as it may join the application's window list a little later; only the latest batch of such
// attempts acts. A reveal with neither a window nor an action is remembered and carried out at the next
// registration.
//
// Main thread only. Delayed work holds the controller weakly.
#pragma once

#include "mainwindow/frame/navigation_page.h"
#include "platform/gui/application.h"
#include "platform/main_queue.h"
#include "platform/notification_center.h"
#include "settings/app_settings.h"

#include <QObject>

#include <functional>
#include <optional>

namespace tessly {

/// The identifier the main window carries; failing that it is known by its title, "Tessly".
inline constexpr char kMainWindowIdentifier[] = "TesslyMainWindow";

class MainWindowController final : public QObject {
    Q_OBJECT

public:
    MainWindowController(Application& application, MainQueue& queue, NotificationCenter& localNotifications,
                         const AppSettings& settings, QObject* parent = nullptr);
    ~MainWindowController() override;

    /// The main window in front, the application active, and `destination` the page to show.
    void revealMainWindow(NavigationPage destination);
    /// The main window: the registered one while it exists, else the first non-panel window with the main
    /// window's identifier, else the first with its title.
    [[nodiscard]] Window* findMainWindow();
    /// The main window tells the controller which window hosts it.
    void registerMainWindow(Window* window);
    /// Hands over what opens the main window; carries out a reveal that found neither window nor action.
    void registerOpenWindowAction(std::function<void()> openWindow);

    /// The page the main window should show next, once; nothing when none is asked for.
    [[nodiscard]] std::optional<NavigationPage> takePendingDestination();
    [[nodiscard]] std::optional<NavigationPage> pendingDestination() const { return m_pendingDestination; }
    [[nodiscard]] bool needsWindowCreationOnRegistration() const {
        return m_needsWindowCreationOnRegistration;
    }

private:
    void bringToFront(Window& window);
    void revealMiniaturized(Window& window);
    void requestNavigation();
    void scheduleRevealAttempts();
    void stopObservingDeminiaturize();
    [[nodiscard]] bool exists(const Window* window) const;

    Application& m_application;
    MainQueue& m_queue;
    NotificationCenter& m_notifications;
    const AppSettings& m_settings;

    std::function<void()> m_openWindowAction;
    std::optional<NavigationPage> m_pendingDestination;
    bool m_needsWindowCreationOnRegistration = false;
    Window* m_registeredMainWindow = nullptr;
    unsigned m_revealRequestToken = 0;
    /// The window whose return from the Dock is awaited.
    Window* m_deminiaturizeObserved = nullptr;
};

} // namespace tessly
