// Window, screen, device, application and the entry point.
#include <cstdio>
#include <map>

#include "platform/ui/UIKitRuntime.h"

void UIWindow::setRootViewController(std::shared_ptr<UIViewController> vc) {
    if (root_ == vc) return;
    if (root_ && root_->isViewLoaded() && root_->view()->superview().get() == this)
        root_->view()->removeFromSuperview();
    root_ = std::move(vc);
    if (root_ && isKeyWindow()) {
        auto v = root_->view();
        v->setFrame(bounds());
        insertSubviewAtIndex(v, 0);
    }
}

void UIWindow::makeKeyWindow() {
    if (auto* rt = UIKitRuntime::current()) rt->setKeyWindow(shared_from_this());
}

void UIWindow::makeKeyAndVisible() {
    setHidden(false);
    makeKeyWindow();
    if (root_) {
        auto v = root_->view();  // loads the view (and the nib) now
        if (v->superview().get() != this) {
            v->setFrame(bounds());
            insertSubviewAtIndex(v, 0);
            root_->viewWillAppear(false);
            root_->viewDidAppear(false);
        }
    }
}

bool UIWindow::isKeyWindow() const {
    auto* app = UIApplication::sharedApplication();
    return app && app->keyWindow().get() == this;
}

std::shared_ptr<UIViewController> UIWindow::topViewController() const {
    auto vc = root_;
    while (vc && vc->presentedViewController()) vc = vc->presentedViewController();
    return vc;
}

bool UIWindow::isAnimating() const {
    auto* rt = UIKitRuntime::current();
    return rt && rt->isAnimating();
}

std::shared_ptr<UIView> UIWindow::hitTest(CGPoint p, UIEvent* event) { return UIView::hitTest(p, event); }

UIResponder* UIWindow::nextResponder() const { return UIApplication::sharedApplication(); }

// ---------------------------------------------------------------------------

namespace {
DeviceProfile& defaultProfile() {
    static DeviceProfile p;
    return p;
}
}  // namespace

const DeviceProfile& UIScreen::currentProfile() {
    if (auto* rt = UIKitRuntime::current()) return rt->backend().profile();
    return defaultProfile();
}

void UIScreen::setDefaultProfile(const DeviceProfile& profile) { defaultProfile() = profile; }

UIScreen* UIScreen::mainScreen() {
    static std::shared_ptr<UIScreen> screen = std::make_shared<UIScreen>();
    return screen.get();
}

CGRect UIScreen::bounds() const {
    const DeviceProfile& p = currentProfile();
    return CGRectMake(0, 0, p.width, p.height);
}

CGFloat UIScreen::scale() const { return CGFloat(currentProfile().pixelRatio); }

UIDevice* UIDevice::currentDevice() {
    static std::shared_ptr<UIDevice> device = std::make_shared<UIDevice>();
    return device.get();
}

UIUserInterfaceIdiom UIDevice::userInterfaceIdiom() const { return UIScreen::currentProfile().idiom; }

NSString UIDevice::model() const {
    return userInterfaceIdiom() == UIUserInterfaceIdiomPhone ? "iPhone" : "iPad";
}

// ---------------------------------------------------------------------------

namespace {
UIApplication* gApplication = nullptr;

std::map<NSString, UIApplication::Command>& commands() {
    static std::map<NSString, UIApplication::Command> c;
    return c;
}
}  // namespace

UIApplication* UIApplication::sharedApplication() { return gApplication; }

void UIKitRuntimeSetSharedApplication(UIApplication* app) { gApplication = app; }

bool UIApplication::openURL(const std::shared_ptr<NSURL>& url) {
    if (!url) return false;
    openedURLs_.push_back(url->absoluteString());
    auto* rt = UIKitRuntime::current();
    return rt && rt->backend().openURL(url->absoluteString());
}

bool UIApplication::copyToClipboard(const NSString& text) {
    auto* rt = UIKitRuntime::current();
    return rt && rt->backend().copyToClipboard(text);
}

bool UIApplication::canOpenURL(const std::shared_ptr<NSURL>& url) const { return url != nullptr; }

UIResponder* UIApplication::nextResponder() const {
    return dynamic_cast<UIResponder*>(delegateObject_.get());
}

void UIApplication::registerCommand(const NSString& name, Command command) {
    commands()[name] = std::move(command);
}

int UIApplicationMain(int argc, char* argv[], const char* principalClassName,
                      const NSString& delegateClassName) {
    if (argc > 1 && argv[1]) {
        auto it = commands().find(argv[1]);
        if (it != commands().end()) return it->second(argc - 1, argv + 1);
    }
    DeviceFlagsResult flags = parseDeviceFlags(argc, argv, 1);
    if (!flags.ok()) {
        std::fprintf(stderr, "starchart: %s\n", flags.error.c_str());
        return 2;
    }
    if (!flags.rest.empty()) {
        std::fprintf(stderr, "starchart: unknown argument '%s' (usage: starchart %s", flags.rest[0].c_str(),
                     deviceFlagsUsage());
        for (const auto& c : commands()) std::fprintf(stderr, ", or starchart %s ...", c.first.c_str());
        std::fprintf(stderr, ")\n");
        return 2;
    }
    // The backend and the runtime live outside this frame: a browser backend
    // returns to the page from run() and keeps using them from its callbacks.
    static std::unique_ptr<Backend> backend;
    static std::unique_ptr<UIKitRuntime> runtime;
    struct Reset {
        ~Reset() {
            runtime.reset();
            backend.reset();
        }
    };
    try {
        runtime.reset();
        backend = createDefaultBackend(flags.profile);
        if (!backend) {
            std::fprintf(stderr, "starchart: no backend is linked into this program\n");
            return 1;
        }
        Reset reset;
        runtime = std::make_unique<UIKitRuntime>(*backend);
        runtime->launch(principalClassName, delegateClassName, nullptr);
        const int status = backend->run(*runtime);
        runtime->terminate();
        return status;
    } catch (const UIKitFatalError& e) {
        std::fprintf(stderr, "starchart: %s\n", e.what());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "starchart: internal error: %s\n", e.what());
        return 1;
    }
}
