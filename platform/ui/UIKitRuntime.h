// The running toolkit: the application on a backend, the event dispatch, the
// redraw and composite passes, and the animations. Backends drive it through
// BackendHost; the offscreen harness and tests use the rest.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <vector>

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

    // What happened so far.
    unsigned long iterationCount() const { return iterations_; }
    unsigned long presentCount() const { return presents_; }
    bool isAnimating() const;
    // Touches down now, in the order they began.
    std::vector<std::shared_ptr<UITouch>> activeTouches() const;
    // Draws the key window as it is on screen into target (same size and scale).
    void compositeInto(CGSurface& target);
    // The same into any context (a vector file, say); `content`, where it
    // answers true, has drawn a view's own content itself, in the view's
    // coordinates, in place of the view's backing pixels.
    using ContentOverride = std::function<bool(UIView& view, CGContextRef ctx)>;
    void compositeInto(CGContextRef ctx, const ContentOverride& content);
    // The key window's surface after the last present (nullptr before the first).
    CGSurface* windowSurface() const { return windowSurface_.get(); }

    // --- toolkit internals (used by the UI classes) ---
    void setNeedsComposite();
    void setKeyWindow(const std::shared_ptr<UIWindow>& window);
    std::unique_ptr<CGSurface> createSurface(CGSize size);
    void present(const std::shared_ptr<UIViewController>& presenter,
                 const std::shared_ptr<UIViewController>& vc, bool animated,
                 std::function<void()> completion);
    void dismiss(const std::shared_ptr<UIViewController>& presenter, bool animated,
                 std::function<void()> completion);
    void showPopover(const std::shared_ptr<UIPopoverController>& popover, bool animated);
    void hidePopover(const std::shared_ptr<UIPopoverController>& popover, bool animated);
    double now() const { return backend_.now(); }

private:
    struct Transition {
        std::shared_ptr<UIViewController> presenter, presented;
        bool presenting = true;
        UIModalTransitionStyle style = UIModalTransitionStyleCoverVertical;
        double start = 0;
        std::function<void()> completion;
    };
    struct TapRecord {
        bool valid = false;
        double time = 0;
        CGPoint location{};
        NSUInteger tapCount = 0;
    };
    void deliver(const TouchFrame& frame);
    // Touches down now get touchesCancelled once the current event is through.
    void cancelAllTouches() { cancelPending_ = true; }
    void flushCancels();
    void stepAnimations(double t);
    void beginTransition(const std::shared_ptr<UIViewController>& presenter,
                         const std::shared_ptr<UIViewController>& presented, bool presenting, bool animated,
                         std::function<void()> completion);
    void finishTransition();
    bool displayTree(UIView* view);
    void drawView(UIView* view, CGContextRef ctx, CGFloat alpha);
    void drawContent(CGContextRef ctx, double t);

    Backend& backend_;
    std::shared_ptr<UIApplication> application_;
    std::weak_ptr<UIWindow> keyWindow_;
    std::deque<TouchFrame> queue_;
    std::vector<std::shared_ptr<UITouch>> touches_;
    TapRecord lastTap_;
    std::unique_ptr<Transition> transition_;
    std::vector<std::shared_ptr<UIPopoverController>> fading_;
    std::unique_ptr<CGSurface> windowSurface_;
    const ContentOverride* contentOverride_ = nullptr;
    bool needsComposite_ = true;
    bool launched_ = false, terminated_ = false, cancelPending_ = false;
    unsigned long iterations_ = 0, presents_ = 0;
    UIKitRuntime* previous_ = nullptr;
};
