#include "platform/backend/offscreen/OffscreenApp.h"

#include <cstdio>
#include <functional>

#include "platform/cg/cairo/CairoContext.h"

OffscreenApp::OffscreenApp(DeviceProfile profile, NSString delegateClassName,
                           OffscreenBackend::SurfaceFactory factory)
    : backend_(std::move(profile), std::move(factory)), delegateClassName_(std::move(delegateClassName)) {}

OffscreenApp::~OffscreenApp() {
    if (runtime_) runtime_->terminate();
    runtime_.reset();
}

void OffscreenApp::launch(const NSDictionary* launchOptions) {
    if (runtime_) return;
    runtime_ = std::make_unique<UIKitRuntime>(backend_);
    runtime_->launch(nullptr, delegateClassName_, launchOptions);
    runUntilIdle();
}

void OffscreenApp::inject(const std::vector<TouchPoint>& points) {
    if (!runtime_) return;
    runtime_->postTouches(TouchFrame{backend_.now(), points});
    runtime_->runIteration();
}

void OffscreenApp::touchDown(long long finger, CGPoint p) { inject({{finger, p, TouchPhase::Began}}); }
void OffscreenApp::touchMove(long long finger, CGPoint p) { inject({{finger, p, TouchPhase::Moved}}); }
void OffscreenApp::touchUp(long long finger, CGPoint p) { inject({{finger, p, TouchPhase::Ended}}); }
void OffscreenApp::touchCancel(long long finger) {
    CGPoint p{};
    for (auto& t : runtime_->activeTouches())
        if (t->identifier() == finger) p = t->locationInView(nullptr);
    inject({{finger, p, TouchPhase::Cancelled}});
}

void OffscreenApp::tap(CGPoint p, int count) {
    for (int i = 0; i < count; ++i) {
        if (i > 0) advance(0.1);
        touchDown(900, p);
        advance(0.05);
        touchUp(900, p);
    }
    advance(0.5);
}

void OffscreenApp::drag(CGPoint a, CGPoint b, int steps) {
    if (steps < 1) steps = 1;
    touchDown(901, a);
    for (int i = 1; i <= steps; ++i) {
        advance(0.016);
        float f = float(i) / float(steps);
        touchMove(901, {a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f});
    }
    advance(0.016);
    touchUp(901, b);
}

void OffscreenApp::advance(double seconds) {
    if (!runtime_) {
        backend_.advanceClock(seconds);
        return;
    }
    const double step = 1.0 / 60;
    while (seconds > 1e-9) {
        double dt = seconds < step ? seconds : step;
        backend_.advanceClock(dt);
        seconds -= dt;
        if (runtime_->needsIteration()) runtime_->runIteration();
    }
}

void OffscreenApp::runUntilIdle(double maxSeconds) {
    if (!runtime_) return;
    if (runtime_->needsIteration()) runtime_->runIteration();
    double spent = 0;
    while (runtime_->needsIteration() && spent < maxSeconds) {
        backend_.advanceClock(1.0 / 60);
        spent += 1.0 / 60;
        runtime_->runIteration();
    }
}

std::unique_ptr<CGSurface> OffscreenApp::render() {
    const DeviceProfile& p = backend_.profile();
    auto surface = backend_.createSurface(CGSizeMake(p.width, p.height), p.pixelRatio);
    if (runtime_) runtime_->compositeInto(*surface);
    return surface;
}

bool OffscreenApp::writePNG(const std::string& path) {
    const DeviceProfile& p = backend_.profile();
    CairoSurface surface(CGSizeMake(p.width, p.height), p.pixelRatio);
    if (runtime_) runtime_->compositeInto(surface);
    std::string error;
    if (!surface.writePng(path, &error)) {
        std::fprintf(stderr, "starchart: %s\n", error.c_str());
        return false;
    }
    return true;
}

bool OffscreenApp::writePNG(int dirFd, const std::string& name, std::string* error) {
    const DeviceProfile& p = backend_.profile();
    CairoSurface surface(CGSizeMake(p.width, p.height), p.pixelRatio);
    if (runtime_) runtime_->compositeInto(surface);
    return surface.writePng(dirFd, name, error);
}

std::shared_ptr<UIWindow> OffscreenApp::window() const {
    auto* app = UIApplication::sharedApplication();
    return app ? app->keyWindow() : nullptr;
}

std::shared_ptr<UIViewController> OffscreenApp::rootViewController() const {
    auto w = window();
    return w ? w->rootViewController() : nullptr;
}

std::shared_ptr<UIViewController> OffscreenApp::presentedViewController() const {
    auto root = rootViewController();
    if (!root || !root->presentedViewController()) return nullptr;
    auto w = window();
    return w->topViewController();
}

std::vector<std::shared_ptr<UIPopoverController>> OffscreenApp::visiblePopovers() const {
    auto w = window();
    return w ? w->visiblePopovers() : std::vector<std::shared_ptr<UIPopoverController>>{};
}

std::vector<std::shared_ptr<UIView>> OffscreenApp::allViews() const {
    std::vector<std::shared_ptr<UIView>> out;
    std::function<void(const std::shared_ptr<UIView>&)> walk = [&](const std::shared_ptr<UIView>& v) {
        out.push_back(v);
        for (auto& s : v->subviews()) walk(s);
    };
    if (auto w = window()) walk(w);
    return out;
}

std::vector<std::shared_ptr<UIView>> OffscreenApp::findViewsByTitle(const std::string& title) const {
    std::vector<std::shared_ptr<UIView>> out;
    for (auto& v : allViews()) {
        if (!isVisible(*v)) continue;
        bool match = v->accessibilityIdentifier() == title && !title.empty();
        if (auto b = std::dynamic_pointer_cast<UIButton>(v)) match = match || b->currentTitle() == title;
        if (auto l = std::dynamic_pointer_cast<UILabel>(v)) match = match || l->text() == title;
        if (match) out.push_back(v);
    }
    return out;
}

CGRect OffscreenApp::frameInWindow(const UIView& view) {
    return view.convertRectToView(view.bounds(), nullptr);
}

bool OffscreenApp::isVisible(const UIView& view) {
    if (!view.window()) return false;
    for (const UIView* v = &view; v; v = v->superview().get())
        if (v->isHidden() || v->alpha() <= 0) return false;
    return true;
}
