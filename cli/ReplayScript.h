// A replay script read and checked as a whole before anything runs: every
// step with its time on the script's clock and the fingers it changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/port/Backend.h"

struct ReplayPoint {
    float x = 0, y = 0;
};

// Compact, so that a recorded session of a million steps stays small: the
// fingers and names a step refers to live in the script's pools.
struct ReplayStep {
    enum class Kind : std::uint8_t { Touches, Tap, Press, Wait, Snapshot, State };
    Kind kind = Kind::Wait;
    // Tap: `count` began/ended pairs at `point`.
    std::uint8_t count = 1;
    // Forced tap count of the touches a step begins (a tap step: of its first
    // tap, the others counting on from it); 0 leaves the counting to the clock.
    std::uint8_t tapCount = 0;
    int number = 0;     // 1-based, as error messages name it
    double start = 0;   // ms since launch of the step's first event
    double finish = 0;  // ms since launch of its last event (the clock after it)
    ReplayPoint point;
    // Touches: (finger, location) of the fingers it changes, the others rest:
    // ReplayScript::fingers[firstFinger, firstFinger + fingerCount).
    std::uint32_t firstFinger = 0, fingerCount = 0;
    // Press: the control's name; Snapshot, State: the file, relative to the
    // output directory. An index into ReplayScript::names.
    std::uint32_t name = 0;
    // Touches: one event (began, moved, ended or cancelled). Last, where it
    // fills what would be padding.
    TouchPhase phase = TouchPhase::Began;
};

struct ReplayScript {
    // The script's device as device flags (empty: none named).
    std::vector<std::string> deviceFlags;
    std::vector<ReplayStep> steps;
    std::vector<std::pair<int, ReplayPoint>> fingers;
    std::vector<std::string> names;

    const std::pair<int, ReplayPoint>* changedBegin(const ReplayStep& s) const {
        return fingers.data() + s.firstFinger;
    }
    const std::pair<int, ReplayPoint>* changedEnd(const ReplayStep& s) const {
        return fingers.data() + s.firstFinger + s.fingerCount;
    }
    const std::string& nameOf(const ReplayStep& s) const { return names[s.name]; }
};

struct ReplayScriptError {
    std::string message;  // "step 3: ..." or "\"device\": ..."
};

// Time between a tap's touch-down and lift-off, between taps of one step and
// between a press's touch-down and lift-off; the default step spacing.
constexpr double kReplayTapHoldMs = 50, kReplayTapGapMs = 50, kReplayStepMs = 50;
constexpr double kReplayMaxMs = 24 * 3600 * 1000.0;
constexpr int kReplayMaxFingers = 32, kReplayMaxTapCount = 20;
// The largest script read: a day of recorded touches fits many times over,
// while a runaway input (/dev/zero) is refused after a fraction of a second.
constexpr std::size_t kReplayMaxScriptBytes = 256u << 20;
// Arrays and objects nest at most this deep in a script (a point in a step).
constexpr int kReplayMaxDepth = 5;

// Parses and checks the script text in one pass; throws ReplayScriptError
// (invalid JSON is reported with its line and column).
ReplayScript parseReplayScript(const std::string& text);

// Reads at most kReplayMaxScriptBytes of the file; throws ReplayScriptError
// naming the file when it cannot be read or is larger.
std::string readReplayScriptFile(const std::string& path);

// A bounded excerpt of script text for messages: at most 60 bytes, control
// characters escaped.
std::string replayExcerpt(const std::string& text);
