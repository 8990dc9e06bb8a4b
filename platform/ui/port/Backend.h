// The toolkit's port to a backend: what a backend gives the toolkit (surfaces,
// presentation, input, clock, links) and what the toolkit gives a backend to
// drive it (BackendHost). Backends include this folder and cg, nothing else of ours.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/cg/CoreGraphics.h"
#include "platform/ui/port/DeviceProfile.h"

// A finger's phase at one instant, in UITouchPhase's order (the browser's page
// sends these numbers).
enum class TouchPhase { Began, Moved, Stationary, Ended, Cancelled };

// One finger's state at one instant, in window points.
struct TouchPoint {
    long long finger = 0;
    CGPoint location{};
    TouchPhase phase = TouchPhase::Began;
    // On a began point: the tap count to give the touch instead of the one
    // the toolkit would count (0 = count as usual). Scripted sessions use it.
    int tapCount = 0;
};

// The changes of one instant: delivered as one UIEvent. Fingers down but not
// listed are stationary.
struct TouchFrame {
    double timestamp = 0;  // seconds on the backend's clock
    std::vector<TouchPoint> points;
};

// One element a screen reader finds, in window points.
struct AccessibilityNode {
    // Text reads as it is; Live text is announced politely when it changes.
    enum class Role { Text, Button, Link, Live };
    Role role = Role::Text;
    std::string label, value;
    std::string link;  // a link's address
    CGRect frame{};
    bool operator==(const AccessibilityNode& o) const {
        return role == o.role && label == o.label && value == o.value && link == o.link &&
               frame.origin.x == o.frame.origin.x && frame.origin.y == o.frame.origin.y &&
               frame.size.width == o.frame.size.width && frame.size.height == o.frame.size.height;
    }
    bool operator!=(const AccessibilityNode& o) const { return !(*this == o); }
};

// The toolkit's side of the main loop.
class BackendHost {
public:
    virtual ~BackendHost() = default;
    // Queues input; it is delivered at the start of the next iteration.
    virtual void postTouches(TouchFrame frame) = 0;
    // One pass of the loop at backend.now(): delivers queued input, steps
    // animations, runs drawRect of every dirty view once, and composites and
    // presents the window if anything changed. Cheap when idle.
    virtual void runIteration() = 0;
    // True when an iteration has work (queued input, dirty views, animation);
    // a backend may sleep until input or requestFrame otherwise.
    virtual bool needsIteration() const = 0;
    // Life-cycle notices, forwarded to the application delegate.
    virtual void applicationWillResignActive() = 0;
    virtual void applicationDidEnterBackground() = 0;
    virtual void applicationWillEnterForeground() = 0;
    virtual void applicationDidBecomeActive() = 0;
    // Where a finger would press the visible control called `name` now (its
    // accessibility label: a button's or bar item's title, "Info" for an info
    // button; or its accessibility identifier; in any case, without edge
    // spaces), in window points; false when none is on screen or it is covered.
    virtual bool locateControl(const std::string& name, CGPoint& centre) const = 0;
    // Activates element `index` of the last accessibilityChanged list as a
    // tap on it (queued like input); false when there is no such element.
    virtual bool accessibilityActivate(size_t index) = 0;
};

class Backend {
public:
    virtual ~Backend() = default;
    virtual const DeviceProfile& profile() const = 0;
    // A surface of size points at scale pixels per point, cleared to transparent.
    virtual std::unique_ptr<CGSurface> createSurface(CGSize size, double scale) = 0;
    // True where copying a view's surface into the window costs more than
    // drawing the view again: a view that allows it (UIView::setDrawsInPlace)
    // then draws straight into the window when shown at full opacity.
    virtual bool drawsViewsInPlace() const { return false; }
    // The surface the window is composited into, made once: the screen's size
    // and scale. A backend may hand out the screen's own pixels.
    virtual std::unique_ptr<CGSurface> createWindowSurface(CGSize size, double scale) {
        return createSurface(size, scale);
    }
    // Shows the composited window (size: the screen, scale: the pixel ratio).
    virtual void present(CGSurface& window) = 0;
    // Monotonic seconds (virtual in the offscreen backend).
    virtual double now() const = 0;
    // Opens a link outside the application; false if it could not.
    virtual bool openURL(const std::string& url) = 0;
    // Puts text on the system clipboard; false if there is none or it failed.
    virtual bool copyToClipboard(const std::string& text) {
        (void)text;
        return false;
    }
    // The toolkit has work for an iteration (wake a sleeping loop).
    virtual void requestFrame() = 0;
    // The window's accessibility elements in view order, sent whenever they
    // change while no finger is down (so a value changes when a gesture ends).
    virtual void accessibilityChanged(const std::vector<AccessibilityNode>& nodes) { (void)nodes; }
    // The main loop: feed host.postTouches and call host.runIteration until the
    // user quits; returns the exit status. The application's
    // applicationWillTerminate is sent by the caller after run returns.
    virtual int run(BackendHost& host) = 0;
};

// Makes the backend for a device; main hands one to UIApplicationSetBackendFactory.
using BackendFactory = std::function<std::unique_ptr<Backend>(const DeviceProfile&)>;
