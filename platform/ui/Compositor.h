// Compositing: runs drawRect of every dirty view, then draws the window's
// views, their backing pixels, alpha and clipping, into one context, with a
// running modal transition between its two screens.
#pragma once

#include <functional>

#include "platform/ui/Presentation.h"
#include "platform/ui/UIKit.h"

class Compositor {
public:
    // Where it answers true, a view's content was drawn by the caller, in the
    // view's coordinates, in place of its backing pixels.
    using ContentOverride = std::function<bool(UIView& view, CGContextRef ctx)>;

    // drawRect of every dirty view under view; true if any drew.
    static bool displayTree(UIView* view);
    // The screen (size in points) at time t: black, then the window.
    static void drawScreen(CGContextRef ctx, CGSize size, UIWindow* window,
                           const Presentation::Transition* transition, double t,
                           const ContentOverride* content);

private:
    static void drawView(UIView* view, CGContextRef ctx, CGFloat alpha, const ContentOverride* content);
    static void drawTransition(CGContextRef ctx, CGSize size, UIWindow& window,
                               const Presentation::Transition& tr, double t, const ContentOverride* content);
};
