#include "platform/cg/RecordingContext.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <ostream>

namespace {
// Advance widths of Helvetica for ASCII 32..126, in 1/1000 em (the core font
// metrics; 39 and 96 are the straight quote and the grave accent, as Unicode
// has them).
const uint16_t kHelveticaWidths[95] = {
    278,  278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278,  // space../
    556,  556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556,  // 0..?
    1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833, 722, 778,  // @..O
    667,  778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469, 556,  // P.._
    333,  556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556,  // `..o
    556,  556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584,       // p..~
};

// How the trace lists the arguments that are not plain numbers.
std::vector<double> rectArgs(CGRect r) { return {r.origin.x, r.origin.y, r.size.width, r.size.height}; }
[[gnu::always_inline]] inline std::vector<double> imageArgs(CGRect r, const CGImageRef& image) {
    auto args = rectArgs(r);
    args.push_back(image ? image->pixelWidth : 0);
    args.push_back(image ? image->pixelHeight : 0);
    return args;
}

[[gnu::always_inline]] inline std::vector<double> pointArgs(const CGPoint* points, size_t count) {
    std::vector<double> args;
    if (points) {
        args.reserve(count * 2);
        for (size_t i = 0; i < count; ++i) {
            args.push_back(points[i].x);
            args.push_back(points[i].y);
        }
    }
    return args;
}

// The decoder's readers of a trace's numbers.
CGRect rectAt(const std::vector<double>& a) {
    return CGRectMake(CGFloat(a[0]), CGFloat(a[1]), CGFloat(a[2]), CGFloat(a[3]));
}
CGAffineTransform matrixAt(const std::vector<double>& a) {
    return CGAffineTransformMake(CGFloat(a[0]), CGFloat(a[1]), CGFloat(a[2]), CGFloat(a[3]), CGFloat(a[4]),
                                 CGFloat(a[5]));
}
const CGPoint* pointsAt(const std::vector<double>& a, std::vector<CGPoint>& pts) {
    pts.clear();
    for (size_t i = 0; i + 1 < a.size(); i += 2) pts.push_back({CGFloat(a[i]), CGFloat(a[i + 1])});
    return pts.data();
}

void writeNumber(std::ostream& out, double v) {
    if (!std::isfinite(v)) {
        out << "null";
        return;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", v);
    out << buf;
}

void writeString(std::ostream& out, const std::string& s) {
    out << '"';
    for (unsigned char c : s) {
        switch (c) {
            case '"':
                out << "\\\"";
                break;
            case '\\':
                out << "\\\\";
                break;
            case '\n':
                out << "\\n";
                break;
            case '\r':
                out << "\\r";
                break;
            case '\t':
                out << "\\t";
                break;
            case '\b':
                out << "\\b";
                break;
            case '\f':
                out << "\\f";
                break;
            default:
                if (c < 0x20 || c >= 0x7F) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", unsigned(c));
                    out << buf;
                } else {
                    out << char(c);
                }
        }
    }
    out << '"';
}
}  // namespace

void RecordingContext::writeJsonLine(std::ostream& out, const RecordedOp& op) {
    out << "{\"op\":";
    writeString(out, op.op);
    out << ",\"args\":[";
    for (size_t i = 0; i < op.args.size(); ++i) {
        if (i) out << ',';
        writeNumber(out, op.args[i]);
    }
    out << ']';
    if (op.hasText) {
        out << ",\"text\":";
        writeString(out, op.text);
    }
    out << "}\n";
}

void RecordingContext::writeJsonLines(std::ostream& out) const {
    for (const auto& op : ops_) writeJsonLine(out, op);
}

CGFloat RecordingContext::estimateTextWidth(const char* text, size_t length, CGFloat fontSize) {
    if (!text) return 0;
    double units = 0;
    for (size_t i = 0; i < length; ++i) {
        const auto c = uint8_t(text[i]);
        if (c == 0) continue;
        units += (c >= 32 && c <= 126) ? kHelveticaWidths[c - 32] : 556;
    }
    return CGFloat(units * fontSize / 1000.0);
}

