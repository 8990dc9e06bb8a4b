// Pan, zoom and tap handling, driven by synthetic touches through the toolkit.
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "chart/ChartCentre.h"

namespace {

// n more move events of two fingers resting at a and b: both shift one point
// sideways and back, so their distance stays the same. (A "move" to the same
// place is a stationary touch and no event for the handlers.)
void holdApart(OffscreenApp& app, CGPoint a, CGPoint b, int n) {
    for (int i = 0; i < n; ++i) {
        const CGFloat off = i % 2 == 0 ? 1 : 0;
        app.inject({{0, {a.x + off, a.y}, TouchPhase::Moved}, {1, {b.x + off, b.y}, TouchPhase::Moved}});
    }
}

// One finger down at a, moved to b in one event, lifted at b.
void swipe(OffscreenApp& app, CGPoint a, CGPoint b) {
    app.touchDown(0, a);
    app.touchMove(0, b);
    app.touchUp(0, b);
    app.advance(0.5);
}

void twoDown(OffscreenApp& app, CGPoint a, CGPoint b) {
    app.touchDown(0, a);
    app.touchDown(1, b);
}

// The controller's centre (exactly, or to a tolerance for sums in single
// precision), and the chart's copy of it.
void expectCentre(const RunningApp& run, double ra, double dec, double tolerance = 0) {
    EXPECT_NEAR(run.main().rightAscension(), ra, tolerance);
    EXPECT_NEAR(run.main().declination(), dec, tolerance);
    EXPECT_EQ(chartCentreRightAscension, static_cast<double>(run.main().rightAscension()));
    EXPECT_EQ(chartCentreDeclination, static_cast<double>(run.main().declination()));
}

TEST(Pan, NarrowScreenHundredPointsIsOneHourEightPointsOneDegree) {
    RunningApp run(namedDevice("phone"));
    run.app.touchDown(0, {100, 200});
    EXPECT_EQ(run.main().panAnchor(), CGPointMake(100, 200));
    run.app.touchMove(0, {200, 200});
    expectCentre(run, 18, 31);
    run.app.touchMove(0, {200, 208});
    expectCentre(run, 18, 32);
    run.app.touchMove(0, {150, 192});  // left and up lowers both
    expectCentre(run, 17.5, 30);
    EXPECT_EQ(run.main().panAnchor(), CGPointMake(150, 192));
    EXPECT_EQ(run.main().scale(), 1.0);
}

TEST(Pan, SumsInDoubleAndStoresSinglePrecision) {
    // 17 + 2.12 rounds to a different float than 17f + 2.12f does.
    RunningApp run(namedDevice("phone"));
    swipe(run.app, {50, 200}, {262, 200});
    expectCentre(run, static_cast<float>(17.0 + 2.12), 31);
    EXPECT_NE(run.main().rightAscension(), 17.0f + 2.12f);
}

TEST(Gestures, PanAndPinchConstantsByWidth) {
    // Wider than 480: 150 points an hour, 12 a degree, zoom over 3000; else 100, 8 and 2000.
    struct Case {
        float width, height;
        double ra, dec, scale;
    } cases[] = {{768, 1024, 17.666667, 33, 1.1},
                 {481, 800, 17.666667, 33, 1.1},
                 {480, 800, 18, 34, 1.15},
                 {375, 667, 18, 34, 1.15}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        RunningApp run(customDevice(c.width, c.height, UIUserInterfaceIdiomPhone));
        swipe(run.app, {100, 300}, {200, 324});
        expectCentre(run, c.ra, c.dec, 1e-5);
        twoDown(run.app, {100, 100}, {100, 200});
        run.app.touchMove(1, {100, 500});
        EXPECT_DOUBLE_EQ(run.main().scale(), c.scale);
    }
}

TEST(Pan, DeclinationStopsAtThePolesAndLeavesThemAtOnce) {
    RunningApp run(namedDevice("phone"));
    swipe(run.app, {100, 10}, {100, 400});  // +48.75
    expectCentre(run, 17, 79.75);
    run.app.touchDown(0, {100, 10});
    run.app.touchMove(0, {100, 200});  // would be +103.5
    expectCentre(run, 17, 90);
    // Back down at once: no hidden overshoot to work off.
    run.app.touchMove(0, {100, 192});
    expectCentre(run, 17, 89);
    run.app.touchUp(0, {100, 192});
    run.app.advance(0.5);
    for (int i = 0; i < 4; ++i) swipe(run.app, {150, 470}, {150, 10});  // -57.5 each
    expectCentre(run, 17, -90);
    swipe(run.app, {150, 100}, {150, 104});
    expectCentre(run, 17, -89.5);
}

TEST(Pan, RightAscensionWrapsOnce) {
    RunningApp run(namedDevice("phone"));
    for (int i = 0; i < 5; ++i) swipe(run.app, {310, 200}, {10, 200});  // -3 h each
    expectCentre(run, 2, 31);
    swipe(run.app, {250, 200}, {25, 200});  // -2.25 h: -0.25 comes back as 23.75
    expectCentre(run, 23.75, 31);
    swipe(run.app, {100, 200}, {125, 200});  // +0.25: exactly 24 stays 24
    expectCentre(run, 24, 31);
    swipe(run.app, {100, 200}, {150, 200});  // 24.5 -> 0.5
    expectCentre(run, 0.5, 31);
    swipe(run.app, {150, 200}, {100, 200});  // exactly 0 stays 0
    expectCentre(run, 0, 31);
}

TEST(Pan, OneMoveOfMoreThanADayStillLandsWithinZeroToTwentyFour) {
    // A 4096-point-wide screen at scale 0.9 pans 135 points an hour: one move
    // across it is 30.2 hours, more than one correction of 24 can bring back.
    RunningApp run(customDevice(4096, 1000, UIUserInterfaceIdiomPad));
    twoDown(run.app, {1000, 500}, {2000, 500});
    run.app.touchMove(1, {1010, 500});  // far closer: scale to 0.9
    run.app.touchUp(1, {1010, 500});
    run.app.touchUp(0, {1000, 500});
    ASSERT_EQ(run.main().scale(), 0.9);
    run.app.advance(0.5);
    // 4080 points are 30.2222 hours: 17 -> 23.2222 -> 5.4444.
    for (const double expected : {23.222222, 5.444444}) {
        swipe(run.app, {10, 500}, {4090, 500});
        expectCentre(run, expected, 31, 1e-4);
    }
}

TEST(Zoom, EveryMoveAppliesTheWholeDifferenceAgain) {
    RunningApp run(namedDevice("phone"));
    twoDown(run.app, {100, 100}, {100, 200});
    EXPECT_EQ(run.main().pinchStartDistance(), 100.0f);
    // 100 -> 300 apart on a narrow screen: +0.1 on each move event.
    run.app.touchMove(1, {100, 400});
    EXPECT_DOUBLE_EQ(run.main().scale(), 1.1);
    holdApart(run.app, {100, 100}, {100, 400}, 1);
    EXPECT_DOUBLE_EQ(run.main().scale(), 1.2);
    EXPECT_EQ(run.chart().zoom(), run.main().scale());
    EXPECT_EQ(run.main().pinchStartDistance(), 100.0f) << "the start distance is not moved on";
    // Closer than at the start: the scale shrinks.
    run.app.touchMove(1, {101, 150});
    EXPECT_DOUBLE_EQ(run.main().scale(), 1.175);
    // Zooming leaves the centre and the pan anchor alone.
    expectCentre(run, 17, 31);
    EXPECT_EQ(run.main().panAnchor(), CGPointMake(100, 100));
    run.app.touchUp(1, {101, 150});
    EXPECT_EQ(run.main().pinchStartDistance(), -1.0f);
}

TEST(Zoom, ClampsAtExactlyPointNineAndThree) {
    RunningApp run(namedDevice("phone"));
    twoDown(run.app, {10, 10}, {10, 270});
    run.app.touchMove(1, {10, 20});  // 1.0 - 250 / 2000 = 0.875
    EXPECT_EQ(run.main().scale(), 0.9);
    EXPECT_EQ(run.chart().zoom(), 0.9);
    run.app.touchUp(1, {10, 20});
    run.app.touchUp(0, {10, 10});
    run.app.advance(0.5);

    twoDown(run.app, {10, 10}, {10, 20});
    run.app.touchMove(1, {10, 470});  // +0.225 a move: the ninth passes 3
    holdApart(run.app, {10, 10}, {10, 470}, 9);
    EXPECT_EQ(run.main().scale(), 3.0);
    EXPECT_EQ(run.chart().zoom(), 3.0);
}

TEST(Zoom, RebasesWhenNoTwoFingerBeginSinceTheLastEnd) {
    RunningApp run(namedDevice("phone"));
    twoDown(run.app, {100, 100}, {100, 200});
    run.app.touchMove(1, {100, 220});
    run.app.touchDown(2, {250, 300});
    EXPECT_EQ(run.main().pinchStartDistance(), 100.0f) << "a third finger's begin does nothing";
    run.app.touchUp(2, {250, 300});
    EXPECT_EQ(run.main().pinchStartDistance(), -1.0f);
    // The two that stay move apart: the first move only takes the new start.
    run.app.touchMove(1, {100, 400});
    EXPECT_DOUBLE_EQ(run.main().scale(), 1.01);
    EXPECT_EQ(run.main().pinchStartDistance(), 300.0f);
    run.app.touchMove(1, {100, 460});
    EXPECT_DOUBLE_EQ(run.main().scale(), 1.04);
}

TEST(Zoom, TwoFingersBeganTogetherAreMeasured) {
    RunningApp run(namedDevice("phone"));
    run.app.inject({{0, {100, 100}, TouchPhase::Began}, {1, {100, 300}, TouchPhase::Began}});
    EXPECT_EQ(run.main().pinchStartDistance(), 200.0f);
    run.app.inject({{1, {100, 400}, TouchPhase::Moved}});
    EXPECT_DOUBLE_EQ(run.main().scale(), 1.05);
}

TEST(Zoom, FirstTwoFingerMoveWithoutABeginRebasesFromZero) {
    // The second finger rests on the info button, which keeps its touch: the
    // controller never saw a two-finger begin, yet the event holds two touches.
    RunningApp run(namedDevice("phone"));
    EXPECT_EQ(run.main().pinchStartDistance(), 0.0f);
    run.app.touchDown(0, {100, 100});
    run.app.touchDown(1, {301.5, 441.5});  // the info button's centre
    EXPECT_EQ(run.main().pinchStartDistance(), 0.0f);
    run.app.touchMove(0, {100, 120});
    EXPECT_EQ(run.main().scale(), 1.0);
    EXPECT_NEAR(run.main().pinchStartDistance(), 379.43, 0.01);
    run.app.touchMove(0, {100, 80});  // 413.87 apart: 34.44 points further
    EXPECT_NEAR(run.main().scale(), 1.017219, 1e-6);
    expectCentre(run, 17, 31);
}

TEST(Touches, ThreeFingersDoNothingButResetTheStartDistance) {
    RunningApp run(namedDevice("phone"));
    twoDown(run.app, {100, 100}, {100, 200});
    run.app.touchDown(2, {200, 300});
    for (int i = 1; i <= 5; ++i)
        run.app.inject({{0, {100.0f + 20 * i, 100}, TouchPhase::Moved},
                        {1, {100, 200.0f + 30 * i}, TouchPhase::Moved},
                        {2, {200, 300}, TouchPhase::Moved}});
    expectCentre(run, 17, 31);
    EXPECT_EQ(run.main().scale(), 1.0);
    EXPECT_EQ(run.main().panAnchor(), CGPointMake(100, 100));
    run.app.touchUp(0, {200, 100});
    EXPECT_EQ(run.main().pinchStartDistance(), -1.0f);
}

TEST(Touches, LiftingOneOfTwoRunsNoDoubleTapAndTheOtherFingerJumps) {
    RunningApp run(namedDevice("phone"));
    twoDown(run.app, {100, 200}, {200, 200});
    run.app.inject({{0, {60, 200}, TouchPhase::Moved}, {1, {240, 200}, TouchPhase::Moved}});
    run.app.touchUp(1, {240, 200});
    EXPECT_EQ(run.main().pinchStartDistance(), -1.0f);
    EXPECT_EQ(run.main().learnState(), 0);
    // The pan is measured from the last single-finger anchor (100, 200), not
    // from where the finger is: a 10-point move jumps by -30 points, at scale
    // 1.04 (100 -> 180 apart) 104 points an hour.
    run.app.touchMove(0, {70, 200});
    EXPECT_DOUBLE_EQ(run.main().scale(), 1.04);
    expectCentre(run, 17 - 30 / 104.0, 31, 1e-5);
}

TEST(Touches, TheFirstTwoTapsInARowMoveTheAnchorNotTheThird) {
    RunningApp run(namedDevice("phone"));
    quickTaps(run.app, {100, 200}, 1);
    run.app.advance(0.1);
    quickTaps(run.app, {120, 200}, 1);
    EXPECT_EQ(run.main().panAnchor(), CGPointMake(120, 200));
    EXPECT_EQ(run.main().learnState(), 1) << "the second tap was a double tap";
    run.app.advance(0.1);
    run.app.touchDown(0, {130, 200});  // the third: its drag jumps from the old anchor
    EXPECT_EQ(run.main().panAnchor(), CGPointMake(120, 200));
    run.app.touchMove(0, {140, 200});
    expectCentre(run, 17.2, 31, 1e-5);
    run.app.touchUp(0, {140, 200});
    EXPECT_EQ(run.main().learnState(), 1);
}

TEST(Touches, ACancelledDragKeepsItsState) {
    RunningApp run(namedDevice("phone"));
    run.app.touchDown(0, {100, 200});
    run.app.touchMove(0, {150, 200});
    run.app.touchDown(1, {150, 300});
    run.app.touchCancel(1);
    run.app.touchCancel(0);
    EXPECT_EQ(run.main().rightAscension(), 17.5f);
    EXPECT_EQ(run.main().panAnchor(), CGPointMake(150, 200));
    EXPECT_EQ(run.main().pinchStartDistance(), 100.0f) << "no end, so no reset";
}

TEST(Touches, LocationsAreInTheRootViewNotTheChartView) {
    // The tablet's chart starts 40 points down; anchors are root-view points.
    RunningApp run(namedDevice("tablet"));
    run.app.touchDown(0, {300, 100});
    EXPECT_EQ(run.main().panAnchor(), CGPointMake(300, 100));
}

TEST(Distance, SinglePrecisionEuclidean) {
    VHMainViewController c;
    EXPECT_EQ(c.distanceBetweenTwoPoints({0, 0}, {3, 4}), 5.0f);
    EXPECT_NEAR(c.distanceBetweenTwoPoints({0.3f, 2000.9f}, {1000.1f, 0.7f}), 2236.1574, 1e-3);
}

}  // namespace
