// Presentation: modal controllers with their transitions, and popovers with
// their fades. Touches down when one starts are cancelled; the compositor
// draws a running transition from transition().
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/ui/UIKit.h"

class UIKitRuntime;

class Presentation {
public:
    struct Transition {
        std::shared_ptr<UIViewController> presenter, presented;
        bool presenting = true;
        UIModalTransitionStyle style = UIModalTransitionStyleCoverVertical;
        double start = 0;
        std::function<void()> completion;
    };

    explicit Presentation(UIKitRuntime& runtime) : runtime_(runtime) {}
    void present(const std::shared_ptr<UIViewController>& presenter,
                 const std::shared_ptr<UIViewController>& vc, bool animated,
                 std::function<void()> completion);
    void dismiss(const std::shared_ptr<UIViewController>& presenter, bool animated,
                 std::function<void()> completion);
    void showPopover(const std::shared_ptr<UIPopoverController>& popover, bool animated);
    void hidePopover(const std::shared_ptr<UIPopoverController>& popover, bool animated);
    // Ends what has run its time at t.
    void step(double t);
    bool isAnimating() const { return transition_ != nullptr || !fading_.empty(); }
    const Transition* transition() const { return transition_.get(); }
    void clear() {
        transition_.reset();
        fading_.clear();
    }

private:
    void beginTransition(const std::shared_ptr<UIViewController>& presenter,
                         const std::shared_ptr<UIViewController>& presented, bool presenting, bool animated,
                         std::function<void()> completion);
    void finishTransition();

    UIKitRuntime& runtime_;
    std::unique_ptr<Transition> transition_;
    std::vector<std::shared_ptr<UIPopoverController>> fading_;
};
