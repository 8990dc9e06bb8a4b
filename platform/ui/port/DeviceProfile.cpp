#include "platform/ui/port/DeviceProfile.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>

namespace {
const char* kDeviceNames = "phone, phone-tall, phone-wide, tablet";

bool parseInt(const std::string& s, long& out) {
    if (s.empty() || s.size() > 9) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    out = std::strtol(s.c_str(), nullptr, 10);
    return true;
}

bool parseNumber(const std::string& s, double& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    out = std::strtod(s.c_str(), &end);
    return end && *end == '\0' && std::isfinite(out);
}
}  // namespace

bool DeviceProfile::named(const std::string& name, DeviceProfile& out) {
    struct Named {
        const char* name;
        float w, h;
        int idiom;
    };
    static const Named table[] = {{"phone", 320, 480, 0},
                                  {"phone-tall", 320, 568, 0},
                                  {"phone-wide", 375, 667, 0},
                                  {"tablet", 768, 1024, 1}};
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

int DeviceProfile::idiomForSize(float width, float height) { return std::min(width, height) >= 600 ? 1 : 0; }

DeviceFlagsResult parseDeviceFlags(const std::vector<std::string>& args) {
    DeviceFlagsResult r;
    std::set<std::string> seen;
    std::string device, size, idiom, ratio;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string flag = args[i], value;
        bool inlineValue = false;
        auto eq = flag.find('=');
        if (flag.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = flag.substr(eq + 1);
            flag = flag.substr(0, eq);
            inlineValue = true;
        }
        if (flag != "--device" && flag != "--size" && flag != "--idiom" && flag != "--pixel-ratio") {
            r.rest.push_back(args[i]);
            continue;
        }
        if (!seen.insert(flag).second) {
            r.error = flag + " is given more than once";
            return r;
        }
        if (!inlineValue) {
            if (i + 1 >= args.size()) {
                value.clear();
            } else {
                value = args[++i];
            }
        }
        if (value.empty()) {
            if (flag == "--device") r.error = "--device needs a value (" + std::string(kDeviceNames) + ")";
            if (flag == "--size") r.error = "--size needs a value WxH (each side 200..4096 points)";
            if (flag == "--idiom") r.error = "--idiom needs a value (phone, tablet)";
            if (flag == "--pixel-ratio") r.error = "--pixel-ratio needs a value (1..4)";
            return r;
        }
        if (flag == "--device") device = value;
        if (flag == "--size") size = value;
        if (flag == "--idiom") idiom = value;
        if (flag == "--pixel-ratio") ratio = value;
    }
    if (!device.empty() && !size.empty()) {
        r.error = "--device and --size cannot be used together";
        return r;
    }
    if (!device.empty() && !idiom.empty()) {
        r.error = "--idiom goes with --size, not with --device (the device sets it)";
        return r;
    }
    if (!device.empty() && !DeviceProfile::named(device, r.profile)) {
        r.error = "--device: unknown device '" + device + "' (allowed: " + kDeviceNames + ")";
        return r;
    }
    if (!size.empty()) {
        auto x = size.find_first_of("xX");
        long w = 0, h = 0;
        if (x == std::string::npos || !parseInt(size.substr(0, x), w) || !parseInt(size.substr(x + 1), h)) {
            r.error = "--size: '" + size + "' is not WxH in whole points (e.g. 800x600)";
            return r;
        }
        if (w < kDeviceMinSide || w > kDeviceMaxSide || h < kDeviceMinSide || h > kDeviceMaxSide) {
            r.error = "--size: " + size + " is out of range (each side 200..4096 points)";
            return r;
        }
        r.profile.name = "custom";
        r.profile.width = float(w);
        r.profile.height = float(h);
        r.profile.idiom = DeviceProfile::idiomForSize(r.profile.width, r.profile.height);
    }
    if (!idiom.empty()) {
        if (idiom == "phone") {
            r.profile.idiom = 0;
        } else if (idiom == "tablet") {
            r.profile.idiom = 1;
        } else {
            r.error = "--idiom: unknown idiom '" + idiom + "' (allowed: phone, tablet)";
            return r;
        }
        if (size.empty()) {
            r.error = "--idiom needs --size WxH";
            return r;
        }
    }
    if (!ratio.empty()) {
        double n = 0;
        if (!parseNumber(ratio, n)) {
            r.error = "--pixel-ratio: '" + ratio + "' is not a number (allowed 1..4)";
            return r;
        }
        if (n < kDeviceMinPixelRatio || n > kDeviceMaxPixelRatio) {
            r.error = "--pixel-ratio: " + ratio + " is out of range (allowed 1..4)";
            return r;
        }
        r.profile.pixelRatio = n;
        r.profile.pixelRatioGiven = true;
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
