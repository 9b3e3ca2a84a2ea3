#include "mainwindow/onboarding/onboarding_flow.h"

#include "settings/app_settings.h"

namespace tessly {

OnboardingFlow::OnboardingFlow(AppSettings& settings, std::function<void(bool)> onFinish)
    : m_settings(settings), m_onFinish(std::move(onFinish)) {}

QString OnboardingFlow::primaryActionKey() const {
    return isLastStep() ? QStringLiteral("onboarding.action.start")
                        : QStringLiteral("onboarding.action.next");
}

void OnboardingFlow::next() {
    switch (m_step) {
    case OnboardingStep::welcome:
        m_step = OnboardingStep::workflow;
        enterWorkflowStep();
        return;
    case OnboardingStep::workflow:
        m_step = OnboardingStep::quickSetup;
        return;
    case OnboardingStep::quickSetup:
        if (m_onFinish) {
            m_onFinish(false);
        }
        return;
    }
}

void OnboardingFlow::back() {
    switch (m_step) {
    case OnboardingStep::welcome:
        return;
    case OnboardingStep::workflow:
        m_step = OnboardingStep::welcome;
        return;
    case OnboardingStep::quickSetup:
        m_step = OnboardingStep::workflow;
        return;
    }
}

void OnboardingFlow::chooseWorkflow(PopupPosition position) {
    m_workflowPopupPosition = position;
    m_settings.setPopupPosition(position);
}

void OnboardingFlow::enterWorkflowStep() {
    if (m_didApplyWorkflowDefault) {
        return;
    }
    m_didApplyWorkflowDefault = true;
    chooseWorkflow(PopupPosition::aboveDock);
}

} // namespace tessly
