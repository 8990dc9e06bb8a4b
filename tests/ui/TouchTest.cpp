#include <gtest/gtest.h>

#include "tests/ui/UITestSupport.h"

namespace {
// Root controller (no nib) with: a = LoggingView (0,0,200,200) holding
// b (50,50,50,50); a hidden view over a's right half; a label over a's bottom.
struct Scene {
    std::shared_ptr<TestController> root;
    std::shared_ptr<LoggingView> a, b, hidden;
    std::shared_ptr<UILabel> label;
    std::unique_ptr<OffscreenApp> app;

    Scene() {
        root = std::make_shared<TestController>();
        root->init();
        app = launchWith("phone", [this] {
            a = addView<LoggingView>(*root->view(), CGRectMake(0, 0, 200, 200));
            b = addView<LoggingView>(*a, CGRectMake(50, 50, 50, 50));
            hidden = addView<LoggingView>(*a, CGRectMake(100, 0, 100, 200));
            hidden->setHidden(true);
            label = addView<UILabel>(*a, CGRectMake(0, 150, 200, 50));
            label->setText("label");
            return root;
        });
    }
};
}  // namespace

TEST(Touches, GoToTheDeepestVisibleInteractiveViewAndStayThere) {
    Scene s;
    s.app->tap({60, 60});
    EXPECT_EQ(s.b->log.phases(), "began ended");
    EXPECT_EQ(s.a->log.phases(), "");
    ASSERT_EQ(s.b->log.entries.size(), 2u);
    EXPECT_EQ(s.b->log.entries[0].location, CGPointMake(10, 10));  // in b's own coordinates

    s.app->tap({150, 20});  // under the hidden view: a gets it
    EXPECT_EQ(s.a->log.phases(), "began ended");
    EXPECT_EQ(s.hidden->log.phases(), "");
    s.app->tap({20, 170});  // on the label, which takes no touches
    EXPECT_EQ(s.a->log.phases(), "began ended began ended");

    // A touch that began in b stays with b wherever it goes.
    s.b->log.entries.clear();
    s.app->touchDown(1, {60, 60});
    s.app->touchMove(1, {300, 400});
    s.app->touchUp(1, {300, 400});
    EXPECT_EQ(s.b->log.phases(), "began moved ended");
    EXPECT_EQ(s.b->log.entries[1].location.x, 250);
    s.app->tap({250, 300});  // outside a: the root view, then its controller
    EXPECT_EQ(s.root->log.phases(), "began ended");
}

TEST(Touches, UnhandledTouchesTravelUpTheResponderChain) {
    Scene s;
    s.b->passOn = true;
    s.a->passOn = true;
    s.app->tap({60, 60});
    EXPECT_EQ(s.b->log.phases(), "began ended");
    EXPECT_EQ(s.a->log.phases(), "began ended");
    EXPECT_EQ(s.root->log.phases(), "began ended");  // via the root view to its controller
    // The controller sees the location in whatever view it asks about.
    EXPECT_EQ(s.root->log.entries[0].location.x, 60);

    // Responder chain beyond the controller: window, application, delegate.
    UIResponder* r = s.b.get();
    std::vector<std::string> chain;
    while (r) {
        chain.push_back(r->className());
        r = r->nextResponder();
    }
    EXPECT_EQ(chain, (std::vector<std::string>{"LoggingView", "LoggingView", "UIView", "TestController",
                                               "UIWindow", "UIApplication", "TestAppDelegate"}));
}

TEST(Touches, TapCountFollowsTimeAndDistance) {
    Scene s;
    auto tapAt = [&](CGPoint p, double pauseAfter) {
        s.app->touchDown(1, p);
        s.app->advance(0.05);
        s.app->touchUp(1, p);
        s.app->advance(pauseAfter);
        return s.b->log.entries.back().tapCount;
    };
    EXPECT_EQ(tapAt({60, 60}, 0.1), 1u);
    EXPECT_EQ(tapAt({60, 60}, 0.1), 2u);
    EXPECT_EQ(tapAt({70, 75}, 0.34), 3u);  // 18 points away, 340 ms later: still counts
    EXPECT_EQ(tapAt({70, 75}, 0.36), 4u);  // ... and it ended 360 ms before the next began:
    EXPECT_EQ(tapAt({70, 75}, 0.1), 1u);   // too late, a fresh count
    EXPECT_EQ(tapAt({95, 95}, 0.1), 1u);   // 35 points from the last tap: fresh
    EXPECT_EQ(tapAt({95, 95}, 0.1), 2u);
    // A touch that wandered further than 25 points is no tap: the next starts over.
    s.app->touchDown(1, {60, 60});
    s.app->touchMove(1, {60, 90});
    s.app->touchMove(1, {60, 60});
    s.app->touchUp(1, {60, 60});
    s.app->advance(0.05);
    EXPECT_EQ(tapAt({60, 60}, 0.1), 1u);
    // Every phase of a touch reports the count fixed at touch-down.
    s.b->log.entries.clear();
    s.app->touchDown(1, {60, 60});
    s.app->touchMove(1, {62, 61});
    s.app->touchUp(1, {62, 61});
    for (const auto& e : s.b->log.entries) EXPECT_EQ(e.tapCount, 2u) << e.what;
}

