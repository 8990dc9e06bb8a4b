// The chart's full rendering pass plus the surface flush, over a ring of
// centres in label mode 1 (every layer on): with the raster caches, without
// them (the straightforward pass), and into the recording backend alone
// (projection and call overhead without any raster).
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "chart/QuartzView.h"
#include "platform/cg/RecordingContext.h"
#include "platform/cg/cairo/CairoContext.h"

namespace {

// Twelve centres around the sky, mixing crowded and sparse fields, so the
// label and dot caches see the churn of a real drag.
void centreAt(int i, float& ra, float& dec) {
    ra = float(std::fmod(i * 2.05, 24.0));
    dec = float(60 * std::sin(i * 0.9));
}

std::shared_ptr<QuartzView> makeView(float w, float h) {
    auto view = std::make_shared<QuartzView>();
    view->initWithFrame(CGRectMake(0, 0, w, h));
    view->writexs(17, 31, w, h);
    view->setEch(1.0);
    view->writeStarNames();  // label mode 1: star names too
    return view;
}

void runPasses(benchmark::State& state, QuartzView& view, CGSurface& surface, float w, float h) {
    UIGraphicsPushContext(surface.context());
    int i = 0;
    for (auto _ : state) {
        float ra, dec;
        centreAt(i++ % 12, ra, dec);
        view.writexs(ra, dec, w, h);
        view.drawRect(view.bounds());
        surface.flush();
    }
    UIGraphicsPopContext();
    state.SetItemsProcessed(state.iterations());
}

void BM_ChartPass(benchmark::State& state) {
    const float w = float(state.range(0)), h = float(state.range(1));
    const double scale = double(state.range(2));
    const bool caches = state.range(3) != 0;
    CairoSurface surface(CGSizeMake(w, h), scale);
    surface.cairoContext().setCachesEnabled(caches);
    auto view = makeView(w, h);
    runPasses(state, *view, surface, w, h);
    state.SetLabel(caches ? "cached" : "straightforward");
}

class NullSurface : public CGSurface {
public:
    CGContextRef context() override { return &recorder; }
    CGSize size() const override { return {}; }
    double scale() const override { return 1; }
    void flush() override { recorder.clear(); }
    RecordingContext recorder;
};

void BM_ChartPassRecordingOnly(benchmark::State& state) {
    const float w = float(state.range(0)), h = float(state.range(1));
    NullSurface surface;
    auto view = makeView(w, h);
    runPasses(state, *view, surface, w, h);
}

}  // namespace

BENCHMARK(BM_ChartPass)
    ->ArgNames({"w", "h", "ratio", "cache"})
    ->ArgsProduct({{320}, {480}, {1, 2}, {0, 1}})
    ->ArgsProduct({{768}, {1024}, {1, 2}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChartPassRecordingOnly)
    ->ArgNames({"w", "h"})
    ->Args({320, 480})
    ->Args({768, 1024})
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
