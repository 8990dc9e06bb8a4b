// The desktop program: a window on SDL2, plus the headless commands. Everything
// it is made of is chosen here: the bundle, the commands, the backend and the
// application delegate.
#include <cstring>

#include "app/VHAppDelegate.h"
#include "cli/Commands.h"
#include "platform/backend/sdl/SdlBackend.h"
#include "platform/ui/UIKit.h"
#include "resources/Bundle.h"

int main(int argc, char* argv[]) {
    NSAutoreleasePool pool;
    registerBundle();
    const NSString delegateClassName = NSStringFromClass<VHAppDelegate>();
    if (argc > 1 && std::strcmp(argv[1], "snapshot") == 0)
        return runSnapshot(argc - 1, argv + 1, delegateClassName);
    if (argc > 1 && std::strcmp(argv[1], "replay") == 0)
        return runReplay(argc - 1, argv + 1, delegateClassName);
    UIApplicationSetBackendFactory(
        [](const DeviceProfile& profile) { return std::make_unique<SdlBackend>(profile); });
    return UIApplicationMain(argc, argv, nullptr, delegateClassName);
}
