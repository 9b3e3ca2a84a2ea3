#include "mainwindow/controls/segmented_picker.h"

#include "mainwindow/controls/control_painting.h"
#include "mainwindow/controls/settings_style.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace tessly {

namespace {
constexpr int kHeight = 26;
constexpr int kInset = 2;
constexpr int kSegmentPadding = 12;
constexpr int kMinimumSegmentWidth = 44;
// A quick spring-like glide: eased out, so the pill settles softly on its segment.
constexpr int kSlideMilliseconds = 220;
} // namespace

SegmentedPicker::SegmentedPicker(QWidget* parent)
    : QWidget(parent), m_animation(new QVariantAnimation(this)) {
    useTabFocus(*this);
    setFont(settingsFont(SettingsFont::body));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_animation->setDuration(kSlideMilliseconds);
    m_animation->setEasingCurve(QEasingCurve::OutBack);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_pillPosition = value.toDouble();
        update();
    });
}

SegmentedPicker::~SegmentedPicker() = default;

void SegmentedPicker::setOptions(const QStringList& labels) {
    m_options = labels;
    if (m_selected >= m_options.size()) {
        m_selected = -1;
    }
    updateDescription();
    updateGeometry();
    update();
}

void SegmentedPicker::setSelectedIndex(int index) {
    m_selected = index >= 0 && index < m_options.size() ? index : -1;
    m_animation->stop();
    m_pillPosition = std::max(m_selected, 0);
    updateDescription();
    update();
}

int SegmentedPicker::segmentWidthHint() const {
    const QFontMetrics metrics(font());
    int widest = 0;
    for (const QString& label : m_options) {
        widest = std::max(widest, metrics.horizontalAdvance(label));
    }
    return std::max(kMinimumSegmentWidth, widest + 2 * kSegmentPadding);
}

QSize SegmentedPicker::sizeHint() const {
    const int ring = settings_metrics::kFocusRingWidth + 1;
    return QSize(static_cast<int>(m_options.size()) * segmentWidthHint() + 2 * kInset + 2 * ring,
                 kHeight + 2 * ring);
}

QSize SegmentedPicker::minimumSizeHint() const {
    return sizeHint();
}

QRectF SegmentedPicker::segmentRect(int index) const {
    const int ring = settings_metrics::kFocusRingWidth + 1;
    const QRectF ground = QRectF(rect()).adjusted(ring, ring, -ring, -ring);
    const qsizetype count = std::max<qsizetype>(m_options.size(), 1);
    const double width = (ground.width() - 2.0 * kInset) / static_cast<double>(count);
    return QRectF(ground.left() + kInset + width * index, ground.top() + kInset, width,
                  ground.height() - 2.0 * kInset);
}

void SegmentedPicker::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& p = palette();
    const int ring = settings_metrics::kFocusRingWidth + 1;
    const QRectF ground = QRectF(rect()).adjusted(ring, ring, -ring, -ring);
    const double radius = settings_metrics::kControlCornerRadius;
    painter.setPen(Qt::NoPen);
    painter.setBrush(p.color(kControlFillRole));
    painter.drawRoundedRect(ground, radius, radius);

    if (m_selected >= 0) {
        const QRectF first = segmentRect(0);
        const QRectF pill = first.translated(first.width() * m_pillPosition, 0);
        painter.setBrush(p.color(kShadowRole));
        painter.drawRoundedRect(pill.translated(0, 0.5), radius - kInset, radius - kInset);
        QColor knob = p.color(kKnobRole);
        if (palette().color(kWindowBackgroundRole).lightness() < 128) {
            // On the dark ground a white pill would glare: a lifted grey carries the selection there.
            knob = p.color(kControlFillRole).lighter(150);
        }
        painter.setBrush(knob);
        painter.drawRoundedRect(pill, radius - kInset, radius - kInset);
    }

    for (int i = 0; i < m_options.size(); ++i) {
        // Hairlines between unselected neighbours, as native segmented controls draw them.
        if (i > 0 && i != m_selected && i - 1 != m_selected) {
            const QRectF r = segmentRect(i);
            painter.setPen(QPen(p.color(kSeparatorRole).darker(115), 1));
            painter.drawLine(QPointF(r.left(), r.top() + 5), QPointF(r.left(), r.bottom() - 5));
        }
    }
    const QFontMetrics metrics(font());
    for (int i = 0; i < m_options.size(); ++i) {
        const QRectF r = segmentRect(i);
        painter.setPen(p.color(isEnabled() ? QPalette::Active : QPalette::Disabled, kPrimaryTextRole));
        QFont f = font();
        if (i == m_selected) {
            f.setWeight(QFont::DemiBold);
        }
        painter.setFont(f);
        painter.drawText(
            r, Qt::AlignCenter,
            QFontMetrics(f).elidedText(m_options.at(i), Qt::ElideRight, static_cast<int>(r.width()) - 6));
    }
    if (hasFocus()) {
        paintFocusRing(painter, ground, radius, p.color(QPalette::Active, kAccentRole));
    }
}

void SegmentedPicker::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    for (int i = 0; i < m_options.size(); ++i) {
        if (segmentRect(i).contains(event->position())) {
            selectByUser(i);
            return;
        }
    }
}

void SegmentedPicker::keyPressEvent(QKeyEvent* event) {
    const int last = static_cast<int>(m_options.size()) - 1;
    const int current = std::max(m_selected, 0);
    // In a right-to-left layout the arrows keep pointing the way they look.
    const int forward = layoutDirection() == Qt::RightToLeft ? -1 : 1;
    switch (event->key()) {
    case Qt::Key_Left:
        selectByUser(std::clamp(current - forward, 0, last));
        return;
    case Qt::Key_Right:
        selectByUser(std::clamp(current + forward, 0, last));
        return;
    case Qt::Key_Home:
        selectByUser(0);
        return;
    case Qt::Key_End:
        selectByUser(last);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void SegmentedPicker::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
    }
    QWidget::changeEvent(event);
}

void SegmentedPicker::selectByUser(int index) {
    if (index < 0 || index >= m_options.size() || index == m_selected) {
        return;
    }
    const double from = m_selected >= 0 ? m_pillPosition : index;
    m_selected = index;
    updateDescription();
    m_animation->stop();
    if (m_animates && isVisible()) {
        m_animation->setStartValue(from);
        m_animation->setEndValue(static_cast<double>(index));
        m_animation->start();
    } else {
        m_pillPosition = index;
    }
    update();
    emit selectedByUser(index);
}

void SegmentedPicker::updateDescription() {
    setAccessibleDescription(m_selected >= 0 ? m_options.at(m_selected) : QString());
}

} // namespace tessly
