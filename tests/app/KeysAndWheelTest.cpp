// Keys and the wheel become the touches a finger would make, and the app does
// the rest with its own gestures: checked on the running app through the
// frames a backend would post.
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "chart/ChartCentre.h"
#include "platform/ui/port/SyntheticGestures.h"

namespace {

CGSize screenOf(const DeviceProfile& p) { return {p.width, p.height}; }

void post(RunningApp& run, std::vector<TouchFrame> frames) {
    for (auto& f : frames) run.app.runtime().postTouches(std::move(f));
    run.app.advance(0.05);
}

void key(RunningApp& run, const std::string& name, bool repeat = false) {
    post(run,
         keyFrames(name, repeat, screenOf(run.app.backend().profile()), &run.app.runtime(), run.app.now()));
}

// A key, and what it starts run to its end.
void keySettled(RunningApp& run, const std::string& name) {
    key(run, name);
    run.app.runUntilIdle();
}

void wheel(RunningApp& run, double notches) {
    post(run, pinchFrames(screenOf(run.app.backend().profile()), notches, run.app.now()));
}

TEST(Wheel, OneNotchZoomsByATenthOnAPhone) {
    RunningApp run(namedDevice("phone"));
    wheel(run, 1);
    EXPECT_NEAR(run.main().scale(), 1.1, 1e-6);
    wheel(run, 1);
    EXPECT_NEAR(run.main().scale(), 1.2, 1e-6);
    wheel(run, -1);
    EXPECT_NEAR(run.main().scale(), 1.1, 1e-6);
    // A trackpad's fraction of a notch zooms by as much of it.
    wheel(run, -0.25);
    EXPECT_NEAR(run.main().scale(), 1.075, 1e-6);
    // Three notches in one event: three pinches.
    wheel(run, 3);
    EXPECT_NEAR(run.main().scale(), 1.375, 1e-6);
    EXPECT_EQ(run.main().rightAscension(), 17.0f) << "a pinch does not pan";
    EXPECT_EQ(run.main().declination(), 31.0f);
    EXPECT_EQ(run.main().learnState(), 0) << "no taps either";
    EXPECT_TRUE(run.app.runtime().activeTouches().empty());
}

TEST(Wheel, WideScreensZoomByLessAndTheClampsHold) {
    RunningApp run(namedDevice("tablet"));
    wheel(run, 1);
    EXPECT_NEAR(run.main().scale(), 1.0 + 0.2 / 3, 1e-6);
    wheel(run, 40);
    EXPECT_NEAR(run.main().scale(), 3.0, 1e-9);
    wheel(run, -80);
    EXPECT_NEAR(run.main().scale(), 0.9, 1e-9);
}

TEST(Wheel, PinchesStayOnASmallScreen) {
    const auto frames = pinchFrames({200, 200}, 1, 0);
    ASSERT_EQ(frames.size(), 6u) << "two pinches of 100 points";
    for (const auto& f : frames)
        for (const auto& p : f.points) {
            EXPECT_GE(p.location.x, 0);
            EXPECT_LE(p.location.x, 200);
            EXPECT_GE(p.location.y, 0);
            EXPECT_LE(p.location.y, 200);
        }
    RunningApp run(customDevice(200, 200, UIUserInterfaceIdiomPhone));
    wheel(run, 1);
    EXPECT_NEAR(run.main().scale(), 1.1, 1e-6);
}

TEST(Keys, ArrowsPanFortyPointsTheWayTheyPoint) {
    RunningApp run(namedDevice("phone"));
    // Right shows more to the right: a finger drags 40 points left, 0.4 h.
    key(run, "ArrowRight");
    EXPECT_FLOAT_EQ(run.main().rightAscension(), 16.6f);
    EXPECT_EQ(run.main().declination(), 31.0f);
    // Up: a finger drags 40 points down, 5 degrees.
    key(run, "ArrowUp");
    EXPECT_FLOAT_EQ(run.main().declination(), 36.0f);
    key(run, "ArrowDown", true);
    key(run, "ArrowDown", true);
    EXPECT_FLOAT_EQ(run.main().declination(), 26.0f);
    key(run, "ArrowLeft");
    EXPECT_FLOAT_EQ(run.main().rightAscension(), 17.0f);
    EXPECT_EQ(chartCentreDeclination, double(run.main().declination()));
    EXPECT_EQ(run.main().learnState(), 0) << "quick presses are not double taps";
    EXPECT_NEAR(run.main().scale(), 1.0, 1e-9);
}

TEST(Keys, PlusAndMinusAreOneNotch) {
    RunningApp run(namedDevice("phone"));
    key(run, "+");
    EXPECT_NEAR(run.main().scale(), 1.1, 1e-6);
    key(run, "=", true);
    EXPECT_NEAR(run.main().scale(), 1.2, 1e-6);
    key(run, "-");
    EXPECT_NEAR(run.main().scale(), 1.1, 1e-6);
}

TEST(Keys, EscapePressesQuitInTheLearningMode) {
    RunningApp run(namedDevice("phone"));
    key(run, "Escape");
    EXPECT_EQ(run.main().learnState(), 0) << "nothing to press";
    run.app.tap({160, 240}, 2);
    run.app.advance(0.5);
    run.app.tap({160, 240}, 2);
    ASSERT_EQ(run.main().learnState(), 3);
    key(run, "Escape", true);
    EXPECT_EQ(run.main().learnState(), 3) << "a held Escape presses once";
    keySettled(run, "Escape");
    EXPECT_EQ(run.main().learnState(), 0);
    EXPECT_EQ(run.chart().labelMode(), 0);
}

TEST(Keys, IOpensTheInfoScreenAndEscapeClosesIt) {
    RunningApp run(namedDevice("phone"));
    keySettled(run, "i");
    ASSERT_NE(run.presentedInfo(), nullptr);
    keySettled(run, "i");  // no info button on the info screen
    EXPECT_NE(run.presentedInfo(), nullptr);
    keySettled(run, "Escape");
    EXPECT_EQ(run.presentedInfo(), nullptr);
}

TEST(Keys, TabletPopoverComesAndGoes) {
    RunningApp run(namedDevice("tablet"));
    keySettled(run, "I");
    ASSERT_EQ(run.app.visiblePopovers().size(), 1u);
    keySettled(run, "Escape");
    EXPECT_TRUE(run.app.visiblePopovers().empty());
    keySettled(run, "i");
    keySettled(run, "i");
    EXPECT_TRUE(run.app.visiblePopovers().empty()) << "the Info item again hides it";
}

TEST(Keys, OtherKeysAndNoHostMakeNothing) {
    for (const char* name : {"a", "Enter", " ", "Tab", "Escape"})
        EXPECT_TRUE(keyFrames(name, false, {320, 480}, nullptr, 0).empty()) << name;
    EXPECT_EQ(keyFrames("ArrowLeft", false, {320, 480}, nullptr, 0).size(), 3u);
}

}  // namespace
