#include "platform/ui/UIView.h"

#include <algorithm>

#include "platform/cg/RecordingContext.h"
#include "platform/ui/UIColor.h"
#include "platform/ui/UIKitRuntime.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UIViewController.h"
#include "platform/ui/UIWindow.h"
#include "platform/ui/ViewContext.h"

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

void ViewContext::drawInto(CGContext* ctx) {
    inPlace_ = ctx;
    drewInPlace_ = false;
}

CGContext* ViewContext::target(CGOp op) {
    if (!inPlace_) return target();
    switch (op) {
        case CGOp::ClearRect:
            if (!drewInPlace_) return nullptr;
            clearedAfterDrawing_ = true;
            break;
        case CGOp::ShowTextAtPoint:
        case CGOp::StrokeLineSegments:
        case CGOp::StrokePath:
        case CGOp::FillRect:
        case CGOp::FillEllipseInRect:
        case CGOp::FillPath:
        case CGOp::DrawImage:
        case CGOp::DrawSurface:
            drewInPlace_ = true;
            break;
        default:
            break;
    }
    return inPlace_;
}

CGContext* ViewContext::target() {
    if (inPlace_) return inPlace_;
    if (!surface_) {
        CGSize size = view_.bounds().size;
        if (auto* rt = UIKitRuntime::current()) {
            surface_ = rt->createSurface(size);
        } else {
#ifdef STARCHART_VIEWS_RECORD_WITHOUT_APP
            // No application runs (code tested on its own): record only.
            surface_ = std::make_unique<RecordingSurface>(size, UIScreen::currentProfile().pixelRatio);
#else
            // The page always runs the application; nothing to draw into.
            return nullptr;
#endif
        }
    }
    hasContent_ = true;
    return surface_->context();
}

void ViewContext::prepare() {
    if (!surface_) return;
    if (!(surface_->size() == view_.bounds().size)) {
        surface_.reset();
        hasContent_ = false;
        return;
    }
    if (hasContent_) {
        surface_->context()->clearRect(view_.bounds());
        hasContent_ = false;
    }
}

namespace {
void requestComposite() {
    if (auto* rt = UIKitRuntime::current()) rt->setNeedsComposite();
}
}  // namespace

UIView::UIView() : context_(std::make_unique<ViewContext>(*this)) {}
UIView::~UIView() = default;

UIView* UIView::initWithFrame(CGRect frame) {
    frame_ = frame;
    setNeedsDisplay();
    return this;
}

void UIView::setFrame(CGRect frame) {
    if (frame == frame_) return;
    CGSize old = frame_.size;
    frame_ = frame;
    if (!(old == frame.size)) {
        resizeSubviews(old);
        layoutSubviews();
        setNeedsDisplay();
    }
    requestComposite();
}

void UIView::resizeSubviews(CGSize oldSize) {
    // Each axis: the size change is shared by the flexible parts (left margin,
    // width, right margin) in proportion to their current lengths, as the
    // platform's autoresizing does.
    auto share = [](CGFloat delta, bool flexA, CGFloat a, bool flexB, CGFloat b, bool flexC, CGFloat c,
                    CGFloat& da, CGFloat& db) {
        da = db = 0;
        CGFloat total = (flexA ? a : 0) + (flexB ? b : 0) + (flexC ? c : 0);
        int n = int(flexA) + int(flexB) + int(flexC);
        if (n == 0) return;
        if (total <= 0) {
            if (flexA) da = delta / CGFloat(n);
            if (flexB) db = delta / CGFloat(n);
            return;
        }
        if (flexA) da = delta * a / total;
        if (flexB) db = delta * b / total;
    };
    CGFloat dw = frame_.size.width - oldSize.width, dh = frame_.size.height - oldSize.height;
    for (auto& sub : subviews_) {
        UIViewAutoresizing m = sub->autoresizingMask_;
        if (m == UIViewAutoresizingNone) continue;
        CGRect f = sub->frame_;
        CGFloat dx, dwid, dy, dhei;
        share(dw, m & UIViewAutoresizingFlexibleLeftMargin, f.origin.x, m & UIViewAutoresizingFlexibleWidth,
              f.size.width, m & UIViewAutoresizingFlexibleRightMargin,
              oldSize.width - f.origin.x - f.size.width, dx, dwid);
        share(dh, m & UIViewAutoresizingFlexibleTopMargin, f.origin.y, m & UIViewAutoresizingFlexibleHeight,
              f.size.height, m & UIViewAutoresizingFlexibleBottomMargin,
              oldSize.height - f.origin.y - f.size.height, dy, dhei);
        f.origin.x += dx;
        f.size.width = std::max<CGFloat>(0, f.size.width + dwid);
        f.origin.y += dy;
        f.size.height = std::max<CGFloat>(0, f.size.height + dhei);
        sub->setFrame(f);
    }
}

