// The screen and the device, as the backend's device profile describes them.
#pragma once

#include "platform/cg/CoreGraphics.h"
#include "platform/ui/Foundation.h"
#include "platform/ui/port/DeviceProfile.h"

class UIScreen : public NSObject {
public:
    static UIScreen* mainScreen();
    // (0, 0, width, height) in points.
    CGRect bounds() const;
    // Device pixels per point.
    CGFloat scale() const;

    // The device of the running application, or, with none running, the one
    // set here (a 320 x 480 phone until set), for code tested on its own.
    static const DeviceProfile& currentProfile();
    static void setDefaultProfile(const DeviceProfile& profile);
};

class UIDevice : public NSObject {
public:
    static UIDevice* currentDevice();
    UIUserInterfaceIdiom userInterfaceIdiom() const;
    NSString model() const;  // "iPhone" or "iPad"
};
