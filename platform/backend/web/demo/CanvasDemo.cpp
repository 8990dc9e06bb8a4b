// A chart-like scene through the abstract context, with the load of a real
// pass: about 150 long constellation segments, 160 labels drawn filled and
// stroked, two dashed great circles, a readout and 1600 star dots; drawn into
// a view's offscreen surface and composited onto the screen with a button.
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/backend/web/CanvasContext.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Star {
    double ra, dec, mag;
};

struct Scene {
    std::vector<Star> stars;
    std::vector<std::pair<int, int>> lines;
    std::vector<std::pair<int, std::string>> labels;
    double ra0 = 17.76 * kPi / 12, dec0 = -28.9 * kPi / 180;
    std::unique_ptr<CanvasSurface> screen, view;
    CGImageRef icon;
};

Scene& scene() {
    static Scene s;
    return s;
}

// Deterministic pseudo-random numbers, so every run draws the same sky.
uint32_t seed = 12345;
double uniform() {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) / double(1u << 24);
}

void makeSky(Scene& s) {
    for (int i = 0; i < 1601; ++i) {
        double ra = uniform() * 2 * kPi, dec = std::asin(2 * uniform() - 1);
        double mag = 6.5 - 6 * std::pow(uniform(), 4);
        s.stars.push_back({ra, dec, mag});
    }
    // Figures join each star to a near neighbour among the next few.
    for (int i = 0; s.lines.size() < 507 && i < 1601; ++i) {
        for (int j = i + 1; j < std::min(1601, i + 40); ++j) {
            const Star &a = s.stars[i], &b = s.stars[j];
            double c =
                std::sin(a.dec) * std::sin(b.dec) + std::cos(a.dec) * std::cos(b.dec) * std::cos(a.ra - b.ra);
            if (c > std::cos(25 * kPi / 180)) {
                s.lines.push_back({i, j});
                break;
            }
        }
    }
    for (int i = 0; i < 162; ++i) {
        char name[24];
        std::snprintf(name, sizeof name, i < 73 ? "Star %d" : "Constellation %d", i);
        s.labels.push_back({i * 9, name});
    }
    auto icon = std::make_shared<CGImage>();
    icon->pixelWidth = icon->pixelHeight = 32;
    icon->scale = 2;
    icon->rgba.resize(32 * 32 * 4);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            double d = std::hypot(x - 15.5, y - 15.5);
            uint8_t a = d < 14 ? 255 : (d < 15 ? uint8_t(255 * (15 - d)) : 0);
            uint8_t* p = &icon->rgba[(y * 32 + x) * 4];
            // Premultiplied white ring with a blue centre.
            bool ring = d > 11;
            p[0] = ring ? a : 0;
            p[1] = ring ? a : uint8_t(a * 0.4);
            p[2] = a;
            p[3] = a;
        }
    }
    s.icon = icon;
}

// Gnomonic projection about the centre; false when beyond the cut-off.
bool project(const Scene& s, double ra, double dec, double cx, double cy, double scale, double limit,
             CGPoint& out) {
    double cosc = std::sin(s.dec0) * std::sin(dec) + std::cos(s.dec0) * std::cos(dec) * std::cos(ra - s.ra0);
    if (cosc < limit) return false;
    double x = std::cos(dec) * std::sin(ra - s.ra0) / cosc;
    double y =
        (std::cos(s.dec0) * std::sin(dec) - std::sin(s.dec0) * std::cos(dec) * std::cos(ra - s.ra0)) / cosc;
    out = {CGFloat(cx - scale * x), CGFloat(cy - scale * y)};
    return true;
}

