// The desktop backend's input mapping, fed with SDL events made by hand (no
// display needed): the mouse as one finger in points, Alt as a mirrored
// second finger, touchscreen fingers, SDL's synthetic events, coalescing.
#include <gtest/gtest.h>

#include "platform/backend/sdl/SdlInput.h"

namespace {

constexpr long long A = SdlInput::kMouseFinger, B = SdlInput::kMirrorFinger;

// A 320 x 480 point screen in a 640 x 960 pixel window (pixel ratio 2).
SdlInput makeInput() {
    SdlInput in;
    in.setGeometry(640, 960, {320, 480});
    return in;
}

SDL_Event button(Uint32 type, int x, int y, Uint32 ms, Uint8 which = SDL_BUTTON_LEFT, Uint32 mouse = 0) {
    SDL_Event e{};
    e.type = type;
    e.button.timestamp = ms;
    e.button.button = which;
    e.button.which = mouse;
    e.button.x = x;
    e.button.y = y;
    return e;
}
SDL_Event down(int x, int y, Uint32 ms = 1000) { return button(SDL_MOUSEBUTTONDOWN, x, y, ms); }
SDL_Event up(int x, int y, Uint32 ms = 1100) { return button(SDL_MOUSEBUTTONUP, x, y, ms); }
SDL_Event motion(int x, int y, Uint32 ms = 1050, Uint32 mouse = 0) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.timestamp = ms;
    e.motion.which = mouse;
    e.motion.x = x;
    e.motion.y = y;
    return e;
}
SDL_Event key(bool pressed, Uint16 mod, Uint32 ms = 1000) {
    SDL_Event e{};
    e.type = pressed ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.timestamp = ms;
    e.key.keysym.sym = SDLK_LALT;
    e.key.keysym.mod = mod;
    return e;
}
SDL_Event finger(Uint32 type, SDL_TouchID touch, SDL_FingerID id, float x, float y, Uint32 ms = 1000) {
    SDL_Event e{};
    e.type = type;
    e.tfinger.timestamp = ms;
    e.tfinger.touchId = touch;
    e.tfinger.fingerId = id;
    e.tfinger.x = x;
    e.tfinger.y = y;
    return e;
}

void expectPoint(const TouchPoint& p, long long finger, TouchPhase phase, CGFloat x, CGFloat y) {
    EXPECT_EQ(p.finger, finger);
    EXPECT_EQ(p.phase, phase);
    EXPECT_FLOAT_EQ(p.location.x, x);
    EXPECT_FLOAT_EQ(p.location.y, y);
}

TEST(SdlInput, MouseDragIsOneFingerInPointsWithEventTimes) {
    SdlInput in = makeInput();
    in.handle(down(100, 200, 1000));
    auto frames = in.takeFrames();
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_EQ(frames[0].points.size(), 1u);
    expectPoint(frames[0].points[0], A, TouchPhase::Began, 50, 100);
    EXPECT_DOUBLE_EQ(frames[0].timestamp, 1.0);

    // Moves pending together are one move to the last place, at the last time.
    in.handle(motion(110, 200, 1010));
    in.handle(motion(120, 210, 1020));
    in.handle(motion(130, 220, 1030));
    frames = in.takeFrames();
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_EQ(frames[0].points.size(), 1u);
    expectPoint(frames[0].points[0], A, TouchPhase::Moved, 65, 110);
    EXPECT_DOUBLE_EQ(frames[0].timestamp, 1.03);

    in.handle(up(140, 220, 1040));
    frames = in.takeFrames();
    ASSERT_EQ(frames.size(), 1u);
    expectPoint(frames[0].points[0], A, TouchPhase::Ended, 70, 110);
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
    ASSERT_EQ(frames.size(), 5u);
    const TouchPhase phases[] = {TouchPhase::Began, TouchPhase::Ended, TouchPhase::Began, TouchPhase::Moved,
                                 TouchPhase::Ended};
    for (size_t i = 0; i < frames.size(); ++i) {
        ASSERT_EQ(frames[i].points.size(), 1u) << i;
        EXPECT_EQ(frames[i].points[0].phase, phases[i]) << i;
    }
    // The gap the toolkit's tap counting sees: release to next press.
    EXPECT_NEAR(frames[2].timestamp - frames[1].timestamp, 0.08, 1e-9);
}

TEST(SdlInput, OnlyTheLeftButtonWhilePressedMakesTouches) {
    SdlInput in = makeInput();
    EXPECT_TRUE(in.handle(motion(50, 50)));  // hovering
    in.handle(button(SDL_MOUSEBUTTONDOWN, 50, 50, 1000, SDL_BUTTON_RIGHT));
    in.handle(button(SDL_MOUSEBUTTONUP, 50, 50, 1000, SDL_BUTTON_RIGHT));
    in.handle(up(50, 50));  // a release without a press
    EXPECT_FALSE(in.hasFrames());
    in.handle(down(50, 50));
    in.handle(down(60, 60));  // a second press report while down
    const auto frames = in.takeFrames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].points.size(), 1u);
}

