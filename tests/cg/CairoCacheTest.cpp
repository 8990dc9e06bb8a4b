// The fast paths (cached glyph and disc rasters, direct segment strokes)
// against the straightforward Cairo rendering of the same drawing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

#include "platform/cg/CoreGraphics.h"
#include "platform/cg/cairo/CairoContext.h"
#include "tests/cg/CairoTestUtil.h"

namespace {

const char* const kLabels[] = {"Ursa Major", "Canes Venatici", "Cassiopeia", "Vega",     "Deneb", "Altair",
                               "GC",         "Sagittarius",    "Lyra",       "Aldebaran"};

// A chart-like pass.
void drawScene(CGContextRef c, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> x(-20, 300), y(-10, 420), len(10, 90), ang(0, 6.2831853f);
    CGContextClearRect(c, CGRectMake(0, 0, 320, 480));
    CGContextSetRGBStrokeColor(c, 0, 0, 0.8f, 1);
    CGContextSetLineWidth(c, 2);
    std::vector<CGPoint> pts;
    for (int i = 0; i < 60; ++i) {
        const CGPoint a{x(rng), y(rng)};
        const float l = len(rng), t = ang(rng);
        pts.push_back(a);
        pts.push_back({a.x + l * std::cos(t), a.y + l * std::sin(t)});
    }
    CGContextStrokeLineSegments(c, pts.data(), pts.size());

    CGContextSetTextDrawingMode(c, kCGTextFillStroke);
    CGContextSetTextMatrix(c, CGAffineTransformMake(1, 0, 0, -1, 0, 0));
    CGContextSetLineWidth(c, 0);
    for (int i = 0; i < 30; ++i) {
        CGContextSelectFont(c, "Helvetica", i % 3 ? 14 : 18, kCGEncodingMacRoman);
        const CGFloat grey = i % 2 ? 0.8f : 0;  // grey and green labels
        CGContextSetRGBFillColor(c, grey, 0.8f, grey, 1);
        const char* t = kLabels[i % 10];
        CGContextShowTextAtPoint(c, x(rng), y(rng), t, std::strlen(t));
    }
    CGContextSetRGBFillColor(c, 0, 0, 0, 1);
    CGContextFillRect(c, CGRectMake(0, 0, 300, 26));
    CGContextSetRGBStrokeColor(c, 0.6f, 0, 0, 1);
    CGContextSetRGBFillColor(c, 0.8f, 0, 0, 1);
    char readout[50];
    std::snprintf(readout, sizeof readout, "Ra : %2.2dh %2.2dmn %2.2ds  De : %2.2dd %2.2d' %2.2d\" ", 17, 45,
                  36, -28, -55, -58);
    CGContextSelectFont(c, "Helvetica", 14, kCGEncodingMacRoman);
    CGContextShowTextAtPoint(c, 20, 31, readout, std::strlen(readout));

    CGContextSetRGBFillColor(c, 1, 1, 1, 1);
    for (int i = 0; i < 200; ++i) {
        const CGFloat d = CGFloat(2 * (1 + i % 3));
        CGContextFillEllipseInRect(c, CGRectMake(x(rng), y(rng), d, d));
    }
    CGContextSetRGBStrokeColor(c, 0.8f, 0, 0, 1);
    CGContextSetLineWidth(c, 1);
    CGContextBeginPath(c);
    CGContextMoveToPoint(c, 150, 240);
    CGContextAddLineToPoint(c, 170, 240);
    CGContextMoveToPoint(c, 160, 230);
    CGContextAddLineToPoint(c, 160, 250);
    CGContextStrokePath(c);
}

struct Diff {
    int worst = 0;
    double mean = 0, over16 = 0;  // over16: share of channel values off by more than 16
};

Diff compare(const CGImage& a, const CGImage& b) {
    Diff d;
    size_t big = 0;
    double sum = 0;
    for (size_t i = 0; i < a.rgba.size(); ++i) {
        const int e = std::abs(int(a.rgba[i]) - int(b.rgba[i]));
        d.worst = std::max(d.worst, e);
        sum += e;
        big += e > 16;
    }
    d.mean = sum / double(a.rgba.size());
    d.over16 = double(big) / double(a.rgba.size());
    return d;
}

CGImage render(double scale, bool fast, unsigned seed) {
    return paintPixels(CGSizeMake(320, 480), scale, fast, [seed](CGContextRef c) { drawScene(c, seed); });
}

}  // namespace

class CairoFastPaths : public ::testing::TestWithParam<double> {};

// Anywhere: glyphs snap to 1/4 of a pixel and discs to 1/8, moving an edge by
// at most 1/8 (32 steps); glyphs of one label and crossing segments are
// composited one by one where Cairo takes the union of their shapes, which
// tells on anti-aliased pixels the two share. No value comes near a visible
// change, and few move by more than 16 steps.
TEST_P(CairoFastPaths, MatchTheStraightforwardRendering) {
    const double scale = GetParam();
    for (unsigned seed : {1u, 2u}) {
        const Diff d = compare(render(scale, false, seed), render(scale, true, seed));
        EXPECT_LE(d.worst, 96) << "seed " << seed;
        EXPECT_LT(d.mean, 1.0) << "seed " << seed;
        EXPECT_LT(d.over16, 0.015) << "seed " << seed;
    }
}

