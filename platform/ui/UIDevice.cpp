// The device: its interface idiom.
#include <cstdio>

#include "platform/ui/UIKitRuntime.h"

UIDevice* UIDevice::currentDevice() {
    static std::shared_ptr<UIDevice> device = std::make_shared<UIDevice>();
    return device.get();
}

UIUserInterfaceIdiom UIDevice::userInterfaceIdiom() const { return UIScreen::currentProfile().idiom; }

NSString UIDevice::model() const {
    return userInterfaceIdiom() == UIUserInterfaceIdiomPhone ? "iPhone" : "iPad";
}
