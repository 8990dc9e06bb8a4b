// Touches and the events that carry them.
#pragma once

#include <memory>

#include "platform/cg/CoreGraphics.h"
#include "platform/ui/UIResponder.h"

class UIView;
class UIWindow;

enum class UITouchPhase : int {
    Began = 0,
    Moved = 1,
    Stationary = 2,
    Ended = 3,
    Cancelled = 4,
};
constexpr UITouchPhase UITouchPhaseBegan = UITouchPhase::Began;
constexpr UITouchPhase UITouchPhaseMoved = UITouchPhase::Moved;
constexpr UITouchPhase UITouchPhaseStationary = UITouchPhase::Stationary;
constexpr UITouchPhase UITouchPhaseEnded = UITouchPhase::Ended;
constexpr UITouchPhase UITouchPhaseCancelled = UITouchPhase::Cancelled;

// One finger from touch-down to lift-off; the same object for the whole touch.
class UITouch : public NSObject {
public:
    // Location in view's coordinates; nullptr gives window coordinates.
    CGPoint locationInView(const UIView* view) const;
    CGPoint locationInView(const std::shared_ptr<UIView>& view) const { return locationInView(view.get()); }
    CGPoint locationInView(std::nullptr_t) const {
        return locationInView(static_cast<const UIView*>(nullptr));
    }
    CGPoint previousLocationInView(const UIView* view) const;
    CGPoint previousLocationInView(const std::shared_ptr<UIView>& view) const {
        return previousLocationInView(view.get());
    }
    CGPoint previousLocationInView(std::nullptr_t) const {
        return previousLocationInView(static_cast<const UIView*>(nullptr));
    }
    // 1 for a fresh touch; one more when it begins within 350 ms and 25 points
    // of where the previous tap ended (a tap: a touch that ended within 25
    // points of where it began).
    NSUInteger tapCount() const { return tapCount_; }
    UITouchPhase phase() const { return phase_; }
    // The view hit at touch-down; the touch stays with it.
    std::shared_ptr<UIView> view() const { return view_.lock(); }
    UIWindow* window() const { return window_; }
    NSTimeInterval timestamp() const { return timestamp_; }
    // The finger id the backend gave.
    long long identifier() const { return identifier_; }

private:
    friend class TouchDispatch;
    long long identifier_ = 0;
    CGPoint location_{}, previous_{}, start_{};  // window coordinates
    CGFloat maxTravel_ = 0;
    NSUInteger tapCount_ = 1;
    UITouchPhase phase_ = UITouchPhaseBegan;
    std::weak_ptr<UIView> view_;
    UIWindow* window_ = nullptr;
    NSTimeInterval timestamp_ = 0;
    bool ignored_ = false;
};

enum class UIEventType : int {
    Touches = 0,
};
constexpr UIEventType UIEventTypeTouches = UIEventType::Touches;

// The touches of one instant. allTouches: every touch on the screen, moving or
// resting, in the order they began (an ending touch is still in it).
class UIEvent : public NSObject {
public:
    const NSSet& allTouches() const { return allTouches_; }
    NSSet touchesForView(const UIView* view) const;
    NSTimeInterval timestamp() const { return timestamp_; }
    UIEventType type() const { return UIEventTypeTouches; }

private:
    friend class TouchDispatch;
    NSSet allTouches_;
    NSTimeInterval timestamp_ = 0;
};
