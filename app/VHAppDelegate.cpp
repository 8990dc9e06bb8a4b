#include "app/VHAppDelegate.h"

#include "platform/ui/UIKitRuntime.h"

namespace {
StartView& startView() {
    static StartView view;
    return view;
}
}  // namespace

void VHAppDelegate::setStartView(const StartView& view) { startView() = view; }

NSString VHAppDelegate::mainNibNameForIdiom(UIUserInterfaceIdiom idiom) {
    return idiom == UIUserInterfaceIdiomPhone ? "VHMainViewController_iPhone" : "VHMainViewController_iPad";
}

bool VHAppDelegate::applicationDidFinishLaunchingWithOptions(UIApplication*, const NSDictionary*) {
    const CGRect bounds = UIScreen::mainScreen()->bounds();
    auto window = std::make_shared<UIWindow>();
    window->initWithFrame(bounds);
    setWindow(window);

    const UIUserInterfaceIdiom idiom = UIDevice::currentDevice()->userInterfaceIdiom();
    auto controller = std::make_shared<VHMainViewController>();
    controller->initWithNibName(mainNibNameForIdiom(idiom), nullptr);
    setMainViewController(controller);

    this->window()->setRootViewController(mainViewController());
    this->window()->makeKeyAndVisible();
    // Delivered before the first frame is drawn.
    if (auto* runtime = UIKitRuntime::current(); runtime && !startView().isDefault()) {
        for (auto& frame : startViewFrames(startView(), bounds.size, runtime->now()))
            runtime->postTouches(std::move(frame));
    }
    return true;
}

void VHAppDelegate::applicationWillResignActive(UIApplication*) {}
void VHAppDelegate::applicationDidEnterBackground(UIApplication*) {}
void VHAppDelegate::applicationWillEnterForeground(UIApplication*) {}
void VHAppDelegate::applicationDidBecomeActive(UIApplication*) {}
void VHAppDelegate::applicationWillTerminate(UIApplication*) {}
