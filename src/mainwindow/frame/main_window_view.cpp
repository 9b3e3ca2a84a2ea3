#include "mainwindow/frame/main_window_view.h"

#include "mainwindow/controls/settings_style.h"
#include "mainwindow/frame/window_title_bar.h"
#include "mainwindow/settings_pages/settings_page.h"
#include "model/notification_names.h"
#include "platform/guarded.h"
#include "settings/localization.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScreen>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QWindow>

#include <cmath>

namespace tessly {

namespace {

/// The band along the window's edges where a press resizes it.
constexpr int kResizeBand = 5;
constexpr int kTitleBarHeight = 46;
constexpr int kTitleBarSideMargin = 14;
constexpr int kLightsTabsSpacing = 18;
constexpr int kPageResizeMilliseconds = 250;
constexpr int kOnboardingFinishMilliseconds = 200;
constexpr double kNewFolderAfterOnboardingSeconds = 0.08;
constexpr int kSheetCornerRadius = 12;

/// The dimmed window behind a sheet: it takes the clicks meant for the window and draws the sheet's card.
class SheetScrim final : public QWidget {
public:
    explicit SheetScrim(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_NoSystemBackground); }
    void setContent(QWidget* content) {
        m_content = content;
        if (content) {
            content->setParent(this);
            content->show();
            content->setFocus(Qt::OtherFocusReason);
        }
        layOut();
    }
    void layOut() {
        if (!m_content) {
            return;
        }
        const QSize hint = m_content->sizeHint().boundedTo(size() - QSize(48, 48));
        m_content->setGeometry(
            QRect(QPoint((width() - hint.width()) / 2, (height() - hint.height()) / 3), hint));
    }

protected:
    void resizeEvent(QResizeEvent*) override { layOut(); }
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillRect(rect(), QColor(0, 0, 0, 90));
        if (m_content) {
            painter.setPen(QPen(palette().color(kSectionBorderRole), 1));
            painter.setBrush(palette().color(kWindowBackgroundRole));
            painter.drawRoundedRect(QRectF(m_content->geometry()).adjusted(-0.5, -0.5, 0.5, 0.5),
                                    kSheetCornerRadius, kSheetCornerRadius);
        }
    }
    void mousePressEvent(QMouseEvent* event) override { event->accept(); }

private:
    QPointer<QWidget> m_content;
};

} // namespace

