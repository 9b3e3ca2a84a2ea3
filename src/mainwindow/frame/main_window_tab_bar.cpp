#include "mainwindow/frame/main_window_tab_bar.h"

#include "mainwindow/controls/control_painting.h"
#include "mainwindow/controls/settings_style.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

namespace tessly {

namespace {

constexpr int kTabHeight = 28;
constexpr int kTabPadding = 10;
constexpr int kSymbolSize = 15;
constexpr int kSymbolTitleSpacing = 6;
constexpr int kTabSpacing = 2;
constexpr int kGroupSpacing = 14;
constexpr double kHighlightRadius = 8.0;
constexpr int kHighlightMilliseconds = 260;

/// One tab: a symbol, a title, or both; the bar draws the highlight behind it.
class TabButton final : public QAbstractButton {
public:
    TabButton(ImagePtr symbol, QWidget* parent) : QAbstractButton(parent), m_symbol(std::move(symbol)) {
        setCheckable(true);
        setFocusPolicy(Qt::TabFocus);
        setCursor(Qt::PointingHandCursor);
        setFont(settingsFont(SettingsFont::body));
    }
    void setSymbol(ImagePtr symbol) {
        m_symbol = std::move(symbol);
        update();
    }
    /// The title is drawn only while `shown`; it is always the accessible name.
    void setTitle(const QString& title, bool shown) {
        setText(title);
        setAccessibleName(title);
        setToolTip(shown ? QString() : title);
        m_titleShown = shown;
        updateGeometry();
        update();
    }
    [[nodiscard]] QSize sizeHint() const override {
        int width = 2 * kTabPadding;
        if (m_symbol) {
            width += kSymbolSize;
        }
        if (m_titleShown) {
            width += fontMetrics().horizontalAdvance(text()) + (m_symbol ? kSymbolTitleSpacing : 0);
        }
        return {width, kTabHeight};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor ink =
            isChecked() ? palette().color(kPrimaryTextRole) : palette().color(kSecondaryTextRole);
        double x = kTabPadding;
        if (m_symbol) {
            m_symbol->drawTinted(painter, QRectF(x, (height() - kSymbolSize) / 2.0, kSymbolSize, kSymbolSize),
                                 ink);
            x += kSymbolSize + kSymbolTitleSpacing;
        }
        if (m_titleShown) {
            painter.setPen(ink);
            painter.drawText(QRectF(x, 0, width() - x - kTabPadding + 1, height()),
                             Qt::AlignVCenter | Qt::AlignLeft, text());
        }
        if (hasFocus()) {
            paintFocusRing(painter, QRectF(rect()).adjusted(2, 2, -2, -2), kHighlightRadius,
                           palette().color(kAccentRole));
        }
    }

private:
    ImagePtr m_symbol;
    bool m_titleShown = true;
};

} // namespace

MainWindowTabBar::MainWindowTabBar(const SymbolImages& symbols, std::function<QString(const QString&)> text,
                                   QWidget* parent)
    : QWidget(parent), m_symbols(symbols), m_text(std::move(text)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(kTabSpacing);
    const auto addTab = [&](NavigationPage page, FolderVisibilityFilter filter, const char* titleKey,
                            const char* symbol) {
        auto* button = new TabButton(
            symbol ? m_symbols.symbol(QString::fromLatin1(symbol), kSymbolSize, SymbolWeight::regular)
                   : nullptr,
            this);
        layout->addWidget(button);
        m_tabs.push_back(Tab{button, page, filter, titleKey, symbol});
        connect(button, &QAbstractButton::clicked, this, [this, page, filter] {
            if (page == NavigationPage::allFolders) {
                emit filterChosen(filter);
            }
            emit pageChosen(page);
        });
    };
    addTab(NavigationPage::allFolders, FolderVisibilityFilter::all, "main.filter.all", nullptr);
    addTab(NavigationPage::allFolders, FolderVisibilityFilter::inDock, "main.filter.in_dock", nullptr);
    layout->addSpacing(kGroupSpacing);
    addTab(NavigationPage::general, FolderVisibilityFilter::all, "settings.tab.general", "gearshape.fill");
    addTab(NavigationPage::tile, FolderVisibilityFilter::all, "settings.tab.appearance", "square.grid.2x2");
    addTab(NavigationPage::popup, FolderVisibilityFilter::all, "settings.tab.popup", "macwindow");
    addTab(NavigationPage::about, FolderVisibilityFilter::all, "settings.tab.about", "info.circle.fill");
    layout->addStretch(1);

    auto* themeSwitch = new TabButton(nullptr, this);
    themeSwitch->setCheckable(false);
    m_themeSwitch = themeSwitch;
    layout->addWidget(themeSwitch);
    connect(themeSwitch, &QAbstractButton::clicked, this, &MainWindowTabBar::themeToggled);

    m_highlightAnimation.setDuration(kHighlightMilliseconds);
    m_highlightAnimation.setEasingCurve(QEasingCurve::OutCubic);
    connect(&m_highlightAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_highlight = value.toRectF();
        update();
    });
    setFixedHeight(kTabHeight);
    updateTitles();
}

