#include "app/StartView.h"

#include "platform/ui/port/SyntheticGestures.h"

namespace {

// The main screen's gestures: at zoom 1 a drag of 100 points is an hour and
// 8 points a degree, and a pinch changes the zoom by its change of finger
// distance over 2000 points; screens wider than 480 points take 1.5 times
// the drag and 3000 points.
constexpr double kPointsPerHour = 100, kPointsPerDegree = 8, kPinchDivisor = 2000;
constexpr double kWideWidth = 480, kWidePan = 1.5, kWidePinchDivisor = 3000;

}  // namespace

std::vector<TouchFrame> startViewFrames(const StartView& view, CGSize screen, double timestamp) {
    const bool wide = screen.width > kWideWidth;
    const double f = wide ? kWidePan : 1;
    std::vector<TouchFrame> frames;
    const double dx = (view.rightAscension - 17) * kPointsPerHour * f;
    const double dy = (view.declination - 31) * kPointsPerDegree * f;
    if (dx != 0 || dy != 0) frames = dragFrames(screen, CGFloat(dx), CGFloat(dy), timestamp);
    const double travel = (view.zoom - 1) * (wide ? kWidePinchDivisor : kPinchDivisor);
    for (auto& p : pinchFrames(screen, travel / kNotchPinchPoints, timestamp)) frames.push_back(std::move(p));
    return frames;
}
