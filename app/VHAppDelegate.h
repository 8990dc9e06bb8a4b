// The application delegate: one window on the whole screen, with the main
// screen's controller as its root.
#pragma once

#include <memory>

#include "app/StartView.h"
#include "mainscreen/VHMainViewController.h"
#include "platform/ui/UIKit.h"

class VHAppDelegate : public UIResponder, public UIApplicationDelegate {
public:
    bool applicationDidFinishLaunchingWithOptions(UIApplication* application,
                                                  const NSDictionary* launchOptions) override;
    // Nothing is kept between runs, so none of these has work to do.
    void applicationWillResignActive(UIApplication* application) override;
    void applicationDidEnterBackground(UIApplication* application) override;
    void applicationWillEnterForeground(UIApplication* application) override;
    void applicationDidBecomeActive(UIApplication* application) override;
    void applicationWillTerminate(UIApplication* application) override;

    std::shared_ptr<UIWindow> window() const override { return _window; }
    void setWindow(std::shared_ptr<UIWindow> window) override { _window = std::move(window); }
    std::shared_ptr<VHMainViewController> mainViewController() const { return _mainViewController; }
    void setMainViewController(std::shared_ptr<VHMainViewController> controller) {
        _mainViewController = std::move(controller);
    }

    // The view the chart starts at in the applications launched from now on
    // (the command line's or the link's; default: the chart's own).
    static void setStartView(const StartView& view);

    // The main screen's interface description for an interface idiom.
    static NSString mainNibNameForIdiom(UIUserInterfaceIdiom idiom);

private:
    std::shared_ptr<UIWindow> _window;
    std::shared_ptr<VHMainViewController> _mainViewController;
};
