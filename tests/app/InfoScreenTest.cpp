// The info screen: its layout, its links, and how the main screen shows and
// hides it on phones (full screen, fresh each time) and tablets (one popover).
#include <gtest/gtest.h>

#include "AppTestSupport.h"

namespace {

void expectLayoutFor320x480(VHFlipsideViewController& info) {
    EXPECT_EQ(info.layoutWidth(), 320.0f);
    EXPECT_EQ(info.layoutHeight(), 440.0f);
    const InfoViews v = infoViews(info);
    ASSERT_TRUE(v.picture && v.tagline && v.invitation && v.site && v.store);
    ASSERT_NE(v.picture->image(), nullptr);
    EXPECT_EQ(v.picture->image(), UIImage::imageNamed("marvane1.png"));
    expectRect(v.picture->frame(), 30, 175, 260, 150, "picture");
    expectRect(v.tagline->frame(), 20, 30, 280, 40, "tagline");
    expectRect(v.invitation->frame(), 20, 320, 280, 40, "invitation");
    expectRect(v.site->frame(), 40, 351.5f, 240, 57, "web-site button");
    expectRect(v.store->frame(), 10, 90, 310, 220, "store button");
}

std::string labelText(OffscreenApp& app, const std::string& identifier) {
    for (const auto& v : app.allViews())
        if (v->accessibilityIdentifier() == identifier && OffscreenApp::isVisible(*v))
            if (auto l = std::dynamic_pointer_cast<UILabel>(v)) return l->text();
    return "(none)";
}

const char* const kSite = "https://starchart.example.org/";
const char* const kStore = "https://apps.example.org/app/starchart-planets";
const CGPoint kInfoButton{301.5, 441.5};  // the centre of the small phone's info button

// A finger down and up at once, leaving what that starts running.
void press(OffscreenApp& app, CGPoint p) {
    app.touchDown(0, p);
    app.touchUp(0, p);
}

// The 320 x 480 phone with the info screen brought up by its info button.
class PhoneInfo : public ::testing::Test {
protected:
    void SetUp() override {
        run.tapAndSettle(kInfoButton);
        info = run.presentedInfo();
        ASSERT_NE(info, nullptr);
        v = infoViews(*info);
        ASSERT_TRUE(v.picture && v.tagline && v.invitation && v.site && v.store);
    }
    void tap(const UIView& view) { run.app.tap(RunningApp::centreOf(view)); }

