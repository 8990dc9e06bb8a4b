#include "app/StartView.h"

#include "platform/ui/port/SyntheticGestures.h"

std::vector<TouchFrame> startViewFrames(const StartView& view, CGSize screen, double timestamp) {
    using Main = VHMainViewController;
    // The drag is made at the start's scale, before the pinches change it.
    const bool wide = screen.width > Main::kWideThreshold;
    const double pointsPerUnit = 2 * (wide ? Main::kWidePanFactor : 1) * Main::kStartScale;
    std::vector<TouchFrame> frames;
    const double dx =
        (view.rightAscension - Main::kStartRightAscension) * pointsPerUnit * Main::kPanPointsPerHour;
    const double dy =
        (view.declination - Main::kStartDeclination) * pointsPerUnit * Main::kPanPointsPerDegree;
    if (dx != 0 || dy != 0) frames = dragFrames(screen, CGFloat(dx), CGFloat(dy), timestamp);
    const double travel =
        (view.zoom - Main::kStartScale) * (wide ? Main::kWidePinchDivisor : Main::kPinchDivisor);
    for (auto& p : pinchFrames(screen, travel / kNotchPinchPoints, timestamp)) frames.push_back(std::move(p));
    return frames;
}
