#include "mainwindow/onboarding/onboarding_view.h"

#include "mainwindow/controls/action_button.h"
#include "mainwindow/controls/control_painting.h"
#include "mainwindow/controls/settings_controls.h"
#include "mainwindow/controls/settings_style.h"
#include "mainwindow/controls/toggle_switch.h"
#include "mainwindow/settings_pages/about_view.h"
#include "platform/gui/symbol_images.h"
#include "platform/main_bundle.h"
#include "settings/localization.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include <algorithm>

namespace tessly {

namespace {

constexpr int kOnboardingWidth = 600;
constexpr int kStepMarginHorizontal = 40;
constexpr int kFeatureIconSide = 36;
constexpr QSize kWorkflowPictureSize(216, 135);
constexpr QSize kThemeSymbolArea(120, 44);
// The step change and the workflow default's highlight, as the introduction's motion is timed.
constexpr int kStepSlideMilliseconds = 200;
constexpr int kChoiceHighlightMilliseconds = 160;

QImage bundleImage(const MainBundle& bundle, const QString& name) {
    const auto path = bundle.pathForResource(name, QStringLiteral("png"));
    return path ? QImage(*path) : QImage();
}

QLabel* centeredLabel(SettingsTextStyle style) {
    QLabel* label = makeSettingsLabel(style);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setWordWrap(true);
    return label;
}

/// A step's layout with its title and the line under it, centred, at the top.
QVBoxLayout* makeStepLayout(QWidget* step, QLabel*& title, QLabel*& subtitle) {
    auto* layout = new QVBoxLayout(step);
    layout->setContentsMargins(kStepMarginHorizontal, 34, kStepMarginHorizontal, 0);
    layout->setSpacing(0);
    title = centeredLabel(SettingsTextStyle::title);
    subtitle = centeredLabel(SettingsTextStyle::secondary);
    layout->addWidget(title);
    layout->addSpacing(8);
    layout->addWidget(subtitle);
    return layout;
}

/// Choice cards side by side, each with its label under it, the label as wide as its card.
QHBoxLayout* makeChoiceColumns(std::initializer_list<std::pair<OnboardingChoiceCard*, QLabel*>> choices,
                               int spacing, int labelGap) {
    auto* row = new QHBoxLayout;
    row->setSpacing(spacing);
    for (const auto& [card, label] : choices) {
        auto* column = new QVBoxLayout;
        column->setSpacing(labelGap);
        column->addWidget(card, 0, Qt::AlignHCenter);
        label->setFixedWidth(card->sizeHint().width());
        column->addWidget(label, 0, Qt::AlignHCenter);
        row->addLayout(column);
    }
    return row;
}

/// One dot per step, the current one in the accent colour.
class StepDots final : public QWidget {
public:
    explicit StepDots(const OnboardingFlow& flow) : m_flow(flow) {
        setFixedSize(OnboardingFlow::kStepCount * 14, 14);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        for (int i = 0; i < OnboardingFlow::kStepCount; ++i) {
            QColor inactive = palette().color(kSecondaryTextRole);
            inactive.setAlphaF(0.35F);
            painter.setBrush(i == m_flow.stepIndex() ? palette().color(QPalette::Active, kAccentRole)
                                                     : inactive);
            painter.drawEllipse(QPointF(7 + i * 14, 7), 3.5, 3.5);
        }
    }

private:
    const OnboardingFlow& m_flow;
};

} // namespace

OnboardingAppIconView::OnboardingAppIconView(QImage icon, QWidget* parent)
    : QWidget(parent), m_icon(std::move(icon)) {
    setFixedSize(sizeHint());
}

void OnboardingAppIconView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF target = QRectF(rect()).adjusted(6, 4, -6, -8);
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 3; ++i) {
        painter.setBrush(QColor(0, 0, 0, 16));
        painter.drawRoundedRect(target.adjusted(4 - i, 6 - i, i - 4, 2 + i), 18, 18);
    }
    if (!m_icon.isNull()) {
        painter.drawImage(target, m_icon);
    }
}

