// The folders as a plain list (name, number of applications, whether in the Dock), filtered as the tab bar
// says: what the window's first page shows until the folder cards take its place.
//
//     auto* list = new PlainFolderListView(store, l10n);
//     connect(window, &MainWindowView::filterChanged, list, &PlainFolderListView::setFilter);
//
// Main thread only.
#pragma once

#include "mainwindow/main_window_tab_bar.h"
#include "model/folder_store.h"

#include <QListWidget>

namespace tessly {

class Localization;

class PlainFolderListView final : public QListWidget {
    Q_OBJECT

public:
    PlainFolderListView(FolderStore& store, const Localization& l10n, QWidget* parent = nullptr);

    void setFilter(FolderVisibilityFilter filter);
    /// Lists the store's folders again, in the current language.
    void refresh();

private:
    FolderStore& m_store;
    const Localization& m_l10n;
    FolderVisibilityFilter m_filter = FolderVisibilityFilter::all;
};

} // namespace tessly
