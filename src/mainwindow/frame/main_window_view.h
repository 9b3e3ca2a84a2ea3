// The main application's window: its own title bar (the window lights and a stretch that moves the window),
// the tab bar, and the page of the selection; or, until the user has been through it, the onboarding. The
// window follows the page in size (the folders page returns to the size the user gave it, a settings page is
// as tall as its content, the top edge stays), can be resized at its edges (a settings page only in width:
// its height stays its content's at the width dragged to), and presents the folder editor and the application
// picker as sheets when the folder store asks for them. The folders page's size lives in the
// `MainWindowSizing` the parts hand over, which outlives the window, so a window opened again comes back at
// that size.
//
//     MainWindowView* window = new MainWindowView(parts);   // deletes itself when closed
//     window->show();                                        // takes the page the controller holds for it
//
// The window carries the title "Tessly"; `windowCreated` gives it the main window's identifier and registers
// it with the controller. Main thread only.
#pragma once

#include "mainwindow/frame/main_window_controller.h"
#include "mainwindow/frame/main_window_sizing.h"
#include "mainwindow/frame/main_window_tab_bar.h"
#include "model/folder_store.h"
#include "platform/gui/symbol_images.h"
#include "platform/main_queue.h"
#include "platform/notification_center.h"
#include "platform/scoped_observer.h"
#include "settings/app_settings.h"

#include <QPointer>
#include <QPropertyAnimation>
#include <QWidget>

#include <functional>
#include <map>

class QStackedWidget;

namespace tessly {

class CustomTrafficLights;
class Localization;
class SettingsPage;

struct MainWindowParts {
    AppSettings& settings;
    FolderStore& store;
    const Localization& localization;
    const SymbolImages& symbols;
    MainWindowController& controller;
    MainQueue& queue;
    /// The process's local notification centre.
    NotificationCenter& notifications;
    /// The sizes kept for the life of the process: a closed window deletes itself, the folders page's size
    /// stays.
    MainWindowSizing& sizing;
    /// The folders page (made once per window).
    std::function<QWidget*()> makeFoldersPage;
    /// A settings page: general, tile, popup or about (each made when first shown).
    std::function<SettingsPage*(NavigationPage)> makeSettingsPage;
    /// The onboarding; it calls its argument when the user finishes (true: make a first folder next).
    std::function<QWidget*(std::function<void(bool)>)> makeOnboarding;
    /// The folder editor's and the application picker's content, when the store asks for them; nothing
    /// presents nothing.
    std::function<QWidget*()> makeFolderEditor;
    std::function<QWidget*()> makeAppPicker;
    /// The confirmation before the store's pending deletion, and the alert of an empty folder put in the
    /// Dock.
    std::function<QWidget*()> makeDeleteConfirmation;
    std::function<QWidget*()> makeEmptyFolderAlert;
    /// Called once with the window, before it is first shown.
    std::function<void(QWidget&)> windowCreated;
};

class MainWindowView final : public QWidget {
    Q_OBJECT

public:
    explicit MainWindowView(MainWindowParts parts, QWidget* parent = nullptr);
    ~MainWindowView() override;

    /// Shows `page`; the window takes that page's size.
    void select(NavigationPage page);
    [[nodiscard]] NavigationPage selection() const { return m_selection; }
    [[nodiscard]] FolderVisibilityFilter filter() const { return m_filter; }
    [[nodiscard]] bool isShowingOnboarding() const { return m_onboarding != nullptr; }
    [[nodiscard]] MainWindowTabBar* tabBar() const { return m_tabBar; }
    /// The sheet shown in front now (the last presented), or nothing.
    [[nodiscard]] QWidget* presentedSheet() const;
    /// The folders page's size as the window remembers it.
    [[nodiscard]] const MainWindowSizing& sizing() const { return m_sizing; }

    /// Shows `content` as a sheet over the window and over any sheet already shown (the application picker
    /// over the folder editor); what is behind waits.
    void presentSheet(QWidget* content);
    /// Takes away the sheet showing `content` (and any presented over it).
    void dismissSheet(const QWidget* content);

signals:
    /// The filter chosen in the tab bar; the folders page lists accordingly.
    void filterChanged(tessly::FolderVisibilityFilter filter);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // The steps of the construction: the title bar (traffic lights and tabs), what the tabs do, the window's
    // own shortcuts, and the notifications and store changes it follows.
    [[nodiscard]] QWidget* makeTitleBar();
    void connectTabBar();
    void addShortcuts();
    void observeChanges();
    void buildPages();
    void showOnboarding();
    void finishOnboarding(bool createFolder);
    void takePendingDestination();
    void applyTheme();
    void retranslate();
    void sizeToPage(bool animated);
    /// The minimum and maximum size for the page shown, at the width the window has now; none while the
    /// window animates to a page's size, so that the animation starts where the window is.
    void applySizeLimits();
    void liftSizeLimits();
    /// The window's height for the settings page shown when the window is `windowWidth` wide; nothing on the
    /// folders page or before the page exists.
    [[nodiscard]] std::optional<double> settingsPageHeight(int windowWidth) const;
    void storeChanged(FolderStore::Field field);
    [[nodiscard]] QWidget* pageWidget(NavigationPage page);
    [[nodiscard]] Qt::Edges edgesAt(const QPoint& position) const;
    [[nodiscard]] QString text(const QString& key) const;

    MainWindowParts m_parts;
    NavigationPage m_selection = NavigationPage::allFolders;
    FolderVisibilityFilter m_filter = FolderVisibilityFilter::all;
    MainWindowSizing& m_sizing;
    QWidget* m_titleBar = nullptr;
    CustomTrafficLights* m_lights = nullptr;
    MainWindowTabBar* m_tabBar = nullptr;
    QStackedWidget* m_pages = nullptr;
    QWidget* m_foldersPage = nullptr;
    std::map<NavigationPage, SettingsPage*> m_settingsPages;
    QWidget* m_onboarding = nullptr;
    struct Sheet {
        QPointer<QWidget> content;
        QPointer<QWidget> scrim;
        /// What had the keyboard before the sheet; it has it again when the sheet goes.
        QPointer<QWidget> focusBefore;
    };
    std::vector<Sheet> m_sheets;
    /// The sheets the store asked for, by what asked.
    QPointer<QWidget> m_folderEditorSheet;
    QPointer<QWidget> m_appPickerSheet;
    QPointer<QWidget> m_deleteConfirmationSheet;
    QPointer<QWidget> m_emptyFolderAlertSheet;
    QPropertyAnimation m_resize;
    bool m_shownOnce = false;
    /// Set while the window changes its own size, so that only the user's sizes are remembered.
    bool m_sizingItself = false;
    QMetaObject::Connection m_storeConnection;
    WorkItemPtr m_pendingNewFolder;
    // Last, so that they end first.
    std::vector<ScopedObserver<NotificationCenter>> m_observers;
};

} // namespace tessly
