#include "cli/TracedSurface.h"

#include <functional>
#include <map>
#include <string>

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

CGRect rectOf(const std::vector<double>& a) {
    return CGRectMake(CGFloat(a[0]), CGFloat(a[1]), CGFloat(a[2]), CGFloat(a[3]));
}

}  // namespace

std::unique_ptr<CGSurface> makeTracedSurface(CGSize size, double scale) {
    return std::make_unique<TracedSurface>(size, scale);
}

void replayOps(const std::vector<RecordedOp>& ops, CGContext& ctx, bool skipClear) {
    using Args = const std::vector<double>&;
    static const std::map<std::string, std::function<void(CGContext&, const RecordedOp&, Args)>> table = {
        {"CGContextClearRect", [](CGContext& c, const RecordedOp&, Args a) { c.clearRect(rectOf(a)); }},
        {"CGContextSelectFont",
         [](CGContext& c, const RecordedOp& op, Args a) {
             c.selectFont(op.text.c_str(), CGFloat(a[0]), CGTextEncoding(int(a[1])));
         }},
        {"CGContextSetTextDrawingMode",
         [](CGContext& c, const RecordedOp&, Args a) { c.setTextDrawingMode(CGTextDrawingMode(int(a[0]))); }},
        {"CGContextSetTextMatrix",
         [](CGContext& c, const RecordedOp&, Args a) {
             c.setTextMatrix(CGAffineTransformMake(CGFloat(a[0]), CGFloat(a[1]), CGFloat(a[2]), CGFloat(a[3]),
                                                   CGFloat(a[4]), CGFloat(a[5])));
         }},
        {"CGContextShowTextAtPoint",
         [](CGContext& c, const RecordedOp& op, Args a) {
             c.showTextAtPoint(CGFloat(a[0]), CGFloat(a[1]), op.text.data(), op.text.size());
         }},
        {"CGContextSetRGBStrokeColor",
         [](CGContext& c, const RecordedOp&, Args a) {
             c.setRGBStrokeColor(CGFloat(a[0]), CGFloat(a[1]), CGFloat(a[2]), CGFloat(a[3]));
         }},
        {"CGContextSetRGBFillColor",
         [](CGContext& c, const RecordedOp&, Args a) {
             c.setRGBFillColor(CGFloat(a[0]), CGFloat(a[1]), CGFloat(a[2]), CGFloat(a[3]));
         }},
        {"CGContextSetLineWidth",
         [](CGContext& c, const RecordedOp&, Args a) { c.setLineWidth(CGFloat(a[0])); }},
        {"CGContextStrokeLineSegments",
         [](CGContext& c, const RecordedOp&, Args a) {
             std::vector<CGPoint> points;
             for (size_t i = 0; i + 1 < a.size(); i += 2)
                 points.push_back({CGFloat(a[i]), CGFloat(a[i + 1])});
             c.strokeLineSegments(points.data(), points.size());
         }},
        {"CGContextBeginPath", [](CGContext& c, const RecordedOp&, Args) { c.beginPath(); }},
        {"CGContextMoveToPoint",
         [](CGContext& c, const RecordedOp&, Args a) { c.moveToPoint(CGFloat(a[0]), CGFloat(a[1])); }},
        {"CGContextAddLineToPoint",
         [](CGContext& c, const RecordedOp&, Args a) { c.addLineToPoint(CGFloat(a[0]), CGFloat(a[1])); }},
        {"CGContextStrokePath", [](CGContext& c, const RecordedOp&, Args) { c.strokePath(); }},
        {"CGContextFillRect", [](CGContext& c, const RecordedOp&, Args a) { c.fillRect(rectOf(a)); }},
        {"CGContextFillEllipseInRect",
         [](CGContext& c, const RecordedOp&, Args a) { c.fillEllipseInRect(rectOf(a)); }},
    };
    for (const auto& op : ops) {
        if (skipClear && op.op == "CGContextClearRect") continue;
        auto it = table.find(op.op);
        if (it != table.end()) it->second(ctx, op, op.args);
    }
}
