#include "platform/ui/UIView.h"

#include <algorithm>

namespace {
bool gAnyNeedsDisplay = false;
}

void UIResponder::touchesBegan(const NSSet& touches, UIEvent* event) {
    if (auto* next = nextResponder()) next->touchesBegan(touches, event);
}
void UIResponder::touchesMoved(const NSSet& touches, UIEvent* event) {
    if (auto* next = nextResponder()) next->touchesMoved(touches, event);
}
void UIResponder::touchesEnded(const NSSet& touches, UIEvent* event) {
    if (auto* next = nextResponder()) next->touchesEnded(touches, event);
}
void UIResponder::touchesCancelled(const NSSet& touches, UIEvent* event) {
    if (auto* next = nextResponder()) next->touchesCancelled(touches, event);
}

UIView::~UIView() = default;

UIView* UIView::initWithFrame(CGRect frame) {
    frame_ = frame;
    return this;
}

void UIView::setFrame(CGRect frame) {
    frame_ = frame;
    setNeedsDisplay();
}

CGPoint UIView::center() const {
    return {frame_.origin.x + frame_.size.width * 0.5f, frame_.origin.y + frame_.size.height * 0.5f};
}

void UIView::setCenter(CGPoint c) {
    frame_.origin = {c.x - frame_.size.width * 0.5f, c.y - frame_.size.height * 0.5f};
}

void UIView::setNeedsDisplay() {
    needsDisplay_ = true;
    gAnyNeedsDisplay = true;
}

void UIView::drawRect(CGRect) {}

void UIView::addSubview(const std::shared_ptr<UIView>& view) {
    if (!view || view.get() == this) return;
    view->removeFromSuperview();
    subviews_.push_back(view);
    view->superview_ = weak_from_this();
    gAnyNeedsDisplay = true;
}

void UIView::removeFromSuperview() {
    auto parent = superview_.lock();
    if (!parent) return;
    auto self = shared_from_this();  // keep alive while detaching
    auto& list = parent->subviews_;
    list.erase(std::remove(list.begin(), list.end(), self), list.end());
    superview_.reset();
    gAnyNeedsDisplay = true;
}

void UIView::setHidden(bool hidden) {
    hidden_ = hidden;
    gAnyNeedsDisplay = true;
}

void UIView::setBackgroundColor(std::shared_ptr<UIColor> color) {
    backgroundColor_ = std::move(color);
    setNeedsDisplay();
}

CGPoint UIView::convertPointToView(CGPoint p, const UIView* other) const {
    // Up to the root in window coordinates, then down into the other view.
    for (const UIView* v = this; v; v = v->superview_.lock().get()) {
        p.x += v->frame_.origin.x;
        p.y += v->frame_.origin.y;
    }
    for (const UIView* v = other; v; v = v->superview_.lock().get()) {
        p.x -= v->frame_.origin.x;
        p.y -= v->frame_.origin.y;
    }
    return p;
}

std::shared_ptr<UIView> UIView::hitTest(CGPoint p) {
    if (hidden_ || !userInteractionEnabled_ || !CGRectContainsPoint(bounds(), p)) return nullptr;
    for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it) {
        CGPoint q{p.x - (*it)->frame_.origin.x, p.y - (*it)->frame_.origin.y};
        if (auto hit = (*it)->hitTest(q)) return hit;
    }
    return shared_from_this();
}

void UIView::setBackingSurface(std::unique_ptr<CGSurface> surface) { surface_ = std::move(surface); }

UIResponder* UIView::nextResponder() const {
    if (viewDelegate_) return viewDelegate_;
    return superview_.lock().get();
}

bool UIView::anyNeedsDisplay() { return gAnyNeedsDisplay; }
void UIView::clearAnyNeedsDisplay() { gAnyNeedsDisplay = false; }
