#include "mainwindow/folders/folders_list_view.h"

#include "mainwindow/controls/action_button.h"
#include "mainwindow/controls/settings_style.h"
#include "mainwindow/controls/text_field.h"
#include "mainwindow/folders/app_icon_cache.h"
#include "mainwindow/frame/sheet_content.h"
#include "model/display_text.h"
#include "model/notification_names.h"
#include "model/uuid_text.h"
#include "settings/localization.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QVBoxLayout>

namespace tessly {

namespace {

constexpr int kCardSpacing = 8;
/// Cards are made this far beyond the visible part, so that a scroll finds them ready.
constexpr int kOverscan = 200;

QPixmap tintedSymbol(const SymbolImages& symbols, const QString& name, int side, const QColor& tint) {
    QPixmap pixmap(side * 2, side * 2);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    if (const ImagePtr symbol = symbols.symbol(name, side, SymbolWeight::regular)) {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        symbol->drawTinted(painter, QRectF(0, 0, side, side), tint);
    }
    return pixmap;
}

void openNewFolderEditor(FolderStore& store) {
    store.setFolderToEdit(std::nullopt);
    store.setShowingFolderEditor(true);
}

} // namespace

FoldersListView::FoldersListView(FolderCardContext context, QWidget* parent)
    : QWidget(parent), m_context(std::move(context)) {
    wireCardContext();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(settings_metrics::kPageMarginHorizontal, 4,
                               settings_metrics::kPageMarginHorizontal, 12);
    layout->setSpacing(10);
    layout->addLayout(makeHeader());
    layout->addWidget(makeScrollArea(), 1);
    layout->addWidget(makeEmptyState(), 1);
    m_footer = new QLabel(this);
    m_footer->setFont(settingsFont(SettingsFont::caption));
    m_footer->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_footer);

    connect(m_search, &QLineEdit::textChanged, this, &FoldersListView::refresh);
    connect(m_newFolder, &QAbstractButton::clicked, this, [this] { openNewFolderEditor(m_context.store); });
    connect(m_emptyNewFolder, &QAbstractButton::clicked, this,
            [this] { openNewFolderEditor(m_context.store); });
    connect(m_scroll->verticalScrollBar(), &QScrollBar::valueChanged, this, &FoldersListView::placeCards);
    connect(&m_context.store, &FolderStore::changed, this, &FoldersListView::storeChanged);
    m_languageObserver =
        ScopedObserver(m_context.notifications,
                       m_context.notifications.addObserver(notification_names::kLanguageChanged,
                                                           [this](const Notification&) { retranslate(); }));
    setFocusProxy(m_searchField);
    retranslate();
}

void FoldersListView::wireCardContext() {
    // The cards find their state, their icons and the list through the context the list owns.
    m_context.stateOf = [this](const QUuid& folder) -> FolderCardState* {
        const auto found = m_states.find(folder);
        return found == m_states.end() ? nullptr : &found->second;
    };
    m_context.cardChanged = [this](const QUuid& folder) {
        if (FolderCardView* card = cardOf(folder)) {
            card->bind(card->folder(), m_context.stateOf(folder));
        }
        relayout();
    };
    // Icons are read after the frame that first wants them, a few at a time, once per path.
    m_iconCache = std::make_unique<AppIconCache>(m_context.icons, m_context.queue,
                                                 FolderCardView::kAppIconSide, devicePixelRatioF());
    connect(m_iconCache.get(), &AppIconCache::iconsLoaded, this, [this] {
        for (FolderCardView* card : std::as_const(m_cards)) {
            card->update();
        }
    });
    m_context.iconForPath = [this](const QString& path) { return m_iconCache->icon(path); };
}

QHBoxLayout* FoldersListView::makeHeader() {
    auto* header = new QHBoxLayout;
    header->setSpacing(10);
    m_count = new QLabel(this);
    m_count->setFont(settingsFont(SettingsFont::sectionTitle));
    header->addWidget(m_count);
    m_searchField = new TextField(&m_context.symbols, QStringLiteral("magnifyingglass"), this);
    m_search = m_searchField->lineEdit();
    m_search->setClearButtonEnabled(true);
    m_searchField->setMinimumWidth(160);
    header->addWidget(m_searchField, 1);
    m_newFolder = new ActionButton(ActionButtonStyle::primary, QString(), &m_context.symbols,
                                   QStringLiteral("plus"), this);
    header->addWidget(m_newFolder);
    return header;
}

QScrollArea* FoldersListView::makeScrollArea() {
    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidgetResizable(false);
    // Tab goes from control to control in the cards; the list itself is no stop of its own.
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_column = new QWidget;
    m_column->setAutoFillBackground(false);
    m_scroll->setWidget(m_column);
    m_scroll->viewport()->installEventFilter(this);
    return m_scroll;
}

