// The view: a rectangle in its superview, subviews on top of it, and a
// backing surface that its drawRect paints when it has been marked dirty.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/cg/CoreGraphics.h"
#include "platform/ui/NibProperties.h"
#include "platform/ui/UIAccessibility.h"
#include "platform/ui/UIResponder.h"

class UIColor;
class UIWindow;
class UIViewController;
class ViewContext;

enum UIViewAutoresizing : unsigned {
    UIViewAutoresizingNone = 0,
    UIViewAutoresizingFlexibleLeftMargin = 1 << 0,
    UIViewAutoresizingFlexibleWidth = 1 << 1,
    UIViewAutoresizingFlexibleRightMargin = 1 << 2,
    UIViewAutoresizingFlexibleTopMargin = 1 << 3,
    UIViewAutoresizingFlexibleHeight = 1 << 4,
    UIViewAutoresizingFlexibleBottomMargin = 1 << 5,
};
NS_OPTIONS_OPERATORS(UIViewAutoresizing)

class UIView : public UIResponder {
public:
    UIView();
    ~UIView() override;

    // Two-step creation as on the platform: make_shared, then init.
    virtual UIView* initWithFrame(CGRect frame);

    std::shared_ptr<UIView> shared_from_this() {
        return std::static_pointer_cast<UIView>(NSObject::shared_from_this());
    }
    std::weak_ptr<UIView> weak_from_this() { return shared_from_this(); }

    CGRect frame() const { return frame_; }
    // A new size resizes the subviews by their autoresizing masks and marks the view dirty.
    virtual void setFrame(CGRect frame);
    CGRect bounds() const { return CGRectMake(0, 0, frame_.size.width, frame_.size.height); }
    CGPoint center() const;
    void setCenter(CGPoint c);
    UIViewAutoresizing autoresizingMask() const { return autoresizingMask_; }
    void setAutoresizingMask(UIViewAutoresizing mask) { autoresizingMask_ = mask; }

    // Asks the run loop for one later drawRect; requests merge until it runs.
    void setNeedsDisplay();
    void setNeedsDisplayInRect(CGRect rect);
    bool needsDisplay() const { return needsDisplay_; }
    // Draws the view's content into UIGraphicsGetCurrentContext(), which is
    // the view's own backing context (the same object for the view's life).
    virtual void drawRect(CGRect rect);

    const std::vector<std::shared_ptr<UIView>>& subviews() const { return subviews_; }
    void addSubview(const std::shared_ptr<UIView>& view);
    void insertSubviewAtIndex(const std::shared_ptr<UIView>& view, NSInteger index);
    void bringSubviewToFront(const std::shared_ptr<UIView>& view);
    void removeFromSuperview();
    std::shared_ptr<UIView> superview() const { return superview_.lock(); }
    // The window the view is in, or nullptr.
    UIWindow* window() const;
    bool isDescendantOfView(const UIView* view) const;
    std::shared_ptr<UIView> viewWithTag(NSInteger tag);