// On the phase grid a cached glyph or disc is the very raster Cairo draws.
TEST_P(CairoFastPaths, AreExactOnThePhaseGrid) {
    const double scale = GetParam();
    auto draw = [scale](CGContextRef c) {
        std::mt19937 rng(9);
        std::uniform_real_distribution<float> x(0, 300), y(10, 470);
        auto grid = [scale](float v, int phases) {
            return float(std::round(v * scale * phases) / (scale * phases));
        };
        CGContextSetTextMatrix(c, CGAffineTransformMake(1, 0, 0, -1, 0, 0));
        CGContextSetRGBStrokeColor(c, 0, 0, 0.8f, 1);
        CGContextSetLineWidth(c, 0);
        const char letters[] = "AGRVWaegksy";
        for (int i = 0; i < 60; ++i) {
            CGContextSelectFont(c, "Helvetica", i % 2 ? 14 : 18, kCGEncodingMacRoman);
            CGContextSetTextDrawingMode(c, i % 3 ? kCGTextFillStroke : kCGTextFill);
            CGContextSetRGBFillColor(c, 0, 0.8f, CGFloat(i % 4) / 4, 1);
            CGContextShowTextAtPoint(c, grid(x(rng), 4), grid(y(rng), 4), &letters[i % 11], 1);
        }
        CGContextSetRGBFillColor(c, 1, 1, 1, 1);
        for (int i = 0; i < 200; ++i) {
            const CGFloat d = CGFloat(2 * (1 + i % 3));
            CGContextFillEllipseInRect(c, CGRectMake(grid(x(rng), 8), grid(y(rng), 8), d, d));
        }
    };
    const CGSize size = CGSizeMake(320, 480);
    EXPECT_LE(compare(paintPixels(size, scale, false, draw), paintPixels(size, scale, true, draw)).worst, 1);
}

// Straight strokes are rasterised directly; their pixels follow Cairo's
// within the corners' approximation, and they cover the same area.
TEST_P(CairoFastPaths, SegmentsMatchCairoStrokes) {
    const double scale = GetParam();
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> u(10, 90), a(0, 6.2831853f);
    for (CGFloat width : {0.0f, 1.0f, 2.0f}) {
        int worst = 0;
        double areaPlain = 0, areaFast = 0;
        for (int k = 0; k < 40; ++k) {
            const CGPoint p0{u(rng), u(rng)};
            const float t = k < 8 ? float(k) * 0.2f : a(rng), l = u(rng) / 3;
            const CGPoint pts[2] = {p0, {p0.x + l * std::cos(t), p0.y + l * std::sin(t)}};
            CGImage img[2];
            for (int fast = 0; fast < 2; ++fast)
                img[fast] = paintPixels(CGSizeMake(140, 140), scale, fast, [&](CGContextRef c) {
                    CGContextSetRGBStrokeColor(c, 1, 1, 1, 1);
                    CGContextSetLineWidth(c, width);
                    CGContextStrokeLineSegments(c, pts, 2);
                });
            worst = std::max(worst, compare(img[0], img[1]).worst);
            areaPlain += alphaSum(img[0]);
            areaFast += alphaSum(img[1]);
        }
        EXPECT_LE(worst, 24) << "width " << width;
        EXPECT_NEAR(areaFast, areaPlain, 0.005 * areaPlain) << "width " << width;
    }
}

TEST_P(CairoFastPaths, ReuseRastersAcrossPasses) {
    const double scale = GetParam();
    CairoSurface s(CGSizeMake(320, 480), scale);
    s.cairoContext().setCachesEnabled(true);
    drawScene(s.context(), 4);
    const CGImage first = s.readPixels();
    const CairoCacheStats a = s.cairoContext().cacheStats();
    EXPECT_GT(a.textMisses, 0u);
    EXPECT_GT(a.ellipseMisses, 0u);
    drawScene(s.context(), 4);
    const CairoCacheStats b = s.cairoContext().cacheStats();
    EXPECT_EQ(b.textMisses, a.textMisses) << "the second pass finds every glyph";
    EXPECT_EQ(b.ellipseMisses, a.ellipseMisses);
    EXPECT_GT(b.textHits, a.textHits);
    EXPECT_EQ(compare(first, s.readPixels()).worst, 0);
}

TEST_P(CairoFastPaths, StayWithinTheirMemoryLimit) {
    const double scale = GetParam();
    CairoSurface s(CGSizeMake(320, 480), scale);
    CairoContext& cc = s.cairoContext();
    cc.setCachesEnabled(true);
    const size_t limit = 64 * 1024;
    cc.setCacheLimit(limit);
    for (unsigned seed = 10; seed < 14; ++seed) drawScene(s.context(), seed);
    EXPECT_LE(cc.cacheStats().bytes, limit);
    EXPECT_GT(cc.cacheStats().entries, 0u);
    // A small cache changes the hit rate, not the picture.
    EXPECT_EQ(compare(s.readPixels(), render(scale, true, 13)).worst, 0);
}

INSTANTIATE_TEST_SUITE_P(Scales, CairoFastPaths, ::testing::Values(1.0, 2.0),
                         [](const ::testing::TestParamInfo<double>& info) {
                             return "scale" + std::to_string(int(info.param));
                         });
