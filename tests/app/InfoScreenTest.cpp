// The info screen: its layout, its links, and how the main screen shows and
// hides it on phones (full screen, fresh each time) and tablets (one popover).
#include <gtest/gtest.h>

#include <algorithm>

#include "AppTestSupport.h"

namespace {

template <class T>
std::vector<std::shared_ptr<T>> subviewsOf(const UIView& root) {
    std::vector<std::shared_ptr<T>> out;
    for (const auto& v : root.subviews())
        if (auto t = std::dynamic_pointer_cast<T>(v)) out.push_back(t);
    return out;
}

struct InfoViews {
    std::shared_ptr<UIImageView> picture;
    std::shared_ptr<UILabel> tagline, invitation;
    std::shared_ptr<UIButton> site, store;
};

// The five views the screen builds, in the order it adds them, after the nib's own.
InfoViews infoViews(const VHFlipsideViewController& info) {
    const auto& subs = const_cast<VHFlipsideViewController&>(info).view()->subviews();
    EXPECT_GE(subs.size(), 5u);
    InfoViews v;
    if (subs.size() < 5) return v;
    auto it = subs.end() - 5;
    v.picture = std::dynamic_pointer_cast<UIImageView>(*it++);
    v.tagline = std::dynamic_pointer_cast<UILabel>(*it++);
    v.invitation = std::dynamic_pointer_cast<UILabel>(*it++);
    v.site = std::dynamic_pointer_cast<UIButton>(*it++);
    v.store = std::dynamic_pointer_cast<UIButton>(*it++);
    EXPECT_TRUE(v.picture && v.tagline && v.invitation && v.site && v.store) << "kinds and order";
    return v;
}

void expectGrey(const std::shared_ptr<UIColor>& c, const char* what, CGFloat level) {
    ASSERT_NE(c, nullptr) << what;
    EXPECT_EQ(c->red(), level) << what;
    EXPECT_EQ(c->green(), level) << what;
    EXPECT_EQ(c->blue(), level) << what;
    EXPECT_EQ(c->alpha(), 1) << what;
}

void expectLayoutFor320x480(const VHFlipsideViewController& info) {
    EXPECT_EQ(info.layoutWidth(), 320.0f);
    EXPECT_EQ(info.layoutHeight(), 440.0f);
    const InfoViews v = infoViews(info);
    ASSERT_TRUE(v.picture && v.tagline && v.invitation && v.site && v.store);
    EXPECT_EQ(v.picture->center(), CGPointMake(160, 250));
    EXPECT_EQ(v.picture->image(), UIImage::imageNamed("marvane1.png"));
    ASSERT_NE(v.picture->image(), nullptr);
    EXPECT_EQ(v.picture->frame().size, v.picture->image()->size());
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

// The 320 x 480 phone with the info screen brought up by its info button.
class PhoneInfo : public ::testing::Test {
protected:
    void SetUp() override {
        run.tapAndSettle(RunningApp::centreOf(*run.main().infoButton()));
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
    EXPECT_EQ(info->nibName(), "VHFlipsideViewController");
    EXPECT_EQ(info->delegate().get(), static_cast<VHFlipsideViewControllerDelegate*>(&run.main()));
    expectLayoutFor320x480(*info);
    expectGrey(info->view()->backgroundColor(), "root background", 0);
    EXPECT_EQ(v.tagline->text(), "a New iPod/iPhone/iPad application");
    EXPECT_EQ(v.invitation->text(), "Please visit our web site :");
    for (const auto& label : {v.tagline, v.invitation}) {
        expectGrey(label->backgroundColor(), "label background", 0);
        expectGrey(label->textColor(), "label text", 1);
        EXPECT_EQ(label->textAlignment(), UITextAlignmentCenter);
        EXPECT_EQ(label->font()->pointSize(), 15);
        EXPECT_EQ(label->font()->fontName(), "Helvetica");
    }
    EXPECT_EQ(v.site->buttonType(), UIButtonTypeRoundedRect);
    EXPECT_EQ(v.site->contentHorizontalAlignment(), UIControlContentHorizontalAlignmentLeft);
    expectGrey(v.site->titleColorForState(UIControlStateNormal), "web-site title", 1);
    EXPECT_EQ(v.site->backgroundImageForState(UIControlStateNormal), UIImage::imageNamed("strtstp2.png"));
    EXPECT_NE(v.site->backgroundImageForState(UIControlStateNormal), nullptr);
    EXPECT_EQ(v.site->backgroundColor()->alpha(), 0);
    EXPECT_EQ(v.store->buttonType(), UIButtonTypeCustom);
    EXPECT_EQ(v.store->titleForState(UIControlStateNormal), "");
    EXPECT_EQ(v.store->imageForState(UIControlStateNormal), nullptr);
    EXPECT_EQ(v.store->backgroundColor()->alpha(), 0);

    // The title is six spaces and the host of the address the button opens.
    EXPECT_EQ(v.site->titleForState(UIControlStateNormal), "      starchart.example.org");

    // The nib's closing control does not sit under any of the five.
    const auto done = run.app.findViewsByTitle("Done");
    ASSERT_EQ(done.size(), 1u);
    const CGPoint doneCentre = RunningApp::centreOf(*done[0]);
    EXPECT_EQ(info->view()->hitTest(info->view()->convertPointFromView(doneCentre, nullptr)), done[0]);
}

TEST_F(PhoneInfo, LinksOpenThroughTheApplication) {
    tap(*v.site);
    // On the picture, inside the store button's rectangle.
    const CGRect pic = OffscreenApp::frameInWindow(*v.picture);
    const CGRect store = OffscreenApp::frameInWindow(*v.store);
    const CGPoint onPicture{pic.origin.x + 20, store.origin.y + store.size.height - 5};
    ASSERT_TRUE(CGRectContainsPoint(pic, onPicture));
    run.app.tap(onPicture);
    // Above the picture, still in the store button.
    run.app.tap({20, 100});
    // The tagline is not a link.
    tap(*v.tagline);
    tap(*v.site);

    const std::vector<std::string> expected{kSite, kStore, kStore, kSite};
    EXPECT_EQ(run.app.openedURLs(), expected);
    EXPECT_EQ(run.app.application()->openedURLs(), expected);
    EXPECT_EQ(run.presentedInfo(), info) << "links leave the screen as it is";

    // A link the platform cannot open is said on the screen, its address copied.
    EXPECT_EQ(labelText(run.app, "linkFailure"), "(none)") << "an opened link says nothing";
    EXPECT_EQ(run.app.backend().clipboard(), "");
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

TEST_F(PhoneInfo, EachPresentationBuildsAFreshScreen) {
    // Taken away with the flip animation.
    const auto first = info;
    const auto done = run.app.findViewsByTitle("Done");
    ASSERT_EQ(done.size(), 1u);
    run.app.touchDown(0, RunningApp::centreOf(*done[0]));
    run.app.touchUp(0, RunningApp::centreOf(*done[0]));
    EXPECT_TRUE(run.app.runtime().isAnimating());
    run.app.runUntilIdle();
    EXPECT_EQ(run.app.presentedViewController(), nullptr);
    EXPECT_EQ(run.main().presentedViewController(), nullptr);

    // Shown with it too.
    const CGPoint button = RunningApp::centreOf(*run.main().infoButton());
    run.app.touchDown(0, button);
    run.app.touchUp(0, button);
    EXPECT_TRUE(run.app.runtime().isAnimating());
    run.app.runUntilIdle();
    const auto second = run.presentedInfo();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    expectLayoutFor320x480(*second);
    EXPECT_EQ(run.main().flipsidePopoverController(), nullptr);
    ASSERT_TRUE(run.press("Done"));
    EXPECT_EQ(run.app.presentedViewController(), nullptr);
}

TEST(InfoScreen, LayoutIsTakenOnceFromTheNibSize) {
    // On a taller phone the screen is shown at the window's size, but laid out
    // from the size its nib gave it; the later resize moves nothing.
    RunningApp run(namedDevice("phone-tall"));
    run.tapAndSettle(RunningApp::centreOf(*run.main().infoButton()));
    const auto info = run.presentedInfo();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->view()->frame().size.height, 568);
    expectLayoutFor320x480(*info);
    info->view()->setFrame(CGRectMake(0, 0, 500, 700));
    expectLayoutFor320x480(*info);
}

TEST(InfoScreen, TabletTogglesOnePopover) {
    RunningApp run(namedDevice("tablet"));
    EXPECT_EQ(run.main().flipsidePopoverController(), nullptr);
    const CGPoint itemCentre = RunningApp::centreOf(*run.main().infoBar()->items()[0]->itemView());
    run.app.touchDown(0, itemCentre);
    run.app.touchUp(0, itemCentre);
    EXPECT_TRUE(run.app.runtime().isAnimating()) << "the popover fades in";
    run.app.runUntilIdle();
    const auto popover = run.main().flipsidePopoverController();
    ASSERT_NE(popover, nullptr);
    EXPECT_TRUE(popover->isPopoverVisible());
    const auto info = std::dynamic_pointer_cast<VHFlipsideViewController>(popover->contentViewController());
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->contentSizeForViewInPopover(), CGSizeMake(320, 480));
    EXPECT_EQ(popover->popoverContentSize(), CGSizeMake(320, 480));
    EXPECT_EQ(info->view()->frame().size, CGSizeMake(320, 480));
    expectLayoutFor320x480(*info);
    EXPECT_EQ(run.app.presentedViewController(), nullptr) << "not presented full screen";
    EXPECT_EQ(run.app.visiblePopovers().size(), 1u);

    // The popover points at the bar item that sent the action.
    const auto item = run.main().infoBar()->items()[0];
    const CGRect itemFrame = OffscreenApp::frameInWindow(*item->itemView());
    EXPECT_GE(popover->arrowTip().x, itemFrame.origin.x);
    EXPECT_LE(popover->arrowTip().x, itemFrame.origin.x + itemFrame.size.width);
    // Any direction is allowed; from the top band the arrow points up.
    EXPECT_EQ(popover->arrowDirection(), UIPopoverArrowDirectionUp);
    EXPECT_EQ(popover->arrowTip().y, itemFrame.origin.y + itemFrame.size.height);

    // The second press hides it, fading out as it came.
    run.app.touchDown(0, itemCentre);
    run.app.touchUp(0, itemCentre);
    EXPECT_TRUE(run.app.runtime().isAnimating()) << "the popover fades out";
    run.app.runUntilIdle();
    EXPECT_FALSE(popover->isPopoverVisible());
    EXPECT_TRUE(run.app.visiblePopovers().empty());

    ASSERT_TRUE(run.press("Info"));
    EXPECT_TRUE(popover->isPopoverVisible());
    EXPECT_EQ(run.main().flipsidePopoverController(), popover);
    EXPECT_EQ(popover->contentViewController(), info) << "built once";

    // Done hides it; the popover stays for the next time.
    ASSERT_TRUE(run.press("Done"));
    EXPECT_FALSE(popover->isPopoverVisible());
    EXPECT_EQ(run.main().flipsidePopoverController(), popover);

    ASSERT_TRUE(run.press("Info"));
    EXPECT_TRUE(popover->isPopoverVisible());
    EXPECT_EQ(popover->contentViewController(), info);
    // Links work from the popover too.
    const InfoViews v = infoViews(*info);
    ASSERT_TRUE(v.site);
    run.app.tap(RunningApp::centreOf(*v.site));
    EXPECT_EQ(run.app.openedURLs(), std::vector<std::string>{kSite});
}

TEST_F(PhoneInfo, DoneWithoutADelegateLeavesTheScreenUp) {
    info->setDelegate(nullptr);
    ASSERT_TRUE(run.press("Done"));
    EXPECT_EQ(run.presentedInfo(), info);

    // A delegate that has gone reads as none.
    {
        auto gone = std::make_shared<VHMainViewController>();
        info->setDelegate(gone);
        EXPECT_NE(info->delegate(), nullptr);
    }
    EXPECT_EQ(info->delegate(), nullptr);
    info->done(nullptr);
    run.app.runUntilIdle();
    EXPECT_EQ(run.presentedInfo(), info);
}

TEST(InfoScreen, StandaloneScreen) {
    // Made and loaded outside any running application (the phone default).
    registerBundle();
    auto info = std::make_shared<VHFlipsideViewController>();
    ASSERT_EQ(info->initWithNibName("VHFlipsideViewController", nullptr), info.get());
    EXPECT_EQ(info->contentSizeForViewInPopover(), CGSizeMake(320, 480));
    EXPECT_FALSE(info->isViewLoaded());
    info->done(nullptr);
    ASSERT_NE(info->view(), nullptr);
    expectLayoutFor320x480(*info);
    // A memory warning releases nothing the screen shows.
    const auto before = info->view()->subviews();
    info->didReceiveMemoryWarning();
    EXPECT_EQ(info->view()->subviews(), before);
}

TEST(InfoScreen, NarrowTabletPointsThePopoverAtTheInfoButton) {
    RunningApp run(customDevice(320, 480, UIUserInterfaceIdiomPad));
    ASSERT_NE(run.main().infoButton(), nullptr);
    run.tapAndSettle(RunningApp::centreOf(*run.main().infoButton()));
    const auto popover = run.main().flipsidePopoverController();
    ASSERT_NE(popover, nullptr);
    EXPECT_TRUE(popover->isPopoverVisible());
    EXPECT_EQ(run.app.presentedViewController(), nullptr);
    ASSERT_TRUE(run.press("Done"));
    EXPECT_FALSE(popover->isPopoverVisible());
}

TEST(InfoScreen, QuitOverTheBandIsOutsideTheTabletPopover) {
    // Learning mode on a tablet puts Quit in the band, over the bar the popover
    // points from: a tap on it closes the popover like any tap outside, and
    // the next one quits.
    RunningApp run(namedDevice("tablet"));
    run.main().doubleTapStep();
    run.main().doubleTapStep();
    ASSERT_EQ(run.main().learnState(), 3);
    ASSERT_TRUE(run.press("Info"));
    const auto popover = run.main().flipsidePopoverController();
    ASSERT_TRUE(popover && popover->isPopoverVisible());

    const CGPoint quit = RunningApp::centreOf(*run.main().quitButton());
    run.tapAndSettle(quit);
    EXPECT_FALSE(popover->isPopoverVisible());
    EXPECT_EQ(run.main().learnState(), 3) << "the closing tap goes nowhere else";

    run.tapAndSettle(quit);
    EXPECT_EQ(run.main().learnState(), 0);
    // The bar itself still passes through: its item toggles the popover.
    ASSERT_TRUE(run.press("Info"));
    EXPECT_TRUE(popover->isPopoverVisible());
    ASSERT_TRUE(run.press("Info"));
    EXPECT_FALSE(popover->isPopoverVisible());
}

TEST(InfoScreen, TabletFinishWithNoPopoverYetDoesNothing) {
    RunningApp run(namedDevice("tablet"));
    ASSERT_EQ(run.main().flipsidePopoverController(), nullptr);
    run.main().flipsideViewControllerDidFinish(nullptr);
    EXPECT_EQ(run.main().flipsidePopoverController(), nullptr);
    EXPECT_TRUE(run.app.visiblePopovers().empty());
    EXPECT_EQ(run.app.presentedViewController(), nullptr);
}

}  // namespace
