// `starchart snapshot`: starts the app offscreen, brings it to a centre, zoom
// and label mode through the messages the main screen itself sends, and
// writes the window as PNG, SVG or PDF, optionally with a trace of the
// chart's last rendering pass.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>

#include "cli/Commands.h"
#include "cli/Flags.h"
#include "cli/TracedSurface.h"
#include "mainscreen/VHMainViewController.h"
#include "platform/backend/offscreen/OffscreenApp.h"
#include "platform/cg/cairo/CairoContext.h"
#include "platform/cg/file/OutputFile.h"
#include "platform/ui/port/DeviceProfile.h"

namespace {

constexpr const char* kUsage =
    "usage: starchart snapshot [--device phone|phone-tall|phone-wide|tablet | --size WxH --idiom "
    "phone|tablet]"
    " [--pixel-ratio N] --ra HOURS --dec DEGREES [--zoom Z] [--labels 0|1|2] --out FILE.png|.svg|.pdf"
    " [--trace FILE.jsonl]";
constexpr const char* kHelp =
    "  Writes the chart centred on right ascension HOURS (0..24) and declination DEGREES (-90..90)\n"
    "  at zoom Z (0.9..3, default 1) in label mode 0 (as at start), 1 (star names: one double tap)\n"
    "  or 2 (the learning mode: two), as the app shows it on the device (default phone), to FILE: PNG,\n"
    "  SVG or PDF by its extension. --trace writes every drawing call of the chart's last pass,\n"
    "  one JSON object a line. A bad flag is named with its allowed values, exit status 2.";

struct SnapshotOptions {
    DeviceProfile profile;
    double ra = -1, dec = -999, zoom = 1;
    int labels = 0;
    std::string out, trace;
    enum class Kind { PNG, SVG, PDF } kind = Kind::PNG;
};

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

SnapshotOptions parse(int argc, char** argv) {
    DeviceFlagsResult device = parseDeviceFlags(argc, argv, 1);
    if (!device.ok()) throw FlagError{device.error};
    SnapshotOptions o;
    o.profile = device.profile;
    ViewFlags view;
    FlagReader flags(device.rest);
    std::string flag;
    while (flags.next(flag)) {
        if (readViewFlag(flags, flag, view)) continue;
        if (flag == "--labels") {
            o.labels = std::stoi(oneOf(flag, flags.value(flag), {"0", "1", "2"}));
        } else if (flag == "--out") {
            o.out = flags.value(flag);
            const std::string l = lower(o.out);
            if (endsWith(l, ".png"))
                o.kind = SnapshotOptions::Kind::PNG;
            else if (endsWith(l, ".svg"))
                o.kind = SnapshotOptions::Kind::SVG;
            else if (endsWith(l, ".pdf"))
                o.kind = SnapshotOptions::Kind::PDF;
            else
                throw FlagError{"--out: '" + o.out + "' must end in .png, .svg or .pdf"};
        } else if (flag == "--trace") {
            o.trace = flags.value(flag);
        } else {
            throw FlagError{"unknown argument '" + flag + "'"};
        }
    }
    if (!view.haveRa) throw FlagError{"--ra is required (hours from 0 to 24)"};
    if (!view.haveDec) throw FlagError{"--dec is required (degrees from -90 to 90)"};
    o.ra = view.ra;
    o.dec = view.dec;
    o.zoom = view.zoom;
    if (o.out.empty()) throw FlagError{"--out is required (a .png, .svg or .pdf file)"};
    writableFile("--out", o.out);
    if (!o.trace.empty()) {
        writableFile("--trace", o.trace);
        distinctFiles("--out", o.out, "--trace", o.trace);
    }
    return o;
}

// The calls of the last pass: everything from its clearing of the view on.
std::vector<RecordedOp> lastPass(const RecordingContext& recorder) {
    const auto& ops = recorder.ops();
    size_t from = ops.size();
    while (from > 0 && ops[from - 1].op != "CGContextClearRect") --from;
    if (from > 0) --from;
    return {ops.begin() + long(from), ops.end()};
}

// A vector image of the window as the app shows it: the chart's last pass
// drawn again as paths and text where its pixels would go, the rest of the
// window (bars, buttons) as the toolkit composites it.
bool writeVector(OffscreenApp& app, QuartzView& chart, const std::vector<RecordedOp>& pass,
                 const SnapshotOptions& o, std::string& error) {
    const CGSize size = CGSizeMake(o.profile.width, o.profile.height);
    CairoVectorSurface file(
        o.out, o.kind == SnapshotOptions::Kind::SVG ? CairoVectorKind::SVG : CairoVectorKind::PDF, size);
    app.runtime().compositeInto(file.context(), [&](UIView& view, CGContextRef ctx) {
        if (&view != &chart) return false;
        CGContextSaveGState(ctx);
        CGContextClipToRect(ctx, view.bounds());
        replayOps(pass, *ctx, /*skipClear=*/true);
        CGContextRestoreGState(ctx);
        return true;
    });
    return file.finish(&error);
}

}  // namespace