    RunningApp run{namedDevice("phone")};
    std::shared_ptr<VHFlipsideViewController> info;
    InfoViews v;
};

TEST_F(PhoneInfo, LayoutAndLook) {
    EXPECT_EQ(info->modalTransitionStyle(), UIModalTransitionStyleFlipHorizontal);
    expectLayoutFor320x480(*info);
    const Rgba black{0, 0, 0, 1}, white{1, 1, 1, 1};
    EXPECT_EQ(rgba(info->view()->backgroundColor()), black);
    EXPECT_EQ(v.tagline->text(), "a New iPod/iPhone/iPad application");
    EXPECT_EQ(v.invitation->text(), "Please visit our web site :");
    for (const auto& label : {v.tagline, v.invitation}) {
        EXPECT_EQ(rgba(label->backgroundColor()), black);
        EXPECT_EQ(rgba(label->textColor()), white);
        EXPECT_EQ(label->textAlignment(), UITextAlignmentCenter);
        EXPECT_EQ(label->font()->pointSize(), 15);
        EXPECT_EQ(label->font()->fontName(), "Helvetica");
    }
    EXPECT_EQ(v.site->buttonType(), UIButtonTypeRoundedRect);
    EXPECT_EQ(v.site->contentHorizontalAlignment(), UIControlContentHorizontalAlignmentLeft);
    EXPECT_EQ(rgba(v.site->titleColorForState(UIControlStateNormal)), white);
    EXPECT_NE(v.site->backgroundImageForState(UIControlStateNormal), nullptr);
    EXPECT_EQ(v.site->backgroundImageForState(UIControlStateNormal), UIImage::imageNamed("strtstp2.png"));
    // The title is six spaces and the host of the address the button opens.
    EXPECT_EQ(v.site->titleForState(UIControlStateNormal), "      starchart.example.org");
    for (const auto& button : {v.site, v.store}) EXPECT_EQ(button->backgroundColor()->alpha(), 0);
    EXPECT_EQ(v.store->buttonType(), UIButtonTypeCustom);
    EXPECT_EQ(v.store->titleForState(UIControlStateNormal), "");

    // The nib's closing control does not sit under any of the five.
    const auto done = run.app.findViewsByTitle("Done");
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(run.app.window()->hitTest(RunningApp::centreOf(*done[0])), done[0]);
}

TEST_F(PhoneInfo, LinksOpenThroughTheApplication) {
    tap(*v.site);
    run.app.tap({160, 300});  // on the picture, inside the store button's rectangle
    run.app.tap({20, 100});   // above the picture, still in the store button
    tap(*v.tagline);          // not a link
    const std::vector<std::string> expected{kSite, kStore, kStore};
    EXPECT_EQ(run.app.openedURLs(), expected);
    EXPECT_EQ(run.presentedInfo(), info) << "links leave the screen as it is";

    // A link the platform cannot open is said on the screen, its address copied.
    EXPECT_EQ(labelText(run.app, "linkFailure"), "(none)") << "an opened link says nothing";
    run.app.backend().setOpensURLs(false);
    tap(*v.store);
    run.app.runUntilIdle();
    EXPECT_EQ(labelText(run.app, "linkFailure"), "The link could not be opened; its address is copied:");
    EXPECT_EQ(labelText(run.app, "linkAddress"), kStore);
    EXPECT_EQ(run.app.backend().clipboard(), kStore);
    tap(*v.site);
    run.app.runUntilIdle();
    EXPECT_EQ(labelText(run.app, "linkAddress"), kSite) << "the last link tried";
    EXPECT_EQ(run.app.backend().clipboard(), kSite);
}

TEST_F(PhoneInfo, FlipsAwayAndBackAsAFreshScreen) {
    const auto done = run.app.findViewsByTitle("Done");
    ASSERT_EQ(done.size(), 1u);
    press(run.app, RunningApp::centreOf(*done[0]));
    EXPECT_TRUE(run.app.runtime().isAnimating());
    run.app.runUntilIdle();
    EXPECT_EQ(run.app.presentedViewController(), nullptr);

    press(run.app, kInfoButton);
    EXPECT_TRUE(run.app.runtime().isAnimating());
    run.app.runUntilIdle();
    const auto second = run.presentedInfo();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, info);
    EXPECT_EQ(run.main().flipsidePopoverController(), nullptr);
}

TEST_F(PhoneInfo, DoneWithoutADelegateLeavesTheScreenUp) {
    info->setDelegate(nullptr);
    ASSERT_TRUE(run.press("Done"));
    EXPECT_EQ(run.presentedInfo(), info);
    // A delegate that has gone reads as none.
    auto gone = std::make_shared<VHMainViewController>();
    info->setDelegate(gone);
    EXPECT_NE(info->delegate(), nullptr);
    gone.reset();
    EXPECT_EQ(info->delegate(), nullptr);
}

TEST(InfoScreen, LayoutIsTakenOnceFromTheNibSize) {
    // On a taller phone the screen is shown at the window's size, but laid out
    // from the size its nib gave it; the later resize moves nothing.
    RunningApp run(namedDevice("phone-tall"));
    run.tapAndSettle(RunningApp::centreOf(*run.main().infoButton()));
    const auto info = run.presentedInfo();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->view()->frame().size.height, 568);
    info->view()->setFrame(CGRectMake(0, 0, 500, 700));
    expectLayoutFor320x480(*info);
}

