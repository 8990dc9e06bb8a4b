// The window: the root controller's view and what is presented over it.
#include <cstdio>

#include "platform/ui/UIKitRuntime.h"

void UIWindow::setRootViewController(std::shared_ptr<UIViewController> vc) {
    if (root_ == vc) return;
    if (root_ && root_->isViewLoaded() && root_->view()->superview().get() == this)
        root_->view()->removeFromSuperview();
    root_ = std::move(vc);
    if (root_ && isKeyWindow()) {
        auto v = root_->view();
        v->setFrame(bounds());
        insertSubviewAtIndex(v, 0);
    }
}

void UIWindow::makeKeyWindow() {
    if (auto* rt = UIKitRuntime::current()) rt->setKeyWindow(shared_from_this());
}

void UIWindow::makeKeyAndVisible() {
    setHidden(false);
    makeKeyWindow();
    if (root_) {
        auto v = root_->view();  // loads the view (and the nib) now
        if (v->superview().get() != this) {
            v->setFrame(bounds());
            insertSubviewAtIndex(v, 0);
            root_->viewWillAppear(false);
            root_->viewDidAppear(false);
        }
    }
}

bool UIWindow::isKeyWindow() const {
    auto* app = UIApplication::sharedApplication();
    return app && app->keyWindow().get() == this;
}

std::shared_ptr<UIViewController> UIWindow::topViewController() const {
    auto vc = root_;
    while (vc && vc->presentedViewController()) vc = vc->presentedViewController();
    return vc;
}

bool UIWindow::isAnimating() const {
    auto* rt = UIKitRuntime::current();
    return rt && rt->isAnimating();
}

std::shared_ptr<UIView> UIWindow::hitTest(CGPoint p, UIEvent* event) { return UIView::hitTest(p, event); }

UIResponder* UIWindow::nextResponder() const { return UIApplication::sharedApplication(); }