MainWindowView::MainWindowView(MainWindowParts parts, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_parts(std::move(parts)),
      m_sizing(m_parts.sizing), m_resize(this, "geometry") {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Tessly"));
    setMouseTracking(true);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(kResizeBand, 0, kResizeBand, kResizeBand);
    root->setSpacing(0);
    root->addWidget(makeTitleBar());
    m_pages = new QStackedWidget(this);
    root->addWidget(m_pages, 1);
    connectTabBar();
    addShortcuts();
    observeChanges();

    m_resize.setDuration(kPageResizeMilliseconds);
    m_resize.setEasingCurve(QEasingCurve::InOutCubic);
    connect(&m_resize, &QPropertyAnimation::finished, this, [this] {
        m_sizingItself = false;
        // The page's limits hold from where the animation ends, not from where it starts.
        applySizeLimits();
    });

    applyTheme();
    if (m_parts.settings.hasCompletedOnboarding()) {
        buildPages();
    } else {
        showOnboarding();
    }
    resize(m_sizing.foldersPageSize().toSize());
    sizeToPage(false);
    if (m_parts.windowCreated) {
        m_parts.windowCreated(*this);
    }
}

QWidget* MainWindowView::makeTitleBar() {
    // The title bar: a press on any empty part of it moves the window.
    m_titleBar = new TitleBarDragView(this);
    m_titleBar->setFixedHeight(kTitleBarHeight);
    auto* bar = new QHBoxLayout(m_titleBar);
    bar->setContentsMargins(kTitleBarSideMargin - kResizeBand, 0, kTitleBarSideMargin - kResizeBand, 0);
    bar->setSpacing(kLightsTabsSpacing);
    m_lights = new CustomTrafficLights(
        m_parts.symbols, [this](const QString& key) { return text(key); }, m_titleBar);
    bar->addWidget(m_lights, 0, Qt::AlignVCenter);
    m_tabBar = new MainWindowTabBar(
        m_parts.symbols, [this](const QString& key) { return text(key); }, m_titleBar);
    bar->addWidget(m_tabBar, 1, Qt::AlignVCenter);
    return m_titleBar;
}

void MainWindowView::connectTabBar() {
    connect(m_tabBar, &MainWindowTabBar::pageChosen, this, &MainWindowView::select);
    connect(m_tabBar, &MainWindowTabBar::filterChosen, this, [this](FolderVisibilityFilter filter) {
        m_filter = filter;
        emit filterChanged(filter);
    });
    connect(m_tabBar, &MainWindowTabBar::themeToggled, this, [this] {
        m_parts.settings.setAppTheme(m_parts.settings.appTheme() == AppThemeMode::dark ? AppThemeMode::light
                                                                                       : AppThemeMode::dark);
    });
}

void MainWindowView::addShortcuts() {
    // The window's own commands, as the program's menu has them elsewhere.
    auto* open = new QShortcut(QKeySequence(QStringLiteral("Ctrl+O")), this);
    connect(open, &QShortcut::activated, this,
            [this] { m_parts.controller.revealMainWindow(NavigationPage::allFolders); });
    auto* settings = new QShortcut(QKeySequence(QStringLiteral("Ctrl+,")), this);
    connect(settings, &QShortcut::activated, this,
            [this] { m_parts.controller.revealMainWindow(NavigationPage::general); });
}

void MainWindowView::observeChanges() {
    auto observe = [this](const QString& name, NotificationHandler handler) {
        m_observers.emplace_back(m_parts.notifications,
                                 m_parts.notifications.addObserver(name, std::move(handler)));
    };
    observe(notification_names::kMainWindowNavigationRequested,
            [this](const Notification&) { takePendingDestination(); });
    observe(notification_names::kLanguageChanged, [this](const Notification&) { retranslate(); });
    observe(notification_names::kThemeChanged, [this](const Notification&) { applyTheme(); });
    m_storeConnection = connect(&m_parts.store, &FolderStore::changed, this, &MainWindowView::storeChanged);
}

MainWindowView::~MainWindowView() {
    m_observers.clear();
    if (m_pendingNewFolder) {
        m_pendingNewFolder->cancel();
    }
}

QString MainWindowView::text(const QString& key) const {
    return m_parts.localization.localizedString(key);
}

void MainWindowView::buildPages() {
    m_tabBar->show();
    m_foldersPage = m_parts.makeFoldersPage ? m_parts.makeFoldersPage() : new QWidget;
    m_pages->addWidget(m_foldersPage);
    m_pages->setCurrentWidget(m_foldersPage);
    m_tabBar->setSelection(m_selection, m_filter);
}

void MainWindowView::showOnboarding() {
    m_tabBar->hide();
    m_onboarding = m_parts.makeOnboarding
                       ? m_parts.makeOnboarding(
                             guarded(this, [this](bool createFolder) { finishOnboarding(createFolder); }))
                       : nullptr;
    if (!m_onboarding) {
        // Nothing to show first: straight to the pages.
        m_parts.settings.setHasCompletedOnboarding(true);
        buildPages();
        return;
    }
    m_pages->addWidget(m_onboarding);
    m_pages->setCurrentWidget(m_onboarding);
}

void MainWindowView::finishOnboarding(bool createFolder) {
    m_parts.settings.setHasCompletedOnboarding(true);
    QWidget* onboarding = std::exchange(m_onboarding, nullptr);
    m_selection = NavigationPage::allFolders;
    buildPages();
    if (onboarding) {
        m_pages->removeWidget(onboarding);
        onboarding->deleteLater();
    }
    m_resize.setDuration(kOnboardingFinishMilliseconds);
    sizeToPage(isVisible());
    m_resize.setDuration(kPageResizeMilliseconds);
    if (createFolder) {
        m_pendingNewFolder = m_parts.queue.asyncAfter(kNewFolderAfterOnboardingSeconds, guarded(this, [this] {
                                                          m_parts.store.setFolderToEdit(std::nullopt);
                                                          m_parts.store.setShowingFolderEditor(true);
                                                      }));
    }
}

QWidget* MainWindowView::pageWidget(NavigationPage page) {
    if (page == NavigationPage::allFolders) {
        return m_foldersPage;
    }
    const auto found = m_settingsPages.find(page);
    if (found != m_settingsPages.end()) {
        return found->second;
    }
    SettingsPage* made = m_parts.makeSettingsPage ? m_parts.makeSettingsPage(page) : nullptr;
    if (!made) {
        return nullptr;
    }
    m_settingsPages.emplace(page, made);
    m_pages->addWidget(made);
    connect(made, &SettingsPage::preferredHeightChanged, this, [this, made] {
        if (pageWidget(m_selection) == made) {
            sizeToPage(true);
        }
    });
    return made;
}

void MainWindowView::select(NavigationPage page) {
    if (m_onboarding) {
        // The pages wait until the onboarding is done; the request is kept as the first page after it.
        m_selection = page;
        return;
    }
    QWidget* widget = pageWidget(page);
    if (!widget) {
        return;
    }
    const bool changed = page != m_selection || m_pages->currentWidget() != widget;
    m_selection = page;
    QWidget* focused = QApplication::focusWidget();
    const bool focusInPages = focused && m_pages->isAncestorOf(focused);
    m_pages->setCurrentWidget(widget);
    // The page, not its first control, holds the keyboard after a change of page (the tab that was pressed
    // keeps it).
    if (focusInPages || !focused) {
        widget->setFocus(Qt::OtherFocusReason);
    }
    m_tabBar->setSelection(page, m_filter);
    if (changed) {
        sizeToPage(isVisible());
    }
}

void MainWindowView::takePendingDestination() {
    if (const std::optional<NavigationPage> page = m_parts.controller.takePendingDestination()) {
        select(*page);
    }
}

std::optional<double> MainWindowView::settingsPageHeight(int windowWidth) const {
    if (m_onboarding || m_selection == NavigationPage::allFolders) {
        return std::nullopt;
    }
    const auto found = m_settingsPages.find(m_selection);
    if (found == m_settingsPages.end()) {
        return std::nullopt;
    }
    return found->second->preferredHeight(windowWidth - 2 * kResizeBand) + kTitleBarHeight + kResizeBand;
}

void MainWindowView::liftSizeLimits() {
    const bool before = std::exchange(m_sizingItself, true);
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    m_sizingItself = before;
}

void MainWindowView::applySizeLimits() {
    if (m_resize.state() == QAbstractAnimation::Running) {
        return;
    }
    const NavigationPage page = m_onboarding ? NavigationPage::general : m_selection;
    // In full screen the screen decides the size; minimised, nothing shows.
    const bool free = isFullScreen() || isMinimized();
    const std::optional<double> measured = free ? std::nullopt : settingsPageHeight(width());
    const std::optional<double> held = MainWindowSizing::heldHeight(page, measured);
    const QSize minimum = MainWindowSizing::minimumSize(page, measured).toSize();
    const QScopedValueRollback sizingItself(m_sizingItself, true);
    // The maximum first, so that a new minimum above the old maximum is not refused.
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    setMinimumSize(free ? QSize(0, 0) : minimum);
    if (held) {
        setMaximumHeight(static_cast<int>(std::lround(*held)));
    }
}

void MainWindowView::sizeToPage(bool animated) {
    const QRect current = geometry();
    if (m_onboarding) {
        const QSize wanted = m_onboarding->sizeHint() + QSize(2 * kResizeBand, kTitleBarHeight + kResizeBand);
        m_resize.stop();
        liftSizeLimits();
        if (!isFullScreen() && !isMinimized()) {
            const QScopedValueRollback sizingItself(m_sizingItself, true);
            resize(wanted.expandedTo(MainWindowSizing::minimumSize(NavigationPage::general).toSize()));
        }
        applySizeLimits();
        return;
    }
    const std::optional<double> measured = settingsPageHeight(current.width());
    if (isFullScreen() || isMinimized()) {
        return;
    }
    const std::optional<QRectF> frame =
        m_sizing.frameFor(m_selection, QRectF(current), measured, false, false);
    if (!frame) {
        return;
    }
    const QRect target = frame->toAlignedRect();
    // A newer size replaces a resize still under way.
    m_resize.stop();
    // The old page's limits would pull the window to the new page's bounds before the animation begins: they
    // are lifted for the way there and the new page's are set on arrival.
    liftSizeLimits();
    if (animated && target != current) {
        m_sizingItself = true;
        m_resize.setStartValue(current);
        m_resize.setEndValue(target);
        m_resize.start();
        return;
    }
    {
        const QScopedValueRollback sizingItself(m_sizingItself, true);
        setGeometry(target);
    }
    applySizeLimits();
}

void MainWindowView::showEvent(QShowEvent* event) {
    if (!m_shownOnce) {
        // A new window opens in the middle of the screen's free area, as a scene's window does.
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = geometry();
            frame.moveCenter(screen->availableGeometry().center());
            frame.moveTop(std::max(frame.top(), screen->availableGeometry().top()));
            const QScopedValueRollback sizingItself(m_sizingItself, true);
            setGeometry(frame);
        }
    }
    QWidget::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        takePendingDestination();
        // The keyboard starts in the page, not on the window's lights.
        if (QWidget* page = m_pages->currentWidget()) {
            page->setFocus(Qt::OtherFocusReason);
        }
    }
}

