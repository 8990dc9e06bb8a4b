// Colours, and setting them on a context.
#include "platform/ui/UIColor.h"

#include "platform/ui/UIFont.h"

std::shared_ptr<UIColor> UIColor::colorWithRed(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha) {
    return std::make_shared<UIColor>(red, green, blue, alpha);
}
std::shared_ptr<UIColor> UIColor::colorWithWhite(CGFloat white, CGFloat alpha) {
    return std::make_shared<UIColor>(white, white, white, alpha);
}
std::shared_ptr<UIColor> UIColor::whiteColor() { return colorWithWhite(1, 1); }
std::shared_ptr<UIColor> UIColor::blackColor() { return colorWithWhite(0, 1); }
std::shared_ptr<UIColor> UIColor::clearColor() { return colorWithWhite(0, 0); }
std::shared_ptr<UIColor> UIColor::grayColor() { return colorWithWhite(0.5f, 1); }
std::shared_ptr<UIColor> UIColor::lightGrayColor() { return colorWithWhite(2.0f / 3, 1); }
std::shared_ptr<UIColor> UIColor::darkGrayColor() { return colorWithWhite(1.0f / 3, 1); }
std::shared_ptr<UIColor> UIColor::redColor() { return colorWithRed(1, 0, 0, 1); }
std::shared_ptr<UIColor> UIColor::greenColor() { return colorWithRed(0, 1, 0, 1); }
std::shared_ptr<UIColor> UIColor::blueColor() { return colorWithRed(0, 0, 1, 1); }

std::shared_ptr<UIColor> UIColor::colorWithAlphaComponent(CGFloat alpha) const {
    return colorWithRed(r_, g_, b_, alpha);
}
void UIColor::set(CGContextRef ctx) const {
    setFill(ctx);
    setStroke(ctx);
}
void UIColor::setFill(CGContextRef ctx) const { ctx->setRGBFillColor(r_, g_, b_, a_); }
void UIColor::setStroke(CGContextRef ctx) const { ctx->setRGBStrokeColor(r_, g_, b_, a_); }