    bool isOpaque() const { return opaque_; }
    void setOpaque(bool opaque) { opaque_ = opaque; }
    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden);
    CGFloat alpha() const { return alpha_; }
    void setAlpha(CGFloat alpha);
    const std::shared_ptr<UIColor>& backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(std::shared_ptr<UIColor> color);
    bool clipsToBounds() const { return clipsToBounds_; }
    void setClipsToBounds(bool clips);
    bool isUserInteractionEnabled() const { return userInteractionEnabled_; }
    void setUserInteractionEnabled(bool on) { userInteractionEnabled_ = on; }
    bool isMultipleTouchEnabled() const { return multipleTouchEnabled_; }
    void setMultipleTouchEnabled(bool on) { multipleTouchEnabled_ = on; }
    NSInteger tag() const { return tag_; }
    void setTag(NSInteger tag) { tag_ = tag; }
    // A name for tests and scripts (the nib's "identifier").
    const NSString& accessibilityIdentifier() const { return identifier_; }
    void setAccessibilityIdentifier(const NSString& identifier) { identifier_ = identifier; }

    // What a screen reader finds. Each property answers the class's default
    // until it is set.
    bool isAccessibilityElement() const {
        return accessibilityElement_.value_or(defaultIsAccessibilityElement());
    }
    void setIsAccessibilityElement(bool on) { accessibilityElement_ = on; }
    NSString accessibilityLabel() const { return accessibilityLabel_.value_or(defaultAccessibilityLabel()); }
    void setAccessibilityLabel(const NSString& label) { accessibilityLabel_ = label; }
    NSString accessibilityValue() const { return accessibilityValue_.value_or(defaultAccessibilityValue()); }
    void setAccessibilityValue(const NSString& value) { accessibilityValue_ = value; }
    UIAccessibilityTraits accessibilityTraits() const {
        return accessibilityTraits_.value_or(defaultAccessibilityTraits());
    }
    void setAccessibilityTraits(UIAccessibilityTraits traits) { accessibilityTraits_ = traits; }
    // The view's bounds in its window's coordinates.
    CGRect accessibilityFrame() const { return convertRectToView(bounds(), nullptr); }
    // Where a link trait leads: the page mirrors the element as a link to it.
    const NSString& accessibilityLinkAddress() const { return linkAddress_; }
    void setAccessibilityLinkAddress(const NSString& address) { linkAddress_ = address; }

    // The view's own point in another view's coordinates (nullptr: the window's).
    CGPoint convertPointToView(CGPoint p, const UIView* other) const;
    CGPoint convertPointFromView(CGPoint p, const UIView* other) const;
    CGRect convertRectToView(CGRect r, const UIView* other) const;
    // Whether p (in this view's coordinates) is inside the view.
    virtual bool pointInside(CGPoint p, UIEvent* event) const;
    // Deepest visible, interactive view that contains p (p in this view's bounds).
    virtual std::shared_ptr<UIView> hitTest(CGPoint p, UIEvent* event = nullptr);

    // Sizes the view to its content (labels, image views, buttons).
    virtual void sizeToFit() {}

    // The keys a nib may set on every view, and on this class beyond them.
    static const NibProperties& viewNibProperties();
    virtual const NibProperties& nibProperties() const;

    // Backing store, made lazily by the run loop at the view's size and the
    // screen's pixel ratio on the first drawing call, resized behind the same
    // context object when the view's size changes; nullptr until then.
    CGSurface* backingSurface() const;
    // True once drawRect has drawn into the backing pixels.
    bool hasBackingContent() const;
    // The context drawRect receives; lives exactly as long as the view.
    CGContextRef backingContext() const;
    // How many times drawRect has run (tests).
    unsigned long drawCount() const { return drawCount_; }
    // For a view whose drawRect draws all of its content on every pass: on a
    // backend that prefers it, the pass may draw straight into the window
    // while the window is composited, with no surface of the view's own.
    void setDrawsInPlace(bool inPlace) { drawsInPlace_ = inPlace; }
    bool drawsInPlace() const;

    UIResponder* nextResponder() const override;
    // The controller whose root view this is (set by the controller when it loads its view).
    std::shared_ptr<UIViewController> viewController() const { return viewController_.lock(); }
    void setViewController(const std::weak_ptr<UIViewController>& controller) {
        viewController_ = controller;
    }

protected:
    // The platform's defaults: a plain view is no element.
    virtual bool defaultIsAccessibilityElement() const { return false; }
    virtual NSString defaultAccessibilityLabel() const { return {}; }
    virtual NSString defaultAccessibilityValue() const { return {}; }
    virtual UIAccessibilityTraits defaultAccessibilityTraits() const { return UIAccessibilityTraitNone; }

    // Called after the superview changed (nullptr when removed).
    virtual void didMoveToSuperview() {}
    // Lets subclasses lay out their subviews after a size change.
    virtual void layoutSubviews() {}

private:
    void resizeSubviews(CGSize oldSize);
    void displayIfNeeded();
    // drawRect into ctx, the window's context moved to the view's origin.
    void displayInPlace(CGContextRef ctx);

    CGRect frame_{};
    bool needsDisplay_ = false;
    bool opaque_ = false;
    bool hidden_ = false;
    bool clipsToBounds_ = false;
    bool userInteractionEnabled_ = true;
    bool multipleTouchEnabled_ = false;
    CGFloat alpha_ = 1;
    NSInteger tag_ = 0;
    NSString identifier_;
    std::optional<bool> accessibilityElement_;
    std::optional<NSString> accessibilityLabel_, accessibilityValue_;
    std::optional<UIAccessibilityTraits> accessibilityTraits_;
    NSString linkAddress_;
    UIViewAutoresizing autoresizingMask_ = UIViewAutoresizingNone;
    std::shared_ptr<UIColor> backgroundColor_;
    std::vector<std::shared_ptr<UIView>> subviews_;
    std::weak_ptr<UIView> superview_;
    std::unique_ptr<ViewContext> context_;
    std::weak_ptr<UIViewController> viewController_;
    unsigned long drawCount_ = 0;
    bool drawsInPlace_ = false;
    // The backing pixels are older than the last pass (drawn in place).
    bool backingStale_ = false;

    friend class Compositor;  // runs displayIfNeeded and displayInPlace
};
