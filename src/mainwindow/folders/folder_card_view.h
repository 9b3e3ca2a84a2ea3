// One folder on the folders page: its miniature tile, name, number of applications, an "In Dock" marker, the
// in-Dock switch and an expand chevron; expanded, the grid of its applications and the edit, add and delete
// buttons; in editing, a name field, the symbol button, a remove button on every application and reordering
// by drag. Every change goes to the folder store.
//
//     FolderCardView card(context);
//     card.bind(folder, &stateOfThatFolder);     // the state outlives the card: cards are reused while
//     scrolling connect(&card, &FolderCardView::heightChanged, list, &List::relayout);
//
// The application grid and the texts are painted; the controls are widgets. Main thread only.
#pragma once

#include "mainwindow/folders/folder_card_layout.h"
#include "mainwindow/folders/folders_page_logic.h"
#include "model/folder_store.h"
#include "platform/distributed_notification_center.h"
#include "platform/gui/image.h"
#include "platform/gui/symbol_images.h"
#include "platform/gui/workspace_icons.h"
#include "platform/main_queue.h"
#include "platform/notification_center.h"
#include "settings/app_settings.h"

#include <QImage>
#include <QPointer>
#include <QVariantAnimation>
#include <QWidget>

#include <functional>

class QAbstractButton;
class QPainter;
class QLineEdit;

namespace tessly {

class ActionButton;
class Localization;
class ToggleSwitch;

/// What a card needs of the process.
struct FolderCardContext {
    FolderStore& store;
    AppSettings& settings;
    const Localization& l10n;
    const SymbolImages& symbols;
    const WorkspaceIcons& icons;
    DistributedNotificationCenter& distributed;
    /// The process's local notification centre (language changes).
    NotificationCenter& notifications;
    MainQueue& queue;
    /// Opens the symbol picker for a card in editing, at `anchor`; it calls back with the chosen symbol.
    std::function<void(QWidget* anchor, const QString& current, std::function<void(const QString&)> chosen)>
        pickSymbol;
    /// The folder-name rule applied on every change of a name being edited.
    std::function<QString(const QString&)> nameRule;
    /// An application's icon by the path of its bundle or entry, at the grid's size; a null image until it
    /// has been read (the list asks for a repaint then).
    std::function<QImage(const QString& path)> iconForPath;
    /// The state of the card of a folder, while the folder exists.
    std::function<struct FolderCardState*(const QUuid& folder)> stateOf;
    /// The state of a folder's card changed from outside the card (applications chosen while editing).
    std::function<void(const QUuid& folder)> cardChanged;
};

/// A card's own state, kept by the list for as long as its folder exists.
struct FolderCardState {
    bool expanded = false;
    bool editing = false;
    QString editingName;
    QString editingIcon;
    QList<AppItem> editingApps;
    std::optional<QUuid> draggingAppID;
};

class FolderCardView final : public QWidget {
    Q_OBJECT

public:
    /// The side of an application's icon in the card's grid.
    static constexpr int kAppIconSide = folder_card::kAppIconSide;

    explicit FolderCardView(const FolderCardContext& context, QWidget* parent = nullptr);
    ~FolderCardView() override;

    /// Shows `folder` with `state` (which the card changes as the user expands, edits and drags).
    void bind(const AppFolder& folder, FolderCardState* state);
    [[nodiscard]] const AppFolder& folder() const { return m_folder; }

    /// The card's height for `folder` in `state` at `width`, settled (no animation).
    [[nodiscard]] static int heightFor(const AppFolder& folder, const FolderCardState& state, int width);
    /// The height to lay the card out at now, while its expansion animates, showing `folder` in `state`: the
    /// list asks before it binds a changed folder, so the height always fits what the card is about to show.
    [[nodiscard]] int currentHeight(const AppFolder& folder, const FolderCardState& state, int width) const;

    /// Opens or closes the card; a card being edited stays open until Done.
    void setExpanded(bool expanded);
    void beginEditing();
    void finishEditing();
    /// The applications the card shows: the edited list while editing.
    [[nodiscard]] const QList<AppItem>& shownApps() const;
    /// The grid cell of the application at `index`, in the card's coordinates.
    [[nodiscard]] QRect cellRect(qsizetype index) const;

    [[nodiscard]] ToggleSwitch* inDockSwitch() const { return m_inDock; }
    [[nodiscard]] QAbstractButton* chevron() const { return m_chevron; }
    [[nodiscard]] ActionButton* symbolButton() const { return m_symbolButton; }
    /// The miniature tile drawn in the header: the folder as stored, with the symbol being chosen while
    /// editing.
    [[nodiscard]] const ImagePtr& tile() const { return m_tile; }

signals:
    /// The card wants another height (expanded, collapsed, applications added or removed).
    void heightChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The steps of the construction: the name field of editing, the symbol button, the opening's animation.
    void makeNameField();
    void makeSymbolButton();
    void setUpExpansion();
    // The steps of a paint: the header, then (open) the empty folder's note or the applications.
    [[nodiscard]] static QFont nameFont();
    void paintHeader(QPainter& painter) const;
    void paintEmptyGrid(QPainter& painter) const;
    void paintApps(QPainter& painter) const;
    [[nodiscard]] QString text(const QString& key) const;
    void retranslate();
    void layOutControls();
    /// Draws the header's tile anew when what it shows changed.
    void refreshTile(bool force);
    void addApplications();
    void confirmDelete();
    void toggleInDock(bool on);
    [[nodiscard]] std::optional<qsizetype> cellAt(const QPoint& position) const;
    [[nodiscard]] QRect removeButtonRect(qsizetype index) const;
    [[nodiscard]] QImage iconFor(const AppItem& app) const;
    void endDrag();

    const FolderCardContext& m_context;
    AppFolder m_folder;
    FolderCardState* m_state = nullptr;
    FolderCardState m_ownState;
    ImagePtr m_tile;
    /// What the tile was drawn from.
    AppFolder m_tileFolder;
    ToggleSwitch* m_inDock = nullptr;
    QAbstractButton* m_chevron = nullptr;
    QLineEdit* m_nameField = nullptr;
    ActionButton* m_symbolButton = nullptr;
    ActionButton* m_edit = nullptr;
    ActionButton* m_add = nullptr;
    ActionButton* m_delete = nullptr;
    QVariantAnimation m_expansion;
    double m_expansionProgress = 0.0;
    QPoint m_pressPosition;
    std::optional<qsizetype> m_pressedCell;
};

} // namespace tessly
