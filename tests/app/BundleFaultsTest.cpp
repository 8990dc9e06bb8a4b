// What the program does when its bundle is not what it expects: a missing or
// broken interface description stops start-up naming the file and the fault;
// a missing image leaves an empty picture and a working screen.
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "infoscreen/VHLinks.h"

namespace {

std::string launchError(const DeviceProfile& profile) {
    OffscreenApp app(profile, appDelegateClassName());
    try {
        app.launch();
    } catch (const NibLoadError& e) {
        return e.what();
    }
    return "";
}

bool contains(const std::string& s, const std::string& part) { return s.find(part) != std::string::npos; }

TEST(BundleFaults, MalformedMainDescriptionStopsStartUp) {
    BundleFileOverride broken("VHMainViewController_iPhone.json", std::string("{ \"root\": { \"class\": "));
    const std::string message = launchError(namedDevice("phone"));
    EXPECT_TRUE(contains(message, "VHMainViewController_iPhone.json")) << message;
    EXPECT_TRUE(contains(message, "malformed")) << message;
}

TEST(BundleFaults, MissingTabletDescriptionStopsStartUp) {
    BundleFileOverride missing("VHMainViewController_iPad.json", std::nullopt);
    const std::string message = launchError(namedDevice("tablet"));
    EXPECT_TRUE(contains(message, "VHMainViewController_iPad.json")) << message;
    // The phone's description is another file and still loads.
    EXPECT_EQ(launchError(namedDevice("phone")), "");
}

TEST(BundleFaults, ProgramEntryReportsTheFaultAndFails) {
    BundleFileOverride broken("VHMainViewController_iPad.json", std::string("[1, 2"));
    char arg0[] = "starchart", arg1[] = "--device", arg2[] = "tablet";
    char* argv[] = {arg0, arg1, arg2, nullptr};
    ::testing::internal::CaptureStderr();
    const int status = applicationMainOffscreen(3, argv);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(contains(err, "starchart: VHMainViewController_iPad.json")) << err;
    EXPECT_EQ(UIApplication::sharedApplication(), nullptr) << "nothing left running";
}

TEST(BundleFaults, MissingInfoDescriptionStopsAtTheInfoButton) {
    BundleFileOverride missing("VHFlipsideViewController.json", std::nullopt);
    RunningApp run(namedDevice("phone"));
    try {
        run.tapAndSettle(RunningApp::centreOf(*run.main().infoButton()));
        FAIL() << "the info screen came up without its description";
    } catch (const NibLoadError& e) {
        EXPECT_TRUE(contains(e.what(), "VHFlipsideViewController.json")) << e.what();
    }
}

TEST(BundleFaults, MissingImagesLeaveEmptyPicturesAndWorkingControls) {
    BundleFileOverride a("marvane1.png", std::nullopt), b("marvane1@2x.png", std::nullopt);
    BundleFileOverride c("strtstp2.png", std::nullopt), d("strtstp2@2x.png", std::nullopt);
    ::testing::internal::CaptureStderr();  // the nib's Done button names the missing background
    RunningApp run(namedDevice("phone"));
    EXPECT_EQ(UIImage::imageNamed("marvane1.png"), nullptr);

    run.tapAndSettle(RunningApp::centreOf(*run.main().infoButton()));
    ASSERT_NE(run.presentedInfo(), nullptr);
    const InfoViews v = infoViews(*run.presentedInfo());
    ASSERT_TRUE(v.picture && v.site);
    EXPECT_EQ(v.picture->image(), nullptr);
    expectRect(v.picture->frame(), 160, 250, 0, 0, "empty picture, still centred");
    EXPECT_EQ(v.site->backgroundImageForState(UIControlStateNormal), nullptr);
    expectRect(v.site->frame(), 40, 351.5f, 240, 57, "web-site button");

    run.app.tap(RunningApp::centreOf(*v.site));
    run.app.tap({160, 250});
    EXPECT_EQ(run.app.openedURLs(), (std::vector<std::string>{kVHMakerSiteURL, kVHOtherAppStoreURL}));
    ASSERT_TRUE(run.press("Done"));
    EXPECT_EQ(run.app.presentedViewController(), nullptr);

    // The Quit button without its background still works.
    run.app.tap({160, 240}, 2);
    run.app.tap({160, 240}, 2);
    ASSERT_NE(run.main().quitButton(), nullptr);
    EXPECT_EQ(run.main().quitButton()->backgroundImageForState(UIControlStateNormal), nullptr);
    ASSERT_TRUE(run.app.pressControl("Quit"));
    EXPECT_EQ(run.main().learnState(), 0);
    run.app.writePNG("/dev/null");
    ::testing::internal::GetCapturedStderr();
}

}  // namespace
