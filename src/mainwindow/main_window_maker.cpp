#include "mainwindow/main_window_maker.h"

#include "mainwindow/editor/folder_editor_logic.h"
#include "mainwindow/editor/sheet_makers.h"
#include "mainwindow/editor/symbol_picker_popover.h"
#include "mainwindow/folders/folders_list_view.h"
#include "mainwindow/onboarding/onboarding_view.h"
#include "mainwindow/settings_pages/about_view.h"
#include "mainwindow/settings_pages/appearance_settings_view.h"
#include "mainwindow/settings_pages/general_settings_view.h"
#include "mainwindow/settings_pages/popup_settings_view.h"

namespace tessly {

namespace {

/// The window's sizes, kept by the window's controller: a closed window deletes itself, the controller lives
/// as long as the process.
class KeptMainWindowSizing final : public QObject {
public:
    explicit KeptMainWindowSizing(QObject* owner) : QObject(owner) {}
    MainWindowSizing sizing;
};

MainWindowSizing& sizingKeptBy(MainWindowController& controller) {
    for (QObject* child : controller.children()) {
        if (auto* kept = dynamic_cast<KeptMainWindowSizing*>(child)) {
            return kept->sizing;
        }
    }
    return (new KeptMainWindowSizing(&controller))->sizing;
}

/// The symbol grid, opened under `anchor` for a folder card; it goes with its choice or its closing.
void openSymbolPicker(const MainWindowServices& s, QWidget* anchor, const QString& current,
                      std::function<void(const QString&)> chosen) {
    auto* picker = new SymbolPickerPopover(s.symbols, s.localization, anchor);
    picker->setSelectedIcon(current);
    QObject::connect(picker, &SymbolPickerPopover::iconSelected, picker, std::move(chosen));
    QObject::connect(picker, &SymbolPickerPopover::closed, picker, &QObject::deleteLater);
    picker->popUpBelow(anchor);
}

QWidget* makeFoldersPage(const MainWindowServices& s) {
    return new FoldersListView(FolderCardContext{
        .store = s.store,
        .settings = s.settings,
        .l10n = s.localization,
        .symbols = s.symbols,
        .icons = s.icons,
        .distributed = s.distributed,
        .notifications = s.notifications,
        .queue = s.queue,
        .pickSymbol =
            [s](QWidget* anchor, const QString& current, std::function<void(const QString&)> chosen) {
                openSymbolPicker(s, anchor, current, std::move(chosen));
            },
        .nameRule = [](const QString& typed) { return applyFolderNameRule(typed).name; },
        .iconForPath = {},
        .stateOf = {},
        .cardChanged = {},
    });
}

SettingsPage* makeSettingsPage(const MainWindowServices& s, NavigationPage page) {
    switch (page) {
    case NavigationPage::general:
        return new GeneralSettingsView(s.settings, s.localization, DockStatus{s.docks, &s.notifications});
    case NavigationPage::tile:
        return new AppearanceSettingsView(s.settings, s.localization, s.store, s.symbols, s.icons);
    case NavigationPage::popup:
        return new PopupSettingsView(s.settings, s.localization);
    case NavigationPage::about:
        return new AboutView(s.settings, s.localization, s.bundle, s.updater);
    case NavigationPage::allFolders:
        break;
    }
    return nullptr;
}

} // namespace

MainWindowView* makeMainWindow(const MainWindowServices& services) {
    const MainWindowServices s = services;
    auto* window = new MainWindowView(MainWindowParts{
        .settings = s.settings,
        .store = s.store,
        .localization = s.localization,
        .symbols = s.symbols,
        .controller = s.controller,
        .queue = s.queue,
        .notifications = s.notifications,
        .sizing = sizingKeptBy(s.controller),
        .makeFoldersPage = [s] { return makeFoldersPage(s); },
        .makeSettingsPage = [s](NavigationPage page) { return makeSettingsPage(s, page); },
        .makeOnboarding = [s](std::function<void(bool)> finish) -> QWidget* {
            return new OnboardingView(s.settings, s.localization, s.bundle, s.symbols, std::move(finish));
        },
        .makeFolderEditor = [s] { return makeFolderEditorSheet(s); },
        .makeAppPicker = [s] { return makeAppPickerSheet(s); },
        .makeDeleteConfirmation =
            [s] { return makeDeleteConfirmationSheet(s.store, s.settings, s.localization, s.distributed); },
        .makeEmptyFolderAlert =
            [s] { return makeEmptyFolderAlertSheet(s.store, s.settings, s.localization); },
        .windowCreated =
            [s](QWidget& window) {
                if (s.identify) {
                    s.identify(window);
                }
            },
    });
    QObject::connect(window, &MainWindowView::filterChanged, window, [window](FolderVisibilityFilter filter) {
        if (auto* list = window->findChild<FoldersListView*>()) {
            list->setFilter(filter);
        }
    });
    return window;
}

} // namespace tessly