TEST(Touches, EveryEventCarriesAllTouchesOnTheScreen) {
    Scene s;
    s.a->setMultipleTouchEnabled(true);
    s.app->touchDown(1, {10, 10});
    s.app->touchDown(2, {30, 30});
    s.app->inject({{2, {40, 40}, TouchPhase::Moved}});  // finger 1 rests
    ASSERT_EQ(s.a->log.entries.size(), 3u);
    EXPECT_EQ(s.a->log.entries[1].allTouches, 2u);
    EXPECT_EQ(s.a->log.entries[2].what, "moved");
    EXPECT_EQ(s.a->log.entries[2].touches, 1u);
    EXPECT_EQ(s.a->log.entries[2].allTouches, 2u);
    // Two fingers moving at one instant: one call with both.
    s.app->inject({{1, {12, 12}, TouchPhase::Moved}, {2, {44, 44}, TouchPhase::Moved}});
    EXPECT_EQ(s.a->log.entries.back().touches, 2u);
    EXPECT_EQ(s.a->log.entries.size(), 4u);
    // The ending touch is still in its own event, then gone.
    s.app->touchUp(2, {44, 44});
    EXPECT_EQ(s.a->log.entries.back().what, "ended");
    EXPECT_EQ(s.a->log.entries.back().allTouches, 2u);
    s.app->touchMove(1, {20, 20});
    EXPECT_EQ(s.a->log.entries.back().allTouches, 1u);
    s.app->touchUp(1, {20, 20});
    EXPECT_TRUE(s.app->runtime().activeTouches().empty());

    // allObjects is in the order the touches began, whatever their ids.
    NSArray order;
    struct Peek : LoggingView {
        NSArray* out;
        void touchesBegan(const NSSet&, UIEvent* e) override { *out = e->allTouches().allObjects(); }
        void touchesMoved(const NSSet&, UIEvent* e) override { *out = e->allTouches().allObjects(); }
    };
    auto peek = addView<Peek>(*s.root->view(), CGRectMake(0, 300, 300, 100));
    peek->out = &order;
    peek->setMultipleTouchEnabled(true);
    s.app->touchDown(7, {10, 320});
    s.app->touchDown(3, {10, 20});
    s.app->touchDown(5, {10, 330});
    ASSERT_EQ(order.count(), 3u);
    EXPECT_EQ(order[0]->identifier(), 7);
    EXPECT_EQ(order[1]->identifier(), 3);
    EXPECT_EQ(order[2]->identifier(), 5);
    // Fingers that did not change at this instant are stationary, not still "began".
    s.app->touchMove(5, {20, 340});
    ASSERT_EQ(order.count(), 3u);
    EXPECT_EQ(order[0]->phase(), UITouchPhaseStationary);
    EXPECT_EQ(order[1]->phase(), UITouchPhaseStationary);
    EXPECT_EQ(order[2]->phase(), UITouchPhaseMoved);
}

TEST(Touches, AViewWithoutMultiTouchGetsOnlyItsFirstTouch) {
    Scene s;
    s.app->touchDown(1, {10, 10});
    s.app->touchDown(2, {30, 30});
    s.app->inject({{1, {15, 15}, TouchPhase::Moved}, {2, {35, 35}, TouchPhase::Moved}});
    EXPECT_EQ(s.a->log.phases(), "began moved");
    EXPECT_EQ(s.a->log.entries[1].touches, 1u);
    EXPECT_EQ(s.a->log.entries[1].allTouches, 2u);  // the other finger still counts
}

TEST(Touches, ABeginForAFingerAlreadyDownIsAMove) {
    Scene s;
    s.app->touchDown(1, {60, 60});
    s.app->touchDown(1, {60, 60});  // where it already is: nothing happened
    EXPECT_EQ(s.b->log.phases(), "began");
    s.app->touchDown(1, {70, 60});
    EXPECT_EQ(s.b->log.phases(), "began moved");
    EXPECT_EQ(s.b->log.entries[1].location.x, 20);
}

