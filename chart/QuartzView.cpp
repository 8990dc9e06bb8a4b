#include "chart/QuartzView.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "sky/Transforms.h"

double chartCentreRightAscension = 0;
double chartCentreDeclination = 0;

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kLineCutoff = 0.8975979010256552;   // pi / 3.5
constexpr double kLabelCutoff = 0.7853981633974483;  // pi / 4
constexpr double kStarCutoff = 0.7;                  // on cos c itself
constexpr double kGalacticCentreRa = 4.649557127312894;
constexpr double kGalacticCentreSinDec = -0.4837865344377466;
constexpr double kGalacticCentreCosDec = 0.8751860311366464;
constexpr double kEclipticYear = 2010.0;
constexpr CGAffineTransform kUpright{1, 0, 0, -1, 0, 0};

// Rounding can push cos c a hair past 1 for an object on the centre itself;
// acos would then give NaN and hide it.
double arcOf(double cosc) { return std::acos(std::clamp(cosc, -1.0, 1.0)); }

}  // namespace

// The pass's per-centre values and the tangent-plane projection.
struct QuartzView::Projection {
    double a0, sd0, cd0, scale;
    float cx, cy;

    double cosc(double ra, double sinDec, double cosDec) const {
        return sd0 * sinDec + cd0 * cosDec * std::cos(ra - a0);
    }
    // Screen point of a position whose cos c is already known.
    void project(double ra, double sinDec, double cosDec, double cosc, double& x, double& y) const {
        const double d = ra - a0;
        const double X = cosDec * std::sin(d) / cosc;
        const double Y = (cd0 * sinDec - sd0 * cosDec * std::cos(d)) / cosc;
        x = cx - scale * X;
        y = cy - scale * Y;
    }
    CGPoint point(double ra, double sinDec, double cosDec, double cosc) const {
        double x, y;
        project(ra, sinDec, cosDec, cosc, x, y);
        return {CGFloat(x), CGFloat(y)};
    }
};

void QuartzView::writexs(float ra, float dec, float width, float height) {
    largeur = width;
    hauteur = height;
    chartCentreRightAscension = ra;
    chartCentreDeclination = dec;
    setNeedsDisplay();
}

void QuartzView::setEch(double zoom) {
    ech = zoom;
    setNeedsDisplay();
}

void QuartzView::writeStarNames() {
    const int32_t left = wLN;
    wLN = left + 1 == 3 ? 0 : left + 1;
    wSN = left == 0;
    setNeedsDisplay();
}

void QuartzView::putLabel(CGContextRef ctx, float x, float y, float angle, const char* text) {
    const CGFloat c = std::cos(angle), s = std::sin(angle);
    CGContextSetTextDrawingMode(ctx, kCGTextFillStroke);
    CGContextSetTextMatrix(ctx, CGAffineTransformMake(c, s, s, -c, 0, 0));
    CGContextShowTextAtPoint(ctx, x, y, text, std::strlen(text));
}
void QuartzView::doSomethingSlow(void*) {}
void QuartzView::slowTransfer() {}
void QuartzView::writePos(double* pos) { pPos = pos; }
void QuartzView::writeParam(double day, double yr) {
    jDay = day;
    year = yr;
}
void QuartzView::writeObs(double longitude, double latitude) {
    tlongi = longitude;
    tlati = latitude;
}

void QuartzView::drawText(CGContextRef ctx, float x, float y, const char* text) {
    showText(ctx, x, y, text, 12);
}

void QuartzView::drawText14(CGContextRef ctx, float x, float y, const char* text) {
    showText(ctx, x, y, text, 14);
}

void QuartzView::showText(CGContextRef ctx, float x, float y, const char* text, CGFloat smallSize) {
    // Wide views select the small size, then 18: the first call is deliberate.
    CGContextSelectFont(ctx, "Helvetica", smallSize, kCGEncodingMacRoman);
    if (!iphone) CGContextSelectFont(ctx, "Helvetica", 18, kCGEncodingMacRoman);
    CGContextSetTextDrawingMode(ctx, kCGTextFillStroke);
    CGContextSetTextMatrix(ctx, kUpright);
    CGContextShowTextAtPoint(ctx, x, y, text, std::strlen(text));
}