CGPoint UIView::center() const {
    return {frame_.origin.x + frame_.size.width * 0.5f, frame_.origin.y + frame_.size.height * 0.5f};
}

void UIView::setCenter(CGPoint c) {
    frame_.origin = {c.x - frame_.size.width * 0.5f, c.y - frame_.size.height * 0.5f};
    requestComposite();
}

void UIView::setNeedsDisplay() {
    needsDisplay_ = true;
    requestComposite();
}

void UIView::setNeedsDisplayInRect(CGRect) { setNeedsDisplay(); }

void UIView::drawRect(CGRect) {}

void UIView::displayIfNeeded() {
    if (!needsDisplay_) return;
    needsDisplay_ = false;
    if (frame_.size.width < 1 || frame_.size.height < 1) return;
    context_->prepare();
    ++drawCount_;
    UIGraphicsPushContext(context_.get());
    drawRect(bounds());
    UIGraphicsPopContext();
    if (auto* s = context_->surface()) s->flush();
}

bool UIView::drawsInPlace() const {
    auto* rt = UIKitRuntime::current();
    return drawsInPlace_ && !context_->clearedAfterDrawing() && rt && rt->drawsViewsInPlace();
}

void UIView::displayInPlace(CGContextRef ctx) {
    needsDisplay_ = false;
    backingStale_ = true;
    if (frame_.size.width < 1 || frame_.size.height < 1) return;
    ++drawCount_;
    // As its own surface would: nothing outside the bounds, no state after.
    ctx->saveGState();
    ctx->clipToRect(bounds());
    context_->drawInto(ctx);
    UIGraphicsPushContext(context_.get());
    drawRect(bounds());
    UIGraphicsPopContext();
    context_->drawInto(nullptr);
    ctx->restoreGState();
    // A pass that cleared what it had drawn needs its own surface from now on.
    if (context_->clearedAfterDrawing()) setNeedsDisplay();
}

CGSurface* UIView::backingSurface() const { return context_->surface(); }
bool UIView::hasBackingContent() const { return context_->hasContent(); }
CGContextRef UIView::backingContext() const { return context_.get(); }

void UIView::addSubview(const std::shared_ptr<UIView>& view) {
    insertSubviewAtIndex(view, NSInteger(subviews_.size()) + 1);
}

void UIView::insertSubviewAtIndex(const std::shared_ptr<UIView>& view, NSInteger index) {
    if (!view || view.get() == this || isDescendantOfView(view.get())) return;
    auto keep = view;  // removeFromSuperview may drop the last other reference
    keep->removeFromSuperview();
    index = std::max<NSInteger>(0, std::min<NSInteger>(index, NSInteger(subviews_.size())));
    subviews_.insert(subviews_.begin() + index, keep);
    keep->superview_ = weak_from_this();
    keep->didMoveToSuperview();
    requestComposite();
}

void UIView::bringSubviewToFront(const std::shared_ptr<UIView>& view) {
    auto it = std::find(subviews_.begin(), subviews_.end(), view);
    if (it == subviews_.end()) return;
    auto keep = *it;
    subviews_.erase(it);
    subviews_.push_back(keep);
    requestComposite();
}

void UIView::removeFromSuperview() {
    auto parent = superview_.lock();
    if (!parent) return;
    auto self = shared_from_this();  // keep alive while detaching
    auto& list = parent->subviews_;
    list.erase(std::remove(list.begin(), list.end(), self), list.end());
    superview_.reset();
    didMoveToSuperview();
    requestComposite();
}

UIWindow* UIView::window() const {
    const UIView* v = this;
    while (auto s = v->superview_.lock()) v = s.get();
    return dynamic_cast<UIWindow*>(const_cast<UIView*>(v));
}

bool UIView::isDescendantOfView(const UIView* view) const {
    for (const UIView* v = this; v; v = v->superview_.lock().get())
        if (v == view) return true;
    return false;
}

std::shared_ptr<UIView> UIView::viewWithTag(NSInteger tag) {
    if (tag_ == tag) return shared_from_this();
    for (auto& s : subviews_)
        if (auto hit = s->viewWithTag(tag)) return hit;
    return nullptr;
}