TEST(InfoScreen, TabletTogglesOnePopover) {
    RunningApp run(namedDevice("tablet"));
    const auto item = run.main().infoBar()->items()[0]->itemView();
    press(run.app, RunningApp::centreOf(*item));
    EXPECT_TRUE(run.app.runtime().isAnimating()) << "the popover fades in";
    run.app.runUntilIdle();
    const auto popover = run.main().flipsidePopoverController();
    ASSERT_NE(popover, nullptr);
    EXPECT_TRUE(popover->isPopoverVisible());
    const auto info = std::dynamic_pointer_cast<VHFlipsideViewController>(popover->contentViewController());
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(popover->popoverContentSize(), CGSizeMake(320, 480));
    EXPECT_EQ(info->view()->frame().size, CGSizeMake(320, 480));
    EXPECT_EQ(run.app.presentedViewController(), nullptr) << "not presented full screen";
    // It points at the bar item that sent the action: from the top band, up.
    const CGRect itemFrame = OffscreenApp::frameInWindow(*item);
    EXPECT_EQ(popover->arrowDirection(), UIPopoverArrowDirectionUp);
    EXPECT_EQ(popover->arrowTip().y, itemFrame.origin.y + itemFrame.size.height);

    // The second press hides it, fading out as it came.
    press(run.app, RunningApp::centreOf(*item));
    EXPECT_TRUE(run.app.runtime().isAnimating()) << "the popover fades out";
    run.app.runUntilIdle();
    EXPECT_FALSE(popover->isPopoverVisible());
    EXPECT_TRUE(run.app.visiblePopovers().empty());

    // Done hides it too; the popover and its screen stay for the next time.
    ASSERT_TRUE(run.press("Info"));
    ASSERT_TRUE(run.press("Done"));
    EXPECT_FALSE(popover->isPopoverVisible());
    ASSERT_TRUE(run.press("Info"));
    EXPECT_TRUE(popover->isPopoverVisible());
    EXPECT_EQ(run.main().flipsidePopoverController(), popover);
    EXPECT_EQ(popover->contentViewController(), info);
}

TEST(InfoScreen, NarrowTabletPointsThePopoverAtTheInfoButton) {
    RunningApp run(customDevice(320, 480, UIUserInterfaceIdiomPad));
    run.tapAndSettle(kInfoButton);
    const auto popover = run.main().flipsidePopoverController();
    ASSERT_NE(popover, nullptr);
    EXPECT_TRUE(popover->isPopoverVisible());
    EXPECT_EQ(run.app.presentedViewController(), nullptr);
}

TEST(InfoScreen, QuitOverTheBandIsOutsideTheTabletPopover) {
    // Learning mode on a tablet puts Quit in the band, over the bar the popover
    // points from: a tap on it closes the popover like any tap outside, and
    // the next one quits.
    RunningApp run(namedDevice("tablet"));
    run.main().doubleTapStep();
    run.main().doubleTapStep();
    ASSERT_TRUE(run.press("Info"));
    const auto popover = run.main().flipsidePopoverController();
    ASSERT_TRUE(popover && popover->isPopoverVisible());
    const CGPoint quit{733, 23.5};
    run.tapAndSettle(quit);
    EXPECT_FALSE(popover->isPopoverVisible());
    EXPECT_EQ(run.main().learnState(), 3) << "the closing tap goes nowhere else";
    run.tapAndSettle(quit);
    EXPECT_EQ(run.main().learnState(), 0);
}

TEST(InfoScreen, TabletFinishWithNoPopoverYetDoesNothing) {
    RunningApp run(namedDevice("tablet"));
    run.main().flipsideViewControllerDidFinish(nullptr);
    EXPECT_EQ(run.main().flipsidePopoverController(), nullptr);
    EXPECT_TRUE(run.app.visiblePopovers().empty());
}

}  // namespace
