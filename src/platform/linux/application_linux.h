// The application on Linux (Qt Widgets): its Dock presence announced on the session bus, its windows and
// panels, the reopen requests for its bundle, and its activation.
//
//     ensureXcbOnWayland();                                 // before the QApplication exists
//     QApplication qtApplication(argc, argv);
//     LinuxApplication application(bundle.bundlePath());
//     application.setReopenHandler([weak] { if (weak) weak->handleReopen(); });
//     application.setActivationPolicy(ActivationPolicy::regular);
//
// The bus interface, for the Dock and for the other processes of the program; all of it is signals on object
// path kApplicationPath, interface kApplicationInterface, as processes of the program own no bus name:
//   PresenceChanged (signature "sxb"): bundle path (links resolved, as the Dock lists bundles; empty outside
//   a
//       bundle), process identifier, present. Sent with true when the activation policy becomes regular, with
//       false when it becomes accessory and when a regular LinuxApplication is destroyed. A process killed
//       outright says nothing: its presence ends when the sender's unique bus name goes (NameOwnerChanged).
//   PresenceRequested (no arguments): a Dock that starts, or wants the list afresh, sends it; every process
//       that is present answers with PresenceChanged(…, true).
//   Reopen (signature "s"): the bundle path; asks the running processes of that bundle to reopen, as a click
//   on
//       the Dock tile of a running application does. LinuxWorkspace sends it when a running bundle is opened
//       again; the Dock sends it on a click. The process whose bundle it names calls its reopen handler.
// Without a session bus nothing is announced or heard, and the rest works.
//
// A process starts with no Dock presence (the accessory policy) until it asks for one. As on the platform the
// program was written for, closing the last window does not end the application: terminate() does, by ending
// the event loop normally once control is back in it.
//
// windows() lists the top-level widgets the program made (ordinary windows, dialogs, tool windows and panels;
// not menus, tool tips or other pop-ups), the shown ones first, most recently shown or activated in front,
// then the hidden ones; each is a Window that lives as long as its widget (a panel is its LinuxPanel). A
// window's identifier is its kWindowIdentifierProperty (setWindowIdentifier()). keyWindow() is the active
// window. The did-become-active handler runs when Qt's application state becomes active.
//
// Needs the QApplication; one per process; main thread only, and the handlers run there.
#pragma once

#include "platform/gui/application.h"

#include <QString>

#include <memory>
#include <optional>
#include <unordered_map>

namespace tessly {

inline constexpr char kApplicationPath[] = "/app/tessly/Application";
inline constexpr char kApplicationInterface[] = "app.tessly.Application";
inline constexpr char kApplicationPresenceChangedMember[] = "PresenceChanged";
inline constexpr char kApplicationPresenceRequestedMember[] = "PresenceRequested";
inline constexpr char kApplicationReopenMember[] = "Reopen";

/// The dynamic property of a window that holds its identifier ("TesslyMainWindow").
inline constexpr char kWindowIdentifierProperty[] = "tesslyWindowIdentifier";

/// Gives the window `widget` the identifier Window::identifier() reports.
void setWindowIdentifier(QWidget& widget, const QString& identifier);

/// Under a Wayland session, asks Qt for its xcb platform (XWayland) unless a platform was chosen: global
/// window placement and presses outside the process need X11. Call before the QApplication exists.
void ensureXcbOnWayland();

class LinuxApplication final : public Application {
public:
    /// `bundlePath`: the bundle this process runs from (none outside one).
    explicit LinuxApplication(std::optional<QString> bundlePath);
    ~LinuxApplication() override;
    LinuxApplication(const LinuxApplication&) = delete;
    LinuxApplication& operator=(const LinuxApplication&) = delete;

    void setActivationPolicy(ActivationPolicy policy) override;
    [[nodiscard]] ActivationPolicy activationPolicy() const override { return m_policy; }

    [[nodiscard]] QList<Window*> windows() const override;
    [[nodiscard]] Window* keyWindow() const override;
    [[nodiscard]] std::unique_ptr<Panel> makePanel(const QSizeF& size) override;

    void setReopenHandler(std::function<void()> handler) override { m_reopenHandler = std::move(handler); }
    void setDidBecomeActiveHandler(std::function<void()> handler) override {
        m_didBecomeActiveHandler = std::move(handler);
    }
    void terminate() override;
    void activate() override;
    void unhide() override;

private:
    class Listener;
    class WidgetWindow;
    friend class Listener;

    void announcePresence(bool present) const;
    void handleReopenRequest(const QString& bundlePath) const;
    void handlePresenceRequest() const;
    /// The Window of a top-level widget the program made; nothing for any other widget.
    [[nodiscard]] Window* windowOf(QWidget* widget) const;

    /// The own bundle with its links resolved, as other processes see it in /proc.
    std::optional<QString> m_bundlePath;
    ActivationPolicy m_policy = ActivationPolicy::accessory;
    std::function<void()> m_reopenHandler;
    std::function<void()> m_didBecomeActiveHandler;
    /// Made on demand, one per widget, each gone with its widget.
    mutable std::unordered_map<QWidget*, std::unique_ptr<WidgetWindow>> m_windows;
    std::unique_ptr<Listener> m_listener;
};

} // namespace tessly
