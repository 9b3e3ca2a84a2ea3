// One process of the program: its helper manager, folder store, Dock tile and application delegate, built in
// order on the platform services it runs on and on its settings. The executable makes one from the Linux
// adapters; a test makes a main application and two helpers side by side from doubles.
//
//     const std::unique_ptr<AppSettings> settings = makeProcessSettings(services);
//     TesslyProcess process(services, *settings, makePopupView, revealMainWindow);
//     process.launch();          // language set-up, then the start-up of whichever role the bundle has
//     app.exec();
//     process.terminate();       // what a normal quit does last
//
// Main thread only.
#pragma once

#include "helpers/helper_manager.h"
#include "model/folder_store.h"
#include "settings/app_settings.h"
#include "shell/app_delegate.h"
#include "shell/platform_services.h"
#include "tile/dock_tile_manager.h"

#include <functional>
#include <memory>

namespace tessly {

/// Makes the popup's content view for a request, reading the process's settings live.
using PopupViewMaker = std::function<std::unique_ptr<QWidget>(const PopupViewRequest&, AppSettings&)>;

/// The settings of a process on `services`, read from its user defaults. They are made before the process so
/// that what needs them first (the interface's texts, which the platform's update check shows) exists before
/// the process does; they outlive the process.
[[nodiscard]] std::unique_ptr<AppSettings> makeProcessSettings(const PlatformServices& services);

class TesslyProcess {
public:
    TesslyProcess(const PlatformServices& services, AppSettings& settings, PopupViewMaker makePopupView,
                  MainWindowReveal revealMainWindow);
    ~TesslyProcess();
    TesslyProcess(const TesslyProcess&) = delete;
    TesslyProcess& operator=(const TesslyProcess&) = delete;

    /// Connects the platform's events to the delegate and runs the start-up.
    void launch();
    /// The delegate's termination; call once the event loop has ended.
    void terminate();

    [[nodiscard]] AppSettings& settings() { return m_settings; }
    [[nodiscard]] HelperManager& helpers() { return m_helpers; }
    [[nodiscard]] FolderStore& store() { return m_store; }
    [[nodiscard]] DockTileManager& tile() { return m_tile; }
    [[nodiscard]] AppDelegate& delegate() { return m_delegate; }

private:
    PlatformServices m_services;
    AppSettings& m_settings;
    HelperManager m_helpers;
    FolderStore m_store;
    DockTileManager m_tile;
    AppDelegate m_delegate;
};

} // namespace tessly
