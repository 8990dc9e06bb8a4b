// Bar button items and the control a bar shows for each.
#include "platform/ui/UIBarButtonItem.h"

#include <algorithm>
#include <cstdio>

#include "platform/ui/Drawing.h"
#include "platform/ui/UIColor.h"
#include "platform/ui/UIControl.h"
#include "platform/ui/UIFont.h"
#include "platform/ui/UIImage.h"
#include "platform/ui/UIImageView.h"
#include "platform/ui/UILabel.h"

UIBarButtonItem* UIBarButtonItem::initWithTitle(const NSString& title, UIBarButtonItemStyle style,
                                                NSObject* target, const SEL& action) {
    title_ = title;
    style_ = style;
    setTarget(target);
    action_ = action;
    return this;
}

UIBarButtonItem* UIBarButtonItem::initWithBarButtonSystemItem(UIBarButtonSystemItem item, NSObject* target,
                                                              const SEL& action) {
    systemItem_ = item;
    style_ = item == UIBarButtonSystemItemDone ? UIBarButtonItemStyleDone : UIBarButtonItemStyleBordered;
    setTarget(target);
    action_ = action;
    return this;
}

NSString UIBarButtonItem::title() const {
    if (!title_.empty()) return title_;
    switch (systemItem_) {
        case UIBarButtonSystemItemDone:
            return "Done";
        case UIBarButtonSystemItemCancel:
            return "Cancel";
        case UIBarButtonSystemItemAction:
            return "Share";
        default:
            return "";
    }
}

void UIBarButtonItem::setTitle(const NSString& title) {
    title_ = title;
    if (auto v = view_.lock()) v->setNeedsDisplay();
}

NSObject* UIBarButtonItem::target() const { return targetShared_ ? targetWeak_.lock().get() : targetRaw_; }

void UIBarButtonItem::setTarget(NSObject* target) {
    targetWeak_.reset();
    targetRaw_ = nullptr;
    targetShared_ = false;
    if (!target) return;
    targetWeak_ = target->weak_from_this();
    targetShared_ = !targetWeak_.expired();
    if (!targetShared_) targetRaw_ = target;
}

namespace {
// The control a bar shows for an item; tapping it sends the item's action
// with the item as the sender.
class BarItemControl : public UIControl {
public:
    explicit BarItemControl(const std::shared_ptr<UIBarButtonItem>& item) : item_(item) {
        registerAction("barItemTapped", &BarItemControl::tapped);
        addTarget(this, "barItemTapped", UIControlEventTouchUpInside);
        setAccessibilityIdentifier(item->title());
    }
    std::shared_ptr<UIBarButtonItem> item() const { return item_.lock(); }

    static CGFloat widthFor(const UIBarButtonItem& item) {
        if (item.width() > 0) return item.width();
        return std::max<CGFloat>(44, uidraw::estimateTextWidth(item.title(), 13) + 24);
    }

    void drawRect(CGRect) override {
        auto item = item_.lock();
        CGContextRef ctx = UIGraphicsGetCurrentContext();
        if (!item || !ctx) return;
        CGRect b = bounds();
        if (item->style() != UIBarButtonItemStylePlain) {
            CGFloat shade = item->style() == UIBarButtonItemStyleDone ? 0.25f : 0.32f;
            if (item->style() == UIBarButtonItemStyleDone)
                uidraw::fillRoundedRect(ctx, b, 5, 0.15f, 0.35f, 0.80f, 1);
            else
                uidraw::fillRoundedRect(ctx, b, 5, shade, shade, shade + 0.03f, 1);
        }
        if (isHighlighted()) uidraw::fillRoundedRect(ctx, b, 5, 1, 1, 1, 0.3f);
        auto font = UIFont::boldSystemFontOfSize(13);
        CGFloat a = item->isEnabled() ? 1.0f : 0.4f;
        uidraw::drawText(ctx, item->title(), *font, *UIColor::colorWithWhite(1, a), b, NSTextAlignmentCenter);
    }

protected:
    // Read as a button with the item's title.
    bool defaultIsAccessibilityElement() const override { return true; }
    NSString defaultAccessibilityLabel() const override {
        auto item = item_.lock();
        return item ? item->title() : NSString();
    }
    UIAccessibilityTraits defaultAccessibilityTraits() const override { return UIAccessibilityTraitButton; }

private:
    void tapped() {
        auto item = item_.lock();
        if (!item || !item->isEnabled() || item->action().empty()) return;
        id sender = item;
        NSObject* target = item->target();
        if (target) {
            if (target->respondsToSelector(item->action()))
                target->performSelector(item->action(), sender);
            else
                std::fprintf(stderr, "starchart: %s does not respond to action '%s'\n",
                             target->className().c_str(), item->action().c_str());
            return;
        }
        for (UIResponder* r = this; r; r = r->nextResponder()) {
            if (r->respondsToSelector(item->action())) {
                r->performSelector(item->action(), sender);
                return;
            }
        }
    }
    std::weak_ptr<UIBarButtonItem> item_;
};

}  // namespace

std::shared_ptr<UIControl> UIBarButtonItemMakeView(const std::shared_ptr<UIBarButtonItem>& item) {
    auto v = std::make_shared<BarItemControl>(item);
    v->initWithFrame(CGRectMake(0, 0, BarItemControl::widthFor(*item), 30));
    return v;
}

CGFloat UIBarButtonItemViewWidth(const UIBarButtonItem& item) { return BarItemControl::widthFor(item); }
