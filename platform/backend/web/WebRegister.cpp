// Makes the browser page this build's backend (see the link anchor in
// CMakeLists.txt: nothing else refers to this file).
#include "platform/backend/web/WebBackend.h"

STARCHART_REGISTER_BACKEND(web, 10, [](const DeviceProfile& p) {
    return std::unique_ptr<Backend>(new WebBackend(p));
});
