#include "platform/linux/application_linux.h"

#include "platform/linux/panel_linux.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QEvent>
#include <QFileInfo>
#include <QMetaType>
#include <QWidget>
#include <QWindowStateChangeEvent>

#include <algorithm>
#include <cstdlib>

namespace tessly {

namespace {

QString busPath() {
    return QString::fromLatin1(kApplicationPath);
}
QString busInterface() {
    return QString::fromLatin1(kApplicationInterface);
}

/// A top-level widget that the program made, as opposed to Qt's menus, tool tips and other pop-ups.
bool isProgramWindow(const QWidget* widget) {
    if (!widget || !widget->isWindow()) {
        return false;
    }
    switch (widget->windowType()) {
    case Qt::Window:
    case Qt::Dialog:
    case Qt::Sheet:
    case Qt::Drawer:
    case Qt::Tool:
        return true;
    default:
        return false;
    }
}

qint64 orderedFrontAt(const QWidget* widget) {
    return widget->property(kOrderedFrontProperty).toLongLong();
}

} // namespace

void setWindowIdentifier(QWidget& widget, const QString& identifier) {
    widget.setProperty(kWindowIdentifierProperty, identifier);
}

void ensureXcbOnWayland() {
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        return;
    }
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
}

// An ordinary top-level widget as a Window.
class LinuxApplication::WidgetWindow final : public Window {
public:
    explicit WidgetWindow(QWidget& widget) : m_widget(widget) {}

    [[nodiscard]] QString identifier() const override {
        return m_widget.property(kWindowIdentifierProperty).toString();
    }
    [[nodiscard]] bool isPanel() const override { return false; }
    [[nodiscard]] bool isVisible() const override { return m_widget.isVisible(); }
    void orderFrontRegardless() override {
        // Shown and raised, not activated: the window in front need not take the keyboard.
        m_widget.show();
        m_widget.raise();
        markOrderedFront(m_widget);
    }
    void orderOut() override { m_widget.hide(); }
    [[nodiscard]] QString title() const override { return m_widget.windowTitle(); }
    void makeKeyAndOrderFront() override {
        if (m_widget.isMinimized()) {
            m_widget.setWindowState(m_widget.windowState() & ~Qt::WindowMinimized);
        }
        m_widget.show();
        m_widget.raise();
        m_widget.activateWindow();
        markOrderedFront(m_widget);
    }
    [[nodiscard]] bool isMiniaturized() const override { return m_widget.isMinimized(); }
    void miniaturize() override { m_widget.showMinimized(); }
    void deminiaturize() override {
        m_widget.setWindowState(m_widget.windowState() & ~Qt::WindowMinimized);
        m_widget.show();
    }
    void setDeminiaturizeHandler(std::function<void()> handler) override {
        m_deminiaturized = std::move(handler);
    }

    /// The window's state changed from `oldState`.
    void stateChanged(Qt::WindowStates oldState) const {
        if ((oldState & Qt::WindowMinimized) && !m_widget.isMinimized() && m_deminiaturized) {
            // A copy: the handler may replace or remove itself.
            const std::function<void()> handler = m_deminiaturized;
            handler();
        }
    }

private:
    // The Window is erased when the widget is destroyed, so the reference never dangles.
    QWidget& m_widget;
    std::function<void()> m_deminiaturized;
};

// Hears the bus, the application's state and the showing and activation of its windows, on the main thread.
class LinuxApplication::Listener final : public QObject {
    Q_OBJECT

public:
    explicit Listener(LinuxApplication& application) : m_application(application) {
        connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive && m_application.m_didBecomeActiveHandler) {
                m_application.m_didBecomeActiveHandler();
            }
        });
        qApp->installEventFilter(this);
    }

public slots:
    void handleReopen(const QDBusMessage& message) {
        const QList<QVariant> arguments = message.arguments();
        if (arguments.size() != 1 || arguments.at(0).metaType() != QMetaType::fromType<QString>()) {
            return;
        }
        m_application.handleReopenRequest(arguments.at(0).toString());
    }
    void handlePresenceRequest() { m_application.handlePresenceRequest(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Every event of the process passes here: the type is tested before anything else.
        if (event->type() == QEvent::Show || event->type() == QEvent::WindowActivate) {
            if (auto* widget = qobject_cast<QWidget*>(watched); widget && widget->isWindow()) {
                markOrderedFront(*widget);
            }
        } else if (event->type() == QEvent::WindowStateChange) {
            if (auto* widget = qobject_cast<QWidget*>(watched); widget && widget->isWindow()) {
                const auto found = m_application.m_windows.find(widget);
                if (found != m_application.m_windows.end()) {
                    found->second->stateChanged(static_cast<QWindowStateChangeEvent*>(event)->oldState());
                }
            }
        }
        return false;
    }

private:
    LinuxApplication& m_application;
};

