#include "platform/backend/offscreen/OffscreenBackend.h"

#include "platform/cg/RecordingContext.h"
#include "platform/cg/cairo/CairoContext.h"

OffscreenBackend::OffscreenBackend(DeviceProfile profile, SurfaceFactory factory)
    : profile_(std::move(profile)), factory_(std::move(factory)) {
    if (!factory_) {
        factory_ = [](CGSize size, double scale) -> std::unique_ptr<CGSurface> {
            return std::make_unique<CairoSurface>(size, scale);
        };
    }
}

std::unique_ptr<CGSurface> OffscreenBackend::createSurface(CGSize size, double scale) {
    return factory_(size, scale);
}

void OffscreenBackend::present(CGSurface& window) {
    ++presents_;
    lastPresented_ = &window;
}

bool OffscreenBackend::openURL(const std::string& url) {
    urls_.push_back(url);
    return opensURLs_;
}

int OffscreenBackend::run(BackendHost& host) {
    // Headless: let the launch settle (animations at 60 Hz of virtual time), then quit.
    for (int i = 0; i < 600 && host.needsIteration(); ++i) {
        clock_ += 1.0 / 60;
        host.runIteration();
    }
    return 0;
}
