// The main application's menu in the desktop's status area (its "menu bar extra"): open Tessly, settings, and
// quit, with their symbols, in the interface language. It is there exactly while the "showMenuBar" setting is
// on, and never in a helper. Showing the menu hands the controller the action that opens the main window,
// as the window itself does.
//
//     TesslyMenuBarMenu menu(parts);      // follows "showMenuBarChanged" from now on
//
// Where the desktop has no status area, that is said once on standard output and the rest goes on. Main
// thread only.
#pragma once

#include "mainwindow/frame/main_window_controller.h"
#include "platform/console.h"
#include "platform/gui/application.h"
#include "platform/gui/symbol_images.h"
#include "platform/main_queue.h"
#include "platform/notification_center.h"
#include "platform/scoped_observer.h"
#include "settings/app_settings.h"

#include <QMenu>
#include <QObject>

#include <functional>
#include <memory>

class QSystemTrayIcon;

namespace tessly {

struct MenuBarMenuParts {
    AppSettings& settings;
    MainWindowController& controller;
    Application& application;
    MainQueue& queue;
    NotificationCenter& notifications;
    const SymbolImages& symbols;
    Console& console;
    /// The text of a key in the interface language.
    std::function<QString(const QString&)> text;
    /// What opens the main window, handed to the controller when the menu shows.
    std::function<void()> openWindow;
};

class TesslyMenuBarMenu final : public QObject {
    Q_OBJECT

public:
    explicit TesslyMenuBarMenu(MenuBarMenuParts parts, QObject* parent = nullptr);
    ~TesslyMenuBarMenu() override;

    /// Whether the status item is there now.
    [[nodiscard]] bool isInsertedForTesting() const;
    [[nodiscard]] QMenu& menu() { return m_menu; }

private:
    void update();
    void retranslate();

    MenuBarMenuParts m_parts;
    QMenu m_menu;
    QAction* m_open = nullptr;
    QAction* m_settings = nullptr;
    QAction* m_quit = nullptr;
    std::unique_ptr<QSystemTrayIcon> m_item;
    bool m_saidNoStatusArea = false;
    // Last, so that it ends first.
    ScopedObserver<NotificationCenter> m_observer;
};

} // namespace tessly
