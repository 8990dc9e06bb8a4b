#include "platform/ui/Compositor.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/ViewContext.h"

namespace {
double easeInOut(double p) { return p * p * (3 - 2 * p); }
}  // namespace

bool Compositor::displayTree(UIView* view) {
    if (!view || view->isHidden()) return false;
    bool drew = view->needsDisplay() && view->frame().size.width >= 1 && view->frame().size.height >= 1;
    // Drawn while composited (drawView).
    if (!view->drawsInPlace()) view->displayIfNeeded();
    auto subs = view->subviews();
    for (auto& s : subs) drew = displayTree(s.get()) || drew;
    return drew;
}

void Compositor::drawView(UIView* view, CGContextRef ctx, CGFloat alpha, const ContentOverride* content) {
    if (!view || view->isHidden()) return;
    const CGFloat a = alpha * view->alpha();
    if (a <= 0) return;
    ctx->saveGState();
    ctx->translateCTM(view->frame().origin.x, view->frame().origin.y);
    const CGRect b = view->bounds();
    if (view->clipsToBounds()) ctx->clipToRect(b);
    if (const auto& bg = view->backgroundColor(); bg && bg->alpha() > 0) {
        ctx->setAlpha(a);
        bg->setFill(ctx);
        ctx->fillRect(b);
    }
    ctx->setAlpha(a);
    const bool inPlace = view->drawsInPlace();
    if (content && (*content)(*view, ctx)) {
        // drawn by the caller
    } else if (inPlace && a >= 1) {
        view->displayInPlace(ctx);
    } else {
        if (inPlace || view->backingStale_) {
            // Faded, or back on its own surface: that surface needs the last pass.
            view->needsDisplay_ = view->needsDisplay_ || view->backingStale_;
            view->backingStale_ = false;
            view->displayIfNeeded();
        }
        if (CGSurface* s = view->backingSurface(); s && view->hasBackingContent()) ctx->drawSurface(0, 0, *s);
    }
    for (auto& sub : view->subviews()) drawView(sub.get(), ctx, a, content);
    ctx->restoreGState();
}

void Compositor::drawScreen(CGContextRef ctx, CGSize size, UIWindow* window,
                            const Presentation::Transition* transition, double t,
                            const ContentOverride* content) {
    const CGRect screen = CGRectMake(0, 0, size.width, size.height);
    ctx->saveGState();
    ctx->setAlpha(1);
    ctx->setRGBFillColor(0, 0, 0, 1);
    ctx->fillRect(screen);
    if (window && !window->isHidden()) {
        if (!transition)
            drawView(window, ctx, 1, content);
        else
            drawTransition(ctx, size, *window, *transition, t, content);
    }
    ctx->restoreGState();
}

void Compositor::drawTransition(CGContextRef ctx, CGSize size, UIWindow& window,
                                const Presentation::Transition& tr, double t,
                                const ContentOverride* content) {
    const CGRect screen = CGRectMake(0, 0, size.width, size.height);
    UIView* from = (tr.presenting ? tr.presenter : tr.presented)->viewIfLoaded().get();
    UIView* to = (tr.presenting ? tr.presented : tr.presenter)->viewIfLoaded().get();
    const double progress = std::max(0.0, std::min(1.0, (t - tr.start) / UIModalTransitionDuration));
    ctx->saveGState();
    ctx->translateCTM(window.frame().origin.x, window.frame().origin.y);
    // The window's other content first (what lies under both).
    for (auto& sub : window.subviews())
        if (sub.get() != from && sub.get() != to) drawView(sub.get(), ctx, window.alpha(), content);
    const CGFloat w = size.width, h = size.height;
    switch (tr.style) {
        case UIModalTransitionStyleFlipHorizontal: {
            // The card turns about its vertical axis: the old side narrows to
            // an edge, then the new side widens from it.
            const double c = std::fabs(std::cos(3.14159265358979323846 * progress));
            const CGFloat band = CGFloat(w * c);
            ctx->clipToRect(CGRectMake((w - band) / 2, 0, band, h));
            drawView(progress < 0.5 ? from : to, ctx, 1, content);
            ctx->setAlpha(CGFloat(0.35 * (1 - c)));
            ctx->setRGBFillColor(0, 0, 0, 1);
            ctx->fillRect(screen);
            break;
        }
        case UIModalTransitionStyleCrossDissolve:
            drawView(from, ctx, CGFloat(1 - progress), content);
            drawView(to, ctx, CGFloat(progress), content);
            break;
        default: {
            const CGFloat e = CGFloat(easeInOut(progress));
            if (tr.presenting) {
                drawView(from, ctx, 1, content);
                ctx->translateCTM(0, h * (1 - e));
                drawView(to, ctx, 1, content);
            } else {
                drawView(to, ctx, 1, content);
                ctx->translateCTM(0, h * e);
                drawView(from, ctx, 1, content);
            }
            break;
        }
    }
    ctx->restoreGState();
}
