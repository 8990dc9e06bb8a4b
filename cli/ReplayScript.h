// A replay script read and checked as a whole before anything runs: every
// step with its time on the script's clock and the fingers it changes.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct ReplayPoint {
    float x = 0, y = 0;
};

struct ReplayStep {
    enum class Kind { Touches, Tap, Press, Wait, Snapshot, State };
    Kind kind = Kind::Wait;
    int number = 0;     // 1-based, as error messages name it
    double start = 0;   // ms since launch of the step's first event
    double finish = 0;  // ms since launch of its last event (the clock after it)

    // Touches: one event. phase: 0 began, 1 moved, 3 ended, 4 cancelled;
    // (finger, location) of the fingers it changes, the others rest.
    int phase = 0;
    std::vector<std::pair<int, ReplayPoint>> changed;
    // Tap: `count` began/ended pairs at `point`. Press: the control's name.
    ReplayPoint point;
    int count = 1;
    // Forced tap count of the touches a step begins (a tap step: of its first
    // tap, the others counting on from it); 0 leaves the counting to the clock.
    int tapCount = 0;
    std::string control;
    // Snapshot, State: the file, relative to the output directory.
    std::string path;
};

struct ReplayScript {
    // The script's device as device flags (empty: none named).
    std::vector<std::string> deviceFlags;
    std::vector<ReplayStep> steps;
};

struct ReplayScriptError {
    std::string message;  // "step 3: ..." or "\"device\": ..."
};

// Time between a tap's touch-down and lift-off, between taps of one step and
// between a press's touch-down and lift-off; the default step spacing.
constexpr double kReplayTapHoldMs = 50, kReplayTapGapMs = 50, kReplayStepMs = 50;
constexpr double kReplayMaxMs = 24 * 3600 * 1000.0;
constexpr int kReplayMaxFingers = 32, kReplayMaxTapCount = 20;

// Parses and checks the script text; throws ReplayScriptError (invalid JSON
// is reported with its line and column).
ReplayScript parseReplayScript(const std::string& text);
