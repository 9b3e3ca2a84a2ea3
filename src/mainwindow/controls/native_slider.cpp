#include "mainwindow/controls/native_slider.h"

#include "mainwindow/controls/control_painting.h"
#include "mainwindow/controls/settings_style.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace tessly {

namespace {
constexpr int kPageSteps = 10;
// Room for the focus ring and the thumb's shadow around the track.
constexpr int kMargin = settings_metrics::kFocusRingWidth + 2;
} // namespace

NativeSlider::NativeSlider(const SliderRange& range, QWidget* parent)
    : QWidget(parent), m_range(range), m_value(range.minimum) {
    useTabFocus(*this);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

NativeSlider::~NativeSlider() = default;

void NativeSlider::setValue(double value) {
    m_value = clampedSliderValue(m_range, value);
    update();
}

QSize NativeSlider::sizeHint() const {
    return QSize(settings_metrics::kSliderWidth, kThumbSize + 2 * kMargin);
}

QSize NativeSlider::minimumSizeHint() const {
    return QSize(80, kThumbSize + 2 * kMargin);
}

double NativeSlider::trackLeft() const {
    // The thumb's centre travels between the track's ends minus half the thumb, so it never hangs over them.
    return kMargin + kThumbSize / 2.0;
}

double NativeSlider::trackWidth() const {
    return std::max(1.0, width() - 2.0 * trackLeft());
}

QPointF NativeSlider::thumbCenter() const {
    return QPointF(trackLeft() + sliderFraction(m_range, m_value) * trackWidth(), height() / 2.0);
}

void NativeSlider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& p = palette();
    const double radius = kTrackHeight / 2.0;
    const QRectF track(kMargin, (height() - kTrackHeight) / 2.0, width() - 2.0 * kMargin, kTrackHeight);
    painter.setPen(Qt::NoPen);
    painter.setBrush(p.color(kControlFillRole));
    painter.drawRoundedRect(track, radius, radius);

    const QPointF centre = thumbCenter();
    QRectF filled = track;
    filled.setRight(centre.x());
    painter.setBrush(p.color(isEnabled() ? QPalette::Active : QPalette::Disabled, kAccentRole));
    painter.drawRoundedRect(filled, radius, radius);

    const QRectF thumb(centre.x() - kThumbSize / 2.0, centre.y() - kThumbSize / 2.0, kThumbSize, kThumbSize);
    QColor knob = p.color(kKnobRole);
    if (!isEnabled()) {
        knob.setAlphaF(0.6F);
    }
    paintKnob(painter, thumb, knob, p.color(kShadowRole));
    if (hasFocus()) {
        paintFocusRing(painter, thumb, kThumbSize / 2.0, p.color(QPalette::Active, kAccentRole));
    }
}

void NativeSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_dragging = true;
    changeByUser(sliderValueAtFraction(m_range, (event->position().x() - trackLeft()) / trackWidth()));
}

void NativeSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging) {
        return;
    }
    changeByUser(sliderValueAtFraction(m_range, (event->position().x() - trackLeft()) / trackWidth()));
}

void NativeSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_dragging) {
        m_dragging = false;
        emit editingFinished();
    }
}

void NativeSlider::keyPressEvent(QKeyEvent* event) {
    const int forward = layoutDirection() == Qt::RightToLeft ? -1 : 1;
    double target = m_value;
    switch (event->key()) {
    case Qt::Key_Left:
        target = steppedSliderValue(m_range, m_value, -forward);
        break;
    case Qt::Key_Right:
        target = steppedSliderValue(m_range, m_value, forward);
        break;
    case Qt::Key_Down:
        target = steppedSliderValue(m_range, m_value, -1);
        break;
    case Qt::Key_Up:
        target = steppedSliderValue(m_range, m_value, 1);
        break;
    case Qt::Key_PageDown:
        target = steppedSliderValue(m_range, m_value, -kPageSteps);
        break;
    case Qt::Key_PageUp:
        target = steppedSliderValue(m_range, m_value, kPageSteps);
        break;
    case Qt::Key_Home:
        target = m_range.minimum;
        break;
    case Qt::Key_End:
        target = m_range.maximum;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    changeByUser(target);
    emit editingFinished();
}

void NativeSlider::changeByUser(double value) {
    if (value == m_value) {
        return;
    }
    m_value = value;
    update();
    emit valueChangedByUser(value);
}

} // namespace tessly
