// A bar of items at the screen's edge.
#include <algorithm>
#include <cstdio>

#include "platform/ui/Drawing.h"
#include "platform/ui/UIBarButtonItem.h"
#include "platform/ui/UIColor.h"
#include "platform/ui/UIControl.h"
#include "platform/ui/UIFont.h"
#include "platform/ui/UIImage.h"
#include "platform/ui/UIImageView.h"
#include "platform/ui/UILabel.h"

UIToolbar::UIToolbar() {}

void UIToolbar::setItems(std::vector<std::shared_ptr<UIBarButtonItem>> items) {
    for (auto& old : items_)
        if (auto v = old->view_.lock()) v->removeFromSuperview();
    items_ = std::move(items);
    for (auto& item : items_) {
        if (!item || item->isSpace()) continue;
        auto v = UIBarButtonItemMakeView(item);
        item->view_ = v;
        addSubview(v);
    }
    layoutSubviews();
    setNeedsDisplay();
}

void UIToolbar::layoutSubviews() {
    const CGFloat margin = 6, gap = 8;
    const CGRect b = bounds();
    CGFloat fixed = 0;
    int flexible = 0, shown = 0;
    for (auto& item : items_) {
        if (!item) continue;
        if (item->systemItem() == UIBarButtonSystemItemFlexibleSpace) {
            ++flexible;
        } else if (item->systemItem() == UIBarButtonSystemItemFixedSpace) {
            fixed += item->width();
        } else {
            fixed += UIBarButtonItemViewWidth(*item);
            ++shown;
        }
    }
    CGFloat room = b.size.width - 2 * margin - fixed - gap * CGFloat(std::max(0, shown - 1));
    CGFloat flex = flexible > 0 ? std::max<CGFloat>(0, room) / CGFloat(flexible) : 0;
    CGFloat x = margin;
    const CGFloat h = std::min<CGFloat>(30, std::max<CGFloat>(0, b.size.height - 8));
    for (auto& item : items_) {
        if (!item) continue;
        if (item->systemItem() == UIBarButtonSystemItemFlexibleSpace) {
            x += flex;
        } else if (item->systemItem() == UIBarButtonSystemItemFixedSpace) {
            x += item->width();
        } else {
            CGFloat w = UIBarButtonItemViewWidth(*item);
            if (auto v = item->view_.lock()) v->setFrame(CGRectMake(x, (b.size.height - h) * 0.5f, w, h));
            x += w + gap;
        }
    }
}

void UIToolbar::drawRect(CGRect) {
    if (CGContextRef ctx = UIGraphicsGetCurrentContext()) uidraw::drawBar(ctx, bounds());
}

const NibProperties& UIToolbar::nibProperties() const {
    static const NibProperties table = {
        {"items", [](UIView& v, const NibValue& in) { static_cast<UIToolbar&>(v).setItems(in.items()); }},
    };
    return table;
}
