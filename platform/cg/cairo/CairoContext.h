// The Cairo backend: a CGContext drawing through Cairo, image surfaces for the
// screen and tests, SVG and PDF files, and PNG decoding for bundled images.
//
// Coordinates are points, y down; a surface's context starts with its CTM
// scaled by the pixel ratio. Text follows the platform's text space: glyph
// outlines are y-up, placed by translate(x, y) * textMatrix * scale(fontSize),
// so the identity text matrix draws glyphs upside down in this y-down space
// and (1, 0, 0, -1, 0, 0) draws them upright. The text matrix's tx and ty are
// ignored: CGContextShowTextAtPoint sets the text position, as on the platform,
// and every call starts afresh at its point.
//
// Fast paths on raster targets (on by default, see setCachesEnabled): one
// bounded LRU cache of rasterised glyphs and filled ellipses, keyed by all
// that shapes their pixels plus the sub-pixel phase of their position (1/4
// device pixel for glyphs, 1/8 for ellipses), blended straight into the image; and straight line segments
// (CGContextStrokeLineSegments, and paths made only of separate one-line
// subpaths) rasterised directly, with exact area coverage along their sides.
// Off, every call goes through Cairo's general path: the straightforward
// rendering, which the fast one matches to within the phase rounding. Under a
// clip cached rasters are composited by Cairo and segments take the general
// path; so do segments and ellipses under a rotated CTM, strokes in
// translucent colours, and fill-and-stroke text under a global alpha below 1.
#pragma once

#include <cairo.h>

#include <cstddef>
#include <memory>
#include <string>

#include "platform/cg/CoreGraphics.h"

struct CairoCacheStats {
    size_t textHits = 0, textMisses = 0;
    size_t ellipseHits = 0, ellipseMisses = 0;
    size_t entries = 0, bytes = 0;
};

class CairoContext : public CGContext {
public:
    // Draws on `target` (a reference is taken) with the CTM scaled by `scale`.
    // `hairline` is the width, in device units, of a line of width 0: one
    // pixel on raster targets; vector targets pass what suits their viewers.
    CairoContext(cairo_surface_t* target, double scale, double hairline = 1.0);
    ~CairoContext() override;
    CairoContext(const CairoContext&) = delete;
    CairoContext& operator=(const CairoContext&) = delete;

    cairo_t* cairo() const;
    double scale() const;

    // The fast paths start as setDefaultCachesEnabled says (on unless changed,
    // or unless the environment has STARCHART_CG_CACHE=0). They never apply
    // to vector targets.
    void setCachesEnabled(bool on);
    bool cachesEnabled() const;
    static void setDefaultCachesEnabled(bool on);
    static bool defaultCachesEnabled();
    // Upper bound of the bytes held by cached rasters (default 64 MiB).
    void setCacheLimit(size_t bytes);
    void clearCaches();
    CairoCacheStats cacheStats() const;

    CG_DECLARE_DRAWING_OPS
    CGFloat textWidth(const char* text, size_t length) override;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

// Pixels in memory: ARGB32, `size` points at `scale` pixels a point (each
// side rounded to whole pixels). Starts fully transparent.
class CairoSurface : public CGSurface {
public:
    // Throws std::invalid_argument for a negative or non-finite size or scale,
    // or more than 32767 pixels a side.
    CairoSurface(CGSize size, double scale);
    ~CairoSurface() override;
    CairoSurface(const CairoSurface&) = delete;
    CairoSurface& operator=(const CairoSurface&) = delete;

    CGContextRef context() override { return context_.get(); }
    CairoContext& cairoContext() { return *context_; }
    CGSize size() const override { return size_; }
    double scale() const override { return scale_; }
    void flush() override;

    int pixelWidth() const;
    int pixelHeight() const;
    cairo_surface_t* cairoSurface() const { return surface_; }

    // The pixels as premultiplied RGBA, row-major, with this surface's scale.
    CGImage readPixels();
    // Writes the pixels as PNG; on failure returns false and says why, with
    // the path, in *error.
    bool writePng(const std::string& path, std::string* error = nullptr);
    // The same for `name` beneath the folder dirFd, written whole.
    bool writePng(int dirFd, const std::string& name, std::string* error = nullptr);

private:
    CGSize size_;
    double scale_;
    cairo_surface_t* surface_ = nullptr;
    std::unique_ptr<CairoContext> context_;
};

enum class CairoVectorKind { SVG, PDF };

// A page of `size` points written to an SVG or PDF file. The file is complete
// after finish() or destruction. Lines of width 0 are half a point wide, one
// pixel of a 2x screen.
class CairoVectorSurface : public CGSurface {
public:
    // Throws std::runtime_error naming the path when it cannot be opened for
    // writing, std::invalid_argument for a bad size.
    CairoVectorSurface(const std::string& path, CairoVectorKind kind, CGSize size);
    ~CairoVectorSurface() override;
    CairoVectorSurface(const CairoVectorSurface&) = delete;
    CairoVectorSurface& operator=(const CairoVectorSurface&) = delete;

    // The kind a file name asks for by its extension (.svg, .pdf, any case).
    static bool kindForPath(const std::string& path, CairoVectorKind* kind);

    CGContextRef context() override { return context_.get(); }
    CairoContext& cairoContext() { return *context_; }
    CGSize size() const override { return size_; }
    double scale() const override { return 1; }
    void flush() override;
    // Completes and closes the file; false (and why, in *error) if writing
    // failed. Later drawing is ignored.
    bool finish(std::string* error = nullptr);

    struct Sink;

private:
    CGSize size_;
    std::unique_ptr<Sink> sink_;
    cairo_surface_t* surface_ = nullptr;
    std::unique_ptr<CairoContext> context_;
    bool finished_ = false;
};

// PNG bytes (in memory or in a file) decoded into a CGImage of the given
// scale; nullptr on failure, with the reason (and the path) in *error.
CGImageRef CGImageCreateWithPNGData(const void* data, size_t size, double scale = 1,
                                    std::string* error = nullptr);
CGImageRef CGImageCreateWithPNGFile(const std::string& path, double scale = 1, std::string* error = nullptr);
bool CGImageWritePNG(const CGImage& image, const std::string& path, std::string* error = nullptr);
