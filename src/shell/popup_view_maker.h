// The popup's content view as the program makes it: a FolderPopupView on the process's icons, symbols,
// workspace and queue, whose window follows the popup's outline (blurred behind over a compositor, cut to it
// without one). The composition root hands in what the window system offers; so does a benchmark that builds
// a helper's process of its own.
//
//     TesslyProcess process(services,
//                           folderPopupViewMaker(icons, symbols, workspace, queue, console,
//                                                PopupWindowEffects{compositorIsRunning, requestBlurBehind}),
//                           revealMainWindow);
//
// Main thread only.
#pragma once

#include "shell/tessly_process.h"

#include <QRegion>
#include <QString>

#include <functional>

class QWidget;

namespace tessly {

class Console;
class MainQueue;
class SymbolImages;
class Workspace;
class WorkspaceIcons;

/// What the window system offers the popup's window.
struct PopupWindowEffects {
    /// Whether translucent windows are composited; asked once per view.
    std::function<bool()> compositorIsRunning;
    /// Asks for blur behind a region of a top-level window (its own coordinates).
    std::function<void(QWidget& window, const QRegion& region)> requestBlurBehind;
};

/// The interface's texts in the user's language, by key; none gives the English names.
using LocalizedText = std::function<QString(const QString& key)>;

/// Makes the folder popup view of each request; everything given must outlive the maker.
[[nodiscard]] PopupViewMaker folderPopupViewMaker(const WorkspaceIcons& icons, const SymbolImages& symbols,
                                                  Workspace& workspace, MainQueue& queue, Console& console,
                                                  PopupWindowEffects effects, LocalizedText text = {});

} // namespace tessly
