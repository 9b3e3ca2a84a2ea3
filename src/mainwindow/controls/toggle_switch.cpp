#include "mainwindow/controls/toggle_switch.h"

#include "mainwindow/controls/control_painting.h"
#include "mainwindow/controls/settings_style.h"

#include <QPainter>
#include <QSignalBlocker>
#include <QVariantAnimation>

namespace tessly {

namespace {
constexpr int kKnobInset = 2;
// The knob's travel: short enough to feel immediate, long enough to be seen.
constexpr int kToggleAnimationMilliseconds = 160;
} // namespace

ToggleSwitch::ToggleSwitch(QWidget* parent)
    : QAbstractButton(parent), m_animation(new QVariantAnimation(this)) {
    setCheckable(true);
    useTabFocus(*this);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_animation->setDuration(kToggleAnimationMilliseconds);
    m_animation->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_position = value.toDouble();
        update();
    });
    connect(this, &QAbstractButton::toggled, this, [this](bool checked) {
        m_animation->stop();
        m_animation->setStartValue(m_position);
        m_animation->setEndValue(checked ? 1.0 : 0.0);
        m_animation->start();
    });
}

ToggleSwitch::~ToggleSwitch() = default;

QSize ToggleSwitch::sizeHint() const {
    // Room around the track for the focus ring.
    const int ring = settings_metrics::kFocusRingWidth + 1;
    return QSize(kWidth + 2 * ring, kHeight + 2 * ring);
}

void ToggleSwitch::setCheckedSilently(bool checked) {
    {
        const QSignalBlocker blocker(this);
        setChecked(checked);
    }
    m_animation->stop();
    m_position = checked ? 1.0 : 0.0;
    update();
}

void ToggleSwitch::nextCheckState() {
    QAbstractButton::nextCheckState();
    emit toggledByUser(isChecked());
}

bool ToggleSwitch::hitButton(const QPoint& pos) const {
    return rect().contains(pos);
}

void ToggleSwitch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track(QPointF((width() - kWidth) / 2.0, (height() - kHeight) / 2.0),
                       QSizeF(kWidth, kHeight));
    const double radius = kHeight / 2.0;
    const QPalette& p = palette();
    const QColor off = p.color(kControlFillRole);
    QColor on = p.color(QPalette::Active, kAccentRole);
    // Between the two colours while the knob travels, so the track does not flash.
    const double t = m_position;
    QColor fill = QColor::fromRgbF(off.redF() + (on.redF() - off.redF()) * t,
                                   off.greenF() + (on.greenF() - off.greenF()) * t,
                                   off.blueF() + (on.blueF() - off.blueF()) * t);
    if (!isEnabled()) {
        fill.setAlphaF(0.45F);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(track, radius, radius);

    const double knobSide = kHeight - 2.0 * kKnobInset;
    const double travel = kWidth - 2.0 * kKnobInset - knobSide;
    const QRectF knob(track.left() + kKnobInset + travel * t, track.top() + kKnobInset, knobSide, knobSide);
    QColor knobColor = p.color(kKnobRole);
    if (!isEnabled()) {
        knobColor.setAlphaF(0.7F);
    }
    paintKnob(painter, knob, knobColor, p.color(kShadowRole));
    if (hasFocus()) {
        paintFocusRing(painter, track, radius, p.color(QPalette::Active, kAccentRole));
    }
}

} // namespace tessly
