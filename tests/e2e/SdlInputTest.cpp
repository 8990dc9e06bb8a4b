// The desktop backend, fed with SDL events made by hand (no display needed):
// the input mapping (the mouse as one finger in points, Alt as a mirrored
// second finger, touchscreen fingers, SDL's synthetic events, coalescing), and
// on SDL's dummy video driver the window's pixels and letterboxing, life-cycle
// notices and a wake-up from another thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/backend/sdl/SdlBackend.h"

namespace {

constexpr long long A = SdlInput::kMouseFinger, B = SdlInput::kMirrorFinger;
constexpr long long S1 = 1LL << 40, S2 = S1 + 1;

// Touchscreen fingers by name, T1, T2, ... in the order the test first meets them.
std::vector<long long> touchFingers;

// A 320 x 480 point screen in a 640 x 960 pixel window (pixel ratio 2).
SdlInput makeInput() {
    touchFingers.clear();
    SdlInput in;
    in.setGeometry(640, 960, {320, 480});
    return in;
}

// SDL's events with every field given: type, time (ms), window, device...
SDL_Event button(Uint32 type, int x, int y, Uint32 ms, Uint8 which = SDL_BUTTON_LEFT, Uint32 mouse = 0) {
    SDL_Event e{};
    e.button = {type, ms, 0, mouse, which, 0, 0, 0, x, y};
    return e;
}
SDL_Event down(int x, int y, Uint32 ms = 1000) { return button(SDL_MOUSEBUTTONDOWN, x, y, ms); }
SDL_Event up(int x, int y, Uint32 ms = 1100) { return button(SDL_MOUSEBUTTONUP, x, y, ms); }
SDL_Event motion(int x, int y, Uint32 ms = 1050, Uint32 mouse = 0) {
    SDL_Event e{};
    e.motion = {SDL_MOUSEMOTION, ms, 0, mouse, 0, x, y, 0, 0};
    return e;
}
SDL_Event key(SDL_Keycode sym, Uint16 mod = 0, Uint32 type = SDL_KEYDOWN, Uint8 repeat = 0) {
    SDL_Event e{};
    e.key = {type, 2000, 0, 0, repeat, 0, 0, {SDL_SCANCODE_UNKNOWN, sym, mod, 0}};
    return e;
}
// Alt pressed (with the left or right one down) or released.
SDL_Event alt(Uint16 mod) { return key(SDLK_LALT, mod, mod ? SDL_KEYDOWN : SDL_KEYUP); }
SDL_Event wheel(float preciseY, Uint32 direction = SDL_MOUSEWHEEL_NORMAL) {
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.timestamp = 2000;
    e.wheel.preciseY = preciseY;
    e.wheel.y = int(preciseY);
    e.wheel.direction = direction;
    return e;
}
SDL_Event finger(Uint32 type, SDL_TouchID touch, SDL_FingerID id, float x, float y, Uint32 ms = 1000) {
    SDL_Event e{};
    e.tfinger = {type, ms, touch, id, x, y, 0, 0, 0, 0};
    return e;
}

std::string fingerName(long long f) {
    if (f == A || f == B || f == S1 || f == S2) return f == A ? "A" : f == B ? "B" : f == S1 ? "S1" : "S2";
    if (f < SdlInput::kFirstTouchFinger) return "?";
    auto at = std::find(touchFingers.begin(), touchFingers.end(), f);
    if (at == touchFingers.end()) at = touchFingers.insert(at, f);
    return "T" + std::to_string(at - touchFingers.begin() + 1);
}

// Frames one a line, each point as its finger (A, B; S1, S2 for the keys'
// and wheel's; T1... for a touchscreen's), phase and place in points.
std::string describe(const std::vector<TouchFrame>& frames) {
    static const char* const phases[] = {"began", "moved", "stationary", "ended", "cancelled"};
    std::string out;
    for (const TouchFrame& f : frames) {
        for (size_t i = 0; i < f.points.size(); ++i) {
            const TouchPoint& p = f.points[i];
            char text[80];
            std::snprintf(text, sizeof text, "%s%s %s %g %g", i ? ", " : "", fingerName(p.finger).c_str(),
                          phases[int(p.phase)], double(p.location.x), double(p.location.y));
            out += text;
        }
        out += "\n";
    }
    return out;
}
std::string take(SdlInput& in) { return describe(in.takeFrames()); }

TEST(SdlInput, MouseDragIsOneFingerInPointsWithEventTimes) {
    SdlInput in = makeInput();
    in.handle(down(100, 200, 1000));
    auto frames = in.takeFrames();
    EXPECT_EQ(describe(frames), "A began 50 100\n");
    EXPECT_DOUBLE_EQ(frames.at(0).timestamp, 1.0);

    // Moves pending together are one move to the last place, at the last time.
    in.handle(motion(110, 200, 1010));
    in.handle(motion(120, 210, 1020));
    in.handle(motion(130, 220, 1030));
    frames = in.takeFrames();
    EXPECT_EQ(describe(frames), "A moved 65 110\n");
    EXPECT_DOUBLE_EQ(frames.at(0).timestamp, 1.03);

    in.handle(up(140, 220, 1040));
    EXPECT_EQ(take(in), "A ended 70 110\n");
    EXPECT_TRUE(in.activeTouches().empty());
    EXPECT_FALSE(in.hasFrames());
}

TEST(SdlInput, PhaseChangesPendingTogetherStayApart) {
    SdlInput in = makeInput();
    // A whole click, then a press, move and release, all in one batch.
    in.handle(down(10, 10, 1000));
    in.handle(up(10, 10, 1080));
    in.handle(down(12, 10, 1160));
    in.handle(motion(40, 10, 1170));
    in.handle(up(40, 10, 1180));
    const auto frames = in.takeFrames();
    ASSERT_EQ(describe(frames), "A began 5 5\nA ended 5 5\nA began 6 5\nA moved 20 5\nA ended 20 5\n");
    // The gap the toolkit's tap counting sees: release to next press.
    EXPECT_NEAR(frames[2].timestamp - frames[1].timestamp, 0.08, 1e-9);
}

TEST(SdlInput, AltMakesASecondFingerMirroredThroughTheCentre) {
    SdlInput in = makeInput();
    in.handle(alt(KMOD_LALT));
    EXPECT_TRUE(in.altDown());
    in.handle(down(200, 300));  // (100, 150) points
    in.handle(motion(240, 320));
    EXPECT_EQ(take(in), "A began 100 150, B began 220 330\nA moved 120 160, B moved 200 320\n");
    in.handle(up(240, 320));
    EXPECT_EQ(take(in), "A ended 120 160, B ended 200 320\n");
    EXPECT_TRUE(in.activeTouches().empty());

    // Toggled mid-drag, Alt lifts and puts down the second finger only.
    in.handle(alt(0));
    in.handle(down(200, 300));
    in.handle(alt(KMOD_RALT));                                  // Alt pressed mid-drag
    EXPECT_EQ(take(in), "A began 100 150, B began 220 330\n");  // one instant

    in.handle(motion(260, 300));
    in.handle(alt(0));  // Alt released
    // B's move and end are two phases of one finger: two frames.
    EXPECT_EQ(take(in), "A moved 130 150, B moved 190 330\nB ended 190 330\n");
    in.handle(motion(280, 300));
    EXPECT_EQ(take(in), "A moved 140 150\n");
    EXPECT_EQ(in.activeTouches().count(B), 0u);

    in.handle(alt(KMOD_LALT));  // pressed again: B down, mirrored
    EXPECT_EQ(take(in), "B began 180 330\n");
    in.handle(up(280, 300));
    in.handle(alt(0));
    EXPECT_EQ(take(in), "A ended 140 150, B ended 180 330\n");
    EXPECT_TRUE(in.activeTouches().empty());
}

TEST(SdlInput, OnlyTheLeftButtonWhilePressedMakesTouchesAndSyntheticEventsNone) {
    SdlInput in = makeInput();
    EXPECT_TRUE(in.handle(motion(50, 50)));  // hovering
    in.handle(button(SDL_MOUSEBUTTONDOWN, 50, 50, 1000, SDL_BUTTON_RIGHT));
    in.handle(button(SDL_MOUSEBUTTONUP, 50, 50, 1000, SDL_BUTTON_RIGHT));
    in.handle(up(50, 50));  // a release without a press
    // Mouse events SDL makes from touches, and touches it makes from the mouse.
    EXPECT_TRUE(in.handle(button(SDL_MOUSEBUTTONDOWN, 10, 10, 1000, SDL_BUTTON_LEFT, SDL_TOUCH_MOUSEID)));
    in.handle(finger(SDL_FINGERDOWN, SDL_MOUSE_TOUCHID, 0, 0.5f, 0.5f));
    in.handle(finger(SDL_FINGERUP, SDL_MOUSE_TOUCHID, 0, 0.5f, 0.5f));
    EXPECT_FALSE(in.hasFrames());
    SDL_Event other{};
    other.type = SDL_WINDOWEVENT;
    EXPECT_FALSE(in.handle(other));
    in.handle(down(50, 50));
    in.handle(down(60, 60));  // a second press report while down
    in.handle(motion(20, 20, 1010, SDL_TOUCH_MOUSEID));
    in.handle(button(SDL_MOUSEBUTTONUP, 20, 20, 1020, SDL_BUTTON_LEFT, SDL_TOUCH_MOUSEID));
    EXPECT_EQ(take(in), "A began 25 25\n");
}

TEST(SdlInput, TouchscreenFingersPassThroughInPoints) {
    SdlInput in = makeInput();
    in.handle(finger(SDL_FINGERDOWN, 7, 100, 0.25f, 0.5f));
    in.handle(finger(SDL_FINGERDOWN, 7, 101, 0.75f, 0.5f));
    in.handle(finger(SDL_FINGERMOTION, 7, 100, 0.25f, 0.25f));
    in.handle(finger(SDL_FINGERMOTION, 7, 101, 0.75f, 0.75f));
    EXPECT_EQ(take(in), "T1 began 80 240, T2 began 240 240\nT1 moved 80 120, T2 moved 240 360\n");

    in.handle(finger(SDL_FINGERUP, 7, 100, 0.25f, 0.25f));
    in.handle(finger(SDL_FINGERMOTION, 7, 100, 0.3f, 0.3f));  // after its end: ignored
    in.handle(finger(SDL_FINGERDOWN, 7, 100, 0.1f, 0.1f));    // the same id again: a new touch
    EXPECT_EQ(take(in), "T1 ended 80 120, T3 began 32 48\n");
    EXPECT_EQ(in.activeTouches().size(), 2u);
}

TEST(SdlInput, CancelAllEndsEveryTouchAndForgetsThem) {
    SdlInput in = makeInput();
    in.handle(alt(KMOD_LALT));
    in.handle(down(100, 100));
    in.handle(finger(SDL_FINGERDOWN, 1, 5, 0.5f, 0.5f));
    in.takeFrames();
    in.cancelAll(2.0);
    const auto frames = in.takeFrames();
    EXPECT_EQ(describe(frames), "A cancelled 50 50, B cancelled 270 430, T1 cancelled 160 240\n");
    EXPECT_DOUBLE_EQ(frames.at(0).timestamp, 2.0);
    EXPECT_TRUE(in.activeTouches().empty());
    // Their later releases and moves belong to no touch.
    in.handle(motion(120, 100));
    in.handle(up(120, 100));
    in.handle(finger(SDL_FINGERMOTION, 1, 5, 0.6f, 0.5f));
    in.handle(finger(SDL_FINGERUP, 1, 5, 0.6f, 0.5f));
    EXPECT_FALSE(in.hasFrames());
}

TEST(SdlInput, LetterboxedScreenMapsFromItsViewport) {
    // A 320 x 480 screen shown at 1.5x, centred in a 600 x 800 window. (The
    // mouse through it is SdlBackend's test.) Touchscreen coordinates are
    // normalised to the whole window.
    SdlInput in;
    in.setGeometry(600, 800, {320, 480}, {{60, 40}, {480, 720}});
    in.handle(finger(SDL_FINGERDOWN, 3, 1, 0.1f, 0.05f));
    in.handle(finger(SDL_FINGERMOTION, 3, 1, 0.5f, 0.5f));
    auto frames = in.takeFrames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_NEAR(frames[0].points[0].location.x, 0, 1e-4);
    EXPECT_NEAR(frames[0].points[0].location.y, 0, 1e-4);
    EXPECT_NEAR(frames[1].points[0].location.x, 160, 1e-4);
    EXPECT_NEAR(frames[1].points[0].location.y, 240, 1e-4);

    // The mirrored finger mirrors in points, through the screen's centre.
    in.handle(alt(KMOD_LALT));
    in.handle(down(180, 220));
    EXPECT_EQ(take(in), "A began 80 120, B began 240 360\n");
}

// On 320 x 480 points: the fingers lie along the longer side, 60 points
// apart, and open to 260.
const char* const kOneNotchOpen =
    "S1 began 160 210, S2 began 160 270\n"
    "S1 moved 160 110, S2 moved 160 370\n"
    "S1 ended 160 110, S2 ended 160 370\n";

TEST(SdlInput, WheelNotchIsAPinchThroughTheMiddle) {
    SdlInput in = makeInput();
    in.handle(wheel(1));
    const auto frames = in.takeFrames();
    EXPECT_EQ(describe(frames), kOneNotchOpen);
    EXPECT_DOUBLE_EQ(frames.at(0).timestamp, 2.0);
    EXPECT_TRUE(in.activeTouches().empty());

    // Down (or up with natural scrolling) closes it; half a notch, half as far.
    in.handle(wheel(0.5f, SDL_MOUSEWHEEL_FLIPPED));
    EXPECT_EQ(take(in),
              "S1 began 160 160, S2 began 160 320\n"
              "S1 moved 160 210, S2 moved 160 270\n"
              "S1 ended 160 210, S2 ended 160 270\n");
}

TEST(SdlInput, ArrowKeysDragFortyPointsFromTheMiddle) {
    SdlInput in = makeInput();
    in.handle(key(SDLK_RIGHT));
    const auto frames = in.takeFrames();
    EXPECT_EQ(describe(frames), "S1 began 160 240\nS1 moved 120 240\nS1 ended 120 240\n");
    EXPECT_EQ(frames.at(0).points.at(0).tapCount, 1);

    in.handle(key(SDLK_DOWN, 0, SDL_KEYDOWN, 1));  // held: repeats
    EXPECT_EQ(take(in), "S1 began 160 240\nS1 moved 160 200\nS1 ended 160 200\n");

    in.handle(key(SDLK_KP_PLUS));
    EXPECT_EQ(take(in), kOneNotchOpen);
}

TEST(SdlInput, KeysAndWheelWaitWhileAFingerIsDownOrAModifierIsHeld) {
    SdlInput in = makeInput();
    in.handle(key(SDLK_LEFT, KMOD_LCTRL));
    in.handle(key(SDLK_MINUS, KMOD_LGUI));
    in.handle(key(SDLK_a));
    // Escape and i need someone to find the controls.
    in.handle(key(SDLK_ESCAPE));
    in.handle(key(SDLK_i));
    EXPECT_FALSE(in.hasFrames());

    in.handle(down(100, 200, 1000));
    in.takeFrames();
    in.handle(key(SDLK_LEFT));
    in.handle(wheel(1));
    EXPECT_FALSE(in.hasFrames()) << "only the mouse's finger";
    in.handle(up(100, 200, 1100));
    in.takeFrames();
    in.handle(wheel(-1));
    EXPECT_EQ(in.takeFrames().size(), 3u);
}

// The backend's loop in a window of SDL's dummy video driver (no display, no
// GL driver to leak): each iteration runs the next step, and the events a
// step pushes reach the next one.
class ScriptedHost : public BackendHost {
public:
    std::vector<std::function<void()>> steps;
    std::atomic<bool> ready{true};  // steps are held back until another thread says so
    std::string log;                // touches and life-cycle notices, one a line