OnboardingFeatureRow::OnboardingFeatureRow(const SymbolImages& symbols, QString symbolName, QWidget* parent)
    : QWidget(parent), m_symbols(symbols), m_symbolName(std::move(symbolName)),
      m_title(makeSettingsLabel(SettingsTextStyle::body)),
      m_subtitle(makeSettingsLabel(SettingsTextStyle::secondary)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kFeatureIconSide + 14, 0, 0, 0);
    layout->setSpacing(2);
    QFont bold = settingsFont(SettingsFont::body);
    bold.setWeight(QFont::DemiBold);
    m_title->setFont(bold);
    m_subtitle->setWordWrap(true);
    layout->addWidget(m_title);
    layout->addWidget(m_subtitle);
    setMinimumHeight(kFeatureIconSide);
}

void OnboardingFeatureRow::setTexts(const QString& title, const QString& subtitle) {
    m_title->setText(title);
    m_subtitle->setText(subtitle);
}

void OnboardingFeatureRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF plate(0, 1, kFeatureIconSide, kFeatureIconSide);
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().color(QPalette::Active, kAccentRole));
    painter.drawRoundedRect(plate, 9, 9);
    constexpr double kSymbolSide = 20;
    if (const ImagePtr symbol = m_symbols.symbol(m_symbolName, kSymbolSide, SymbolWeight::regular)) {
        symbol->drawTinted(painter,
                           QRectF(plate.center() - QPointF(kSymbolSide / 2, kSymbolSide / 2),
                                  QSizeF(kSymbolSide, kSymbolSide)),
                           palette().color(kOnAccentRole));
    }
}

OnboardingChoiceCard::OnboardingChoiceCard(QImage image, const SymbolImages& symbols, QString symbolName,
                                           QSize contentSize, QWidget* parent)
    : QAbstractButton(parent), m_image(std::move(image)), m_symbols(symbols),
      m_symbolName(std::move(symbolName)), m_contentSize(contentSize),
      m_animation(new QVariantAnimation(this)) {
    useTabFocus(*this);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_animation->setDuration(kChoiceHighlightMilliseconds);
    m_animation->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_highlight = value.toDouble();
        update();
    });
}

void OnboardingChoiceCard::setChosen(bool chosen, bool animated) {
    if (chosen == m_chosen && !m_animation->state()) {
        m_highlight = chosen ? 1.0 : 0.0;
        update();
        return;
    }
    m_chosen = chosen;
    m_animation->stop();
    if (animated && isVisible()) {
        m_animation->setStartValue(m_highlight);
        m_animation->setEndValue(chosen ? 1.0 : 0.0);
        m_animation->start();
    } else {
        m_highlight = chosen ? 1.0 : 0.0;
        update();
    }
    setAccessibleDescription(chosen ? QStringLiteral("✓") : QString());
}

QSize OnboardingChoiceCard::sizeHint() const {
    return m_contentSize + QSize(16, 16);
}

void OnboardingChoiceCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QPalette& p = palette();
    const QRectF card = QRectF(rect()).adjusted(2, 2, -2, -2);
    painter.setPen(QPen(p.color(kSectionBorderRole), 1));
    painter.setBrush(p.color(kSectionBackgroundRole));
    painter.drawRoundedRect(card, 12, 12);
    const QRectF content(
        QPointF((width() - m_contentSize.width()) / 2.0, (height() - m_contentSize.height()) / 2.0),
        QSizeF(m_contentSize));
    if (!m_image.isNull()) {
        QPainterPath clip;
        clip.addRoundedRect(content, 7, 7);
        painter.save();
        painter.setClipPath(clip);
        painter.drawImage(content, m_image);
        painter.restore();
    } else if (const ImagePtr symbol = m_symbols.symbol(m_symbolName, 26, SymbolWeight::regular)) {
        symbol->drawTinted(painter, QRectF(content.center() - QPointF(13, 13), QSizeF(26, 26)),
                           m_chosen ? p.color(QPalette::Active, kAccentRole) : p.color(kPrimaryTextRole));
    }
    if (m_highlight > 0) {
        QColor accent = p.color(QPalette::Active, kAccentRole);
        accent.setAlphaF(static_cast<float>(m_highlight));
        painter.setPen(QPen(accent, 2.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(card.adjusted(0.5, 0.5, -0.5, -0.5), 12, 12);
    }
    if (hasFocus()) {
        paintFocusRing(painter, card, 12, p.color(QPalette::Active, kAccentRole));
    }
}

OnboardingView::OnboardingView(AppSettings& settings, const Localization& l10n, const MainBundle& bundle,
                               const SymbolImages& symbols, std::function<void(bool)> onFinish,
                               QWidget* parent)
    : SettingsPage(settings, l10n, parent), m_flow(settings, std::move(onFinish)), m_stepArea(new QWidget),
      m_slide(new QVariantAnimation(this)), m_back(new ActionButton(ActionButtonStyle::secondary, QString())),
      m_next(new ActionButton(ActionButtonStyle::primary, QString())) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_stepArea, 1);
    m_steps = {makeWelcomeStep(bundle, symbols), makeWorkflowStep(bundle, symbols),
               makeQuickSetupStep(symbols)};
    for (QWidget* step : m_steps) {
        step->setParent(m_stepArea);
    }
    m_stepArea->installEventFilter(this);

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(settings_metrics::kPageMarginHorizontal, 10,
                            settings_metrics::kPageMarginHorizontal, 18);
    m_dots = new StepDots(m_flow);
    bar->addWidget(m_dots, 0, Qt::AlignVCenter);
    bar->addStretch(1);
    bar->addWidget(m_back);
    bar->addWidget(m_next);
    layout->addLayout(bar);

    m_slide->setDuration(kStepSlideMilliseconds);
    m_slide->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_slide, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& v) { layOutSteps(v.toDouble()); });
    connect(m_slide, &QVariantAnimation::finished, this, [this] { layOutSteps(1.0); });
    connect(m_next, &QPushButton::clicked, this, [this] {
        const OnboardingStep previous = m_flow.step();
        m_flow.next();
        if (m_flow.step() != previous) {
            showStep(previous, true);
        }
    });
    connect(m_back, &QPushButton::clicked, this, [this] {
        const OnboardingStep previous = m_flow.step();
        m_flow.back();
        if (m_flow.step() != previous) {
            showStep(previous, false);
        }
    });
    connect(m_aboveDock, &QAbstractButton::clicked, this,
            [this] { m_flow.chooseWorkflow(PopupPosition::aboveDock); });
    connect(m_center, &QAbstractButton::clicked, this,
            [this] { m_flow.chooseWorkflow(PopupPosition::center); });
    connect(m_dark, &QAbstractButton::clicked, this,
            [&settings] { settings.setAppTheme(AppThemeMode::dark); });
    connect(m_light, &QAbstractButton::clicked, this,
            [&settings] { settings.setAppTheme(AppThemeMode::light); });
    connect(m_menuBar, &ToggleSwitch::toggledByUser, &settings, &AppSettings::setShowMenuBar);
    connect(m_launch, &ToggleSwitch::toggledByUser, &settings, &AppSettings::setLaunchAtLogin);
    finishSetup();
    updateButtons();
    layOutSteps(1.0);
}

OnboardingView::~OnboardingView() = default;

QWidget* OnboardingView::makeWelcomeStep(const MainBundle& bundle, const SymbolImages& symbols) {
    auto* step = new QWidget;
    auto* layout = new QVBoxLayout(step);
    layout->setContentsMargins(kStepMarginHorizontal, 30, kStepMarginHorizontal, 0);
    layout->setSpacing(0);
    layout->addWidget(new OnboardingAppIconView(bundleIconImage(bundle)), 0, Qt::AlignHCenter);
    layout->addSpacing(12);
    m_heroTitle = centeredLabel(SettingsTextStyle::hero);
    m_heroSubtitle = centeredLabel(SettingsTextStyle::secondary);
    layout->addWidget(m_heroTitle);
    layout->addSpacing(6);
    layout->addWidget(m_heroSubtitle);
    layout->addSpacing(26);
    auto* features = new QVBoxLayout;
    features->setSpacing(16);
    features->setContentsMargins(12, 0, 12, 0);
    for (const char* symbol : {"folder.fill", "square.grid.2x2", "macwindow"}) {
        auto* row = new OnboardingFeatureRow(symbols, QString::fromLatin1(symbol));
        m_features.append(row);
        features->addWidget(row);
    }
    layout->addLayout(features);
    layout->addStretch(1);
    return step;
}

