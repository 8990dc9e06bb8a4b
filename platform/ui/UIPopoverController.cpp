// Popovers: where the panel goes, how it is drawn, and the view covering the
// window while one shows. Presentation shows and fades them.
#include "platform/ui/UIPopoverController.h"

#include <algorithm>

#include "platform/ui/Drawing.h"
#include "platform/ui/UIBarButtonItem.h"
#include "platform/ui/UIKitRuntime.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UITouch.h"
#include "platform/ui/UIWindow.h"

namespace {
constexpr CGFloat kBorder = 8, kArrowLength = 13, kArrowHalfWidth = 13, kScreenMargin = 5;

// The panel: a dark rounded frame and an arrow, drawn under the content.
class PopoverPanelView : public UIView {
public:
    std::weak_ptr<UIPopoverController> popover;
    void drawRect(CGRect) override {
        auto p = popover.lock();
        CGContextRef ctx = UIGraphicsGetCurrentContext();
        if (!p || !ctx) return;
        CGRect panel = p->panelFrame();
        CGPoint o = frame().origin;
        CGRect r =
            CGRectMake(panel.origin.x - o.x, panel.origin.y - o.y, panel.size.width, panel.size.height);
        uidraw::fillRoundedRect(
            ctx, CGRectMake(r.origin.x - 1, r.origin.y - 1, r.size.width + 2, r.size.height + 2), kBorder + 1,
            0.55f, 0.57f, 0.62f, 1);
        uidraw::fillRoundedRect(ctx, r, kBorder, 0.10f, 0.12f, 0.18f, 1);
        CGPoint tip = p->arrowTip();
        tip.x -= o.x;
        tip.y -= o.y;
        ctx->setRGBFillColor(0.10f, 0.12f, 0.18f, 1);
        ctx->beginPath();
        ctx->moveToPoint(tip.x, tip.y);
        switch (p->arrowDirection()) {
            case UIPopoverArrowDirectionUp:
                ctx->addLineToPoint(tip.x - kArrowHalfWidth, tip.y + kArrowLength + 1);
                ctx->addLineToPoint(tip.x + kArrowHalfWidth, tip.y + kArrowLength + 1);
                break;
            case UIPopoverArrowDirectionDown:
                ctx->addLineToPoint(tip.x - kArrowHalfWidth, tip.y - kArrowLength - 1);
                ctx->addLineToPoint(tip.x + kArrowHalfWidth, tip.y - kArrowLength - 1);
                break;
            case UIPopoverArrowDirectionLeft:
                ctx->addLineToPoint(tip.x + kArrowLength + 1, tip.y - kArrowHalfWidth);
                ctx->addLineToPoint(tip.x + kArrowLength + 1, tip.y + kArrowHalfWidth);
                break;
            case UIPopoverArrowDirectionRight:
                ctx->addLineToPoint(tip.x - kArrowLength - 1, tip.y - kArrowHalfWidth);
                ctx->addLineToPoint(tip.x - kArrowLength - 1, tip.y + kArrowHalfWidth);
                break;
            default:
                break;
        }
        ctx->closePath();
        ctx->fillPath();
    }
};
}  // namespace

// Covers the window while a popover shows: the panel and the content on top
// of it; a touch that begins elsewhere (but for the bar the popover points
// from) dismisses the popover and goes nowhere else.
class UIPopoverContainerView : public UIView {
public:
    std::weak_ptr<UIPopoverController> popover;
    std::shared_ptr<PopoverPanelView> panel = std::make_shared<PopoverPanelView>();

