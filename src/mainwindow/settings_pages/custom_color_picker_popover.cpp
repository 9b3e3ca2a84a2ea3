#include "mainwindow/settings_pages/custom_color_picker_popover.h"

#include "mainwindow/controls/color_circle.h"
#include "mainwindow/controls/control_painting.h"
#include "mainwindow/controls/popover_window.h"
#include "mainwindow/controls/settings_controls.h"
#include "mainwindow/controls/settings_style.h"
#include "settings/localization.h"
#include "tile/tile_colors.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <cmath>

namespace tessly {

namespace {

constexpr int kMarkerMargin = 8;
// One arrow key press moves the marker by this fraction of the square or strip.
constexpr double kKeyStep = 0.02;

void paintMarker(QPainter& painter, QPointF centre, const QColor& fill) {
    painter.setPen(QPen(QColor(0, 0, 0, 90), 3));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, 7, 7);
    painter.setPen(QPen(Qt::white, 2));
    painter.setBrush(fill);
    painter.drawEllipse(centre, 7, 7);
}

} // namespace

ColorPickerArea::ColorPickerArea(QWidget* parent) : QWidget(parent) {
    useTabFocus(*this);
}

void ColorPickerArea::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pick(event->position());
    }
}

void ColorPickerArea::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) {
        pick(event->position());
    }
}

SaturationBrightnessSquare::SaturationBrightnessSquare(QWidget* parent) : ColorPickerArea(parent) {
    setCursor(Qt::CrossCursor);
}

void SaturationBrightnessSquare::setHsv(const HsvColor& hsv) {
    m_hsv = hsv;
    update();
}

QRectF SaturationBrightnessSquare::area() const {
    return QRectF(rect()).adjusted(kMarkerMargin, kMarkerMargin, -kMarkerMargin, -kMarkerMargin);
}

void SaturationBrightnessSquare::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF a = area();
    QPainterPath shape;
    shape.addRoundedRect(a, 6, 6);
    painter.fillPath(shape, colorFromHsv(HsvColor{m_hsv.hue, 1, 1}));
    QLinearGradient white(a.topLeft(), a.topRight());
    white.setColorAt(0, Qt::white);
    white.setColorAt(1, QColor(255, 255, 255, 0));
    painter.fillPath(shape, white);
    QLinearGradient black(a.topLeft(), a.bottomLeft());
    black.setColorAt(0, QColor(0, 0, 0, 0));
    black.setColorAt(1, Qt::black);
    painter.fillPath(shape, black);
    paintMarker(painter, a.topLeft() + squarePointOf(m_hsv, a.size()), colorFromHsv(m_hsv));
    if (hasFocus()) {
        paintFocusRing(painter, a, 6, palette().color(QPalette::Active, kAccentRole));
    }
}

void SaturationBrightnessSquare::pick(QPointF point) {
    const QRectF a = area();
    m_hsv = hsvAtSquarePoint(m_hsv, a.size(), point - a.topLeft());
    update();
    emit hsvChangedByUser(m_hsv);
}

void SaturationBrightnessSquare::keyPressEvent(QKeyEvent* event) {
    const QRectF a = area();
    QPointF point = a.topLeft() + squarePointOf(m_hsv, a.size());
    switch (event->key()) {
    case Qt::Key_Left:
        point.rx() -= a.width() * kKeyStep;
        break;
    case Qt::Key_Right:
        point.rx() += a.width() * kKeyStep;
        break;
    case Qt::Key_Up:
        point.ry() -= a.height() * kKeyStep;
        break;
    case Qt::Key_Down:
        point.ry() += a.height() * kKeyStep;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    pick(point);
}

HueStrip::HueStrip(QWidget* parent) : ColorPickerArea(parent) {
    setCursor(Qt::PointingHandCursor);
}

void HueStrip::setHue(double hue) {
    m_hue = hue;
    update();
}

QRectF HueStrip::area() const {
    return QRectF(kMarkerMargin, (height() - 12) / 2.0, width() - 2.0 * kMarkerMargin, 12);
}

void HueStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF a = area();
    QLinearGradient hues(a.topLeft(), a.topRight());
    for (int i = 0; i <= 6; ++i) {
        hues.setColorAt(i / 6.0, QColor::fromHsvF(static_cast<float>((i % 6) / 6.0), 1.0F, 1.0F));
    }
    QPainterPath shape;
    shape.addRoundedRect(a, 6, 6);
    painter.fillPath(shape, hues);
    paintMarker(painter, QPointF(a.left() + stripPositionOfHue(a.width(), m_hue), a.center().y()),
                colorFromHsv(HsvColor{m_hue, 1, 1}));
    if (hasFocus()) {
        paintFocusRing(painter, a, 6, palette().color(QPalette::Active, kAccentRole));
    }
}

void HueStrip::pick(QPointF point) {
    const QRectF a = area();
    m_hue = hueAtStripPosition(a.width(), point.x() - a.left());
    update();
    emit hueChangedByUser(m_hue);
}