TEST(SdlInput, AltDragIsTwoFingersMirroredThroughTheCentre) {
    SdlInput in = makeInput();
    in.handle(key(true, KMOD_LALT));
    EXPECT_TRUE(in.altDown());
    in.handle(down(200, 300));  // (100, 150) points
    in.handle(motion(240, 320));
    auto frames = in.takeFrames();
    ASSERT_EQ(frames.size(), 2u);
    ASSERT_EQ(frames[0].points.size(), 2u);
    expectPoint(frames[0].points[0], A, TouchPhase::Began, 100, 150);
    expectPoint(frames[0].points[1], B, TouchPhase::Began, 220, 330);
    ASSERT_EQ(frames[1].points.size(), 2u);
    expectPoint(frames[1].points[0], A, TouchPhase::Moved, 120, 160);
    expectPoint(frames[1].points[1], B, TouchPhase::Moved, 200, 320);
    in.handle(up(240, 320));
    frames = in.takeFrames();
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_EQ(frames[0].points.size(), 2u);
    EXPECT_EQ(frames[0].points[0].phase, TouchPhase::Ended);
    EXPECT_EQ(frames[0].points[1].phase, TouchPhase::Ended);
    EXPECT_TRUE(in.activeTouches().empty());
}

TEST(SdlInput, AltToggledMidDragLiftsAndPutsDownTheSecondFingerOnly) {
    SdlInput in = makeInput();
    in.handle(down(200, 300));
    in.handle(key(true, KMOD_RALT));  // Alt pressed mid-drag
    auto frames = in.takeFrames();
    ASSERT_EQ(frames.size(), 1u);  // one instant: A began, B began
    ASSERT_EQ(frames[0].points.size(), 2u);
    expectPoint(frames[0].points[1], B, TouchPhase::Began, 220, 330);

    in.handle(motion(260, 300));
    in.handle(key(false, 0));  // Alt released
    frames = in.takeFrames();
    // B's move and end are two phases of one finger: two frames.
    ASSERT_EQ(frames.size(), 2u);
    ASSERT_EQ(frames[0].points.size(), 2u);
    expectPoint(frames[0].points[0], A, TouchPhase::Moved, 130, 150);
    expectPoint(frames[0].points[1], B, TouchPhase::Moved, 190, 330);
    ASSERT_EQ(frames[1].points.size(), 1u);
    expectPoint(frames[1].points[0], B, TouchPhase::Ended, 190, 330);
    in.handle(motion(280, 300));
    frames = in.takeFrames();
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_EQ(frames[0].points.size(), 1u);
    expectPoint(frames[0].points[0], A, TouchPhase::Moved, 140, 150);
    EXPECT_EQ(in.activeTouches().count(B), 0u);

    in.handle(key(true, KMOD_LALT));  // pressed again: B down, mirrored
    frames = in.takeFrames();
    ASSERT_EQ(frames.size(), 1u);
    expectPoint(frames[0].points[0], B, TouchPhase::Began, 180, 330);
    in.handle(up(280, 300));
    in.handle(key(false, 0));
    frames = in.takeFrames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].points.size(), 2u);
    EXPECT_TRUE(in.activeTouches().empty());
}

TEST(SdlInput, SyntheticEventsAreIgnored) {
    SdlInput in = makeInput();
    // Mouse events SDL makes from touches, and touches it makes from the mouse.
    EXPECT_TRUE(in.handle(button(SDL_MOUSEBUTTONDOWN, 10, 10, 1000, SDL_BUTTON_LEFT, SDL_TOUCH_MOUSEID)));
    in.handle(motion(20, 20, 1010, SDL_TOUCH_MOUSEID));
    in.handle(button(SDL_MOUSEBUTTONUP, 20, 20, 1020, SDL_BUTTON_LEFT, SDL_TOUCH_MOUSEID));
    in.handle(finger(SDL_FINGERDOWN, SDL_MOUSE_TOUCHID, 0, 0.5f, 0.5f));
    in.handle(finger(SDL_FINGERUP, SDL_MOUSE_TOUCHID, 0, 0.5f, 0.5f));
    EXPECT_FALSE(in.hasFrames());
    SDL_Event other{};
    other.type = SDL_WINDOWEVENT;
    EXPECT_FALSE(in.handle(other));
}

