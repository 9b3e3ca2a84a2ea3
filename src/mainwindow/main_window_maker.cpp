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

} // namespace

MainWindowView* makeMainWindow(const MainWindowServices& services) {
    const MainWindowServices s = services;
    MainWindowParts parts{
        s.settings,
        s.store,
        s.localization,
        s.symbols,
        s.controller,
        s.queue,
        s.notifications,
        sizingKeptBy(s.controller),
        [s] {
            return new FoldersListView(FolderCardContext{
                s.store,
                s.settings,
                s.localization,
                s.symbols,
                s.icons,
                s.distributed,
                s.notifications,
                s.queue,
                [s](QWidget* anchor, const QString& current, std::function<void(const QString&)> chosen) {
                    // The grid goes with its choice or its closing.
                    auto* picker = new SymbolPickerPopover(s.symbols, s.localization, anchor);
                    picker->setSelectedIcon(current);
                    QObject::connect(picker, &SymbolPickerPopover::iconSelected, picker, std::move(chosen));
                    QObject::connect(picker, &SymbolPickerPopover::closed, picker, &QObject::deleteLater);
                    picker->popUpBelow(anchor);
                },
                [](const QString& typed) { return applyFolderNameRule(typed).name; },
                {},
                {},
                {}});
        },
        [s](NavigationPage page) -> SettingsPage* {
            switch (page) {
            case NavigationPage::general:
                return new GeneralSettingsView(s.settings, s.localization,
                                               DockStatus{s.docks, &s.notifications});
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
        },
        [s](std::function<void(bool)> finish) -> QWidget* {
            return new OnboardingView(s.settings, s.localization, s.bundle, s.symbols, std::move(finish));
        },
        [s] { return makeFolderEditorSheet(s); },
        [s] { return makeAppPickerSheet(s); },
        [s] { return makeDeleteConfirmationSheet(s.store, s.settings, s.localization, s.distributed); },
        [s] { return makeEmptyFolderAlertSheet(s.store, s.settings, s.localization); },
        [s](QWidget& window) {
            if (s.identify) {
                s.identify(window);
            }
        }};
    auto* window = new MainWindowView(std::move(parts));
    QObject::connect(window, &MainWindowView::filterChanged, window, [window](FolderVisibilityFilter filter) {
        if (auto* list = window->findChild<FoldersListView*>()) {
            list->setFilter(filter);
        }
    });
    return window;
}

} // namespace tessly
