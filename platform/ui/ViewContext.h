// The context a view's drawRect receives: one object for the view's life,
// drawing into the view's backing surface, which it makes on the first
// drawing call and remakes behind itself when the view's size has changed;
// or, for a pass drawn in place, into the window's context.
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
    // Sends the pass that follows to ctx (not null), or back to the surface.
    void drawInto(CGContext* ctx);
    // A pass drawn in place cleared after it drew: beneath it is the window,
    // not transparency, so its image was wrong.
    bool clearedAfterDrawing() const { return clearedAfterDrawing_; }

#define VIEW_CONTEXT_OP(Name, method, params, args, ...)       \
    void method params override {                              \
        if (CGContext* t = target(CGOp::Name)) t->method args; \
    }
#define VIEW_CONTEXT_OP0(Name, method)                      \
    void method() override {                                \
        if (CGContext* t = target(CGOp::Name)) t->method(); \
    }
    CG_DRAWING_OPS(VIEW_CONTEXT_OP, VIEW_CONTEXT_OP0)
#undef VIEW_CONTEXT_OP
#undef VIEW_CONTEXT_OP0
    CGFloat textWidth(const char* text, size_t length) override {
        CGContext* t = target();
        return t ? t->textWidth(text, length) : 0;
    }

private:
    // Null where there is nothing to draw into (see UIView.cpp).
    CGContext* target();
    // Where op goes; null for a clear drawn in place before anything else
    // (the pass starts transparent anyway, and the window beneath must stay).
    CGContext* target(CGOp op);
    UIView& view_;
    std::unique_ptr<CGSurface> surface_;
    bool hasContent_ = false;
    CGContext* inPlace_ = nullptr;
    bool drewInPlace_ = false;
    bool clearedAfterDrawing_ = false;
};