TEST(SdlInput, TouchscreenFingersPassThroughInPoints) {
    SdlInput in = makeInput();
    in.handle(finger(SDL_FINGERDOWN, 7, 100, 0.25f, 0.5f));
    in.handle(finger(SDL_FINGERDOWN, 7, 101, 0.75f, 0.5f));
    in.handle(finger(SDL_FINGERMOTION, 7, 100, 0.25f, 0.25f));
    in.handle(finger(SDL_FINGERMOTION, 7, 101, 0.75f, 0.75f));
    auto frames = in.takeFrames();
    ASSERT_EQ(frames.size(), 2u);
    ASSERT_EQ(frames[0].points.size(), 2u);
    const long long f1 = frames[0].points[0].finger, f2 = frames[0].points[1].finger;
    EXPECT_NE(f1, f2);
    EXPECT_GE(f1, SdlInput::kFirstTouchFinger);
    EXPECT_GE(f2, SdlInput::kFirstTouchFinger);
    expectPoint(frames[0].points[0], f1, TouchPhase::Began, 80, 240);
    expectPoint(frames[0].points[1], f2, TouchPhase::Began, 240, 240);
    ASSERT_EQ(frames[1].points.size(), 2u);
    expectPoint(frames[1].points[0], f1, TouchPhase::Moved, 80, 120);
    expectPoint(frames[1].points[1], f2, TouchPhase::Moved, 240, 360);

    in.handle(finger(SDL_FINGERUP, 7, 100, 0.25f, 0.25f));
    in.handle(finger(SDL_FINGERMOTION, 7, 100, 0.3f, 0.3f));  // after its end: ignored
    in.handle(finger(SDL_FINGERDOWN, 7, 100, 0.1f, 0.1f));    // the same id again: a new touch
    frames = in.takeFrames();
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_EQ(frames[0].points.size(), 2u);
    expectPoint(frames[0].points[0], f1, TouchPhase::Ended, 80, 120);
    EXPECT_EQ(frames[0].points[1].phase, TouchPhase::Began);
    EXPECT_NE(frames[0].points[1].finger, f1);
    EXPECT_NE(frames[0].points[1].finger, f2);
    EXPECT_EQ(in.activeTouches().size(), 2u);
}

TEST(SdlInput, CancelAllEndsEveryTouchAndForgetsThem) {
    SdlInput in = makeInput();
    in.handle(key(true, KMOD_LALT));
    in.handle(down(100, 100));
    in.handle(finger(SDL_FINGERDOWN, 1, 5, 0.5f, 0.5f));
    in.takeFrames();
    in.cancelAll(2.0);
    auto frames = in.takeFrames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].points.size(), 3u);
    for (const auto& p : frames[0].points) EXPECT_EQ(p.phase, TouchPhase::Cancelled);
    EXPECT_DOUBLE_EQ(frames[0].timestamp, 2.0);
    EXPECT_TRUE(in.activeTouches().empty());
    // Their later releases and moves belong to no touch.
    in.handle(motion(120, 100));
    in.handle(up(120, 100));
    in.handle(finger(SDL_FINGERMOTION, 1, 5, 0.6f, 0.5f));
    in.handle(finger(SDL_FINGERUP, 1, 5, 0.6f, 0.5f));
    EXPECT_FALSE(in.hasFrames());
}

}  // namespace

namespace {

TEST(SdlInput, LetterboxedScreenMapsFromItsViewport) {
    // A 320 x 480 screen shown at 1.5x, centred in a 600 x 800 window.
    SdlInput in;
    in.setGeometry(600, 800, {320, 480}, {{60, 40}, {480, 720}});
    in.handle(down(60, 40));
    in.handle(motion(540, 760));
    in.handle(up(300, 400));
    auto frames = in.takeFrames();
    ASSERT_EQ(frames.size(), 3u);
    expectPoint(frames[0].points[0], A, TouchPhase::Began, 0, 0);
    expectPoint(frames[1].points[0], A, TouchPhase::Moved, 320, 480);
    expectPoint(frames[2].points[0], A, TouchPhase::Ended, 160, 240);

    // Touchscreen coordinates are normalised to the whole window.
    in.handle(finger(SDL_FINGERDOWN, 3, 1, 0.1f, 0.05f));
    in.handle(finger(SDL_FINGERMOTION, 3, 1, 0.5f, 0.5f));
    frames = in.takeFrames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_NEAR(frames[0].points[0].location.x, 0, 1e-4);
    EXPECT_NEAR(frames[0].points[0].location.y, 0, 1e-4);
    EXPECT_NEAR(frames[1].points[0].location.x, 160, 1e-4);
    EXPECT_NEAR(frames[1].points[0].location.y, 240, 1e-4);

    // The mirrored finger mirrors in points, through the screen's centre.
    in.handle(key(true, KMOD_LALT));
    in.handle(down(180, 220));
    frames = in.takeFrames();
    ASSERT_EQ(frames[0].points.size(), 2u);
    expectPoint(frames[0].points[0], A, TouchPhase::Began, 80, 120);
    expectPoint(frames[0].points[1], B, TouchPhase::Began, 240, 360);
}

SDL_Event keyDown(SDL_Keycode sym, Uint16 mod = 0, Uint8 repeat = 0, Uint32 ms = 2000) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.timestamp = ms;
    e.key.keysym.sym = sym;
    e.key.keysym.mod = mod;
    e.key.repeat = repeat;
    return e;
}
SDL_Event wheel(float preciseY, Uint32 direction = SDL_MOUSEWHEEL_NORMAL, Uint32 ms = 2000) {
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.timestamp = ms;
    e.wheel.preciseY = preciseY;
    e.wheel.y = int(preciseY);
    e.wheel.direction = direction;
    return e;
}

