// Controls: targets and actions, tracking a touch, highlighting.
#include <algorithm>
#include <cstdio>

#include "platform/ui/Drawing.h"
#include "platform/ui/UIButton.h"
#include "platform/ui/UIColor.h"
#include "platform/ui/UIFont.h"
#include "platform/ui/UIImage.h"
#include "platform/ui/UITouch.h"

void UIControl::addTarget(NSObject* target, const SEL& action, UIControlEvents events) {
    if (action.empty() || events == 0) return;
    for (auto& t : targets_) {
        NSObject* same = t.shared ? t.weak.lock().get() : t.raw;
        if (same == target && t.action == action) {
            t.events |= events;
            return;
        }
    }
    Target t;
    t.action = action;
    t.events = events;
    if (target) {
        t.weak = target->weak_from_this();
        t.shared = !t.weak.expired();
        if (!t.shared) t.raw = target;
    }
    targets_.push_back(std::move(t));
}

void UIControl::removeTarget(NSObject* target, const SEL& action, UIControlEvents events) {
    for (auto& t : targets_) {
        NSObject* same = t.shared ? t.weak.lock().get() : t.raw;
        if (same == target && (action.empty() || t.action == action)) t.events &= ~events;
    }
    targets_.erase(
        std::remove_if(targets_.begin(), targets_.end(), [](const Target& t) { return t.events == 0; }),
        targets_.end());
}

std::vector<SEL> UIControl::actionsForTarget(NSObject* target, UIControlEvents event) const {
    std::vector<SEL> out;
    for (const auto& t : targets_) {
        NSObject* same = t.shared ? t.weak.lock().get() : t.raw;
        if (same == target && (t.events & event)) out.push_back(t.action);
    }
    return out;
}

UIControlEvents UIControl::allControlEvents() const {
    UIControlEvents all{};
    for (const auto& t : targets_) all |= t.events;
    return all;
}

namespace {
// Sends action to target, or (target null) to the first responder up the
// chain from start that answers it.
void sendAction(const SEL& action, NSObject* target, UIResponder* start, const id& sender) {
    if (!target) {
        for (UIResponder* r = start; r; r = r->nextResponder()) {
            if (r->respondsToSelector(action)) {
                r->performSelector(action, sender);
                return;
            }
        }
        std::fprintf(stderr, "starchart: no responder answers action '%s'\n", action.c_str());
        return;
    }
    if (!target->respondsToSelector(action)) {
        std::fprintf(stderr, "starchart: %s does not respond to action '%s'\n", target->className().c_str(),
                     action.c_str());
        return;
    }
    target->performSelector(action, sender);
}
}  // namespace

void UIControl::sendActionsForControlEvents(UIControlEvents events) {
    // The action may remove or release this control: keep it alive, and walk a copy.
    auto self = shared_from_this();
    auto targets = targets_;
    for (const auto& t : targets) {
        if (!(t.events & events)) continue;
        std::shared_ptr<NSObject> keep;
        NSObject* target = nullptr;
        if (t.shared) {
            keep = t.weak.lock();
            if (!keep) continue;  // the target is gone
            target = keep.get();
        } else {
            target = t.raw;
        }
        sendAction(t.action, target, this, self);
    }
}

void UIControl::setEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    setNeedsDisplay();
}
void UIControl::setSelected(bool selected) {
    if (selected_ == selected) return;
    selected_ = selected;
    setNeedsDisplay();
}
void UIControl::setHighlighted(bool highlighted) {
    if (highlighted_ == highlighted) return;
    highlighted_ = highlighted;
    setNeedsDisplay();
}

UIControlState UIControl::state() const {
    UIControlState s = UIControlStateNormal;
    if (highlighted_) s |= UIControlStateHighlighted;
    if (!enabled_) s |= UIControlStateDisabled;
    if (selected_) s |= UIControlStateSelected;
    return s;
}

void UIControl::setContentHorizontalAlignment(UIControlContentHorizontalAlignment a) {
    hAlign_ = a;
    setNeedsDisplay();
}

std::shared_ptr<UIView> UIControl::hitTest(CGPoint p, UIEvent* event) {
    if (!enabled_) return nullptr;
    return UIView::hitTest(p, event);
}

bool UIControl::trackedInside(const UITouch& touch) const {
    CGPoint p = touch.locationInView(this);
    CGRect b = bounds();
    return p.x >= -UIControlTrackingMargin && p.y >= -UIControlTrackingMargin &&
           p.x <= b.size.width + UIControlTrackingMargin && p.y <= b.size.height + UIControlTrackingMargin;
}

void UIControl::touchesBegan(const NSSet& touches, UIEvent*) {
    if (tracking_ || touches.count() == 0) return;
    auto touch = touches.anyObject();
    trackedTouch_ = touch;
    tracking_ = true;
    touchInside_ = true;
    setHighlighted(true);
    UIControlEvents ev = UIControlEventTouchDown;
    if (touch->tapCount() > 1) ev |= UIControlEventTouchDownRepeat;
    sendActionsForControlEvents(ev);
}

void UIControl::touchesMoved(const NSSet& touches, UIEvent*) {
    auto touch = trackedTouch_.lock();
    if (!tracking_ || !touch || !touches.containsObject(touch)) return;
    bool inside = trackedInside(*touch);
    UIControlEvents ev = inside ? UIControlEventTouchDragInside : UIControlEventTouchDragOutside;
    if (inside != touchInside_) ev |= inside ? UIControlEventTouchDragEnter : UIControlEventTouchDragExit;
    touchInside_ = inside;
    setHighlighted(inside);
    sendActionsForControlEvents(ev);
}

void UIControl::touchesEnded(const NSSet& touches, UIEvent*) {
    auto touch = trackedTouch_.lock();
    if (!tracking_ || !touch || !touches.containsObject(touch)) return;
    bool inside = trackedInside(*touch);
    tracking_ = false;
    touchInside_ = inside;
    trackedTouch_.reset();
    setHighlighted(false);
    sendActionsForControlEvents(inside ? UIControlEventTouchUpInside : UIControlEventTouchUpOutside);
}

void UIControl::touchesCancelled(const NSSet& touches, UIEvent*) {
    auto touch = trackedTouch_.lock();
    if (!tracking_ || (touch && !touches.containsObject(touch))) return;
    tracking_ = false;
    touchInside_ = false;
    trackedTouch_.reset();
    setHighlighted(false);
    sendActionsForControlEvents(UIControlEventTouchCancel);
}
