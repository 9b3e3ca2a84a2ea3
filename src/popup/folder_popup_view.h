// The whole content of a folder's popup panel: the plate (with an arrow towards the Dock when the popup sits
// above it), its shadows and border, the header with the folder's name, pin and close buttons, and the grid
// of the folder's applications.
//
//     auto* view = new FolderPopupView(folder, dockEdge, [this] { closePopup(); },
//                                      [this](bool pinned) { setPinned(pinned); }, settings, icons,
//                                      symbols, workspace, queue, console, panel);
//     view->setCompositorIsRunning(compositorOwnsSelection);   // the panel's answer
//     QObject::connect(view, &FolderPopupView::windowShapeChanged, panel, [=] {
//         if (view->compositorIsRunning()) panelAdapter.blurBehind(view->blurRegion());
//         else panel->setMask(view->opaqueMask());
//     });
//     panel->resize(view->sizeHint());
//
// Everything shown is read live from the folder given and from the settings: a change of a popup setting, the
// theme or the arrow offset lays the view out again, and sizeHint() follows (the panel resizes on
// `windowShapeChanged`). All measurements come from popupLayout() and popupHeaderLayout(); the view only
// places and draws.
//
// Two materials. Over a compositor the plate is translucent, its shadows fall into the transparent margin,
// and the panel may ask the compositor to blur behind blurRegion(). Without one, translucent pixels would be
// blended with black: the plate is opaque, the presentation does not fade, and the panel cuts its window to
// opaqueMask() so neither the margin nor the corners show. Which case holds is the panel's answer,
// setCompositorIsRunning(); until it answers, the view assumes no compositor, which looks right everywhere.
//
// Main thread only.
#pragma once

#include "model/app_folder.h"
#include "model/enumerations.h"
#include "popup/popup_appearance.h"
#include "popup/popup_layout.h"
#include "popup/popup_shape.h"

#include <QFont>
#include <QImage>
#include <QList>
#include <QPainterPath>
#include <QRegion>
#include <QWidget>
#include <functional>

class QAbstractButton;
class QVariantAnimation;

namespace tessly {

class AppSettings;
class Console;
class MainQueue;
class PopupAppIconView;
class SymbolImages;
class Workspace;
class WorkspaceIcons;

class FolderPopupView final : public QWidget {
    Q_OBJECT

public:
    /// `dockEdge` is the side of the arrow when the popup sits above the Dock. `onDismiss` closes the popup
    /// (close button; after a launch unless pinned); `onTogglePin` hears each new pinned state. A launch that
    /// fails is reported on `console` and leaves the popup open.
    FolderPopupView(AppFolder folder, DockEdge dockEdge, std::function<void()> onDismiss,
                    std::function<void(bool pinned)> onTogglePin, AppSettings& settings,
                    const WorkspaceIcons& icons, const SymbolImages& symbols, Workspace& workspace,
                    MainQueue& queue, Console& console, QWidget* parent = nullptr);
    ~FolderPopupView() override;

    /// The panel's fitting size: the plate and the 24-point margin around it.
    [[nodiscard]] QSize sizeHint() const override;

    /// The panel's answer to whether translucent windows are composited; a change redraws the plate.
    void setCompositorIsRunning(bool running);
    /// The names assistive technology gives the close and pin buttons, in the user's language.
    void setButtonNames(const QString& close, const QString& pin);
    [[nodiscard]] bool compositorIsRunning() const { return m_compositorIsRunning; }
    /// The plate's outline as a region of the view: the window's shape when there is no compositor.
    [[nodiscard]] QRegion opaqueMask() const;
    /// Where the compositor should blur what lies behind: the outline while the plate is translucent, else
    /// empty.
    [[nodiscard]] QRegion blurRegion() const;

    [[nodiscard]] bool isPinned() const { return m_isPinned; }
    /// True once the appearance animation has started (or, without one, once shown).
    [[nodiscard]] bool isPresented() const { return m_isPresented; }
    /// False while the appearance animation runs.
    [[nodiscard]] bool isPresentationSettled() const;

    [[nodiscard]] const PopupLayout& layout() const { return m_layout; }
    /// Where the arrow is drawn now, sliding or not.
    [[nodiscard]] double arrowOffset() const { return m_shape.arrowOffset; }
    /// The header's parts; all empty when there is no header.
    [[nodiscard]] const PopupHeaderLayout& headerLayout() const { return m_header; }
    /// The plate's outline in the view's coordinates.
    [[nodiscard]] const QPainterPath& outline() const { return m_outline; }
    [[nodiscard]] const PopupMaterial& material() const { return m_material; }
    /// The grid's cells, in folder order.
    [[nodiscard]] const QList<PopupAppIconView*>& cells() const { return m_cells; }
    /// The title as drawn: cut at its tail to fit.
    [[nodiscard]] const QString& elidedTitle() const { return m_elidedTitle; }
    /// Whether the header shows the pin button (only in the centred position).
    [[nodiscard]] bool showsPinButton() const;

signals:
    /// The size, the outline or the material changed: the panel resizes and reapplies its mask or blur.
    void windowShapeChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void relayout();
    void updateOutline();
    void togglePin();
    void onLaunch();
    void present();
    void setArrowOffset(double offset);
    /// Slides the arrow to `offset` on a popup already drawn; places it there on one that is opening.
    void moveArrowTo(double offset);

    AppFolder m_folder;
    DockEdge m_dockEdge;
    std::function<void()> m_onDismiss;
    std::function<void(bool)> m_onTogglePin;
    AppSettings& m_settings;
    const SymbolImages& m_symbols;

    bool m_isPinned = false;
    bool m_isPresented = false;
    bool m_compositorIsRunning = false;

    // Decided in relayout(); paintEvent only draws them.
    PopupLayout m_layout;
    PopupHeaderLayout m_header;
    PopupColors m_colors;
    PopupMaterial m_material;
    PopupShape m_shape;
    bool m_hasArrow = false;
    QPainterPath m_outline;
    QImage m_shadows;
    QFont m_titleFont;
    QString m_elidedTitle;

    QList<PopupAppIconView*> m_cells;
    QAbstractButton* m_pinButton = nullptr;
    QAbstractButton* m_closeButton = nullptr;
    QVariantAnimation* m_arrowAnimation = nullptr;
    PopupShape m_arrowSlideFrom;
    PopupShape m_arrowSlideTo;
    bool m_hasBeenDrawn = false;
    QVariantAnimation* m_presentation = nullptr;
};

} // namespace tessly
