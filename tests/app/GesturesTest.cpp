// Pan, zoom and tap handling, driven by synthetic touches through the toolkit.
#include <gtest/gtest.h>

#include <cmath>

#include "AppTestSupport.h"
#include "chart/ChartCentre.h"

namespace {

// n more move events of two fingers resting at a and b: both shift one point
// sideways and back, so their distance stays exactly the same. (A "move" to
// the same place is a stationary touch and no event for the handlers.)
void holdApart(OffscreenApp& app, CGPoint a, CGPoint b, int n) {
    for (int i = 0; i < n; ++i) {
        CGFloat x0 = a.x;
        for (const auto& t : app.runtime().activeTouches())
            if (t->identifier() == 0) x0 = t->locationInView(nullptr).x;
        const CGFloat off = x0 == a.x ? 1 : 0;
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

// A centre reached by arithmetic in single precision: to a millionth.
void expectCentreNear(const RunningApp& run, double ra, double dec) {
    EXPECT_NEAR(run.main().rightAscension(), ra, 1e-5);
    EXPECT_NEAR(run.main().declination(), dec, 1e-5);
    EXPECT_EQ(chartCentreRightAscension, static_cast<double>(run.main().rightAscension()));
    EXPECT_EQ(chartCentreDeclination, static_cast<double>(run.main().declination()));
}

void expectCentre(const RunningApp& run, float ra, float dec) {
    EXPECT_EQ(run.main().rightAscension(), ra);
    EXPECT_EQ(run.main().declination(), dec);
    EXPECT_EQ(chartCentreRightAscension, static_cast<double>(ra));
    EXPECT_EQ(chartCentreDeclination, static_cast<double>(dec));
}

TEST(Pan, NarrowScreenHundredPointsIsOneHourEightPointsOneDegree) {
    RunningApp run(namedDevice("phone"));
    run.app.touchDown(0, {100, 200});
    EXPECT_EQ(run.main().panAnchor(), CGPointMake(100, 200));
    run.app.touchMove(0, {200, 200});
    expectCentre(run, 18.0f, 31.0f);
    run.app.touchMove(0, {200, 208});
    expectCentre(run, 18.0f, 32.0f);
    // A finger moving left and up lowers both.
    run.app.touchMove(0, {150, 192});
    expectCentre(run, 17.5f, 30.0f);
    EXPECT_EQ(run.main().panAnchor(), CGPointMake(150, 192));
    run.app.touchUp(0, {150, 192});

    // The chart view heard of each step and draws the new centre.
    EXPECT_EQ(run.chart().width(), 320.0f);
    EXPECT_EQ(run.chart().height(), 480.0f);
    const auto before = run.chart().drawCount();
    run.app.touchDown(0, {10, 10});
    run.app.touchMove(0, {20, 10});
    run.app.runUntilIdle();
    EXPECT_GT(run.chart().drawCount(), before);
    // Scale 1 on a 320 screen: the scale is left alone by a pan.
    EXPECT_EQ(run.main().scale(), 1.0);
}

TEST(Pan, SumsInDoubleAndStoresSinglePrecision) {
    // 17 + 2.12 rounds to a different float than 17f + 2.12f does.
    RunningApp run(namedDevice("phone"));
    swipe(run.app, {50, 200}, {262, 200});
    expectCentre(run, static_cast<float>(17.0 + 212 / 100.0), 31.0f);
    EXPECT_NE(run.main().rightAscension(), 17.0f + static_cast<float>(212 / 100.0));
}

TEST(Pan, ConstantsByWidth) {
    struct Case {
        float width, height;
        UIUserInterfaceIdiom idiom;
        double ra, dec;
    } cases[] = {// Wider than 480: 150 points an hour, 12 a degree; else 100 and 8.
                 {768, 1024, UIUserInterfaceIdiomPad, 17.666667, 33},
                 {480, 800, UIUserInterfaceIdiomPhone, 18, 34},
                 {481, 800, UIUserInterfaceIdiomPhone, 17.666667, 33},
                 {375, 667, UIUserInterfaceIdiomPhone, 18, 34}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        RunningApp run(customDevice(c.width, c.height, c.idiom));
        swipe(run.app, {100, 300}, {200, 324});
        expectCentreNear(run, c.ra, c.dec);
    }
}

TEST(Pan, ScaleSlowsPanning) {
    RunningApp run(namedDevice("tablet"));
    run.app.touchDown(0, {300, 500});
    run.app.touchDown(1, {400, 500});
    // 100 -> 400 apart on a wide screen: +0.1 on each move event.
    run.app.touchMove(1, {700, 500});
    holdApart(run.app, {300, 500}, {700, 500}, 9);
    run.app.touchUp(1, {700, 500});
    run.app.touchUp(0, {300, 500});
    run.app.advance(0.5);
    const double scale = run.main().scale();
    EXPECT_NEAR(scale, 2.0, 1e-9);
    // At scale 2 on a wide screen: 300 points to the hour, 24 to the degree.
    swipe(run.app, {100, 300}, {400, 348});
    EXPECT_NEAR(run.main().rightAscension(), 18.0f, 1e-5);
    EXPECT_NEAR(run.main().declination(), 33.0f, 1e-5);
}

TEST(Pan, DeclinationStopsAtThePolesAndLeavesThemAtOnce) {
    RunningApp run(namedDevice("phone"));
    swipe(run.app, {100, 10}, {100, 400});  // +48.75
    expectCentre(run, 17.0f, 79.75f);
    swipe(run.app, {100, 10}, {100, 200});  // would be +103.5
    expectCentre(run, 17.0f, 90.0f);
    // Back down at once: no hidden overshoot to work off.
    run.app.touchDown(0, {100, 300});
    run.app.touchMove(0, {100, 292});
    expectCentre(run, 17.0f, 89.0f);
    run.app.touchMove(0, {100, 304});  // 90.5 is past the pole too
    expectCentre(run, 17.0f, 90.0f);
    run.app.touchMove(0, {100, 300});
    expectCentre(run, 17.0f, 89.5f);
    run.app.touchUp(0, {100, 300});
    run.app.advance(0.5);

    for (int i = 0; i < 4; ++i) swipe(run.app, {150, 470}, {150, 10});  // -57.5 each
    expectCentre(run, 17.0f, -90.0f);
    swipe(run.app, {150, 100}, {150, 104});
    expectCentre(run, 17.0f, -89.5f);
}

TEST(Pan, RightAscensionWrapsOnce) {
    RunningApp run(namedDevice("phone"));
    for (int i = 0; i < 5; ++i) swipe(run.app, {310, 200}, {10, 200});  // -3 h each
    expectCentre(run, 2.0f, 31.0f);
    swipe(run.app, {250, 200}, {25, 200});  // -2.25 h: -0.25 comes back as 23.75
    expectCentre(run, 23.75f, 31.0f);
    swipe(run.app, {100, 200}, {125, 200});  // +0.25: exactly 24 stays 24
    expectCentre(run, 24.0f, 31.0f);
    swipe(run.app, {100, 200}, {150, 200});  // 24.5 -> 0.5
    expectCentre(run, 0.5f, 31.0f);
    swipe(run.app, {150, 200}, {100, 200});  // exactly 0 stays 0
    expectCentre(run, 0.0f, 31.0f);
}

// Two fingers: finger 0 at a, finger 1 at b.
void twoDown(OffscreenApp& app, CGPoint a, CGPoint b) {
    app.touchDown(0, a);
    app.touchDown(1, b);
}

TEST(Pan, OneMoveOfMoreThanADayStillLandsWithinZeroToTwentyFour) {
    // A 4096-point-wide screen at scale 0.9 pans 135 points an hour: one move
    // across it is 30.2 hours, more than one correction of 24 can bring back.
    RunningApp run(customDevice(4096, 1000, UIUserInterfaceIdiomPad));
    twoDown(run.app, {1000, 500}, {2000, 500});
    run.app.inject({{0, {1495, 500}, TouchPhase::Moved},
                    {1, {1505, 500}, TouchPhase::Moved}});  // far closer: scale to 0.9
    run.app.touchUp(1, {1505, 500});
    run.app.touchUp(0, {1495, 500});
    ASSERT_EQ(run.main().scale(), 0.9);
    run.app.advance(0.5);
    // 4080 points are 30.2222 hours: 17 -> 23.2222 -> 5.4444 -> 11.6667.
    const double expected[] = {23.222222, 5.444444, 11.666667};
    for (int i = 0; i < 3; ++i) {
        swipe(run.app, {10, 500}, {4090, 500});
        EXPECT_NEAR(run.main().rightAscension(), expected[i], 1e-4) << "swipe " << i;
        EXPECT_EQ(chartCentreRightAscension, static_cast<double>(run.main().rightAscension()));
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
    EXPECT_DOUBLE_EQ(run.main().scale(), 1.2 - 50.0 / 2000);
    // Zooming leaves the centre and the pan anchor alone.
    expectCentre(run, 17.0f, 31.0f);
    EXPECT_EQ(run.main().panAnchor(), CGPointMake(100, 100));
    run.app.touchUp(1, {101, 150});
    EXPECT_EQ(run.main().pinchStartDistance(), -1.0f);
}

TEST(Zoom, WideScreenDivisorAndNarrow480) {
    {
        RunningApp run(namedDevice("tablet"));
        twoDown(run.app, {100, 100}, {100, 200});
        run.app.touchMove(1, {100, 500});
        EXPECT_DOUBLE_EQ(run.main().scale(), 1.0 + 300.0 / 3000);
    }
    {
        RunningApp run(customDevice(480, 800, UIUserInterfaceIdiomPad));
        twoDown(run.app, {100, 100}, {100, 200});
        run.app.touchMove(1, {100, 500});
        EXPECT_DOUBLE_EQ(run.main().scale(), 1.0 + 300.0 / 2000);
    }
}

TEST(Zoom, ClampsAtExactlyThreeAndPointNine) {
    RunningApp run(namedDevice("phone"));
    twoDown(run.app, {10, 10}, {10, 20});
    run.app.touchMove(1, {10, 420});  // +0.2 a move
    holdApart(run.app, {10, 10}, {10, 420}, 9);
    EXPECT_LE(run.main().scale(), 3.0);
    EXPECT_GT(run.main().scale(), 2.7);
    // The next step would go past 3 (to about 3.2): exactly 3 is stored and sent.
    holdApart(run.app, {10, 10}, {10, 420}, 1);
    EXPECT_EQ(run.main().scale(), 3.0);
    EXPECT_EQ(run.chart().zoom(), 3.0);
    holdApart(run.app, {10, 10}, {10, 420}, 1);
    EXPECT_EQ(run.main().scale(), 3.0);
    run.app.touchUp(1, {10, 420});
    run.app.touchUp(0, {10, 10});
    run.app.advance(0.5);

    twoDown(run.app, {10, 10}, {10, 470});
    run.app.touchMove(1, {10, 20});  // 460 -> 10: -0.225 a move
    holdApart(run.app, {10, 10}, {10, 20}, 20);
    EXPECT_EQ(run.main().scale(), 0.9);
    EXPECT_EQ(run.chart().zoom(), 0.9);
}

TEST(Zoom, AStepJustBelowTheFloorStopsAtIt) {
    RunningApp run(namedDevice("phone"));
    twoDown(run.app, {10, 10}, {10, 270});
    run.app.touchMove(1, {10, 20});  // 1.0 - 250 / 2000 = 0.875
    EXPECT_EQ(run.main().scale(), 0.9);
    EXPECT_EQ(run.chart().zoom(), 0.9);
}

TEST(Zoom, FingersHeldAtTheirStartDistanceLeaveTheScale) {
    RunningApp run(namedDevice("tablet"));
    twoDown(run.app, {200, 300}, {260, 380});  // 100 apart
    for (int i = 1; i <= 12; ++i) {
        const float s = 7.0f * i;
        run.app.inject(
            {{0, {200 + s, 300 + s}, TouchPhase::Moved}, {1, {260 + s, 380 + s}, TouchPhase::Moved}});
    }
    EXPECT_EQ(run.main().scale(), 1.0);
    EXPECT_EQ(run.chart().zoom(), 1.0);
    expectCentre(run, 17.0f, 31.0f);
}

TEST(Zoom, RebasesWhenNoTwoFingerBeginSinceTheLastEnd) {
    RunningApp run(namedDevice("phone"));
    twoDown(run.app, {100, 100}, {100, 200});
    run.app.touchMove(1, {100, 220});
    run.app.touchDown(2, {250, 300});
    EXPECT_EQ(run.main().pinchStartDistance(), 100.0f) << "a third finger's begin does nothing";
    const double scale = run.main().scale();
    run.app.touchUp(2, {250, 300});
    EXPECT_EQ(run.main().pinchStartDistance(), -1.0f);
    // The two that stay move apart: the first move only takes the new start.
    run.app.touchMove(1, {100, 400});
    EXPECT_EQ(run.main().scale(), scale);
    EXPECT_EQ(run.main().pinchStartDistance(), 300.0f);
    run.app.touchMove(1, {100, 460});
    EXPECT_DOUBLE_EQ(run.main().scale(), scale + 60.0 / 2000);
}

TEST(Zoom, TwoFingersBeganTogetherAreMeasured) {
    RunningApp run(namedDevice("phone"));
    run.app.inject({{0, {100, 100}, TouchPhase::Began}, {1, {100, 300}, TouchPhase::Began}});
    EXPECT_EQ(run.main().pinchStartDistance(), 200.0f);
    run.app.inject({{1, {100, 400}, TouchPhase::Moved}});
    EXPECT_DOUBLE_EQ(run.main().scale(), 1.0 + 100.0 / 2000);
}

TEST(Zoom, FirstTwoFingerMoveWithoutABeginRebasesFromZero) {
    // The second finger rests on the info button, which keeps its touch: the
    // controller never saw a two-finger begin, yet the event holds two touches.
    RunningApp run(namedDevice("phone"));
    EXPECT_EQ(run.main().pinchStartDistance(), 0.0f);
    run.app.touchDown(0, {100, 100});
    run.app.touchDown(1, RunningApp::centreOf(*run.main().infoButton()));
    EXPECT_EQ(run.main().pinchStartDistance(), 0.0f);
    run.app.touchMove(0, {100, 120});
    EXPECT_EQ(run.main().scale(), 1.0);
    const CGFloat start = run.main().pinchStartDistance();
    EXPECT_GT(start, 1.0f);
    run.app.touchMove(0, {100, 80});
    const CGPoint info = RunningApp::centreOf(*run.main().infoButton());
    const CGFloat now = run.main().distanceBetweenTwoPoints({100, 80}, info);
    EXPECT_DOUBLE_EQ(run.main().scale(), 1.0 - (start - now) / 2000.0);
    expectCentre(run, 17.0f, 31.0f);
}

TEST(Touches, ThreeFingersDoNothingButResetTheStartDistance) {
    RunningApp run(namedDevice("phone"));
    twoDown(run.app, {100, 100}, {100, 200});
    run.app.touchDown(2, {200, 300});
    const CGPoint anchor = run.main().panAnchor();
    for (int i = 1; i <= 5; ++i)
        run.app.inject({{0, {100.0f + 20 * i, 100}, TouchPhase::Moved},
                        {1, {100, 200.0f + 30 * i}, TouchPhase::Moved},
                        {2, {200, 300}, TouchPhase::Moved}});
    expectCentre(run, 17.0f, 31.0f);
    EXPECT_EQ(run.main().scale(), 1.0);
    EXPECT_EQ(run.main().panAnchor(), anchor);
    run.app.touchUp(0, {200, 100});
    EXPECT_EQ(run.main().pinchStartDistance(), -1.0f);
    EXPECT_EQ(run.main().learnState(), 0);
}

TEST(Touches, LiftingOneOfTwoRunsNoDoubleTapAndTheOtherFingerJumps) {
    RunningApp run(namedDevice("phone"));
    run.app.touchDown(0, {100, 200});
    run.app.touchDown(1, {200, 200});
    run.app.inject({{0, {60, 200}, TouchPhase::Moved}, {1, {240, 200}, TouchPhase::Moved}});
    run.app.touchUp(1, {240, 200});
    EXPECT_EQ(run.main().pinchStartDistance(), -1.0f);
    EXPECT_EQ(run.main().learnState(), 0);
    // The pan is measured from the last single-finger anchor (100, 200), not
    // from where the finger is: a 10-point move jumps by -30 points.
    run.app.touchMove(0, {70, 200});
    // At scale 1.04 (100 -> 180 apart): 104 points an hour.
    EXPECT_DOUBLE_EQ(run.main().scale(), 1.04);
    expectCentreNear(run, 17 - 30 / 104.0, 31);
}

TEST(Touches, ADragStartedByAThirdTapJumpsFromTheOldAnchor) {
    RunningApp run(namedDevice("phone"));
    const CGPoint p{100, 200};
    quickTaps(run.app, p, 2);
    EXPECT_EQ(run.main().learnState(), 1) << "the second tap was a double tap";
    run.app.advance(0.1);
    run.app.touchDown(0, {120, 200});  // third tap in a row: the anchor stays at p
    EXPECT_EQ(run.main().panAnchor(), p);
    run.app.touchMove(0, {130, 200});
    expectCentreNear(run, 17.3, 31);
    run.app.touchUp(0, {130, 200});
    EXPECT_EQ(run.main().learnState(), 1);
}

TEST(Touches, ASingleTapOnlyMovesTheAnchor) {
    RunningApp run(namedDevice("tablet"));
    const auto draws = run.chart().drawCount();
    run.app.tap({50, 60});
    EXPECT_EQ(run.main().panAnchor(), CGPointMake(50, 60));
    expectCentre(run, 17.0f, 31.0f);
    EXPECT_EQ(run.main().scale(), 1.0);
    EXPECT_EQ(run.main().learnState(), 0);
    EXPECT_EQ(run.chart().labelMode(), 0);
    EXPECT_EQ(run.main().pinchStartDistance(), -1.0f);
    run.app.runUntilIdle();
    EXPECT_EQ(run.chart().drawCount(), draws) << "nothing to redraw";
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
    run.app.touchMove(0, {300, 124});
    expectCentreNear(run, 17, 33);
}

TEST(Distance, SinglePrecisionEuclidean) {
    VHMainViewController c;
    EXPECT_EQ(c.distanceBetweenTwoPoints({0, 0}, {3, 4}), 5.0f);
    EXPECT_EQ(c.distanceBetweenTwoPoints({3, 4}, {0, 0}), 5.0f);
    EXPECT_EQ(c.distanceBetweenTwoPoints({-7, 2.5f}, {-7, 2.5f}), 0.0f);
    EXPECT_NEAR(c.distanceBetweenTwoPoints({0.3f, 2000.9f}, {1000.1f, 0.7f}), 2236.1574, 1e-3);
    c.clearTouches();
    EXPECT_EQ(c.pinchStartDistance(), -1.0f);
}

}  // namespace

TEST(Touches, TheSecondTapOfADoubleTapMovesTheAnchor) {
    RunningApp run(namedDevice("phone"));
    quickTaps(run.app, {100, 200}, 1);
    run.app.advance(0.1);
    run.app.touchDown(0, {120, 200});  // the second tap in a row
    EXPECT_EQ(run.main().panAnchor(), CGPointMake(120, 200));
    run.app.touchMove(0, {130, 200});
    expectCentreNear(run, 17.1, 31);
}
