// View controllers and popovers.
#include "platform/ui/UIViewController.h"

#include <algorithm>
#include <cstdio>

#include "platform/ui/Drawing.h"
#include "platform/ui/UIBarButtonItem.h"
#include "platform/ui/UIControl.h"
#include "platform/ui/UIKitRuntime.h"
#include "platform/ui/UINib.h"
#include "platform/ui/UIPopoverController.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UITouch.h"
#include "platform/ui/UIWindow.h"

UIViewController::UIViewController() = default;
UIViewController::~UIViewController() = default;

UIViewController* UIViewController::initWithNibName(const NSString& nibName, NSBundle*) {
    nibName_ = nibName;
    return this;
}

std::shared_ptr<UIView> UIViewController::view() {
    if (!view_) {
        loadView();
        if (!view_) {  // a loadView that made nothing: the platform gives a plain view
            view_ = std::make_shared<UIView>();
            view_->initWithFrame(UIScreen::mainScreen()->bounds());
        }
        auto self = NSObject::weak_from_this().lock();
        if (self) view_->setViewController(std::static_pointer_cast<UIViewController>(self));
        viewDidLoad();
    }
    return view_;
}

void UIViewController::setView(std::shared_ptr<UIView> view) {
    if (view_ && view_ != view) view_->setViewController({});
    view_ = std::move(view);
    if (!view_) return;
    auto self = NSObject::weak_from_this().lock();
    if (self) view_->setViewController(std::static_pointer_cast<UIViewController>(self));
}

void UIViewController::loadView() {
    if (!nibName_.empty()) {
        view_ = UINib::load(nibName_, this);
        return;
    }
    view_ = std::make_shared<UIView>();
    view_->initWithFrame(UIScreen::mainScreen()->bounds());
}

void UIViewController::presentViewController(std::shared_ptr<UIViewController> vc, bool animated,
                                             std::function<void()> completion) {
    if (!vc) return;
    auto* rt = UIKitRuntime::current();
    if (!rt) {
        std::fprintf(stderr, "starchart: presentViewController without a running application\n");
        return;
    }
    rt->present(shared_from_this(), vc, animated, std::move(completion));
}

void UIViewController::dismissViewControllerAnimated(bool animated, std::function<void()> completion) {
    auto* rt = UIKitRuntime::current();
    if (!rt) return;
    if (presented_) {
        rt->dismiss(shared_from_this(), animated, std::move(completion));
    } else if (auto p = presenting_.lock()) {
        rt->dismiss(p, animated, std::move(completion));
    }
}

UIResponder* UIViewController::nextResponder() const {
    if (view_)
        if (auto s = view_->superview()) return s.get();
    return nullptr;
}
