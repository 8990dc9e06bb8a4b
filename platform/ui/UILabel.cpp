// One line of text.
#include "platform/ui/UILabel.h"

#include <algorithm>
#include <cstdio>

#include "platform/ui/Drawing.h"
#include "platform/ui/UIBarButtonItem.h"
#include "platform/ui/UIColor.h"
#include "platform/ui/UIControl.h"
#include "platform/ui/UIFont.h"
#include "platform/ui/UIImage.h"
#include "platform/ui/UIImageView.h"

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

const NibProperties& UILabel::nibProperties() const {
    static const NibProperties table = {
        {"text", [](UIView& v, const NibValue& in) { static_cast<UILabel&>(v).setText(in.string()); }},
        {"textColor",
         [](UIView& v, const NibValue& in) { static_cast<UILabel&>(v).setTextColor(in.color()); }},
        {"font", [](UIView& v, const NibValue& in) { static_cast<UILabel&>(v).setFont(in.font()); }},
        {"textAlignment",
         [](UIView& v, const NibValue& in) {
             static_cast<UILabel&>(v).setTextAlignment(
                 NSTextAlignment(in.named({{"left", int(NSTextAlignmentLeft)},
                                           {"center", int(NSTextAlignmentCenter)},
                                           {"right", int(NSTextAlignmentRight)}})));
         }},
    };
    return table;
}
