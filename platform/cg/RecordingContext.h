// A context that lists every drawing call it receives, by the platform's own
// operation names, for trace output and for tests that assert on what a pass
// drew. It can pass each call on to another context, so a real rendering can
// be traced as it happens.
#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "platform/cg/CoreGraphics.h"

struct RecordedOp {
    // The platform's name of the call, e.g. "CGContextFillEllipseInRect".
    std::string op;
    // Numeric arguments in call order; rectangles as x, y, width, height,
    // point arrays flattened to x0, y0, x1, y1, ... ShowTextAtPoint gives
    // x, y, length; SelectFont size, encoding; DrawImage the rectangle then
    // the image's pixel width and height; DrawSurface x, y and the surface's
    // size in points.
    std::vector<double> args;
    // The text bytes of CGContextShowTextAtPoint, the font name of
    // CGContextSelectFont; empty and hasText false otherwise.
    std::string text;
    bool hasText = false;
};

class RecordingContext : public CGContext {
public:
    // Runs after each call has been recorded (and forwarded); it may change
    // the world the drawing code reads, to test what happens mid-pass.
    using Hook = std::function<void(const RecordedOp&)>;

    explicit RecordingContext(CGContext* forwardTo = nullptr) : target_(forwardTo) {}

    // Every call is passed on to `target` (not owned; nullptr stops forwarding).
    void setForward(CGContext* target) { target_ = target; }
    CGContext* forward() const { return target_; }
    void setHook(Hook hook) { hook_ = std::move(hook); }

    const std::vector<RecordedOp>& ops() const { return ops_; }
    void clear() { ops_.clear(); }

    // One JSON object a line: {"op":"...","args":[...]} plus "text":"..." for
    // calls that carry a string. Numbers print with 9 significant digits, so a
    // float argument reads back exactly; a non-finite one prints as null.
    // Text bytes of 0x80 and above are written as \u0080..\u00ff, one escape a
    // byte, so the original bytes can be recovered whatever their encoding.
    void writeJsonLines(std::ostream& out) const;
    static void writeJsonLine(std::ostream& out, const RecordedOp& op);

    // Helvetica's advance widths (the core font metrics) when not forwarding,
    // so layout that depends on text width is the same on every machine.
    static CGFloat estimateTextWidth(const char* text, size_t length, CGFloat fontSize);

    CG_DECLARE_DRAWING_OPS
    // A query, not a drawing call: forwarded when forwarding, never recorded.
    CGFloat textWidth(const char* text, size_t length) override;

private:
    void record(const char* op);
    void record(const char* op, std::vector<double> args);
    void record(const char* op, std::vector<double> args, std::string text);
    template <CGOp op>
    void track();
    void finish();

    CGContext* target_ = nullptr;
    Hook hook_;
    std::vector<RecordedOp> ops_;
    // Font size kept for the width estimate; saved and restored with the state.
    CGFloat fontSize_ = 12;
    std::vector<CGFloat> savedFontSizes_;
};

// Sends recorded calls to another context, in order; images and surfaces,
// which a trace only describes, are left out. A vector file has no pixels to
// clear, and clearing would erase its background, so clears can be left out.
void replayOps(const std::vector<RecordedOp>& ops, CGContext& ctx, bool skipClear);

// A surface whose context records; it can wrap another surface, whose context
// then receives every call and whose pixels are what flush() finishes.
class RecordingSurface : public CGSurface {
public:
    RecordingSurface(CGSize size, double scale, CGSurface* wrapped = nullptr);
    CGContextRef context() override { return &recorder_; }
    RecordingContext& recorder() { return recorder_; }
    CGSurface* wrapped() const { return wrapped_; }
    CGSize size() const override { return size_; }
    double scale() const override { return scale_; }
    void flush() override;

private:
    CGSize size_;
    double scale_;
    CGSurface* wrapped_;
    RecordingContext recorder_;
};
