// A popover: a controller's view in a framed panel with an arrow pointing at
// a bar button item, dismissed by dismissPopoverAnimated or a tap outside it.
#pragma once

#include <memory>

#include "platform/cg/CoreGraphics.h"
#include "platform/ui/Foundation.h"

class UIViewController;
class UIView;

enum UIPopoverArrowDirection : unsigned {
    UIPopoverArrowDirectionUp = 1 << 0,
    UIPopoverArrowDirectionDown = 1 << 1,
    UIPopoverArrowDirectionLeft = 1 << 2,
    UIPopoverArrowDirectionRight = 1 << 3,
    UIPopoverArrowDirectionAny = 15,
};
NS_OPTIONS_OPERATORS(UIPopoverArrowDirection)

// Seconds a popover takes to fade in or out when animated.
constexpr double UIPopoverFadeDuration = 0.2;

class UIPopoverController : public NSObject {
public:
    UIPopoverController* initWithContentViewController(std::shared_ptr<UIViewController> content);
    const std::shared_ptr<UIViewController>& contentViewController() const { return content_; }
    // The content controller's contentSizeForViewInPopover unless set here.
    CGSize popoverContentSize() const;
    void setPopoverContentSize(CGSize size, bool animated);

    // item: the UIBarButtonItem to point at (any other sender: a UIView is
    // pointed at too; anything else centres the popover). The bar holding the
    // item keeps receiving touches while the popover is shown.
    void presentPopoverFromBarButtonItem(const id& item, UIPopoverArrowDirection arrowDirections,
                                         bool animated);
    // rect in view's coordinates.
    void presentPopoverFromRect(CGRect rect, UIView* view, UIPopoverArrowDirection arrowDirections,
                                bool animated);
    bool isPopoverVisible() const { return visible_; }
    void dismissPopoverAnimated(bool animated);

    // Where the panel and the content view are, in window coordinates.
    CGRect contentFrame() const { return contentFrame_; }
    CGRect panelFrame() const;
    UIPopoverArrowDirection arrowDirection() const { return arrow_; }
    CGPoint arrowTip() const { return arrowTip_; }

private:
    friend class Presentation;
    friend class UIPopoverContainerView;
    // Lays the panel and the content out on the container covering the window.
    UIView& mountContainer(CGRect windowBounds);
    void presentAt(CGRect anchorInWindow, std::shared_ptr<UIView> passthrough, UIPopoverArrowDirection dirs,
                   bool animated);
    std::shared_ptr<UIViewController> content_;
    CGSize explicitSize_{0, 0};
    bool visible_ = false;
    CGRect contentFrame_{};
    UIPopoverArrowDirection arrow_ = UIPopoverArrowDirectionUp;
    CGPoint arrowTip_{};
    std::weak_ptr<UIView> passthrough_;
    std::shared_ptr<UIView> container_;  // on the window while shown
    double fadeStart_ = 0;
    bool fadingIn_ = false, fadingOut_ = false;
};
