// The 2-D drawing layer: geometry types, the context interface every backend
// implements, and the CGContext... free functions the application calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/cg/DrawingOps.h"

// The platform this code was written for was 32-bit: its coordinate type is
// single precision, and the chart relies on that rounding.
using CGFloat = float;

struct CGPoint {
    CGFloat x = 0, y = 0;
};
struct CGSize {
    CGFloat width = 0, height = 0;
};
struct CGRect {
    CGPoint origin;
    CGSize size;
};
struct CGAffineTransform {
    CGFloat a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
};

inline CGPoint CGPointMake(CGFloat x, CGFloat y) { return {x, y}; }
inline CGSize CGSizeMake(CGFloat w, CGFloat h) { return {w, h}; }
inline CGRect CGRectMake(CGFloat x, CGFloat y, CGFloat w, CGFloat h) { return {{x, y}, {w, h}}; }
inline CGAffineTransform CGAffineTransformMake(CGFloat a, CGFloat b, CGFloat c, CGFloat d, CGFloat tx,
                                               CGFloat ty) {
    return {a, b, c, d, tx, ty};
}
inline bool CGRectContainsPoint(CGRect r, CGPoint p) {
    return p.x >= r.origin.x && p.y >= r.origin.y && p.x < r.origin.x + r.size.width &&
           p.y < r.origin.y + r.size.height;
}
// The same rectangle with a non-negative width and height.
inline CGRect CGRectStandardize(CGRect r) {
    if (r.size.width < 0) {
        r.origin.x += r.size.width;
        r.size.width = -r.size.width;
    }
    if (r.size.height < 0) {
        r.origin.y += r.size.height;
        r.size.height = -r.size.height;
    }
    return r;
}
inline bool operator==(CGPoint a, CGPoint b) { return a.x == b.x && a.y == b.y; }
inline bool operator==(CGSize a, CGSize b) { return a.width == b.width && a.height == b.height; }
inline bool operator==(CGRect a, CGRect b) { return a.origin == b.origin && a.size == b.size; }

enum CGTextDrawingMode : int32_t {
    kCGTextFill = 0,
    kCGTextStroke = 1,
    kCGTextFillStroke = 2,
    kCGTextInvisible = 3,
};
enum CGTextEncoding : int32_t { kCGEncodingFontSpecific = 0, kCGEncodingMacRoman = 1 };

// Decoded RGBA pixels (premultiplied, row-major, 4 bytes a pixel) of a bitmap
// image, with its size in points and its scale (pixels per point).
struct CGImage {
    int pixelWidth = 0, pixelHeight = 0;
    double scale = 1;
    std::vector<uint8_t> rgba;
    CGSize size() const { return {CGFloat(pixelWidth / scale), CGFloat(pixelHeight / scale)}; }
};
using CGImageRef = std::shared_ptr<const CGImage>;

class CGSurface;

// One drawing context. Every backend (Cairo, canvas, recording) implements
// all of it; state (colours, width, font, text mode, text matrix, the current
// path, the CTM) lives in the backend, as on the platform.
class CGContext {
public:
    virtual ~CGContext() = default;

    // The drawing operations (DrawingOps.h).
#define CG_CONTEXT_OP(Name, method, params, ...) virtual void method params = 0;
#define CG_CONTEXT_OP0(Name, method) virtual void method() = 0;
    CG_DRAWING_OPS(CG_CONTEXT_OP, CG_CONTEXT_OP0)
#undef CG_CONTEXT_OP
#undef CG_CONTEXT_OP0

    // A query, not a drawing operation: the advance width of text in the
    // currently selected font, in points.
    virtual CGFloat textWidth(const char* text, size_t length) = 0;
};

using CGContextRef = CGContext*;

// A backing store: pixels of a given size in points at a pixel ratio, with the
// context that draws into it. Views own one each; the window composites them.
class CGSurface {
public:
    virtual ~CGSurface() = default;
    virtual CGContextRef context() = 0;
    virtual CGSize size() const = 0;
    virtual double scale() const = 0;
    // Finish pending drawing so the pixels can be read or composited.
    virtual void flush() = 0;
};

// The graphics-context stack: the run loop pushes a view's context around its
// drawRect, so that UIGraphicsGetCurrentContext answers inside it.
void UIGraphicsPushContext(CGContextRef ctx);
void UIGraphicsPopContext();
CGContextRef UIGraphicsGetCurrentContext();

// The platform's free functions, by their own names.
#define CG_FREE_OP(Name, method, params, args, ...) \
    inline void CGContext##Name(CGContextRef c, CG_UNPAREN params) { c->method args; }
#define CG_FREE_OP0(Name, method) \
    inline void CGContext##Name(CGContextRef c) { c->method(); }
CG_DRAWING_OPS(CG_FREE_OP, CG_FREE_OP0)
#undef CG_FREE_OP
#undef CG_FREE_OP0
