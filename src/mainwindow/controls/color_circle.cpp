#include "mainwindow/controls/color_circle.h"

#include "mainwindow/controls/control_painting.h"
#include "mainwindow/controls/settings_style.h"

#include <QConicalGradient>
#include <QPainter>

namespace tessly {

namespace {
// Room for the chosen ring and the focus ring around the circle.
constexpr int kMargin = 5;
} // namespace

ColorCircle::ColorCircle(QColor color, QWidget* parent) : QAbstractButton(parent), m_color(std::move(color)) {
    useTabFocus(*this);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

ColorCircle::~ColorCircle() = default;

void ColorCircle::setColor(const QColor& color) {
    m_color = color;
    update();
}

void ColorCircle::setShowsHueRing(bool shows) {
    m_showsHueRing = shows;
    update();
}

void ColorCircle::setChosen(bool chosen) {
    m_chosen = chosen;
    update();
}

QSize ColorCircle::sizeHint() const {
    return QSize(kDiameter + 2 * kMargin, kDiameter + 2 * kMargin);
}

void ColorCircle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& p = palette();
    const QRectF circle(QPointF((width() - kDiameter) / 2.0, (height() - kDiameter) / 2.0),
                        QSizeF(kDiameter, kDiameter));
    if (!isEnabled()) {
        painter.setOpacity(0.4);
    }
    painter.setPen(Qt::NoPen);
    if (m_showsHueRing) {
        QConicalGradient hues(circle.center(), 90);
        for (int i = 0; i <= 6; ++i) {
            hues.setColorAt(i / 6.0, QColor::fromHsvF(static_cast<float>((i % 6) / 6.0), 0.85F, 1.0F));
        }
        painter.setBrush(hues);
        painter.drawEllipse(circle);
        const QRectF middle = circle.adjusted(5, 5, -5, -5);
        painter.setBrush(m_color.isValid() ? m_color : p.color(kSectionBackgroundRole));
        painter.drawEllipse(middle);
    } else {
        QColor fill = m_color;
        fill.setAlpha(255);
        painter.setBrush(fill);
        painter.drawEllipse(circle);
    }
    // A hairline keeps light colours visible on a light section.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0, 0, 0, 40), 1));
    painter.drawEllipse(circle.adjusted(0.5, 0.5, -0.5, -0.5));
    painter.setOpacity(1.0);
    if (m_chosen) {
        painter.setPen(QPen(p.color(QPalette::Active, kAccentRole), 2));
        painter.drawEllipse(circle.adjusted(-3.5, -3.5, 3.5, 3.5));
    }
    if (hasFocus()) {
        paintFocusRing(painter, circle.adjusted(-1, -1, 1, 1), kDiameter / 2.0 + 1,
                       p.color(QPalette::Active, kAccentRole));
    }
}

} // namespace tessly
