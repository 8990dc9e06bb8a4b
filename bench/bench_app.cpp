// A pan as the app lives it: one touch-moved event through the toolkit to the
// controller, the chart's redraw and the window's composite, at tablet and
// phone sizes, pixel ratios 1 and 2, with the interactive raster caches.
#include <benchmark/benchmark.h>

#include "app/VHAppDelegate.h"
#include "platform/backend/offscreen/OffscreenApp.h"
#include "resources/Bundle.h"

namespace {

void BM_PanFrame(benchmark::State& state) {
    DeviceProfile profile;
    DeviceProfile::named(state.range(0) ? "tablet" : "phone", profile);
    profile.pixelRatio = double(state.range(1));
    registerBundle();
    OffscreenApp app(profile, NSStringFromClass<VHAppDelegate>());
    app.launch();
    const CGFloat y = profile.height / 2;
    app.touchDown(0, {100, y});
    int i = 0;
    for (auto _ : state) {
        // Back and forth over 60 points, so every move changes the chart.
        const int t = i++ % 60;
        const CGFloat x = 100 + CGFloat(t < 30 ? t : 60 - t) * 2;
        app.touchMove(0, {x, y});
    }
    app.touchUp(0, {100, y});
    state.SetLabel(profile.name);
}

}  // namespace

BENCHMARK(BM_PanFrame)
    ->ArgNames({"tablet", "ratio"})
    ->ArgsProduct({{0, 1}, {1, 2}})
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
