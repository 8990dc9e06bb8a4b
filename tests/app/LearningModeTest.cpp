// The double-tap cycle: star names, the learning mode with its Quit button, and back.
#include <gtest/gtest.h>

#include "AppTestSupport.h"

namespace {

void expectQuitButton(const RunningApp& run, CGFloat x) {
    const auto quit = run.main().quitButton();
    ASSERT_NE(quit, nullptr);
    expectRect(quit->frame(), x, 5, 60, 37, "Quit frame");
    EXPECT_EQ(quit->buttonType(), UIButtonTypeRoundedRect);
    EXPECT_EQ(rgba(quit->titleColorForState(UIControlStateNormal)), (Rgba{1, 1, 1, 1}));
    EXPECT_NE(quit->backgroundImageForState(UIControlStateNormal), nullptr);
    EXPECT_EQ(quit->backgroundImageForState(UIControlStateNormal), UIImage::imageNamed("strtstp2.png"));
    // Shown once, above the chart view.
    EXPECT_EQ(run.app.findViewsByTitle("Quit").size(), 1u);
    EXPECT_EQ(run.main().view()->hitTest(RunningApp::centreOf(*quit)), quit);
}

TEST(LearningMode, CycleOnAPhone) {
    RunningApp run(namedDevice("phone"));
    const CGPoint p{160, 240};
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        const auto previous = run.main().quitButton();
        run.app.tap(p, 2);
        EXPECT_EQ(run.main().learnState(), 1);
        EXPECT_EQ(run.chart().labelMode(), 1);
        EXPECT_TRUE(run.chart().starNamesOn());
        EXPECT_EQ(run.main().quitButton(), previous);

        run.app.tap(p, 2);
        EXPECT_EQ(run.main().learnState(), 3);
        EXPECT_EQ(run.chart().labelMode(), 2);
        EXPECT_NE(run.main().quitButton(), previous);
        expectQuitButton(run, 255);

        // Ignored while the mode is on.
        run.app.tap(p, 2);
        run.app.tap(p, 2);
        EXPECT_EQ(run.main().learnState(), 3);
        EXPECT_EQ(run.chart().labelMode(), 2);
        expectQuitButton(run, 255);

        ASSERT_TRUE(run.press("Quit"));
        EXPECT_EQ(run.main().learnState(), 0);
        EXPECT_EQ(run.chart().labelMode(), 0);
        EXPECT_FALSE(run.chart().starNamesOn());
        EXPECT_TRUE(run.app.findViewsByTitle("Quit").empty());
    }
}

TEST(LearningMode, QuitSitsTopRightOnEveryWidth) {
    // The command line brings the chart to a label mode through the same steps.
    for (const auto& [device, x] : {std::pair{"tablet", 703}, {"phone-wide", 310}}) {
        SCOPED_TRACE(device);
        RunningApp run(namedDevice(device));
        run.main().doubleTapStep();
        run.main().doubleTapStep();
        EXPECT_EQ(run.chart().labelMode(), 2);
        expectQuitButton(run, x);
    }
}

TEST(LearningMode, ADoubleTapWithAnotherFingerRestingIsNotOne) {
    RunningApp run(namedDevice("phone"));
    run.app.touchDown(5, {40, 60});
    run.app.advance(0.5);
    quickTaps(run.app, {200, 300}, 2);
    run.app.touchUp(5, {40, 60});
    EXPECT_EQ(run.main().learnState(), 0);
    EXPECT_EQ(run.chart().labelMode(), 0);
}

TEST(LearningMode, QuitOutsideTheModeDoesNothing) {
    RunningApp run(namedDevice("phone"));
    run.main().quitLearn(nullptr);
    EXPECT_EQ(run.chart().labelMode(), 0);
    run.app.tap({160, 240}, 2);
    run.main().quitLearn(nullptr);
    EXPECT_EQ(run.main().learnState(), 1);
    EXPECT_EQ(run.chart().labelMode(), 1);
}

TEST(LearningMode, OneStepPerDoubleTap) {
    // The step runs at the second touch's end only: the third tap in a row does not step.
    RunningApp run(namedDevice("phone"));
    quickTaps(run.app, {100, 100}, 3);
    EXPECT_EQ(run.main().learnState(), 1);
    EXPECT_EQ(run.chart().labelMode(), 1);
}

}  // namespace