constexpr long long S1 = 1LL << 40, S2 = S1 + 1;

TEST(SdlInput, WheelNotchIsAPinchThroughTheMiddle) {
    SdlInput in = makeInput();
    in.handle(wheel(1));
    auto frames = in.takeFrames();
    // 320 x 480: the fingers lie along the longer side, 60 points apart, and
    // open to 260.
    ASSERT_EQ(frames.size(), 3u);
    ASSERT_EQ(frames[0].points.size(), 2u);
    expectPoint(frames[0].points[0], S1, TouchPhase::Began, 160, 210);
    expectPoint(frames[0].points[1], S2, TouchPhase::Began, 160, 270);
    expectPoint(frames[1].points[0], S1, TouchPhase::Moved, 160, 110);
    expectPoint(frames[1].points[1], S2, TouchPhase::Moved, 160, 370);
    expectPoint(frames[2].points[0], S1, TouchPhase::Ended, 160, 110);
    expectPoint(frames[2].points[1], S2, TouchPhase::Ended, 160, 370);
    EXPECT_DOUBLE_EQ(frames[0].timestamp, 2.0);
    EXPECT_TRUE(in.activeTouches().empty());

    // Down (or up with natural scrolling) closes it; half a notch, half as far.
    in.handle(wheel(0.5f, SDL_MOUSEWHEEL_FLIPPED));
    frames = in.takeFrames();
    ASSERT_EQ(frames.size(), 3u);
    expectPoint(frames[0].points[0], S1, TouchPhase::Began, 160, 160);
    expectPoint(frames[1].points[0], S1, TouchPhase::Moved, 160, 210);
    expectPoint(frames[1].points[1], S2, TouchPhase::Moved, 160, 270);
}

TEST(SdlInput, ArrowKeysDragFortyPointsFromTheMiddle) {
    SdlInput in = makeInput();
    in.handle(keyDown(SDLK_RIGHT));
    auto frames = in.takeFrames();
    ASSERT_EQ(frames.size(), 3u);
    expectPoint(frames[0].points[0], S1, TouchPhase::Began, 160, 240);
    EXPECT_EQ(frames[0].points[0].tapCount, 1);
    expectPoint(frames[1].points[0], S1, TouchPhase::Moved, 120, 240);
    expectPoint(frames[2].points[0], S1, TouchPhase::Ended, 120, 240);

    in.handle(keyDown(SDLK_DOWN, 0, 1));  // held: repeats
    frames = in.takeFrames();
    ASSERT_EQ(frames.size(), 3u);
    expectPoint(frames[1].points[0], S1, TouchPhase::Moved, 160, 200);

    in.handle(keyDown(SDLK_KP_PLUS));
    frames = in.takeFrames();
    ASSERT_EQ(frames.size(), 3u);
    expectPoint(frames[1].points[1], S2, TouchPhase::Moved, 160, 370);
}

TEST(SdlInput, KeysAndWheelWaitWhileAFingerIsDownOrAModifierIsHeld) {
    SdlInput in = makeInput();
    in.handle(keyDown(SDLK_LEFT, KMOD_LCTRL));
    in.handle(keyDown(SDLK_MINUS, KMOD_LGUI));
    in.handle(keyDown(SDLK_a));
    // Escape and i need someone to find the controls.
    in.handle(keyDown(SDLK_ESCAPE));
    in.handle(keyDown(SDLK_i));
    EXPECT_FALSE(in.hasFrames());

    in.handle(down(100, 200, 1000));
    in.takeFrames();
    in.handle(keyDown(SDLK_LEFT));
    in.handle(wheel(1));
    EXPECT_FALSE(in.hasFrames()) << "only the mouse's finger";
    in.handle(up(100, 200, 1100));
    in.takeFrames();
    in.handle(wheel(-1));
    EXPECT_EQ(in.takeFrames().size(), 3u);
}

}  // namespace
