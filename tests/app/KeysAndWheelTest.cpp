// Keys and the wheel become the touches a finger would make, and the app does
// the rest with its own gestures: checked on the running app through the
// frames a backend would post.
#include <gtest/gtest.h>

#include "AppTestSupport.h"
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
    // Notch by notch, a trackpad's fraction of one by as much, and several at once.
    for (const auto& [notches, scale] :
         {std::pair{1.0, 1.1}, {1, 1.2}, {-1, 1.1}, {-0.25, 1.075}, {3, 1.375}}) {
        wheel(run, notches);
        EXPECT_NEAR(run.main().scale(), scale, 1e-6) << notches;
    }
    EXPECT_EQ(run.main().rightAscension(), 17.0f) << "a pinch does not pan";
    EXPECT_EQ(run.main().declination(), 31.0f);
    EXPECT_EQ(run.main().learnState(), 0) << "no taps either";
    EXPECT_TRUE(run.app.runtime().activeTouches().empty());
}

TEST(Wheel, ByLessOnWideScreensAndWithinSmallOnes) {
    RunningApp tablet(namedDevice("tablet"));
    wheel(tablet, 1);
    EXPECT_NEAR(tablet.main().scale(), 1.0 + 0.2 / 3, 1e-6);
    for (const auto& f : pinchFrames({200, 200}, 1, 0))
        for (const auto& p : f.points)
            EXPECT_TRUE(p.location.x >= 0 && p.location.x <= 200 && p.location.y >= 0 && p.location.y <= 200);
    RunningApp small(customDevice(200, 200, UIUserInterfaceIdiomPhone));
    wheel(small, 1);
    EXPECT_NEAR(small.main().scale(), 1.1, 1e-6);
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
    EXPECT_EQ(run.main().learnState(), 0) << "quick presses are not double taps";
}

TEST(Keys, PlusAndMinusAreOneNotch) {
    RunningApp run(namedDevice("phone"));
    for (const auto& [name, scale] : {std::pair{"+", 1.1}, {"=", 1.2}, {"-", 1.1}}) {
        key(run, name, *name == '=');
        EXPECT_NEAR(run.main().scale(), scale, 1e-6) << name;
    }
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
