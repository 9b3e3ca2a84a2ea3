#include "mainwindow/frame/window_title_bar.h"

#include <QEnterEvent>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace tessly {

namespace {

constexpr int kLightDiameter = 12;
constexpr int kLightSpacing = 8;
constexpr double kGlyphSize = 8.0;

struct LightStyle {
    QColor fill;
    QColor edge;
    const char* glyph;
    /// The key of the accessible name.
    const char* name;
};

const std::array<LightStyle, 3> kLights{{
    {QColor(0xFF, 0x5F, 0x57), QColor(0xE0, 0x44, 0x3E), "xmark", "window.close"},
    {QColor(0xFE, 0xBC, 0x2E), QColor(0xDE, 0xA1, 0x23), "minus", "window.minimize"},
    {QColor(0x28, 0xC8, 0x40), QColor(0x1D, 0xAD, 0x2B), "plus", "window.zoom"},
}};

} // namespace

class TrafficLightButton final : public QAbstractButton {
public:
    TrafficLightButton(const LightStyle& style, ImagePtr glyph, const CustomTrafficLights& group,
                       QWidget* parent)
        : QAbstractButton(parent), m_style(style), m_glyph(std::move(glyph)), m_group(group) {
        setFixedSize(kLightDiameter, kLightDiameter);
        setCursor(Qt::ArrowCursor);
        // Tab reaches them like the rest of the window; Space presses the focused one.
        setFocusPolicy(Qt::TabFocus);
    }
    [[nodiscard]] const LightStyle& style() const { return m_style; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF circle = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        const bool active = isEnabled() && window()->isActiveWindow();
        // An inactive window's or a disabled button's lights are grey, as the system draws them.
        const QColor fill =
            active ? (isDown() ? m_style.fill.darker(115) : m_style.fill) : QColor(128, 128, 128, 90);
        painter.setPen(QPen(active ? m_style.edge : QColor(128, 128, 128, 120), 0.8));
        painter.setBrush(fill);
        painter.drawEllipse(circle);
        if ((m_group.glyphsShown() || hasFocus()) && isEnabled() && m_glyph) {
            const QRectF glyph(circle.center() - QPointF(kGlyphSize, kGlyphSize) / 2,
                               QSizeF(kGlyphSize, kGlyphSize));
            m_glyph->drawTinted(painter, glyph, QColor(0, 0, 0, 150));
        }
        if (hasFocus()) {
            painter.setPen(QPen(palette().color(QPalette::Highlight), 1.5));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(circle.adjusted(-1.5, -1.5, 1.5, 1.5));
        }
    }

private:
    const LightStyle& m_style;
    ImagePtr m_glyph;
    const CustomTrafficLights& m_group;
};

CustomTrafficLights::CustomTrafficLights(const SymbolImages& symbols,
                                         std::function<QString(const QString&)> text, QWidget* parent)
    : QWidget(parent), m_text(std::move(text)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(kLightSpacing);
    for (std::size_t index = 0; index < kLights.size(); ++index) {
        auto* button = new TrafficLightButton(
            kLights[index],
            symbols.symbol(QString::fromLatin1(kLights[index].glyph), kGlyphSize, SymbolWeight::bold), *this,
            this);
        m_buttons[index] = button;
        layout->addWidget(button);
    }
    connect(m_buttons[0], &QAbstractButton::clicked, this, [this] { window()->close(); });
    connect(m_buttons[1], &QAbstractButton::clicked, this, [this] { window()->showMinimized(); });
    m_buttons[2]->setEnabled(false);
    setFixedSize(sizeHint());
    retranslate();
}

void CustomTrafficLights::retranslate() {
    for (TrafficLightButton* button : m_buttons) {
        const QString name = m_text(QString::fromLatin1(button->style().name));
        button->setAccessibleName(name);
        button->setToolTip(name);
    }
}

QSize CustomTrafficLights::sizeHint() const {
    return {3 * kLightDiameter + 2 * kLightSpacing, kLightDiameter};
}

void CustomTrafficLights::enterEvent(QEnterEvent*) {
    m_hovered = true;
    for (TrafficLightButton* button : m_buttons) {
        button->update();
    }
}

void CustomTrafficLights::leaveEvent(QEvent*) {
    m_hovered = false;
    for (TrafficLightButton* button : m_buttons) {
        button->update();
    }
}

TitleBarDragView::TitleBarDragView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents, false);
}

void TitleBarDragView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !window()->windowHandle()) {
        QWidget::mousePressEvent(event);
        return;
    }
    // The window manager moves the window, as it does for a title bar: snapping and struts apply.
    window()->windowHandle()->startSystemMove();
    event->accept();
}

} // namespace tessly
