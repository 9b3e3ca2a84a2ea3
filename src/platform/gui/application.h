// The running application as the platform sees it: whether it has a place in the Dock, its windows, the
// floating panels it makes, and the events the platform sends it (reopen, becoming active).
//
//     application.setActivationPolicy(ActivationPolicy::regular);     // a Dock tile of its own
//     application.setReopenHandler([this] { handleReopen(); });        // the user clicked that tile
//     std::unique_ptr<Panel> panel = application.makePanel(QSizeF(260, 300));
//     panel->setContent(std::move(view));
//     panel->orderFrontRegardless();
//
// Main thread only.
#pragma once

#include "platform/gui/screens.h"

#include <QList>
#include <QSizeF>
#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace tessly {

enum class ActivationPolicy {
    /// An ordinary application: a tile in the Dock and a menu bar.
    regular,
    /// No Dock tile and no menu bar; its windows still show.
    accessory,
};

enum class WindowLevel { normal, floating, status };
enum class WindowAppearance { light, dark };

/// A window of this application.
class Window {
public:
    virtual ~Window() = default;

    /// The identifier the program gave the window ("TesslyMainWindow"); empty when none.
    [[nodiscard]] virtual QString identifier() const = 0;
    [[nodiscard]] virtual bool isPanel() const = 0;
    [[nodiscard]] virtual bool isVisible() const = 0;
    /// Brings the window to the front without activating the application.
    virtual void orderFrontRegardless() = 0;
    /// Hides the window; it stays and can be shown again.
    virtual void orderOut() = 0;

    [[nodiscard]] virtual QString title() const = 0;
    /// Shown, in front, and with the keyboard focus.
    virtual void makeKeyAndOrderFront() = 0;
    /// Minimised into the Dock (or the desktop's task bar).
    [[nodiscard]] virtual bool isMiniaturized() const = 0;
    virtual void miniaturize() = 0;
    /// Asks for the window back from the Dock; the window manager reports when it is (the handler below).
    virtual void deminiaturize() = 0;
    /// Called on the main thread each time the window comes back from being minimised; an empty function
    /// stops it.
    virtual void setDeminiaturizeHandler(std::function<void()> handler) = 0;
};

/// A borderless floating panel that never takes the keyboard focus nor activates the application, with a
/// transparent background: what it shows is its content view alone.
class Panel : public Window {
public:
    /// Makes `view` the panel's content, replacing (and deleting) the previous one.
    virtual void setContent(std::unique_ptr<QWidget> view) = 0;
    [[nodiscard]] virtual QWidget* content() const = 0;
    /// The size the content asks for, laid out afresh.
    [[nodiscard]] virtual QSizeF fittingSize() const = 0;
    /// The frame in y-up global points.
    [[nodiscard]] virtual QRectF frame() const = 0;
    /// Moves and sizes the panel; with `animate`, the platform's window animation takes it there.
    virtual void setFrame(const QRectF& frame, bool animate) = 0;
    virtual void setLevel(WindowLevel level) = 0;
    [[nodiscard]] virtual WindowLevel level() const = 0;
    virtual void setAppearance(WindowAppearance appearance) = 0;

    // A panel has no title, never takes the keyboard and is never minimised.
    [[nodiscard]] QString title() const final { return {}; }
    void makeKeyAndOrderFront() final { orderFrontRegardless(); }
    [[nodiscard]] bool isMiniaturized() const final { return false; }
    void miniaturize() final {}
    void deminiaturize() final {}
    void setDeminiaturizeHandler(std::function<void()>) final {}
};

class Application {
public:
    virtual ~Application() = default;

    virtual void setActivationPolicy(ActivationPolicy policy) = 0;
    [[nodiscard]] virtual ActivationPolicy activationPolicy() const = 0;

    /// The application's windows, front to back; panels included.
    [[nodiscard]] virtual QList<Window*> windows() const = 0;
    /// The window that has the keyboard focus; none when another application has it.
    [[nodiscard]] virtual Window* keyWindow() const = 0;
    /// A new panel, hidden, with content of `size` until it is given content.
    [[nodiscard]] virtual std::unique_ptr<Panel> makePanel(const QSizeF& size) = 0;

    /// Called on the main thread when the user opens the running application again (a click on its Dock
    /// tile, or a second start of its bundle).
    virtual void setReopenHandler(std::function<void()> handler) = 0;
    /// Called on the main thread when the application becomes the active one.
    virtual void setDidBecomeActiveHandler(std::function<void()> handler) = 0;
    /// Ends the application normally, as a quit from its menu would.
    virtual void terminate() = 0;
    /// Makes this the active application, its windows in front of other applications' windows.
    virtual void activate() = 0;
    /// Shows the application's windows again after the user hid the whole application.
    virtual void unhide() = 0;
};

} // namespace tessly
