// The chart view: holds what it is told (centre, size, zoom, label mode) and
// draws the whole chart from the constant tables on every pass.
#pragma once

#include <cstddef>
#include <cstdint>

#include "chart/ChartCentre.h"
#include "platform/cg/CoreGraphics.h"
#include "platform/ui/UIView.h"
#include "sky/SkyTables.h"

#if defined(__EMSCRIPTEN__)
#define QUARTZ_MESSAGE
#else
#define QUARTZ_MESSAGE virtual
#endif

class QuartzView : public UIView {
public:
    static constexpr int kSegmentBufferEntries = 508;

    // Every pass clears the whole chart and draws all of it.
    QuartzView() { setDrawsInPlace(true); }

    // The controller's messages. Virtual so that a test can stand in a view
    // that records them; the browser build, which runs no tests and counts
    // its bytes, keeps them direct calls (about 440 bytes less).
    QUARTZ_MESSAGE void writexs(float ra, float dec, float width, float height);
    QUARTZ_MESSAGE void setEch(double zoom);
    QUARTZ_MESSAGE void writeStarNames();
    void drawRect(CGRect rect) override;

    void drawText(CGContextRef ctx, float x, float y, const char* text);
    void drawText14(CGContextRef ctx, float x, float y, const char* text);

    // Declared by the class but sent by nothing in the app.
    void putLabel(CGContextRef ctx, float x, float y, float angle, const char* text);
    void doSomethingSlow(void* sender);
    void slowTransfer();
    void writePos(double* pos);
    void writeParam(double day, double yr);
    void writeObs(double longitude, double latitude);

    // Read-only views of the state, for the controller, tests and state dumps.
    CGRect currentRect() const { return rectCur; }
    bool starNamesOn() const { return wSN; }
    int32_t labelMode() const { return wLN; }
    double zoom() const { return ech; }
    float width() const { return largeur; }
    float height() const { return hauteur; }
    bool smallScreen() const { return iphone; }
    int32_t segmentEntries() const { return nblines; }
    const CGPoint* segmentPoints() const { return points; }
    CGContextRef context() const { return cgContext1; }

    // Lets tests draw a segment table other than the built-in one (for example
    // one that selects more segments than the buffer holds).
    void setLineTable(const LineRecord* table, size_t count) {
        lineTable_ = table;
        lineCount_ = count;
    }

    // Formats the coordinate readout for a centre; at most 49 characters.
    static void formatReadout(char (&buffer)[50], double raHours, double decDegrees);

protected:
    // One element, "Star chart", whose value is the readout last drawn; the
    // toolkit passes it on once no finger is down.
    bool defaultIsAccessibilityElement() const override { return true; }
    NSString defaultAccessibilityLabel() const override { return "Star chart"; }
    NSString defaultAccessibilityValue() const override { return readout_; }
    UIAccessibilityTraits defaultAccessibilityTraits() const override {
        return UIAccessibilityTraitUpdatesFrequently;
    }

private:
    struct Projection;
    // The pass, one layer a function, in the order drawRect calls them.
    void beginPass(CGContextRef ctx, CGRect rect);
    void drawConstellationLines(const Projection& pr);
    void drawStarNames(CGContextRef ctx, const Projection& pr);
    void drawConstellationNames(CGContextRef ctx, const Projection& pr);
    void drawGalacticCentre(CGContextRef ctx, const Projection& pr);
    void drawEcliptic(CGContextRef ctx, const Projection& pr);
    void drawEquator(CGContextRef ctx, const Projection& pr);
    void drawReadout(CGContextRef ctx);
    void drawStars(CGContextRef ctx, const Projection& pr);
    void drawCentreCross(CGContextRef ctx, const Projection& pr);
    void drawLabels(CGContextRef ctx, const Projection& pr, const LabelPosition* positions, size_t count,
                    const char* (*textOf)(size_t));

    bool centreMoved() const { return oxs1 != chartCentreRightAscension || oys1 != chartCentreDeclination; }
    void strokeSegments(int32_t count);
    // The two text primitives: a font of smallSize points (18 on wide views).
    void showText(CGContextRef ctx, float x, float y, const char* text, CGFloat smallSize);

    // Members in the order the class declares them.
    CGRect rectCur{};
    CGContextRef cgContext1 = nullptr;
    double oxs1 = 0;
    double oys1 = 0;
    double* pPos = nullptr;
    double tlongi = 0;
    double tlati = 0;
    double year = 0;
    double jDay = 0;
    bool wSN = false;
    float largeur = 0;
    float hauteur = 0;
    bool iphone = false;
    [[maybe_unused]] double newTime = 0;
    [[maybe_unused]] double oldTime = 0;
    CGPoint points[kSegmentBufferEntries]{};
    CGContextRef ctxDraw = nullptr;
    int32_t nblines = 0;
    double ech = 0;
    int32_t wLN = 0;

    NSString readout_;
    const LineRecord* lineTable_ = constellationLines;
    size_t lineCount_ = kConstellationLinesCount;
};
