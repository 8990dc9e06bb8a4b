#include "platform/cg/RecordingContext.h"

#include <cmath>
#include <cstdio>
#include <ostream>

namespace {
// Advance widths of Helvetica for ASCII 32..126, in 1/1000 em (the core font
// metrics; 39 and 96 are the straight quote and the grave accent, as Unicode
// has them).
const uint16_t kHelveticaWidths[95] = {
    278,  278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278,  // space../
    556,  556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556,  // 0..?
    1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833, 722, 778,  // @..O
    667,  778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469, 556,  // P.._
    333,  556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556,  // `..o
    556,  556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584,       // p..~
};

std::vector<double> rectArgs(CGRect r) { return {r.origin.x, r.origin.y, r.size.width, r.size.height}; }

void writeNumber(std::ostream& out, double v) {
    if (!std::isfinite(v)) {
        out << "null";
        return;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", v);
    out << buf;
}

void writeString(std::ostream& out, const std::string& s) {
    out << '"';
    for (unsigned char c : s) {
        switch (c) {
            case '"':
                out << "\\\"";
                break;
            case '\\':
                out << "\\\\";
                break;
            case '\n':
                out << "\\n";
                break;
            case '\r':
                out << "\\r";
                break;
            case '\t':
                out << "\\t";
                break;
            case '\b':
                out << "\\b";
                break;
            case '\f':
                out << "\\f";
                break;
            default:
                if (c < 0x20 || c >= 0x7F) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", unsigned(c));
                    out << buf;
                } else {
                    out << char(c);
                }
        }
    }
    out << '"';
}
}  // namespace

void RecordingContext::writeJsonLine(std::ostream& out, const RecordedOp& op) {
    out << "{\"op\":";
    writeString(out, op.op);
    out << ",\"args\":[";
    for (size_t i = 0; i < op.args.size(); ++i) {
        if (i) out << ',';
        writeNumber(out, op.args[i]);
    }
    out << ']';
    if (op.hasText) {
        out << ",\"text\":";
        writeString(out, op.text);
    }
    out << "}\n";
}

void RecordingContext::writeJsonLines(std::ostream& out) const {
    for (const auto& op : ops_) writeJsonLine(out, op);
}

CGFloat RecordingContext::estimateTextWidth(const char* text, size_t length, CGFloat fontSize) {
    if (!text) return 0;
    double units = 0;
    for (size_t i = 0; i < length; ++i) {
        const auto c = uint8_t(text[i]);
        if (c == 0) continue;
        units += (c >= 32 && c <= 126) ? kHelveticaWidths[c - 32] : 556;
    }
    return CGFloat(units * fontSize / 1000.0);
}

void RecordingContext::record(const char* op, std::vector<double> args) {
    ops_.push_back(RecordedOp{op, std::move(args), {}, false});
}

void RecordingContext::recordText(const char* op, std::vector<double> args, std::string text) {
    ops_.push_back(RecordedOp{op, std::move(args), std::move(text), true});
}

// Called at the end of each drawing call, after forwarding, so the hook sees
// the world as the call left it.
void RecordingContext::finish() {
    if (hook_) {
        // A copy: the hook may draw and so grow ops_.
        const RecordedOp op = ops_.back();
        hook_(op);
    }
}

void RecordingContext::clearRect(CGRect r) {
    record("CGContextClearRect", rectArgs(r));
    if (target_) target_->clearRect(r);
    finish();
}

void RecordingContext::selectFont(const char* name, CGFloat size, CGTextEncoding encoding) {
    recordText("CGContextSelectFont", {size, double(encoding)}, name ? name : "");
    fontSize_ = size;
    if (target_) target_->selectFont(name, size, encoding);
    finish();
}

void RecordingContext::setTextDrawingMode(CGTextDrawingMode mode) {
    record("CGContextSetTextDrawingMode", {double(mode)});
    if (target_) target_->setTextDrawingMode(mode);
    finish();
}

void RecordingContext::setTextMatrix(CGAffineTransform m) {
    record("CGContextSetTextMatrix", {m.a, m.b, m.c, m.d, m.tx, m.ty});
    if (target_) target_->setTextMatrix(m);
    finish();
}

void RecordingContext::showTextAtPoint(CGFloat x, CGFloat y, const char* text, size_t length) {
    recordText("CGContextShowTextAtPoint", {x, y, double(length)},
               text ? std::string(text, length) : std::string());
    if (target_) target_->showTextAtPoint(x, y, text, length);
    finish();
}

void RecordingContext::setRGBStrokeColor(CGFloat r, CGFloat g, CGFloat b, CGFloat a) {
    record("CGContextSetRGBStrokeColor", {r, g, b, a});
    if (target_) target_->setRGBStrokeColor(r, g, b, a);
    finish();
}

