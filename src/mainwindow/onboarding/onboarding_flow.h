// The first-run introduction as a sequence of three steps, and what each step changes in the settings.
//
//     OnboardingFlow flow(settings, [this](bool openNewFolder) { finishOnboarding(openNewFolder); });
//     flow.next();                                   // welcome → workflow: the popup opens above the Dock
//     flow.chooseWorkflow(PopupPosition::center);    // written to the settings at once
//     flow.next();                                   // workflow → quick setup
//     flow.next();                                   // "Get Started": onFinish(false)
//
// The first time the workflow step is reached, the popup position becomes "above the Dock" in the flow and in
// the settings, whatever was stored before: that is the default the introduction offers. Going back and
// forth does not apply it again. Main thread only.
#pragma once

#include "model/enumerations.h"

#include <QString>
#include <functional>

namespace tessly {

class AppSettings;

enum class OnboardingStep { welcome, workflow, quickSetup };

class OnboardingFlow {
public:
    /// `onFinish` hears the end of the introduction; its flag asks for a new folder to be started at once.
    OnboardingFlow(AppSettings& settings, std::function<void(bool)> onFinish);

    [[nodiscard]] OnboardingStep step() const { return m_step; }
    [[nodiscard]] bool didApplyWorkflowDefault() const { return m_didApplyWorkflowDefault; }
    [[nodiscard]] PopupPosition workflowPopupPosition() const { return m_workflowPopupPosition; }

    /// Whether there is a step before this one (a "Back" button).
    [[nodiscard]] bool canGoBack() const { return m_step != OnboardingStep::welcome; }
    [[nodiscard]] bool isLastStep() const { return m_step == OnboardingStep::quickSetup; }
    /// The key of the default button's text: "next" before the last step, "start" on it.
    [[nodiscard]] QString primaryActionKey() const;
    /// The number of the step, from 0, and how many there are (for the step dots).
    [[nodiscard]] int stepIndex() const { return static_cast<int>(m_step); }
    static constexpr int kStepCount = 3;

    /// To the next step; on the last step, finishes (onFinish with false).
    void next();
    /// To the previous step; nothing on the first.
    void back();
    /// The user's choice of where folders open: kept here and written to the settings at once.
    void chooseWorkflow(PopupPosition position);

private:
    void enterWorkflowStep();

    AppSettings& m_settings;
    std::function<void(bool)> m_onFinish;
    OnboardingStep m_step = OnboardingStep::welcome;
    bool m_didApplyWorkflowDefault = false;
    PopupPosition m_workflowPopupPosition = PopupPosition::aboveDock;
};

} // namespace tessly
