// Files in and out of the Cairo backend: PNG, SVG and PDF.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <stdexcept>

#include "platform/cg/CoreGraphics.h"
#include "platform/cg/cairo/CairoContext.h"
#include "tests/cg/CairoTestUtil.h"

namespace {

void drawSample(CGContextRef c) {
    CGContextSetRGBFillColor(c, 0.8f, 0, 0, 1);
    CGContextFillRect(c, CGRectMake(2, 2, 30, 10));
    CGContextSetRGBFillColor(c, 0, 0.5f, 0.25f, 0.5f);
    CGContextFillEllipseInRect(c, CGRectMake(20, 10, 15, 15));
    CGContextSetRGBStrokeColor(c, 0, 0, 0.8f, 1);
    CGContextSetLineWidth(c, 0);
    CGContextSelectFont(c, "Helvetica", 12, kCGEncodingMacRoman);
    CGContextSetTextDrawingMode(c, kCGTextFillStroke);
    CGContextSetTextMatrix(c, CGAffineTransformMake(1, 0, 0, -1, 0, 0));
    CGContextShowTextAtPoint(c, 4, 36, "Vega", 4);
}

}  // namespace

TEST(CairoFiles, PngRoundTripKeepsPixels) {
    CairoSurface s(CGSizeMake(40, 40), 2);
    drawSample(s.context());
    const TempFile path("round.png");
    std::string error;
    ASSERT_TRUE(s.writePng(path, &error)) << error;
    const CGImage drawn = s.readPixels();

    const CGImageRef fromFile = CGImageCreateWithPNGFile(path, 2, &error);
    ASSERT_TRUE(fromFile) << error;
    EXPECT_EQ(fromFile->pixelWidth, 80);
    EXPECT_EQ(fromFile->pixelHeight, 80);
    // PNG stores straight alpha: translucent pixels may move by one step.
    ASSERT_EQ(fromFile->rgba.size(), drawn.rgba.size());
    int worst = 0;
    for (size_t i = 0; i < drawn.rgba.size(); ++i)
        worst = std::max(worst, std::abs(drawn.rgba[i] - fromFile->rgba[i]));
    EXPECT_LE(worst, 1);

    EXPECT_FALSE(s.writePng("/nonexistent-dir/x.png", &error));
    EXPECT_NE(error.find("/nonexistent-dir/x.png"), std::string::npos) << error;
}

TEST(CairoFiles, SvgAndPdfPagesAreWritten) {
    struct Case {
        const char* name;
        CairoVectorKind kind;
        const char* head;
    };
    for (const Case k :
         {Case{"page.svg", CairoVectorKind::SVG, "<?xml"}, Case{"page.pdf", CairoVectorKind::PDF, "%PDF-"}}) {
        const TempFile path(k.name);
        {
            CairoVectorSurface page(path, k.kind, CGSizeMake(320, 480));
            EXPECT_FALSE(page.cairoContext().cachesEnabled()) << "vector output never uses rasters";
            drawSample(page.context());
            const CGPoint seg[2] = {{0, 100}, {320, 100}};
            CGContextStrokeLineSegments(page.context(), seg, 2);
            std::string error;
            EXPECT_TRUE(page.finish(&error)) << error;
        }
        const std::string body = readFile(path);
        ASSERT_GT(body.size(), 200u) << k.name;
        EXPECT_EQ(body.compare(0, std::strlen(k.head), k.head), 0) << k.name;
        if (k.kind == CairoVectorKind::SVG) {
            EXPECT_NE(body.find("<svg"), std::string::npos);
            EXPECT_NE(body.find("320pt"), std::string::npos);
            EXPECT_NE(body.find("</svg>"), std::string::npos);
            EXPECT_NE(body.find("stroke-width:0.5"), std::string::npos) << "width 0 is half a point";
        } else {
            EXPECT_NE(body.find("%%EOF"), std::string::npos);
            EXPECT_NE(body.find("/MediaBox [ 0 0 320 480 ]"), std::string::npos);
        }
    }
}