void RecordingContext::setRGBFillColor(CGFloat r, CGFloat g, CGFloat b, CGFloat a) {
    record("CGContextSetRGBFillColor", {r, g, b, a});
    if (target_) target_->setRGBFillColor(r, g, b, a);
    finish();
}

void RecordingContext::setLineWidth(CGFloat width) {
    record("CGContextSetLineWidth", {width});
    if (target_) target_->setLineWidth(width);
    finish();
}

void RecordingContext::strokeLineSegments(const CGPoint* points, size_t count) {
    std::vector<double> args;
    if (points) {
        args.reserve(count * 2);
        for (size_t i = 0; i < count; ++i) {
            args.push_back(points[i].x);
            args.push_back(points[i].y);
        }
    }
    record("CGContextStrokeLineSegments", std::move(args));
    if (target_) target_->strokeLineSegments(points, count);
    finish();
}

void RecordingContext::beginPath() {
    record("CGContextBeginPath", {});
    if (target_) target_->beginPath();
    finish();
}

void RecordingContext::moveToPoint(CGFloat x, CGFloat y) {
    record("CGContextMoveToPoint", {x, y});
    if (target_) target_->moveToPoint(x, y);
    finish();
}

void RecordingContext::addLineToPoint(CGFloat x, CGFloat y) {
    record("CGContextAddLineToPoint", {x, y});
    if (target_) target_->addLineToPoint(x, y);
    finish();
}

void RecordingContext::strokePath() {
    record("CGContextStrokePath", {});
    if (target_) target_->strokePath();
    finish();
}

void RecordingContext::fillRect(CGRect r) {
    record("CGContextFillRect", rectArgs(r));
    if (target_) target_->fillRect(r);
    finish();
}

void RecordingContext::fillEllipseInRect(CGRect r) {
    record("CGContextFillEllipseInRect", rectArgs(r));
    if (target_) target_->fillEllipseInRect(r);
    finish();
}

void RecordingContext::saveGState() {
    record("CGContextSaveGState", {});
    savedFontSizes_.push_back(fontSize_);
    if (target_) target_->saveGState();
    finish();
}

void RecordingContext::restoreGState() {
    record("CGContextRestoreGState", {});
    if (!savedFontSizes_.empty()) {
        fontSize_ = savedFontSizes_.back();
        savedFontSizes_.pop_back();
    }
    if (target_) target_->restoreGState();
    finish();
}

void RecordingContext::translateCTM(CGFloat tx, CGFloat ty) {
    record("CGContextTranslateCTM", {tx, ty});
    if (target_) target_->translateCTM(tx, ty);
    finish();
}

void RecordingContext::clipToRect(CGRect r) {
    record("CGContextClipToRect", rectArgs(r));
    if (target_) target_->clipToRect(r);
    finish();
}

void RecordingContext::setAlpha(CGFloat alpha) {
    record("CGContextSetAlpha", {alpha});
    if (target_) target_->setAlpha(alpha);
    finish();
}

void RecordingContext::addRect(CGRect r) {
    record("CGContextAddRect", rectArgs(r));
    if (target_) target_->addRect(r);
    finish();
}

void RecordingContext::addRoundedRect(CGRect r, CGFloat radius) {
    auto args = rectArgs(r);
    args.push_back(radius);
    record("CGContextAddRoundedRect", std::move(args));
    if (target_) target_->addRoundedRect(r, radius);
    finish();
}

void RecordingContext::closePath() {
    record("CGContextClosePath", {});
    if (target_) target_->closePath();
    finish();
}

void RecordingContext::fillPath() {
    record("CGContextFillPath", {});
    if (target_) target_->fillPath();
    finish();
}

void RecordingContext::drawImage(CGRect r, const CGImageRef& image) {
    auto args = rectArgs(r);
    args.push_back(image ? image->pixelWidth : 0);
    args.push_back(image ? image->pixelHeight : 0);
    record("CGContextDrawImage", std::move(args));
    if (target_) target_->drawImage(r, image);
    finish();
}

void RecordingContext::drawSurface(CGFloat x, CGFloat y, CGSurface& surface) {
    const CGSize size = surface.size();
    record("CGContextDrawSurface", {x, y, size.width, size.height});
    if (target_) target_->drawSurface(x, y, surface);
    finish();
}

CGFloat RecordingContext::textWidth(const char* text, size_t length) {
    if (target_) return target_->textWidth(text, length);
    return estimateTextWidth(text, length, fontSize_);
}

RecordingSurface::RecordingSurface(CGSize size, double scale, CGSurface* wrapped)
    : size_(size), scale_(scale), wrapped_(wrapped), recorder_(wrapped ? wrapped->context() : nullptr) {}

void RecordingSurface::flush() {
    if (wrapped_) wrapped_->flush();
}
