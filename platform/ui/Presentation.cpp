#include "platform/ui/Presentation.h"

#include <algorithm>
#include <cstdio>

#include "platform/ui/UIKitRuntime.h"

void Presentation::present(const std::shared_ptr<UIViewController>& presenter,
                           const std::shared_ptr<UIViewController>& vc, bool animated,
                           std::function<void()> completion) {
    if (transition_) finishTransition();
    if (presenter->presented_) {
        std::fprintf(stderr, "starchart: %s already presents %s; presentation of %s ignored\n",
                     presenter->className().c_str(), presenter->presented_->className().c_str(),
                     vc->className().c_str());
        return;
    }
    if (vc->presenting_.lock() || vc == presenter) {
        std::fprintf(stderr, "starchart: %s is already presented\n", vc->className().c_str());
        return;
    }
    auto window = runtime_.keyWindow();
    if (!window) {
        std::fprintf(stderr, "starchart: presentViewController with no key window\n");
        return;
    }
    auto view = vc->view();  // may throw NibLoadError; nothing has changed yet
    view->setFrame(window->bounds());
    presenter->presented_ = vc;
    vc->presenting_ = presenter;
    presenter->viewWillDisappear(animated);
    vc->viewWillAppear(animated);
    window->addSubview(view);
    beginTransition(presenter, vc, true, animated, std::move(completion));
}

void Presentation::dismiss(const std::shared_ptr<UIViewController>& presenter, bool animated,
                           std::function<void()> completion) {
    if (transition_) finishTransition();
    auto vc = presenter->presented_;
    if (!vc) return;
    // Whatever the dismissed controller presents goes with it, at once.
    for (auto c = vc; c->presented_;) {
        auto next = c->presented_;
        if (next->view_) next->view_->removeFromSuperview();
        next->viewWillDisappear(false);
        next->viewDidDisappear(false);
        next->presenting_.reset();
        c->presented_.reset();
        c = next;
    }
    auto window = runtime_.keyWindow();
    if (window && presenter->view_ && !presenter->view_->superview() && vc->view_) {
        const auto& subs = window->subviews();
        auto at = std::find(subs.begin(), subs.end(), vc->view_);
        window->insertSubviewAtIndex(presenter->view_, at == subs.end() ? 0 : NSInteger(at - subs.begin()));
    }
    presenter->viewWillAppear(animated);
    vc->viewWillDisappear(animated);
    beginTransition(presenter, vc, false, animated, std::move(completion));
}

void Presentation::beginTransition(const std::shared_ptr<UIViewController>& presenter,
                                   const std::shared_ptr<UIViewController>& presented, bool presenting,
                                   bool animated, std::function<void()> completion) {
    transition_ = std::make_unique<Transition>();
    transition_->presenter = presenter;
    transition_->presented = presented;
    transition_->presenting = presenting;
    transition_->style = presented->transitionStyle_;
    transition_->start = runtime_.now();
    transition_->completion = std::move(completion);
    // Touches on the screen that goes away end now; new ones wait for the end.
    if (animated)
        runtime_.cancelAllTouches();
    else
        finishTransition();
    runtime_.setNeedsComposite();
}

void Presentation::finishTransition() {
    if (!transition_) return;
    std::unique_ptr<Transition> tr = std::move(transition_);
    auto window = runtime_.keyWindow();
    if (tr->presenting) {
        // The presented view covers the screen: the presenter's goes off it.
        auto pv = tr->presenter->view_;
        if (pv && window && pv->superview() == window) pv->removeFromSuperview();
        tr->presenter->viewDidDisappear(true);
        tr->presented->viewDidAppear(true);
    } else {
        if (tr->presented->view_) tr->presented->view_->removeFromSuperview();
        tr->presenter->presented_.reset();
        tr->presented->presenting_.reset();
        tr->presented->viewDidDisappear(true);
        tr->presenter->viewDidAppear(true);
    }
    runtime_.setNeedsComposite();
    if (tr->completion) tr->completion();
}

void Presentation::step(double t) {
    if (transition_ && t - transition_->start >= UIModalTransitionDuration) finishTransition();
    auto fading = fading_;
    for (auto& pop : fading) {
        double p = (t - pop->fadeStart_) / UIPopoverFadeDuration;
        auto container = pop->container_;
        if (p >= 1) {
            fading_.erase(std::remove(fading_.begin(), fading_.end(), pop), fading_.end());
            if (pop->fadingIn_) {
                pop->fadingIn_ = false;
                if (container) container->setAlpha(1);
                pop->content_->viewDidAppear(true);
            } else if (pop->fadingOut_) {
                pop->fadingOut_ = false;
                if (container) {
                    container->removeFromSuperview();
                    container->setAlpha(1);
                }
                pop->content_->viewDidDisappear(true);
            }
        } else if (container) {
            container->setAlpha(CGFloat(pop->fadingIn_ ? p : 1 - p));
        }
    }
    if (isAnimating()) runtime_.setNeedsComposite();
}

void Presentation::showPopover(const std::shared_ptr<UIPopoverController>& pop, bool animated) {
    auto window = runtime_.keyWindow();
    if (!window) return;
    UIView& container = pop->mountContainer(window->bounds());  // may throw NibLoadError
    window->addSubview(pop->container_);
    const bool wasVisible = pop->visible_;
    if (!wasVisible) pop->content_->viewWillAppear(animated);
    pop->visible_ = true;
    pop->fadingOut_ = false;
    auto& list = window->popovers_;
    if (std::find(list.begin(), list.end(), pop) == list.end()) list.push_back(pop);
    fading_.erase(std::remove(fading_.begin(), fading_.end(), pop), fading_.end());
    if (animated && !wasVisible) {
        container.setAlpha(0);
        pop->fadingIn_ = true;
        pop->fadeStart_ = runtime_.now();
        fading_.push_back(pop);
        runtime_.cancelAllTouches();
    } else {
        container.setAlpha(1);
        pop->fadingIn_ = false;
        if (!wasVisible) pop->content_->viewDidAppear(animated);
    }
    runtime_.setNeedsComposite();
}

void Presentation::hidePopover(const std::shared_ptr<UIPopoverController>& pop, bool animated) {
    pop->visible_ = false;
    pop->fadingIn_ = false;
    if (auto window = runtime_.keyWindow()) {
        auto& list = window->popovers_;
        list.erase(std::remove(list.begin(), list.end(), pop), list.end());
    }
    if (pop->content_) pop->content_->viewWillDisappear(animated);
    fading_.erase(std::remove(fading_.begin(), fading_.end(), pop), fading_.end());
    if (animated && pop->container_ && pop->container_->superview()) {
        pop->fadingOut_ = true;
        pop->fadeStart_ = runtime_.now();
        fading_.push_back(pop);
        runtime_.cancelAllTouches();
    } else {
        pop->fadingOut_ = false;
        if (pop->container_) pop->container_->removeFromSuperview();
        if (pop->content_) pop->content_->viewDidDisappear(animated);
    }
    runtime_.setNeedsComposite();
}
