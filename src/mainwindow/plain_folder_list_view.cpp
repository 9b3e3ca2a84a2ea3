#include "mainwindow/plain_folder_list_view.h"

#include "mainwindow/settings_style.h"
#include "settings/localization.h"

namespace tessly {

PlainFolderListView::PlainFolderListView(FolderStore& store, const Localization& l10n, QWidget* parent)
    : QListWidget(parent), m_store(store), m_l10n(l10n) {
    setFrameShape(QFrame::NoFrame);
    setFont(settingsFont(SettingsFont::body));
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(l10n.localizedString(QStringLiteral("main.filter.all")));
    setSpacing(2);
    // Drawn on the section behind it (the window's maker puts it on one): no ground of its own.
    viewport()->setAutoFillBackground(false);
    setAutoFillBackground(false);
    connect(&m_store, &FolderStore::changed, this, [this](FolderStore::Field field) {
        if (field == FolderStore::Field::folders) {
            refresh();
        }
    });
    refresh();
}

void PlainFolderListView::setFilter(FolderVisibilityFilter filter) {
    m_filter = filter;
    refresh();
}

void PlainFolderListView::refresh() {
    clear();
    for (const AppFolder& folder : m_store.folders()) {
        if (m_filter == FolderVisibilityFilter::inDock && !folder.isInDock) {
            continue;
        }
        const auto count = static_cast<std::int64_t>(folder.apps.size());
        QString line = folder.name + QStringLiteral("  ·  ") +
                       m_l10n.localizedString(m_l10n.pluralKey(QStringLiteral("main.app_count"), count), {count});
        if (folder.isInDock) {
            line += QStringLiteral("  ·  ") + m_l10n.localizedString(QStringLiteral("main.folder.in_dock"));
        }
        addItem(line);
    }
    if (count() == 0) {
        // The empty state: a line of text, not a row to choose.
        auto* empty = new QListWidgetItem(m_l10n.localizedString(
            m_store.folders().isEmpty() ? QStringLiteral("main.no_folders") : QStringLiteral("No folders found")));
        empty->setFlags(Qt::NoItemFlags);
        empty->setTextAlignment(Qt::AlignCenter);
        addItem(empty);
    }
    setCurrentItem(nullptr);
}

} // namespace tessly
