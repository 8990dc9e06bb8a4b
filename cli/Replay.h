// Playing a checked replay script on the whole app, offscreen.
#pragma once

#include <string>

#include "cli/ReplayScript.h"
#include "platform/ui/Foundation.h"
#include "platform/ui/port/DeviceProfile.h"

// Launches the app (its delegate class named delegateClassName) as `profile` and plays every step, writing
// snapshots and states beneath the open folder outDir (outDirName: how messages name it). 0 when every step
// ran; 1 with "step N: why" in *failure otherwise.
int playReplayScript(const ReplayScript& script, const DeviceProfile& profile,
                     const NSString& delegateClassName, int outDir, const std::string& outDirName,
                     std::string* failure);