void QuartzView::formatReadout(char (&buffer)[50], double R, double D) {
    const int h = int(R);
    const int m = int(R * 60 - h * 60);
    const int s = int(R * 3600 - h * 3600 - m * 60);
    const int d = int(D);
    const int dm = int(D * 60 - d * 60);
    const int ds = int(D * 3600 - d * 3600 - dm * 60);
    std::snprintf(buffer, sizeof buffer, "Ra : %2.2dh %2.2dmn %2.2ds  De : %2.2dd %2.2d' %2.2d\" ", h, m, s,
                  d, dm, ds);
}

void QuartzView::strokeSegments(int32_t count) {
    if (wLN != 2) CGContextStrokeLineSegments(cgContext1, points, size_t(count));
}

void QuartzView::drawRect(CGRect rect) {
    oxs1 = chartCentreRightAscension;
    oys1 = chartCentreDeclination;
    iphone = true;
    double baseRadius = 300;
    if (largeur > 480) {
        iphone = false;
        baseRadius = 540;
    }
    rectCur = rect;
    if (!cgContext1) cgContext1 = UIGraphicsGetCurrentContext();
    CGContextRef ctx = cgContext1;
    if (!ctx) return;  // drawn outside the run loop: nothing to draw into

    Projection pr;
    pr.scale = baseRadius * ech;
    pr.a0 = oxs1 * kPi / 12;
    const double d0 = oys1 * kPi / 180;
    pr.sd0 = std::sin(d0);
    pr.cd0 = std::cos(d0);
    pr.cx = largeur * 0.5f;
    pr.cy = hauteur * 0.5f;

    // Each checkpoint ends the pass when the centre moved under it.
    beginPass(ctx, rect);
    drawConstellationLines(pr);
    if (centreMoved()) return;
    if (wSN) {
        drawStarNames(ctx, pr);
        if (centreMoved()) return;
    }
    drawConstellationNames(ctx, pr);
    if (centreMoved()) return;
    drawGalacticCentre(ctx, pr);
    if (wLN != 2) {
        drawEcliptic(ctx, pr);
        if (centreMoved()) return;
        drawEquator(ctx, pr);
    }
    if (centreMoved()) return;
    drawReadout(ctx);
    drawStars(ctx, pr);
    if (centreMoved()) return;
    drawCentreCross(ctx, pr);
}

void QuartzView::beginPass(CGContextRef ctx, CGRect rect) {
    CGContextClearRect(ctx, rect);
    // Wide views select 14, then 18: the first call is deliberate, keep it.
    CGContextSelectFont(ctx, "Helvetica", 14, kCGEncodingMacRoman);
    if (!iphone) CGContextSelectFont(ctx, "Helvetica", 18, kCGEncodingMacRoman);
    CGContextSetTextDrawingMode(ctx, kCGTextFillStroke);
    CGContextSetTextMatrix(ctx, kUpright);
    // White, then at once the segments' blue: the first call is deliberate.
    CGContextSetRGBStrokeColor(ctx, 1, 1, 1, 1);
    CGContextSetRGBStrokeColor(ctx, 0, 0, 0.8f, 1);
    CGContextSetLineWidth(ctx, 2);
}

// Layer 1: constellation segments, computed in every label mode. A centre
// that selects more than the buffer holds is stroked in full batches.
void QuartzView::drawConstellationLines(const Projection& pr) {
    int32_t n = 0;
    for (size_t i = 0; i < lineCount_; ++i) {
        const LineRecord& l = lineTable_[i];
        const double c1 = pr.cosc(l.ra1, l.sinDec1, l.cosDec1);
        if (!(arcOf(c1) < kLineCutoff)) continue;
        if (n == kSegmentBufferEntries) {
            strokeSegments(n);
            n = 0;
        }
        const double c2 = pr.cosc(l.ra2, l.sinDec2, l.cosDec2);
        points[n] = pr.point(l.ra1, l.sinDec1, l.cosDec1, c1);
        points[n + 1] = pr.point(l.ra2, l.sinDec2, l.cosDec2, c2);
        n += 2;
    }
    ctxDraw = cgContext1;
    nblines = n;
    strokeSegments(n);
}

