// Direct pixel work on premultiplied ARGB32 buffers (Cairo's image layout),
// for the context's fast paths: blending cached rasters and rasterising
// straight strokes without a trip through Cairo's general machinery. Blending
// rounds exactly as pixman does, so a blit gives the same bytes as Cairo's own
// OVER composite of the same raster.
#pragma once

#include <cstdint>

struct PixelBuffer {
    uint32_t* data = nullptr;
    int stride = 0;  // in pixels
    int width = 0, height = 0;
};

struct PixelBox {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // half-open; empty when x1 <= x0 or y1 <= y0
    bool empty() const { return x1 <= x0 || y1 <= y0; }
    void add(const PixelBox& b);
};

// Composites src (w x h pixels, `srcStride` pixels a row) over dst with its
// top-left pixel at (x, y); returns the pixels touched (clipped to dst).
PixelBox blendOver(PixelBuffer& dst, const uint32_t* src, int srcStride, int w, int h, int x, int y);

// Premultiplied colour as Cairo turns a solid RGBA source into pixels.
uint32_t premultipliedColour(double r, double g, double b, double a);

// A straight segment from (x0, y0) to (x1, y1), device pixels, with butt
// caps and the given full width, composited over dst in `colour`. Coverage is
// the pixel's exact area inside the stroke, except within a pixel of the two
// ends' corners, where the side and cap coverages are multiplied.
PixelBox strokeSegment(PixelBuffer& dst, double x0, double y0, double x1, double y1, double width,
                       uint32_t colour);
