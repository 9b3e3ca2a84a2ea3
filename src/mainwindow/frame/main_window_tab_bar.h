// The main window's bar under its title bar: the folders page's filter tabs ("All", "In Dock"), a button per
// settings page (its symbol, and its title while it is the one selected), and the theme switch at the end. A
// highlight moves from the selected tab to the next one as the selection changes.
//
//     auto* bar = new MainWindowTabBar(symbols, texts);
//     connect(bar, &MainWindowTabBar::pageChosen, window, &MainWindowView::select);
//     bar->setSelection(NavigationPage::general, FolderVisibilityFilter::all);
//
// Every tab is a button with an accessible name, reached by Tab and pressed by Space. Main thread only.
#pragma once

#include "mainwindow/folders/folders_page_logic.h"
#include "mainwindow/frame/navigation_page.h"
#include "model/enumerations.h"
#include "platform/gui/symbol_images.h"

#include <QVariantAnimation>
#include <QWidget>

#include <functional>
#include <vector>

class QAbstractButton;
class QHBoxLayout;

namespace tessly {

class MainWindowTabBar final : public QWidget {
    Q_OBJECT

public:
    MainWindowTabBar(const SymbolImages& symbols, std::function<QString(const QString&)> text,
                     QWidget* parent = nullptr);

    /// Shows `page` (and, on the folders page, `filter`) as selected; the highlight moves there.
    void setSelection(NavigationPage page, FolderVisibilityFilter filter);
    /// The theme the switch offers to leave.
    void setTheme(AppThemeMode theme);
    /// Takes the tab titles again, after a change of language.
    void retranslate();

    /// Where the highlight is now and where it goes, in the bar's coordinates.
    [[nodiscard]] QRectF highlightRect() const { return m_highlight; }

signals:
    void pageChosen(NavigationPage page);
    void filterChosen(FolderVisibilityFilter filter);
    void themeToggled();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Tab {
        QAbstractButton* button = nullptr;
        NavigationPage page = NavigationPage::allFolders;
        FolderVisibilityFilter filter = FolderVisibilityFilter::all;
        const char* titleKey = nullptr;
        const char* symbol = nullptr;
    };
    [[nodiscard]] const Tab* selectedTab() const;
    void moveHighlight(bool animated);
    void updateTitles();

    const SymbolImages& m_symbols;
    std::function<QString(const QString&)> m_text;
    std::vector<Tab> m_tabs;
    QAbstractButton* m_themeSwitch = nullptr;
    NavigationPage m_page = NavigationPage::allFolders;
    FolderVisibilityFilter m_filter = FolderVisibilityFilter::all;
    AppThemeMode m_theme = AppThemeMode::dark;
    QRectF m_highlight;
    QVariantAnimation m_highlightAnimation;
};

} // namespace tessly
