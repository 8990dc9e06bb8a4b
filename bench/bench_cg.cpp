// The drawing layer under a chart-like load: what one rendering pass costs at
// tablet size, with the raster caches on and off, at pixel ratio 1 and 2.
// Positions pan a little every pass, as during a drag, so text and dots land
// on ever-changing sub-pixel offsets.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/cg/CoreGraphics.h"
#include "platform/cg/cairo/CairoContext.h"

namespace {

constexpr CGFloat kWidth = 768, kHeight = 1024;

const char* const kNames[] = {
    "Andromeda",      "Aquarius",    "Aquila",      "Aries",       "Auriga",   "Bootes",  "Cancer",
    "Canes Venatici", "Canis Major", "Capricornus", "Cassiopeia",  "Cepheus",  "Cetus",   "Corona Borealis",
    "Cygnus",         "Draco",       "Gemini",      "Hercules",    "Leo",      "Lyra",    "Orion",
    "Pegasus",        "Perseus",     "Pisces",      "Sagittarius", "Scorpius", "Taurus",  "Ursa Major",
    "Sirius",         "Vega",        "Deneb",       "Altair",      "Arcturus", "Capella", "Rigel",
    "Procyon",        "Betelgeuse",  "Aldebaran",   "Spica",       "Antares",  "Pollux",  "Fomalhaut",
};

struct Label {
    CGPoint at;
    const char* text;
    bool star;
};
struct Dot {
    CGPoint at;
    CGFloat diameter;
};

struct Workload {
    std::vector<CGPoint> segments;
    std::vector<Label> labels;
    std::vector<Dot> dots;
    std::vector<CGPoint> ecliptic;

