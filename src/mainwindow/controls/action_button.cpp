#include "mainwindow/controls/action_button.h"

#include "mainwindow/controls/control_painting.h"
#include "mainwindow/controls/settings_style.h"
#include "platform/gui/symbol_images.h"

#include <QFontMetrics>
#include <QPainter>

namespace tessly {

namespace {
constexpr int kHeight = 28;
constexpr int kHorizontalPadding = 16;
constexpr int kIconSide = 26;
constexpr int kSymbolSize = 14;
constexpr int kRing = settings_metrics::kFocusRingWidth + 1;
} // namespace

ActionButton::ActionButton(ActionButtonStyle style, const QString& text, const SymbolImages* symbols,
                           QString symbolName, QWidget* parent)
    : QPushButton(text, parent), m_style(style), m_symbols(symbols), m_symbolName(std::move(symbolName)) {
    useTabFocus(*this);
    setCursor(Qt::PointingHandCursor);
    QFont f = settingsFont(SettingsFont::body);
    if (style == ActionButtonStyle::primary || style == ActionButtonStyle::destructive) {
        f.setWeight(QFont::DemiBold);
    }
    setFont(f);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

ActionButton::~ActionButton() = default;

void ActionButton::setSymbolName(const QString& symbolName) {
    if (symbolName == m_symbolName) {
        return;
    }
    m_symbolName = symbolName;
    updateGeometry();
    update();
}

bool ActionButton::isIconStyle() const {
    return m_style == ActionButtonStyle::secondaryIcon || m_style == ActionButtonStyle::destructiveIcon;
}

QSize ActionButton::sizeHint() const {
    if (isIconStyle()) {
        return QSize(kIconSide + 2 * kRing, kIconSide + 2 * kRing);
    }
    int width = QFontMetrics(font()).horizontalAdvance(text()) + 2 * kHorizontalPadding;
    if (m_symbols && !m_symbolName.isEmpty()) {
        width += kSymbolSize + 6;
    }
    return QSize(std::max(width, 80) + 2 * kRing, kHeight + 2 * kRing);
}

QSize ActionButton::minimumSizeHint() const {
    return sizeHint();
}

void ActionButton::enterEvent(QEnterEvent* event) {
    m_hovered = true;
    update();
    QPushButton::enterEvent(event);
}

void ActionButton::leaveEvent(QEvent* event) {
    m_hovered = false;
    update();
    QPushButton::leaveEvent(event);
}

namespace {

struct ButtonColors {
    QColor fill;
    QColor ink;
};

/// The body's fill and the ink of the label in `style`, pressed, hovered or disabled as the button is.
ButtonColors buttonColors(ActionButtonStyle style, const QPalette& p, bool down, bool hovered, bool enabled) {
    ButtonColors colors;
    switch (style) {
    case ActionButtonStyle::primary:
        colors = {p.color(QPalette::Active, kAccentRole), p.color(kOnAccentRole)};
        break;
    case ActionButtonStyle::destructive:
        colors = {p.color(kDestructiveRole), Qt::white};
        break;
    case ActionButtonStyle::secondary:
    case ActionButtonStyle::secondaryIcon:
        colors = {p.color(kButtonFillRole), p.color(QPalette::Active, kButtonTextRole)};
        break;
    case ActionButtonStyle::destructiveIcon:
        colors = {p.color(kButtonFillRole), p.color(kDestructiveRole)};
        break;
    }
    QColor& fill = colors.fill;
    if (down) {
        fill = fill.lightness() > 128 ? fill.darker(112) : fill.lighter(125);
    } else if (hovered && enabled) {
        fill = fill.lightness() > 128 ? fill.darker(105) : fill.lighter(112);
    }
    if (!enabled) {
        fill.setAlphaF(fill.alphaF() * 0.5F);
        colors.ink.setAlphaF(0.5F);
    }
    return colors;
}

} // namespace

void ActionButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& p = palette();
    const QRectF body = QRectF(rect()).adjusted(kRing, kRing, -kRing, -kRing);
    const double radius = isIconStyle() ? body.height() / 2.0 : settings_metrics::kControlCornerRadius;

    const ButtonColors colors = buttonColors(m_style, p, isDown(), m_hovered, isEnabled());
    painter.setPen(Qt::NoPen);
    painter.setBrush(colors.fill);
    painter.drawRoundedRect(body, radius, radius);
    paintLabel(painter, body, colors.ink);
    if (hasFocus()) {
        paintFocusRing(painter, body, radius, p.color(QPalette::Active, kAccentRole));
    }
}

void ActionButton::paintLabel(QPainter& painter, const QRectF& body, const QColor& ink) const {
    ImagePtr symbol;
    if (m_symbols && !m_symbolName.isEmpty()) {
        symbol = m_symbols->symbol(m_symbolName, kSymbolSize, SymbolWeight::regular);
    }
    if (isIconStyle()) {
        if (symbol) {
            const QRectF square(body.center() - QPointF(kSymbolSize / 2.0, kSymbolSize / 2.0),
                                QSizeF(kSymbolSize, kSymbolSize));
            symbol->drawTinted(painter, square, ink);
        } else if (!m_symbolName.isEmpty()) {
            // A folder's glyph may be an emoji or a short text rather than a symbol, as its tile draws it.
            QFont glyph = font();
            glyph.setPixelSize(kSymbolSize);
            painter.setFont(glyph);
            painter.setPen(ink);
            painter.drawText(body, Qt::AlignCenter, m_symbolName);
        }
        return;
    }
    QRectF textRect = body;
    if (symbol) {
        const double textWidth = QFontMetrics(font()).horizontalAdvance(text());
        const double total = kSymbolSize + 6 + textWidth;
        const QRectF square(body.center().x() - total / 2.0, body.center().y() - kSymbolSize / 2.0,
                            kSymbolSize, kSymbolSize);
        symbol->drawTinted(painter, square, ink);
        textRect.setLeft(square.right() + 6);
        textRect.setWidth(textWidth + 1);
    }
    painter.setPen(ink);
    painter.setFont(font());
    painter.drawText(textRect, Qt::AlignCenter, text());
}

} // namespace tessly
