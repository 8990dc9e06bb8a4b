// Keys and the mouse wheel as the touches a finger would make, so that the
// application sees touches only: an arrow key is a one-finger drag, a wheel
// notch or + and - a short two-finger pinch, Escape and i a tap on a control.
// Both desktop and browser backends map their events through here.
#pragma once

#include <string>
#include <vector>

#include "platform/ui/port/Backend.h"

// How far an arrow key drags, in points.
constexpr CGFloat kKeyPanPoints = 40;
// How far one wheel notch opens (or closes) the pinch, in points. The chart
// zooms by the change of finger distance over 2000 (over 3000 on screens
// wider than 480 points): one notch is 0.1, or 0.067 on the wider screens.
constexpr CGFloat kNotchPinchPoints = 200;
// The fingers the gestures use, far from the ids of mice and touchscreens.
constexpr long long kSyntheticFinger = 1LL << 40, kSyntheticSecondFinger = kSyntheticFinger + 1;

struct KeyGesture {
    enum class Kind { None, Drag, Pinch, Press } kind = Kind::None;
    CGFloat dx = 0, dy = 0;        // Drag: the finger's travel
    double notches = 0;            // Pinch: > 0 zooms in
    const char* controls[2] = {};  // Press: the first of these on screen
    bool repeats = false;          // a held key goes on acting
};

// What a key does, by its browser name (KeyboardEvent.key): "ArrowLeft",
// "ArrowRight", "ArrowUp", "ArrowDown", "+", "=", "-", "Escape", "i", "I".
KeyGesture keyGesture(const std::string& key);

// A one-finger drag by (dx, dy) from the middle of a screen of this size:
// a touch down, one move, a lift-off.
std::vector<TouchFrame> dragFrames(CGSize screen, CGFloat dx, CGFloat dy, double timestamp);
// A two-finger pinch about the middle of the screen, opening by notches x
// kNotchPinchPoints (closing when negative): a begin, one move, an end. More
// than one notch is one pinch per whole notch and one for the rest, since the
// chart would apply a longer pinch's distance again on every move.
std::vector<TouchFrame> pinchFrames(CGSize screen, double notches, double timestamp);
// A tap at a point: a touch down and a lift-off.
std::vector<TouchFrame> tapFrames(CGPoint at, double timestamp);

// Everything a key makes, or nothing (a key with no gesture, a repeat of a
// key that does not repeat, a control not on screen). The host finds
// controls; without one, keys that press a control do nothing.
std::vector<TouchFrame> keyFrames(const std::string& key, bool repeat, CGSize screen, const BackendHost* host,
                                  double timestamp);
