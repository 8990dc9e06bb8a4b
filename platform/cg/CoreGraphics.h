// The 2-D drawing layer: geometry types, the context interface every backend
// implements, and the CGContext... free functions the application calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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

    // The operations the chart draws with.
    virtual void clearRect(CGRect r) = 0;
    virtual void selectFont(const char* name, CGFloat size, CGTextEncoding encoding) = 0;
    virtual void setTextDrawingMode(CGTextDrawingMode mode) = 0;
    virtual void setTextMatrix(CGAffineTransform m) = 0;
    virtual void showTextAtPoint(CGFloat x, CGFloat y, const char* text, size_t length) = 0;
    virtual void setRGBStrokeColor(CGFloat r, CGFloat g, CGFloat b, CGFloat a) = 0;
    virtual void setRGBFillColor(CGFloat r, CGFloat g, CGFloat b, CGFloat a) = 0;
    virtual void setLineWidth(CGFloat width) = 0;
    virtual void strokeLineSegments(const CGPoint* points, size_t count) = 0;
    virtual void beginPath() = 0;
    virtual void moveToPoint(CGFloat x, CGFloat y) = 0;
    virtual void addLineToPoint(CGFloat x, CGFloat y) = 0;
    virtual void strokePath() = 0;
    virtual void fillRect(CGRect r) = 0;
    virtual void fillEllipseInRect(CGRect r) = 0;

    // What the toolkit draws its controls, labels and images with.
    virtual void saveGState() = 0;
    virtual void restoreGState() = 0;
    virtual void translateCTM(CGFloat tx, CGFloat ty) = 0;
    virtual void clipToRect(CGRect r) = 0;
    virtual void setAlpha(CGFloat alpha) = 0;
    virtual void addRect(CGRect r) = 0;
    // A rounded rectangle as one closed subpath.
    virtual void addRoundedRect(CGRect r, CGFloat radius) = 0;
    virtual void closePath() = 0;
    virtual void fillPath() = 0;
    // Draws the image scaled into r, upright in the view's downward y axis.
    virtual void drawImage(CGRect r, const CGImageRef& image) = 0;
    // Composites another surface's pixels with its top-left corner at (x, y).
    virtual void drawSurface(CGFloat x, CGFloat y, CGSurface& surface) = 0;
    // Advance width of text in the currently selected font, in points.
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
inline void CGContextClearRect(CGContextRef c, CGRect r) { c->clearRect(r); }
inline void CGContextSelectFont(CGContextRef c, const char* name, CGFloat size, CGTextEncoding enc) {
    c->selectFont(name, size, enc);
}
inline void CGContextSetTextDrawingMode(CGContextRef c, CGTextDrawingMode mode) {
    c->setTextDrawingMode(mode);
}
inline void CGContextSetTextMatrix(CGContextRef c, CGAffineTransform m) { c->setTextMatrix(m); }
inline void CGContextShowTextAtPoint(CGContextRef c, CGFloat x, CGFloat y, const char* text, size_t length) {
    c->showTextAtPoint(x, y, text, length);
}
inline void CGContextSetRGBStrokeColor(CGContextRef c, CGFloat r, CGFloat g, CGFloat b, CGFloat a) {
    c->setRGBStrokeColor(r, g, b, a);
}
inline void CGContextSetRGBFillColor(CGContextRef c, CGFloat r, CGFloat g, CGFloat b, CGFloat a) {
    c->setRGBFillColor(r, g, b, a);
}
inline void CGContextSetLineWidth(CGContextRef c, CGFloat w) { c->setLineWidth(w); }
inline void CGContextStrokeLineSegments(CGContextRef c, const CGPoint* points, size_t count) {
    c->strokeLineSegments(points, count);
}
inline void CGContextBeginPath(CGContextRef c) { c->beginPath(); }
inline void CGContextMoveToPoint(CGContextRef c, CGFloat x, CGFloat y) { c->moveToPoint(x, y); }
inline void CGContextAddLineToPoint(CGContextRef c, CGFloat x, CGFloat y) { c->addLineToPoint(x, y); }
inline void CGContextStrokePath(CGContextRef c) { c->strokePath(); }
inline void CGContextFillRect(CGContextRef c, CGRect r) { c->fillRect(r); }
inline void CGContextFillEllipseInRect(CGContextRef c, CGRect r) { c->fillEllipseInRect(r); }
inline void CGContextSaveGState(CGContextRef c) { c->saveGState(); }
inline void CGContextRestoreGState(CGContextRef c) { c->restoreGState(); }
inline void CGContextTranslateCTM(CGContextRef c, CGFloat tx, CGFloat ty) { c->translateCTM(tx, ty); }
inline void CGContextClipToRect(CGContextRef c, CGRect r) { c->clipToRect(r); }
inline void CGContextSetAlpha(CGContextRef c, CGFloat a) { c->setAlpha(a); }
inline void CGContextAddRect(CGContextRef c, CGRect r) { c->addRect(r); }
inline void CGContextClosePath(CGContextRef c) { c->closePath(); }
inline void CGContextFillPath(CGContextRef c) { c->fillPath(); }
inline void CGContextDrawImage(CGContextRef c, CGRect r, const CGImageRef& image) { c->drawImage(r, image); }
