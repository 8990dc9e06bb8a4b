// Makes the SDL window this build's default backend (see the link anchor in
// CMakeLists.txt: nothing else refers to this file).
#include "platform/backend/sdl/SdlBackend.h"

STARCHART_REGISTER_BACKEND(sdl, 10, [](const DeviceProfile& p) {
    return std::unique_ptr<Backend>(new SdlBackend(p));
});
