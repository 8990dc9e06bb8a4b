// The command-line reader on any arguments (the input split at NUL bytes):
// the device flags and each kind of checked value either give a value that
// keeps the rules or a FlagError naming the flag.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/ui/port/CommandLine.h"
#include "platform/ui/port/DeviceProfile.h"

namespace {

bool plainDecimal(const std::string& s) {
    for (char c : s)
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
            return false;
    return !s.empty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> args(1);
    for (size_t i = 0; i < size && args.size() < 64; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back() += char(data[i]);
    }

    const DeviceFlagsResult device = parseDeviceFlags(args);
    if (device.ok()) {
        const DeviceProfile& p = device.profile;
        if (p.width < kDeviceMinSide || p.width > kDeviceMaxSide || p.height < kDeviceMinSide ||
            p.height > kDeviceMaxSide || !(p.pixelRatio >= 1 && p.pixelRatio <= 4))
            std::abort();
    } else if (device.error.find("--") == std::string::npos) {
        std::abort();  // every error names a flag
    }

    try {
        FlagReader flags(args);
        std::string flag;
        while (flags.next(flag)) {
            if (flag == "--ra") {
                const std::string v = flags.value(flag);
                const double ra = numberInRange(flag, v, 0, 24);
                if (!(ra >= 0 && ra <= 24) || !plainDecimal(v)) std::abort();
            } else if (flag == "--count") {
                const std::string v = flags.value(flag);
                const long n = wholeInRange(flag, v, 200, 4096);
                if (n < 200 || n > 4096) std::abort();
            } else if (flag == "--labels") {
                if (oneOf(flag, flags.value(flag), {"0", "1", "2"}).size() != 1) std::abort();
            } else if (flag.rfind("--", 0) == 0) {
                if (flags.value(flag).empty()) std::abort();
            }
        }
    } catch (const FlagError& e) {
        if (e.message.empty() || e.message.size() > 400) std::abort();
    }
    return 0;
}
