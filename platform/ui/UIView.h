// The view: a rectangle in its superview, subviews on top of it, and a
// backing surface that its drawRect paints when it has been marked dirty.
#pragma once

#include <memory>
#include <vector>

#include "platform/cg/CoreGraphics.h"
#include "platform/ui/UIResponder.h"

class UIColor;

class UIView : public UIResponder, public std::enable_shared_from_this<UIView> {
public:
    UIView() = default;
    ~UIView() override;

    // Two-step creation as on the platform: make_shared, then init.
    virtual UIView* initWithFrame(CGRect frame);

    CGRect frame() const { return frame_; }
    virtual void setFrame(CGRect frame);
    CGRect bounds() const { return CGRectMake(0, 0, frame_.size.width, frame_.size.height); }
    CGPoint center() const;
    void setCenter(CGPoint c);

    // Asks the run loop for one later drawRect; requests merge until it runs.
    void setNeedsDisplay();
    bool needsDisplay() const { return needsDisplay_; }
    // The run loop's side: draws into the backing surface if dirty.
    virtual void drawRect(CGRect rect);

    const std::vector<std::shared_ptr<UIView>>& subviews() const { return subviews_; }
    void addSubview(const std::shared_ptr<UIView>& view);
    void removeFromSuperview();
    std::shared_ptr<UIView> superview() const { return superview_.lock(); }

    bool isOpaque() const { return opaque_; }
    void setOpaque(bool opaque) { opaque_ = opaque; }
    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden);
    const std::shared_ptr<UIColor>& backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(std::shared_ptr<UIColor> color);
    bool isUserInteractionEnabled() const { return userInteractionEnabled_; }
    void setUserInteractionEnabled(bool on) { userInteractionEnabled_ = on; }
    bool isMultipleTouchEnabled() const { return multipleTouchEnabled_; }
    void setMultipleTouchEnabled(bool on) { multipleTouchEnabled_ = on; }

    // The view's own point in another view's coordinates (both in one window).
    CGPoint convertPointToView(CGPoint p, const UIView* other) const;
    // Deepest visible, interactive view that contains p (p in this view's bounds).
    virtual std::shared_ptr<UIView> hitTest(CGPoint p);

    // Backing store; made by the run loop at the view's size and the screen's
    // pixel ratio, kept for the life of the view and remade only on a resize.
    CGSurface* backingSurface() const { return surface_.get(); }
    void setBackingSurface(std::unique_ptr<CGSurface> surface);

    UIResponder* nextResponder() const override;
    // Set by a controller whose root view this is, so touches reach it.
    void setViewDelegate(UIResponder* controller) { viewDelegate_ = controller; }

    // Counts setNeedsDisplay calls not yet served, for the run loop.
    static bool anyNeedsDisplay();
    static void clearAnyNeedsDisplay();

private:
    CGRect frame_{};
    bool needsDisplay_ = false;
    bool opaque_ = false;
    bool hidden_ = false;
    bool userInteractionEnabled_ = true;
    bool multipleTouchEnabled_ = false;
    std::shared_ptr<UIColor> backgroundColor_;
    std::vector<std::shared_ptr<UIView>> subviews_;
    std::weak_ptr<UIView> superview_;
    std::unique_ptr<CGSurface> surface_;
    UIResponder* viewDelegate_ = nullptr;

    friend class UIWindow;
    void markClean() { needsDisplay_ = false; }
};
