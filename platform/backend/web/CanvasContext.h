// The drawing context over the browser's canvas 2D API, and the surfaces it
// draws into. Points are CSS pixels; each surface's backing store holds
// points x pixel ratio device pixels, so lines and text stay sharp on HiDPI
// screens.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/cg/CoreGraphics.h"

class CanvasSurface;

class CanvasContext : public CGContext {
public:
    // The CSS font for a font name at a size in points: the page's bundled
    // family, bold for "Helvetica-Bold". Throws CGFontError for other names.
    static std::string cssFont(const char* name, CGFloat size);

    CG_DECLARE_DRAWING_OPS
    CGFloat textWidth(const char* text, size_t length) override;

    // Sends what is still queued (filled dots are gathered into batches).
    void flush();

private:
    friend class CanvasSurface;
    CanvasContext(int handle, CGSize size, double scale);
    // The surface's backing store was remade: the canvas state is fresh.
    void reset(CGSize size, double scale);

    struct Colour {
        CGFloat r = 0, g = 0, b = 0, a = 1;
        bool operator!=(const Colour& o) const { return r != o.r || g != o.g || b != o.b || a != o.a; }
    };
    // What the graphics state stack carries, as on the platform.
    struct State {
        Colour fill, stroke;
        CGFloat lineWidth = 1;
        CGFloat alpha = 1;
        CGFloat tx = 0, ty = 0;
        bool clipped = false;
        std::string font;
        CGTextDrawingMode textMode = kCGTextFill;
        CGTextEncoding encoding = kCGEncodingMacRoman;
    };
    // Canvas-side values: what the 2D context holds right now.
    struct Applied {
        Colour fill, stroke;
        CGFloat lineWidth = 1;  // canvas units, after the zero-width rule
        CGFloat alpha = 1;
        CGFloat tx = 0, ty = 0;
        std::string font;
    };
    enum Need { kFill = 1, kStroke = 2, kWidth = 4, kFont = 8 };
    void sync(int needs);
    CGFloat deviceLineWidth() const;
    void appendPathOp(float op, std::initializer_list<float> args);
    void drawPath(int mode);
    const char* textBytes(const char* text, size_t length, size_t& outLength);
    // Whether r, in user space, covers the whole surface.
    bool coversSurface(CGRect r) const;
    // Something was drawn: the pixels are no longer one known colour.
    void drew() { uniform_ = false; }

    int handle_;
    CGSize size_;
    double scale_;
    // Every pixel of the surface holds uniformColour_ (transparent after a
    // clear): filling it again with that colour changes nothing and is
    // skipped, which saves a pass over the whole backing store.
    bool uniform_ = false;
    Colour uniformColour_;
    State state_;
    Applied applied_;
    std::vector<std::pair<State, Applied>> stack_;
    CGAffineTransform textMatrix_;
    std::vector<float> path_;
    bool hasCurrentPoint_ = false;
    std::vector<float> dots_;
    std::string textScratch_;
};

class CanvasSurface : public CGSurface {
public:
    // An offscreen surface (a view's backing store), size in points.
    CanvasSurface(CGSize size, double scale);
    // Draws into the page's <canvas> matching selector (the screen); the
    // element gets the backing store and its CSS size. Without such a canvas
    // it says so on stderr (the console) and draws offscreen.
    CanvasSurface(CGSize size, double scale, const char* selector);
    ~CanvasSurface() override;
    CanvasSurface(const CanvasSurface&) = delete;
    CanvasSurface& operator=(const CanvasSurface&) = delete;

    CGContextRef context() override { return context_.get(); }
    CGSize size() const override { return size_; }
    double scale() const override { return scale_; }
    void flush() override;

    // Remakes the backing store; drawing state starts afresh.
    void resize(CGSize size, double scale);
    // Moves this offscreen surface's drawing onto the page's <canvas>
    // matching selector (which keeps showing its pixels until the next
    // drawing); drawing state starts afresh. False, and nothing changes, when
    // there is no such canvas.
    bool moveOnscreen(const char* selector);
    // Waits for the browser to rasterise what was drawn (for timing).
    void sync();
    int handle() const { return handle_; }

private:
    int handle_ = 0;
    CGSize size_;
    double scale_;
    std::unique_ptr<CanvasContext> context_;
};

// Tells the page a frame has been presented (the first one is timed).
void canvasFramePresented();
// The browser's devicePixelRatio (1 when it has none).
double canvasDevicePixelRatio();
