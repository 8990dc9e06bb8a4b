// The browser program: the page's canvas and touches as the backend. Its loop
// is the page's: UIApplicationRun returns to it and the application goes on
// running from the page's callbacks. The link's fragment (#ra=17&dec=31&zoom=1)
// gives the starting view and follows the chart as it moves, so a reload or a
// shared link shows the same view.
#include <emscripten/eventloop.h>

#include "app/VHAppDelegate.h"
#include "platform/backend/web/WebBackend.h"
#include "platform/ui/UIKit.h"
#include "resources/Bundle.h"

extern "C" {
// app/fragment.js
int sc_read_fragment(double* view);
void sc_write_fragment(double ra, double dec, double zoom);
}

namespace {

// At most a few times a second, and only once the chart has moved.
constexpr double kFragmentIntervalMs = 400;

void followView(void*) {
    static StartView written;
    auto* delegate = dynamic_cast<VHAppDelegate*>(
        UIApplication::sharedApplication() ? UIApplication::sharedApplication()->delegate() : nullptr);
    const auto main = delegate ? delegate->mainViewController() : nullptr;
    if (!main) return;
    const StartView now{main->rightAscension(), main->declination(), main->scale()};
    if (now.rightAscension == written.rightAscension && now.declination == written.declination &&
        now.zoom == written.zoom)
        return;
    written = now;
    sc_write_fragment(now.rightAscension, now.declination, now.zoom);
}

}  // namespace

int main() {
    NSAutoreleasePool pool;
    registerBundle();
    const StartView start;
    double view[9] = {start.rightAscension,
                      start.declination,
                      start.zoom,
                      0,
                      24,
                      -90,
                      90,
                      VHMainViewController::kMinScale,
                      VHMainViewController::kMaxScale};
    if (sc_read_fragment(view)) VHAppDelegate::setStartView({view[0], view[1], view[2]});
    emscripten_set_interval(&followView, kFragmentIntervalMs, nullptr);
    UIApplicationSetBackendFactory(
        [](const DeviceProfile& profile) { return std::make_unique<WebBackend>(profile); });
    // The page passes no arguments: the device is the browser's viewport.
    return UIApplicationRun(DeviceProfile{}, nullptr, NSStringFromClass<VHAppDelegate>());
}
