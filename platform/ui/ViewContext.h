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

#define VIEW_CONTEXT_OP(Name, method, params, args, ...) \
    void method params override { target()->method args; }
#define VIEW_CONTEXT_OP0(Name, method) \
    void method() override { target()->method(); }
    CG_DRAWING_OPS(VIEW_CONTEXT_OP, VIEW_CONTEXT_OP0)
#undef VIEW_CONTEXT_OP
#undef VIEW_CONTEXT_OP0
    CGFloat textWidth(const char* text, size_t length) override { return target()->textWidth(text, length); }

private:
    CGContext* target();
    UIView& view_;
    std::unique_ptr<CGSurface> surface_;
    bool hasContent_ = false;
};