void QuartzView::drawLabels(CGContextRef ctx, const Projection& pr, const LabelPosition* positions,
                            size_t count, const char* (*textOf)(size_t)) {
    for (size_t i = 0; i < count; ++i) {
        const double a = positions[i].raHours * kPi / 12;
        const double d = positions[i].decDegrees * kPi / 180;
        const double sd = std::sin(d), cd = std::cos(d);
        const double c = pr.cosc(a, sd, cd);
        if (!(arcOf(c) < kLabelCutoff) || wLN == 2) continue;
        const CGPoint p = pr.point(a, sd, cd, c);
        const char* text = textOf(i);
        CGContextShowTextAtPoint(ctx, p.x, p.y, text, std::strlen(text));
    }
}

// Layer 2: star names.
void QuartzView::drawStarNames(CGContextRef ctx, const Projection& pr) {
    CGContextSetRGBFillColor(ctx, 0.8f, 0.8f, 0.8f, 1);
    CGContextSetLineWidth(ctx, 0);
    drawLabels(ctx, pr, starNamePositions, kStarNamesCount, [](size_t i) { return starNames[i]; });
}

// Layer 3: constellation names (the loop runs in every mode, drawing in 0 and 1).
void QuartzView::drawConstellationNames(CGContextRef ctx, const Projection& pr) {
    CGContextSetRGBFillColor(ctx, 0, 0.8f, 0, 1);
    CGContextSetLineWidth(ctx, 0);
    drawLabels(ctx, pr, constellationLabelPositions, kConstellationNamesCount,
               [](size_t i) { return constellationNames[i].name; });
}

// Layer 4: galactic-centre marker; its colour and width are set even when it
// is out of sight.
void QuartzView::drawGalacticCentre(CGContextRef ctx, const Projection& pr) {
    CGContextSetRGBFillColor(ctx, 0, 0.5f, 0, 1);
    CGContextSetLineWidth(ctx, 0);
    const double c = pr.cosc(kGalacticCentreRa, kGalacticCentreSinDec, kGalacticCentreCosDec);
    if (!(arcOf(c) < kLabelCutoff)) return;
    double x, y;
    pr.project(kGalacticCentreRa, kGalacticCentreSinDec, kGalacticCentreCosDec, c, x, y);
    drawText(ctx, float(x - 10), float(y - 8), "GC");
    CGContextSetLineWidth(ctx, 1);
    CGContextBeginPath(ctx);
    CGContextMoveToPoint(ctx, CGFloat(x - 5), CGFloat(y));
    CGContextAddLineToPoint(ctx, CGFloat(x + 5), CGFloat(y));
    CGContextMoveToPoint(ctx, CGFloat(x), CGFloat(y - 5));
    CGContextAddLineToPoint(ctx, CGFloat(x), CGFloat(y + 5));
    CGContextStrokePath(ctx);
}

// Layer 5: ecliptic, 48 dashes of 3.75 degrees of longitude.
void QuartzView::drawEcliptic(CGContextRef ctx, const Projection& pr) {
    CGContextSetRGBStrokeColor(ctx, 0.4f, 0, 0, 1);
    CGContextSetLineWidth(ctx, 2);
    CGContextBeginPath(ctx);
    auto eclipticPoint = [](double t, double& a, double& sd, double& cd) {
        double raDeg, decDeg;
        eclipticToEquatorial(raDeg, decDeg, kEclipticYear, t * 360 / 24, 0);
        a = raDeg * 24 / 360 * kPi / 12;
        const double d = decDeg * kPi / 180;
        sd = std::sin(d);
        cd = std::cos(d);
    };
    for (int i = 0; i <= 47; ++i) {
        const double t = i * 0.5;
        double a1, sd1, cd1;
        eclipticPoint(t, a1, sd1, cd1);
        const double c1 = pr.cosc(a1, sd1, cd1);
        if (!(arcOf(c1) < kLabelCutoff)) continue;
        const CGPoint p1 = pr.point(a1, sd1, cd1, c1);
        double a2, sd2, cd2;
        eclipticPoint(t + 0.25, a2, sd2, cd2);
        const CGPoint p2 = pr.point(a2, sd2, cd2, pr.cosc(a2, sd2, cd2));
        CGContextMoveToPoint(ctx, p1.x, p1.y);
        CGContextAddLineToPoint(ctx, p2.x, p2.y);
    }
    CGContextStrokePath(ctx);
}

