// Draws one chart pass into a recording context and picks the trace apart.
#pragma once

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "chart/QuartzView.h"
#include "platform/cg/RecordingContext.h"

struct ChartFixture {
    std::shared_ptr<QuartzView> view = std::make_shared<QuartzView>();
    RecordingContext recorder;

    // A view of the given size whose centre and zoom are set the way the main
    // screen sets them at load.
    ChartFixture(float width, float height, float raHours, float decDegrees, double zoom = 1.0) {
        view->initWithFrame(CGRectMake(0, 0, width, height));
        view->writexs(raHours, decDegrees, width, height);
        view->setEch(zoom);
    }

    const std::vector<RecordedOp>& draw() {
        recorder.clear();
        UIGraphicsPushContext(&recorder);
        view->drawRect(view->bounds());
        UIGraphicsPopContext();
        return recorder.ops();
    }
};

inline std::vector<RecordedOp> opsNamed(const std::vector<RecordedOp>& ops, const std::string& name) {
    std::vector<RecordedOp> out;
    for (const auto& op : ops)
        if (op.op == name) out.push_back(op);
    return out;
}

inline size_t indexOf(const std::vector<RecordedOp>& ops, const std::string& name, size_t from = 0) {
    for (size_t i = from; i < ops.size(); ++i)
        if (ops[i].op == name) return i;
    return ops.size();
}

struct Dot {
    double x, y, diameter;
};

inline std::vector<Dot> dotsOf(const std::vector<RecordedOp>& ops) {
    std::vector<Dot> dots;
    for (const auto& op : opsNamed(ops, "CGContextFillEllipseInRect"))
        dots.push_back({op.args[0] + op.args[2] / 2, op.args[1] + op.args[3] / 2, op.args[2]});
    return dots;
}

inline std::vector<std::string> textsOf(const std::vector<RecordedOp>& ops) {
    std::vector<std::string> texts;
    for (const auto& op : opsNamed(ops, "CGContextShowTextAtPoint")) texts.push_back(op.text);
    return texts;
}
