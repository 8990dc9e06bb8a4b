#include "platform/ui/port/DeviceProfile.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>

#include "platform/ui/port/CommandLine.h"

namespace {
const char* kDeviceNames = "phone, phone-tall, phone-wide, tablet";
}  // namespace

bool DeviceProfile::named(const std::string& name, DeviceProfile& out) {
    struct Named {
        const char* name;
        float w, h;
        UIUserInterfaceIdiom idiom;
    };
    static const Named table[] = {{"phone", 320, 480, UIUserInterfaceIdiomPhone},
                                  {"phone-tall", 320, 568, UIUserInterfaceIdiomPhone},
                                  {"phone-wide", 375, 667, UIUserInterfaceIdiomPhone},
                                  {"tablet", 768, 1024, UIUserInterfaceIdiomPad}};
    for (const auto& n : table) {
        if (name == n.name) {
            out.name = n.name;
            out.width = n.w;
            out.height = n.h;
            out.idiom = n.idiom;
            return true;
        }
    }
    return false;
}

UIUserInterfaceIdiom DeviceProfile::idiomForSize(float width, float height) {
    return std::min(width, height) >= 600 ? UIUserInterfaceIdiomPad : UIUserInterfaceIdiomPhone;
}

double DeviceProfile::pixelRatioForDrawable(int windowWidth, int drawableWidth) const {
    if (pixelRatioGiven || windowWidth <= 0 || drawableWidth <= windowWidth) return pixelRatio;
    return std::min(kDeviceMaxPixelRatio, double(drawableWidth) / windowWidth);
}

DeviceFlagsResult parseDeviceFlags(const std::vector<std::string>& args) {
    DeviceFlagsResult r;
    try {
        std::string device, size, idiom, ratio;
        FlagReader flags(args);
        std::string flag;
        while (flags.next(flag)) {
            const char* allowed = flag == "--device"        ? kDeviceNames
                                  : flag == "--size"        ? "WxH, each side 200..4096 points"
                                  : flag == "--idiom"       ? "phone, tablet"
                                  : flag == "--pixel-ratio" ? "from 1 to 4"
                                                            : nullptr;
            if (!allowed) {
                r.rest.push_back(flags.given());
                flags.passOn();
                continue;
            }
            std::string value;
            try {
                value = flags.value(flag);
            } catch (const FlagError& e) {
                throw FlagError{e.message + " (allowed: " + allowed + ")"};
            }
            (flag == "--device"  ? device
             : flag == "--size"  ? size
             : flag == "--idiom" ? idiom
                                 : ratio) = value;
        }
        if (!device.empty() && !size.empty()) throw FlagError{"--device and --size cannot be used together"};
        if (!device.empty() && !idiom.empty())
            throw FlagError{"--idiom goes with --size, not with --device (the device sets it)"};
        if (!device.empty() && !DeviceProfile::named(device, r.profile))
            throw FlagError{"--device: unknown device " + quotedArgument(device) +
                            " (allowed: " + kDeviceNames + ")"};
        if (!size.empty()) {
            const auto x = size.find_first_of("xX");
            const std::string range = "each side 200..4096 points";
            if (x == std::string::npos || x == 0 || x + 1 == size.size())
                throw FlagError{"--size: " + quotedArgument(size) +
                                " is not WxH in whole points (e.g. 800x600)"};
            long w = 0, h = 0;
            try {
                w = wholeInRange("--size", size.substr(0, x), kDeviceMinSide, kDeviceMaxSide);
                h = wholeInRange("--size", size.substr(x + 1), kDeviceMinSide, kDeviceMaxSide);
            } catch (const FlagError& e) {
                if (e.message.find("out of range") != std::string::npos)
                    throw FlagError{"--size: " + quotedArgument(size) + " is out of range (" + range + ")"};
                throw FlagError{"--size: " + quotedArgument(size) +
                                " is not WxH in whole points (e.g. 800x600)"};
            }
            r.profile.name = "custom";
            r.profile.width = float(w);
            r.profile.height = float(h);
            r.profile.idiom = DeviceProfile::idiomForSize(r.profile.width, r.profile.height);
        }
        if (!idiom.empty()) {
            r.profile.idiom = oneOf("--idiom", idiom, {"phone", "tablet"}) == "phone"
                                  ? UIUserInterfaceIdiomPhone
                                  : UIUserInterfaceIdiomPad;
            if (size.empty()) throw FlagError{"--idiom needs --size WxH"};
        }
        if (!ratio.empty()) {
            r.profile.pixelRatio =
                numberInRange("--pixel-ratio", ratio, kDeviceMinPixelRatio, kDeviceMaxPixelRatio);
            r.profile.pixelRatioGiven = true;
        }
    } catch (const FlagError& e) {
        r.error = e.message;
    }
    return r;
}

DeviceFlagsResult parseDeviceFlags(int argc, const char* const* argv, int first) {
    std::vector<std::string> args;
    for (int i = first; i < argc; ++i) args.emplace_back(argv[i]);
    return parseDeviceFlags(args);
}

const char* deviceFlagsUsage() {
    return "[--device phone|phone-tall|phone-wide|tablet | --size WxH [--idiom phone|tablet]] [--pixel-ratio "
           "1..4]";
}
