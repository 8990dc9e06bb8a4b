// The UIGraphics context stack. Everything runs on the main thread, so a plain
// vector is enough; popping an empty stack is ignored rather than fatal, as a
// stray pop on the platform leaves no context current but does not crash.
#include <vector>

#include "platform/cg/CoreGraphics.h"

namespace {
std::vector<CGContextRef>& contextStack() {
    static std::vector<CGContextRef> stack;
    return stack;
}
}  // namespace

void UIGraphicsPushContext(CGContextRef ctx) { contextStack().push_back(ctx); }

void UIGraphicsPopContext() {
    auto& stack = contextStack();
    if (!stack.empty()) stack.pop_back();
}

CGContextRef UIGraphicsGetCurrentContext() {
    const auto& stack = contextStack();
    return stack.empty() ? nullptr : stack.back();
}
