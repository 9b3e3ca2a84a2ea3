// The Dock tile plug-ins of the tiles the stand-in Dock shows, each loaded in a plug-in host process of its
// own (tessly-dock-plugin-host), so that a plug-in that is missing, is no plug-in, or crashes while loading
// or later costs its own tile's pin reports and nothing else.
//
//     DockPlugIns plugIns(hostProgramPath);
//     plugIns.setShownTiles({"/home/me/Applications/Mail.app"});   // host started, told "hold"
//     plugIns.setShownTiles({});                                   // told "drop", then ends
//
// A host is started for every bundle that gains a tile, kept or only running, and told that the Dock holds
// the tile; when the tile goes away it is told so and ends. A host that ends by itself (no plug-in, refused,
// crashed) is not started again until its tile goes and comes back. When the Dock ends, the hosts see their
// input close and end without telling their plug-ins anything: the tiles did not go away, the Dock did.
//
// Main thread only.
#pragma once

#include <QHash>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>

namespace tessly::dock {

enum class PlugInState { starting, loaded, none, failed };

/// "starting", "loaded", "none" or "failed", as the control interface lists it.
[[nodiscard]] QString plugInStateText(PlugInState state);

class DockPlugIns final : public QObject {
    Q_OBJECT

public:
    explicit DockPlugIns(QString hostProgram, QObject* parent = nullptr);
    ~DockPlugIns() override;

    /// The bundles that now have a tile; hosts start and stop to match.
    void setShownTiles(const QStringList& bundlePaths);
    /// The state of the plug-in of a shown tile (none for a bundle without a tile).
    [[nodiscard]] PlugInState state(const QString& bundlePath) const;

signals:
    /// A plug-in's state changed (loaded, or its host ended).
    void stateChanged(const QString& bundlePath);

private:
    struct Host {
        std::unique_ptr<QProcess> process;
        PlugInState state = PlugInState::starting;
    };
    void start(const QString& bundlePath);
    void drop(const QString& bundlePath);

    QString m_hostProgram;
    std::map<QString, Host> m_hosts;
};

} // namespace tessly::dock
