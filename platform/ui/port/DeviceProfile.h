// The device the application runs as: screen size in points, pixel ratio and
// interface idiom, from the command line's device flags.
#pragma once

#include <string>
#include <vector>

enum class UIUserInterfaceIdiom : int {
    Phone = 0,
    Pad = 1,
};
constexpr UIUserInterfaceIdiom UIUserInterfaceIdiomPhone = UIUserInterfaceIdiom::Phone;
constexpr UIUserInterfaceIdiom UIUserInterfaceIdiomPad = UIUserInterfaceIdiom::Pad;

struct DeviceProfile {
    std::string name = "phone";       // "phone", "phone-tall", "phone-wide", "tablet" or "custom"
    float width = 320, height = 480;  // points
    double pixelRatio = 1;            // device pixels per point
    bool pixelRatioGiven = false;     // by --pixel-ratio: a window keeps it on any screen
    UIUserInterfaceIdiom idiom = UIUserInterfaceIdiomPhone;

    // The named profile; false if the name is not one of the four.
    static bool named(const std::string& name, DeviceProfile& out);
    // The browser's rule: tablet when the shorter side is at least 600 points.
    static UIUserInterfaceIdiom idiomForSize(float width, float height);
    // The ratio for a window `windowWidth` wide in screen coordinates whose
    // drawable is `drawableWidth` pixels wide: on a HiDPI screen (more pixels
    // than coordinates) their quotient, at most 4, unless --pixel-ratio gave
    // one; else pixelRatio.
    double pixelRatioForDrawable(int windowWidth, int drawableWidth) const;
};

constexpr int kDeviceMinSide = 200, kDeviceMaxSide = 4096;
constexpr double kDeviceMinPixelRatio = 1, kDeviceMaxPixelRatio = 4;

struct DeviceFlagsResult {
    DeviceProfile profile;
    std::vector<std::string> rest;  // arguments that are not device flags, in order
    std::string error;              // empty when the flags were good
    bool ok() const { return error.empty(); }
};

// Parses --device phone|phone-tall|phone-wide|tablet, or --size WxH (each side
// 200..4096) with an optional --idiom phone|tablet (default: by the shorter
// side), and --pixel-ratio N (1..4, default 1); "--flag value" or "--flag=value".
// --device with --size or --idiom, a repeated flag, a missing or bad value is
// an error naming the flag and what is allowed; callers exit with status 2.
DeviceFlagsResult parseDeviceFlags(const std::vector<std::string>& args);
// The same over argv[first..argc).
DeviceFlagsResult parseDeviceFlags(int argc, const char* const* argv, int first = 1);
// One line for --help texts.
const char* deviceFlagsUsage();
