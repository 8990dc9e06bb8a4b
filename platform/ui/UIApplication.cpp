// The application object and the entry point.
#include <cstdio>

#include "platform/cg/Fonts.h"
#include "platform/ui/UIKitRuntime.h"

namespace {
UIApplication* gApplication = nullptr;
BackendFactory& backendFactory() {
    static BackendFactory f;
    return f;
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

void UIApplicationSetBackendFactory(BackendFactory factory) { backendFactory() = std::move(factory); }

int UIApplicationMain(int argc, char* argv[], const char* principalClassName,
                      const NSString& delegateClassName) {
    DeviceFlagsResult flags = parseDeviceFlags(argc, argv, 1);
    if (!flags.ok()) {
        std::fprintf(stderr, "starchart: %s\n", flags.error.c_str());
        return 2;
    }
    if (!flags.rest.empty()) {
        std::fprintf(stderr, "starchart: unknown argument '%s' (usage: starchart %s)\n",
                     flags.rest[0].c_str(), deviceFlagsUsage());
        return 2;
    }
    return UIApplicationRun(flags.profile, principalClassName, delegateClassName);
}

int UIApplicationRun(const DeviceProfile& profile, const char* principalClassName,
                     const NSString& delegateClassName) {
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
        backend = backendFactory() ? backendFactory()(profile) : nullptr;
        if (!backend) {
            std::fprintf(stderr, "starchart: no backend was set for this program\n");
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
    } catch (const CGFontError& e) {
        std::fprintf(stderr, "starchart: %s\n", e.what());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "starchart: internal error: %s\n", e.what());
        return 1;
    }
}
