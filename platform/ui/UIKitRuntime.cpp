#include "platform/ui/UIKitRuntime.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/ui/ViewContext.h"

void UIKitRuntimeSetSharedApplication(UIApplication* app);

namespace {
UIKitRuntime* gCurrent = nullptr;

// A touch that began this close in time and space to where the last tap
// ended counts one more tap; a tap is a touch that never strayed further
// than kTapSlop from where it began.
constexpr double kMultiTapInterval = 0.35;
constexpr CGFloat kTapSlop = 25;

CGFloat distance(CGPoint a, CGPoint b) { return std::hypot(a.x - b.x, a.y - b.y); }

double easeInOut(double p) { return p * p * (3 - 2 * p); }
}  // namespace

UIKitRuntime::UIKitRuntime(Backend& backend) : backend_(backend) {
    previous_ = gCurrent;
    gCurrent = this;
    UIImage::clearCache();  // image choice (1x/2x) depends on the device
}

UIKitRuntime::~UIKitRuntime() {
    transition_.reset();
    fading_.clear();
    touches_.clear();
    queue_.clear();
    keyWindow_.reset();
    if (application_) {
        auto app = std::move(application_);
        app->delegate_ = nullptr;
        auto delegate = std::move(app->delegateObject_);
        delegate.reset();  // the delegate owns the window and everything on it
    }
    windowSurface_.reset();
    UIKitRuntimeSetSharedApplication(previous_ ? UIApplication::sharedApplication() : nullptr);
    gCurrent = previous_;
}

UIKitRuntime* UIKitRuntime::current() { return gCurrent; }

void UIKitRuntime::launch(const char* principalClassName, const NSString& delegateClassName,
                          const NSDictionary* launchOptions) {
    if (launched_) return;
    if (principalClassName && std::strcmp(principalClassName, "UIApplication") != 0) {
        Class cls = NSClassFromString(principalClassName);
        if (!cls)
            throw UIKitFatalError(std::string("no class named '") + principalClassName +
                                  "' for the principal class");
        application_ = std::dynamic_pointer_cast<UIApplication>(cls->create());
        if (!application_)
            throw UIKitFatalError(std::string("the principal class '") + principalClassName +
                                  "' is not a UIApplication");
    } else {
        application_ = std::make_shared<UIApplication>();
    }
    UIKitRuntimeSetSharedApplication(application_.get());
    if (!delegateClassName.empty()) {
        Class cls = NSClassFromString(delegateClassName);
        if (!cls)
            throw UIKitFatalError("no class named '" + delegateClassName + "' for the application delegate");
        auto obj = cls->create();
        auto* delegate = dynamic_cast<UIApplicationDelegate*>(obj.get());
        if (!delegate)
            throw UIKitFatalError("the class '" + delegateClassName +
                                  "' does not adopt UIApplicationDelegate");
        application_->delegateObject_ = obj;
        application_->delegate_ = delegate;
    }
    launched_ = true;
    if (auto* d = application_->delegate_) {
        d->applicationDidFinishLaunchingWithOptions(application_.get(), launchOptions);
        d->applicationDidBecomeActive(application_.get());
    }
    setNeedsComposite();
    runIteration();
}

void UIKitRuntime::terminate() {
    if (!launched_ || terminated_) return;
    terminated_ = true;
    if (auto* d = application_->delegate_) d->applicationWillTerminate(application_.get());
}

void UIKitRuntime::applicationWillResignActive() {
    if (application_ && application_->delegate_)
        application_->delegate_->applicationWillResignActive(application_.get());
}
void UIKitRuntime::applicationDidEnterBackground() {
    if (application_ && application_->delegate_)
        application_->delegate_->applicationDidEnterBackground(application_.get());
}
void UIKitRuntime::applicationWillEnterForeground() {
    if (application_ && application_->delegate_)
        application_->delegate_->applicationWillEnterForeground(application_.get());
}
void UIKitRuntime::applicationDidBecomeActive() {
    if (application_ && application_->delegate_)
        application_->delegate_->applicationDidBecomeActive(application_.get());
}

void UIKitRuntime::setNeedsComposite() {
    if (!needsComposite_) {
        needsComposite_ = true;
        backend_.requestFrame();
    }
}

void UIKitRuntime::setKeyWindow(const std::shared_ptr<UIWindow>& window) {
    keyWindow_ = window;
    if (application_) application_->keyWindow_ = window;
    setNeedsComposite();
}

std::unique_ptr<CGSurface> UIKitRuntime::createSurface(CGSize size) {
    return backend_.createSurface(size, backend_.profile().pixelRatio);
}

bool UIKitRuntime::isAnimating() const { return transition_ != nullptr || !fading_.empty(); }