QWidget* OnboardingView::makeWorkflowStep(const MainBundle& bundle, const SymbolImages& symbols) {
    auto* step = new QWidget;
    QVBoxLayout* layout = makeStepLayout(step, m_workflowTitle, m_workflowSubtitle);
    layout->addSpacing(26);
    m_aboveDock = new OnboardingChoiceCard(bundleImage(bundle, QStringLiteral("PopupDock")), symbols, {},
                                           kWorkflowPictureSize);
    m_center = new OnboardingChoiceCard(bundleImage(bundle, QStringLiteral("PopupCenter")), symbols, {},
                                        kWorkflowPictureSize);
    m_aboveDockLabel = centeredLabel(SettingsTextStyle::body);
    m_centerLabel = centeredLabel(SettingsTextStyle::body);
    QHBoxLayout* choices =
        makeChoiceColumns({{m_aboveDock, m_aboveDockLabel}, {m_center, m_centerLabel}}, 20, 8);
    choices->insertStretch(0, 1);
    choices->addStretch(1);
    layout->addLayout(choices);
    layout->addStretch(1);
    return step;
}

QWidget* OnboardingView::makeQuickSetupStep(const SymbolImages& symbols) {
    auto* step = new QWidget;
    QVBoxLayout* layout = makeStepLayout(step, m_quickTitle, m_quickSubtitle);
    layout->addSpacing(22);

    m_themeTitle = makeSettingsLabel(SettingsTextStyle::sectionTitle);
    m_themeTitle->setContentsMargins(settings_metrics::kRowPaddingHorizontal, 0, 0, 0);
    layout->addWidget(m_themeTitle);
    layout->addSpacing(6);
    m_dark = new OnboardingChoiceCard({}, symbols, QStringLiteral("moon.fill"), kThemeSymbolArea);
    m_light = new OnboardingChoiceCard({}, symbols, QStringLiteral("sun.max.fill"), kThemeSymbolArea);
    m_darkLabel = centeredLabel(SettingsTextStyle::body);
    m_lightLabel = centeredLabel(SettingsTextStyle::body);
    QHBoxLayout* themes = makeChoiceColumns({{m_dark, m_darkLabel}, {m_light, m_lightLabel}}, 16, 6);
    themes->addStretch(1);
    layout->addLayout(themes);
    layout->addSpacing(20);

    auto* section = new SettingsSection;
    m_menuBar = new ToggleSwitch;
    m_launch = new ToggleSwitch;
    m_menuBarRow = section->addRow(new SettingsRow(m_menuBar));
    m_launchRow = section->addRow(new SettingsRow(m_launch));
    layout->addWidget(section);
    layout->addStretch(1);
    return step;
}

QSize OnboardingView::sizeHint() const {
    int tallest = 0;
    for (const QWidget* step : m_steps) {
        const QLayout* content = step->layout();
        tallest =
            std::max(tallest, content->hasHeightForWidth() ? content->totalHeightForWidth(kOnboardingWidth)
                                                           : content->totalSizeHint().height());
    }
    const int bar = std::max(m_next->sizeHint().height(), m_dots->height()) + 28;
    return QSize(kOnboardingWidth, tallest + bar + 20);
}

