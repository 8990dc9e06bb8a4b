// Each drawing operation of the canvas context as an exported C function, so
// a browser test can draw a scene step by step and read the pixels back.
// Surface 0 is the page's #probe canvas; more surfaces are offscreen.
#include <emscripten/emscripten.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "platform/backend/web/CanvasContext.h"

namespace {

std::vector<std::unique_ptr<CanvasSurface>> surfaces;
std::vector<CGImageRef> images;
CGContextRef current = nullptr;

bool ready() {
    if (current) return true;
    std::fprintf(stderr, "probe: call p_begin first\n");
    return false;
}

}  // namespace

extern "C" {

// Starts afresh: #probe becomes a w x h point surface at the pixel ratio.
EMSCRIPTEN_KEEPALIVE void p_begin(double w, double h, double scale) {
    surfaces.clear();
    surfaces.push_back(std::make_unique<CanvasSurface>(CGSizeMake(w, h), scale, "#probe"));
    current = surfaces[0]->context();
}

// An offscreen surface; returns its number.
EMSCRIPTEN_KEEPALIVE int p_surface(double w, double h, double scale) {
    surfaces.push_back(std::make_unique<CanvasSurface>(CGSizeMake(w, h), scale));
    return int(surfaces.size()) - 1;
}

EMSCRIPTEN_KEEPALIVE void p_use(int surface) {
    if (surface >= 0 && size_t(surface) < surfaces.size()) current = surfaces[surface]->context();
}

EMSCRIPTEN_KEEPALIVE void p_draw_surface(double x, double y, int surface) {
    if (ready() && surface >= 0 && size_t(surface) < surfaces.size())
        current->drawSurface(x, y, *surfaces[surface]);
}

EMSCRIPTEN_KEEPALIVE void p_resize(int surface, double w, double h, double scale) {
    if (surface >= 0 && size_t(surface) < surfaces.size()) surfaces[surface]->resize(CGSizeMake(w, h), scale);
}

// Finishes queued drawing on every surface, before the test reads pixels.
EMSCRIPTEN_KEEPALIVE void p_flush() {
    for (auto& s : surfaces) s->flush();
}

EMSCRIPTEN_KEEPALIVE void p_clear_rect(double x, double y, double w, double h) {
    if (ready()) CGContextClearRect(current, CGRectMake(x, y, w, h));
}
EMSCRIPTEN_KEEPALIVE void p_select_font(const char* name, double size, int encoding) {
    if (ready()) CGContextSelectFont(current, name, size, CGTextEncoding(encoding));
}
EMSCRIPTEN_KEEPALIVE void p_set_text_drawing_mode(int mode) {
    if (ready()) CGContextSetTextDrawingMode(current, CGTextDrawingMode(mode));
}
EMSCRIPTEN_KEEPALIVE void p_set_text_matrix(double a, double b, double c, double d, double tx, double ty) {
    if (ready()) CGContextSetTextMatrix(current, CGAffineTransformMake(a, b, c, d, tx, ty));
}
EMSCRIPTEN_KEEPALIVE void p_show_text_at_point(double x, double y, const uint8_t* bytes, int length) {
    if (ready())
        CGContextShowTextAtPoint(current, x, y, reinterpret_cast<const char*>(bytes), size_t(length));
}
EMSCRIPTEN_KEEPALIVE double p_text_width(const uint8_t* bytes, int length) {
    return ready() ? current->textWidth(reinterpret_cast<const char*>(bytes), size_t(length)) : 0;
}
EMSCRIPTEN_KEEPALIVE void p_set_stroke(double r, double g, double b, double a) {
    if (ready()) CGContextSetRGBStrokeColor(current, r, g, b, a);
}
EMSCRIPTEN_KEEPALIVE void p_set_fill(double r, double g, double b, double a) {
    if (ready()) CGContextSetRGBFillColor(current, r, g, b, a);
}
EMSCRIPTEN_KEEPALIVE void p_set_line_width(double w) {
    if (ready()) CGContextSetLineWidth(current, w);
}
// points: x0, y0, x1, y1, ... as floats; count is the number of points.
EMSCRIPTEN_KEEPALIVE void p_stroke_line_segments(const float* xy, int count) {
    if (!ready()) return;
    std::vector<CGPoint> points(size_t(count > 0 ? count : 0));
    for (size_t i = 0; i < points.size(); ++i) points[i] = {xy[2 * i], xy[2 * i + 1]};
    CGContextStrokeLineSegments(current, points.data(), points.size());
}
EMSCRIPTEN_KEEPALIVE void p_begin_path() {
    if (ready()) CGContextBeginPath(current);
}
EMSCRIPTEN_KEEPALIVE void p_move_to_point(double x, double y) {
    if (ready()) CGContextMoveToPoint(current, x, y);
}
EMSCRIPTEN_KEEPALIVE void p_add_line_to_point(double x, double y) {
    if (ready()) CGContextAddLineToPoint(current, x, y);
}
EMSCRIPTEN_KEEPALIVE void p_stroke_path() {
    if (ready()) CGContextStrokePath(current);
}
EMSCRIPTEN_KEEPALIVE void p_fill_path() {
    if (ready()) CGContextFillPath(current);
}
EMSCRIPTEN_KEEPALIVE void p_close_path() {
    if (ready()) CGContextClosePath(current);
}
EMSCRIPTEN_KEEPALIVE void p_add_rect(double x, double y, double w, double h) {
    if (ready()) CGContextAddRect(current, CGRectMake(x, y, w, h));
}
EMSCRIPTEN_KEEPALIVE void p_add_rounded_rect(double x, double y, double w, double h, double r) {
    if (ready()) current->addRoundedRect(CGRectMake(x, y, w, h), r);
}
EMSCRIPTEN_KEEPALIVE void p_fill_rect(double x, double y, double w, double h) {
    if (ready()) CGContextFillRect(current, CGRectMake(x, y, w, h));
}
EMSCRIPTEN_KEEPALIVE void p_fill_ellipse_in_rect(double x, double y, double w, double h) {
    if (ready()) CGContextFillEllipseInRect(current, CGRectMake(x, y, w, h));
}
EMSCRIPTEN_KEEPALIVE void p_save() {
    if (ready()) CGContextSaveGState(current);
}
EMSCRIPTEN_KEEPALIVE void p_restore() {
    if (ready()) CGContextRestoreGState(current);
}
EMSCRIPTEN_KEEPALIVE void p_translate(double tx, double ty) {
    if (ready()) CGContextTranslateCTM(current, tx, ty);
}
EMSCRIPTEN_KEEPALIVE void p_clip_to_rect(double x, double y, double w, double h) {
    if (ready()) CGContextClipToRect(current, CGRectMake(x, y, w, h));
}
EMSCRIPTEN_KEEPALIVE void p_set_alpha(double a) {
    if (ready()) CGContextSetAlpha(current, a);
}

// An image from premultiplied RGBA bytes; returns its number.
// Allocated apart from its control block (unlike make_shared), so freeing it
// frees its place even while a weak reference remains.
EMSCRIPTEN_KEEPALIVE int p_image(int w, int h, double scale, const uint8_t* rgba) {
    std::shared_ptr<CGImage> image(new CGImage);
    image->pixelWidth = w;
    image->pixelHeight = h;
    image->scale = scale;
    image->rgba.assign(rgba, rgba + size_t(w) * size_t(h) * 4);
    images.push_back(image);
    return int(images.size()) - 1;
}
// Drops the probe's reference: the image is freed, its address may be reused.
EMSCRIPTEN_KEEPALIVE void p_image_forget(int image) {
    if (image >= 0 && size_t(image) < images.size()) images[image].reset();
}
// Where the image lives, to tell when a new image reuses a freed one's place.
EMSCRIPTEN_KEEPALIVE double p_image_address(int image) {
    return image >= 0 && size_t(image) < images.size() ? double(uintptr_t(images[image].get())) : 0;
}
EMSCRIPTEN_KEEPALIVE void p_draw_image(int image, double x, double y, double w, double h) {
    if (ready() && image >= 0 && size_t(image) < images.size())
        CGContextDrawImage(current, CGRectMake(x, y, w, h), images[image]);
}
}
