#include "shell/popup_view_maker.h"

#include "platform/main_queue.h"
#include "popup/folder_popup_view.h"

#include <QPointer>

namespace tessly {

PopupViewMaker folderPopupViewMaker(const WorkspaceIcons& icons, const SymbolImages& symbols,
                                    Workspace& workspace, MainQueue& queue, Console& console,
                                    PopupWindowEffects effects, LocalizedText text) {
    return [&icons, &symbols, &workspace, &queue, &console, effects = std::move(effects),
            text = std::move(text)](const PopupViewRequest& request,
                                    AppSettings& settings) -> std::unique_ptr<QWidget> {
        auto view = std::make_unique<FolderPopupView>(request.folder, request.dockEdge, request.maximumHeight,
                                                      request.onDismiss, request.onTogglePin, settings, icons,
                                                      symbols, workspace, queue, console, nullptr);
        FolderPopupView* popup = view.get();
        popup->setCompositorIsRunning(effects.compositorIsRunning && effects.compositorIsRunning());
        popup->setButtonNames(text ? text(QStringLiteral("popup.close")) : QStringLiteral("Close"),
                              text ? text(QStringLiteral("popup.pin")) : QStringLiteral("Pin"));
        // The window follows the popup's outline: blurred behind over a compositor, cut to it without one.
        auto applyShape = [popup, blurBehind = effects.requestBlurBehind] {
            QWidget* window = popup->window();
            if (window == popup) {
                return;
            }
            if (popup->compositorIsRunning()) {
                window->clearMask();
                if (blurBehind) {
                    blurBehind(*window, popup->blurRegion().translated(popup->pos()));
                }
            } else {
                window->setMask(popup->opaqueMask().translated(popup->pos()));
            }
        };
        QObject::connect(popup, &FolderPopupView::windowShapeChanged, popup, applyShape);
        // Once the panel holds the view: only then is the view's window the panel's.
        queue.async([guard = QPointer<FolderPopupView>(popup), applyShape] {
            if (guard) {
                applyShape();
            }
        });
        return view;
    };
}

} // namespace tessly
