// Labels, image views, bar button items and bars.
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

UILabel::UILabel() : textColor_(UIColor::blackColor()), font_(UIFont::systemFontOfSize(17)) {
    setUserInteractionEnabled(false);
}

void UILabel::setText(const NSString& text) {
    text_ = text;
    setNeedsDisplay();
}
void UILabel::setTextColor(std::shared_ptr<UIColor> color) {
    textColor_ = color ? std::move(color) : UIColor::blackColor();
    setNeedsDisplay();
}
void UILabel::setFont(std::shared_ptr<UIFont> font) {
    font_ = font ? std::move(font) : UIFont::systemFontOfSize(17);
    setNeedsDisplay();
}
void UILabel::setTextAlignment(NSTextAlignment alignment) {
    alignment_ = alignment;
    setNeedsDisplay();
}

void UILabel::drawRect(CGRect) {
    CGContextRef ctx = UIGraphicsGetCurrentContext();
    if (!ctx || text_.empty()) return;
    uidraw::drawText(ctx, text_, *font_, *textColor_, bounds(), alignment_);
}

void UILabel::sizeToFit() {
    CGRect f = frame();
    f.size = {uidraw::estimateTextWidth(text_, font_->pointSize()), font_->pointSize() * 1.25f};
    setFrame(f);
}

UIImageView::UIImageView() { setUserInteractionEnabled(false); }

UIImageView* UIImageView::initWithImage(std::shared_ptr<UIImage> image) {
    CGSize s = image ? image->size() : CGSize{0, 0};
    initWithFrame(CGRectMake(0, 0, s.width, s.height));
    image_ = std::move(image);
    return this;
}

void UIImageView::setImage(std::shared_ptr<UIImage> image) {
    image_ = std::move(image);
    setNeedsDisplay();
}

void UIImageView::sizeToFit() {
    CGRect f = frame();
    f.size = image_ ? image_->size() : CGSize{0, 0};
    setFrame(f);
}

void UIImageView::drawRect(CGRect) {
    CGContextRef ctx = UIGraphicsGetCurrentContext();
    if (!ctx || !image_ || !image_->CGImage()) return;
    ctx->drawImage(bounds(), image_->CGImage());
}

// ---------------------------------------------------------------------------

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

std::shared_ptr<UIControl> makeItemView(const std::shared_ptr<UIBarButtonItem>& item) {
    auto v = std::make_shared<BarItemControl>(item);
    v->initWithFrame(CGRectMake(0, 0, BarItemControl::widthFor(*item), 30));
    return v;
}

void drawBar(CGContextRef ctx, CGRect b) {
    ctx->setRGBFillColor(0.12f, 0.13f, 0.16f, 1);
    ctx->fillRect(b);
    ctx->setRGBFillColor(0.30f, 0.31f, 0.35f, 1);
    ctx->fillRect(CGRectMake(0, 0, b.size.width, 1));
    ctx->setRGBFillColor(0, 0, 0, 1);
    ctx->fillRect(CGRectMake(0, b.size.height - 1, b.size.width, 1));
}
}  // namespace

UIToolbar::UIToolbar() {}

void UIToolbar::setItems(std::vector<std::shared_ptr<UIBarButtonItem>> items) {
    for (auto& old : items_)
        if (auto v = old->view_.lock()) v->removeFromSuperview();
    items_ = std::move(items);
    for (auto& item : items_) {
        if (!item || item->isSpace()) continue;
        auto v = makeItemView(item);
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
            fixed += BarItemControl::widthFor(*item);
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
            CGFloat w = BarItemControl::widthFor(*item);
            if (auto v = item->view_.lock()) v->setFrame(CGRectMake(x, (b.size.height - h) * 0.5f, w, h));
            x += w + gap;
        }
    }
}

void UIToolbar::drawRect(CGRect) {
    if (CGContextRef ctx = UIGraphicsGetCurrentContext()) drawBar(ctx, bounds());
}

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
        auto v = makeItemView(left_);
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
        auto v = makeItemView(right_);
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
            v->setFrame(CGRectMake(6, (b.size.height - h) * 0.5f, BarItemControl::widthFor(*left_), h));
    if (right_)
        if (auto v = right_->view_.lock()) {
            CGFloat w = BarItemControl::widthFor(*right_);
            v->setFrame(CGRectMake(b.size.width - 6 - w, (b.size.height - h) * 0.5f, w, h));
        }
}

void UINavigationBar::drawRect(CGRect) {
    CGContextRef ctx = UIGraphicsGetCurrentContext();
    if (!ctx) return;
    drawBar(ctx, bounds());
    uidraw::drawText(ctx, title_, *UIFont::boldSystemFontOfSize(18), *UIColor::whiteColor(), bounds(),
                     NSTextAlignmentCenter);
}
