// Small delegate, controller and view classes the toolkit tests run.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/backend/offscreen/OffscreenApp.h"
#include "platform/cg/cairo/CairoContext.h"
#include "platform/ui/UIKit.h"
#include "tests/cg/CairoTestUtil.h"

// What the test delegate puts in the window: set before launching.
struct TestLaunch {
    static std::function<std::shared_ptr<UIViewController>()> makeRoot;
};

class TestAppDelegate : public UIResponder, public UIApplicationDelegate {
public:
    bool applicationDidFinishLaunchingWithOptions(UIApplication*, const NSDictionary*) override;
    std::shared_ptr<UIWindow> window() const override { return window_; }
    void setWindow(std::shared_ptr<UIWindow> w) override { window_ = std::move(w); }

private:
    std::shared_ptr<UIWindow> window_;
};

// A log of what reached a responder.
struct TouchLog {
    struct Entry {
        std::string what;  // "began", "moved", "ended", "cancelled"
        size_t touches = 0, allTouches = 0;
        NSUInteger tapCount = 0;
        CGPoint location{};
    };
    std::vector<Entry> entries;
    void add(const char* what, const NSSet& touches, UIEvent* event, const UIView* in);
    std::string phases() const;
};

class LoggingView : public UIView {
public:
    TouchLog log;
    bool passOn = false;  // also hand touches up the chain
    void touchesBegan(const NSSet& t, UIEvent* e) override;
    void touchesMoved(const NSSet& t, UIEvent* e) override;
    void touchesEnded(const NSSet& t, UIEvent* e) override;
    void touchesCancelled(const NSSet& t, UIEvent* e) override;
    void drawRect(CGRect rect) override;
    // Colour drawRect fills the bounds with (nothing drawn when alpha is 0).
    float r = 0, g = 0, b = 0, a = 0;
};

class TestController : public UIViewController {
public:
    TestController();
    std::vector<std::string> actions;  // selectors received, in order
    std::vector<id> senders;
    TouchLog log;
    std::shared_ptr<UIView> outletView;
    void showInfo(id sender) { received("showInfo:", sender, onShowInfo); }
    void done(id sender) { received("done:", sender, onDone); }
    void choice2() { actions.push_back("choice2"); }
    void touchesBegan(const NSSet& t, UIEvent* e) override { log.add("began", t, e, view().get()); }
    void touchesMoved(const NSSet& t, UIEvent* e) override { log.add("moved", t, e, view().get()); }
    void touchesEnded(const NSSet& t, UIEvent* e) override { log.add("ended", t, e, view().get()); }
    void touchesCancelled(const NSSet& t, UIEvent* e) override { log.add("cancelled", t, e, view().get()); }
    std::function<void(TestController&, const id&)> onShowInfo, onDone;

private:
    void received(const char* action, const id& sender,
                  const std::function<void(TestController&, const id&)>& then);
};

// A new view of class V with the frame, added to `parent`.
template <class V>
std::shared_ptr<V> addView(UIView& parent, CGRect frame) {
    auto v = std::make_shared<V>();
    v->initWithFrame(frame);
    parent.addSubview(v);
    return v;
}

// A launched app whose root is made by makeRoot.
std::unique_ptr<OffscreenApp> launchWith(const std::string& device,
                                         std::function<std::shared_ptr<UIViewController>()> makeRoot);
// RGBA of the pixel at (x, y) in points of a rendered window.
Rgba pixelAt(CGSurface& surface, CGFloat x, CGFloat y);
// A test controller whose view comes from the named nib.
std::shared_ptr<TestController> controllerWithNib(const std::string& nib);
// PNG bytes of a w x h image filled with one colour.
std::string makePng(int w, int h, float r, float g, float b);
