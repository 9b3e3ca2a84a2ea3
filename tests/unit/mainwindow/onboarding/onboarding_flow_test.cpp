// The onboarding's steps and what they write to the settings.
#include "mainwindow/onboarding/onboarding_flow.h"

#include "support/settings_harness.h"

#include <gtest/gtest.h>

namespace tessly {
namespace {

class OnboardingFlowTest : public ::testing::Test, protected testing::SettingsHarness {
protected:
    OnboardingFlowTest() : flow(make(), [this](bool openNewFolder) { finishes.append(openNewFolder); }) {
        // A position chosen before, which the introduction's default replaces.
        settings->setPopupPosition(PopupPosition::center);
    }

    QList<bool> finishes;
    OnboardingFlow flow;
};

TEST_F(OnboardingFlowTest, StepsRunInOrderAndTheLastButtonStartsAndFinishesWithoutANewFolder) {
    EXPECT_EQ(flow.step(), OnboardingStep::welcome);
    EXPECT_FALSE(flow.canGoBack());
    EXPECT_EQ(flow.primaryActionKey(), "onboarding.action.next");
    flow.next();
    EXPECT_EQ(flow.step(), OnboardingStep::workflow);
    EXPECT_TRUE(flow.canGoBack());
    flow.next();
    EXPECT_EQ(flow.step(), OnboardingStep::quickSetup);
    EXPECT_EQ(flow.primaryActionKey(), "onboarding.action.start");
    EXPECT_TRUE(finishes.isEmpty());
    flow.next();
    EXPECT_EQ(finishes, QList<bool>{false});
    EXPECT_EQ(flow.step(), OnboardingStep::quickSetup);
}

TEST_F(OnboardingFlowTest, BackStopsAtTheFirstStep) {
    flow.next();
    flow.next();
    flow.back();
    EXPECT_EQ(flow.step(), OnboardingStep::workflow);
    flow.back();
    flow.back();
    EXPECT_EQ(flow.step(), OnboardingStep::welcome);
    EXPECT_TRUE(finishes.isEmpty());
}

TEST_F(OnboardingFlowTest, TheWorkflowDefaultIsAppliedTheFirstTimeOnlyAndAnnounced) {
    int announcements = 0;
    center.addObserver(QStringLiteral("popupSettingsChanged"), [&](const auto&) { ++announcements; });
    EXPECT_FALSE(flow.didApplyWorkflowDefault());
    EXPECT_EQ(settings->popupPosition(), PopupPosition::center);

    flow.next();
    EXPECT_TRUE(flow.didApplyWorkflowDefault());
    EXPECT_EQ(flow.workflowPopupPosition(), PopupPosition::aboveDock);
    EXPECT_EQ(settings->popupPosition(), PopupPosition::aboveDock);
    EXPECT_EQ(defaults.stringForKey("popupPosition"), "aboveDock");
    EXPECT_EQ(announcements, 1);

    flow.chooseWorkflow(PopupPosition::center);
    EXPECT_EQ(settings->popupPosition(), PopupPosition::center);
    EXPECT_EQ(flow.workflowPopupPosition(), PopupPosition::center);
    // Back to the welcome and forward again: the user's choice stands.
    flow.back();
    flow.next();
    EXPECT_EQ(settings->popupPosition(), PopupPosition::center);
    EXPECT_EQ(announcements, 2);
}

} // namespace
} // namespace tessly