int runSnapshot(int argc, char** argv, const NSString& delegateClassName) {
    if (answerInfoRequest(std::vector<std::string>(argv + 1, argv + argc),
                          std::string(kUsage) + "\n" + kHelp))
        return 0;
    SnapshotOptions o;
    try {
        o = parse(argc, argv);
    } catch (const FlagError& e) {
        std::fprintf(stderr, "starchart snapshot: %s\n%s\n", e.message.c_str(), kUsage);
        return 2;
    }
    std::unique_ptr<OutputFile> trace;
    if (!o.trace.empty()) {
        std::string error;
        trace = OutputFile::create(o.trace, &error);
        if (!trace) {
            std::fprintf(stderr, "starchart snapshot: --trace: %s\n", error.c_str());
            return 1;
        }
    }

    // An image for print or comparison: Cairo's own rendering of every glyph
    // and disc, not the interactive raster caches.
    CairoContext::setDefaultCachesEnabled(false);
    OffscreenApp app(o.profile, delegateClassName, makeTracedSurface);
    app.launch();
    auto main = std::dynamic_pointer_cast<VHMainViewController>(app.rootViewController());
    if (!main || !main->chartView()) {
        std::fprintf(stderr, "starchart snapshot: the main screen did not load\n");
        return 1;
    }
    QuartzView& chart = *main->chartView();
    // What a pan and a pinch end in: the centre written as the controller's
    // single-precision values, then the chart told the centre and the zoom.
    chartCentreRightAscension = float(o.ra);
    chartCentreDeclination = float(o.dec);
    chart.writexs(float(o.ra), float(o.dec), chart.width(), chart.height());
    chart.setEch(o.zoom);
    for (int i = 0; i < o.labels; ++i) main->doubleTapStep();
    app.runUntilIdle();

    auto* traced = dynamic_cast<RecordingSurface*>(chart.backingSurface());
    const std::vector<RecordedOp> pass = traced ? lastPass(traced->recorder()) : std::vector<RecordedOp>{};
    if (trace) {
        std::ostringstream lines;
        for (const auto& op : pass) RecordingContext::writeJsonLine(lines, op);
        const std::string text = lines.str();
        trace->write(text.data(), text.size());
    }

    std::string error;
    bool ok = true;
    if (o.kind == SnapshotOptions::Kind::PNG) {
        if (!app.writePNG(o.out)) return 1;  // it says why, naming the file
    } else {
        try {
            ok = writeVector(app, chart, pass, o, error);
        } catch (const std::exception& e) {
            ok = false;
            error = e.what();
        }
    }
    if (!ok) {
        std::fprintf(stderr, "starchart snapshot: --out: %s\n", error.c_str());
        return 1;
    }
    // Last, so that a failed image leaves no trace of it either.
    if (trace && !trace->commit(&error)) {
        std::fprintf(stderr, "starchart snapshot: --trace: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