void HueStrip::keyPressEvent(QKeyEvent* event) {
    const QRectF a = area();
    const double x = a.left() + stripPositionOfHue(a.width(), m_hue);
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
        pick(QPointF(x - a.width() * kKeyStep, a.center().y()));
        return;
    case Qt::Key_Right:
    case Qt::Key_Up:
        pick(QPointF(x + a.width() * kKeyStep, a.center().y()));
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

CustomColorPickerPopover::CustomColorPickerPopover(const Localization& l10n, QWidget* parent)
    : QWidget(parent, Qt::Popup), m_l10n(l10n), m_title(makeSettingsLabel(SettingsTextStyle::body)),
      m_square(new SaturationBrightnessSquare), m_hueStrip(new HueStrip),
      m_hexPrefix(makeSettingsLabel(SettingsTextStyle::secondary)), m_hexField(new QLineEdit),
      m_hexError(makeSettingsLabel(SettingsTextStyle::caption)) {
    // A window of its own: without this it would not take the page's palette, and so not its theme.
    setAttribute(Qt::WA_WindowPropagation);
    setFocusPolicy(Qt::ClickFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 14);
    layout->setSpacing(8);
    QFont titleFont = settingsFont(SettingsFont::body);
    titleFont.setWeight(QFont::DemiBold);
    m_title->setFont(titleFont);
    layout->addWidget(m_title);

    auto* swatches = new QGridLayout;
    swatches->setSpacing(0);
    const QList<QColor> colors = customColorSwatches();
    constexpr int kPerRow = 8;
    for (qsizetype i = 0; i < colors.size(); ++i) {
        auto* swatch = new ColorCircle(colors.at(i));
        swatch->setAccessibleName(QLatin1Char('#') + customHexText(colors.at(i)).value_or(QString()));
        connect(swatch, &QAbstractButton::clicked, this,
                [this, swatch] { choose(hsvFromColor(swatch->color(), m_hsv.hue)); });
        swatches->addWidget(swatch, static_cast<int>(i / kPerRow), static_cast<int>(i % kPerRow));
        m_swatches.append(swatch);
    }
    layout->addLayout(swatches);
    layout->addWidget(m_square);
    layout->addWidget(m_hueStrip);

    auto* hexRow = new QHBoxLayout;
    hexRow->setSpacing(6);
    m_hexPrefix->setText(QStringLiteral("#"));
    m_hexField->setMaxLength(7);
    m_hexField->setFont(settingsFont(SettingsFont::body));
    m_hexField->setFixedWidth(96);
    hexRow->addWidget(m_hexPrefix);
    hexRow->addWidget(m_hexField);
    hexRow->addStretch(1);
    layout->addLayout(hexRow);
    m_hexError->setWordWrap(true);
    m_hexError->setForegroundRole(kDestructiveRole);
    m_hexError->hide();
    layout->addWidget(m_hexError);

    connect(m_square, &SaturationBrightnessSquare::hsvChangedByUser, this, &CustomColorPickerPopover::choose);
    connect(m_hueStrip, &HueStrip::hueChangedByUser, this, [this](double hue) {
        HsvColor hsv = m_hsv;
        hsv.hue = hue;
        choose(hsv);
    });
    connect(m_hexField, &QLineEdit::editingFinished, this, &CustomColorPickerPopover::commitHexField);
    connect(m_hexField, &QLineEdit::textEdited, this, [this] { m_hexError->hide(); });
    retranslate();
    showHsv();
}

CustomColorPickerPopover::~CustomColorPickerPopover() = default;

void CustomColorPickerPopover::retranslate() {
    m_title->setText(m_l10n.localizedString(QStringLiteral("settings.appearance.custom_color")));
    m_square->setAccessibleName(
        m_l10n.localizedString(QStringLiteral("settings.appearance.custom_color.saturation_brightness")));
    m_hueStrip->setAccessibleName(
        m_l10n.localizedString(QStringLiteral("settings.appearance.custom_color.hue")));
    m_hexField->setAccessibleName(
        m_l10n.localizedString(QStringLiteral("settings.appearance.custom_color.hex")));
    m_hexError->setText(
        m_l10n.localizedString(QStringLiteral("settings.appearance.custom_color.invalid_hex")));
}

void CustomColorPickerPopover::setColor(const QColor& color) {
    m_hsv = hsvFromColor(color, m_hsv.hue);
    m_hexError->hide();
    showHsv();
}

void CustomColorPickerPopover::choose(const HsvColor& hsv) {
    m_hsv = hsv;
    m_hexError->hide();
    showHsv();
    emit colorChosen(colorFromHsv(m_hsv));
}

void CustomColorPickerPopover::showHsv() {
    m_square->setHsv(m_hsv);
    m_hueStrip->setHue(m_hsv.hue);
    const QColor current = colorFromHsv(m_hsv);
    m_hexField->setText(customHexText(current).value_or(QString()));
    const QString hex = m_hexField->text();
    for (ColorCircle* swatch : m_swatches) {
        swatch->setChosen(customHexText(swatch->color()) == hex);
    }
}

void CustomColorPickerPopover::commitHexField() {
    const auto parsed = parseCustomHex(m_hexField->text());
    if (!parsed) {
        // The typed text stays for the user to correct; the colour does not change.
        m_hexError->show();
        return;
    }
    if (customHexText(*parsed) == customHexText(color())) {
        showHsv();
        return;
    }
    choose(hsvFromColor(*parsed, m_hsv.hue));
}

void CustomColorPickerPopover::popUpBelow(QWidget* anchor) {
    placePopoverBelow(*this, *anchor);
    // The popup holds the keyboard itself (Escape closes it); Tab leads into the swatches and the square.
    setFocus(Qt::PopupFocusReason);
}

void CustomColorPickerPopover::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintPopoverGround(painter, *this);
}

void CustomColorPickerPopover::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    emit closed();
}

} // namespace tessly
