#include <gtest/gtest.h>

#include "tests/ui/UITestSupport.h"

namespace {
const char* kInfoNib = R"({"root": {"class": "UIView", "frame": "screen", "backgroundColor": "black",
  "subviews": [{"class": "UIButton", "buttonType": 1, "frame": [110, 400, 100, 37], "title": "Done",
                "action": "done:"}]}})";

struct Nibs {
    Nibs() { NSBundle::mainBundle()->registerResource("PresInfo.json", kInfoNib); }
    ~Nibs() { NSBundle::mainBundle()->removeResource("PresInfo.json"); }
};

// The main screen's pattern: a fresh info screen presented modally each time,
// which reports back through done: and is dismissed by its presenter. The
// tablet's popover is tested on the app's own screens.
struct ModalScene {
    Nibs nibs;
    std::shared_ptr<TestController> root;
    std::weak_ptr<TestController> lastInfo;
    int completions = 0;
    std::unique_ptr<OffscreenApp> app;
    ModalScene() {
        root = std::make_shared<TestController>();
        root->init();
        root->onShowInfo = [this](TestController& self, const id&) {
            auto info = controllerWithNib("PresInfo");
            std::weak_ptr<TestController> presenter =
                std::static_pointer_cast<TestController>(self.shared_from_this());
            info->onDone = [presenter, this](TestController&, const id&) {
                if (auto p = presenter.lock())
                    p->dismissViewControllerAnimated(true, [this] { ++completions; });
            };
            info->setModalTransitionStyle(UIModalTransitionStyleFlipHorizontal);
            lastInfo = info;
            self.presentViewController(info, true, [this] { ++completions; });
        };
        app = launchWith("phone", [this] {
            root->view()->setBackgroundColor(UIColor::whiteColor());
            auto button = UIButton::buttonWithType(UIButtonTypeInfoLight);
            button->setFrame(CGRectMake(283, 423, 37, 37));
            button->setAccessibilityIdentifier("info");
            button->addTarget(root.get(), "showInfo:", UIControlEventTouchUpInside);
            root->view()->addSubview(button);
            return root;
        });
    }
};
}  // namespace

TEST(Presentation, ModalFlipShowsAndDismissesWithoutLeavingInputDead) {
    ModalScene s;
    ASSERT_TRUE(s.app->pressControl("info"));  // tap() lets 0.4 s pass: the flip is over
    auto info = s.lastInfo.lock();
    ASSERT_TRUE(info);
    EXPECT_EQ(s.root->presentedViewController(), info);
    EXPECT_EQ(s.app->presentedViewController(), info);
    EXPECT_EQ(info->view()->frame(), UIScreen::mainScreen()->bounds());
    EXPECT_EQ(s.completions, 1);
    EXPECT_FALSE(s.app->runtime().isAnimating());
    // The presenter's view is off the screen; the info screen's is on it.
    EXPECT_EQ(s.root->view()->window(), nullptr);
    EXPECT_FALSE(s.app->pressControl("info"));
    auto frame = s.app->render();
    EXPECT_EQ(pixelAt(*frame, 5, 5).r, 0);  // the black info screen

    ASSERT_TRUE(s.app->pressControl("Done"));
    EXPECT_EQ(info->actions, std::vector<std::string>{"done:"});
    info.reset();
    EXPECT_EQ(s.root->presentedViewController(), nullptr);
    EXPECT_TRUE(s.lastInfo.expired());  // the presentation owned it
    EXPECT_EQ(s.completions, 2);
    EXPECT_NE(s.root->view()->window(), nullptr);

    // And again: the main screen takes touches, and a new info screen has its Done.
    ASSERT_TRUE(s.app->pressControl("info"));
    ASSERT_TRUE(s.app->pressControl("Done"));
}

TEST(Presentation, TheFlipTakesItsTimeAndHoldsInputOffMeanwhile) {
    ModalScene s;
    EXPECT_EQ(pixelAt(*s.app->render(), 5, 240).r, 255);  // white before
    s.app->touchDown(1, {301.5, 441.5});                  // the info button's centre
    s.app->touchUp(1, {301.5, 441.5});
    EXPECT_TRUE(s.app->runtime().isAnimating());
    const auto presents = s.app->runtime().presentCount();
    s.app->advance(0.2);
    EXPECT_TRUE(s.app->runtime().isAnimating());
    EXPECT_EQ(s.completions, 0);
    EXPECT_GE(s.app->runtime().presentCount(), presents + 10);  // a frame every 1/60 s
    // Mid-flip, the screen shows a narrow band only: the white main screen is gone at the sides.
    auto frame = s.app->render();
    EXPECT_EQ(pixelAt(*frame, 5, 240).r, 0);
    EXPECT_EQ(pixelAt(*frame, 315, 240).r, 0);
    // A touch during the flip reaches nobody, even after the flip is over.
    s.app->touchDown(2, {100, 100});
    s.app->advance(0.25);
    EXPECT_FALSE(s.app->runtime().isAnimating());
    EXPECT_EQ(s.completions, 1);
    s.app->touchUp(2, {100, 100});
    EXPECT_EQ(s.lastInfo.lock()->log.phases(), "");
    // Then the loop is idle again: no more frames.
    const auto after = s.app->runtime().presentCount();
    s.app->advance(0.5);
    EXPECT_EQ(s.app->runtime().presentCount(), after);
}

TEST(Presentation, DismissingInTheMiddleOfTheFlipFinishesItFirst) {
    ModalScene s;
    auto button = s.app->findViewsByTitle("info").at(0);
    s.root->showInfo(button);
    s.app->advance(0.1);
    s.root->dismissViewControllerAnimated(false, nullptr);
    EXPECT_FALSE(s.app->runtime().isAnimating());
    EXPECT_EQ(s.root->presentedViewController(), nullptr);
    EXPECT_EQ(s.completions, 1);  // the presentation's own completion still ran
    EXPECT_NE(s.root->view()->window(), nullptr);
    s.app->tap({100, 100});
    EXPECT_EQ(s.root->log.phases(), "began ended");
}
