// Buttons: titles, colours and images per state, and how each type draws.
#include "platform/ui/UIButton.h"

#include <algorithm>
#include <cstdio>

#include "platform/ui/Drawing.h"
#include "platform/ui/UIColor.h"
#include "platform/ui/UIFont.h"
#include "platform/ui/UIImage.h"
#include "platform/ui/UITouch.h"

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

NSString UIButton::defaultAccessibilityLabel() const {
    NSString title = currentTitle();
    if (title.empty() && (type_ == UIButtonTypeInfoLight || type_ == UIButtonTypeInfoDark)) return "Info";
    return title;
}
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

namespace {
UIButton& as(UIView& v) { return static_cast<UIButton&>(v); }
}  // namespace

const NibProperties& UIButton::nibProperties() const {
    static const NibProperties table = {
        {"buttonType", nullptr},  // read when the nib makes the button
        {"title", [](UIView& v, const NibValue& in) { as(v).setTitle(in.string(), UIControlStateNormal); }},
        {"titleColor",
         [](UIView& v, const NibValue& in) { as(v).setTitleColor(in.color(), UIControlStateNormal); }},
        {"backgroundImage",
         [](UIView& v, const NibValue& in) { as(v).setBackgroundImage(in.image(), UIControlStateNormal); }},
        {"image", [](UIView& v, const NibValue& in) { as(v).setImage(in.image(), UIControlStateNormal); }},
        {"font", [](UIView& v, const NibValue& in) { as(v).setTitleFont(in.font()); }},
        {"contentHorizontalAlignment",
         [](UIView& v, const NibValue& in) {
             as(v).setContentHorizontalAlignment(UIControlContentHorizontalAlignment(
                 in.named({{"center", int(UIControlContentHorizontalAlignmentCenter)},
                           {"left", int(UIControlContentHorizontalAlignmentLeft)},
                           {"right", int(UIControlContentHorizontalAlignmentRight)},
                           {"fill", int(UIControlContentHorizontalAlignmentFill)}})));
         }},
        {"enabled", [](UIView& v, const NibValue& in) { as(v).setEnabled(in.boolean()); }},
        {"events",
         [](UIView&, const NibValue& in) {
             if (!in.sibling("action")) in.fail("'events' without an 'action'");
         }},
        {"action",
         [](UIView& v, const NibValue& in) {
             SEL action = in.string();
             if (action.empty()) in.fail("'action' is empty");
             const NibValue* events = in.sibling("events");
             as(v).addTarget(in.target(action), action,
                             events ? UIControlEvents(events->number()) : UIControlEventTouchUpInside);
         }},
        {"target", nullptr},  // read with the action
    };
    return table;
}
