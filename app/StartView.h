// A starting view other than the chart's own (17 h, +31 degrees, zoom 1),
// reached as a finger would reach it: one drag, then pinches.
#pragma once

#include <vector>

#include "mainscreen/VHMainViewController.h"
#include "platform/ui/port/Backend.h"

struct StartView {
    double rightAscension = VHMainViewController::kStartRightAscension;  // hours, 0..24
    double declination = VHMainViewController::kStartDeclination;        // degrees, -90..90
    double zoom = VHMainViewController::kStartScale;
    bool isDefault() const {
        return rightAscension == VHMainViewController::kStartRightAscension &&
               declination == VHMainViewController::kStartDeclination &&
               zoom == VHMainViewController::kStartScale;
    }
};

// The touches that bring the chart from its own start to `view` on a screen of
// this size: what the main screen does with a drag and a pinch, run backwards.
std::vector<TouchFrame> startViewFrames(const StartView& view, CGSize screen, double timestamp);
