// What the Cairo backend must draw, read back from its pixels. Every case runs
// at pixel ratio 1 and 2, with the raster caches off and on: the fast paths
// owe the same semantics as the straightforward ones.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <memory>
#include <tuple>

#include "platform/cg/CoreGraphics.h"
#include "platform/cg/RecordingContext.h"
#include "platform/cg/cairo/CairoContext.h"
#include "tests/cg/CairoTestUtil.h"

namespace {

const CGAffineTransform kUpright = CGAffineTransformMake(1, 0, 0, -1, 0, 0);

class CairoDraw : public ::testing::TestWithParam<std::tuple<double, bool>> {
protected:
    double scale() const { return std::get<0>(GetParam()); }
    bool caches() const { return std::get<1>(GetParam()); }

    std::unique_ptr<CairoSurface> surface(CGFloat w, CGFloat h) {
        auto s = std::make_unique<CairoSurface>(CGSizeMake(w, h), scale());
        s->cairoContext().setCachesEnabled(caches());
        return s;
    }
    CGImage draw(CGFloat w, CGFloat h, const std::function<void(CGContextRef)>& paint) const {
        return paintPixels(CGSizeMake(w, h), scale(), caches(), paint);
    }

    // Device pixel for a point coordinate.
    int px(double points) const { return int(std::floor(points * scale())); }
};

void drawText(CGContextRef c, const char* text, CGFloat x, CGFloat y, CGFloat size, CGTextDrawingMode mode) {
    CGContextSelectFont(c, "Helvetica", size, kCGEncodingMacRoman);
    CGContextSetTextDrawingMode(c, mode);
    CGContextSetTextMatrix(c, kUpright);
    CGContextShowTextAtPoint(c, x, y, text, std::strlen(text));
}

void strokePolyline(CGContextRef c, std::initializer_list<CGPoint> points) {
    CGContextBeginPath(c);
    CGContextMoveToPoint(c, points.begin()->x, points.begin()->y);
    for (auto p = points.begin() + 1; p != points.end(); ++p) CGContextAddLineToPoint(c, p->x, p->y);
    CGContextStrokePath(c);
}

// Coverage along the middle row of a capital I, the glyph being one bar.
struct BarRow {
    Rgba left, centre;
    double alpha;
};
BarRow middleOfI(const CGImage& img) {
    const InkBox box = inkBox(img);
    const int y = (box.y0 + box.y1) / 2;
    return {pixelAt(img, box.x0, y), pixelAt(img, (box.x0 + box.x1) / 2, y),
            alphaSum(img, 0, y, img.pixelWidth - 1, y)};
}

}  // namespace

// The two modes the program draws text in: fill (controls) and fill then
// outline (chart labels).
TEST_P(CairoDraw, TextModesFillAndFillStroke) {
    for (const CGTextDrawingMode mode : {kCGTextFill, kCGTextFillStroke}) {
        const CGImage img = draw(120, 120, [&](CGContextRef c) {
            CGContextSetRGBFillColor(c, 1, 0, 0, 1);
            CGContextSetRGBStrokeColor(c, 0, 0, 1, 1);
            CGContextSetLineWidth(c, 0);
            drawText(c, "I", 40, 100, 80, mode);
        });
        const BarRow row = middleOfI(img);
        EXPECT_EQ(row.centre, (Rgba{255, 0, 0, 255})) << "mode " << mode;
        if (mode == kCGTextFillStroke) {
            EXPECT_GT(row.left.b, row.left.r) << "the outline is drawn over the fill";
            EXPECT_GT(row.left.b, 100);
        } else {
            EXPECT_EQ(row.left.b, 0);
            EXPECT_GT(row.left.r, 0);
        }
    }
}

