// The drawing operations, listed once. Everything that has to name every
// operation (the context interface, the CGContext... free functions, the
// view's forwarders, the recorder, the trace decoder and the backends'
// declarations) is generated from this list, so adding an operation is one
// line here plus its implementation in each backend.
//
// Each entry is OP(Name, method, (parameters), (arguments), (recorded),
// replayable, (decoded)), or OP0(Name, method) for one without parameters:
//   Name        the platform's name without its prefix: CGContext<Name>
//   method      the CGContext virtual
//   recorded    what the trace keeps: its numbers in order (rectangles as x,
//               y, width, height, then any more; point arrays as x0, y0, x1,
//               y1, ...), then, for a call that carries a string, the text
//   replayable  1 when the trace holds all the call needs; 0 for images and
//               surfaces, which it only describes
//   decoded     the arguments rebuilt from a RecordedOp `op` whose numbers
//               are `a`, with `pts` as scratch for points
//
// The operations the chart draws with come first, then those the toolkit
// draws its controls, labels and images with.
#pragma once

// clang-format off
#define CG_DRAWING_OPS(OP, OP0)                                                                         \
    OP(ClearRect, clearRect, (CGRect r), (r), (rectArgs(r)), 1, (rectAt(a)))                                     \
    OP(SelectFont, selectFont, (const char* name, CGFloat size, CGTextEncoding encoding),               \
       (name, size, encoding), ({size, double(encoding)}, name ? name : ""), 1,                                     \
       (op.text.c_str(), CGFloat(a[0]), CGTextEncoding(int(a[1]))))                                     \
    OP(SetTextDrawingMode, setTextDrawingMode, (CGTextDrawingMode mode), (mode), ({double(mode)}), 1,             \
       (CGTextDrawingMode(int(a[0]))))                                                                  \
    OP(SetTextMatrix, setTextMatrix, (CGAffineTransform m), (m), ({m.a, m.b, m.c, m.d, m.tx, m.ty}), 1, (matrixAt(a)))                \
    OP(ShowTextAtPoint, showTextAtPoint, (CGFloat x, CGFloat y, const char* text, size_t length),       \
       (x, y, text, length), ({x, y, double(length)}, text ? std::string(text, length) : std::string()), 1,                                        \
       (CGFloat(a[0]), CGFloat(a[1]), op.text.data(), op.text.size()))                                  \
    OP(SetRGBStrokeColor, setRGBStrokeColor, (CGFloat r, CGFloat g, CGFloat b, CGFloat alpha),          \
       (r, g, b, alpha), ({r, g, b, alpha}), 1, (CGFloat(a[0]), CGFloat(a[1]), CGFloat(a[2]), CGFloat(a[3]))) \
    OP(SetRGBFillColor, setRGBFillColor, (CGFloat r, CGFloat g, CGFloat b, CGFloat alpha),              \
       (r, g, b, alpha), ({r, g, b, alpha}), 1, (CGFloat(a[0]), CGFloat(a[1]), CGFloat(a[2]), CGFloat(a[3]))) \
    OP(SetLineWidth, setLineWidth, (CGFloat width), (width), ({width}), 1, (CGFloat(a[0])))               \
    OP(StrokeLineSegments, strokeLineSegments, (const CGPoint* points, size_t count), (points, count),  \
       (pointArgs(points, count)), 1, (pointsAt(a, pts), a.size() / 2))                                \
    OP0(BeginPath, beginPath)                                                                           \
    OP(MoveToPoint, moveToPoint, (CGFloat x, CGFloat y), (x, y), ({x, y}), 1, (CGFloat(a[0]), CGFloat(a[1]))) \
    OP(AddLineToPoint, addLineToPoint, (CGFloat x, CGFloat y), (x, y), ({x, y}), 1,                       \
       (CGFloat(a[0]), CGFloat(a[1])))                                                                  \
    OP0(StrokePath, strokePath)                                                                         \
    OP(FillRect, fillRect, (CGRect r), (r), (rectArgs(r)), 1, (rectAt(a)))                                       \
    OP(FillEllipseInRect, fillEllipseInRect, (CGRect r), (r), (rectArgs(r)), 1, (rectAt(a)))                     \
                                                                                                        \
    OP0(SaveGState, saveGState)                                                                         \
    OP0(RestoreGState, restoreGState)                                                                   \
    OP(TranslateCTM, translateCTM, (CGFloat tx, CGFloat ty), (tx, ty), ({tx, ty}), 1,                     \
       (CGFloat(a[0]), CGFloat(a[1])))                                                                  \
    OP(ClipToRect, clipToRect, (CGRect r), (r), (rectArgs(r)), 1, (rectAt(a)))                                   \
    OP(SetAlpha, setAlpha, (CGFloat alpha), (alpha), ({alpha}), 1, (CGFloat(a[0])))                       \
    OP(AddRect, addRect, (CGRect r), (r), (rectArgs(r)), 1, (rectAt(a)))                                         \
    /* A rounded rectangle as one closed subpath. */                                                    \
    OP(AddRoundedRect, addRoundedRect, (CGRect r, CGFloat radius), (r, radius), ({r.origin.x, r.origin.y, r.size.width, r.size.height, radius}), 1,         \
       (rectAt(a), CGFloat(a[4])))                                                                      \
    OP0(ClosePath, closePath)                                                                           \
    OP0(FillPath, fillPath)                                                                             \
    /* Draws the image scaled into r, upright in the view's downward y axis. */                         \
    OP(DrawImage, drawImage, (CGRect r, const CGImageRef& image), (r, image), (imageArgs(r, image)), 0, ())        \
    /* Composites another surface's pixels with its top-left corner at (x, y). */                       \
    OP(DrawSurface, drawSurface, (CGFloat x, CGFloat y, CGSurface& surface), (x, y, surface),           \
       ({x, y, surface.size().width, surface.size().height}), 0, ())
// clang-format on

// For the generators: a parenthesised list without its parentheses.
#define CG_UNPAREN(...) __VA_ARGS__

// Declarations of every operation, for a class that implements them all.
#define CG_DECLARE_OP(Name, method, params, ...) void method params override;
#define CG_DECLARE_OP0(Name, method) void method() override;
#define CG_DECLARE_DRAWING_OPS CG_DRAWING_OPS(CG_DECLARE_OP, CG_DECLARE_OP0)

// The operations by number, for code that switches on them.
#define CG_OP_ENUMERATOR(Name, ...) Name,
enum class CGOp { CG_DRAWING_OPS(CG_OP_ENUMERATOR, CG_OP_ENUMERATOR) };
#undef CG_OP_ENUMERATOR
