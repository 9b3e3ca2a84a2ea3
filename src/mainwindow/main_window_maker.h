// The main window as the program makes it: the frame with the folders list, the settings pages, the about
// page and the onboarding, over the process's settings, folder store and platform services.
//
//     MainWindowView* window = makeMainWindow(services);
//     window->show();
//
// Main thread only.
#pragma once

#include "discovery/app_discovery.h"
#include "mainwindow/frame/main_window_view.h"
#include "platform/distributed_notification_center.h"
#include "platform/gui/workspace_icons.h"
#include "platform/launcher_dock.h"
#include "platform/main_bundle.h"
#include "platform/software_updater.h"

namespace tessly {

struct MainWindowServices {
    AppSettings& settings;
    FolderStore& store;
    const Localization& localization;
    const MainBundle& bundle;
    const SymbolImages& symbols;
    const WorkspaceIcons& icons;
    SoftwareUpdater& updater;
    MainWindowController& controller;
    MainQueue& queue;
    NotificationCenter& notifications;
    DistributedNotificationCenter& distributed;
    /// Gives the window its identifier; the controller is told of it by the maker.
    std::function<void(QWidget&)> identify;
    /// The installed applications, for the application picker; without it the picker lists none.
    const AppDiscovery* discovery = nullptr;
    /// The current date, for the creation date of a folder made in the editor.
    const Clock* clock = nullptr;
    /// Which dock the session uses, for the general page; null: it says none was found.
    const DockDiscovery* docks = nullptr;
};

/// A new main window, not shown yet; it deletes itself when closed. The folders page's size outlives it: the
/// next window made with the same controller opens at the size the user gave this one.
[[nodiscard]] MainWindowView* makeMainWindow(const MainWindowServices& services);

} // namespace tessly