void MainWindowView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!m_sizingItself && !m_onboarding && isVisible() && !isFullScreen() && !isMinimized()) {
        if (m_selection == NavigationPage::allFolders) {
            m_sizing.rememberFoldersPageSize(QSizeF(size()));
        } else if (event->size().width() != event->oldSize().width()) {
            // Dragged wider or narrower, a settings page's content wraps anew: the window takes its height at
            // the new width and holds it there.
            applySizeLimits();
        }
    }
    for (const Sheet& sheet : m_sheets) {
        if (sheet.scrim) {
            sheet.scrim->setGeometry(rect());
        }
    }
}

void MainWindowView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        // Full screen takes the screen's size whatever the page; back from it, the page's limits hold again.
        applySizeLimits();
    }
    if (event->type() == QEvent::ActivationChange) {
        // The window lights turn grey while another window has the keyboard.
        m_lights->update();
    }
}

void MainWindowView::applyTheme() {
    const SettingsColors colors = settingsColors(m_parts.settings.appTheme());
    setPalette(settingsQPalette(colors));
    m_tabBar->setTheme(m_parts.settings.appTheme());
    update();
}

void MainWindowView::retranslate() {
    m_lights->retranslate();
    m_tabBar->retranslate();
    if (m_selection != NavigationPage::allFolders) {
        sizeToPage(true);
    }
}

