// The application object, its delegate protocol, and the entry point.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/UIResponder.h"
#include "platform/ui/port/Backend.h"
#include "platform/ui/port/FatalError.h"

class UIWindow;
class NSURL;

class UIApplication;

// The application delegate protocol; adopt it beside UIResponder:
//   class VHAppDelegate : public UIResponder, public UIApplicationDelegate
class UIApplicationDelegate {
public:
    virtual ~UIApplicationDelegate() = default;
    // launchOptions is nullptr for a plain launch.
    virtual bool applicationDidFinishLaunchingWithOptions(UIApplication* application,
                                                          const NSDictionary* launchOptions) {
        (void)application;
        (void)launchOptions;
        return true;
    }
    virtual void applicationWillResignActive(UIApplication* application) { (void)application; }
    virtual void applicationDidEnterBackground(UIApplication* application) { (void)application; }
    virtual void applicationWillEnterForeground(UIApplication* application) { (void)application; }
    virtual void applicationDidBecomeActive(UIApplication* application) { (void)application; }
    virtual void applicationWillTerminate(UIApplication* application) { (void)application; }
    // The window property.
    virtual std::shared_ptr<UIWindow> window() const { return nullptr; }
    virtual void setWindow(std::shared_ptr<UIWindow> window) { (void)window; }
};

class UIApplication : public UIResponder {
public:
    // The running application (nullptr before UIApplicationMain or a harness launch).
    static UIApplication* sharedApplication();

    UIApplicationDelegate* delegate() const { return delegate_; }
    std::shared_ptr<NSObject> delegateObject() const { return delegateObject_; }
    // Hands the URL to the backend (desktop browser, new tab); remembered in openedURLs.
    bool openURL(const std::shared_ptr<NSURL>& url);
    bool canOpenURL(const std::shared_ptr<NSURL>& url) const;
    // Puts text on the system clipboard; false when the platform has none.
    bool copyToClipboard(const NSString& text);
    const std::vector<NSString>& openedURLs() const { return openedURLs_; }
    std::shared_ptr<UIWindow> keyWindow() const { return keyWindow_.lock(); }

    // The delegate, when it is a responder.
    UIResponder* nextResponder() const override;

private:
    friend class UIKitRuntime;
    UIApplicationDelegate* delegate_ = nullptr;
    std::shared_ptr<NSObject> delegateObject_;
    std::vector<NSString> openedURLs_;
    std::weak_ptr<UIWindow> keyWindow_;
};

// Parses the device flags (exit status 2 and a message on stderr for a bad
// one), makes the backend with the factory main set, creates the application
// (principalClassName nullptr: UIApplication) and the delegate by class name,
// launches it and runs the loop until the backend quits. A fatal toolkit error
// (UIKitFatalError, e.g. a bad nib) prints its message to stderr and returns 1.
int UIApplicationMain(int argc, char* argv[], const char* principalClassName,
                      const NSString& delegateClassName);
// UIApplicationMain after the flags: for a program that takes none (the
// browser's), so that it carries no flag reader.
int UIApplicationRun(const DeviceProfile& profile, const char* principalClassName,
                     const NSString& delegateClassName);

// The backend UIApplicationMain runs on; main sets it first.
void UIApplicationSetBackendFactory(BackendFactory factory);