QWidget* FoldersListView::makeEmptyState() {
    // The empty states: a symbol, a title, a line, and (with no folders at all) the new-folder button.
    m_empty = new QWidget(this);
    auto* empty = new QVBoxLayout(m_empty);
    empty->setAlignment(Qt::AlignCenter);
    empty->setSpacing(8);
    m_emptySymbol = new QLabel(m_empty);
    m_emptySymbol->setAlignment(Qt::AlignCenter);
    m_emptyTitle = new QLabel(m_empty);
    m_emptyTitle->setFont(settingsFont(SettingsFont::title));
    m_emptyTitle->setAlignment(Qt::AlignCenter);
    m_emptyMessage = new QLabel(m_empty);
    m_emptyMessage->setAlignment(Qt::AlignCenter);
    m_emptyMessage->setWordWrap(true);
    m_emptyNewFolder = new ActionButton(ActionButtonStyle::primary, QString(), &m_context.symbols,
                                        QStringLiteral("plus"), m_empty);
    empty->addWidget(m_emptySymbol);
    empty->addWidget(m_emptyTitle);
    empty->addWidget(m_emptyMessage);
    empty->addWidget(m_emptyNewFolder, 0, Qt::AlignCenter);
    return m_empty;
}

FoldersListView::~FoldersListView() = default;

QString FoldersListView::text(const QString& key) const {
    return m_context.l10n.localizedString(key);
}

void FoldersListView::retranslate() {
    m_search->setPlaceholderText(text(QStringLiteral("main.search_placeholder")));
    m_search->setAccessibleName(m_search->placeholderText());
    m_newFolder->setText(text(QStringLiteral("main.new_folder")));
    m_emptyNewFolder->setText(m_newFolder->text());
    refresh();
}

void FoldersListView::setFilter(FolderVisibilityFilter filter) {
    m_filter = filter;
    refresh();
}

void FoldersListView::storeChanged(FolderStore::Field field) {
    if (field == FolderStore::Field::folders) {
        refresh();
    } else if (field == FolderStore::Field::newlyAddedFolderID) {
        if (const std::optional<QUuid> added = m_context.store.newlyAddedFolderID()) {
            scrollToFolder(*added);
            m_context.store.setNewlyAddedFolderID(std::nullopt);
        }
    }
}

QString FoldersListView::headerText() const {
    const QList<AppFolder>& folders = m_context.store.folders();
    const auto count = static_cast<std::int64_t>(folderCountInFilter(folders, m_filter));
    return m_context.l10n.localizedString(
        m_context.l10n.pluralKey(QStringLiteral("main.folder_count"), count), {count});
}

QString FoldersListView::footerText() const {
    const QList<AppFolder>& folders = m_context.store.folders();
    return m_context.l10n.localizedString(QStringLiteral("main.footer.total"),
                                          {static_cast<std::int64_t>(folders.size())}) +
           QStringLiteral(" \u00B7 ") +
           m_context.l10n.localizedString(QStringLiteral("main.footer.in_dock"),
                                          {static_cast<std::int64_t>(foldersInDock(folders))});
}

void FoldersListView::refresh() {
    const QList<AppFolder>& folders = m_context.store.folders();
    m_shown = shownFolderIndexes(folders, m_filter, m_search->text());
    m_emptyState = folderListEmptyState(folders, m_shown);

    // States of folders that are gone go with them.
    QSet<QUuid> present;
    for (const AppFolder& folder : folders) {
        present.insert(folder.id);
    }
    for (auto state = m_states.begin(); state != m_states.end();) {
        state = present.contains(state->first) ? std::next(state) : m_states.erase(state);
    }

    m_count->setText(headerText());
    m_footer->setText(footerText());
    const QColor secondary = palette().color(kSecondaryTextRole);
    m_footer->setStyleSheet(QStringLiteral("color: %1").arg(secondary.name()));
    m_emptyMessage->setStyleSheet(QStringLiteral("color: %1").arg(secondary.name()));
    m_scroll->setVisible(m_emptyState == FolderListEmptyState::none);
    m_empty->setVisible(m_emptyState != FolderListEmptyState::none);
    if (m_emptyState == FolderListEmptyState::noFolders) {
        m_emptySymbol->setPixmap(tintedSymbol(
            m_context.symbols, QStringLiteral("square.grid.3x1.folder.badge.plus"), 44, secondary));
        m_emptyTitle->setText(text(QStringLiteral("main.no_folders")));
        m_emptyMessage->setText(QString());
        m_emptyMessage->hide();
        m_emptyNewFolder->show();
    } else if (m_emptyState == FolderListEmptyState::noResults) {
        m_emptySymbol->setPixmap(
            tintedSymbol(m_context.symbols, QStringLiteral("magnifyingglass"), 44, secondary));
        m_emptyTitle->setText(text(QStringLiteral("No folders found")));
        m_emptyMessage->setText(text(QStringLiteral("Try another search or switch back to All.")));
        m_emptyMessage->show();
        m_emptyNewFolder->hide();
    }
    relayout();
}