std::vector<std::shared_ptr<UITouch>> UIKitRuntime::activeTouches() const { return touches_; }

void UIKitRuntime::postTouches(TouchFrame frame) {
    queue_.push_back(std::move(frame));
    backend_.requestFrame();
}

bool UIKitRuntime::needsIteration() const { return !queue_.empty() || needsComposite_ || isAnimating(); }

void UIKitRuntime::runIteration() {
    ++iterations_;
    while (!queue_.empty()) {
        TouchFrame f = std::move(queue_.front());
        queue_.pop_front();
        deliver(f);
        flushCancels();
    }
    stepAnimations(now());
    flushCancels();
    auto window = keyWindow_.lock();
    if (!window) {
        needsComposite_ = false;
        return;
    }
    bool want = needsComposite_ || isAnimating();
    needsComposite_ = false;
    if (displayTree(window.get())) want = true;
    if (!want) return;
    if (!windowSurface_) {
        const DeviceProfile& p = backend_.profile();
        windowSurface_ = backend_.createSurface(CGSizeMake(p.width, p.height), p.pixelRatio);
    }
    drawContent(windowSurface_->context(), now());
    windowSurface_->flush();
    backend_.present(*windowSurface_);
    ++presents_;
}

void UIKitRuntime::compositeInto(CGSurface& target) {
    displayTree(keyWindow_.lock().get());
    drawContent(target.context(), now());
    target.flush();
}

void UIKitRuntime::compositeInto(CGContextRef ctx, const ContentOverride& content) {
    displayTree(keyWindow_.lock().get());
    contentOverride_ = &content;
    drawContent(ctx, now());
    contentOverride_ = nullptr;
}

// ---------------------------------------------------------------------------
// Touches

void UIKitRuntime::deliver(const TouchFrame& frame) {
    auto window = keyWindow_.lock();
    if (!window) return;
    auto event = std::make_shared<UIEvent>();
    event->timestamp_ = frame.timestamp;
    std::vector<std::shared_ptr<UITouch>> changed;
    auto find = [this](long long finger) -> std::shared_ptr<UITouch> {
        for (auto& t : touches_)
            if (t->identifier_ == finger) return t;
        return nullptr;
    };
    for (const TouchPoint& pt : frame.points) {
        auto t = find(pt.finger);
        if (std::find(changed.begin(), changed.end(), t) != changed.end() && t)
            continue;  // one change a finger
        UITouchPhase phase = static_cast<UITouchPhase>(pt.phase);
        if (phase == UITouchPhaseBegan && t) phase = UITouchPhaseMoved;  // a finger already down
        if (phase == UITouchPhaseBegan) {
            t = std::make_shared<UITouch>();
            t->identifier_ = pt.finger;
            t->location_ = t->previous_ = t->start_ = pt.location;
            t->timestamp_ = frame.timestamp;
            t->window_ = window.get();
            t->phase_ = UITouchPhaseBegan;
            if (pt.tapCount > 0)
                t->tapCount_ = pt.tapCount;
            else if (lastTap_.valid && frame.timestamp - lastTap_.time <= kMultiTapInterval &&
                     distance(pt.location, lastTap_.location) <= kTapSlop)
                t->tapCount_ = lastTap_.tapCount + 1;
            else
                t->tapCount_ = 1;
            if (isAnimating()) {
                t->ignored_ = true;
            } else {
                auto hit = window->hitTest(pt.location, event.get());
                // A view that takes one touch at a time does not get a second.
                if (hit && !hit->isMultipleTouchEnabled()) {
                    for (auto& other : touches_)
                        if (!other->ignored_ && other->view_.lock() == hit) hit = nullptr;
                }
                t->view_ = hit;
            }
            touches_.push_back(t);
            changed.push_back(t);
            continue;
        }
        if (!t) continue;  // a finger we never saw begin
        t->timestamp_ = frame.timestamp;
        if (phase == UITouchPhaseStationary) {
            t->phase_ = UITouchPhaseStationary;
            continue;
        }
        if (phase == UITouchPhaseMoved && t->location_ == pt.location) {
            t->phase_ = UITouchPhaseStationary;
            continue;
        }
        if (phase != UITouchPhaseCancelled) {
            t->previous_ = t->location_;
            t->location_ = pt.location;
            t->maxTravel_ = std::max(t->maxTravel_, distance(t->start_, pt.location));
        }
        t->phase_ = phase == UITouchPhaseEnded || phase == UITouchPhaseCancelled ? phase : UITouchPhaseMoved;
        changed.push_back(t);
    }
    for (auto& t : touches_)
        if (std::find(changed.begin(), changed.end(), t) == changed.end()) t->phase_ = UITouchPhaseStationary;
    event->allTouches_ = NSSet(touches_);

    for (UITouchPhase phase :
         {UITouchPhaseBegan, UITouchPhaseMoved, UITouchPhaseEnded, UITouchPhaseCancelled}) {
        // Group by view, in the order the views first appear.
        std::vector<std::pair<std::shared_ptr<UIView>, std::vector<std::shared_ptr<UITouch>>>> groups;
        for (auto& t : changed) {
            if (t->phase_ != phase || t->ignored_) continue;
            auto v = t->view_.lock();
            if (!v) continue;
            auto g = std::find_if(groups.begin(), groups.end(), [&](const auto& e) { return e.first == v; });
            if (g == groups.end()) {
                groups.push_back({v, {t}});
            } else {
                g->second.push_back(t);
            }
        }
        for (auto& g : groups) {
            NSSet set(g.second);
            switch (phase) {
                case UITouchPhaseBegan:
                    g.first->touchesBegan(set, event.get());
                    break;
                case UITouchPhaseMoved:
                    g.first->touchesMoved(set, event.get());
                    break;
                case UITouchPhaseEnded:
                    g.first->touchesEnded(set, event.get());
                    break;
                default:
                    g.first->touchesCancelled(set, event.get());
                    break;
            }
        }
    }

    for (auto& t : changed) {
        if (t->phase_ == UITouchPhaseEnded) {
            if (t->maxTravel_ <= kTapSlop) {
                lastTap_ = {true, t->timestamp_, t->location_, t->tapCount_};
            } else {
                lastTap_.valid = false;
            }
        } else if (t->phase_ == UITouchPhaseCancelled) {
            lastTap_.valid = false;
        }
    }
    touches_.erase(std::remove_if(touches_.begin(), touches_.end(),
                                  [](const std::shared_ptr<UITouch>& t) {
                                      return t->phase_ == UITouchPhaseEnded ||
                                             t->phase_ == UITouchPhaseCancelled;
                                  }),
                   touches_.end());
}

