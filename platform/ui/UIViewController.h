// View controllers: a root view loaded lazily (from a nib or loadView), modal
// presentation and dismissal.
#pragma once

#include <functional>
#include <memory>

#include "platform/cg/CoreGraphics.h"
#include "platform/ui/UIResponder.h"

class UIView;
class NSBundle;

enum class UIModalTransitionStyle : int {
    CoverVertical = 0,
    FlipHorizontal = 1,
    CrossDissolve = 2,
};
constexpr UIModalTransitionStyle UIModalTransitionStyleCoverVertical = UIModalTransitionStyle::CoverVertical;
constexpr UIModalTransitionStyle UIModalTransitionStyleFlipHorizontal =
    UIModalTransitionStyle::FlipHorizontal;
constexpr UIModalTransitionStyle UIModalTransitionStyleCrossDissolve = UIModalTransitionStyle::CrossDissolve;

// Seconds a modal transition takes when animated.
constexpr double UIModalTransitionDuration = 0.4;

class UIViewController : public UIResponder {
public:
    UIViewController();
    ~UIViewController() override;

    std::shared_ptr<UIViewController> shared_from_this() {
        return std::static_pointer_cast<UIViewController>(NSObject::shared_from_this());
    }

    // nibName "" means no nib (loadView makes a plain view); bundle nullptr
    // means the main bundle. The nib is read when view() is first asked for.
    virtual UIViewController* initWithNibName(const NSString& nibName, NSBundle* bundle);
    UIViewController* init() { return initWithNibName("", nullptr); }
    const NSString& nibName() const { return nibName_; }

    // Loads the view on first use: loadView, then viewDidLoad.
    std::shared_ptr<UIView> view();
    void setView(std::shared_ptr<UIView> view);
    bool isViewLoaded() const { return view_ != nullptr; }
    // The view without loading it (nullptr before).
    std::shared_ptr<UIView> viewIfLoaded() const { return view_; }
    // Loads the nib with this controller as File's Owner, or makes a plain
    // view of the screen's size when there is no nib. Throws NibLoadError.
    virtual void loadView();
    virtual void viewDidLoad() {}
    virtual void viewWillAppear(bool animated) { (void)animated; }
    virtual void viewDidAppear(bool animated) { (void)animated; }
    virtual void viewWillDisappear(bool animated) { (void)animated; }
    virtual void viewDidDisappear(bool animated) { (void)animated; }
    virtual void didReceiveMemoryWarning() {}

    // Shows vc over the window (its view gets the window's bounds), with the
    // modal transition style of vc. completion runs once it is on screen.
    // Ignored (with a warning on stderr) when this controller already presents one.
    void presentViewController(std::shared_ptr<UIViewController> vc, bool animated,
                               std::function<void()> completion);
    // Dismisses the controller this one presents, or, if it presents none,
    // this one from its presenter.
    void dismissViewControllerAnimated(bool animated, std::function<void()> completion);
    std::shared_ptr<UIViewController> presentedViewController() const { return presented_; }
    std::shared_ptr<UIViewController> presentingViewController() const { return presenting_.lock(); }
    UIModalTransitionStyle modalTransitionStyle() const { return transitionStyle_; }
    void setModalTransitionStyle(UIModalTransitionStyle style) { transitionStyle_ = style; }

    // The size a popover gives this controller's view; 320 x 480 by default.
    CGSize contentSizeForViewInPopover() const { return popoverSize_; }
    void setContentSizeForViewInPopover(CGSize size) { popoverSize_ = size; }

    // The root view's superview (the window or the view it is shown in).
    UIResponder* nextResponder() const override;

private:
    friend class Presentation;
    NSString nibName_;
    std::shared_ptr<UIView> view_;
    std::shared_ptr<UIViewController> presented_;
    std::weak_ptr<UIViewController> presenting_;
    UIModalTransitionStyle transitionStyle_ = UIModalTransitionStyleCoverVertical;
    CGSize popoverSize_{320, 480};
};