void OnboardingView::retranslate() {
    m_heroTitle->setText(text(QStringLiteral("onboarding.hero.title")));
    m_heroSubtitle->setText(text(QStringLiteral("onboarding.hero.subtitle")));
    const char* features[] = {"folders", "apps", "menu"};
    for (qsizetype i = 0; i < m_features.size(); ++i) {
        const QString base = QStringLiteral("onboarding.welcome.item.") + QLatin1String(features[i]);
        m_features.at(i)->setTexts(text(base + QStringLiteral(".title")),
                                   text(base + QStringLiteral(".subtitle")));
    }
    m_workflowTitle->setText(text(QStringLiteral("onboarding.workflow.title")));
    m_workflowSubtitle->setText(text(QStringLiteral("onboarding.workflow.subtitle")));
    m_aboveDockLabel->setText(text(QStringLiteral("onboarding.workflow.option.above_dock")));
    m_centerLabel->setText(text(QStringLiteral("onboarding.workflow.option.center_screen")));
    m_aboveDock->setAccessibleName(m_aboveDockLabel->text());
    m_center->setAccessibleName(m_centerLabel->text());
    m_quickTitle->setText(text(QStringLiteral("onboarding.quick.title")));
    m_quickSubtitle->setText(text(QStringLiteral("onboarding.quick.subtitle")));
    m_themeTitle->setText(text(QStringLiteral("onboarding.quick.theme.title")));
    m_darkLabel->setText(text(QStringLiteral("onboarding.quick.theme.dark")));
    m_lightLabel->setText(text(QStringLiteral("onboarding.quick.theme.light")));
    m_dark->setAccessibleName(m_darkLabel->text());
    m_light->setAccessibleName(m_lightLabel->text());
    m_menuBarRow->setTitle(text(QStringLiteral("onboarding.quick.menubar.title")));
    m_menuBarRow->setSubtitle(text(QStringLiteral("onboarding.quick.menubar.subtitle")));
    m_launchRow->setTitle(text(QStringLiteral("onboarding.quick.launch.title")));
    m_launchRow->setSubtitle(text(QStringLiteral("onboarding.quick.launch.subtitle")));
    m_back->setText(text(QStringLiteral("onboarding.action.back")));
    m_back->setAccessibleName(m_back->text());
    updateButtons();
}

void OnboardingView::refreshValues() {
    const AppSettings& s = settings();
    // The workflow's choice follows the setting once the step has applied its default; before that the
    // cards show the default it will apply.
    const PopupPosition position =
        m_flow.didApplyWorkflowDefault() ? s.popupPosition() : m_flow.workflowPopupPosition();
    m_aboveDock->setChosen(position == PopupPosition::aboveDock, true);
    m_center->setChosen(position == PopupPosition::center, true);
    m_dark->setChosen(s.appTheme() == AppThemeMode::dark, false);
    m_light->setChosen(s.appTheme() == AppThemeMode::light, false);
    m_menuBar->setCheckedSilently(s.showMenuBar());
    m_launch->setCheckedSilently(s.launchAtLogin());
}

bool OnboardingView::showsSetting(AppSettings::Field field) const {
    using F = AppSettings::Field;
    return field == F::popupPosition || field == F::appTheme || field == F::showMenuBar ||
           field == F::launchAtLogin;
}

void OnboardingView::updateButtons() {
    m_back->setVisible(m_flow.canGoBack());
    m_next->setText(text(m_flow.primaryActionKey()));
    m_next->setAccessibleName(m_next->text());
    m_next->updateGeometry();
    m_dots->update();
}

void OnboardingView::showStep(OnboardingStep previous, bool forward) {
    m_leavingStep = previous;
    m_shownStep = m_flow.step();
    m_slidingForward = forward;
    updateButtons();
    m_slide->stop();
    if (isVisible()) {
        m_slide->setStartValue(0.0);
        m_slide->setEndValue(1.0);
        m_slide->start();
    } else {
        layOutSteps(1.0);
    }
    // The keyboard stays on the default button, ready for the next Return.
    if (m_next->hasFocus() || m_back->hasFocus()) {
        m_next->setFocus(Qt::OtherFocusReason);
    }
}

void OnboardingView::layOutSteps(double progress) {
    const QRect area = m_stepArea->rect();
    const int width = area.width();
    const int direction = m_slidingForward ? 1 : -1;
    for (qsizetype i = 0; i < m_steps.size(); ++i) {
        QWidget* step = m_steps.at(i);
        const auto which = static_cast<OnboardingStep>(i);
        if (which == m_shownStep) {
            step->setGeometry(area.translated(static_cast<int>(direction * width * (1.0 - progress)), 0));
            step->show();
        } else if (which == m_leavingStep && progress < 1.0) {
            step->setGeometry(area.translated(static_cast<int>(-direction * width * progress), 0));
            step->show();
        } else {
            step->hide();
        }
    }
}

bool OnboardingView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_stepArea && event->type() == QEvent::Resize) {
        layOutSteps(m_slide->state() == QAbstractAnimation::Running ? m_slide->currentValue().toDouble()
                                                                    : 1.0);
    }
    return SettingsPage::eventFilter(watched, event);
}

void OnboardingView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        m_next->click();
        return;
    }
    SettingsPage::keyPressEvent(event);
}

} // namespace tessly
