#include "mainwindow/controls/text_field.h"

#include "mainwindow/controls/control_painting.h"
#include "mainwindow/controls/settings_style.h"
#include "platform/gui/symbol_images.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>

namespace tessly {

namespace {
constexpr int kHeight = 30;
constexpr int kPaddingHorizontal = 9;
constexpr int kSymbolSize = 14;
constexpr int kSymbolSpacing = 6;
constexpr int kRing = settings_metrics::kFocusRingWidth + 1;
} // namespace

TextField::TextField(const SymbolImages* symbols, QString symbolName, QWidget* parent)
    : QWidget(parent), m_symbols(symbols), m_symbolName(std::move(symbolName)), m_edit(new QLineEdit(this)) {
    auto* layout = new QHBoxLayout(this);
    const bool hasSymbol = m_symbols && !m_symbolName.isEmpty();
    layout->setContentsMargins(kRing + kPaddingHorizontal + (hasSymbol ? kSymbolSize + kSymbolSpacing : 0),
                               kRing, kRing + kPaddingHorizontal - 4, kRing);
    layout->addWidget(m_edit);
    m_edit->setFrame(false);
    m_edit->setFont(settingsFont(SettingsFont::body));
    m_edit->setClearButtonEnabled(hasSymbol);
    // The field's own ground is drawn here; the line edit stays transparent over it in either theme.
    QPalette clear = m_edit->palette();
    clear.setColor(QPalette::Base, Qt::transparent);
    m_edit->setPalette(clear);
    m_edit->installEventFilter(this);
    setFocusProxy(m_edit);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::IBeamCursor);
}

TextField::~TextField() = default;

QSize TextField::sizeHint() const {
    return QSize(200, kHeight + 2 * kRing);
}

QSize TextField::minimumSizeHint() const {
    return QSize(80, kHeight + 2 * kRing);
}

bool TextField::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_edit && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut ||
                              event->type() == QEvent::EnabledChange)) {
        update();
    }
    return QWidget::eventFilter(watched, event);
}

void TextField::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& p = palette();
    const QRectF body = QRectF(rect()).adjusted(kRing + 0.5, kRing + 0.5, -kRing - 0.5, -kRing - 0.5);
    const double radius = settings_metrics::kControlCornerRadius;
    painter.setPen(QPen(p.color(kSectionBorderRole), 1));
    painter.setBrush(p.color(kSectionBackgroundRole));
    painter.drawRoundedRect(body, radius, radius);
    if (m_symbols && !m_symbolName.isEmpty()) {
        if (const ImagePtr symbol = m_symbols->symbol(m_symbolName, kSymbolSize, SymbolWeight::regular)) {
            const QRectF square(body.left() + kPaddingHorizontal, body.center().y() - kSymbolSize / 2.0,
                                kSymbolSize, kSymbolSize);
            symbol->drawTinted(painter, square, p.color(kSecondaryTextRole));
        }
    }
    // A text field shows its ring whenever it has the keyboard, by click or by Tab, as native fields do.
    if (m_edit->hasFocus()) {
        paintFocusRing(painter, body, radius, p.color(QPalette::Active, kAccentRole));
    }
}

} // namespace tessly
