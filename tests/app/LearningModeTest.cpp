// The double-tap cycle: star names, the learning mode with its Quit button, and back.
#include <gtest/gtest.h>

#include "AppTestSupport.h"

namespace {

std::vector<std::shared_ptr<UIButton>> quitButtonsOnScreen(const RunningApp& run) {
    std::vector<std::shared_ptr<UIButton>> out;
    for (const auto& b : run.app.findViews<UIButton>())
        if (b->titleForState(UIControlStateNormal) == "Quit" && OffscreenApp::isVisible(*b)) out.push_back(b);
    return out;
}

void expectQuitButton(const RunningApp& run, CGFloat x) {
    const auto quit = run.main().quitButton();
    ASSERT_NE(quit, nullptr);
    EXPECT_EQ(quit->superview(), run.main().view());
    expectRect(quit->frame(), x, 5, 60, 37, "Quit frame");
    EXPECT_EQ(quit->buttonType(), UIButtonTypeRoundedRect);
    EXPECT_EQ(quit->titleForState(UIControlStateNormal), "Quit");
    ASSERT_NE(quit->titleColorForState(UIControlStateNormal), nullptr);
    EXPECT_EQ(quit->titleColorForState(UIControlStateNormal)->red(), 1);
    EXPECT_EQ(quit->titleColorForState(UIControlStateNormal)->green(), 1);
    EXPECT_EQ(quit->titleColorForState(UIControlStateNormal)->blue(), 1);
    EXPECT_EQ(quit->backgroundImageForState(UIControlStateNormal), UIImage::imageNamed("strtstp2.png"));
    EXPECT_NE(quit->backgroundImageForState(UIControlStateNormal), nullptr);
    // Above the chart view.
    EXPECT_EQ(run.main().view()->hitTest(RunningApp::centreOf(*quit)), quit);
}

TEST(LearningMode, CycleOnAPhone) {
    RunningApp run(namedDevice("phone"));
    const CGPoint p{160, 240};

    run.app.tap(p, 2);
    EXPECT_EQ(run.main().learnState(), 1);
    EXPECT_EQ(run.chart().labelMode(), 1);
    EXPECT_TRUE(run.chart().starNamesOn());
    EXPECT_EQ(run.main().quitButton(), nullptr);

    run.app.tap(p, 2);
    EXPECT_EQ(run.main().learnState(), 3);
    EXPECT_EQ(run.chart().labelMode(), 2);
    expectQuitButton(run, 255);
    EXPECT_EQ(quitButtonsOnScreen(run).size(), 1u);

    // Ignored while the mode is on.
    run.app.tap(p, 2);
    run.app.tap(p, 2);
    EXPECT_EQ(run.main().learnState(), 3);
    EXPECT_EQ(run.chart().labelMode(), 2);
    EXPECT_EQ(quitButtonsOnScreen(run).size(), 1u);

    const auto first = run.main().quitButton();
    ASSERT_TRUE(run.press("Quit"));
    EXPECT_EQ(run.main().learnState(), 0);
    EXPECT_EQ(run.chart().labelMode(), 0);
    EXPECT_FALSE(run.chart().starNamesOn());
    EXPECT_EQ(first->superview(), nullptr);
    EXPECT_EQ(run.main().quitButton(), first) << "kept until the next entry";
    EXPECT_TRUE(quitButtonsOnScreen(run).empty());
    EXPECT_TRUE(run.visibleWithTitle("Quit").empty());

    // Again from the start: names, then a new button at the same place.
    run.app.tap(p, 2);
    EXPECT_EQ(run.chart().labelMode(), 1);
    EXPECT_EQ(run.main().learnState(), 1);
    run.app.tap(p, 2);
    EXPECT_EQ(run.main().learnState(), 3);
    EXPECT_NE(run.main().quitButton(), first);
    expectQuitButton(run, 255);
    EXPECT_EQ(quitButtonsOnScreen(run).size(), 1u);
}

TEST(LearningMode, QuitSitsTopRightOnATablet) {
    RunningApp run(namedDevice("tablet"));
    run.app.tap({384, 600}, 2);
    run.app.tap({384, 600}, 2);
    expectQuitButton(run, 703);
    // The band's Info item stays reachable beside it.
    const auto bar = run.main().infoBar();
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->items().size(), 2u);
    const auto item = bar->items()[0];
    ASSERT_NE(item->itemView(), nullptr);
    const CGPoint itemCentre = RunningApp::centreOf(*item->itemView());
    EXPECT_EQ(run.app.window()->hitTest(itemCentre), item->itemView());
    ASSERT_TRUE(run.app.pressControl("Quit"));
    EXPECT_EQ(run.main().learnState(), 0);
    EXPECT_EQ(run.chart().labelMode(), 0);
}

TEST(LearningMode, ADoubleTapWithAnotherFingerRestingIsNotOne) {
    RunningApp run(namedDevice("phone"));
    run.app.touchDown(5, {40, 60});
    run.app.advance(0.5);
    const CGPoint p{200, 300};
    quickTaps(run.app, p, 2);
    EXPECT_EQ(run.main().learnState(), 0);
    EXPECT_EQ(run.chart().labelMode(), 0);
    run.app.touchUp(5, {40, 60});
    EXPECT_EQ(run.main().learnState(), 0);

    // The same with the resting finger put down during the second tap.
    run.app.advance(0.5);
    run.app.touchDown(0, p);
    run.app.advance(0.05);
    run.app.touchUp(0, p);
    run.app.advance(0.1);
    run.app.touchDown(0, p);
    run.app.advance(0.02);
    run.app.touchDown(5, {40, 60});
    run.app.advance(0.03);
    run.app.touchUp(0, p);
    EXPECT_EQ(run.main().learnState(), 0);
    EXPECT_EQ(run.chart().labelMode(), 0);
    run.app.touchUp(5, {40, 60});
    EXPECT_EQ(run.main().learnState(), 0);
}

TEST(LearningMode, QuitOutsideTheModeDoesNothing) {
    RunningApp run(namedDevice("phone"));
    run.main().quitLearn(nullptr);
    EXPECT_EQ(run.main().learnState(), 0);
    EXPECT_EQ(run.chart().labelMode(), 0);

    run.app.tap({160, 240}, 2);
    run.main().quitLearn(nullptr);
    EXPECT_EQ(run.main().learnState(), 1);
    EXPECT_EQ(run.chart().labelMode(), 1);
    EXPECT_EQ(run.main().quitButton(), nullptr);
}

TEST(LearningMode, OneStepPerDoubleTap) {
    // The step runs at the second touch's end only; the double-tap's first
    // begin and the later third tap in a row do not step.
    RunningApp run(namedDevice("phone"));
    const CGPoint p{100, 100};
    for (int i = 0; i < 3; ++i) {
        run.app.touchDown(0, p);
        run.app.advance(0.05);
        run.app.touchUp(0, p);
        run.app.advance(0.1);
    }
    EXPECT_EQ(run.main().learnState(), 1);
    EXPECT_EQ(run.chart().labelMode(), 1);
}

TEST(LearningMode, StepsWithoutTouches) {
    // The command line brings the chart to a label mode through the same steps.
    RunningApp run(namedDevice("phone-wide"));
    run.main().doubleTapStep();
    run.main().doubleTapStep();
    EXPECT_EQ(run.chart().labelMode(), 2);
    expectQuitButton(run, 310);
    run.main().doubleTapStep();
    EXPECT_EQ(run.chart().labelMode(), 2);
    EXPECT_EQ(quitButtonsOnScreen(run).size(), 1u);
}

}  // namespace
