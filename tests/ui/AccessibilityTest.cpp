// Roles and labels are checked on the app's screens (tests/app); here, the
// frames a screen reader gets, in window coordinates at any depth.
#include <gtest/gtest.h>

#include "platform/ui/UIKit.h"

namespace {

TEST(Accessibility, TheFrameIsInWindowCoordinates) {
    auto window = std::make_shared<UIWindow>();
    window->initWithFrame(CGRectMake(0, 0, 320, 480));
    auto outer = std::make_shared<UIView>();
    outer->initWithFrame(CGRectMake(10, 20, 200, 200));
    auto inner = std::make_shared<UILabel>();
    inner->initWithFrame(CGRectMake(5, 7, 30, 40));
    window->addSubview(outer);
    outer->addSubview(inner);
    EXPECT_EQ(inner->accessibilityFrame(), CGRectMake(15, 27, 30, 40));
    outer->setFrame(CGRectMake(100, 50, 200, 200));
    EXPECT_EQ(inner->accessibilityFrame(), CGRectMake(105, 57, 30, 40));
}

}  // namespace
