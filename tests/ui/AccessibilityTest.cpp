// What the toolkit's views tell a screen reader by default, and what a view
// set explicitly says instead.
#include <gtest/gtest.h>

#include "platform/ui/UIKit.h"

namespace {

void expectRect(CGRect r, CGFloat x, CGFloat y, CGFloat w, CGFloat h) {
    EXPECT_EQ(r.origin.x, x);
    EXPECT_EQ(r.origin.y, y);
    EXPECT_EQ(r.size.width, w);
    EXPECT_EQ(r.size.height, h);
}

TEST(Accessibility, APlainViewIsNoElement) {
    auto v = std::make_shared<UIView>();
    v->initWithFrame(CGRectMake(0, 0, 10, 10));
    EXPECT_FALSE(v->isAccessibilityElement());
    EXPECT_EQ(v->accessibilityLabel(), "");
    EXPECT_EQ(v->accessibilityValue(), "");
    EXPECT_EQ(v->accessibilityTraits(), 0u);
}

TEST(Accessibility, AButtonIsAButtonReadByItsTitle) {
    auto b = UIButton::buttonWithType(UIButtonTypeRoundedRect);
    b->setTitle("Quit", UIControlStateNormal);
    EXPECT_TRUE(b->isAccessibilityElement());
    EXPECT_EQ(b->accessibilityLabel(), "Quit");
    EXPECT_EQ(b->accessibilityTraits(), 1u);  // the button trait
    b->setTitle("Stop", UIControlStateNormal);
    EXPECT_EQ(b->accessibilityLabel(), "Stop") << "follows the title";
}

TEST(Accessibility, AnUntitledCustomButtonIsAnUnlabelledButton) {
    auto b = UIButton::buttonWithType(UIButtonTypeCustom);
    EXPECT_TRUE(b->isAccessibilityElement());
    EXPECT_EQ(b->accessibilityLabel(), "");
    EXPECT_EQ(b->accessibilityTraits(), UIAccessibilityTraitButton);
}

TEST(Accessibility, AnInfoButtonReadsInfo) {
    EXPECT_EQ(UIButton::buttonWithType(UIButtonTypeInfoLight)->accessibilityLabel(), "Info");
    EXPECT_EQ(UIButton::buttonWithType(UIButtonTypeInfoDark)->accessibilityLabel(), "Info");
}

TEST(Accessibility, ALabelIsStaticTextReadByItsText) {
    auto l = std::make_shared<UILabel>();
    l->initWithFrame(CGRectMake(0, 0, 100, 20));
    l->setText("Please visit our web site :");
    EXPECT_TRUE(l->isAccessibilityElement());
    EXPECT_EQ(l->accessibilityLabel(), "Please visit our web site :");
    EXPECT_EQ(l->accessibilityTraits(), 64u);  // static text
}

TEST(Accessibility, WhatIsSetReplacesTheDefault) {
    auto b = UIButton::buttonWithType(UIButtonTypeCustom);
    b->setAccessibilityLabel("Our other application");
    b->setAccessibilityTraits(UIAccessibilityTraitLink);
    b->setAccessibilityValue("3 of 4");
    b->setIsAccessibilityElement(false);
    EXPECT_EQ(b->accessibilityLabel(), "Our other application");
    EXPECT_EQ(b->accessibilityTraits(), 2u);
    EXPECT_EQ(b->accessibilityValue(), "3 of 4");
    EXPECT_FALSE(b->isAccessibilityElement());
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

TEST(Accessibility, ABarItemIsAButtonReadByItsTitle) {
    auto item = std::make_shared<UIBarButtonItem>();
    item->initWithTitle("Info", UIBarButtonItemStyleBordered, nullptr, "showInfo:");
    auto control = UIBarButtonItemMakeView(item);
    EXPECT_TRUE(control->isAccessibilityElement());
    EXPECT_EQ(control->accessibilityLabel(), "Info");
    EXPECT_EQ(control->accessibilityTraits(), UIAccessibilityTraitButton);
    auto done = std::make_shared<UIBarButtonItem>();
    done->initWithBarButtonSystemItem(UIBarButtonSystemItemDone, nullptr, "done:");
    EXPECT_EQ(UIBarButtonItemMakeView(done)->accessibilityLabel(), "Done");
}

}  // namespace
