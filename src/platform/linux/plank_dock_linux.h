// Plank, the dock, over its items interface on the session bus ("net.launchpad.plank",
// "/net/launchpad/plank/dock1", "net.launchpad.plank.Items"). Plank keeps launchers as file URIs of desktop
// entries.
//
//     PlankDock plank;
//     plank.setChangeHandler([this] { reconcileLaunchers(); });   // its Changed signal, and Plank coming or
//     going plank.keep("/home/u/.local/share/applications/x.desktop");
//
// Every call waits at most kPlankCallTimeoutMs for Plank's answer and counts a missing one as "cannot be
// asked now": Plank gone, hung, or still starting (its items object appears a moment after it owns its name).
// A kept launcher whose URI is not a local file is listed as the URI's text, unchanged.
//
// Needs the QGuiApplication for launcherPosition (the screens); main thread only.
#pragma once

#include "platform/launcher_dock.h"

#include <memory>

namespace tessly {

inline constexpr char kPlankService[] = "net.launchpad.plank";
inline constexpr char kPlankItemsPath[] = "/net/launchpad/plank/dock1";
inline constexpr char kPlankItemsInterface[] = "net.launchpad.plank.Items";

/// Plank is a local process that answers from its main loop in a few milliseconds; half a second leaves room
/// for a busy moment (a redraw, an animation) and still keeps a hung dock from freezing Tessly's main thread
/// for D-Bus's default 25 s.
inline constexpr int kPlankCallTimeoutMs = 500;

class PlankDock final : public LauncherDock {
public:
    PlankDock();
    ~PlankDock() override;
    PlankDock(const PlankDock&) = delete;
    PlankDock& operator=(const PlankDock&) = delete;

    [[nodiscard]] QString name() const override { return QStringLiteral("Plank"); }
    bool keep(const QString& entryPath) override;
    bool remove(const QString& entryPath) override;
    [[nodiscard]] std::optional<QStringList> keptLaunchers() override;
    [[nodiscard]] std::optional<LauncherPosition> launcherPosition(const QString& entryPath) override;
    void setChangeHandler(std::function<void()> handler) override { m_changeHandler = std::move(handler); }

private:
    class Receiver;
    friend class Receiver;

    void reportChange();

    std::unique_ptr<Receiver> m_receiver;
    std::function<void()> m_changeHandler;
};

} // namespace tessly
