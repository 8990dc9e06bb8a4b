// The running toolkit: the application on a backend and its run loop, over
// touch dispatch (TouchDispatch), presentation (Presentation) and
// compositing (Compositor). Backends drive it through BackendHost; the
// offscreen harness and tests use the rest.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "platform/ui/Compositor.h"
#include "platform/ui/Presentation.h"
#include "platform/ui/TouchDispatch.h"
#include "platform/ui/UIKit.h"
#include "platform/ui/port/Backend.h"

class UIKitRuntime : public BackendHost {
public:
    // Becomes the current runtime (one at a time); backend must outlive it.
    explicit UIKitRuntime(Backend& backend);
    ~UIKitRuntime() override;
    UIKitRuntime(const UIKitRuntime&) = delete;
    UIKitRuntime& operator=(const UIKitRuntime&) = delete;
    static UIKitRuntime* current();
    Backend& backend() { return backend_; }

    // Creates the application (principalClassName nullptr or "UIApplication")
    // and the delegate by class name, sends
    // applicationDidFinishLaunchingWithOptions and applicationDidBecomeActive,
    // and runs the first iteration. Throws UIKitFatalError for an unknown class.
    void launch(const char* principalClassName, const NSString& delegateClassName,
                const NSDictionary* launchOptions = nullptr);
    // Sends applicationWillTerminate (once).
    void terminate();

    // BackendHost
    void postTouches(TouchFrame frame) override;
    void runIteration() override;
    bool needsIteration() const override;
    void applicationWillResignActive() override;
    void applicationDidEnterBackground() override;
    void applicationWillEnterForeground() override;
    void applicationDidBecomeActive() override;
    bool locateControl(const std::string& name, CGPoint& centre) const override;
    bool accessibilityActivate(size_t index) override;

    // The accessibility elements last sent to the backend.
    const std::vector<AccessibilityNode>& accessibilityNodes() const { return a11yNodes_; }
    // What happened so far.
    unsigned long iterationCount() const { return iterations_; }
    unsigned long presentCount() const { return presents_; }
    bool isAnimating() const;
    // Touches down now, in the order they began.
    std::vector<std::shared_ptr<UITouch>> activeTouches() const { return touches_.active(); }
    // Draws the key window as it is on screen into target (same size and scale).
    void compositeInto(CGSurface& target);
    // The same into any context (a vector file, say); `content`, where it
    // answers true, has drawn a view's own content itself, in the view's
    // coordinates, in place of the view's backing pixels.
    using ContentOverride = Compositor::ContentOverride;
    void compositeInto(CGContextRef ctx, const ContentOverride& content);
    // The key window's surface after the last present (nullptr before the first).
    CGSurface* windowSurface() const { return windowSurface_.get(); }

    // --- toolkit internals (used by the UI classes) ---
    void setNeedsComposite();
    void setKeyWindow(const std::shared_ptr<UIWindow>& window);
    std::shared_ptr<UIWindow> keyWindow() const { return keyWindow_.lock(); }
    // Touches down now get touchesCancelled once the current event is through.
    void cancelAllTouches() { touches_.cancelAll(); }
    std::unique_ptr<CGSurface> createSurface(CGSize size);
    bool drawsViewsInPlace() const { return backend_.drawsViewsInPlace(); }
    void present(const std::shared_ptr<UIViewController>& presenter,
                 const std::shared_ptr<UIViewController>& vc, bool animated,
                 std::function<void()> completion) {
        presentation_.present(presenter, vc, animated, std::move(completion));
    }
    void dismiss(const std::shared_ptr<UIViewController>& presenter, bool animated,
                 std::function<void()> completion) {
        presentation_.dismiss(presenter, animated, std::move(completion));
    }
    void showPopover(const std::shared_ptr<UIPopoverController>& popover, bool animated) {
        presentation_.showPopover(popover, animated);
    }
    void hidePopover(const std::shared_ptr<UIPopoverController>& popover, bool animated) {
        presentation_.hidePopover(popover, animated);
    }
    double now() const { return backend_.now(); }

private:
    void flushCancels() { touches_.flushCancels(now()); }
    void drawContent(CGContextRef ctx, const ContentOverride* content);
    // Sends the window's elements to the backend if they changed.
    void updateAccessibility(UIWindow* window);

    Backend& backend_;
    std::shared_ptr<UIApplication> application_;
    std::weak_ptr<UIWindow> keyWindow_;
    std::deque<TouchFrame> queue_;
    TouchDispatch touches_;
    Presentation presentation_{*this};
    std::unique_ptr<CGSurface> windowSurface_;
    bool needsComposite_ = true;
    bool launched_ = false, terminated_ = false;
    unsigned long iterations_ = 0, presents_ = 0;
    UIKitRuntime* previous_ = nullptr;
    std::vector<AccessibilityNode> a11yNodes_;
    std::vector<std::weak_ptr<UIView>> a11yViews_;
};
