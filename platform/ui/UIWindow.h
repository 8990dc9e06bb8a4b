// The window: the root of the view tree, the root controller's view, and
// everything shown over it (presented controllers, popovers).
#pragma once

#include <memory>
#include <vector>

#include "platform/ui/UIView.h"

class UIViewController;
class UIPopoverController;

class UIWindow : public UIView {
public:
    std::shared_ptr<UIWindow> shared_from_this() {
        return std::static_pointer_cast<UIWindow>(NSObject::shared_from_this());
    }

    // Makes vc the root: loads its view, sizes it to the window's bounds, and
    // shows it as the window's content (replacing any previous root's view).
    void setRootViewController(std::shared_ptr<UIViewController> vc);
    const std::shared_ptr<UIViewController>& rootViewController() const { return root_; }
    // The key window receives the touches and is the one drawn.
    void makeKeyAndVisible();
    void makeKeyWindow();
    bool isKeyWindow() const;

    // The controller shown on top: the last of the root's presentation chain.
    std::shared_ptr<UIViewController> topViewController() const;
    // Popovers on screen, in the order they appeared.
    const std::vector<std::shared_ptr<UIPopoverController>>& visiblePopovers() const { return popovers_; }
    // True while a modal transition or popover fade runs (input is held off).
    bool isAnimating() const;

    // Hit test of what is on top: a popover, else the top controller's view.
    std::shared_ptr<UIView> hitTest(CGPoint p, UIEvent* event = nullptr) override;
    UIResponder* nextResponder() const override;  // the application

private:
    friend class Presentation;
    friend class UIPopoverController;
    std::shared_ptr<UIViewController> root_;
    std::vector<std::shared_ptr<UIPopoverController>> popovers_;
};
