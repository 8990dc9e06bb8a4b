// Controls and buttons.
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

// ---------------------------------------------------------------------------

std::shared_ptr<UIButton> UIButton::buttonWithType(UIButtonType type) {
    auto b = std::make_shared<UIButton>();
    b->type_ = type;
    b->font_ = UIFont::boldSystemFontOfSize(15);
    if (type == UIButtonTypeInfoLight || type == UIButtonTypeInfoDark)
        b->initWithFrame(CGRectMake(0, 0, 18, 19));
    if (type == UIButtonTypeRoundedRect)
        b->titleColors_[UIControlStateNormal] = UIColor::colorWithRed(0.196f, 0.310f, 0.522f, 1);
    return b;
}

template <class V>
V UIButton::lookup(const std::map<UIControlState, V>& m, UIControlState state) {
    auto it = m.find(state);
    if (it != m.end()) return it->second;
    it = m.find(UIControlStateNormal);
    return it != m.end() ? it->second : V();
}

void UIButton::setTitle(const NSString& title, UIControlState state) {
    titles_[state] = title;
    setNeedsDisplay();
}
NSString UIButton::titleForState(UIControlState state) const { return lookup(titles_, state); }
void UIButton::setTitleColor(std::shared_ptr<UIColor> color, UIControlState state) {
    titleColors_[state] = std::move(color);
    setNeedsDisplay();
}
std::shared_ptr<UIColor> UIButton::titleColorForState(UIControlState state) const {
    return lookup(titleColors_, state);
}
void UIButton::setBackgroundImage(std::shared_ptr<UIImage> image, UIControlState state) {
    backgrounds_[state] = std::move(image);
    setNeedsDisplay();
}
std::shared_ptr<UIImage> UIButton::backgroundImageForState(UIControlState state) const {
    return lookup(backgrounds_, state);
}
void UIButton::setImage(std::shared_ptr<UIImage> image, UIControlState state) {
    images_[state] = std::move(image);
    setNeedsDisplay();
}
std::shared_ptr<UIImage> UIButton::imageForState(UIControlState state) const {
    return lookup(images_, state);
}
void UIButton::setTitleFont(std::shared_ptr<UIFont> font) {
    font_ = font ? std::move(font) : UIFont::boldSystemFontOfSize(15);
    setNeedsDisplay();
}

void UIButton::sizeToFit() {
    CGRect f = frame();
    CGSize s{0, 0};
    if (auto bg = backgroundImageForState(UIControlStateNormal)) s = bg->size();
    if (auto im = imageForState(UIControlStateNormal)) s = im->size();
    NSString t = titleForState(UIControlStateNormal);
    if (!t.empty()) {
        s.width = std::max(s.width, uidraw::estimateTextWidth(t, font_->pointSize()) + 20);
        s.height = std::max<CGFloat>(s.height, font_->pointSize() + 20);
    }
    if (type_ == UIButtonTypeInfoLight || type_ == UIButtonTypeInfoDark) s = {18, 19};
    f.size = s;
    setFrame(f);
}

void UIButton::drawRect(CGRect) {
    CGContextRef ctx = UIGraphicsGetCurrentContext();
    if (!ctx) return;
    const CGRect b = bounds();
    const UIControlState st = state();
    const bool hl = isHighlighted();

    if (type_ == UIButtonTypeInfoLight || type_ == UIButtonTypeInfoDark) {
        const bool light = type_ == UIButtonTypeInfoLight;
        const CGFloat d = 18, cx = b.size.width * 0.5f, cy = b.size.height * 0.5f;
        const CGFloat ink = light ? 1 : 0.2f, paper = light ? 0.15f : 1;
        if (hl) {  // the pressed glow
            ctx->setRGBFillColor(1, 1, 1, 0.45f);
            ctx->fillEllipseInRect(CGRectMake(cx - d * 0.8f, cy - d * 0.8f, d * 1.6f, d * 1.6f));
        }
        ctx->setRGBFillColor(ink, ink, ink, 1);
        ctx->fillEllipseInRect(CGRectMake(cx - d / 2, cy - d / 2, d, d));
        ctx->setRGBFillColor(paper, paper, paper, 0.85f);
        ctx->fillEllipseInRect(CGRectMake(cx - d / 2 + 1.5f, cy - d / 2 + 1.5f, d - 3, d - 3));
        ctx->setRGBFillColor(ink, ink, ink, 1);
        ctx->fillEllipseInRect(CGRectMake(cx - 1.25f, cy - 5.5f, 2.5f, 2.5f));  // the dot
        ctx->fillRect(CGRectMake(cx - 1.1f, cy - 1.5f, 2.2f, 6.5f));            // the stem
        return;
    }

    auto bg = backgroundImageForState(st);
    if (bg && bg->CGImage()) {
        ctx->drawImage(b, bg->CGImage());
        if (hl && !backgrounds_.count(UIControlStateHighlighted))
            uidraw::fillRoundedRect(ctx, b, 8, 0, 0, 0, 0.35f);
    } else if (type_ == UIButtonTypeRoundedRect) {
        uidraw::fillRoundedRect(ctx, b, 9, 0.55f, 0.57f, 0.62f, 1);  // the border
        CGRect inner = CGRectMake(1, 1, b.size.width - 2, b.size.height - 2);
        if (hl)
            uidraw::fillRoundedRect(ctx, inner, 8, 0.10f, 0.42f, 0.93f, 1);
        else
            uidraw::fillRoundedRect(ctx, inner, 8, 1, 1, 1, 1);
    }
    if (auto im = imageForState(st); im && im->CGImage()) {
        CGSize s = im->size();
        ctx->drawImage(
            CGRectMake((b.size.width - s.width) / 2, (b.size.height - s.height) / 2, s.width, s.height),
            im->CGImage());
    }
    NSString title = titleForState(st);
    if (!title.empty()) {
        auto color = titleColors_.count(st) ? titleColors_.at(st) : nullptr;
        if (!color && hl && type_ == UIButtonTypeRoundedRect && !bg) color = UIColor::whiteColor();
        if (!color) color = titleColorForState(UIControlStateNormal);
        if (!color) color = UIColor::whiteColor();
        NSTextAlignment align = NSTextAlignmentCenter;
        CGRect r = b;
        switch (contentHorizontalAlignment()) {
            case UIControlContentHorizontalAlignmentLeft:
                align = NSTextAlignmentLeft;
                break;
            case UIControlContentHorizontalAlignmentRight:
                align = NSTextAlignmentRight;
                break;
            default:
                break;
        }
        uidraw::drawText(ctx, title, *font_, *color, r, align);
    }
}