void FoldersListView::relayout() {
    const QList<AppFolder>& folders = m_context.store.folders();
    const int width = m_scroll->viewport()->width();
    m_tops.assign(m_shown.size(), 0);
    m_heights.assign(m_shown.size(), 0);
    int y = 0;
    for (qsizetype row = 0; row < m_shown.size(); ++row) {
        const AppFolder& folder = folders.at(m_shown.at(row));
        const auto state = m_states.find(folder.id);
        FolderCardView* card = m_cards.value(folder.id);
        const FolderCardState settled;
        const FolderCardState& cardState = state == m_states.end() ? settled : state->second;
        // A card on screen knows how far it has opened; its height is that of the folder it is about to show
        // (applications added or removed since it was bound), not of the one it showed. The others are
        // settled.
        const int height = card ? card->currentHeight(folder, cardState, width)
                                : FolderCardView::heightFor(folder, cardState, width);
        m_tops[static_cast<std::size_t>(row)] = y;
        m_heights[static_cast<std::size_t>(row)] = height;
        y += height + kCardSpacing;
    }
    m_column->resize(width, std::max(0, y - kCardSpacing));
    placeCards();
}

void FoldersListView::placeCards() {
    const QList<AppFolder>& folders = m_context.store.folders();
    const int top = m_scroll->verticalScrollBar()->value() - kOverscan;
    const int bottom = m_scroll->verticalScrollBar()->value() + m_scroll->viewport()->height() + kOverscan;
    QHash<QUuid, FolderCardView*> placed;
    for (qsizetype row = 0; row < m_shown.size(); ++row) {
        const int cardTop = m_tops[static_cast<std::size_t>(row)];
        const int cardHeight = m_heights[static_cast<std::size_t>(row)];
        if (cardTop + cardHeight < top || cardTop > bottom) {
            continue;
        }
        const AppFolder& folder = folders.at(m_shown.at(row));
        FolderCardView* card = m_cards.take(folder.id);
        if (!card) {
            if (!m_spareCards.empty()) {
                card = m_spareCards.back();
                m_spareCards.pop_back();
            } else {
                card = new FolderCardView(m_context, m_column);
                connect(card, &FolderCardView::heightChanged, this, &FoldersListView::relayout,
                        Qt::QueuedConnection);
            }
        }
        card->bind(folder, &m_states[folder.id]);
        card->setGeometry(0, cardTop, m_column->width(), cardHeight);
        card->show();
        placed.insert(folder.id, card);
    }
    // Cards that left the screen wait, hidden, to show another folder.
    for (FolderCardView* card : std::as_const(m_cards)) {
        // The keyboard in a card that goes away stays on the page, in the search field, rather than jumping
        // to the window's first control.
        if (QWidget* focused = QApplication::focusWidget(); focused && card->isAncestorOf(focused)) {
            m_search->setFocus(Qt::OtherFocusReason);
        }
        card->hide();
        m_spareCards.push_back(card);
    }
    m_cards = placed;
}

QList<QUuid> FoldersListView::shownFolders() const {
    QList<QUuid> ids;
    for (const qsizetype index : m_shown) {
        ids.append(m_context.store.folders().at(index).id);
    }
    return ids;
}

QList<FolderCardView*> FoldersListView::visibleCardsForTesting() const {
    return m_cards.values();
}

FolderCardView* FoldersListView::cardOf(const QUuid& folder) const {
    return m_cards.value(folder);
}

void FoldersListView::scrollToFolder(const QUuid& folder) {
    const QList<QUuid> shown = shownFolders();
    const qsizetype row = shown.indexOf(folder);
    if (row < 0) {
        return;
    }
    m_scroll->ensureVisible(
        0, m_tops[static_cast<std::size_t>(row)] + m_heights[static_cast<std::size_t>(row)] / 2, 0,
        m_heights[static_cast<std::size_t>(row)] / 2 + kCardSpacing);
    placeCards();
}

void FoldersListView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_context.store.didStartDockStateMonitoring()) {
        m_context.store.setDidStartDockStateMonitoring(true);
    }
    m_context.store.scheduleDockReconcile();
    refresh();
}

bool FoldersListView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_scroll->viewport() && event->type() == QEvent::Resize) {
        relayout();
    }
    return QWidget::eventFilter(watched, event);
}

