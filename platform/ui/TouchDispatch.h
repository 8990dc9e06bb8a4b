// Touch dispatch: matches the backend's fingers to UITouch objects, counts
// taps, hit-tests new touches, and sends each view its touches of one
// instant grouped by phase, in the order the views first appear.
#pragma once

#include <memory>
#include <vector>

#include "platform/ui/UIKit.h"
#include "platform/ui/port/Backend.h"

class TouchDispatch {
public:
    // One instant: one UIEvent to the views of window. ignoreNew: touches
    // that begin now go nowhere (a transition runs).
    void deliver(const TouchFrame& frame, UIWindow& window, bool ignoreNew);
    // Touches down now get touchesCancelled at the next flushCancels.
    void cancelAll() { cancelPending_ = true; }
    void flushCancels(double now);
    // Touches down now, in the order they began.
    const std::vector<std::shared_ptr<UITouch>>& active() const { return touches_; }
    void clear() { touches_.clear(); }

private:
    using Touches = std::vector<std::shared_ptr<UITouch>>;
    struct TapRecord {
        bool valid = false;
        double time = 0;
        CGPoint location{};
        NSUInteger tapCount = 0;
    };
    std::shared_ptr<UITouch> find(long long finger) const;
    std::shared_ptr<UITouch> begin(const TouchPoint& pt, double timestamp, UIWindow& window, UIEvent* event,
                                   bool ignoreNew);
    // Applies a later phase to a touch down; false when nothing changed.
    bool update(UITouch& t, const TouchPoint& pt, double timestamp);
    // touchesBegan/Moved/Ended/Cancelled of `phase` to each view, once per view.
    static void send(const Touches& touches, UITouchPhase phase, UIEvent* event);
    void rememberTaps(const Touches& changed);

    Touches touches_;
    TapRecord lastTap_;
    bool cancelPending_ = false;
};
