// The sheets the folder store asks the main window for: the folder editor (for the store's `folderToEdit`, or
// a new folder) and the application picker (marking the store's `appPickerCurrentBundleIDs`, handing the
// choice to its `appPickerCallback`). Each closes itself through the store's flag.
//
//     MainWindowParts parts{..., [s] { return makeFolderEditorSheet(s); }, [s] { return
//     makeAppPickerSheet(s); }, ...};
//
// Main thread only.
#pragma once

class QWidget;

namespace tessly {

struct MainWindowServices;

/// The folder editor's content for the store's current `folderToEdit`.
[[nodiscard]] QWidget* makeFolderEditorSheet(const MainWindowServices& services);

/// The application picker's content for the store's current picker fields; it scans for applications
/// through the services' discovery (none without one).
[[nodiscard]] QWidget* makeAppPickerSheet(const MainWindowServices& services);

} // namespace tessly