// Chart labels are outlined at width 0: one device pixel, whatever the pixel
// ratio. The two edges of the bar's outline cover two pixels' worth of a row.
TEST_P(CairoDraw, TextOutlineAtWidthZeroIsOneDevicePixel) {
    const CGImage img = draw(120, 120, [&](CGContextRef c) {
        CGContextSetRGBStrokeColor(c, 0, 0, 0, 1);
        CGContextSetLineWidth(c, 0);
        drawText(c, "I", 40, 100, 80, kCGTextStroke);
    });
    EXPECT_NEAR(middleOfI(img).alpha, 2.0, 0.2);
}

// The text matrix maps y-up glyph space into the view's y-down space: with
// (1,0,0,-1), the one the program sets, glyphs stand upright on the baseline.
TEST_P(CairoDraw, TextMatrixOrientsGlyphs) {
    const CGFloat baseline = 60;
    const CGImage img =
        draw(120, 120, [&](CGContextRef c) { drawText(c, "T", 30, baseline, 40, kCGTextFill); });
    const InkBox b = inkBox(img);
    EXPECT_LE(b.y1, px(baseline) + 1) << "upright ink sits above the baseline";
    EXPECT_LT(b.y0, px(baseline) - px(20));
    const int q = b.height() / 4;
    EXPECT_GT(alphaSum(img, 0, b.y0, img.pixelWidth - 1, b.y0 + q),
              1.5 * alphaSum(img, 0, b.y1 - q, img.pixelWidth - 1, b.y1))
        << "bar at the top";
}

TEST_P(CairoDraw, TextStartsAtItsPointAndAdvancesByItsWidth) {
    CGFloat w = 0;
    const InkBox b = inkBox(draw(300, 60, [&](CGContextRef c) {
        drawText(c, "HH", 50, 40, 20, kCGTextFill);
        w = c->textWidth("HH", 2);
    }));
    // H has small side bearings: ink begins just after the start point and
    // ends just before start + advance.
    EXPECT_GE(b.x0, px(50));
    EXPECT_LE(b.x0, px(50 + 3));
    EXPECT_LE(b.x1, px(50 + w));
    EXPECT_GE(b.x1, px(50 + w - 3));
}

TEST_P(CairoDraw, ClearRectMakesPixelsTransparent) {
    auto s = surface(60, 60);
    CGContextRef c = s->context();
    CGContextSetRGBFillColor(c, 1, 0, 0, 1);
    CGContextFillRect(c, CGRectMake(0, 0, 60, 60));
    CGContextClearRect(c, CGRectMake(10, 10, 20, 20));
    CGImage img = s->readPixels();
    EXPECT_EQ(pixelAt(img, px(20), px(20)), (Rgba{0, 0, 0, 0}));
    EXPECT_EQ(pixelAt(img, px(40), px(40)), (Rgba{255, 0, 0, 255}));

    // Whole-surface clears after fast-path drawing leave nothing behind.
    CGContextClearRect(c, CGRectMake(0, 0, 60, 60));
    CGContextSetRGBFillColor(c, 1, 1, 1, 1);
    CGContextFillEllipseInRect(c, CGRectMake(5, 5, 4, 4));
    drawText(c, "Vega", 5, 40, 14, kCGTextFill);
    const CGPoint seg[2] = {{0, 50}, {60, 50}};
    CGContextSetLineWidth(c, 2);
    CGContextStrokeLineSegments(c, seg, 2);
    EXPECT_FALSE(inkBox(s->readPixels()).empty());
    CGContextClearRect(c, CGRectMake(0, 0, 60, 60));
    EXPECT_TRUE(inkBox(s->readPixels()).empty());
}