void UIView::setHidden(bool hidden) {
    if (hidden_ == hidden) return;
    hidden_ = hidden;
    requestComposite();
}

void UIView::setAlpha(CGFloat alpha) {
    alpha_ = std::max<CGFloat>(0, std::min<CGFloat>(1, alpha));
    requestComposite();
}

void UIView::setBackgroundColor(std::shared_ptr<UIColor> color) {
    backgroundColor_ = std::move(color);
    requestComposite();
}

void UIView::setClipsToBounds(bool clips) {
    clipsToBounds_ = clips;
    requestComposite();
}

namespace {
// Offset of v's coordinate space from its tree root's (the window's).
CGPoint originInRoot(const UIView* v) {
    CGPoint o{0, 0};
    for (; v; v = v->superview().get()) {
        if (!v->superview()) break;  // the root defines the space
        o.x += v->frame().origin.x;
        o.y += v->frame().origin.y;
    }
    return o;
}
}  // namespace

CGPoint UIView::convertPointToView(CGPoint p, const UIView* other) const {
    CGPoint a = originInRoot(this), b = originInRoot(other);
    return {p.x + a.x - b.x, p.y + a.y - b.y};
}

CGPoint UIView::convertPointFromView(CGPoint p, const UIView* other) const {
    CGPoint a = originInRoot(other), b = originInRoot(this);
    return {p.x + a.x - b.x, p.y + a.y - b.y};
}

CGRect UIView::convertRectToView(CGRect r, const UIView* other) const {
    return {convertPointToView(r.origin, other), r.size};
}

bool UIView::pointInside(CGPoint p, UIEvent*) const { return CGRectContainsPoint(bounds(), p); }

std::shared_ptr<UIView> UIView::hitTest(CGPoint p, UIEvent* event) {
    if (hidden_ || !userInteractionEnabled_ || alpha_ < 0.01f || !pointInside(p, event)) return nullptr;
    // Copy: a hit test must not be disturbed by views changing under it.
    auto subs = subviews_;
    for (auto it = subs.rbegin(); it != subs.rend(); ++it) {
        CGPoint q{p.x - (*it)->frame_.origin.x, p.y - (*it)->frame_.origin.y};
        if (auto hit = (*it)->hitTest(q, event)) return hit;
    }
    return shared_from_this();
}

UIResponder* UIView::nextResponder() const {
    if (auto vc = viewController_.lock()) return vc.get();
    return superview_.lock().get();
}

const NibProperties& UIView::viewNibProperties() {
    static const NibProperties table = {
        {"autoresizingMask",
         [](UIView& v, const NibValue& in) {
             v.setAutoresizingMask(UIViewAutoresizing(
                 in.options({{"flexibleLeftMargin", UIViewAutoresizingFlexibleLeftMargin},
                             {"flexibleWidth", UIViewAutoresizingFlexibleWidth},
                             {"flexibleRightMargin", UIViewAutoresizingFlexibleRightMargin},
                             {"flexibleTopMargin", UIViewAutoresizingFlexibleTopMargin},
                             {"flexibleHeight", UIViewAutoresizingFlexibleHeight},
                             {"flexibleBottomMargin", UIViewAutoresizingFlexibleBottomMargin}})));
         }},
        {"backgroundColor", [](UIView& v, const NibValue& in) { v.setBackgroundColor(in.color()); }},
        {"hidden", [](UIView& v, const NibValue& in) { v.setHidden(in.boolean()); }},
        {"alpha", [](UIView& v, const NibValue& in) { v.setAlpha(CGFloat(in.number())); }},
        {"opaque", [](UIView& v, const NibValue& in) { v.setOpaque(in.boolean()); }},
        {"clipsToBounds", [](UIView& v, const NibValue& in) { v.setClipsToBounds(in.boolean()); }},
        {"userInteractionEnabled",
         [](UIView& v, const NibValue& in) { v.setUserInteractionEnabled(in.boolean()); }},
        {"multipleTouchEnabled",
         [](UIView& v, const NibValue& in) { v.setMultipleTouchEnabled(in.boolean()); }},
        {"tag", [](UIView& v, const NibValue& in) { v.setTag(NSInteger(in.number())); }},
        {"identifier", [](UIView& v, const NibValue& in) { v.setAccessibilityIdentifier(in.string()); }},
    };
    return table;
}

const NibProperties& UIView::nibProperties() const {
    static const NibProperties none;
    return none;
}
