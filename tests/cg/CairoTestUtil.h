// Pixel and file helpers shared by the Cairo backend and toolkit tests.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <ostream>
#include <string>

#include "platform/cg/CoreGraphics.h"
#include "platform/cg/cairo/CairoContext.h"

struct Rgba {
    int r, g, b, a;
    bool operator==(const Rgba& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};
inline std::ostream& operator<<(std::ostream& os, const Rgba& p) {
    return os << "(" << p.r << ", " << p.g << ", " << p.b << ", " << p.a << ")";
}

inline Rgba pixelAt(const CGImage& img, int x, int y) {
    const uint8_t* p = &img.rgba[(size_t(y) * size_t(img.pixelWidth) + size_t(x)) * 4];
    return {p[0], p[1], p[2], p[3]};
}

struct InkBox {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;  // inclusive
    bool empty() const { return x1 < x0; }
    int width() const { return x1 - x0 + 1; }
    int height() const { return y1 - y0 + 1; }
};

// Bounding box of the pixels whose alpha exceeds `threshold`.
inline InkBox inkBox(const CGImage& img, int threshold = 0) {
    InkBox box;
    for (int y = 0; y < img.pixelHeight; ++y)
        for (int x = 0; x < img.pixelWidth; ++x)
            if (pixelAt(img, x, y).a > threshold) {
                box.x0 = std::min(box.x0, x), box.x1 = std::max(box.x1, x);
                box.y0 = std::min(box.y0, y), box.y1 = std::max(box.y1, y);
            }
    return box;
}

// Total coverage (alpha / 255) over a rectangle of pixels, bounds inclusive.
inline double alphaSum(const CGImage& img, int x0, int y0, int x1, int y1) {
    double sum = 0;
    for (int y = std::max(0, y0); y <= std::min(img.pixelHeight - 1, y1); ++y)
        for (int x = std::max(0, x0); x <= std::min(img.pixelWidth - 1, x1); ++x)
            sum += pixelAt(img, x, y).a / 255.0;
    return sum;
}

inline double alphaSum(const CGImage& img) {
    return alphaSum(img, 0, 0, img.pixelWidth - 1, img.pixelHeight - 1);
}

// The pixels of a surface at the pixel ratio, fast paths on or off, after `paint`.
inline CGImage paintPixels(CGSize size, double scale, bool caches,
                           const std::function<void(CGContextRef)>& paint) {
    CairoSurface s(size, scale);
    s.cairoContext().setCachesEnabled(caches);
    paint(s.context());
    return s.readPixels();
}

// A path in the tests' scratch directory, removed before and after use.
struct TempFile {
    std::string path;
    explicit TempFile(const std::string& name)
        : path(::testing::TempDir() + "cg_" + std::to_string(getpid()) + "_" + name) {
        std::remove(path.c_str());
    }
    ~TempFile() { std::remove(path.c_str()); }
    operator const std::string&() const { return path; }
};

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
