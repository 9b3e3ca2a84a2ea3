// The main window's own title bar pieces, for a window without the system's title bar:
// `CustomTrafficLights`, the close, minimise and zoom buttons at the top left (glyphs shown while the pointer
// is over the group; zoom is disabled, as the window has no zoomed state of its own), and `TitleBarDragView`,
// an empty stretch that moves the window as a title bar does.
//
//     auto* lights = new CustomTrafficLights(symbols, texts, bar);
//     auto* drag = new TitleBarDragView(bar);      // under the tabs: a press there moves the window
//
// Main thread only.
#pragma once

#include "platform/gui/symbol_images.h"

#include <QAbstractButton>
#include <QWidget>

#include <array>
#include <functional>

namespace tessly {

class TrafficLightButton;

class CustomTrafficLights final : public QWidget {
    Q_OBJECT

public:
    /// `text` gives the accessible names in the interface language, from their keys.
    CustomTrafficLights(const SymbolImages& symbols, std::function<QString(const QString&)> text,
                        QWidget* parent = nullptr);

    /// Takes the accessible names again, after a change of language.
    void retranslate();
    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] bool glyphsShown() const { return m_hovered; }

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    std::function<QString(const QString&)> m_text;
    std::array<TrafficLightButton*, 3> m_buttons{};
    bool m_hovered = false;
};

class TitleBarDragView final : public QWidget {
    Q_OBJECT

public:
    explicit TitleBarDragView(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace tessly
