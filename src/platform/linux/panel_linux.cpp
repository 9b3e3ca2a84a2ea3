#include "platform/linux/panel_linux.h"

#include "platform/linux/screens_linux.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPropertyAnimation>
#include <QSocketNotifier>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <functional>

namespace tessly {

namespace {

Qt::WindowFlags panelFlags(WindowLevel level) {
    Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus;
    if (level != WindowLevel::normal) {
        flags |= Qt::WindowStaysOnTopHint;
    }
    return flags;
}

} // namespace

// The panel's window: knows its panel, and moves when its background is dragged.
class LinuxPanel::PanelWidget final : public QWidget {
    Q_OBJECT

public:
    explicit PanelWidget(LinuxPanel& panel)
        : QWidget(nullptr, panelFlags(WindowLevel::floating)), panel(panel) {
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_TranslucentBackground);
        // Closing a panel is hiding it; it never ends the application.
        setAttribute(Qt::WA_QuitOnClose, false);
        setFocusPolicy(Qt::NoFocus);
    }

    LinuxPanel& panel;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        // Only presses that no child took reach the window: its background.
        if (event->button() == Qt::LeftButton && windowHandle() && windowHandle()->startSystemMove()) {
            event->accept();
            return;
        }
        QWidget::mousePressEvent(event);
    }
};

// Tells when a top-level window is mapped on the X display, through a connection of its own that listens to
// the root windows' structure (the events any client may select there besides the window manager). Windows
// that bypass the window manager (menus, tooltips) are left out: a pinned panel does not cover them.
class LinuxPanel::WindowMapWatch {
public:
    /// Nothing when the platform is not X11 or the display cannot be reached.
    static std::unique_ptr<WindowMapWatch> start(std::function<void()> onMap) {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            return nullptr;
        }
        xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection)) {
            xcb_disconnect(connection);
            return nullptr;
        }
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        for (auto roots = xcb_setup_roots_iterator(xcb_get_setup(connection)); roots.rem != 0;
             xcb_screen_next(&roots)) {
            xcb_change_window_attributes(connection, roots.data->root, XCB_CW_EVENT_MASK, &mask);
        }
        xcb_flush(connection);
        return std::unique_ptr<WindowMapWatch>(new WindowMapWatch(connection, std::move(onMap)));
    }
    ~WindowMapWatch() {
        m_notifier.reset();
        xcb_disconnect(m_connection);
    }
    WindowMapWatch(const WindowMapWatch&) = delete;
    WindowMapWatch& operator=(const WindowMapWatch&) = delete;

private:
    WindowMapWatch(xcb_connection_t* connection, std::function<void()> onMap)
        : m_connection(connection), m_onMap(std::move(onMap)),
          m_notifier(
              std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(connection), QSocketNotifier::Read)) {
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                         [this] { readEvents(); });
    }

    void readEvents() {
        bool mapped = false;
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
            if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                const auto* map = reinterpret_cast<const xcb_map_notify_event_t*>(event);
                mapped = mapped || !map->override_redirect;
            }
            std::free(event);
        }
        if (xcb_connection_has_error(m_connection)) {
            m_notifier->setEnabled(false); // the display went away: nothing more will come
        }
        // One raise however many windows a burst mapped.
        if (mapped) {
            m_onMap();
        }
    }

    xcb_connection_t* m_connection;
    std::function<void()> m_onMap;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

LinuxPanel::LinuxPanel(const QSizeF& size) : m_widget(std::make_unique<PanelWidget>(*this)) {
    m_layout = new QVBoxLayout(m_widget.get());
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    // The frame is what setFrame() says, whatever the content's minimum size.
    m_layout->setSizeConstraint(QLayout::SetNoConstraint);
    m_animation = new QPropertyAnimation(m_widget.get(), "geometry", m_widget.get());
    m_animation->setDuration(kPanelFrameAnimationMs);
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    m_widget->setProperty(kAppearanceProperty, QString::fromLatin1(m_appearance));
    setFrame(QRectF(QPointF(0, 0), size), false);
}

LinuxPanel::~LinuxPanel() {
    m_mapWatch.reset(); // before the window its handler raises
}

QWidget* LinuxPanel::widget() const {
    return m_widget.get();
}

QString LinuxPanel::identifier() const {
    return {};
}

