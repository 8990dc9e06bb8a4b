#include "platform/ui/port/SyntheticGestures.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr CGFloat kPinchNear = 60;  // the closed pinch's finger distance
constexpr CGFloat kPinchMargin = 20;

CGPoint middle(CGSize screen) { return {screen.width / 2, screen.height / 2}; }

}  // namespace

KeyGesture keyGesture(const std::string& key) {
    KeyGesture g;
    // The arrow shows more of the sky on its side: the finger drags the other way.
    if (key == "ArrowLeft" || key == "ArrowRight" || key == "ArrowUp" || key == "ArrowDown") {
        g.kind = KeyGesture::Kind::Drag;
        g.repeats = true;
        if (key == "ArrowLeft") g.dx = kKeyPanPoints;
        if (key == "ArrowRight") g.dx = -kKeyPanPoints;
        if (key == "ArrowUp") g.dy = kKeyPanPoints;
        if (key == "ArrowDown") g.dy = -kKeyPanPoints;
    } else if (key == "+" || key == "=" || key == "-") {
        // "=" is the plus key without Shift on most layouts.
        g.kind = KeyGesture::Kind::Pinch;
        g.repeats = true;
        g.notches = key == "-" ? -1 : 1;
    } else if (key == "Escape") {
        g.kind = KeyGesture::Kind::Press;
        g.controls[0] = "Done";
        g.controls[1] = "Quit";
    } else if (key == "i" || key == "I") {
        g.kind = KeyGesture::Kind::Press;
        g.controls[0] = "info";
    }
    return g;
}

std::vector<TouchFrame> dragFrames(CGSize screen, CGFloat dx, CGFloat dy, double timestamp) {
    const CGPoint from = middle(screen), to{from.x + dx, from.y + dy};
    // Never a tap, whatever came before: a drag is not counted on.
    TouchPoint down{kSyntheticFinger, from, TouchPhase::Began, 1};
    return {{timestamp, {down}},
            {timestamp, {{kSyntheticFinger, to, TouchPhase::Moved}}},
            {timestamp, {{kSyntheticFinger, to, TouchPhase::Ended}}}};
}

std::vector<TouchFrame> pinchFrames(CGSize screen, double notches, double timestamp) {
    std::vector<TouchFrame> frames;
    if (!std::isfinite(notches) || notches == 0) return frames;
    // Along the longer side, through the middle, kept on the screen.
    const bool across = screen.width >= screen.height;
    const CGFloat room = std::max(screen.width, screen.height) - 2 * kPinchMargin - kPinchNear;
    const CGFloat step = std::max<CGFloat>(1, std::min(kNotchPinchPoints, room));
    CGFloat travel = CGFloat(std::fabs(notches) * kNotchPinchPoints);
    const CGPoint c = middle(screen);
    auto fingers = [&](CGFloat distance, TouchPhase phase) {
        const CGFloat h = distance / 2;
        const CGPoint a = across ? CGPoint{c.x - h, c.y} : CGPoint{c.x, c.y - h};
        const CGPoint b = across ? CGPoint{c.x + h, c.y} : CGPoint{c.x, c.y + h};
        return TouchFrame{timestamp,
                          {{kSyntheticFinger, a, phase, phase == TouchPhase::Began ? 1 : 0},
                           {kSyntheticSecondFinger, b, phase, phase == TouchPhase::Began ? 1 : 0}}};
    };
    while (travel > 0) {
        const CGFloat part = std::min(step, travel);
        travel -= part;
        const CGFloat from = notches > 0 ? kPinchNear : kPinchNear + part;
        const CGFloat to = notches > 0 ? kPinchNear + part : kPinchNear;
        frames.push_back(fingers(from, TouchPhase::Began));
        frames.push_back(fingers(to, TouchPhase::Moved));
        frames.push_back(fingers(to, TouchPhase::Ended));
    }
    return frames;
}

std::vector<TouchFrame> tapFrames(CGPoint at, double timestamp) {
    return {{timestamp, {{kSyntheticFinger, at, TouchPhase::Began}}},
            {timestamp, {{kSyntheticFinger, at, TouchPhase::Ended}}}};
}

std::vector<TouchFrame> keyFrames(const std::string& key, bool repeat, CGSize screen, const BackendHost* host,
                                  double timestamp) {
    const KeyGesture g = keyGesture(key);
    if (g.kind == KeyGesture::Kind::None || (repeat && !g.repeats)) return {};
    if (g.kind == KeyGesture::Kind::Drag) return dragFrames(screen, g.dx, g.dy, timestamp);
    if (g.kind == KeyGesture::Kind::Pinch) return pinchFrames(screen, g.notches, timestamp);
    for (const char* name : g.controls) {
        CGPoint centre{};
        if (name && host && host->locateControl(name, centre)) return tapFrames(centre, timestamp);
    }
    return {};
}
