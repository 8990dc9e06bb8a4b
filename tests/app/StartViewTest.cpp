// A starting view from the command line or a link, reached by the touches a
// finger would make.
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "app/StartView.h"
#include "chart/ChartCentre.h"

namespace {

struct StartViewScope {
    explicit StartViewScope(const StartView& v) { VHAppDelegate::setStartView(v); }
    ~StartViewScope() { VHAppDelegate::setStartView({}); }
};

void expectView(const RunningApp& run, float ra, float dec, double zoom) {
    EXPECT_NEAR(run.main().rightAscension(), ra, 1e-4);
    EXPECT_NEAR(run.main().declination(), dec, 1e-4);
    EXPECT_NEAR(run.main().scale(), zoom, 1e-6);
    EXPECT_NEAR(chartCentreRightAscension, ra, 1e-4);
    EXPECT_NEAR(chartCentreDeclination, dec, 1e-4);
    EXPECT_NEAR(run.chart().zoom(), zoom, 1e-6);
}

TEST(StartView, OnEveryDeviceTheViewAsked) {
    for (const char* device : {"phone", "phone-wide", "tablet"}) {
        SCOPED_TRACE(device);
        StartViewScope scope({5.5, -20, 2});
        RunningApp run(namedDevice(device));
        expectView(run, 5.5f, -20.0f, 2.0);
        EXPECT_EQ(run.main().learnState(), 0);
        EXPECT_TRUE(run.app.runtime().activeTouches().empty());
    }
    {
        StartViewScope scope({23.75, 90, 0.9});
        RunningApp run(namedDevice("phone"));
        expectView(run, 23.75f, 90.0f, 0.9);
        // From there the chart goes on as usual: a finger's 100 points at
        // zoom 0.9 are 1/0.9 h.
        run.app.touchDown(0, {100, 200});
        run.app.touchMove(0, {10, 200});
        run.app.touchUp(0, {10, 200});
        EXPECT_NEAR(run.main().rightAscension(), 22.75f, 1e-4);
    }
    {
        StartViewScope scope({0, -90, 3});
        RunningApp run(customDevice(200, 200, UIUserInterfaceIdiomPhone));
        expectView(run, 0, -90, 3);
    }
}

}  // namespace
