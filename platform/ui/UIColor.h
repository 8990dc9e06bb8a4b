// Colours, as shared immutable objects.
#pragma once

#include <memory>

#include "platform/cg/CoreGraphics.h"
#include "platform/ui/Foundation.h"

class UIColor : public NSObject {
public:
    UIColor(CGFloat r, CGFloat g, CGFloat b, CGFloat a) : r_(r), g_(g), b_(b), a_(a) {}

    static std::shared_ptr<UIColor> colorWithRed(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
    static std::shared_ptr<UIColor> colorWithWhite(CGFloat white, CGFloat alpha);
    static std::shared_ptr<UIColor> whiteColor();
    static std::shared_ptr<UIColor> blackColor();
    static std::shared_ptr<UIColor> clearColor();
    static std::shared_ptr<UIColor> grayColor();
    static std::shared_ptr<UIColor> lightGrayColor();
    static std::shared_ptr<UIColor> darkGrayColor();
    static std::shared_ptr<UIColor> redColor();
    static std::shared_ptr<UIColor> greenColor();
    static std::shared_ptr<UIColor> blueColor();

    CGFloat red() const { return r_; }
    CGFloat green() const { return g_; }
    CGFloat blue() const { return b_; }
    CGFloat alpha() const { return a_; }
    std::shared_ptr<UIColor> colorWithAlphaComponent(CGFloat alpha) const;

    // Sets both fill and stroke colour of ctx.
    void set(CGContextRef ctx) const;
    void setFill(CGContextRef ctx) const;
    void setStroke(CGContextRef ctx) const;

private:
    CGFloat r_, g_, b_, a_;
};