    std::shared_ptr<UIView> hitTest(CGPoint p, UIEvent* event) override {
        auto pop = popover.lock();
        if (isHidden() || !pop) return nullptr;
        if (CGRectContainsPoint(pop->panelFrame(), p)) {
            auto hit = UIView::hitTest(p, event);
            return hit && hit.get() != panel.get() ? hit : shared_from_this();
        }
        // The bar passes touches through only where it is itself on top: a
        // view lying over it (a button in its band) is outside the popover.
        if (auto through = pop->passthrough_.lock()) {
            if (through->window() == window()) {
                const auto hit = hitBeneath(convertPointToView(p, nullptr), event);
                for (auto v = hit; v; v = v->superview())
                    if (v == through) return hit;
            }
        }
        return shared_from_this();
    }
    // What the window shows under this container at a window point.
    std::shared_ptr<UIView> hitBeneath(CGPoint inWindow, UIEvent* event) {
        auto parent = superview();
        if (!parent) return nullptr;
        const auto& siblings = parent->subviews();
        for (auto it = siblings.rbegin(); it != siblings.rend(); ++it) {
            if (it->get() == this) continue;
            if (auto hit = (*it)->hitTest((*it)->convertPointFromView(inWindow, nullptr), event)) return hit;
        }
        return nullptr;
    }
    void touchesBegan(const NSSet& touches, UIEvent*) override {
        auto pop = popover.lock();
        if (!pop || !pop->isPopoverVisible()) return;
        for (const auto& t : touches) {
            if (t->view().get() != this) continue;
            CGPoint p = t->locationInView(this);
            if (!CGRectContainsPoint(pop->panelFrame(), p)) {
                pop->dismissPopoverAnimated(true);
                return;
            }
        }
    }
    void touchesMoved(const NSSet&, UIEvent*) override {}
    void touchesEnded(const NSSet&, UIEvent*) override {}
    void touchesCancelled(const NSSet&, UIEvent*) override {}
};

UIPopoverController* UIPopoverController::initWithContentViewController(
    std::shared_ptr<UIViewController> content) {
    content_ = std::move(content);
    return this;
}

CGSize UIPopoverController::popoverContentSize() const {
    if (explicitSize_.width > 0 && explicitSize_.height > 0) return explicitSize_;
    return content_ ? content_->contentSizeForViewInPopover() : CGSize{320, 480};
}

void UIPopoverController::setPopoverContentSize(CGSize size, bool) { explicitSize_ = size; }

CGRect UIPopoverController::panelFrame() const {
    return CGRectMake(contentFrame_.origin.x - kBorder, contentFrame_.origin.y - kBorder,
                      contentFrame_.size.width + 2 * kBorder, contentFrame_.size.height + 2 * kBorder);
}

void UIPopoverController::presentPopoverFromBarButtonItem(const id& item, UIPopoverArrowDirection dirs,
                                                          bool animated) {
    CGRect anchor{};
    std::shared_ptr<UIView> through;
    bool have = false;
    if (auto barItem = std::dynamic_pointer_cast<UIBarButtonItem>(item)) {
        if (auto v = barItem->itemView(); v && v->window()) {
            anchor = v->convertRectToView(v->bounds(), nullptr);
            through = v->superview();
            have = true;
        }
    } else if (auto view = std::dynamic_pointer_cast<UIView>(item)) {
        if (view->window()) {
            anchor = view->convertRectToView(view->bounds(), nullptr);
            have = true;
        }
    }
    if (!have) {
        CGRect s = UIScreen::mainScreen()->bounds();
        anchor = CGRectMake(s.size.width / 2, s.size.height / 2, 0, 0);
        dirs = {};  // no arrow: centred on the screen
    }
    presentAt(anchor, through, dirs, animated);
}

void UIPopoverController::presentPopoverFromRect(CGRect rect, UIView* view, UIPopoverArrowDirection dirs,
                                                 bool animated) {
    CGRect anchor = view ? view->convertRectToView(rect, nullptr) : rect;
    presentAt(anchor, nullptr, dirs, animated);
}

