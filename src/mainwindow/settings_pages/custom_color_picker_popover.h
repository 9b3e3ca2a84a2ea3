// The custom tile colour's picker: swatches, a saturation/brightness square with a hue strip under it, and
// the colour's six hexadecimal digits, which can also be typed.
//
//     auto* picker = new CustomColorPickerPopover(l10n, anchor);
//     picker->setColor(currentColor);
//     connect(picker, &CustomColorPickerPopover::colorChosen, this, [&](const QColor& c) { store(c); });
//     picker->popUpBelow(anchor);
//
// Every change is announced as it happens (dragging in the square included), so the tile preview follows the
// pointer. Typed text that is not six hexadecimal digits is kept in the field with a message under it, and
// the colour stays as it was. Main thread only.
#pragma once

#include "mainwindow/settings_pages/custom_color.h"

#include <QWidget>

class QLabel;
class QLineEdit;

namespace tessly {

class ColorCircle;
class Localization;

/// An area of the picker that follows a press and a drag of the pointer, and takes the keyboard by Tab.
class ColorPickerArea : public QWidget {
    Q_OBJECT

public:
    explicit ColorPickerArea(QWidget* parent = nullptr);

protected:
    /// The pointer pressed or dragged at `point`.
    virtual void pick(QPointF point) = 0;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
};

/// The saturation/brightness square of one hue: drag or arrow keys move the marker.
class SaturationBrightnessSquare final : public ColorPickerArea {
    Q_OBJECT

public:
    explicit SaturationBrightnessSquare(QWidget* parent = nullptr);
    void setHsv(const HsvColor& hsv);
    [[nodiscard]] const HsvColor& hsv() const { return m_hsv; }
    [[nodiscard]] QSize sizeHint() const override { return QSize(232, 140); }

signals:
    void hsvChangedByUser(const tessly::HsvColor& hsv);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void pick(QPointF point) override;

private:
    [[nodiscard]] QRectF area() const;

    HsvColor m_hsv;
};

/// The strip of every hue under the square.
class HueStrip final : public ColorPickerArea {
    Q_OBJECT

public:
    explicit HueStrip(QWidget* parent = nullptr);
    void setHue(double hue);
    [[nodiscard]] double hue() const { return m_hue; }
    [[nodiscard]] QSize sizeHint() const override { return QSize(232, 22); }

signals:
    void hueChangedByUser(double hue);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void pick(QPointF point) override;

private:
    [[nodiscard]] QRectF area() const;

    double m_hue = 0;
};

class CustomColorPickerPopover final : public QWidget {
    Q_OBJECT

public:
    explicit CustomColorPickerPopover(const Localization& l10n, QWidget* parent = nullptr);
    ~CustomColorPickerPopover() override;

    /// Shows `color` (keeping the hue when it is a grey); no signal.
    void setColor(const QColor& color);
    [[nodiscard]] QColor color() const { return colorFromHsv(m_hsv); }
    [[nodiscard]] const HsvColor& hsv() const { return m_hsv; }

    /// Sets the texts again in the current language.
    void retranslate();
    /// Opens as a popup under `anchor` (over it when there is no room below).
    void popUpBelow(QWidget* anchor);

    [[nodiscard]] QLineEdit* hexField() const { return m_hexField; }
    [[nodiscard]] QLabel* hexError() const { return m_hexError; }
    [[nodiscard]] SaturationBrightnessSquare* square() const { return m_square; }
    [[nodiscard]] HueStrip* hueStrip() const { return m_hueStrip; }

signals:
    void colorChosen(const QColor& color);
    /// The popup closed (a click outside it, Escape).
    void closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void choose(const HsvColor& hsv);
    void showHsv();
    void commitHexField();

    const Localization& m_l10n;
    HsvColor m_hsv;
    QList<ColorCircle*> m_swatches;
    QLabel* m_title;
    SaturationBrightnessSquare* m_square;
    HueStrip* m_hueStrip;
    QLabel* m_hexPrefix;
    QLineEdit* m_hexField;
    QLabel* m_hexError;
};

} // namespace tessly