TEST(CairoFiles, BadSurfacesAreRefusedWithReasons) {
    try {
        CairoVectorSurface page("/nonexistent-dir/out.svg", CairoVectorKind::SVG, CGSizeMake(10, 10));
        FAIL() << "expected an error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("/nonexistent-dir/out.svg"), std::string::npos) << e.what();
    }
    EXPECT_THROW(CairoVectorSurface(TempFile("zero.pdf"), CairoVectorKind::PDF, CGSizeMake(0, 10)),
                 std::invalid_argument);
    EXPECT_THROW(CairoSurface(CGSizeMake(-1, 10), 1), std::invalid_argument);
    EXPECT_THROW(CairoSurface(CGSizeMake(10, 10), 0), std::invalid_argument);
    EXPECT_THROW(CairoSurface(CGSizeMake(20000, 10), 2), std::invalid_argument);
    EXPECT_THROW(CairoSurface(CGSizeMake(NAN, 10), 1), std::invalid_argument);
    const CairoSurface empty(CGSizeMake(0, 0), 2);
    EXPECT_EQ(empty.pixelWidth(), 0);
}

// Written a band of rows at a time, the file is the whole surface's, byte for
// byte, for what a window's composite draws: fills and other surfaces, opaque
// or not, at whole and fractional places. The result translucent is RGBA
// (colour type 6), opaque RGB (colour type 2).
TEST(CairoFiles, PngWrittenInBandsIsTheWholeSurfacesPng) {
    for (const double scale : {2.0, 3.0, 1.5}) {
        CairoSurface view(CGSizeMake(24, 20), scale);
        drawSample(view.context());
        // The background's alpha: none (clear pixels), half (no pixel clear and
        // none opaque), or whole.
        for (const float background : {0.0f, 0.5f, 1.0f}) {
            const bool opaque = background == 1.0f;
            SCOPED_TRACE("scale " + std::to_string(scale) + ", background alpha " +
                         std::to_string(background));
            auto draw = [&](CGContextRef c) {
                if (background > 0) {
                    CGContextSetRGBFillColor(c, 0, 0, 0, background);
                    CGContextFillRect(c, CGRectMake(0, 0, 40, 40));
                }
                CGContextSetRGBFillColor(c, 0.2f, 0.4f, 0.9f, 0.6f);
                CGContextFillRect(c, CGRectMake(3.3f, 5.7f, 20.2f, 17.9f));
                c->drawSurface(10, 12, view);
                CGContextSaveGState(c);
                CGContextSetAlpha(c, 0.5f);
                CGContextClipToRect(c, CGRectMake(1.25f, 2.5f, 30, 30.4f));
                c->drawSurface(2.5f, 17.25f, view);
                CGContextRestoreGState(c);
            };
            CairoSurface whole(CGSizeMake(40, 40), scale);
            draw(whole.context());
            const TempFile wholePath("whole.png"), bandsPath("bands.png");
            std::string error;
            ASSERT_TRUE(whole.writePng(wholePath, &error)) << error;

            int bands = 0, tallest = 0;
            ASSERT_TRUE(CairoSurface::writePngInBands(
                AT_FDCWD, bandsPath, CGSizeMake(40, 40), scale,
                [&](CairoSurface& band) {
                    ++bands;
                    tallest = std::max(tallest, band.pixelHeight());
                    draw(band.context());
                },
                &error, 7))
                << error;
            const std::string a = readFile(wholePath), b = readFile(bandsPath);
            ASSERT_GT(a.size(), 25u);
            EXPECT_EQ(int(a[25]), opaque ? 2 : 6) << "colour type";
            EXPECT_TRUE(a == b) << "the banded file differs (" << b.size() << " bytes, not " << a.size()
                                << ")";
            EXPECT_EQ(tallest, 7);
            const int rows = int(std::lround(40 * scale)), perPass = (rows + 6) / 7;
            // The opaque pass stops at the first band with a translucent pixel.
            EXPECT_EQ(bands, opaque ? 2 * perPass : 1 + perPass);
        }
    }
}
