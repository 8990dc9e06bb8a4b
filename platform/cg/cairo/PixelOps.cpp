#include "platform/cg/cairo/PixelOps.h"

#include <algorithm>
#include <cmath>

namespace {

// Two 8-bit channels at a time (bytes 0 and 2 of a word), rounded exactly as
// pixman's UN8x4 arithmetic.
constexpr uint32_t kRB = 0x00FF00FF, kRBHalf = 0x00800080, kRBPlusOne = 0x10000100;

// Each channel times a / 255.
inline uint32_t rbMul(uint32_t x, uint32_t a) {
    uint32_t t = (x & kRB) * a + kRBHalf;
    t = (t + ((t >> 8) & kRB)) >> 8;
    return t & kRB;
}

// Each channel summed, saturating at 255.
inline uint32_t rbAdd(uint32_t x, uint32_t y) {
    uint32_t t = x + y;
    t |= kRBPlusOne - ((t >> 8) & kRB);
    return t & kRB;
}

// src OVER dst for one premultiplied pixel.
inline uint32_t over(uint32_t src, uint32_t dst) {
    const uint32_t ia = 255 - (src >> 24);
    return rbAdd(rbMul(dst, ia), src & kRB) | rbAdd(rbMul(dst >> 8, ia), (src >> 8) & kRB) << 8;
}

// colour IN coverage.
inline uint32_t scaleBy(uint32_t colour, uint32_t cov) {
    if (cov == 255) return colour;
    return rbMul(colour, cov) | rbMul(colour >> 8, cov) << 8;
}

// Share of a unit pixel on the inside of a straight edge whose distance from
// the pixel centre is s (positive: the centre is inside). The pixel's
// projection on the edge normal (components a >= b) is the sum of two uniform
// spreads, so the share is their trapezoidal distribution function.
struct EdgeProfile {
    double a, b, lo, hi, inv2ab;
    EdgeProfile(double nx, double ny) {
        a = std::max(std::fabs(nx), std::fabs(ny));
        b = std::min(std::fabs(nx), std::fabs(ny));
        lo = (a - b) / 2;
        hi = (a + b) / 2;
        inv2ab = b > 1e-9 ? 1 / (2 * a * b) : 0;
    }
    double operator()(double s) const {
        const double m = std::fabs(s);
        double inside;
        if (m >= hi)
            inside = 1;
        else if (m <= lo || inv2ab == 0)
            inside = 0.5 + m / a;
        else
            inside = 1 - (hi - m) * (hi - m) * inv2ab;
        return s >= 0 ? inside : 1 - inside;
    }
};

// Pixel centres x + 0.5 with lo <= value(x) <= hi for value(x) = k * x + c.
bool solveRange(double k, double c, double lo, double hi, double& xa, double& xb) {
    if (std::fabs(k) < 1e-12) {
        if (c < lo || c > hi) return false;
        return true;
    }
    double p = (lo - c) / k, q = (hi - c) / k;
    if (p > q) std::swap(p, q);
    xa = std::max(xa, p);
    xb = std::min(xb, q);
    return xa <= xb;
}

// A pixel index for v, kept within [lo, hi] before any conversion to int.
inline int clampIndex(double v, int lo, int hi) {
    if (!(v > lo)) return lo;
    if (!(v < hi)) return hi;
    return int(v);
}

}  // namespace

void PixelBox::add(const PixelBox& b) {
    if (b.empty()) return;
    if (empty()) {
        *this = b;
        return;
    }
    x0 = std::min(x0, b.x0), y0 = std::min(y0, b.y0);
    x1 = std::max(x1, b.x1), y1 = std::max(y1, b.y1);
}

