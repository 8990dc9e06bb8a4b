#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>

#include "platform/cg/CoreGraphics.h"
#include "platform/cg/RecordingContext.h"

namespace {

std::vector<std::string> opNames(const RecordingContext& rec) {
    std::vector<std::string> names;
    for (const auto& op : rec.ops()) names.push_back(op.op);
    return names;
}

std::vector<nlohmann::json> parseLines(const std::string& text) {
    std::vector<nlohmann::json> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) out.push_back(nlohmann::json::parse(line));
    return out;
}

}  // namespace

TEST(RecordingContext, JsonLinesParseAndEscapeText) {
    RecordingContext rec;
    CGContextFillEllipseInRect(&rec, CGRectMake(1.5f, -2.25f, 6, 6));
    const char tricky[] = "Ra : 17h \"quoted\" back\\slash\ttab\nnl\x01\xa5";
    CGContextShowTextAtPoint(&rec, 20, 46.4f, tricky, sizeof tricky - 1);
    CGContextSelectFont(&rec, "Helvetica", 12, kCGEncodingMacRoman);
    CGContextSetLineWidth(&rec, NAN);
    CGContextBeginPath(&rec);

    std::ostringstream out;
    rec.writeJsonLines(out);
    const auto lines = parseLines(out.str());
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0]["op"], "CGContextFillEllipseInRect");
    EXPECT_EQ(lines[0]["args"], nlohmann::json::parse("[1.5,-2.25,6,6]"));
    EXPECT_FALSE(lines[0].contains("text"));

    // Bytes at 0x80 and above come back as one code point each: 0xa5 is U+00A5.
    EXPECT_EQ(lines[1]["text"], "Ra : 17h \"quoted\" back\\slash\ttab\nnl\x01\xc2\xa5");
    EXPECT_EQ(float(lines[1]["args"][1].get<double>()), 46.4f);
    EXPECT_EQ(lines[2]["text"], "Helvetica");
    EXPECT_TRUE(lines[3]["args"][0].is_null());
    EXPECT_TRUE(lines[4]["args"].empty());
}

TEST(RecordingContext, NumbersRoundTripAsFloats) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> dist(-5000, 5000);
    RecordingContext rec;
    std::vector<CGPoint> pts(200);
    for (auto& p : pts) p = CGPointMake(dist(rng), dist(rng) * 1e-3f);
    CGContextStrokeLineSegments(&rec, pts.data(), pts.size());
    std::ostringstream out;
    rec.writeJsonLines(out);
    const auto args = parseLines(out.str()).at(0)["args"];
    ASSERT_EQ(args.size(), pts.size() * 2);
    for (size_t i = 0; i < pts.size(); ++i) {
        EXPECT_EQ(float(args[2 * i].get<double>()), pts[i].x);
        EXPECT_EQ(float(args[2 * i + 1].get<double>()), pts[i].y);
    }
}

TEST(RecordingContext, ForwardsEveryCallAndQuery) {
    RecordingContext inner;
    RecordingContext outer(&inner);
    CGContextSelectFont(&outer, "Helvetica", 20, kCGEncodingMacRoman);
    CGContextShowTextAtPoint(&outer, 1, 2, "GC", 2);
    CGContextFillEllipseInRect(&outer, CGRectMake(0, 0, 4, 4));
    EXPECT_EQ(opNames(outer), opNames(inner));
    EXPECT_EQ(inner.ops()[1].text, "GC");
    EXPECT_EQ(inner.ops()[2].args, outer.ops()[2].args);

    // Queries are answered by the target and appear in neither list.
    EXPECT_EQ(outer.textWidth("GC", 2), inner.textWidth("GC", 2));
    EXPECT_EQ(outer.ops().size(), 3u);
    EXPECT_EQ(inner.ops().size(), 3u);
}

TEST(RecordingContext, WidthEstimateFollowsFontSizeAndState) {
    RecordingContext rec;
    CGContextSelectFont(&rec, "Helvetica", 10, kCGEncodingMacRoman);
    const CGFloat w10 = rec.textWidth("Sirius", 6);
    EXPECT_GT(w10, 0);
    CGContextSaveGState(&rec);
    CGContextSelectFont(&rec, "Helvetica", 20, kCGEncodingMacRoman);
    EXPECT_FLOAT_EQ(rec.textWidth("Sirius", 6), 2 * w10);
    CGContextRestoreGState(&rec);
    EXPECT_FLOAT_EQ(rec.textWidth("Sirius", 6), w10);
    EXPECT_FLOAT_EQ(rec.textWidth("Sirius", 3), rec.textWidth("Sir", 3));
}

