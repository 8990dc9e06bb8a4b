// The browser program: the page's canvas and touches as the backend. Its loop
// is the page's: UIApplicationMain returns to it and the application goes on
// running from the page's callbacks.
#include "app/VHAppDelegate.h"
#include "platform/backend/web/WebBackend.h"
#include "platform/ui/UIKit.h"
#include "resources/Bundle.h"

int main() {
    NSAutoreleasePool pool;
    registerBundle();
    UIApplicationSetBackendFactory(
        [](const DeviceProfile& profile) { return std::make_unique<WebBackend>(profile); });
    // The page passes no arguments: the device is the browser's viewport.
    return UIApplicationRun(DeviceProfile{}, nullptr, NSStringFromClass<VHAppDelegate>());
}