    void postTouches(TouchFrame frame) override { log += describe({frame}); }
    bool needsIteration() const override { return ready && next_ < steps.size(); }
    void runIteration() override { steps[next_++](); }
    void applicationWillResignActive() override { log += "resign active\n"; }
    void applicationDidEnterBackground() override { log += "background\n"; }
    void applicationWillEnterForeground() override { log += "foreground\n"; }
    void applicationDidBecomeActive() override { log += "become active\n"; }
    bool locateControl(const std::string&, CGPoint&) const override { return false; }
    bool accessibilityActivate(size_t) override { return false; }

private:
    size_t next_ = 0;
};

// A 200 x 300 point screen at pixel ratio 2.
DeviceProfile smallScreen() {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    return parseDeviceFlags({"--size", "200x300", "--pixel-ratio", "2"}).profile;
}

void push(Uint32 type, Uint8 windowEvent = 0) {
    SDL_Event e{};
    e.type = type;
    e.window.event = windowEvent;
    SDL_PushEvent(&e);
}
void push(SDL_Event e) { SDL_PushEvent(&e); }

// The window's pixel at (x, y) as 0xRRGGBB.
Uint32 windowPixel(SdlBackend& b, int x, int y) {
    Uint32 p = 0;
    const SDL_Rect r{x, y, 1, 1};
    SDL_RenderReadPixels(SDL_GetRenderer(b.window()), &r, SDL_PIXELFORMAT_RGB888, &p, 4);
    return p & 0xffffff;
}

TEST(SdlBackend, PresentsDevicePixelsAndLetterboxesAnotherWindowSize) {
    SdlBackend backend(smallScreen());
    // A 400 x 600 pixel window showing 400 x 600 pixels: blue, with a yellow 20-point square at the top left.
    auto surface = backend.createSurface({200, 300}, 2);
    CGContextRef c = surface->context();
    CGContextSetRGBFillColor(c, 0, 0, 1, 1);
    CGContextFillRect(c, CGRectMake(0, 0, 200, 300));
    CGContextSetRGBFillColor(c, 1, 1, 0, 1);
    CGContextFillRect(c, CGRectMake(0, 0, 20, 20));
    backend.present(*surface);
    EXPECT_EQ(windowPixel(backend, 39, 39), 0xffff00u);
    EXPECT_EQ(windowPixel(backend, 41, 41), 0x0000ffu);

    // 400 x 600 pixels in 600 x 600: centred, 100 black on either side, and
    // the mouse maps through the same box.
    ScriptedHost host;
    host.steps = {[&] { SDL_SetWindowSize(backend.window(), 600, 600); },
                  [&] {
                      EXPECT_EQ(windowPixel(backend, 99, 300), 0u);
                      EXPECT_EQ(windowPixel(backend, 105, 5), 0xffff00u);
                      EXPECT_EQ(windowPixel(backend, 150, 5), 0x0000ffu);
                      EXPECT_EQ(windowPixel(backend, 499, 300), 0x0000ffu);
                      EXPECT_EQ(windowPixel(backend, 500, 300), 0u);
                      push(down(200, 100));
                      push(up(300, 600));
                  },
                  [] { push(SDL_QUIT); }};
    EXPECT_EQ(backend.run(host), 0);
    EXPECT_EQ(host.log, "A began 50 50\nA ended 100 300\n");
}

TEST(SdlBackend, FocusAndVisibilityAreLifeCycleNoticesAndLosingFocusCancels) {
    SdlBackend backend(smallScreen());
    ScriptedHost host;
    host.steps = {[] { push(down(100, 100)); }, [] { push(SDL_WINDOWEVENT, SDL_WINDOWEVENT_FOCUS_LOST); },
                  [] { push(up(100, 100)); }, [] { push(SDL_WINDOWEVENT, SDL_WINDOWEVENT_FOCUS_GAINED); },
                  [] { push(SDL_WINDOWEVENT, SDL_WINDOWEVENT_HIDDEN); },
                  [] { push(SDL_WINDOWEVENT, SDL_WINDOWEVENT_SHOWN); },
                  // Lost and regained in one batch: nothing to say.
                  [] {
                      push(SDL_WINDOWEVENT, SDL_WINDOWEVENT_FOCUS_LOST);
                      push(SDL_WINDOWEVENT, SDL_WINDOWEVENT_FOCUS_GAINED);
                  },
                  [] { push(SDL_WINDOWEVENT, SDL_WINDOWEVENT_CLOSE); }};
    EXPECT_EQ(backend.run(host), 0);
    EXPECT_EQ(host.log,
              "A began 50 50\nresign active\nA cancelled 50 50\nbecome active\nresign active\nbackground\n"
              "foreground\nbecome active\n");
}

TEST(SdlBackend, RequestFrameFromAnotherThreadWakesTheSleepingLoop) {
    SdlBackend backend(smallScreen());
    ScriptedHost host;
    host.steps.push_back([] { push(SDL_QUIT); });
    host.ready = false;
    // Unwoken, the loop would sleep until this.
    ASSERT_NE(SDL_AddTimer(
                  3000,
                  [](Uint32, void*) -> Uint32 {
                      push(SDL_QUIT);
                      return 0;
                  },
                  nullptr),
              0);
    std::thread waker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        host.ready = true;
        backend.requestFrame();
    });
    EXPECT_EQ(backend.run(host), 0);
    waker.join();
    EXPECT_EQ(backend.iterationCount(), 1u);
}

}  // namespace