// A backend may pass on the rest of a touch whose begin it never sent (one
// that began before the window had the focus, say): nobody hears of it.
TEST(Touches, AFingerNeverDownReachesNobody) {
    Scene s;
    for (TouchPhase phase :
         {TouchPhase::Moved, TouchPhase::Stationary, TouchPhase::Ended, TouchPhase::Cancelled})
        s.app->inject({{7, {60, 60}, phase}});
    EXPECT_EQ(s.b->log.phases(), "");
    EXPECT_EQ(s.a->log.phases(), "");
    EXPECT_EQ(s.root->log.phases(), "");
    EXPECT_TRUE(s.app->runtime().activeTouches().empty());
    s.app->tap({60, 60});
    EXPECT_EQ(s.b->log.phases(), "began ended");
    EXPECT_EQ(s.b->log.entries[0].tapCount, 1u);
}

TEST(Touches, BeginsOfOneInstantArriveBeforeItsMoves) {
    Scene s;
    s.a->setMultipleTouchEnabled(true);
    s.app->touchDown(1, {10, 10});
    s.app->inject({{1, {20, 20}, TouchPhase::Moved}, {2, {30, 30}, TouchPhase::Began}});
    EXPECT_EQ(s.a->log.phases(), "began began moved");
}

TEST(Touches, CancellingEveryTouchForgetsTheLastTap) {
    Scene s;
    s.app->touchDown(1, {60, 60});
    s.app->advance(0.05);
    s.app->touchUp(1, {60, 60});
    s.app->advance(0.05);
    s.app->touchDown(1, {60, 60});
    EXPECT_EQ(s.b->log.entries.back().tapCount, 2u);
    s.app->runtime().cancelAllTouches();  // as a screen transition does
    s.app->runtime().runIteration();
    EXPECT_EQ(s.b->log.phases(), "began ended began cancelled");
    s.app->advance(0.05);
    s.app->touchDown(1, {60, 60});
    EXPECT_EQ(s.b->log.entries.back().tapCount, 1u);
}

TEST(Controls, FireTouchUpInsideOnlyWhenReleasedInside) {
    Scene s;
    auto button = UIButton::buttonWithType(UIButtonTypeRoundedRect);
    button->setFrame(CGRectMake(100, 300, 100, 40));
    button->setTitle("Go", UIControlStateNormal);
    button->addTarget(s.root.get(), "done:", UIControlEventTouchUpInside);
    s.root->view()->addSubview(button);

    s.app->tap({150, 320});
    EXPECT_EQ(s.root->actions, std::vector<std::string>{"done:"});
    EXPECT_EQ(s.root->senders.at(0), button);  // the control is the sender

    s.app->touchDown(1, {150, 320});
    EXPECT_TRUE(button->isHighlighted());
    s.app->touchMove(1, {150, 450});  // 90 points below: outside even with the margin
    EXPECT_FALSE(button->isHighlighted());
    s.app->touchUp(1, {150, 450});
    EXPECT_EQ(s.root->actions.size(), 1u);

    s.app->touchDown(1, {150, 320});
    s.app->touchMove(1, {150, 450});
    s.app->touchMove(1, {150, 345});  // back inside (5 points out counts as inside)
    EXPECT_TRUE(button->isHighlighted());
    s.app->touchUp(1, {150, 345});
    EXPECT_EQ(s.root->actions.size(), 2u);
    EXPECT_FALSE(button->isHighlighted());

    // Controls keep their touches: nothing reached the controller's handlers.
    EXPECT_EQ(s.root->log.phases(), "");

    // A cancelled touch fires nothing; a disabled control is passed through.
    s.app->touchDown(1, {150, 320});
    s.app->touchCancel(1);
    EXPECT_EQ(s.root->actions.size(), 2u);
    button->setEnabled(false);
    s.app->tap({150, 320});
    EXPECT_EQ(s.root->actions.size(), 2u);
    EXPECT_EQ(s.root->log.phases(), "began ended");
}

TEST(Controls, AnActionMayRemoveItsOwnButton) {
    Scene s;
    auto button = UIButton::buttonWithType(UIButtonTypeRoundedRect);
    button->setFrame(CGRectMake(100, 300, 100, 40));
    button->setTitle("Quit", UIControlStateNormal);
    button->addTarget(s.root.get(), "done:", UIControlEventTouchUpInside);
    std::weak_ptr<UIButton> weak = button;
    s.root->onDone = [&](TestController& self, const id&) {
        self.senders.clear();  // hold no reference of our own
        if (auto b = weak.lock()) b->removeFromSuperview();
        button.reset();
    };
    s.root->view()->addSubview(button);
    EXPECT_TRUE(s.app->pressControl("Quit"));
    EXPECT_TRUE(weak.expired());
    EXPECT_FALSE(s.app->pressControl("Quit"));
    EXPECT_EQ(s.root->actions, std::vector<std::string>{"done:"});
}