PixelBox blendOver(PixelBuffer& dst, const uint32_t* src, int srcStride, int w, int h, int x, int y) {
    const int cx0 = std::max(x, 0), cy0 = std::max(y, 0);
    const int cx1 = std::min(x + w, dst.width), cy1 = std::min(y + h, dst.height);
    PixelBox box{cx0, cy0, cx1, cy1};
    if (box.empty()) return {};
    for (int row = cy0; row < cy1; ++row) {
        const uint32_t* s = src + size_t(row - y) * size_t(srcStride) + (cx0 - x);
        uint32_t* d = dst.data + size_t(row) * size_t(dst.stride) + cx0;
        if (row + 2 < cy1) __builtin_prefetch(d + 2 * size_t(dst.stride), 1);
        for (int col = cx0; col < cx1; ++col, ++s, ++d) {
            const uint32_t p = *s;
            if (p == 0) continue;
            *d = (p >> 24) == 255 ? p : over(p, *d);
        }
    }
    return box;
}

uint32_t premultipliedColour(double r, double g, double b, double a) {
    // Cairo keeps colours as 16-bit premultiplied shorts; pixman takes their
    // top bytes.
    auto channel = [](double v) { return uint32_t(uint32_t(std::clamp(v, 0.0, 1.0) * 65535.0 + 0.5) >> 8); };
    return channel(a) << 24 | channel(r * a) << 16 | channel(g * a) << 8 | channel(b * a);
}

PixelBox strokeSegment(PixelBuffer& dst, double x0, double y0, double x1, double y1, double width,
                       uint32_t colour) {
    const double dx = x1 - x0, dy = y1 - y0;
    const double len = std::hypot(dx, dy);
    const double half = width / 2;
    if (!(len > 1e-9) || !(half > 0) || !std::isfinite(len) || !std::isfinite(half) || colour == 0) return {};
    const double ux = dx / len, uy = dy / len;  // along
    const double nx = -uy, ny = ux;             // across
    const EdgeProfile profile(nx, ny);          // same spread both ways
    const double reach = profile.hi;

    // Rows whose centres can see the stroke.
    const double ey = std::fabs(ny) * (half + reach) + std::fabs(uy) * reach;
    const int rowLo = clampIndex(std::floor(std::min(y0, y1) - ey - 0.5), 0, dst.height);
    const int rowHi = clampIndex(std::ceil(std::max(y0, y1) + ey - 0.5), -1, dst.height - 1);
    PixelBox box;
    for (int row = rowLo; row <= rowHi; ++row) {
        const double yc = row + 0.5 - y0;
        // across(x) = nx * (x - x0) + ny * yc; along(x) = ux * (x - x0) + uy * yc
        double xa = -1e300, xb = 1e300;
        if (!solveRange(nx, ny * yc - nx * x0, -half - reach, half + reach, xa, xb)) continue;
        if (!solveRange(ux, uy * yc - ux * x0, -reach, len + reach, xa, xb)) continue;
        const int colLo = clampIndex(std::ceil(xa - 0.5), 0, dst.width);
        const int colHi = clampIndex(std::floor(xb - 0.5), -1, dst.width - 1);
        if (colLo > colHi) continue;
        uint32_t* d = dst.data + size_t(row) * size_t(dst.stride);
        // Rows are far apart in memory; fetch the next ones while this one is
        // worked on (the next row's span starts near this one's).
        if (row + 2 <= rowHi) __builtin_prefetch(d + 2 * size_t(dst.stride) + colLo, 1);
        const double sideFull = half - reach, capLo = reach, capHi = len - reach;
        double xc = colLo + 0.5 - x0;
        double across = nx * xc + ny * yc, along = ux * xc + uy * yc;
        for (int col = colLo; col <= colHi; ++col, across += nx, along += ux) {
            double cov;
            if (std::fabs(across) <= sideFull) {
                cov = 1;
            } else {
                cov = profile(half - across) + profile(half + across) - 1;
                if (cov <= 0) continue;
            }
            if (along < capLo || along > capHi) cov *= profile(along) + profile(len - along) - 1;
            if (cov <= 0) continue;
            const auto c8 = uint32_t(std::min(1.0, cov) * 255 + 0.5);
            if (c8 == 0) continue;
            const uint32_t src = scaleBy(colour, c8);
            d[col] = (src >> 24) == 255 ? src : over(src, d[col]);
        }
        box.add(PixelBox{colLo, row, colHi + 1, row + 1});
    }
    return box;
}
