#include "platform/ui/TouchDispatch.h"

#include <algorithm>
#include <cmath>

namespace {
// A touch that began this close in time and space to where the last tap
// ended counts one more tap; a tap is a touch that never strayed further
// than kTapSlop from where it began.
constexpr double kMultiTapInterval = 0.35;
constexpr CGFloat kTapSlop = 25;

CGFloat distance(CGPoint a, CGPoint b) { return std::hypot(a.x - b.x, a.y - b.y); }
}  // namespace

std::shared_ptr<UITouch> TouchDispatch::find(long long finger) const {
    for (auto& t : touches_)
        if (t->identifier_ == finger) return t;
    return nullptr;
}

std::shared_ptr<UITouch> TouchDispatch::begin(const TouchPoint& pt, double timestamp, UIWindow& window,
                                              UIEvent* event, bool ignoreNew) {
    auto t = std::make_shared<UITouch>();
    t->identifier_ = pt.finger;
    t->location_ = t->previous_ = t->start_ = pt.location;
    t->timestamp_ = timestamp;
    t->window_ = &window;
    t->phase_ = UITouchPhaseBegan;
    if (pt.tapCount > 0)
        t->tapCount_ = pt.tapCount;
    else if (lastTap_.valid && timestamp - lastTap_.time <= kMultiTapInterval &&
             distance(pt.location, lastTap_.location) <= kTapSlop)
        t->tapCount_ = lastTap_.tapCount + 1;
    else
        t->tapCount_ = 1;
    if (ignoreNew) {
        t->ignored_ = true;
    } else {
        auto hit = window.hitTest(pt.location, event);
        // A view that takes one touch at a time does not get a second.
        if (hit && !hit->isMultipleTouchEnabled()) {
            for (auto& other : touches_)
                if (!other->ignored_ && other->view_.lock() == hit) hit = nullptr;
        }
        t->view_ = hit;
    }
    touches_.push_back(t);
    return t;
}

bool TouchDispatch::update(UITouch& t, const TouchPoint& pt, double timestamp) {
    t.timestamp_ = timestamp;
    UITouchPhase phase = static_cast<UITouchPhase>(pt.phase);
    if (phase == UITouchPhaseBegan) phase = UITouchPhaseMoved;  // a finger already down
    if (phase == UITouchPhaseStationary || (phase == UITouchPhaseMoved && t.location_ == pt.location)) {
        t.phase_ = UITouchPhaseStationary;
        return false;
    }
    if (phase != UITouchPhaseCancelled) {
        t.previous_ = t.location_;
        t.location_ = pt.location;
        t.maxTravel_ = std::max(t.maxTravel_, distance(t.start_, pt.location));
    }
    t.phase_ = phase == UITouchPhaseEnded || phase == UITouchPhaseCancelled ? phase : UITouchPhaseMoved;
    return true;
}

void TouchDispatch::send(const Touches& touches, UITouchPhase phase, UIEvent* event) {
    // Group by view, in the order the views first appear.
    std::vector<std::pair<std::shared_ptr<UIView>, Touches>> groups;
    for (auto& t : touches) {
        if (t->phase_ != phase || t->ignored_) continue;
        auto v = t->view_.lock();
        if (!v) continue;
        auto g = std::find_if(groups.begin(), groups.end(), [&](const auto& e) { return e.first == v; });
        if (g == groups.end())
            groups.push_back({v, {t}});
        else
            g->second.push_back(t);
    }
    for (auto& g : groups) {
        NSSet set(g.second);
        if (phase == UITouchPhaseBegan)
            g.first->touchesBegan(set, event);
        else if (phase == UITouchPhaseMoved)
            g.first->touchesMoved(set, event);
        else if (phase == UITouchPhaseEnded)
            g.first->touchesEnded(set, event);
        else
            g.first->touchesCancelled(set, event);
    }
}

void TouchDispatch::rememberTaps(const Touches& changed) {
    for (auto& t : changed) {
        if (t->phase_ == UITouchPhaseEnded) {
            if (t->maxTravel_ <= kTapSlop)
                lastTap_ = {true, t->timestamp_, t->location_, t->tapCount_};
            else
                lastTap_.valid = false;
        } else if (t->phase_ == UITouchPhaseCancelled) {
            lastTap_.valid = false;
        }
    }
}

void TouchDispatch::deliver(const TouchFrame& frame, UIWindow& window, bool ignoreNew) {
    auto event = std::make_shared<UIEvent>();
    event->timestamp_ = frame.timestamp;
    Touches changed;
    for (const TouchPoint& pt : frame.points) {
        auto t = find(pt.finger);
        if (t && std::find(changed.begin(), changed.end(), t) != changed.end())
            continue;  // one change a finger
        if (!t && pt.phase == TouchPhase::Began)
            changed.push_back(begin(pt, frame.timestamp, window, event.get(), ignoreNew));
        else if (t && update(*t, pt, frame.timestamp))
            changed.push_back(t);
    }
    for (auto& t : touches_)
        if (std::find(changed.begin(), changed.end(), t) == changed.end()) t->phase_ = UITouchPhaseStationary;
    event->allTouches_ = NSSet(touches_);

    for (UITouchPhase phase :
         {UITouchPhaseBegan, UITouchPhaseMoved, UITouchPhaseEnded, UITouchPhaseCancelled})
        send(changed, phase, event.get());
    rememberTaps(changed);
    touches_.erase(std::remove_if(touches_.begin(), touches_.end(),
                                  [](const std::shared_ptr<UITouch>& t) {
                                      return t->phase_ == UITouchPhaseEnded ||
                                             t->phase_ == UITouchPhaseCancelled;
                                  }),
                   touches_.end());
}

void TouchDispatch::flushCancels(double now) {
    if (!cancelPending_) return;
    cancelPending_ = false;
    if (touches_.empty()) return;
    auto event = std::make_shared<UIEvent>();
    event->timestamp_ = now;
    auto cancelled = std::move(touches_);
    touches_.clear();
    event->allTouches_ = NSSet(cancelled);
    for (auto& t : cancelled) t->phase_ = UITouchPhaseCancelled;
    send(cancelled, UITouchPhaseCancelled, event.get());
    lastTap_.valid = false;
}
