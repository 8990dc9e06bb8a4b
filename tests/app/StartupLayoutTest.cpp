// Start-up on each device class: the window, the interface description chosen
// by idiom, the chart view and the controls the main screen builds.
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "chart/ChartCentre.h"

namespace {

constexpr UIUserInterfaceIdiom kPhone = UIUserInterfaceIdiomPhone, kPad = UIUserInterfaceIdiomPad;

constexpr const char* kPhoneNib = "VHMainViewController_iPhone";
constexpr const char* kPadNib = "VHMainViewController_iPad";

// The chart spans the width from chartY down; the 37-point info button, where
// there is one, sits at (infoX, infoY); else the band's bar shows.
struct LayoutCase {
    const char* device;
    float width, height;
    UIUserInterfaceIdiom idiom;
    const char* nib;
    float chartY, chartHeight;
    float infoX, infoY;
};

class StartupLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(StartupLayout, WindowChartAndControls) {
    const LayoutCase& c = GetParam();
    RunningApp run(customDevice(c.width, c.height, c.idiom));
    VHMainViewController& main = run.main();
    ASSERT_NE(run.app.window(), nullptr) << "the window is made key and shown";
    expectRect(run.app.window()->frame(), 0, 0, c.width, c.height, "window frame = screen bounds");
    EXPECT_EQ(run.app.window()->rootViewController().get(), &main);
    EXPECT_EQ(main.nibName(), c.nib);

    // The nib's root covers the screen; it and the chart take several fingers.
    const auto root = main.view();
    expectRect(root->frame(), 0, 0, c.width, c.height, "root view");
    EXPECT_TRUE(root->isMultipleTouchEnabled());
    EXPECT_TRUE(root->isOpaque());
    const QuartzView& chart = run.chart();
    EXPECT_EQ(chart.superview().get(), root.get());
    EXPECT_TRUE(chart.isMultipleTouchEnabled());
    expectRect(chart.frame(), 0, c.chartY, c.width, c.chartHeight, "chart view frame");

    // Opens at 17 h, +31 degrees, scale 1, and the chart view was told so.
    EXPECT_EQ(main.rightAscension(), 17.0f);
    EXPECT_EQ(main.declination(), 31.0f);
    EXPECT_EQ(main.scale(), 1.0);
    EXPECT_EQ(chartCentreRightAscension, 17.0);
    EXPECT_EQ(chartCentreDeclination, 31.0);
    EXPECT_EQ(chart.zoom(), 1.0);
    EXPECT_EQ(chart.width(), c.width);
    EXPECT_EQ(chart.height(), c.chartHeight);
    EXPECT_EQ(chart.labelMode(), 0);
    EXPECT_GE(chart.drawCount(), 1u) << "the first frame draws the chart";

    if (c.infoY > 0) {
        ASSERT_NE(main.infoButton(), nullptr);
        const UIButton& info = *main.infoButton();
        EXPECT_EQ(info.buttonType(), UIButtonTypeInfoLight);
        expectRect(info.frame(), c.infoX, c.infoY, 37, 37, "info button frame");
        // Above the chart view, so that it gets its taps.
        EXPECT_EQ(root->hitTest(RunningApp::centreOf(info)).get(), &info);
    } else {
        EXPECT_EQ(main.infoButton(), nullptr);
    }
    // The band's Info item is the way to the info screen wherever there is no info button.
    EXPECT_EQ(!run.app.findViewsByTitle("Info").empty(), c.infoY == 0);
    if (c.infoY == 0) expectRect(OffscreenApp::frameInWindow(*main.infoBar()), 0, 0, c.width, 40, "band bar");
}

INSTANTIATE_TEST_SUITE_P(
    Devices, StartupLayout,
    ::testing::Values(LayoutCase{"phone", 320, 480, kPhone, kPhoneNib, 0, 480, 283, 423},
                      LayoutCase{"phone_tall", 320, 568, kPhone, kPhoneNib, 0, 568, 283, 511},
                      LayoutCase{"phone_wide", 375, 667, kPhone, kPhoneNib, 40, 627, 0, 0},
                      LayoutCase{"tablet", 768, 1024, kPad, kPadNib, 40, 984, 0, 0},
                      // Narrower than the small phone is not the small phone either.
                      LayoutCase{"narrow_phone", 300, 500, kPhone, kPhoneNib, 40, 460, 0, 0},
                      // Layout goes by width, description by idiom: a 320-wide tablet gets the info button.
                      LayoutCase{"narrow_tablet", 320, 480, kPad, kPadNib, 0, 480, 283, 423}),
    [](const ::testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.device); });

TEST(Startup, LaunchOptionsAreIgnored) {
    const NSDictionary options{{"UIApplicationLaunchOptionsURLKey", "https://elsewhere.example.net/x"}};
    RunningApp run(namedDevice("phone"), &options);
    EXPECT_EQ(run.main().rightAscension(), 17.0f);
    EXPECT_TRUE(run.app.openedURLs().empty());
    auto another = std::make_shared<VHAppDelegate>();
    EXPECT_TRUE(another->applicationDidFinishLaunchingWithOptions(run.app.application(), &options));
}

TEST(Startup, LifeCycleNoticesChangeNothing) {
    RunningApp run(namedDevice("tablet"));
    run.app.drag({300, 500}, {350, 540}, 5);
    const auto controller = run.delegate().mainViewController();
    const float ra = controller->rightAscension(), dec = controller->declination();
    UIKitRuntime& rt = run.app.runtime();
    rt.applicationWillResignActive();
    rt.applicationDidEnterBackground();
    rt.applicationWillEnterForeground();
    rt.applicationDidBecomeActive();
    run.app.runUntilIdle();
    run.delegate().applicationWillTerminate(run.app.application());
    EXPECT_EQ(run.delegate().mainViewController(), controller);
    EXPECT_EQ(run.app.window()->rootViewController(), controller);
    EXPECT_EQ(controller->rightAscension(), ra);
    EXPECT_EQ(controller->declination(), dec);
}

}  // namespace