TEST_P(CairoDraw, EllipseInRectIsTheInscribedDisc) {
    for (CGRect r :
         {CGRectMake(10, 10, 20, 20), CGRectMake(5.3f, 20.7f, 40, 10), CGRectMake(30.37f, 40.81f, 2, 2),
          CGRectMake(40.6f, 5.15f, 4, 4), CGRectMake(12.9f, 44.4f, 6, 6)}) {
        const CGImage img = draw(60, 60, [&](CGContextRef c) { CGContextFillEllipseInRect(c, r); });
        const double area = M_PI * r.size.width * r.size.height / 4 * scale() * scale();
        // Curves are flattened to a tenth of a pixel, which tells on the smallest discs.
        EXPECT_NEAR(alphaSum(img), area, std::max(0.03 * area, 0.2)) << r.size.width << "x" << r.size.height;
        const InkBox b = inkBox(img);
        EXPECT_GE(b.x0, px(r.origin.x));
        EXPECT_LE(b.x1, px(r.origin.x + r.size.width));
        EXPECT_GE(b.y0, px(r.origin.y));
        EXPECT_LE(b.y1, px(r.origin.y + r.size.height));
        if (r.size.width >= 10) {
            EXPECT_EQ(pixelAt(img, px(r.origin.x + r.size.width / 2), px(r.origin.y + r.size.height / 2)).a,
                      255);
            EXPECT_EQ(pixelAt(img, px(r.origin.x) + 1, px(r.origin.y) + 1).a, 0) << "corners stay empty";
        }
    }
}

TEST_P(CairoDraw, LineSegmentsAreIndependent) {
    const CGImage img = draw(100, 60, [](CGContextRef c) {
        CGContextSetRGBStrokeColor(c, 0, 0, 0.8f, 1);
        CGContextSetLineWidth(c, 2);
        const CGPoint pts[5] = {{10, 10}, {50, 10}, {50, 40}, {90, 40}, {0, 0}};
        CGContextStrokeLineSegments(c, pts, 5);  // the unpaired last point is ignored
    });
    EXPECT_EQ(pixelAt(img, px(30), px(10)).b, 204);
    EXPECT_EQ(pixelAt(img, px(70), px(40)).b, 204);
    EXPECT_EQ(pixelAt(img, px(50), px(25)).a, 0) << "no line joins the two segments";
    EXPECT_EQ(pixelAt(img, px(5), px(5)).a, 0);
    // Butt caps: each segment covers length x width, nothing more.
    const double expected = 2 * 40 * 2 * scale() * scale();
    EXPECT_NEAR(alphaSum(img), expected, 0.02 * expected);
}

TEST_P(CairoDraw, PathsStrokeFillAndEmpty) {
    const CGImage img = draw(100, 100, [](CGContextRef c) {
        CGContextSetLineWidth(c, 4);
        CGContextSetRGBStrokeColor(c, 1, 0, 0, 1);
        strokePolyline(c, {{10, 10}, {90, 10}});
        // The stroke emptied the path: stroking again in green changes nothing.
        CGContextSetRGBStrokeColor(c, 0, 1, 0, 1);
        CGContextStrokePath(c);
        // A line with no current point is ignored.
        CGContextAddLineToPoint(c, 90, 90);
        CGContextStrokePath(c);
        // A polyline keeps its miter join at the corner.
        strokePolyline(c, {{20, 30}, {40, 30}, {40, 50}});
        // A closed triangle, filled.
        CGContextSetRGBFillColor(c, 0, 0, 1, 1);
        CGContextBeginPath(c);
        CGContextMoveToPoint(c, 60, 60);
        CGContextAddLineToPoint(c, 90, 60);
        CGContextAddLineToPoint(c, 60, 90);
        CGContextClosePath(c);
        CGContextFillPath(c);
        // A rounded rectangle leaves its corners out.
        c->addRoundedRect(CGRectMake(10, 60, 30, 30), 10);
        CGContextFillPath(c);
    });
    EXPECT_EQ(pixelAt(img, px(50), px(10)).r, 255);
    EXPECT_EQ(pixelAt(img, px(50), px(10)).g, 0);
    EXPECT_EQ(pixelAt(img, px(89), px(50)).a, 0);
    EXPECT_EQ(pixelAt(img, px(41.5), px(28.5)).g, 255) << "miter corner";
    EXPECT_EQ(pixelAt(img, px(65), px(65)).b, 255);
    EXPECT_EQ(pixelAt(img, px(85), px(85)).a, 0);
    EXPECT_EQ(pixelAt(img, px(25), px(75)).b, 255);
    EXPECT_EQ(pixelAt(img, px(10.5), px(60.5)).a, 0);
}

