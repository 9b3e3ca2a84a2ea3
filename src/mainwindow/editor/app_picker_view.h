// The application picker: the installed applications, found once each time it opens, as a grid of cells to
// choose from, with a search over their names. Applications already in the folder are shown, marked and
// dimmed, but cannot be chosen; the others are chosen and un-chosen by a click, or by Space or Return on the
// cell the arrow keys reached. The confirm button counts the choices ("Add (3)") and hands them over in the
// order of the list.
//
//     auto* picker = new AppPickerView(AppPickerView::Parts{settings, l10n, symbols, icons, queue,
//         [&discovery](auto done) { discovery.discoverApps(std::move(done)); }},
//         store.appPickerCurrentBundleIDs(),
//         [&store](const QList<AppItem>& chosen) { ... },      // confirm
//         [&store] { store.setShowingAppPicker(false); });      // close, after confirm or cancel
//
// Large lists stay fast: the grid is a list view over a model with one painter for every cell
// (`AppPickerCell`), so only the cells on screen are drawn, and each cell's icon is read from the workspace
// when the cell is first drawn, after the frame, and kept by path.
//
// Main thread only.
#pragma once

#include "mainwindow/editor/app_picker_selection.h"
#include "mainwindow/frame/sheet_content.h"
#include "model/app_folder.h"

#include <QAbstractItemDelegate>
#include <QAbstractListModel>
#include <functional>

class QLabel;
class QLineEdit;
class QListView;

namespace tessly {

class ActionButton;
class AppIconCache;
class MainQueue;
class SymbolImages;
class TextField;
class WorkspaceIcons;

/// The picker's shown applications as rows of a list model.
class AppPickerListModel final : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        /// The AppItem's identifier.
        IdRole = Qt::UserRole + 1,
        /// The file path of the application's bundle or entry, for its icon.
        PathRole,
        SelectedRole,
        AlreadyAddedRole,
    };

    AppPickerListModel(const AppPickerSelection& selection, const Localization& l10n,
                       QObject* parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;

    /// The shown rows changed (a search, a new scan).
    void reset();
    /// Row `row` changed its choice.
    void rowChanged(int row);

private:
    [[nodiscard]] const AppItem* application(const QModelIndex& index) const;

    const AppPickerSelection& m_selection;
    const Localization& m_l10n;
};

/// Draws one application's cell: its icon (a placeholder until loaded), its name on up to two lines, and a
/// mark when it is chosen or already in the folder.
class AppPickerCell final : public QAbstractItemDelegate {
    Q_OBJECT

public:
    static constexpr int kWidth = 96;
    static constexpr int kHeight = 92;
    static constexpr int kIconSide = 44;

    AppPickerCell(AppIconCache& icons, const SymbolImages& symbols, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    [[nodiscard]] QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    /// Whether the cell under the keyboard shows the focus ring (once keys were used in the grid).
    void setShowsFocus(bool shows) { m_showsFocus = shows; }

private:
    AppIconCache& m_icons;
    const SymbolImages& m_symbols;
    bool m_showsFocus = false;
};

class AppPickerView final : public SheetContent {
    Q_OBJECT

public:
    using Discover = std::function<void(std::function<void(QList<AppItem>)>)>;

    struct Parts {
        AppSettings& settings;
        const Localization& l10n;
        const SymbolImages& symbols;
        const WorkspaceIcons& icons;
        MainQueue& queue;
        /// Scans for the installed applications and hands them over (on the main thread, later or at once).
        Discover discoverApplications;
    };

    AppPickerView(Parts parts, QSet<QString> alreadySelectedBundleIDs,
                  std::function<void(const QList<AppItem>&)> onConfirm, std::function<void()> onClose,
                  QWidget* parent = nullptr);
    ~AppPickerView() override;

    [[nodiscard]] QSize sizeHint() const override;

    [[nodiscard]] const AppPickerSelection& selection() const { return m_selection; }
    [[nodiscard]] QLineEdit* searchField() const;
    [[nodiscard]] QListView* grid() const { return m_grid; }
    [[nodiscard]] ActionButton* confirmButton() const { return m_confirm; }
    [[nodiscard]] ActionButton* cancelButton() const { return m_cancel; }
    /// The note shown when no application is listed.
    [[nodiscard]] QLabel* emptyNote() const { return m_emptyNote; }
    /// True once the scan has come back.
    [[nodiscard]] bool hasApplications() const { return m_loaded; }

    /// Chooses or un-chooses the application shown at `row` (nothing for one already in the folder).
    void toggleRow(int row);
    /// Hands the chosen applications over in list order and closes.
    void confirm();

protected:
    void retranslate() override;
    void cancel() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /// The grid's look and behaviour: a list view in icon mode, one delegate painting every cell.
    void configureGrid();
    void showApplications(QList<AppItem> applications);
    void searchChanged(const QString& text);
    void refreshConfirm();
    void refreshEmptyNote();
    void spreadColumns();

    Parts m_parts;
    AppPickerSelection m_selection;
    std::function<void(const QList<AppItem>&)> m_onConfirm;
    std::function<void()> m_onClose;
    AppIconCache* m_iconCache;
    AppPickerListModel* m_model;
    AppPickerCell* m_cell;
    TextField* m_search;
    QListView* m_grid;
    QLabel* m_emptyNote;
    ActionButton* m_cancel;
    ActionButton* m_confirm;
    bool m_loaded = false;
};

} // namespace tessly
