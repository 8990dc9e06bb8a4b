#include "cli/TracedSurface.h"

#include "platform/cg/cairo/CairoContext.h"

namespace {

// Owns the pixels the recorder forwards to; the holder base is built first.
struct PixelHolder {
    std::unique_ptr<CairoSurface> pixels;
};

class TracedSurface : private PixelHolder, public RecordingSurface {
public:
    TracedSurface(CGSize size, double scale)
        : PixelHolder{std::make_unique<CairoSurface>(size, scale)},
          RecordingSurface(size, scale, pixels.get()) {}
};

}  // namespace

std::unique_ptr<CGSurface> makeTracedSurface(CGSize size, double scale) {
    return std::make_unique<TracedSurface>(size, scale);
}
