#include "mainwindow/editor/sheet_makers.h"

#include "discovery/app_discovery.h"
#include "mainwindow/editor/app_picker_view.h"
#include "mainwindow/editor/folder_editor_sheet.h"
#include "mainwindow/main_window_maker.h"
#include "model/folder_store.h"

#include <QDateTime>

namespace tessly {

QWidget* makeFolderEditorSheet(const MainWindowServices& services) {
    const Clock* clock = services.clock;
    return new FolderEditorSheet(
        FolderEditorSheet::Parts{services.store, services.settings, services.localization, services.symbols,
                                 [clock] {
                                     if (clock) {
                                         return clock->now();
                                     }
                                     // Services made without a clock (an older composition): the system's
                                     // time.
                                     return Date::fromTimeIntervalSince1970(
                                         static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0);
                                 }},
        services.store.folderToEdit());
}

QWidget* makeAppPickerSheet(const MainWindowServices& services) {
    FolderStore& store = services.store;
    const AppDiscovery* discovery = services.discovery;
    AppPickerView::Discover discover;
    if (discovery) {
        discover = [discovery](std::function<void(QList<AppItem>)> done) {
            discovery->discoverApps(std::move(done));
        };
    }
    return new AppPickerView(
        AppPickerView::Parts{services.settings, services.localization, services.symbols, services.icons,
                             services.queue, std::move(discover)},
        store.appPickerCurrentBundleIDs(),
        [callback = store.appPickerCallback()](const QList<AppItem>& chosen) {
            if (callback) {
                callback(chosen);
            }
        },
        [&store] { store.setShowingAppPicker(false); });
}

} // namespace tessly
