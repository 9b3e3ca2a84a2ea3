#include "platform/linux/panel_linux.h"

#include "platform/linux/screens_linux.h"

#include <QMouseEvent>
#include <QPropertyAnimation>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>

#include <chrono>

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
    explicit PanelWidget(LinuxPanel& panel) : QWidget(nullptr, panelFlags(WindowLevel::floating)), panel(panel) {
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

LinuxPanel::~LinuxPanel() = default;

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
    m_widget->show();
    m_widget->raise();
    markOrderedFront(*m_widget);
}

void LinuxPanel::orderOut() {
    if (m_animation->state() == QAbstractAnimation::Running) {
        // Hidden where it was going, so that it shows there next time.
        m_animation->stop();
        m_widget->setGeometry(m_animation->endValue().toRect());
    }
    m_widget->hide();
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
    const QRect geometry = m_animation->state() == QAbstractAnimation::Running ? m_animation->endValue().toRect()
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
    widget.setProperty(kOrderedFrontProperty,
                       QVariant::fromValue<qint64>(std::chrono::steady_clock::now().time_since_epoch().count()));
}

} // namespace tessly

#include "panel_linux.moc"
