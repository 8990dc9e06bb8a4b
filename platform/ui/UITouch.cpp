// Touches and events as views read them.
#include "platform/ui/UITouch.h"

#include "platform/ui/UIView.h"

CGPoint UITouch::locationInView(const UIView* view) const {
    return view ? view->convertPointFromView(location_, nullptr) : location_;
}

CGPoint UITouch::previousLocationInView(const UIView* view) const {
    return view ? view->convertPointFromView(previous_, nullptr) : previous_;
}

NSSet UIEvent::touchesForView(const UIView* view) const {
    std::vector<std::shared_ptr<UITouch>> out;
    for (const auto& t : allTouches_)
        if (t->view().get() == view) out.push_back(t);
    return NSSet(out);
}
