#include "app/VHAppDelegate.h"

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
    return true;
}

void VHAppDelegate::applicationWillResignActive(UIApplication*) {}
void VHAppDelegate::applicationDidEnterBackground(UIApplication*) {}
void VHAppDelegate::applicationWillEnterForeground(UIApplication*) {}
void VHAppDelegate::applicationDidBecomeActive(UIApplication*) {}
void VHAppDelegate::applicationWillTerminate(UIApplication*) {}