void MainWindowView::storeChanged(FolderStore::Field field) {
    const auto follow = [this](bool wanted, const std::function<QWidget*()>& make, QPointer<QWidget>& sheet) {
        if (wanted && !sheet && make) {
            sheet = make();
            presentSheet(sheet);
        } else if (!wanted && sheet) {
            dismissSheet(sheet);
            sheet = nullptr;
        }
    };
    if (field == FolderStore::Field::showingFolderEditor) {
        follow(m_parts.store.showingFolderEditor(), m_parts.makeFolderEditor, m_folderEditorSheet);
    } else if (field == FolderStore::Field::showingAppPicker) {
        follow(m_parts.store.showingAppPicker(), m_parts.makeAppPicker, m_appPickerSheet);
    } else if (field == FolderStore::Field::folderPendingDelete) {
        // Another folder's deletion asked for while one is pending is a new question.
        if (m_deleteConfirmationSheet) {
            dismissSheet(m_deleteConfirmationSheet);
            m_deleteConfirmationSheet = nullptr;
        }
        follow(m_parts.store.folderPendingDelete().has_value(), m_parts.makeDeleteConfirmation,
               m_deleteConfirmationSheet);
    } else if (field == FolderStore::Field::showingEmptyFolderAlert) {
        follow(m_parts.store.showingEmptyFolderAlert(), m_parts.makeEmptyFolderAlert,
               m_emptyFolderAlertSheet);
    }
}

