// The floating panel on Linux: a frameless, translucent Qt Widgets tool window that never takes the keyboard
// focus, holding one content widget.
//
//     auto panel = std::make_unique<LinuxPanel>(QSizeF(260, 300));   // or Application::makePanel()
//     panel->setContent(std::move(view));
//     const QSizeF size = panel->fittingSize();
//     panel->setFrame(QRectF(origin, size), panel->isVisible());
//     panel->orderFrontRegardless();
//
// The window is Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus with
// Qt::WA_ShowWithoutActivating and Qt::WA_TranslucentBackground: the window manager neither gives it the
// focus nor activates the application when it shows, and where a compositor runs only the content is seen.
// Pressing on the panel's own background (a press no child takes) moves the window, through the window
// manager.
//
// Levels: normal is an ordinary window; floating and status both carry Qt::WindowStaysOnTopHint (on X11 the
// _NET_WM_STATE_ABOVE state, above every normal window), and a status panel is also raised whenever it is set
// to that level or ordered front, so that it sits above the floating ones shown before it. X11 has no finer
// layer between "above" and the window manager's own, and a window manager stacks a window it maps on top of
// its layer: so while a status panel is shown on X11 it watches the display (on a connection of its own) and
// raises itself again each time another window is mapped, a floating panel of another process included. The
// level is changed on the live window, which stays shown.
//
// Frames are y-up global points (screens_linux.h). With `animate` on a shown panel, setFrame() moves it with
// a kPanelFrameAnimationMs geometry animation, and frame() answers the frame it is heading for.
//
// setContent() takes the view; the previous view is hidden at once and deleted once control is back in the
// event loop, so a view may replace itself from its own handler. fittingSize() is the content's size hint
// (within its minimum and maximum sizes) after its layout was activated, or the panel's size without content.
// setAppearance() sets the property kAppearanceProperty, "light" or "dark", on the window and on the content
// (given content receives it as well), which the content reads or follows through
// QEvent::DynamicPropertyChange.
//
// Needs the QApplication; main thread only.
#pragma once

#include "platform/gui/application.h"

#include <QPointer>
#include <QRectF>

#include <memory>

class QPropertyAnimation;
class QVBoxLayout;

namespace tessly {

/// The dynamic property of a panel and its content that names the panel's appearance: "light" or "dark".
inline constexpr char kAppearanceProperty[] = "tesslyAppearance";
/// The dynamic property of a window that says when it was last shown in front (a steady-clock count).
inline constexpr char kOrderedFrontProperty[] = "tesslyOrderedFrontAt";
/// How long an animated frame change takes.
inline constexpr int kPanelFrameAnimationMs = 160;

class LinuxPanel final : public Panel {
public:
    /// A hidden panel of `size` at the y-up origin, at the floating level, in the dark appearance.
    explicit LinuxPanel(const QSizeF& size);
    ~LinuxPanel() override;
    LinuxPanel(const LinuxPanel&) = delete;
    LinuxPanel& operator=(const LinuxPanel&) = delete;

    [[nodiscard]] QString identifier() const override;
    [[nodiscard]] bool isPanel() const override { return true; }
    [[nodiscard]] bool isVisible() const override;
    void orderFrontRegardless() override;
    void orderOut() override;

    void setContent(std::unique_ptr<QWidget> view) override;
    [[nodiscard]] QWidget* content() const override { return m_content; }
    [[nodiscard]] QSizeF fittingSize() const override;
    [[nodiscard]] QRectF frame() const override;
    void setFrame(const QRectF& frame, bool animate) override;
    void setLevel(WindowLevel level) override;
    [[nodiscard]] WindowLevel level() const override { return m_level; }
    void setAppearance(WindowAppearance appearance) override;

    /// The panel's window.
    [[nodiscard]] QWidget* widget() const;

private:
    class PanelWidget;
    friend LinuxPanel* linuxPanelOf(const QWidget* window);

    void applyLevel();
    /// Watches for other windows being mapped exactly while the panel is shown at the status level.
    void updateMapWatch();

    class WindowMapWatch;

    std::unique_ptr<PanelWidget> m_widget;
    std::unique_ptr<WindowMapWatch> m_mapWatch;
    QVBoxLayout* m_layout = nullptr;
    QPropertyAnimation* m_animation = nullptr;
    QPointer<QWidget> m_content;
    WindowLevel m_level = WindowLevel::floating;
    const char* m_appearance = "dark";
};

/// The panel whose window `window` is; nothing for any other widget.
[[nodiscard]] LinuxPanel* linuxPanelOf(const QWidget* window);

/// Marks `widget` (a window) as shown in front now, in kOrderedFrontProperty: the application lists its
/// windows front to back by these marks.
void markOrderedFront(QWidget& widget);

} // namespace tessly