bool LinuxPanel::isVisible() const {
    return m_widget->isVisible();
}

void LinuxPanel::orderFrontRegardless() {
    // A window the window manager maps goes on top of its layer; raising it again as well would race the
    // raise a pinned panel sends when it sees the map.
    if (m_widget->isVisible()) {
        m_widget->raise();
    } else {
        m_widget->show();
    }
    markOrderedFront(*m_widget);
    updateMapWatch();
}

void LinuxPanel::orderOut() {
    if (m_animation->state() == QAbstractAnimation::Running) {
        // Hidden where it was going, so that it shows there next time.
        m_animation->stop();
        m_widget->setGeometry(m_animation->endValue().toRect());
    }
    m_widget->hide();
    updateMapWatch();
}

void LinuxPanel::setContent(std::unique_ptr<QWidget> view) {
    if (m_content) {
        m_layout->removeWidget(m_content);
        m_content->hide();
        m_content->setParent(nullptr);
        m_content->deleteLater();
    }
    m_content = view.release();
    if (!m_content) {
        return;
    }
    m_content->setProperty(kAppearanceProperty, QString::fromLatin1(m_appearance));
    m_layout->addWidget(m_content);
}

QSizeF LinuxPanel::fittingSize() const {
    if (!m_content) {
        return frame().size();
    }
    if (QLayout* layout = m_content->layout()) {
        layout->activate();
    }
    QSize size = m_content->sizeHint();
    if (!size.isValid()) {
        size = m_content->size();
    }
    return QSizeF(size.expandedTo(m_content->minimumSize()).boundedTo(m_content->maximumSize()));
}

QRectF LinuxPanel::frame() const {
    const QRect geometry = m_animation->state() == QAbstractAnimation::Running
                               ? m_animation->endValue().toRect()
                               : m_widget->geometry();
    return toYUp(QRectF(geometry));
}

void LinuxPanel::setFrame(const QRectF& frame, bool animate) {
    const QRect target = toQtGlobal(frame).toRect();
    m_animation->stop();
    if (animate && m_widget->isVisible()) {
        m_animation->setStartValue(m_widget->geometry());
        m_animation->setEndValue(target);
        m_animation->start();
        return;
    }
    m_widget->setGeometry(target);
}

void LinuxPanel::setLevel(WindowLevel level) {
    m_level = level;
    applyLevel();
}

void LinuxPanel::applyLevel() {
    const Qt::WindowFlags flags = panelFlags(m_level);
    if (m_widget->windowFlags() != flags) {
        if (QWindow* window = m_widget->windowHandle()) {
            // On the live window: QWidget::setWindowFlags() would re-create it hidden.
            m_widget->overrideWindowFlags(flags);
            window->setFlags(flags);
        } else {
            m_widget->setWindowFlags(flags);
        }
    }
    if (m_level == WindowLevel::status && m_widget->isVisible()) {
        m_widget->raise();
    }
    updateMapWatch();
}

void LinuxPanel::updateMapWatch() {
    const bool wanted = m_level == WindowLevel::status && m_widget->isVisible();
    if (!wanted) {
        m_mapWatch.reset();
        return;
    }
    if (!m_mapWatch) {
        QWidget* window = m_widget.get();
        m_mapWatch = WindowMapWatch::start([window] { window->raise(); });
    }
}

void LinuxPanel::setAppearance(WindowAppearance appearance) {
    m_appearance = appearance == WindowAppearance::light ? "light" : "dark";
    const QString name = QString::fromLatin1(m_appearance);
    m_widget->setProperty(kAppearanceProperty, name);
    if (m_content) {
        m_content->setProperty(kAppearanceProperty, name);
    }
}

LinuxPanel* linuxPanelOf(const QWidget* window) {
    const auto* panelWidget = qobject_cast<const LinuxPanel::PanelWidget*>(window);
    return panelWidget ? &panelWidget->panel : nullptr;
}

void markOrderedFront(QWidget& widget) {
    // A steady clock rather than a counter: no state shared between the application and its panels.
    widget.setProperty(
        kOrderedFrontProperty,
        QVariant::fromValue<qint64>(std::chrono::steady_clock::now().time_since_epoch().count()));
}

} // namespace tessly

#include "panel_linux.moc"
