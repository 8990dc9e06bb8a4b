// A starting view other than the chart's own (17 h, +31 degrees, zoom 1),
// reached as a finger would reach it: one drag, then pinches.
#pragma once

#include <vector>

#include "platform/ui/port/Backend.h"

struct StartView {
    double rightAscension = 17;  // hours, 0..24
    double declination = 31;     // degrees, -90..90
    double zoom = 1;             // 0.9..3
    bool isDefault() const { return rightAscension == 17 && declination == 31 && zoom == 1; }
};

// The touches that bring the chart from its own start to `view` on a screen of
// this size: what the main screen does with a drag and a pinch, run backwards.
std::vector<TouchFrame> startViewFrames(const StartView& view, CGSize screen, double timestamp);
