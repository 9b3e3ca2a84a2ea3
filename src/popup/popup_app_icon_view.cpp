#include "popup/popup_app_icon_view.h"

#include "model/display_text.h"
#include "platform/console.h"
#include "platform/gui/workspace_icons.h"
#include "platform/main_queue.h"
#include "platform/workspace.h"
#include "popup/popup_appearance.h"
#include "popup/popup_layout.h"

#include <QDir>
#include <QFocusEvent>
#include <QPainter>
#include <QPointer>
#include <QVariantAnimation>

namespace tessly {

QString popupApplicationPath(const AppItem& app) {
    return QDir::cleanPath(app.appURL.toLocalFile());
}

PopupAppIconView::PopupAppIconView(AppItem app, const WorkspaceIcons& icons, Workspace& workspace,
                                   MainQueue& queue, Console& console, std::function<void()> onLaunch,
                                   QWidget* parent)
    : QAbstractButton(parent), m_app(std::move(app)), m_workspace(workspace), m_queue(queue),
      m_console(console), m_onLaunch(std::move(onLaunch)),
      m_icon(icons.iconForFile(popupApplicationPath(m_app))), m_hoverAnimation(new QVariantAnimation(this)) {
    // What assistive technology says of the cell: the application it opens.
    setAccessibleName(displayedName(m_app.name));
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::TabFocus);
    setToolTip(displayedName(m_app.name));
    // Critically damped, as the hover spring is: it settles without overshoot.
    m_hoverAnimation->setDuration(static_cast<int>(kPopupHoverDuration * 1000));
    m_hoverAnimation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_hoverAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_iconScale = value.toDouble();
        update();
    });
    connect(this, &QAbstractButton::clicked, this, &PopupAppIconView::launch);
}

PopupAppIconView::~PopupAppIconView() = default;

QString PopupAppIconView::applicationPath() const {
    return popupApplicationPath(m_app);
}

void PopupAppIconView::setContent(const QRectF& iconRect, const QRectF& nameRect, const QString& elidedName,
                                  const QFont& nameFont, const QColor& nameColor, const QColor& focusRing) {
    // Rasterised once per size, at the screen's pixels: every hover frame then only scales a bitmap, and a
    // cell moved by a scroll keeps its bitmap.
    const double ratio = devicePixelRatioF();
    const QSize pixels = (iconRect.size() * ratio).toSize();
    if (m_icon && (m_iconBitmap.isNull() || m_iconBitmap.size() != pixels ||
                   !qFuzzyCompare(m_iconBitmap.devicePixelRatio(), ratio))) {
        m_iconBitmap = rasterize(*m_icon, pixels);
        m_iconBitmap.setDevicePixelRatio(ratio);
    }
    m_iconRect = iconRect;
    m_nameRect = nameRect;
    m_elidedName = elidedName;
    m_nameFont = nameFont;
    m_nameColor = nameColor;
    m_focusRing = focusRing;
    update();
}

void PopupAppIconView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    if (!m_iconBitmap.isNull()) {
        painter.save();
        const QPointF centre = m_iconRect.center();
        painter.translate(centre);
        painter.scale(m_iconScale, m_iconScale);
        painter.translate(-centre);
        painter.drawImage(m_iconRect, m_iconBitmap);
        painter.restore();
    }
    if (m_showsFocus) {
        // A 2-point line whose outer edge is kPopupFocusRingReach beyond the icon.
        constexpr double kRingWidth = 2.0;
        constexpr double kRingRadius = 8.0;
        const double offset = kPopupFocusRingReach - kRingWidth / 2;
        painter.setPen(QPen(m_focusRing, kRingWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(m_iconRect.adjusted(-offset, -offset, offset, offset), kRingRadius,
                                kRingRadius);
    }
    if (!m_nameRect.isEmpty()) {
        painter.setFont(m_nameFont);
        painter.setPen(m_nameColor);
        painter.drawText(m_nameRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, m_elidedName);
    }
}

void PopupAppIconView::enterEvent(QEnterEvent* event) {
    setHovered(true);
    QAbstractButton::enterEvent(event);
}

void PopupAppIconView::leaveEvent(QEvent* event) {
    setHovered(false);
    QAbstractButton::leaveEvent(event);
}

void PopupAppIconView::focusInEvent(QFocusEvent* event) {
    m_showsFocus = event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::MouseFocusReason;
    update();
    QAbstractButton::focusInEvent(event);
}

void PopupAppIconView::focusOutEvent(QFocusEvent* event) {
    m_showsFocus = false;
    update();
    QAbstractButton::focusOutEvent(event);
}

void PopupAppIconView::setHovered(bool hovered) {
    m_hoverAnimation->stop();
    m_hoverAnimation->setStartValue(m_iconScale);
    m_hoverAnimation->setEndValue(hovered ? kPopupHoveredIconScale : 1.0);
    m_hoverAnimation->start();
}

void PopupAppIconView::launch() {
    OpenConfiguration configuration;
    configuration.activates = true;
    // The completion may come after the popup closed: it checks the cell is still there, on the main queue.
    QPointer<PopupAppIconView> self(this);
    MainQueue* queue = &m_queue;
    // The console is the process's and outlives every popup: a launch that fails after its popup closed is
    // still reported. The popup stays open, so that the user can try another application.
    Console* console = &m_console;
    const QString path = applicationPath();
    m_workspace.openApplication(
        path, configuration, [self, queue, console, path](const std::optional<QString>& error) {
            if (error) {
                console->printLine(QStringLiteral("[FolderPopupView] Failed to launch ") + path +
                                   QStringLiteral(": ") + *error);
                return;
            }
            queue->async([self] {
                if (self && self->m_onLaunch) {
                    self->m_onLaunch();
                }
            });
        });
}

} // namespace tessly
