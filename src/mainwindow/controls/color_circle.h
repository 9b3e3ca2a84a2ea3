// A round colour swatch that can be chosen: the tile page's background colours, the custom colour's circle
// (a ring of every hue until a custom colour is chosen) and the picker's swatches.
//
//     auto* circle = new ColorCircle(QColor(0, 122, 255));
//     circle->setAccessibleName(l10n.localizedString("settings.appearance.color.blue"));
//     connect(circle, &QAbstractButton::clicked, this, [=] { ... });
//
// A button: Space chooses it when it has the focus; the chosen one wears an accent ring. Main thread only.
#pragma once

#include <QAbstractButton>
#include <QColor>

namespace tessly {

class ColorCircle final : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr int kDiameter = 24;

    explicit ColorCircle(QColor color, QWidget* parent = nullptr);
    ~ColorCircle() override;

    void setColor(const QColor& color);
    [[nodiscard]] const QColor& color() const { return m_color; }
    /// Shows a ring of every hue (with the colour, when valid, in its middle): the custom colour's circle.
    void setShowsHueRing(bool shows);
    /// The accent ring of the chosen colour.
    void setChosen(bool chosen);
    [[nodiscard]] bool isChosen() const { return m_chosen; }

    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color;
    bool m_showsHueRing = false;
    bool m_chosen = false;
};

} // namespace tessly