QWidget* MainWindowView::presentedSheet() const {
    for (auto sheet = m_sheets.rbegin(); sheet != m_sheets.rend(); ++sheet) {
        if (sheet->content) {
            return sheet->content;
        }
    }
    return nullptr;
}

void MainWindowView::presentSheet(QWidget* content) {
    if (!content) {
        return;
    }
    // Noted before the sheet takes the keyboard.
    const QPointer<QWidget> focusBefore = QApplication::focusWidget();
    auto* scrim = new SheetScrim(this);
    scrim->setGeometry(rect());
    scrim->setContent(content);
    scrim->show();
    scrim->raise();
    m_sheets.push_back(Sheet{content, scrim, focusBefore});
}

void MainWindowView::dismissSheet(const QWidget* content) {
    const auto found = std::find_if(m_sheets.begin(), m_sheets.end(),
                                    [content](const Sheet& sheet) { return sheet.content == content; });
    if (found == m_sheets.end()) {
        return;
    }
    const QPointer<QWidget> focusBefore = found->focusBefore;
    for (auto sheet = found; sheet != m_sheets.end(); ++sheet) {
        if (sheet->scrim) {
            sheet->scrim->hide();
            sheet->scrim->deleteLater(); // the content goes with it
        }
    }
    m_sheets.erase(found, m_sheets.end());
    // The keyboard goes back where it was before the sheet: the button that opened it, or the sheet under it.
    if (focusBefore && focusBefore->isVisible()) {
        focusBefore->setFocus(Qt::OtherFocusReason);
    } else if (QWidget* front = presentedSheet()) {
        front->setFocus(Qt::OtherFocusReason);
    }
}

void MainWindowView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(kWindowBackgroundRole));
    // A hairline edge keeps the window apart from a background of its own colour.
    painter.setPen(palette().color(kSectionBorderRole));
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

Qt::Edges MainWindowView::edgesAt(const QPoint& position) const {
    Qt::Edges edges;
    if (isFullScreen()) {
        return edges;
    }
    if (position.x() < kResizeBand) {
        edges |= Qt::LeftEdge;
    } else if (position.x() >= width() - kResizeBand) {
        edges |= Qt::RightEdge;
    }
    if (position.y() < kResizeBand) {
        edges |= Qt::TopEdge;
    } else if (position.y() >= height() - kResizeBand) {
        edges |= Qt::BottomEdge;
    }
    return edges;
}

bool MainWindowView::event(QEvent* event) {
    if (event->type() == QEvent::Leave) {
        unsetCursor();
    }
    return QWidget::event(event);
}

void MainWindowView::mouseMoveEvent(QMouseEvent* event) {
    const Qt::Edges edges = edgesAt(event->position().toPoint());
    if (edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge)) {
        setCursor(Qt::SizeFDiagCursor);
    } else if (edges == (Qt::RightEdge | Qt::TopEdge) || edges == (Qt::LeftEdge | Qt::BottomEdge)) {
        setCursor(Qt::SizeBDiagCursor);
    } else if (edges & (Qt::LeftEdge | Qt::RightEdge)) {
        setCursor(Qt::SizeHorCursor);
    } else if (edges & (Qt::TopEdge | Qt::BottomEdge)) {
        setCursor(Qt::SizeVerCursor);
    } else {
        unsetCursor();
    }
    QWidget::mouseMoveEvent(event);
}

void MainWindowView::mousePressEvent(QMouseEvent* event) {
    const Qt::Edges edges = edgesAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && edges && windowHandle()) {
        // The window manager resizes, as it does at a title-barred window's edges; the minimum size holds.
        windowHandle()->startSystemResize(edges);
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

} // namespace tessly
