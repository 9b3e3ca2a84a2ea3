// A horizontal slider over a closed range of real values, drawn as the platform's own: a thin rounded track
// (5 points high), filled in the accent colour up to a round thumb (17 points across).
//
//     auto* slider = new NativeSlider(kCornerRadiusSlider, row);
//     slider->setValue(style.cornerRadius);
//     connect(slider, &NativeSlider::valueChangedByUser, this, [&](double v) { ... });
//
// A press anywhere on the track moves the thumb there and a drag follows the pointer; the arrow keys move
// one step, Page Up and Page Down ten, Home and End to the ends. Values are always within the range and on
// its steps (settings_values.h). Main thread only.
#pragma once

#include "mainwindow/controls/slider_range.h"

#include <QWidget>

namespace tessly {

class NativeSlider final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kTrackHeight = 5;
    static constexpr int kThumbSize = 17;

    explicit NativeSlider(const SliderRange& range, QWidget* parent = nullptr);
    ~NativeSlider() override;

    [[nodiscard]] const SliderRange& range() const { return m_range; }
    [[nodiscard]] double value() const { return m_value; }
    /// Shows a stored value (clamped into the range, not snapped, so that it shows where it is); no signal.
    void setValue(double value);

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

    /// The thumb's centre for the current value.
    [[nodiscard]] QPointF thumbCenter() const;

signals:
    /// The user moved the thumb to a new value (pointer or key); not emitted by setValue().
    void valueChangedByUser(double value);
    /// The user let go of the thumb after a drag (or a key press ended a change).
    void editingFinished();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    [[nodiscard]] double trackLeft() const;
    [[nodiscard]] double trackWidth() const;
    void changeByUser(double value);

    SliderRange m_range;
    double m_value;
    bool m_dragging = false;
};

} // namespace tessly
