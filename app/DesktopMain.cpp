// The desktop program: a window on SDL2, plus the headless commands. Everything
// it is made of is chosen here: the bundle, the commands, the backend and the
// application delegate.
#include <cstdio>
#include <cstring>

#include "app/VHAppDelegate.h"
#include "cli/Commands.h"
#include "cli/Flags.h"
#include "platform/backend/sdl/SdlBackend.h"
#include "platform/ui/UIKit.h"
#include "resources/Bundle.h"

namespace {

constexpr const char* kHelp =
    "usage: starchart [--device phone|phone-tall|phone-wide|tablet | --size WxH [--idiom phone|tablet]]\n"
    "                 [--pixel-ratio 1..4]\n"
    "                 [--ra HOURS] [--dec DEGREES] [--zoom Z]\n"
    "       starchart snapshot ...     the chart as a PNG, SVG or PDF file (starchart snapshot --help)\n"
    "       starchart replay ...       a scripted session, headless (starchart replay --help)\n"
    "       starchart --help | --version\n"
    "\n"
    "Opens the star chart in a window, as a phone (default) or tablet screen of that size in\n"
    "points: phone 320x480, phone-tall 320x568, phone-wide 375x667, tablet 768x1024. It starts\n"
    "centred on right ascension HOURS (0..24, default 17) and declination DEGREES (-90..90,\n"
    "default 31) at zoom Z (0.9..3, default 1), reached as a finger would: a drag, then pinches.\n"
    "\n"
    "The chart is made for fingers; everything else stands in for them:\n"
    "  mouse          the left button is one finger: drag to pan, double click to step the labels\n"
    "  Alt + drag     two fingers mirrored about the window's centre: a pinch\n"
    "  wheel          one notch is a pinch opening (up) or closing (down) by 200 points: the zoom\n"
    "                 changes by 0.1 (0.067 on screens wider than 480 points), within 0.9..3;\n"
    "                 a trackpad's smooth scroll zooms in proportion\n"
    "  arrow keys     pan: a one-finger drag of 40 points, the chart moving the other way\n"
    "                 (Right shows more of the sky to the right)\n"
    "  + (or =), -    zoom in, out by one wheel notch\n"
    "  i              the info screen (again: closes its popover on a tablet)\n"
    "  Escape         \"Done\" on the info screen, \"Quit\" in the learning mode\n"
    "A touchscreen's own fingers pass straight through.";

// The window's flags: the device's, then the starting view's; FlagError for
// anything else.
DeviceProfile readWindowFlags(int argc, char** argv) {
    DeviceFlagsResult device = parseDeviceFlags(argc, argv, 1);
    if (!device.ok()) throw FlagError{device.error};
    ViewFlags view;
    FlagReader flags(device.rest);
    std::string flag;
    while (flags.next(flag))
        if (!readViewFlag(flags, flag, view))
            throw FlagError{"unknown argument " + quotedArgument(flags.given()) +
                            " (starchart --help lists them)"};
    VHAppDelegate::setStartView({view.ra, view.dec, view.zoom});
    return device.profile;
}

}  // namespace

int main(int argc, char* argv[]) {
    NSAutoreleasePool pool;
    registerBundle();
    const NSString delegateClassName = NSStringFromClass<VHAppDelegate>();
    if (argc > 1 && std::strcmp(argv[1], "snapshot") == 0)
        return runSnapshot(argc - 1, argv + 1, delegateClassName);
    if (argc > 1 && std::strcmp(argv[1], "replay") == 0)
        return runReplay(argc - 1, argv + 1, delegateClassName);
    if (answerInfoRequest(std::vector<std::string>(argv + 1, argv + argc), kHelp)) return 0;
    DeviceProfile profile;
    try {
        profile = readWindowFlags(argc, argv);
    } catch (const FlagError& e) {
        std::fprintf(stderr, "starchart: %s\n", e.message.c_str());
        return 2;
    }
    UIApplicationSetBackendFactory(
        [](const DeviceProfile& device) { return std::make_unique<SdlBackend>(device); });
    return UIApplicationRun(profile, nullptr, delegateClassName);
}