TEST_P(CairoDraw, FillRectAndTextLeaveThePathAlone) {
    const CGImage img = draw(100, 100, [](CGContextRef c) {
        CGContextSetRGBStrokeColor(c, 1, 0, 0, 1);
        CGContextSetRGBFillColor(c, 0, 0, 1, 1);
        CGContextSetLineWidth(c, 2);
        CGContextBeginPath(c);
        CGContextMoveToPoint(c, 10, 90);
        CGContextAddLineToPoint(c, 90, 90);
        CGContextFillRect(c, CGRectMake(0, 0, 20, 20));
        drawText(c, "GC", 30, 40, 14, kCGTextFill);
        CGContextStrokePath(c);
    });
    EXPECT_EQ(pixelAt(img, px(50), px(90)).r, 255);
    EXPECT_EQ(pixelAt(img, px(10), px(10)).b, 255);
}

TEST_P(CairoDraw, StateSavesAndRestores) {
    const CGImage img = draw(100, 100, [](CGContextRef c) {
        CGContextSetRGBFillColor(c, 1, 0, 0, 1);
        CGContextSaveGState(c);
        CGContextSetRGBFillColor(c, 0, 1, 0, 1);
        CGContextTranslateCTM(c, 50, 50);
        CGContextClipToRect(c, CGRectMake(0, 0, 20, 20));
        CGContextFillRect(c, CGRectMake(-50, -50, 100, 100));  // clipped to 50..70
        // Fast paths honour the clip too.
        CGContextFillEllipseInRect(c, CGRectMake(-40, -40, 6, 6));
        drawText(c, "Vega", -45, -20, 14, kCGTextFill);
        CGContextSetLineWidth(c, 2);
        const CGPoint seg[2] = {{-50, -5}, {50, -5}};
        CGContextStrokeLineSegments(c, seg, 2);
        CGContextRestoreGState(c);
        CGContextRestoreGState(c);  // unbalanced: ignored
        CGContextFillRect(c, CGRectMake(0, 0, 10, 10));
    });
    EXPECT_EQ(pixelAt(img, px(60), px(60)).g, 255);
    EXPECT_EQ(pixelAt(img, px(45), px(45)).a, 0);
    EXPECT_EQ(pixelAt(img, px(80), px(80)).a, 0);
    EXPECT_EQ(pixelAt(img, px(5), px(5)).r, 255) << "fill colour, CTM and clip restored";
    // The clipped square and the last fill, and nothing that escaped the clip.
    EXPECT_NEAR(alphaSum(img), (400 + 100) * scale() * scale(), 0.5);
}

TEST_P(CairoDraw, AlphaScalesEveryDrawing) {
    const CGImage img = draw(60, 60, [](CGContextRef c) {
        CGContextSetAlpha(c, 0.5f);
        CGContextSetRGBFillColor(c, 1, 1, 1, 1);
        CGContextFillRect(c, CGRectMake(0, 0, 20, 20));
        CGContextFillEllipseInRect(c, CGRectMake(30, 30, 20, 20));
    });
    EXPECT_NEAR(pixelAt(img, px(10), px(10)).a, 128, 1);
    EXPECT_NEAR(pixelAt(img, px(40), px(40)).a, 128, 1);
}

TEST_P(CairoDraw, ImagesDrawUprightIntoTheirRect) {
    auto image = std::make_shared<CGImage>();
    image->pixelWidth = 2;
    image->pixelHeight = 2;
    // Top row red, bottom row blue.
    image->rgba = {255, 0, 0, 255, 255, 0, 0, 255, 0, 0, 255, 255, 0, 0, 255, 255};
    const CGImage img =
        draw(60, 60, [&](CGContextRef c) { CGContextDrawImage(c, CGRectMake(10, 20, 40, 20), image); });
    EXPECT_EQ(pixelAt(img, px(30), px(22)).r, 255);
    EXPECT_EQ(pixelAt(img, px(30), px(38)).b, 255);
    EXPECT_EQ(pixelAt(img, px(30), px(18)).a, 0);
    EXPECT_EQ(pixelAt(img, px(30), px(42)).a, 0);
    EXPECT_EQ(pixelAt(img, px(8), px(30)).a, 0);
}

