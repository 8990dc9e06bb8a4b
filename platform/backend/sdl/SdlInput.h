// SDL's mouse, keyboard and touchscreen events as touch frames.
//
// The mouse is one finger while the left button is down. With Alt held it is
// two: finger A under the pointer and finger B mirrored through the window's
// centre, so dragging pinches about the centre. Pressing Alt mid-drag puts
// finger B down; releasing it lifts B while A goes on. A touchscreen's fingers
// pass through with their own ids; the mouse events SDL makes up from touches
// (and the touches it makes up from the mouse) are ignored.
//
// Keys and the wheel make the touches a finger would (SyntheticGestures.h):
// the arrows drag, + and - and the wheel pinch, Escape and i tap a control
// the host finds. They are left alone while a finger is down, and with Ctrl,
// Alt or the logo key held. The wheel's precise delta counts notches, so a
// trackpad's scroll zooms in proportion. SDL's multigesture events are not
// used: they are made from touchscreen fingers, which already pass through.
//
// Events handled between two takeFrames() are coalesced: a finger that moves
// again within the same frame only updates its location. A change of phase
// of a finger already in the frame (a down and an up pending together) starts
// a new frame, so that no began or ended is lost.
#pragma once

#include <SDL.h>

#include <map>
#include <utility>
#include <vector>

#include "platform/ui/port/Backend.h"

class SdlInput {
public:
    static constexpr long long kMouseFinger = 1;
    static constexpr long long kMirrorFinger = 2;
    static constexpr long long kFirstTouchFinger = 16;

    // The window's size in SDL's window coordinates (those of mouse events),
    // the screen in points, and where the screen is shown in the window
    // (window coordinates; by default all of it).
    void setGeometry(double windowWidth, double windowHeight, CGSize points);
    void setGeometry(double windowWidth, double windowHeight, CGSize points, CGRect viewport);

    // Takes one event; true if it was input this class handles (even when it
    // made no touch, e.g. a synthetic or unrelated mouse event).
    bool handle(const SDL_Event& e);
    // Where controls are for the keys that press one (none: those keys do nothing).
    void setHost(const BackendHost* host) { host_ = host; }
    // The Alt key's state, e.g. re-read after the window regains focus.
    void setAlt(bool down, double timestamp);
    // Cancels every touch down (cancelled): focus lost, window hidden.
    void cancelAll(double timestamp);

    bool hasFrames() const { return !frames_.empty() || !current_.points.empty(); }
    // The frames since the last call, oldest first.
    std::vector<TouchFrame> takeFrames();

    // Fingers down now, by id, with their last locations.
    const std::map<long long, CGPoint>& activeTouches() const { return active_; }
    bool altDown() const { return alt_; }

private:
    CGPoint toPoints(double x, double y) const;
    CGPoint mirrored(CGPoint p) const;
    void add(long long finger, CGPoint location, TouchPhase phase, double timestamp);
    void flush();
    void synthesise(std::vector<TouchFrame> frames);
    bool key(const SDL_KeyboardEvent& e, double timestamp);

    double windowWidth_ = 320, windowHeight_ = 480;
    CGRect viewport_{{0, 0}, {320, 480}};
    CGSize points_{320, 480};
    bool pressed_ = false, twoFingers_ = false, alt_ = false;
    CGPoint mouse_{};
    std::map<std::pair<SDL_TouchID, SDL_FingerID>, long long> fingerIds_;
    long long nextFinger_ = kFirstTouchFinger;
    std::map<long long, CGPoint> active_;
    TouchFrame current_;
    std::vector<TouchFrame> frames_;
    const BackendHost* host_ = nullptr;
};