LinuxApplication::LinuxApplication(std::optional<QString> bundlePath)
    : m_listener(std::make_unique<Listener>(*this)) {
    if (bundlePath) {
        const QString resolved = QFileInfo(*bundlePath).canonicalFilePath();
        m_bundlePath = resolved.isEmpty() ? *bundlePath : resolved;
    }
    QApplication::setQuitOnLastWindowClosed(false);

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    bool listening = bus.connect(QString(), busPath(), busInterface(),
                                 QString::fromLatin1(kApplicationPresenceRequestedMember), m_listener.get(),
                                 SLOT(handlePresenceRequest()));
    if (m_bundlePath) {
        listening =
            bus.connect(QString(), busPath(), busInterface(), QString::fromLatin1(kApplicationReopenMember),
                        m_listener.get(), SLOT(handleReopen(QDBusMessage))) ||
            listening;
    }
    if (listening) {
        // Waits for the bus to have the match rules, so a request sent right after start-up is heard.
        (void)bus.interface()->isServiceRegistered(bus.baseService());
    }
}

LinuxApplication::~LinuxApplication() {
    if (m_policy == ActivationPolicy::regular) {
        announcePresence(false);
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        bus.disconnect(QString(), busPath(), busInterface(),
                       QString::fromLatin1(kApplicationPresenceRequestedMember), m_listener.get(),
                       SLOT(handlePresenceRequest()));
        bus.disconnect(QString(), busPath(), busInterface(), QString::fromLatin1(kApplicationReopenMember),
                       m_listener.get(), SLOT(handleReopen(QDBusMessage)));
    }
}

void LinuxApplication::setActivationPolicy(ActivationPolicy policy) {
    if (policy == m_policy) {
        return;
    }
    m_policy = policy;
    announcePresence(policy == ActivationPolicy::regular);
}

void LinuxApplication::announcePresence(bool present) const {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    QDBusMessage signal = QDBusMessage::createSignal(busPath(), busInterface(),
                                                     QString::fromLatin1(kApplicationPresenceChangedMember));
    signal << m_bundlePath.value_or(QString()) << QCoreApplication::applicationPid() << present;
    bus.send(signal);
}

void LinuxApplication::handlePresenceRequest() const {
    if (m_policy == ActivationPolicy::regular) {
        announcePresence(true);
    }
}

void LinuxApplication::handleReopenRequest(const QString& bundlePath) const {
    if (m_bundlePath && bundlePath == *m_bundlePath && m_reopenHandler) {
        m_reopenHandler();
    }
}

Window* LinuxApplication::windowOf(QWidget* widget) const {
    if (!isProgramWindow(widget)) {
        return nullptr;
    }
    if (LinuxPanel* panel = linuxPanelOf(widget)) {
        return panel;
    }
    const auto found = m_windows.find(widget);
    if (found != m_windows.end()) {
        return found->second.get();
    }
    auto window = std::make_unique<WidgetWindow>(*widget);
    Window* result = window.get();
    m_windows.emplace(widget, std::move(window));
    QObject::connect(widget, &QObject::destroyed, m_listener.get(),
                     [this, widget] { m_windows.erase(widget); });
    return result;
}

QList<Window*> LinuxApplication::windows() const {
    QList<QWidget*> widgets;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (isProgramWindow(widget)) {
            widgets.append(widget);
        }
    }
    std::stable_sort(widgets.begin(), widgets.end(), [](const QWidget* a, const QWidget* b) {
        if (a->isVisible() != b->isVisible()) {
            return a->isVisible();
        }
        return a->isVisible() && orderedFrontAt(a) > orderedFrontAt(b);
    });
    QList<Window*> result;
    for (QWidget* widget : widgets) {
        result.append(windowOf(widget));
    }
    return result;
}

void LinuxApplication::activate() {
    // The desktop brings an application forward by its window: the one in front takes the focus.
    for (Window* window : windows()) {
        if (window->isVisible() && !window->isPanel() && !window->isMiniaturized()) {
            window->makeKeyAndOrderFront();
            return;
        }
    }
}

void LinuxApplication::unhide() {
    // Linux desktops do not hide an application as a whole: a window is hidden by itself (orderOut) and stays
    // so until it is shown again, as after an unhide on the platform this stands in for.
}

Window* LinuxApplication::keyWindow() const {
    return windowOf(QApplication::activeWindow());
}

std::unique_ptr<Panel> LinuxApplication::makePanel(const QSizeF& size) {
    return std::make_unique<LinuxPanel>(size);
}

void LinuxApplication::terminate() {
    // Queued: quit() does nothing before the loop runs, and a quit asked for from start-up must still happen.
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

} // namespace tessly

#include "application_linux.moc"