void RecordingContext::record(const char* op) { ops_.push_back(RecordedOp{op, {}, {}, false}); }

void RecordingContext::record(const char* op, std::vector<double> args) {
    ops_.push_back(RecordedOp{op, std::move(args), {}, false});
}

void RecordingContext::record(const char* op, std::vector<double> args, std::string text) {
    ops_.push_back(RecordedOp{op, std::move(args), std::move(text), true});
}

// The font size the width estimate uses follows the state.
template <CGOp op>
inline void RecordingContext::track() {
    if constexpr (op == CGOp::SelectFont) {
        fontSize_ = CGFloat(ops_.back().args[0]);
    } else if constexpr (op == CGOp::SaveGState) {
        savedFontSizes_.push_back(fontSize_);
    } else if constexpr (op == CGOp::RestoreGState) {
        if (!savedFontSizes_.empty()) {
            fontSize_ = savedFontSizes_.back();
            savedFontSizes_.pop_back();
        }
    }
}

// Called at the end of each drawing call, after forwarding, so the hook sees
// the world as the call left it.
void RecordingContext::finish() {
    if (hook_) {
        // A copy: the hook may draw and so grow ops_.
        const RecordedOp op = ops_.back();
        hook_(op);
    }
}

// Each call is recorded, then forwarded, then shown to the hook.
#define RECORD_OP(Name, method, params, args, recorded, ...) \
    void RecordingContext::method params {                   \
        record("CGContext" #Name, CG_UNPAREN recorded);      \
        track<CGOp::Name>();                                 \
        if (target_) target_->method args;                   \
        finish();                                            \
    }
#define RECORD_OP0(Name, method)        \
    void RecordingContext::method() {   \
        record("CGContext" #Name);      \
        track<CGOp::Name>();            \
        if (target_) target_->method(); \
        finish();                       \
    }
CG_DRAWING_OPS(RECORD_OP, RECORD_OP0)
#undef RECORD_OP
#undef RECORD_OP0

CGFloat RecordingContext::textWidth(const char* text, size_t length) {
    if (target_) return target_->textWidth(text, length);
    return estimateTextWidth(text, length, fontSize_);
}

RecordingSurface::RecordingSurface(CGSize size, double scale, CGSurface* wrapped)
    : size_(size), scale_(scale), wrapped_(wrapped), recorder_(wrapped ? wrapped->context() : nullptr) {}

void RecordingSurface::flush() {
    if (wrapped_) wrapped_->flush();
}

void replayOps(const std::vector<RecordedOp>& ops, CGContext& ctx, bool skipClear) {
#define REPLAY_NAME(Name, ...) {"CGContext" #Name, CGOp::Name},
    static const std::map<std::string, CGOp> byName = {CG_DRAWING_OPS(REPLAY_NAME, REPLAY_NAME)};
#undef REPLAY_NAME
    std::vector<CGPoint> pts;
    for (const auto& op : ops) {
        auto found = byName.find(op.op);
        if (found == byName.end() || (skipClear && found->second == CGOp::ClearRect)) continue;
        const std::vector<double>& a = op.args;
        switch (found->second) {
#define REPLAY_1(call) call;
#define REPLAY_0(call)
#define REPLAY_OP(Name, method, params, args, recorded, replayable, decoded) \
    case CGOp::Name:                                                         \
        REPLAY_##replayable(ctx.method decoded) break;
#define REPLAY_OP0(Name, method) \
    case CGOp::Name:             \
        ctx.method();            \
        break;
            CG_DRAWING_OPS(REPLAY_OP, REPLAY_OP0)
#undef REPLAY_1
#undef REPLAY_0
#undef REPLAY_OP
#undef REPLAY_OP0
        }
    }
}