void drawChart(Scene& s) {
    CGContextRef c = s.view->context();
    CGSize size = s.view->size();
    double cx = size.width / 2, cy = size.height / 2;
    bool large = size.width > 480;
    double scale = large ? 540 : 300;
    CGContextClearRect(c, CGRectMake(0, 0, size.width, size.height));
    CGContextSelectFont(c, "Helvetica", large ? 18 : 14, kCGEncodingMacRoman);
    CGContextSetTextDrawingMode(c, kCGTextFillStroke);
    CGContextSetTextMatrix(c, CGAffineTransformMake(1, 0, 0, -1, 0, 0));
    CGContextSetRGBStrokeColor(c, 0, 0, 0.8, 1);
    CGContextSetLineWidth(c, 2);

    std::vector<CGPoint> points;
    for (auto& l : s.lines) {
        CGPoint a, b;
        const Star &p = s.stars[l.first], &q = s.stars[l.second];
        if (project(s, p.ra, p.dec, cx, cy, scale, std::cos(kPi / 3.5), a) &&
            project(s, q.ra, q.dec, cx, cy, scale, -1, b)) {
            points.push_back(a);
            points.push_back(b);
        }
    }
    CGContextStrokeLineSegments(c, points.data(), points.size());

    CGContextSetLineWidth(c, 0);
    for (auto& label : s.labels) {
        CGPoint p;
        const Star& st = s.stars[label.first];
        CGContextSetRGBFillColor(c, label.first < 73 * 9 ? 0.8 : 0, 0.8, label.first < 73 * 9 ? 0.8 : 0, 1);
        if (project(s, st.ra, st.dec, cx, cy, scale, std::cos(kPi / 4), p))
            CGContextShowTextAtPoint(c, p.x, p.y, label.second.c_str(), label.second.size());
    }

    // Two dashed great circles, each one path.
    for (int circle = 0; circle < 2; ++circle) {
        CGContextSetRGBStrokeColor(c, circle ? 0 : 0.4, circle ? 0.6 : 0, 0, 1);
        CGContextSetLineWidth(c, 2);
        CGContextBeginPath(c);
        double tilt = circle ? 0 : 23.44 * kPi / 180;
        for (int i = 0; i < 48; ++i) {
            CGPoint a, b;
            auto at = [&](double lon, CGPoint& out, double limit) {
                double dec = std::asin(std::sin(tilt) * std::sin(lon));
                double ra = std::atan2(std::cos(tilt) * std::sin(lon), std::cos(lon));
                return project(s, ra, dec, cx, cy, scale, limit, out);
            };
            if (at(i * kPi / 24, a, std::cos(kPi / 4)) && at((i + 0.5) * kPi / 24, b, -1)) {
                CGContextMoveToPoint(c, a.x, a.y);
                CGContextAddLineToPoint(c, b.x, b.y);
            }
        }
        CGContextStrokePath(c);
    }

    CGContextSetRGBFillColor(c, 0, 0, 0, 1);
    CGContextFillRect(c, CGRectMake(0, 0, size.width * 40 / 320 + 260, size.width * 10 / 320 + 16));
    CGContextSetRGBStrokeColor(c, 0.6, 0, 0, 1);
    CGContextSetLineWidth(c, 0);
    CGContextSetRGBFillColor(c, 0.8, 0, 0, 1);
    CGContextSelectFont(c, "Helvetica", large ? 18 : 14, kCGEncodingMacRoman);
    char readout[50];
    double raH = s.ra0 * 12 / kPi, decD = s.dec0 * 180 / kPi;
    std::snprintf(readout, sizeof readout, "Ra : %2.2dh %2.2dmn  De : %2.2dd %2.2d'", int(raH),
                  int(raH * 60) % 60, int(decD), int(std::fabs(decD) * 60) % 60);
    CGContextShowTextAtPoint(c, 20, CGFloat(size.width * 11 / 320 + 20), readout, std::strlen(readout));

    CGContextSetRGBFillColor(c, 1, 1, 1, 1);
    for (auto& st : s.stars) {
        CGPoint p;
        if (!project(s, st.ra, st.dec, cx, cy, scale, 0.7, p)) continue;
        double d = st.mag > 4 ? 2 : (st.mag > 2 ? 4 : 6);
        CGContextFillEllipseInRect(c, CGRectMake(CGFloat(p.x - d / 2), CGFloat(p.y - d / 2), d, d));
    }

    CGContextSetRGBStrokeColor(c, 0.8, 0, 0, 1);
    CGContextSetLineWidth(c, 1);
    CGContextBeginPath(c);
    CGContextMoveToPoint(c, cx - 10, cy);
    CGContextAddLineToPoint(c, cx + 10, cy);
    CGContextMoveToPoint(c, cx, cy - 10);
    CGContextAddLineToPoint(c, cx, cy + 10);
    CGContextStrokePath(c);
}

// The window's part: composite the view, then a button over it.
void composite(Scene& s) {
    CGContextRef c = s.screen->context();
    CGSize size = s.screen->size();
    CGContextClearRect(c, CGRectMake(0, 0, size.width, size.height));
    c->drawSurface(0, 0, *s.view);
    CGContextSaveGState(c);
    CGContextTranslateCTM(c, size.width - 60, size.height - 60);
    CGContextSetAlpha(c, 0.85f);
    CGContextBeginPath(c);
    c->addRoundedRect(CGRectMake(0, 0, 44, 44), 8);
    CGContextSetRGBFillColor(c, 0.2f, 0.2f, 0.25f, 1);
    CGContextFillPath(c);
    CGContextDrawImage(c, CGRectMake(6, 6, 32, 32), s.icon);
    CGContextRestoreGState(c);
    s.screen->flush();
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void demo_set_center(double raHours, double decDegrees) {
    Scene& s = scene();
    s.ra0 = raHours * kPi / 12;
    s.dec0 = std::max(-90.0, std::min(90.0, decDegrees)) * kPi / 180;
    drawChart(s);
    composite(s);
    canvasFramePresented();
}

// Pans through `frames` redraws; returns the median time of one, in ms,
// including the browser's rasterisation of it.
EMSCRIPTEN_KEEPALIVE double demo_bench(int frames) {
    Scene& s = scene();
    std::vector<double> times;
    for (int i = 0; i < frames; ++i) {
        double t0 = emscripten_get_now();
        s.ra0 += 0.002;
        drawChart(s);
        composite(s);
        s.screen->sync();
        times.push_back(emscripten_get_now() - t0);
    }
    if (times.empty()) return 0;
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
}

int main() {
    Scene& s = scene();
    makeSky(s);
    double w = 0, h = 0;
    if (emscripten_get_element_css_size("#canvas", &w, &h) != EMSCRIPTEN_RESULT_SUCCESS || w < 1 || h < 1) {
        std::fprintf(stderr, "starchart: the page has no visible #canvas\n");
        return 1;
    }
    double dpr = canvasDevicePixelRatio();
    CGSize size = CGSizeMake(CGFloat(w), CGFloat(h));
    s.screen = std::make_unique<CanvasSurface>(size, dpr, "#canvas");
    s.view = std::make_unique<CanvasSurface>(size, dpr);
    drawChart(s);
    composite(s);
    canvasFramePresented();
    return 0;
}