TEST_P(CairoDraw, SurfacesCompositeAtTheirPointPosition) {
    CairoSurface view(CGSizeMake(10, 10), 2);
    CGContextSetRGBFillColor(view.context(), 0, 1, 0, 1);
    CGContextFillRect(view.context(), CGRectMake(0, 0, 10, 10));
    RecordingSurface traced(view.size(), view.scale(), &view);
    const CGImage img = draw(60, 60, [&](CGContextRef c) {
        c->drawSurface(20, 30, view);
        c->drawSurface(40, 5, traced);  // seen through the recording wrapper
    });
    EXPECT_EQ(pixelAt(img, px(25), px(35)).g, 255);
    EXPECT_EQ(pixelAt(img, px(45), px(10)).g, 255);
    EXPECT_EQ(pixelAt(img, px(18), px(35)).a, 0);
    EXPECT_NEAR(alphaSum(img), 2 * 100 * scale() * scale(), 1);
}

// The desktop font stands in for Helvetica with the same advance widths; the
// recording backend's estimate uses Helvetica's published metrics.
TEST_P(CairoDraw, TextWidthMatchesHelveticaMetrics) {
    auto s = surface(10, 10);
    CGContextRef c = s->context();
    CGContextSelectFont(c, "Helvetica", 18, kCGEncodingMacRoman);
    for (const char* t : {"Ursa Major", "Canes Venatici", "GC", "Ra : 17h 45mn 36s  De : -28d -55' -58\" ",
                          "Wij @ {x} | ~_^ 0123456789"}) {
        const CGFloat est = RecordingContext::estimateTextWidth(t, std::strlen(t), 18);
        EXPECT_NEAR(c->textWidth(t, std::strlen(t)), est, 0.01 * est) << t;
    }
    const CGFloat w18 = c->textWidth("Vega", 4);
    CGContextSelectFont(c, "Helvetica", 9, kCGEncodingMacRoman);
    EXPECT_NEAR(c->textWidth("Vega", 4), w18 / 2, 1e-3);
}

// What the program can hand over by mistake draws nothing and leaves the
// context working: segment ends projected far off or to no number, and
// images that failed to load. Mac Roman bytes above ASCII draw glyphs.
TEST_P(CairoDraw, BadInputIsHarmless) {
    auto s = surface(40, 40);
    CGContextRef c = s->context();
    CGContextSetLineWidth(c, 2);
    const CGPoint bad[4] = {{NAN, 1}, {2, 2}, {1e30f, 1e30f}, {2e30f, -1e30f}};
    CGContextStrokeLineSegments(c, bad, 4);
    CGContextDrawImage(c, CGRectMake(0, 0, 10, 10), nullptr);
    CGContextDrawImage(c, CGRectMake(0, 0, 10, 10), std::make_shared<CGImage>());
    EXPECT_TRUE(inkBox(s->readPixels()).empty());
    EXPECT_EQ(cairo_status(s->cairoContext().cairo()), CAIRO_STATUS_SUCCESS);
    drawText(c, "\x8e\xa5", 5, 30, 12, kCGTextFill);
    EXPECT_FALSE(inkBox(s->readPixels()).empty());
}

INSTANTIATE_TEST_SUITE_P(ScalesAndCaches, CairoDraw,
                         ::testing::Combine(::testing::Values(1.0, 2.0), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<CairoDraw::ParamType>& info) {
                             return std::string("scale") + std::to_string(int(std::get<0>(info.param))) +
                                    (std::get<1>(info.param) ? "_fast" : "_plain");
                         });
