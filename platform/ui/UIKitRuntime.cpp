#include "platform/ui/UIKitRuntime.h"

#include <cctype>
#include <cstring>

void UIKitRuntimeSetSharedApplication(UIApplication* app);

namespace {
UIKitRuntime* gCurrent = nullptr;
}  // namespace

UIKitRuntime::UIKitRuntime(Backend& backend) : backend_(backend) {
    previous_ = gCurrent;
    gCurrent = this;
    UIImage::clearCache();  // image choice (1x/2x) depends on the device
}

UIKitRuntime::~UIKitRuntime() {
    presentation_.clear();
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

namespace {
NSString trimmed(const NSString& s) {
    const auto b = s.find_first_not_of(" \t\n");
    if (b == NSString::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t\n") - b + 1);
}

// Elements under view, front to back as views are added; an element's own
// subviews are part of it.
void collectAccessibility(UIView* view, std::vector<AccessibilityNode>& nodes,
                          std::vector<std::weak_ptr<UIView>>& views) {
    if (!view || view->isHidden() || view->alpha() < 0.01f) return;
    if (view->isAccessibilityElement()) {
        AccessibilityNode n;
        const UIAccessibilityTraits traits = view->accessibilityTraits();
        n.label = trimmed(view->accessibilityLabel());
        n.value = trimmed(view->accessibilityValue());
        n.frame = view->accessibilityFrame();
        if ((traits & UIAccessibilityTraitLink) && !view->accessibilityLinkAddress().empty()) {
            n.role = AccessibilityNode::Role::Link;
            n.link = view->accessibilityLinkAddress();
        } else if (traits & (UIAccessibilityTraitButton | UIAccessibilityTraitLink)) {
            n.role = AccessibilityNode::Role::Button;
        } else if (traits & UIAccessibilityTraitUpdatesFrequently) {
            n.role = AccessibilityNode::Role::Live;
        }
        nodes.push_back(std::move(n));
        views.push_back(view->weak_from_this());
        return;
    }
    for (auto& sub : view->subviews()) collectAccessibility(sub.get(), nodes, views);
}
}  // namespace

void UIKitRuntime::updateAccessibility(UIWindow* window) {
    std::vector<AccessibilityNode> nodes;
    std::vector<std::weak_ptr<UIView>> views;
    collectAccessibility(window, nodes, views);
    a11yViews_ = std::move(views);
    if (nodes == a11yNodes_) return;
    a11yNodes_ = std::move(nodes);
    backend_.accessibilityChanged(a11yNodes_);
}

bool UIKitRuntime::accessibilityActivate(size_t index) {
    if (index >= a11yViews_.size()) return false;
    auto view = a11yViews_[index].lock();
    if (!view || !view->window()) return false;
    // A tap at the element's middle, counted as a single tap whatever came
    // before, down the same path as a finger's.
    const CGRect f = view->accessibilityFrame();
    const CGPoint p = CGPointMake(f.origin.x + f.size.width / 2, f.origin.y + f.size.height / 2);
    constexpr long long kActivationFinger = -2;  // apart from touch ids and the mouse's -1
    TouchFrame down;
    down.timestamp = now();
    down.points.push_back({kActivationFinger, p, TouchPhase::Began, 1});
    TouchFrame up = down;
    up.points[0].phase = TouchPhase::Ended;
    up.points[0].tapCount = 0;
    postTouches(std::move(down));
    postTouches(std::move(up));
    return true;
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

bool UIKitRuntime::isAnimating() const { return presentation_.isAnimating(); }

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
        if (auto window = keyWindow_.lock()) touches_.deliver(f, *window, isAnimating());
        flushCancels();
    }
    presentation_.step(now());
    flushCancels();
    auto window = keyWindow_.lock();
    if (!window) {
        needsComposite_ = false;
        return;
    }
    bool want = needsComposite_ || isAnimating();
    needsComposite_ = false;
    if (Compositor::displayTree(window.get())) want = true;
    if (want) {
        if (!windowSurface_) {
            const DeviceProfile& p = backend_.profile();
            windowSurface_ = backend_.createWindowSurface(CGSizeMake(p.width, p.height), p.pixelRatio);
        }
        drawContent(windowSurface_->context(), nullptr);
        windowSurface_->flush();
        backend_.present(*windowSurface_);
        ++presents_;
    }
    // After the composite: a view drawn in place has only just drawn.
    if (touches_.active().empty()) updateAccessibility(window.get());
}

namespace {

std::string trimmedLower(const std::string& s) {
    const auto a = s.find_first_not_of(' ');
    if (a == std::string::npos) return "";
    std::string t = s.substr(a, s.find_last_not_of(' ') - a + 1);
    for (char& c : t) c = char(std::tolower(static_cast<unsigned char>(c)));
    return t;
}

bool onScreen(const UIView& view) {
    if (!view.window()) return false;
    for (const UIView* v = &view; v; v = v->superview().get())
        if (v->isHidden() || v->alpha() <= 0) return false;
    return true;
}

// A button's title, a bar item's title or "Info" for an info button, or the
// identifier, in any case and without edge spaces.
bool named(const UIControl& control, const std::string& wanted) {
    return trimmedLower(control.accessibilityLabel()) == wanted ||
           trimmedLower(control.accessibilityIdentifier()) == wanted;
}

// Topmost first, as a finger meets them: the subviews drawn last first, each
// before its superview. True, with the centre, for the first control of that
// name that a touch at its centre would reach.
bool findControl(UIView& window, const std::shared_ptr<UIView>& view, const std::string& wanted,
                 CGPoint& centre) {
    const auto& subviews = view->subviews();
    for (auto it = subviews.rbegin(); it != subviews.rend(); ++it)
        if (findControl(window, *it, wanted, centre)) return true;
    const auto* control = dynamic_cast<const UIControl*>(view.get());
    if (!control || !onScreen(*control) || !control->isUserInteractionEnabled() || !control->isEnabled() ||
        !named(*control, wanted))
        return false;
    const CGRect f = control->convertRectToView(control->bounds(), nullptr);
    const CGPoint c = CGPointMake(f.origin.x + f.size.width / 2, f.origin.y + f.size.height / 2);
    const auto hit = window.hitTest(c, nullptr);
    if (hit != view && !(hit && hit->isDescendantOfView(view.get()))) return false;
    centre = c;
    return true;
}

}  // namespace

bool UIKitRuntime::locateControl(const std::string& name, CGPoint& centre) const {
    const auto window = keyWindow_.lock();
    const std::string wanted = trimmedLower(name);
    return window && !wanted.empty() && findControl(*window, window, wanted, centre);
}

void UIKitRuntime::compositeInto(CGSurface& target) {
    Compositor::displayTree(keyWindow_.lock().get());
    drawContent(target.context(), nullptr);
    target.flush();
}

void UIKitRuntime::compositeInto(CGContextRef ctx, const ContentOverride& content) {
    Compositor::displayTree(keyWindow_.lock().get());
    drawContent(ctx, &content);
}

void UIKitRuntime::drawContent(CGContextRef ctx, const ContentOverride* content) {
    const DeviceProfile& p = backend_.profile();
    Compositor::drawScreen(ctx, CGSizeMake(p.width, p.height), keyWindow_.lock().get(),
                           presentation_.transition(), now(), content);
}