// The decoder beside the encoder: a trace sent back through replayOps, as a
// snapshot replays the chart's pass, makes the same calls again, less the
// clear and the images and surfaces, which a trace only describes.
TEST(ReplayOps, RebuildsEachCallFromItsTrace) {
    RecordingContext rec;
    CGContextRef c = &rec;
    CGContextClearRect(c, CGRectMake(0, 0, 320, 480));
    CGContextSelectFont(c, "Helvetica", 14, kCGEncodingMacRoman);
    CGContextSetTextDrawingMode(c, kCGTextFillStroke);
    CGContextSetTextMatrix(c, CGAffineTransformMake(0.5f, 0.25f, 0.25f, -0.5f, 7, 8));
    CGContextShowTextAtPoint(c, 10.5f, 20.25f, "a\0b\xe9", 4);
    CGContextSetRGBStrokeColor(c, 0, 0, 0.8f, 1);
    CGContextSetRGBFillColor(c, 0.8f, 0.8f, 0.8f, 0.5f);
    CGContextSetLineWidth(c, 2);
    const CGPoint pts[3] = {{1, 2}, {3, 4}, {5, 6}};
    CGContextStrokeLineSegments(c, pts, 3);
    CGContextBeginPath(c);
    CGContextMoveToPoint(c, -5, 0.1f);
    CGContextAddLineToPoint(c, 5, 0);
    CGContextStrokePath(c);
    CGContextFillRect(c, CGRectMake(0, 0, 356, 40));
    CGContextFillEllipseInRect(c, CGRectMake(99.3f, 199, 2, 2));
    CGContextSaveGState(c);
    CGContextTranslateCTM(c, 3, 4);
    CGContextClipToRect(c, CGRectMake(1, 2, 3, 4));
    CGContextSetAlpha(c, 0.5f);
    CGContextAddRect(c, CGRectMake(0, 0, 1, 1));
    CGContextAddRoundedRect(c, CGRectMake(10, 20, 30, 40), 6);
    CGContextClosePath(c);
    CGContextFillPath(c);
    auto image = std::make_shared<CGImage>();
    image->pixelWidth = 3;
    image->pixelHeight = 5;
    CGContextDrawImage(c, CGRectMake(1, 2, 3, 4), image);
    CGContextRestoreGState(c);

    // Each call under the platform's name, its arguments in call order.
    const std::vector<std::string> names = {
        "CGContextClearRect",       "CGContextSelectFont",      "CGContextSetTextDrawingMode",
        "CGContextSetTextMatrix",   "CGContextShowTextAtPoint", "CGContextSetRGBStrokeColor",
        "CGContextSetRGBFillColor", "CGContextSetLineWidth",    "CGContextStrokeLineSegments",
        "CGContextBeginPath",       "CGContextMoveToPoint",     "CGContextAddLineToPoint",
        "CGContextStrokePath",      "CGContextFillRect",        "CGContextFillEllipseInRect",
        "CGContextSaveGState",      "CGContextTranslateCTM",    "CGContextClipToRect",
        "CGContextSetAlpha",        "CGContextAddRect",         "CGContextAddRoundedRect",
        "CGContextClosePath",       "CGContextFillPath",        "CGContextDrawImage",
        "CGContextRestoreGState"};
    EXPECT_EQ(opNames(rec), names);
    const auto& ops = rec.ops();
    ASSERT_EQ(ops.size(), 25u);
    EXPECT_EQ(ops[3].args, (std::vector<double>{0.5f, 0.25f, 0.25f, -0.5f, 7, 8}));
    EXPECT_EQ(ops[4].text, std::string("a\0b\xe9", 4));
    EXPECT_EQ(ops[4].args, (std::vector<double>{10.5, 20.25, 4}));
    EXPECT_EQ(ops[20].args, (std::vector<double>{10, 20, 30, 40, 6}));
    EXPECT_EQ(ops[23].args, (std::vector<double>{1, 2, 3, 4, 3, 5}));

    auto same = [](const RecordedOp& a, const RecordedOp& b) {
        return a.op == b.op && a.args == b.args && a.text == b.text && a.hasText == b.hasText;
    };
    RecordingContext again;
    replayOps(ops, again, /*skipClear=*/true);
    ASSERT_EQ(again.ops().size(), 23u);
    for (size_t i = 1, j = 0; i < ops.size(); ++i) {
        if (ops[i].op == "CGContextDrawImage") continue;
        EXPECT_TRUE(same(ops[i], again.ops()[j])) << ops[i].op << " at " << i;
        ++j;
    }
}

TEST(CGGeometry, StandardizeFlipsNegativeSidesOnly) {
    EXPECT_EQ(CGRectStandardize(CGRectMake(20, 30, -10, -5)), CGRectMake(10, 25, 10, 5));
    EXPECT_EQ(CGRectStandardize(CGRectMake(20, 30, 10, -5)), CGRectMake(20, 25, 10, 5));
    EXPECT_EQ(CGRectStandardize(CGRectMake(20, 30, -10, 5)), CGRectMake(10, 30, 10, 5));
    EXPECT_EQ(CGRectStandardize(CGRectMake(1, 2, 3, 4)), CGRectMake(1, 2, 3, 4));
}
