// Roles and labels are checked on the app's screens (tests/app); here, the
// frames a screen reader gets, in window coordinates at any depth.
#include <gtest/gtest.h>

#include "platform/ui/UIKit.h"

namespace {

void expectRect(CGRect r, CGFloat x, CGFloat y, CGFloat w, CGFloat h) {
    EXPECT_EQ(r.origin.x, x);
    EXPECT_EQ(r.origin.y, y);
    EXPECT_EQ(r.size.width, w);
    EXPECT_EQ(r.size.height, h);
}

TEST(Accessibility, TheFrameIsInWindowCoordinates) {
    auto window = std::make_shared<UIWindow>();
    window->initWithFrame(CGRectMake(0, 0, 320, 480));
    auto outer = std::make_shared<UIView>();
    outer->initWithFrame(CGRectMake(10, 20, 200, 200));
    auto inner = std::make_shared<UILabel>();
    inner->initWithFrame(CGRectMake(5, 7, 30, 40));
    window->addSubview(outer);
    outer->addSubview(inner);
    expectRect(inner->accessibilityFrame(), 15, 27, 30, 40);
    outer->setFrame(CGRectMake(100, 50, 200, 200));
    expectRect(inner->accessibilityFrame(), 105, 57, 30, 40);
}

}  // namespace
