// The headless harness: runs the application's launch on a device profile
// without blocking, and lets tests and the command line drive it.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>

#include <memory>
#include <string>
#include <vector>

#include "platform/backend/offscreen/OffscreenBackend.h"
#include "platform/ui/UIKitRuntime.h"

class OffscreenApp {
public:
    // delegateClassName: as UIApplicationMain takes it (e.g. NSStringFromClass<VHAppDelegate>()).
    OffscreenApp(DeviceProfile profile, NSString delegateClassName,
                 OffscreenBackend::SurfaceFactory factory = nullptr);
    ~OffscreenApp();  // sends applicationWillTerminate
    OffscreenApp(const OffscreenApp&) = delete;
    OffscreenApp& operator=(const OffscreenApp&) = delete;

    // UIApplicationMain's launch path, then runs until idle. Throws
    // UIKitFatalError (e.g. NibLoadError) as UIApplicationMain would exit for.
    void launch(const NSDictionary* launchOptions = nullptr);

    // --- input (each call is one instant = one UIEvent, then one iteration) ---
    // Fingers not listed that are down stay stationary (listed in allTouches).
    void inject(const std::vector<TouchPoint>& points);
    void touchDown(long long finger, CGPoint p);
    void touchMove(long long finger, CGPoint p);
    void touchUp(long long finger, CGPoint p);
    void touchCancel(long long finger);
    // count taps at p (down, 50 ms, up; 100 ms between taps), then 0.5 s pass
    // so a following tap is not counted with these and a transition it started is over.
    void tap(CGPoint p, int count = 1);
    // One finger from a to b in steps moves, 16 ms apart.
    void drag(CGPoint a, CGPoint b, int steps = 10);
    // What a press by name reaches: the visible, enabled control called name
    // (its title, trimmed or not, its bar item's title or its accessibility
    // identifier), topmost first, that a touch at its centre reaches; else no
    // control and the reason. Tests (pressControl) and replay press through it.
    struct PressTarget {
        std::shared_ptr<UIControl> control;
        CGPoint centre{};
        std::string error;
    };
    struct PressNaming {
        // Decides instead of the titles for the names it knows (nullopt: by title).
        std::function<std::optional<bool>(const UIControl&, const UIBarButtonItem* item)> alias;
        // How the error lists a control on screen ("": by its title).
        std::function<std::string(const UIControl&)> describe;
    };
    PressTarget findControlToPress(const std::string& name, const PressNaming& naming = {}) const;
    // The bar items' controls (the views the items show as), by view.
    std::map<const UIView*, std::shared_ptr<UIBarButtonItem>> barItemsByView() const;
    // Taps the centre of findControlToPress(name); false if there is none.
    bool pressControl(const std::string& name);

    // --- time ---
    // Moves the virtual clock in 1/60 s iterations.
    void advance(double seconds);
    // Iterates until nothing is dirty, queued or animating (at most maxSeconds).
    void runUntilIdle(double maxSeconds = 10);
    double now() const { return backend_.now(); }

    // --- output ---
    // Composites the window into a fresh surface of the screen's size and scale.
    std::unique_ptr<CGSurface> render();
    // Writes the window as PNG; false (and a message on stderr) on failure.
    bool writePNG(const std::string& path);
    // The same for `name` beneath the folder dirFd; false with the reason in
    // *error (nothing printed).
    bool writePNG(int dirFd, const std::string& name, std::string* error);

    // --- inspection ---
    UIKitRuntime& runtime() { return *runtime_; }
    OffscreenBackend& backend() { return backend_; }
    UIApplication* application() const { return UIApplication::sharedApplication(); }
    std::shared_ptr<UIWindow> window() const;
    std::shared_ptr<UIViewController> rootViewController() const;
    // The top of the root's presentation chain, nullptr when nothing is presented.
    std::shared_ptr<UIViewController> presentedViewController() const;
    std::vector<std::shared_ptr<UIPopoverController>> visiblePopovers() const;
    const std::vector<std::string>& openedURLs() const { return backend_.openedURLs(); }
    // Every view under the window (presented and popover views too), depth first.
    std::vector<std::shared_ptr<UIView>> allViews() const;
    template <class T>
    std::vector<std::shared_ptr<T>> findViews() const {
        std::vector<std::shared_ptr<T>> out;
        for (auto& v : allViews())
            if (auto t = std::dynamic_pointer_cast<T>(v)) out.push_back(t);
        return out;
    }
    // Visible views showing this title/text or with this accessibility identifier.
    std::vector<std::shared_ptr<UIView>> findViewsByTitle(const std::string& title) const;
    // Window-coordinate frame of a view.
    static CGRect frameInWindow(const UIView& view);
    // Visible on screen: in the window tree, and it and its ancestors not hidden.
    static bool isVisible(const UIView& view);

private:
    OffscreenBackend backend_;
    NSString delegateClassName_;
    std::unique_ptr<UIKitRuntime> runtime_;
};
