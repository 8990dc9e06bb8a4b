// A bar with a title and an item on each side.
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

UINavigationBar::UINavigationBar() {}

void UINavigationBar::setTitle(const NSString& title) {
    title_ = title;
    setNeedsDisplay();
}

void UINavigationBar::setLeftBarButtonItem(std::shared_ptr<UIBarButtonItem> item) {
    if (left_)
        if (auto v = left_->view_.lock()) v->removeFromSuperview();
    left_ = std::move(item);
    if (left_) {
        auto v = UIBarButtonItemMakeView(left_);
        left_->view_ = v;
        addSubview(v);
    }
    layoutSubviews();
}

void UINavigationBar::setRightBarButtonItem(std::shared_ptr<UIBarButtonItem> item) {
    if (right_)
        if (auto v = right_->view_.lock()) v->removeFromSuperview();
    right_ = std::move(item);
    if (right_) {
        auto v = UIBarButtonItemMakeView(right_);
        right_->view_ = v;
        addSubview(v);
    }
    layoutSubviews();
}

void UINavigationBar::layoutSubviews() {
    const CGRect b = bounds();
    const CGFloat h = std::min<CGFloat>(30, std::max<CGFloat>(0, b.size.height - 8));
    if (left_)
        if (auto v = left_->view_.lock())
            v->setFrame(CGRectMake(6, (b.size.height - h) * 0.5f, UIBarButtonItemViewWidth(*left_), h));
    if (right_)
        if (auto v = right_->view_.lock()) {
            CGFloat w = UIBarButtonItemViewWidth(*right_);
            v->setFrame(CGRectMake(b.size.width - 6 - w, (b.size.height - h) * 0.5f, w, h));
        }
}

void UINavigationBar::drawRect(CGRect) {
    CGContextRef ctx = UIGraphicsGetCurrentContext();
    if (!ctx) return;
    uidraw::drawBar(ctx, bounds());
    uidraw::drawText(ctx, title_, *UIFont::boldSystemFontOfSize(18), *UIColor::whiteColor(), bounds(),
                     NSTextAlignmentCenter);
}

const NibProperties& UINavigationBar::nibProperties() const {
    static const NibProperties table = {
        {"title",
         [](UIView& v, const NibValue& in) { static_cast<UINavigationBar&>(v).setTitle(in.string()); }},
        {"leftItem",
         [](UIView& v, const NibValue& in) {
             static_cast<UINavigationBar&>(v).setLeftBarButtonItem(in.item());
         }},
        {"rightItem",
         [](UIView& v, const NibValue& in) {
             static_cast<UINavigationBar&>(v).setRightBarButtonItem(in.item());
         }},
    };
    return table;
}