    Workload() {
        std::mt19937 rng(2010);
        std::uniform_real_distribution<float> x(0, kWidth), y(0, kHeight), len(20, 110), ang(0, 6.2831853f);
        for (int i = 0; i < 130; ++i) {
            const CGPoint a{x(rng), y(rng)};
            const float l = len(rng), t = ang(rng);
            segments.push_back(a);
            segments.push_back({a.x + l * std::cos(t), a.y + l * std::sin(t)});
        }
        const size_t nNames = sizeof kNames / sizeof kNames[0];
        for (size_t i = 0; i < 44; ++i) labels.push_back({{x(rng), y(rng)}, kNames[i % nNames], i >= 28});
        std::uniform_int_distribution<int> kind(0, 9);
        for (int i = 0; i < 230; ++i) {
            const int k = kind(rng);
            dots.push_back({{x(rng), y(rng)}, CGFloat(k < 6 ? 2 : k < 9 ? 4 : 6)});
        }
        for (int i = 0; i < 20; ++i) {
            const CGFloat t = CGFloat(i) / 20;
            ecliptic.push_back({t * kWidth, 300 + 200 * std::sin(t * 3)});
            ecliptic.push_back({t * kWidth + 18, 300 + 200 * std::sin(t * 3 + 0.07f)});
        }
    }
};

// One pass in the order and with the settings the chart uses.
void drawPass(CGContextRef c, const Workload& w, CGFloat dx, CGFloat dy, int frame) {
    CGContextClearRect(c, CGRectMake(0, 0, kWidth, kHeight));
    CGContextSelectFont(c, "Helvetica", 18, kCGEncodingMacRoman);
    CGContextSetTextDrawingMode(c, kCGTextFillStroke);
    CGContextSetTextMatrix(c, CGAffineTransformMake(1, 0, 0, -1, 0, 0));
    CGContextSetRGBStrokeColor(c, 1, 1, 1, 1);
    CGContextSetRGBStrokeColor(c, 0, 0, 0.8f, 1);
    CGContextSetLineWidth(c, 2);
    std::vector<CGPoint> pts(w.segments);
    for (auto& p : pts) p.x += dx, p.y += dy;
    CGContextStrokeLineSegments(c, pts.data(), pts.size());

    CGContextSetLineWidth(c, 0);
    for (bool star : {true, false}) {
        if (star)
            CGContextSetRGBFillColor(c, 0.8f, 0.8f, 0.8f, 1);
        else
            CGContextSetRGBFillColor(c, 0, 0.8f, 0, 1);
        for (const auto& l : w.labels)
            if (l.star == star)
                CGContextShowTextAtPoint(c, l.at.x + dx, l.at.y + dy, l.text, std::strlen(l.text));
    }

    CGContextSetRGBFillColor(c, 0, 0.5f, 0, 1);
    CGContextSetLineWidth(c, 0);
    const CGFloat gx = 400 + dx, gy = 500 + dy;
    CGContextShowTextAtPoint(c, gx - 10, gy - 8, "GC", 2);
    CGContextSetLineWidth(c, 1);
    CGContextBeginPath(c);
    CGContextMoveToPoint(c, gx - 5, gy);
    CGContextAddLineToPoint(c, gx + 5, gy);
    CGContextMoveToPoint(c, gx, gy - 5);
    CGContextAddLineToPoint(c, gx, gy + 5);
    CGContextStrokePath(c);

    for (int band = 0; band < 2; ++band) {
        if (band == 0)
            CGContextSetRGBStrokeColor(c, 0.4f, 0, 0, 1);
        else
            CGContextSetRGBStrokeColor(c, 0, 0.6f, 0, 1);
        CGContextSetLineWidth(c, 2);
        CGContextBeginPath(c);
        for (size_t i = 0; i < w.ecliptic.size(); i += 2) {
            CGContextMoveToPoint(c, w.ecliptic[i].x + dx, w.ecliptic[i].y + dy + band * 150);
            CGContextAddLineToPoint(c, w.ecliptic[i + 1].x + dx, w.ecliptic[i + 1].y + dy + band * 150);
        }
        CGContextStrokePath(c);
    }

    CGContextSetRGBFillColor(c, 0, 0, 0, 1);
    CGContextFillRect(c, CGRectMake(0, 0, 356, 40));
    CGContextSetRGBStrokeColor(c, 0.6f, 0, 0, 1);
    CGContextSetLineWidth(c, 0);
    CGContextSetRGBFillColor(c, 0.8f, 0, 0, 1);
    char readout[50];
    std::snprintf(readout, sizeof readout, "Ra : %2.2dh %2.2dmn %2.2ds  De : %2.2dd %2.2d' %2.2d\" ", 17,
                  (frame / 60) % 60, frame % 60, 31, 0, 0);
    CGContextShowTextAtPoint(c, 20, 46.4f, readout, std::strlen(readout));

    CGContextSetRGBFillColor(c, 1, 1, 1, 1);
    for (const auto& d : w.dots)
        CGContextFillEllipseInRect(c, CGRectMake(d.at.x + dx - d.diameter / 2, d.at.y + dy - d.diameter / 2,
                                                 d.diameter, d.diameter));

    CGContextSetRGBStrokeColor(c, 0.8f, 0, 0, 1);
    CGContextSetLineWidth(c, 1);
    CGContextBeginPath(c);
    CGContextMoveToPoint(c, kWidth / 2 - 10, kHeight / 2);
    CGContextAddLineToPoint(c, kWidth / 2 + 10, kHeight / 2);
    CGContextMoveToPoint(c, kWidth / 2, kHeight / 2 - 10);
    CGContextAddLineToPoint(c, kWidth / 2, kHeight / 2 + 10);
    CGContextStrokePath(c);
}

// Args: caches on (1) or off (0), pixel ratio.
void BM_ChartPass(benchmark::State& state) {
    const Workload w;
    CairoSurface surface(CGSizeMake(kWidth, kHeight), double(state.range(1)));
    surface.cairoContext().setCachesEnabled(state.range(0) != 0);
    int frame = 0;
    for (auto _ : state) {
        // A drag: a little under a point a pass, never on the pixel grid.
        const CGFloat dx = std::fmod(frame * 0.731f, 60.f), dy = std::fmod(frame * 0.417f, 60.f);
        drawPass(surface.context(), w, dx, dy, frame);
        surface.flush();
        ++frame;
    }
    const CairoCacheStats s = surface.cairoContext().cacheStats();
    state.counters["text_hit%"] =
        s.textHits + s.textMisses ? 100.0 * s.textHits / (s.textHits + s.textMisses) : 0;
    state.counters["cache_MiB"] = double(s.bytes) / (1 << 20);
}
BENCHMARK(BM_ChartPass)
    ->ArgNames({"cache", "scale"})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({0, 2})
    ->Args({1, 2})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);

