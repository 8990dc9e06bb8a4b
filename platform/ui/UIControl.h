// Controls: views that track their own touches and fire target-action pairs.
#pragma once

#include <vector>

#include "platform/ui/UIView.h"

enum UIControlEvents : unsigned {
    UIControlEventTouchDown = 1 << 0,
    UIControlEventTouchDownRepeat = 1 << 1,
    UIControlEventTouchDragInside = 1 << 2,
    UIControlEventTouchDragOutside = 1 << 3,
    UIControlEventTouchDragEnter = 1 << 4,
    UIControlEventTouchDragExit = 1 << 5,
    UIControlEventTouchUpInside = 1 << 6,  // 64
    UIControlEventTouchUpOutside = 1 << 7,
    UIControlEventTouchCancel = 1 << 8,
    UIControlEventValueChanged = 1 << 12,
    UIControlEventAllTouchEvents = 0x0FFF,
};
NS_OPTIONS_OPERATORS(UIControlEvents)

enum UIControlState : unsigned {
    UIControlStateNormal = 0,
    UIControlStateHighlighted = 1 << 0,
    UIControlStateDisabled = 1 << 1,
    UIControlStateSelected = 1 << 2,
};
NS_OPTIONS_OPERATORS(UIControlState)

enum class UIControlContentHorizontalAlignment : int {
    Center = 0,
    Left = 1,
    Right = 2,
    Fill = 3,
};
constexpr UIControlContentHorizontalAlignment UIControlContentHorizontalAlignmentCenter =
    UIControlContentHorizontalAlignment::Center;
constexpr UIControlContentHorizontalAlignment UIControlContentHorizontalAlignmentLeft =
    UIControlContentHorizontalAlignment::Left;
constexpr UIControlContentHorizontalAlignment UIControlContentHorizontalAlignmentRight =
    UIControlContentHorizontalAlignment::Right;
constexpr UIControlContentHorizontalAlignment UIControlContentHorizontalAlignmentFill =
    UIControlContentHorizontalAlignment::Fill;

// How far outside its bounds a tracked touch still counts as inside.
constexpr CGFloat UIControlTrackingMargin = 70;

class UIControl : public UIView {
public:
    // The target is not owned (held weakly when it is shared-owned). A null
    // target sends the action up the responder chain to the first object that
    // responds to it.
    void addTarget(NSObject* target, const SEL& action, UIControlEvents events);
    void addTarget(const std::shared_ptr<NSObject>& target, const SEL& action, UIControlEvents events) {
        addTarget(target.get(), action, events);
    }
    void addTarget(std::nullptr_t, const SEL& action, UIControlEvents events) {
        addTarget(static_cast<NSObject*>(nullptr), action, events);
    }
    // Removes matching pairs; an empty action removes every action of the target.
    void removeTarget(NSObject* target, const SEL& action, UIControlEvents events);
    std::vector<SEL> actionsForTarget(NSObject* target, UIControlEvents event) const;
    UIControlEvents allControlEvents() const;
    // Fires every pair registered for any of these events, with this control as sender.
    void sendActionsForControlEvents(UIControlEvents events);

    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool isSelected() const { return selected_; }
    void setSelected(bool selected);
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted);
    UIControlState state() const;
    bool isTracking() const { return tracking_; }
    bool isTouchInside() const { return touchInside_; }
    UIControlContentHorizontalAlignment contentHorizontalAlignment() const { return hAlign_; }
    void setContentHorizontalAlignment(UIControlContentHorizontalAlignment a);

    std::shared_ptr<UIView> hitTest(CGPoint p, UIEvent* event = nullptr) override;
    void touchesBegan(const NSSet& touches, UIEvent* event) override;
    void touchesMoved(const NSSet& touches, UIEvent* event) override;
    void touchesEnded(const NSSet& touches, UIEvent* event) override;
    void touchesCancelled(const NSSet& touches, UIEvent* event) override;

private:
    struct Target {
        std::weak_ptr<NSObject> weak;
        NSObject* raw = nullptr;  // used only when the target was not shared-owned
        bool shared = false;
        SEL action;
        UIControlEvents events{};
    };
    bool trackedInside(const UITouch& touch) const;
    std::vector<Target> targets_;
    std::weak_ptr<UITouch> trackedTouch_;
    bool enabled_ = true, selected_ = false, highlighted_ = false;
    bool tracking_ = false, touchInside_ = false;
    UIControlContentHorizontalAlignment hAlign_ = UIControlContentHorizontalAlignmentCenter;
};
