#include "shell/menu_bar_menu.h"

#include "model/notification_names.h"
#include "platform/guarded.h"

#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QSystemTrayIcon>

namespace tessly {

namespace {

constexpr int kMenuSymbolSize = 16;
constexpr int kStatusIconSize = 22;

QIcon symbolIcon(const SymbolImages& symbols, const QString& name, int side, const QColor& tint) {
    const ImagePtr symbol = symbols.symbol(name, side, SymbolWeight::regular);
    if (!symbol) {
        return {};
    }
    QPixmap pixmap(side * 2, side * 2);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    symbol->drawTinted(painter, QRectF(0, 0, side, side), tint);
    return QIcon(pixmap);
}

} // namespace

TesslyMenuBarMenu::TesslyMenuBarMenu(MenuBarMenuParts parts, QObject* parent)
    : QObject(parent), m_parts(std::move(parts)) {
    const QColor ink = m_menu.palette().color(QPalette::WindowText);
    m_open = m_menu.addAction(symbolIcon(m_parts.symbols, QStringLiteral("square.grid.3x1.folder.badge.plus"),
                                         kMenuSymbolSize, ink),
                              {});
    m_settings =
        m_menu.addAction(symbolIcon(m_parts.symbols, QStringLiteral("gearshape"), kMenuSymbolSize, ink), {});
    m_menu.addSeparator();
    m_quit = m_menu.addAction(symbolIcon(m_parts.symbols, QStringLiteral("power"), kMenuSymbolSize, ink), {});

    const auto reveal = [this](NavigationPage page) {
        return [this, page] {
            m_parts.queue.async(guarded(this, [this, page] { m_parts.controller.revealMainWindow(page); }));
        };
    };
    connect(m_open, &QAction::triggered, this, reveal(NavigationPage::allFolders));
    connect(m_settings, &QAction::triggered, this, reveal(NavigationPage::general));
    connect(m_quit, &QAction::triggered, this, [this] { m_parts.application.terminate(); });
    connect(&m_menu, &QMenu::aboutToShow, this, [this] {
        retranslate();
        m_parts.controller.registerOpenWindowAction(m_parts.openWindow);
    });

    m_observer = ScopedObserver(m_parts.notifications,
                                m_parts.notifications.addObserver(notification_names::kShowMenuBarChanged,
                                                                  [this](const Notification&) { update(); }));
    retranslate();
    update();
}

TesslyMenuBarMenu::~TesslyMenuBarMenu() = default;

bool TesslyMenuBarMenu::isInsertedForTesting() const {
    return m_item && m_item->isVisible();
}

void TesslyMenuBarMenu::retranslate() {
    m_open->setText(m_parts.text(QStringLiteral("menu.open")));
    m_settings->setText(m_parts.text(QStringLiteral("menu.settings")));
    m_quit->setText(m_parts.text(QStringLiteral("menu.quit")));
    if (m_item) {
        m_item->setToolTip(QStringLiteral("Tessly"));
    }
}

void TesslyMenuBarMenu::update() {
    if (!m_parts.settings.showMenuBar()) {
        m_item.reset();
        return;
    }
    if (m_item) {
        return;
    }
    if (!QSystemTrayIcon::isSystemTrayAvailable() && !m_saidNoStatusArea) {
        m_saidNoStatusArea = true;
        m_parts.console.printLine(QStringLiteral(
            "This desktop has no status area for Tessly's menu; open Tessly again to reach its window."));
    }
    m_item = std::make_unique<QSystemTrayIcon>();
    m_item->setIcon(symbolIcon(m_parts.symbols, QStringLiteral("square.grid.3x1.folder.badge.plus"),
                               kStatusIconSize, QColor(230, 230, 230)));
    m_item->setToolTip(QStringLiteral("Tessly"));
    m_item->setContextMenu(&m_menu);
    // A click that is not for the context menu opens the menu too, as a menu bar item does.
    connect(m_item.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger && m_item) {
                    m_menu.popup(m_item->geometry().bottomLeft());
                }
            });
    m_item->show();
}

} // namespace tessly
