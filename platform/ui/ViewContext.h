// The context a view's drawRect receives: one object for the view's life,
// drawing into the view's backing surface, which it makes on the first
// drawing call and remakes behind itself when the view's size has changed.
#pragma once

#include <memory>

#include "platform/cg/CoreGraphics.h"

class UIView;

class ViewContext : public CGContext {
public:
    explicit ViewContext(UIView& view) : view_(view) {}

    CGSurface* surface() const { return surface_.get(); }
    // Whether anything was drawn since the surface was made or cleared.
    bool hasContent() const { return hasContent_; }
    // Before a drawRect: forget a surface of the wrong size, clear the other.
    void prepare();

    void clearRect(CGRect r) override { target()->clearRect(r); }
    void selectFont(const char* name, CGFloat size, CGTextEncoding enc) override {
        target()->selectFont(name, size, enc);
    }
    void setTextDrawingMode(CGTextDrawingMode mode) override { target()->setTextDrawingMode(mode); }
    void setTextMatrix(CGAffineTransform m) override { target()->setTextMatrix(m); }
    void showTextAtPoint(CGFloat x, CGFloat y, const char* text, size_t length) override {
        target()->showTextAtPoint(x, y, text, length);
    }
    void setRGBStrokeColor(CGFloat r, CGFloat g, CGFloat b, CGFloat a) override {
        target()->setRGBStrokeColor(r, g, b, a);
    }
    void setRGBFillColor(CGFloat r, CGFloat g, CGFloat b, CGFloat a) override {
        target()->setRGBFillColor(r, g, b, a);
    }
    void setLineWidth(CGFloat width) override { target()->setLineWidth(width); }
    void strokeLineSegments(const CGPoint* points, size_t count) override {
        target()->strokeLineSegments(points, count);
    }
    void beginPath() override { target()->beginPath(); }
    void moveToPoint(CGFloat x, CGFloat y) override { target()->moveToPoint(x, y); }
    void addLineToPoint(CGFloat x, CGFloat y) override { target()->addLineToPoint(x, y); }
    void strokePath() override { target()->strokePath(); }
    void fillRect(CGRect r) override { target()->fillRect(r); }
    void fillEllipseInRect(CGRect r) override { target()->fillEllipseInRect(r); }
    void saveGState() override { target()->saveGState(); }
    void restoreGState() override { target()->restoreGState(); }
    void translateCTM(CGFloat tx, CGFloat ty) override { target()->translateCTM(tx, ty); }
    void clipToRect(CGRect r) override { target()->clipToRect(r); }
    void setAlpha(CGFloat alpha) override { target()->setAlpha(alpha); }
    void addRect(CGRect r) override { target()->addRect(r); }
    void addRoundedRect(CGRect r, CGFloat radius) override { target()->addRoundedRect(r, radius); }
    void closePath() override { target()->closePath(); }
    void fillPath() override { target()->fillPath(); }
    void drawImage(CGRect r, const CGImageRef& image) override { target()->drawImage(r, image); }
    void drawSurface(CGFloat x, CGFloat y, CGSurface& surface) override {
        target()->drawSurface(x, y, surface);
    }
    CGFloat textWidth(const char* text, size_t length) override { return target()->textWidth(text, length); }

private:
    CGContext* target();
    UIView& view_;
    std::unique_ptr<CGSurface> surface_;
    bool hasContent_ = false;
};
