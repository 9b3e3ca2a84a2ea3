// The folders page: the number of folders in the filter, a search field and the new-folder button above the
// folder cards, the totals below, and an empty state when there is nothing to list. Only the cards on screen
// exist as widgets (a user may have hundreds of folders); each keeps its expansion and editing for as long as
// its folder exists.
//
//     auto* page = new FoldersListView(context);
//     connect(window, &MainWindowView::filterChanged, page, &FoldersListView::setFilter);
//
// Each time it is shown it starts the store's Dock monitoring flag and asks for a Dock reconcile. Main thread
// only.
#pragma once

#include "mainwindow/folders/folder_card_view.h"
#include "platform/scoped_observer.h"

#include <QHash>
#include <QScrollArea>
#include <QWidget>

#include <map>
#include <memory>
#include <vector>

class QHBoxLayout;
class QLabel;
class QLineEdit;

namespace tessly {

class ActionButton;
class TextField;

class FoldersListView final : public QWidget {
    Q_OBJECT

public:
    explicit FoldersListView(FolderCardContext context, QWidget* parent = nullptr);
    ~FoldersListView() override;

    void setFilter(FolderVisibilityFilter filter);
    [[nodiscard]] FolderVisibilityFilter filter() const { return m_filter; }
    [[nodiscard]] QLineEdit* searchField() const { return m_search; }
    /// The folders listed now, in order.
    [[nodiscard]] QList<QUuid> shownFolders() const;
    [[nodiscard]] FolderListEmptyState emptyState() const { return m_emptyState; }
    /// The card widgets that exist now (those on screen).
    [[nodiscard]] QList<FolderCardView*> visibleCardsForTesting() const;
    /// The card of a folder, when it is on screen.
    [[nodiscard]] FolderCardView* cardOf(const QUuid& folder) const;
    /// Scrolls the card of `folder` into view.
    void scrollToFolder(const QUuid& folder);
    [[nodiscard]] QString headerText() const;
    [[nodiscard]] QString footerText() const;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The steps of the construction: the cards' context, the header (count, search, new folder), the
    // scrolling column of cards and the empty states.
    void wireCardContext();
    [[nodiscard]] QHBoxLayout* makeHeader();
    [[nodiscard]] QScrollArea* makeScrollArea();
    [[nodiscard]] QWidget* makeEmptyState();
    void refresh();
    void relayout();
    void placeCards();
    void retranslate();
    void storeChanged(FolderStore::Field field);
    [[nodiscard]] QString text(const QString& key) const;

    FolderCardContext m_context;
    FolderVisibilityFilter m_filter = FolderVisibilityFilter::all;
    QLabel* m_count = nullptr;
    TextField* m_searchField = nullptr;
    QLineEdit* m_search = nullptr;
    ActionButton* m_newFolder = nullptr;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_column = nullptr;
    QWidget* m_empty = nullptr;
    QLabel* m_emptyTitle = nullptr;
    QLabel* m_emptyMessage = nullptr;
    QLabel* m_emptySymbol = nullptr;
    ActionButton* m_emptyNewFolder = nullptr;
    QLabel* m_footer = nullptr;

    QList<qsizetype> m_shown;
    FolderListEmptyState m_emptyState = FolderListEmptyState::none;
    /// Each shown card's top and height in the column.
    std::vector<int> m_tops;
    std::vector<int> m_heights;
    /// Card states by folder, kept while the folder exists; node-based, so pointers stay valid.
    std::map<QUuid, FolderCardState> m_states;
    QHash<QUuid, FolderCardView*> m_cards;
    std::vector<FolderCardView*> m_spareCards;
    std::unique_ptr<class AppIconCache> m_iconCache;
    // Last, so that it ends first.
    ScopedObserver<NotificationCenter> m_languageObserver;
};

/// The confirmation before a folder is deleted, for the folder the store holds as pending; confirming posts
/// the helper's "DELETE" badge for a folder in the Dock and deletes it after the badge's time.
[[nodiscard]] QWidget* makeDeleteConfirmationSheet(FolderStore& store, AppSettings& settings,
                                                   const Localization& l10n,
                                                   DistributedNotificationCenter& distributed);
/// The alert shown when an empty folder is switched into the Dock.
[[nodiscard]] QWidget* makeEmptyFolderAlertSheet(FolderStore& store, AppSettings& settings,
                                                 const Localization& l10n);

} // namespace tessly