void UIKitRuntime::flushCancels() {
    if (!cancelPending_) return;
    cancelPending_ = false;
    if (touches_.empty()) return;
    auto event = std::make_shared<UIEvent>();
    event->timestamp_ = now();
    auto cancelled = std::move(touches_);
    touches_.clear();
    event->allTouches_ = NSSet(cancelled);
    std::vector<std::pair<std::shared_ptr<UIView>, std::vector<std::shared_ptr<UITouch>>>> groups;
    for (auto& t : cancelled) {
        t->phase_ = UITouchPhaseCancelled;
        auto v = t->view_.lock();
        if (t->ignored_ || !v) continue;
        auto g = std::find_if(groups.begin(), groups.end(), [&](const auto& e) { return e.first == v; });
        if (g == groups.end()) {
            groups.push_back({v, {t}});
        } else {
            g->second.push_back(t);
        }
    }
    for (auto& g : groups) g.first->touchesCancelled(NSSet(g.second), event.get());
    lastTap_.valid = false;
}

// ---------------------------------------------------------------------------
// Presentation

void UIKitRuntime::present(const std::shared_ptr<UIViewController>& presenter,
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
    auto window = keyWindow_.lock();
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

void UIKitRuntime::dismiss(const std::shared_ptr<UIViewController>& presenter, bool animated,
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
    auto window = keyWindow_.lock();
    if (window && presenter->view_ && !presenter->view_->superview() && vc->view_) {
        auto& subs = window->subviews_;
        auto at = std::find(subs.begin(), subs.end(), vc->view_);
        window->insertSubviewAtIndex(presenter->view_, at == subs.end() ? 0 : NSInteger(at - subs.begin()));
    }
    presenter->viewWillAppear(animated);
    vc->viewWillDisappear(animated);
    beginTransition(presenter, vc, false, animated, std::move(completion));
}

void UIKitRuntime::beginTransition(const std::shared_ptr<UIViewController>& presenter,
                                   const std::shared_ptr<UIViewController>& presented, bool presenting,
                                   bool animated, std::function<void()> completion) {
    transition_ = std::make_unique<Transition>();
    transition_->presenter = presenter;
    transition_->presented = presented;
    transition_->presenting = presenting;
    transition_->style = presented->transitionStyle_;
    transition_->start = now();
    transition_->completion = std::move(completion);
    // Touches on the screen that goes away end now; new ones wait for the end.
    if (animated)
        cancelAllTouches();
    else
        finishTransition();
    setNeedsComposite();
}

void UIKitRuntime::finishTransition() {
    if (!transition_) return;
    std::unique_ptr<Transition> tr = std::move(transition_);
    auto window = keyWindow_.lock();
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
    setNeedsComposite();
    if (tr->completion) tr->completion();
}

void UIKitRuntime::stepAnimations(double t) {
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
    if (isAnimating()) setNeedsComposite();
}

// ---------------------------------------------------------------------------
// Drawing

bool UIKitRuntime::displayTree(UIView* view) {
    if (!view || view->hidden_) return false;
    bool drew = view->needsDisplay_ && view->frame_.size.width >= 1 && view->frame_.size.height >= 1;
    view->displayIfNeeded();
    auto subs = view->subviews_;
    for (auto& s : subs) drew = displayTree(s.get()) || drew;
    return drew;
}

void UIKitRuntime::drawView(UIView* view, CGContextRef ctx, CGFloat alpha) {
    if (!view || view->hidden_) return;
    const CGFloat a = alpha * view->alpha_;
    if (a <= 0) return;
    ctx->saveGState();
    ctx->translateCTM(view->frame_.origin.x, view->frame_.origin.y);
    const CGRect b = view->bounds();
    if (view->clipsToBounds_) ctx->clipToRect(b);
    if (const auto& bg = view->backgroundColor_; bg && bg->alpha() > 0) {
        ctx->setAlpha(a);
        bg->setFill(ctx);
        ctx->fillRect(b);
    }
    ctx->setAlpha(a);
    if (contentOverride_ && (*contentOverride_)(*view, ctx)) {
        // drawn by the caller
    } else if (CGSurface* s = view->context_->surface(); s && view->context_->hasContent()) {
        ctx->drawSurface(0, 0, *s);
    }
    for (auto& sub : view->subviews_) drawView(sub.get(), ctx, a);
    ctx->restoreGState();
}

void UIKitRuntime::drawContent(CGContextRef ctx, double t) {
    const DeviceProfile& p = backend_.profile();
    const CGRect screen = CGRectMake(0, 0, p.width, p.height);
    ctx->saveGState();
    ctx->setAlpha(1);
    ctx->setRGBFillColor(0, 0, 0, 1);
    ctx->fillRect(screen);
    auto window = keyWindow_.lock();
    if (window && !window->hidden_) {
        if (!transition_) {
            drawView(window.get(), ctx, 1);
        } else {
            UIView* from =
                (transition_->presenting ? transition_->presenter : transition_->presented)->view_.get();
            UIView* to =
                (transition_->presenting ? transition_->presented : transition_->presenter)->view_.get();
            const double progress =
                std::max(0.0, std::min(1.0, (t - transition_->start) / UIModalTransitionDuration));
            ctx->saveGState();
            ctx->translateCTM(window->frame_.origin.x, window->frame_.origin.y);
            // The window's other content first (what lies under both).
            for (auto& sub : window->subviews_)
                if (sub.get() != from && sub.get() != to) drawView(sub.get(), ctx, window->alpha_);
            const CGFloat w = p.width, h = p.height;
            switch (transition_->style) {
                case UIModalTransitionStyleFlipHorizontal: {
                    // The card turns about its vertical axis: the old side narrows to
                    // an edge, then the new side widens from it.
                    const double c = std::fabs(std::cos(3.14159265358979323846 * progress));
                    const CGFloat band = CGFloat(w * c);
                    ctx->clipToRect(CGRectMake((w - band) / 2, 0, band, h));
                    drawView(progress < 0.5 ? from : to, ctx, 1);
                    ctx->setAlpha(CGFloat(0.35 * (1 - c)));
                    ctx->setRGBFillColor(0, 0, 0, 1);
                    ctx->fillRect(screen);
                    break;
                }
                case UIModalTransitionStyleCrossDissolve:
                    drawView(from, ctx, CGFloat(1 - progress));
                    drawView(to, ctx, CGFloat(progress));
                    break;
                default: {
                    const CGFloat e = CGFloat(easeInOut(progress));
                    if (transition_->presenting) {
                        drawView(from, ctx, 1);
                        ctx->translateCTM(0, h * (1 - e));
                        drawView(to, ctx, 1);
                    } else {
                        drawView(to, ctx, 1);
                        ctx->translateCTM(0, h * e);
                        drawView(from, ctx, 1);
                    }
                    break;
                }
            }
            ctx->restoreGState();
        }
    }
    ctx->restoreGState();
}

// ---------------------------------------------------------------------------

CGPoint UITouch::locationInView(const UIView* view) const {
    return view ? view->convertPointFromView(location_, nullptr) : location_;
}

CGPoint UITouch::previousLocationInView(const UIView* view) const {
    return view ? view->convertPointFromView(previous_, nullptr) : previous_;
}

NSSet UIEvent::touchesForView(const UIView* view) const {
    std::vector<std::shared_ptr<UITouch>> out;
    for (const auto& t : allTouches_)
        if (t->view().get() == view) out.push_back(t);
    return NSSet(out);
}