// Layer 6: celestial equator, 48 dashes of 5 minutes of right ascension.
void QuartzView::drawEquator(CGContextRef ctx, const Projection& pr) {
    CGContextSetRGBStrokeColor(ctx, 0, 0.6f, 0, 1);
    CGContextSetLineWidth(ctx, 2);
    CGContextBeginPath(ctx);
    for (int i = 0; i <= 47; ++i) {
        const double a1 = i * 0.5 * kPi / 12;
        const double c1 = pr.cosc(a1, 0, 1);
        if (!(arcOf(c1) < kLabelCutoff)) continue;
        const CGPoint p1 = pr.point(a1, 0, 1, c1);
        const double a2 = (i * 0.5 + 0.08333333333333333) * kPi / 12;
        const CGPoint p2 = pr.point(a2, 0, 1, pr.cosc(a2, 0, 1));
        CGContextMoveToPoint(ctx, p1.x, p1.y);
        CGContextAddLineToPoint(ctx, p2.x, p2.y);
    }
    CGContextStrokePath(ctx);
}

// Layer 7: readout of the centre, read afresh.
void QuartzView::drawReadout(CGContextRef ctx) {
    CGContextSetRGBFillColor(ctx, 0, 0, 0, 1);
    CGContextFillRect(ctx, CGRectMake(0, 0, largeur * 40 / 320 + 260, largeur * 10 / 320 + 16));
    CGContextSetRGBStrokeColor(ctx, 0.6f, 0, 0, 1);
    CGContextSetLineWidth(ctx, 0);
    CGContextSetRGBFillColor(ctx, 0.8f, 0, 0, 1);
    char readout[50];
    formatReadout(readout, chartCentreRightAscension, chartCentreDeclination);
    drawText14(ctx, 20, largeur * 11 / 320 + 20, readout);
    readout_ = readout;
}

// Layer 8: star dots over the declination band of the centre.
void QuartzView::drawStars(CGContextRef ctx, const Projection& pr) {
    CGContextSetRGBFillColor(ctx, 1, 1, 1, 1);
    const double D = chartCentreDeclination;
    const int k = std::clamp(int(D - 45 + 90), 0, int(kDecZoneIndexCount) - 1);
    const size_t r = size_t(decZoneIndex[k]);
    const double limit = D * kPi / 180 + kPi / 4;
    for (size_t i = r; i < kStarCatalogCount; ++i) {
        const StarRecord& s = starCatalog[i];
        const double c = pr.cosc(s.ra, s.sinDec, s.cosDec);
        if (c > kStarCutoff) {
            double x, y;
            pr.project(s.ra, s.sinDec, s.cosDec, c, x, y);
            const double dia = s.mag > 4 ? 2 : s.mag > 2 ? 4 : 6;
            CGContextFillEllipseInRect(
                ctx, CGRectMake(CGFloat(x - dia / 2), CGFloat(y - dia / 2), CGFloat(dia), CGFloat(dia)));
        }
        if (s.dec > limit) break;
    }
}

// Layer 9: centre cross.
void QuartzView::drawCentreCross(CGContextRef ctx, const Projection& pr) {
    CGContextSetRGBStrokeColor(ctx, 0.8f, 0, 0, 1);
    CGContextSetLineWidth(ctx, 1);
    CGContextSetRGBFillColor(ctx, 0.8f, 0, 0, 1);
    CGContextBeginPath(ctx);
    CGContextMoveToPoint(ctx, pr.cx - 10, pr.cy);
    CGContextAddLineToPoint(ctx, pr.cx + 10, pr.cy);
    CGContextMoveToPoint(ctx, pr.cx, pr.cy - 10);
    CGContextAddLineToPoint(ctx, pr.cx, pr.cy + 10);
    CGContextStrokePath(ctx);
}