const MainWindowTabBar::Tab* MainWindowTabBar::selectedTab() const {
    for (const Tab& tab : m_tabs) {
        if (tab.page == m_page && (m_page != NavigationPage::allFolders || tab.filter == m_filter)) {
            return &tab;
        }
    }
    return nullptr;
}

void MainWindowTabBar::setSelection(NavigationPage page, FolderVisibilityFilter filter) {
    const bool changed = page != m_page || filter != m_filter;
    m_page = page;
    m_filter = filter;
    const Tab* selected = selectedTab();
    for (const Tab& tab : m_tabs) {
        tab.button->setChecked(&tab == selected);
    }
    updateTitles();
    // The titles change the tabs' widths: the highlight goes where the selected tab is once laid out.
    if (layout()) {
        layout()->activate();
    }
    moveHighlight(changed && isVisible());
}

void MainWindowTabBar::setTheme(AppThemeMode theme) {
    m_theme = theme;
    updateTitles();
}

void MainWindowTabBar::retranslate() {
    updateTitles();
    if (layout()) {
        layout()->activate();
    }
    moveHighlight(false);
}

void MainWindowTabBar::updateTitles() {
    for (const Tab& tab : m_tabs) {
        // The settings tabs show their symbol alone until chosen, so that all of them fit the narrowest
        // window.
        const bool titleShown = !tab.symbol || tab.button->isChecked();
        static_cast<TabButton*>(tab.button)->setTitle(m_text(QString::fromLatin1(tab.titleKey)), titleShown);
    }
    // The switch shows the theme it leads to.
    const bool toLight = m_theme == AppThemeMode::dark;
    auto* themeSwitch = static_cast<TabButton*>(m_themeSwitch);
    themeSwitch->setSymbol(
        m_symbols.symbol(toLight ? QStringLiteral("sun.max.fill") : QStringLiteral("moon.fill"), kSymbolSize,
                         SymbolWeight::regular));
    themeSwitch->setTitle(m_text(toLight ? QStringLiteral("onboarding.quick.theme.light")
                                         : QStringLiteral("onboarding.quick.theme.dark")),
                          false);
}

void MainWindowTabBar::moveHighlight(bool animated) {
    const Tab* selected = selectedTab();
    const QRectF target = selected ? QRectF(selected->button->geometry()) : QRectF();
    m_highlightAnimation.stop();
    if (!animated || m_highlight.isNull() || target.isNull()) {
        m_highlight = target;
        update();
        return;
    }
    m_highlightAnimation.setStartValue(m_highlight);
    m_highlightAnimation.setEndValue(target);
    m_highlightAnimation.start();
}

void MainWindowTabBar::resizeEvent(QResizeEvent*) {
    moveHighlight(false);
}

void MainWindowTabBar::paintEvent(QPaintEvent*) {
    if (m_highlight.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(m_highlight, kHighlightRadius, kHighlightRadius);
    painter.fillPath(path, palette().color(kSectionBackgroundRole));
    painter.setPen(QPen(palette().color(kSectionBorderRole), 1));
    painter.drawPath(path);
}

} // namespace tessly
