#include <gtest/gtest.h>

#include "tests/ui/UITestSupport.h"

namespace {
class Greeter : public NSObject {
public:
    Greeter() {
        registerAction("greet:", &Greeter::greet);
        registerAction("wave", &Greeter::wave);
    }
    std::vector<std::string> heard;
    std::vector<id> senders;
    void greet(id sender) {
        heard.push_back("greet");
        senders.push_back(sender);
    }
    void wave() { heard.push_back("wave"); }
};

class Owner : public NSObject {};
}  // namespace

TEST(Foundation, ActionsAreFoundAndRunBySelectorName) {
    auto g = std::make_shared<Greeter>();
    EXPECT_TRUE(g->respondsToSelector("greet:"));
    EXPECT_TRUE(g->respondsToSelector("wave"));
    EXPECT_FALSE(g->respondsToSelector("greet"));  // the colon is part of the name
    auto sender = std::make_shared<Owner>();
    g->performSelector("greet:", sender);
    g->performSelector("wave", nullptr);
    g->performSelector("greet:");
    EXPECT_EQ(g->heard, (std::vector<std::string>{"greet", "wave", "greet"}));
    EXPECT_EQ(g->senders, (std::vector<id>{sender, nullptr}));
    EXPECT_THROW(g->performSelector("shout:"), NSInvalidArgumentException);
}

TEST(Foundation, ClassesByName) {
    EXPECT_EQ(NSClassFromString("TestAppDelegate"), nullptr);
    EXPECT_EQ(NSStringFromClass<TestAppDelegate>(), "TestAppDelegate");
    Class c = NSClassFromString("TestAppDelegate");
    ASSERT_NE(c, nullptr);
    auto obj = c->create();
    EXPECT_NE(dynamic_cast<UIApplicationDelegate*>(obj.get()), nullptr);
    EXPECT_EQ(obj->className(), "TestAppDelegate");
    EXPECT_EQ(NSClassFromString("NoSuchClass"), nullptr);
}

TEST(Foundation, URLs) {
    auto u = NSURL::URLWithString("http://www.example.org/apps/one?x=1");
    ASSERT_TRUE(u);
    EXPECT_EQ(u->absoluteString(), "http://www.example.org/apps/one?x=1");
    EXPECT_TRUE(NSURL::URLWithString("itms-apps://store.example/app/id1"));
    EXPECT_FALSE(NSURL::URLWithString("www.example.org"));
    EXPECT_FALSE(NSURL::URLWithString("http://with space"));
    EXPECT_FALSE(NSURL::URLWithString(""));
    EXPECT_FALSE(NSURL::URLWithString("1http://x"));
}

TEST(Foundation, BarItemTargetsReadEmptyOnceTheirOwnerIsGone) {
    auto item = std::make_shared<UIBarButtonItem>();
    {
        auto owner = std::make_shared<TestController>();
        item->initWithTitle("Info", UIBarButtonItemStyleBordered, owner.get(), "showInfo:");
        EXPECT_EQ(item->target(), owner.get());
    }
    EXPECT_EQ(item->target(), nullptr);
    EXPECT_EQ(item->action(), "showInfo:");
}

TEST(Foundation, ControlTargetsAreNotKeptAlive) {
    auto button = UIButton::buttonWithType(UIButtonTypeCustom);
    std::weak_ptr<TestController> gone;
    {
        auto c = std::make_shared<TestController>();
        button->addTarget(c.get(), "choice2", UIControlEventTouchUpInside);
        button->sendActionsForControlEvents(UIControlEventTouchUpInside);
        EXPECT_EQ(c->actions, std::vector<std::string>{"choice2"});
        gone = c;
    }
    EXPECT_TRUE(gone.expired());
    button->sendActionsForControlEvents(UIControlEventTouchUpInside);  // must not touch the dead target
}