namespace {

/// The question before a folder is deleted: the folder's name, what deleting does, Cancel and Delete.
class DeleteFolderConfirmationSheet final : public SheetContent {
public:
    DeleteFolderConfirmationSheet(AppFolder folder, FolderStore& store, AppSettings& settings,
                                  const Localization& l10n, DistributedNotificationCenter& distributed)
        : SheetContent(settings, l10n), m_folder(std::move(folder)), m_store(store),
          m_distributed(distributed), m_message(new QLabel(this)),
          m_cancel(new ActionButton(ActionButtonStyle::secondary, QString())),
          m_delete(new ActionButton(ActionButtonStyle::destructive, QString())) {
        m_message->setWordWrap(true);
        m_message->setFont(settingsFont(SettingsFont::body));
        // In line with the title and the buttons' edges, which sit inside the room their focus rings keep.
        m_message->setContentsMargins(settings_metrics::kFocusRingWidth + 1, 0, 0, 0);
        bodyLayout()->addWidget(m_message);
        buttonRow()->addWidget(m_cancel);
        buttonRow()->addWidget(m_delete);
        connect(m_cancel, &QAbstractButton::clicked, this, [this] { cancel(); });
        connect(m_delete, &QAbstractButton::clicked, this, [this] { confirm(); });
        // Return and Space keep the folder: deleting is a choice made on purpose.
        setFocusProxy(m_cancel);
        finishSetup();
    }

protected:
    void retranslate() override {
        setTitle(text(QStringLiteral("main.folder.delete_confirmation_title")));
        m_message->setText(
            QStringLiteral("<b>%1</b><br>%2")
                .arg(isolatedName(m_folder.name).toHtmlEscaped(),
                     text(QStringLiteral("main.folder.delete_confirmation_message")).toHtmlEscaped()));
        m_cancel->setText(text(QStringLiteral("folder.editor.btn.cancel")));
        m_delete->setText(text(QStringLiteral("main.folder.delete_title")));
    }
    void cancel() override { m_store.setFolderPendingDelete(std::nullopt); }

private:
    void confirm() {
        m_store.setFolderPendingDelete(std::nullopt);
        if (m_folder.isInDock) {
            // The helper shows its "DELETE" badge for the time the deletion waits.
            m_distributed.post(notification_names::kTSFolderDeleteBadge, std::nullopt,
                               PlistDictionary{{notification_names::kKeyId, uuidText(m_folder.id)}});
        }
        m_store.deleteFolder(m_folder.id, deletionDelay(m_folder));
    }

    const AppFolder m_folder;
    FolderStore& m_store;
    DistributedNotificationCenter& m_distributed;
    QLabel* m_message;
    ActionButton* m_cancel;
    ActionButton* m_delete;
};

/// Why an empty folder stays out of the Dock.
class EmptyFolderAlertSheet final : public SheetContent {
public:
    EmptyFolderAlertSheet(FolderStore& store, AppSettings& settings, const Localization& l10n)
        : SheetContent(settings, l10n), m_store(store), m_message(new QLabel(this)),
          m_ok(new ActionButton(ActionButtonStyle::primary, QString())) {
        m_message->setWordWrap(true);
        m_message->setFont(settingsFont(SettingsFont::body));
        // In line with the title and the buttons' edges, which sit inside the room their focus rings keep.
        m_message->setContentsMargins(settings_metrics::kFocusRingWidth + 1, 0, 0, 0);
        bodyLayout()->addWidget(m_message);
        buttonRow()->addWidget(m_ok);
        connect(m_ok, &QAbstractButton::clicked, this, [this] { cancel(); });
        setFocusProxy(m_ok);
        finishSetup();
    }

protected:
    void retranslate() override {
        setTitle(text(QStringLiteral("main.folder.empty_folder_alert.title")));
        m_message->setText(text(QStringLiteral("main.folder.empty_folder_alert.message")));
        m_ok->setText(text(QStringLiteral("OK")));
    }
    void cancel() override { m_store.setShowingEmptyFolderAlert(false); }

private:
    FolderStore& m_store;
    QLabel* m_message;
    ActionButton* m_ok;
};

} // namespace

QWidget* makeDeleteConfirmationSheet(FolderStore& store, AppSettings& settings, const Localization& l10n,
                                     DistributedNotificationCenter& distributed) {
    const std::optional<AppFolder> pending = store.folderPendingDelete();
    return pending ? new DeleteFolderConfirmationSheet(*pending, store, settings, l10n, distributed)
                   : nullptr;
}

QWidget* makeEmptyFolderAlertSheet(FolderStore& store, AppSettings& settings, const Localization& l10n) {
    return new EmptyFolderAlertSheet(store, settings, l10n);
}

} // namespace tessly
