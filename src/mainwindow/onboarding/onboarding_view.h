// The first-run introduction, in three steps: what the program does (welcome), where a folder's popup opens
// (workflow, with a picture of each choice), and a few preferences to set now (quick setup: theme, menu bar,
// launch at login). Back and Continue move between the steps with a short slide; Return is Continue, and on
// the last step "Get Started" ends the introduction.
//
//     auto* onboarding = new OnboardingView(settings, l10n, bundle, symbols,
//                                           [this](bool openNewFolder) { finishOnboarding(openNewFolder); });
//
// The step logic is OnboardingFlow's; the choices write their settings at once. The pictures "PopupDock" and
// "PopupCenter" and the application's icon come from the bundle's resources. Main thread only.
#pragma once

#include "mainwindow/onboarding/onboarding_flow.h"
#include "mainwindow/settings_pages/settings_page.h"

#include <QAbstractButton>
#include <QImage>
#include <QList>
#include <functional>

class QLabel;
class QVariantAnimation;

namespace tessly {

class ActionButton;
class MainBundle;
class SettingsRow;
class SymbolImages;
class ToggleSwitch;

/// The application's icon as the onboarding's hero shows it, with a soft shadow.
class OnboardingAppIconView final : public QWidget {
    Q_OBJECT

public:
    explicit OnboardingAppIconView(QImage icon, QWidget* parent = nullptr);
    [[nodiscard]] QSize sizeHint() const override { return QSize(88, 88); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_icon;
};

/// One idea of the welcome step: a symbol on an accent plate, a title and a line under it.
class OnboardingFeatureRow final : public QWidget {
    Q_OBJECT

public:
    OnboardingFeatureRow(const SymbolImages& symbols, QString symbolName, QWidget* parent = nullptr);
    void setTexts(const QString& title, const QString& subtitle);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const SymbolImages& m_symbols;
    QString m_symbolName;
    QLabel* m_title;
    QLabel* m_subtitle;
};

/// A large choice: a picture or a symbol with its label under it; the chosen one wears an accent outline.
class OnboardingChoiceCard final : public QAbstractButton {
    Q_OBJECT

public:
    /// Shows `image` when it is not null, else the symbol.
    OnboardingChoiceCard(QImage image, const SymbolImages& symbols, QString symbolName, QSize contentSize,
                         QWidget* parent = nullptr);
    /// Marks the card chosen; the outline fades in over 0.16 s when `animated`.
    void setChosen(bool chosen, bool animated);
    [[nodiscard]] bool isChosen() const { return m_chosen; }
    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
    const SymbolImages& m_symbols;
    QString m_symbolName;
    QSize m_contentSize;
    bool m_chosen = false;
    double m_highlight = 0;
    QVariantAnimation* m_animation;
};

class OnboardingView final : public SettingsPage {
    Q_OBJECT

public:
    OnboardingView(AppSettings& settings, const Localization& l10n, const MainBundle& bundle,
                   const SymbolImages& symbols, std::function<void(bool)> onFinish,
                   QWidget* parent = nullptr);
    ~OnboardingView() override;

    [[nodiscard]] QString titleKey() const override { return QStringLiteral("onboarding.window_title"); }
    [[nodiscard]] const OnboardingFlow& flow() const { return m_flow; }
    /// The size the onboarding asks of the window: wide enough for the two pictures side by side, tall
    /// enough for its longest step.
    [[nodiscard]] QSize sizeHint() const override;

    [[nodiscard]] ActionButton* backButton() const { return m_back; }
    [[nodiscard]] ActionButton* nextButton() const { return m_next; }
    [[nodiscard]] OnboardingChoiceCard* aboveDockCard() const { return m_aboveDock; }
    [[nodiscard]] OnboardingChoiceCard* centerCard() const { return m_center; }
    [[nodiscard]] OnboardingChoiceCard* darkThemeCard() const { return m_dark; }
    [[nodiscard]] OnboardingChoiceCard* lightThemeCard() const { return m_light; }
    [[nodiscard]] ToggleSwitch* menuBarSwitch() const { return m_menuBar; }
    [[nodiscard]] ToggleSwitch* launchSwitch() const { return m_launch; }

protected:
    void retranslate() override;
    void refreshValues() override;
    [[nodiscard]] bool showsSetting(AppSettings::Field field) const override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* makeWelcomeStep(const MainBundle& bundle, const SymbolImages& symbols);
    QWidget* makeWorkflowStep(const MainBundle& bundle, const SymbolImages& symbols);
    QWidget* makeQuickSetupStep(const SymbolImages& symbols);
    /// Slides from the step shown to the flow's step: forward when `forward`, back otherwise.
    void showStep(OnboardingStep previous, bool forward);
    void layOutSteps(double progress);
    void updateButtons();

    OnboardingFlow m_flow;
    QWidget* m_stepArea;
    QList<QWidget*> m_steps;
    OnboardingStep m_shownStep = OnboardingStep::welcome;
    OnboardingStep m_leavingStep = OnboardingStep::welcome;
    bool m_slidingForward = true;
    QVariantAnimation* m_slide;

    QLabel* m_heroTitle = nullptr;
    QLabel* m_heroSubtitle = nullptr;
    QList<OnboardingFeatureRow*> m_features;
    QLabel* m_workflowTitle = nullptr;
    QLabel* m_workflowSubtitle = nullptr;
    OnboardingChoiceCard* m_aboveDock = nullptr;
    OnboardingChoiceCard* m_center = nullptr;
    QLabel* m_aboveDockLabel = nullptr;
    QLabel* m_centerLabel = nullptr;
    QLabel* m_quickTitle = nullptr;
    QLabel* m_quickSubtitle = nullptr;
    QLabel* m_themeTitle = nullptr;
    OnboardingChoiceCard* m_dark = nullptr;
    OnboardingChoiceCard* m_light = nullptr;
    QLabel* m_darkLabel = nullptr;
    QLabel* m_lightLabel = nullptr;
    ToggleSwitch* m_menuBar = nullptr;
    ToggleSwitch* m_launch = nullptr;
    SettingsRow* m_menuBarRow = nullptr;
    SettingsRow* m_launchRow = nullptr;
    QWidget* m_dots = nullptr;
    ActionButton* m_back;
    ActionButton* m_next;
};

} // namespace tessly