// The pass on a still chart: every label and dot found in the cache.
void BM_ChartPassStill(benchmark::State& state) {
    const Workload w;
    CairoSurface surface(CGSizeMake(kWidth, kHeight), double(state.range(1)));
    surface.cairoContext().setCachesEnabled(state.range(0) != 0);
    for (auto _ : state) {
        drawPass(surface.context(), w, 0.3f, 0.6f, 0);
        surface.flush();
    }
}
BENCHMARK(BM_ChartPassStill)
    ->ArgNames({"cache", "scale"})
    ->Args({1, 1})
    ->Args({1, 2})
    ->Unit(benchmark::kMillisecond);

// The first pass with empty caches: the worst frame, as when a drag starts
// on a freshly shown chart.
void BM_ChartPassCold(benchmark::State& state) {
    const Workload w;
    CairoSurface surface(CGSizeMake(kWidth, kHeight), double(state.range(0)));
    surface.cairoContext().setCachesEnabled(true);
    for (auto _ : state) {
        surface.cairoContext().clearCaches();
        drawPass(surface.context(), w, 0.3f, 0.6f, 0);
        surface.flush();
    }
}
BENCHMARK(BM_ChartPassCold)->ArgNames({"scale"})->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// Parts of the pass on their own, caches on, at pixel ratio 2.
enum Part { kClear, kSegments, kText, kDots };
void BM_Part(benchmark::State& state) {
    const Workload w;
    CairoSurface surface(CGSizeMake(kWidth, kHeight), 2);
    CGContextRef c = surface.context();
    surface.cairoContext().setCachesEnabled(state.range(1) != 0);
    CGContextSelectFont(c, "Helvetica", 18, kCGEncodingMacRoman);
    CGContextSetTextDrawingMode(c, kCGTextFillStroke);
    CGContextSetTextMatrix(c, CGAffineTransformMake(1, 0, 0, -1, 0, 0));
    int frame = 0;
    for (auto _ : state) {
        const CGFloat dx = std::fmod(frame * 0.731f, 60.f), dy = std::fmod(frame * 0.417f, 60.f);
        switch (Part(state.range(0))) {
            case kClear:
                CGContextClearRect(c, CGRectMake(0, 0, kWidth, kHeight));
                break;
            case kSegments: {
                std::vector<CGPoint> pts(w.segments);
                for (auto& p : pts) p.x += dx, p.y += dy;
                CGContextSetLineWidth(c, 2);
                CGContextStrokeLineSegments(c, pts.data(), pts.size());
                break;
            }
            case kText:
                CGContextSetLineWidth(c, 0);
                for (const auto& l : w.labels)
                    CGContextShowTextAtPoint(c, l.at.x + dx, l.at.y + dy, l.text, std::strlen(l.text));
                break;
            case kDots:
                for (const auto& d : w.dots)
                    CGContextFillEllipseInRect(c,
                                               CGRectMake(d.at.x + dx, d.at.y + dy, d.diameter, d.diameter));
                break;
        }
        surface.flush();
        ++frame;
    }
}
BENCHMARK(BM_Part)
    ->ArgNames({"part", "cache"})
    ->ArgsProduct({{kClear, kSegments, kText, kDots}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