void UIPopoverController::presentAt(CGRect a, std::shared_ptr<UIView> passthrough,
                                    UIPopoverArrowDirection dirs, bool animated) {
    auto* rt = UIKitRuntime::current();
    if (!rt || !content_) return;
    const CGRect screen = UIScreen::mainScreen()->bounds();
    const CGSize size = popoverContentSize();
    const CGFloat pw = size.width + 2 * kBorder, ph = size.height + 2 * kBorder;
    const CGFloat midX = a.origin.x + a.size.width / 2, midY = a.origin.y + a.size.height / 2;
    auto clamp = [](CGFloat v, CGFloat lo, CGFloat hi) {
        return hi < lo ? lo : std::max(lo, std::min(v, hi));
    };
    const CGFloat below = screen.size.height - (a.origin.y + a.size.height) - kArrowLength - kScreenMargin;
    const CGFloat above = a.origin.y - kArrowLength - kScreenMargin;
    CGFloat x, y;
    if ((dirs & UIPopoverArrowDirectionUp) &&
        (below >= ph || !(dirs & UIPopoverArrowDirectionDown) || below >= above)) {
        arrow_ = UIPopoverArrowDirectionUp;
        arrowTip_ = {midX, a.origin.y + a.size.height};
        x = clamp(midX - pw / 2, kScreenMargin, screen.size.width - kScreenMargin - pw);
        y = arrowTip_.y + kArrowLength;
    } else if (dirs & UIPopoverArrowDirectionDown) {
        arrow_ = UIPopoverArrowDirectionDown;
        arrowTip_ = {midX, a.origin.y};
        x = clamp(midX - pw / 2, kScreenMargin, screen.size.width - kScreenMargin - pw);
        y = arrowTip_.y - kArrowLength - ph;
    } else if (dirs & (UIPopoverArrowDirectionLeft | UIPopoverArrowDirectionRight)) {
        bool left = (dirs & UIPopoverArrowDirectionLeft) &&
                    (!(dirs & UIPopoverArrowDirectionRight) ||
                     screen.size.width - (a.origin.x + a.size.width) >= a.origin.x);
        arrow_ = left ? UIPopoverArrowDirectionLeft : UIPopoverArrowDirectionRight;
        arrowTip_ = {left ? a.origin.x + a.size.width : a.origin.x, midY};
        x = left ? arrowTip_.x + kArrowLength : arrowTip_.x - kArrowLength - pw;
        y = clamp(midY - ph / 2, kScreenMargin, screen.size.height - kScreenMargin - ph);
    } else {
        arrow_ = {};
        arrowTip_ = {midX, midY};
        x = midX - pw / 2;
        y = midY - ph / 2;
    }
    y = clamp(y, kScreenMargin, screen.size.height - kScreenMargin - ph);
    contentFrame_ = CGRectMake(x + kBorder, y + kBorder, size.width, size.height);
    passthrough_ = passthrough;
    rt->showPopover(std::static_pointer_cast<UIPopoverController>(NSObject::shared_from_this()), animated);
}

void UIPopoverController::dismissPopoverAnimated(bool animated) {
    auto* rt = UIKitRuntime::current();
    if (!rt || !visible_) return;
    rt->hidePopover(std::static_pointer_cast<UIPopoverController>(NSObject::shared_from_this()), animated);
}

UIView& UIPopoverController::mountContainer(CGRect windowBounds) {
    auto content = content_->view();  // may throw NibLoadError
    content->setFrame(contentFrame_);
    if (!container_) {
        auto c = std::make_shared<UIPopoverContainerView>();
        auto self = std::static_pointer_cast<UIPopoverController>(NSObject::shared_from_this());
        c->popover = self;
        c->panel->popover = self;
        container_ = c;
    }
    auto* container = static_cast<UIPopoverContainerView*>(container_.get());
    container->initWithFrame(windowBounds);
    CGRect panel = panelFrame();
    const CGFloat pad = kArrowLength + 2;
    container->panel->initWithFrame(CGRectMake(panel.origin.x - pad, panel.origin.y - pad,
                                               panel.size.width + 2 * pad, panel.size.height + 2 * pad));
    container->addSubview(container->panel);
    container->addSubview(content);
    return *container;
}
