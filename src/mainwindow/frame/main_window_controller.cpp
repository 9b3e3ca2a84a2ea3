#include "mainwindow/frame/main_window_controller.h"

#include "model/notification_names.h"
#include "platform/guarded.h"

#include <QPointer>

#include <array>

namespace tessly {

namespace {

// The window the open action creates joins the window list a little later; it is looked for at these times.
constexpr std::array<double, 5> kRevealAttemptDelays{0.0, 0.04, 0.1, 0.18, 0.28};

} // namespace

MainWindowController::MainWindowController(Application& application, MainQueue& queue,
                                           NotificationCenter& localNotifications,
                                           const AppSettings& settings, QObject* parent)
    : QObject(parent), m_application(application), m_queue(queue), m_notifications(localNotifications),
      m_settings(settings) {}

MainWindowController::~MainWindowController() {
    stopObservingDeminiaturize();
}

bool MainWindowController::exists(const Window* window) const {
    return window && m_application.windows().contains(const_cast<Window*>(window));
}

Window* MainWindowController::findMainWindow() {
    if (exists(m_registeredMainWindow) && !m_registeredMainWindow->isPanel()) {
        return m_registeredMainWindow;
    }
    const QList<Window*> windows = m_application.windows();
    Window* found = nullptr;
    for (Window* window : windows) {
        if (!window->isPanel() && window->identifier() == QLatin1String(kMainWindowIdentifier)) {
            found = window;
            break;
        }
    }
    if (!found) {
        for (Window* window : windows) {
            if (!window->isPanel() && window->title() == QLatin1String("Tessly")) {
                found = window;
                break;
            }
        }
    }
    if (found) {
        m_registeredMainWindow = found;
    }
    return found;
}

void MainWindowController::registerMainWindow(Window* window) {
    m_registeredMainWindow = window;
}

void MainWindowController::bringToFront(Window& window) {
    m_application.activate();
    m_application.unhide();
    if (window.isMiniaturized()) {
        window.deminiaturize();
    }
    window.makeKeyAndOrderFront();
}

void MainWindowController::revealMainWindow(NavigationPage destination) {
    m_pendingDestination = destination;
    m_application.setActivationPolicy(m_settings.showMenuBar() ? ActivationPolicy::accessory
                                                               : ActivationPolicy::regular);
    if (Window* window = findMainWindow()) {
        if (window->isMiniaturized()) {
            revealMiniaturized(*window);
            return;
        }
        bringToFront(*window);
        requestNavigation();
        return;
    }
    if (!m_openWindowAction) {
        m_needsWindowCreationOnRegistration = true;
        return;
    }
    if (Window* window = findMainWindow()) {
        bringToFront(*window);
        return;
    }
    m_openWindowAction();
    scheduleRevealAttempts();
}

void MainWindowController::revealMiniaturized(Window& window) {
    stopObservingDeminiaturize();
    m_deminiaturizeObserved = &window;
    QPointer<MainWindowController> self(this);
    window.setDeminiaturizeHandler([self, target = &window] {
        // The window may be gone by now: it is looked up among the living ones first.
        if (!self || !self->exists(target)) {
            return;
        }
        // Removing the observation drops this closure: what it needs afterwards is held outside it.
        const QPointer<MainWindowController> controller = self;
        Window* const window = target;
        controller->stopObservingDeminiaturize();
        controller->bringToFront(*window);
        controller->requestNavigation();
    });
    m_application.unhide();
    window.deminiaturize();
}

void MainWindowController::stopObservingDeminiaturize() {
    if (m_deminiaturizeObserved && exists(m_deminiaturizeObserved)) {
        m_deminiaturizeObserved->setDeminiaturizeHandler({});
    }
    m_deminiaturizeObserved = nullptr;
}

void MainWindowController::requestNavigation() {
    m_queue.async(
        guarded(this, [this] { m_notifications.post(notification_names::kMainWindowNavigationRequested); }));
}

void MainWindowController::scheduleRevealAttempts() {
    const unsigned token = ++m_revealRequestToken;
    for (const double delay : kRevealAttemptDelays) {
        m_queue.asyncAfter(delay, guarded(this, [this, token] {
                               if (m_revealRequestToken != token) {
                                   return;
                               }
                               if (Window* window = findMainWindow()) {
                                   bringToFront(*window);
                                   ++m_revealRequestToken;
                               }
                           }));
    }
}

void MainWindowController::registerOpenWindowAction(std::function<void()> openWindow) {
    m_openWindowAction = std::move(openWindow);
    if (!m_needsWindowCreationOnRegistration) {
        return;
    }
    m_needsWindowCreationOnRegistration = false;
    if (Window* window = findMainWindow()) {
        bringToFront(*window);
        return;
    }
    m_openWindowAction();
    scheduleRevealAttempts();
}

std::optional<NavigationPage> MainWindowController::takePendingDestination() {
    return std::exchange(m_pendingDestination, std::nullopt);
}

} // namespace tessly
