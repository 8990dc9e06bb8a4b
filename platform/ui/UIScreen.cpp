// The screen, as the backend's device profile describes it.
#include <cstdio>

#include "platform/ui/UIKitRuntime.h"

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
