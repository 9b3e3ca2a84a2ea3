// The whole content of a folder's popup panel: the plate (with an arrow towards the Dock when the popup sits
// above it), its shadows and border, the header with the folder's name, pin and close buttons, and the grid
// of the folder's applications.
//
//     auto* view = new FolderPopupView(folder, dockEdge, roomOnScreen, [this] { closePopup(); },
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
// The panel is never taller than the room it is given: a grid with more rows than fit shows the rows that do
// and scrolls by whole rows, with the mouse wheel, its slim scroll bar, or the keyboard (a cell that takes
// the focus, by Tab or the arrow keys, is scrolled into view). Only the rows shown, and one on either side,
// have cells: a cell reads its application's icon when it is made and is let go, icon and all, once its row
// is further out of view.
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
#include <optional>

class QAbstractButton;
class QScrollBar;
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
    /// `dockEdge` is the side of the arrow when the popup sits above the Dock; `maximumHeight` the tallest
    /// the panel may be (none: no limit). `onDismiss` closes the popup (close button; after a launch unless
    /// pinned); `onTogglePin` hears each new pinned state. A launch that fails is reported on `console` and
    /// leaves the popup open.
    FolderPopupView(AppFolder folder, DockEdge dockEdge, std::optional<double> maximumHeight,
                    std::function<void()> onDismiss, std::function<void(bool pinned)> onTogglePin,
                    AppSettings& settings, const WorkspaceIcons& icons, const SymbolImages& symbols,
                    Workspace& workspace, MainQueue& queue, Console& console, QWidget* parent = nullptr);
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
    [[nodiscard]] bool isPresentationSettledForTesting() const;

    [[nodiscard]] const PopupLayout& layout() const { return m_layout; }
    /// Where the arrow is drawn now, sliding or not.
    [[nodiscard]] double arrowOffset() const { return m_shape.arrowOffset; }
    /// The header's parts; all empty when there is no header.
    [[nodiscard]] const PopupHeaderLayout& headerLayout() const { return m_header; }
    /// The plate's outline in the view's coordinates.
    [[nodiscard]] const QPainterPath& outline() const { return m_outline; }
    [[nodiscard]] const PopupMaterial& material() const { return m_material; }
    /// The grid's cells by their application's place in the folder; null where no cell is made (a row more
    /// than one away from those shown).
    [[nodiscard]] const QList<PopupAppIconView*>& cells() const { return m_cells; }
    /// The first row the grid shows.
    [[nodiscard]] qsizetype firstShownRow() const { return m_firstRow; }
    /// Scrolls the grid so that `row` is the first shown, as far as the rows go.
    void scrollToRow(qsizetype row);
    /// Scrolls the grid, as little as it takes, so that the cell of the application at `index` is shown.
    void scrollToCell(qsizetype index);
    /// The grid's scroll bar, shown while some rows are out of view; none until that first happens.
    [[nodiscard]] QScrollBar* scrollBar() const { return m_scrollBar; }
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
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    /// How a cell shows its application, as the last layout decided.
    struct CellStyle {
        double iconSize = 0;
        std::optional<double> nameLineHeight;
        QFont nameFont;
        QColor nameColor;
        QColor focusRing;
        /// How far a cell's widget reaches beyond its slot: room for a hovered icon grown and a focus ring.
        int growth = 0;
    };

    void relayout();
    /// The layout's input from the settings; a line height for the names and for the title when each shows.
    [[nodiscard]] PopupLayoutInput layoutInput(std::optional<double> nameLineHeight,
                                               std::optional<double> titleLineHeight) const;
    /// The close and pin buttons in the header, shown when the header has them, in the popup's colours.
    void placeHeaderButtons(bool showsTitle, bool showsPin);
    /// Makes the cells of the rows shown and of one row on either side, lets go of the others, and places
    /// them for the current scroll.
    void placeCells();
    void updateScrollBar();
    /// Moves the keyboard focus to the cell of the application at `index`, scrolling it into view.
    void focusCell(qsizetype index);
    void updateOutline();
    void togglePin();
    void onLaunch();
    void present();
    void setArrowOffset(double offset);
    /// Slides the arrow to `offset` on a popup already drawn; places it there on one that is opening.
    void moveArrowTo(double offset);

    AppFolder m_folder;
    DockEdge m_dockEdge;
    std::optional<double> m_maximumHeight;
    std::function<void()> m_onDismiss;
    std::function<void(bool)> m_onTogglePin;
    AppSettings& m_settings;
    const WorkspaceIcons& m_icons;
    const SymbolImages& m_symbols;
    Workspace& m_workspace;
    MainQueue& m_queue;
    Console& m_console;

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

    CellStyle m_cellStyle;
    QList<PopupAppIconView*> m_cells;
    qsizetype m_firstRow = 0;
    /// Wheel turns not yet a whole row.
    int m_wheelAngle = 0;
    QScrollBar* m_scrollBar = nullptr;
    QAbstractButton* m_pinButton = nullptr;
    QAbstractButton* m_closeButton = nullptr;
    QVariantAnimation* m_arrowAnimation = nullptr;
    PopupShape m_arrowSlideFrom;
    PopupShape m_arrowSlideTo;
    bool m_hasBeenDrawn = false;
    QVariantAnimation* m_presentation = nullptr;
};

} // namespace tessly
