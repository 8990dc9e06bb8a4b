#include "platform/backend/web/CanvasContext.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unordered_map>

#include "platform/cg/Fonts.h"
#include "platform/cg/MacRoman.h"

extern "C" {
// platform/backend/web/canvas2d.js
int sc_surface_create(double cssW, double cssH, double dpr, const char* selector);
void sc_surface_resize(int h, double cssW, double cssH, double dpr);
void sc_surface_release(int h);
int sc_surface_adopt(int h, const char* selector);
void sc_set_fill(int h, float r, float g, float b, float a);
void sc_set_stroke(int h, float r, float g, float b, float a);
void sc_set_line_width(int h, float w);
void sc_set_alpha(int h, float a);
void sc_set_font(int h, const char* css);
void sc_set_translation(int h, float tx, float ty);
void sc_save(int h);
void sc_restore(int h);
void sc_clip_rect(int h, float x, float y, float w, float hh);
void sc_clear_rect(int h, float x, float y, float w, float hh);
void sc_fill_rect(int h, float x, float y, float w, float hh);
void sc_stroke_segments(int h, const CGPoint* points, size_t count, int group);
void sc_draw_path(int h, const float* ops, size_t n, int mode);
void sc_fill_ellipses(int h, const float* rects, size_t n);
void sc_text(int h, const char* text, size_t len, float x, float y, float a, float b, float c, float d,
             int how, float lineWidth);
float sc_text_width(int h, const char* text, size_t len);
int sc_image_create(const uint8_t* rgba, int w, int h);
void sc_image_release(int image);
void sc_draw_image(int h, int image, float x, float y, float w, float hh);
void sc_draw_surface(int h, int src, float x, float y);
void sc_surface_sync(int h);
void sc_frame_presented();
double sc_device_pixel_ratio();
}

namespace {

// Segments stroked per canvas path: one path of many long subpaths costs
// several times more to rasterise than the same lines in small groups.
constexpr int kSegmentsPerStroke = 4;
// Filled dots gathered before they are sent as one path.
constexpr size_t kDotsPerBatch = 256;
// The path encoding sc_draw_path reads: each operation's number, then its
// arguments.
enum PathOp { kMoveToPoint, kAddLineToPoint, kClosePath, kAddRect, kAddRoundedRect };

CGFloat clamp01(CGFloat v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

// Images are uploaded once and shared by every surface; an entry whose image
// is gone is dropped on the next upload.
struct ImageEntry {
    std::weak_ptr<const CGImage> image;
    int handle;
};
std::unordered_map<const CGImage*, ImageEntry>& imageCache() {
    static std::unordered_map<const CGImage*, ImageEntry> cache;
    return cache;
}

int imageHandle(const CGImageRef& image) {
    auto& cache = imageCache();
    auto found = cache.find(image.get());
    if (found != cache.end()) {
        if (found->second.image.lock() == image) return found->second.handle;
        sc_image_release(found->second.handle);
        cache.erase(found);
    }
    for (auto it = cache.begin(); it != cache.end();) {
        if (it->second.image.expired()) {
            sc_image_release(it->second.handle);
            it = cache.erase(it);
        } else {
            ++it;
        }
    }
    // The canvas takes straight (not premultiplied) alpha.
    std::vector<uint8_t> straight(image->rgba);
    for (size_t i = 0; i + 3 < straight.size(); i += 4) {
        unsigned a = straight[i + 3];
        if (a == 255) continue;
        for (size_t k = 0; k < 3; ++k) {
            straight[i + k] = a == 0 ? 0 : uint8_t(std::min(255u, (straight[i + k] * 255u + a / 2) / a));
        }
    }
    int handle = sc_image_create(straight.data(), image->pixelWidth, image->pixelHeight);
    cache[image.get()] = {image, handle};
    return handle;
}

}  // namespace

std::string CanvasContext::cssFont(const char* name, CGFloat size) {
    // One family with two weights, registered by the page from web/fonts.
    std::string css = CGFaceForFontName(name) == CGBundledFace::Bold ? "bold " : "";
    // The size to 1/10000 px, written without printf: its floating-point
    // half would be linked for this one number.
    const double px = size > 0 && size < 1e6 ? double(size) : 12;
    const long long units = std::llround(px * 10000);
    css += std::to_string(units / 10000);
    if (long long frac = units % 10000) {
        std::string digits = std::to_string(10000 + frac).substr(1);
        digits.erase(digits.find_last_not_of('0') + 1);
        css += "." + digits;
    }
    return css + "px \"Starchart Sans\"";
}

CanvasContext::CanvasContext(int handle, CGSize size, double scale)
    : handle_(handle), size_(size), scale_(scale) {
    reset(size, scale);
}

void CanvasContext::reset(CGSize size, double scale) {
    size_ = size;
    scale_ = scale;
    uniform_ = false;
    state_ = State{};
    state_.font = cssFont("Helvetica", 12);
    applied_ = Applied{};
    stack_.clear();
    textMatrix_ = CGAffineTransform{};
    path_.clear();
    hasCurrentPoint_ = false;
    dots_.clear();
}

CGFloat CanvasContext::deviceLineWidth() const {
    // Width 0 is the thinnest line the screen shows: one device pixel. The
    // canvas would ignore 0 and keep its previous width.
    return state_.lineWidth > 0 ? state_.lineWidth : CGFloat(1 / scale_);
}

void CanvasContext::sync(int needs) {
    if (state_.tx != applied_.tx || state_.ty != applied_.ty) {
        sc_set_translation(handle_, state_.tx, state_.ty);
        applied_.tx = state_.tx;
        applied_.ty = state_.ty;
    }
    if (state_.alpha != applied_.alpha) {
        sc_set_alpha(handle_, state_.alpha);
        applied_.alpha = state_.alpha;
    }
    if ((needs & kFill) && state_.fill != applied_.fill) {
        const Colour& c = state_.fill;
        sc_set_fill(handle_, c.r, c.g, c.b, c.a);
        applied_.fill = c;
    }
    if ((needs & kStroke) && state_.stroke != applied_.stroke) {
        const Colour& c = state_.stroke;
        sc_set_stroke(handle_, c.r, c.g, c.b, c.a);
        applied_.stroke = c;
    }
    if (needs & kWidth) {
        CGFloat w = deviceLineWidth();
        if (w != applied_.lineWidth) {
            sc_set_line_width(handle_, w);
            applied_.lineWidth = w;
        }
    }
    if ((needs & kFont) && state_.font != applied_.font) {
        sc_set_font(handle_, state_.font.c_str());
        applied_.font = state_.font;
    }
}

void CanvasContext::flush() {
    if (dots_.empty()) return;
    sync(kFill);
    sc_fill_ellipses(handle_, dots_.data(), dots_.size() / 4);
    dots_.clear();
}

bool CanvasContext::coversSurface(CGRect r) const {
    r = CGRectStandardize(r);
    CGFloat x = r.origin.x + state_.tx, y = r.origin.y + state_.ty;
    return x <= 0 && y <= 0 && x + r.size.width >= size_.width && y + r.size.height >= size_.height;
}

void CanvasContext::clearRect(CGRect r) {
    flush();
    // Clearing a surface that is all transparent already (a view's backing
    // store is cleared before each pass, and the pass clears it again).
    if (uniform_ && uniformColour_.a == 0) return;
    bool whole = !state_.clipped && coversSurface(r);
    uniform_ = whole;
    uniformColour_ = Colour{0, 0, 0, 0};
    sync(0);
    sc_clear_rect(handle_, r.origin.x, r.origin.y, r.size.width, r.size.height);
}

void CanvasContext::selectFont(const char* name, CGFloat size, CGTextEncoding encoding) {
    if (!name) return;
    flush();
    state_.font = cssFont(name, size);
    state_.encoding = encoding;
}

void CanvasContext::setTextDrawingMode(CGTextDrawingMode mode) {
    flush();
    state_.textMode = mode;
}

void CanvasContext::setTextMatrix(CGAffineTransform m) {
    flush();
    textMatrix_ = m;
}

const char* CanvasContext::textBytes(const char* text, size_t length, size_t& outLength) {
    bool ascii = std::all_of(text, text + length, [](char c) { return c > 0 && (unsigned char)c < 0x80; });
    if (ascii) {
        outLength = length;
        return text;
    }
    textScratch_ = CGTextToUTF8(text, length, state_.encoding);
    outLength = textScratch_.size();
    return textScratch_.c_str();
}

void CanvasContext::showTextAtPoint(CGFloat x, CGFloat y, const char* text, size_t length) {
    if (!text || length == 0) return;
    flush();
    // Fill, stroke, fill then stroke, nothing (the clipping modes draw alike).
    static constexpr int kHow[4] = {1, 2, 3, 0};
    int how = kHow[int(state_.textMode) & 3];
    if (how == 0) return;
    sync(kFont | ((how & 1) ? kFill : 0) | ((how & 2) ? kStroke | kWidth : 0));
    // Canvas glyphs are drawn y-down, the platform's glyph space is y-up:
    // glyph point g goes to user space as T(flip(g)) + (x, y).
    const CGAffineTransform& t = textMatrix_;
    float a = t.a, b = t.b, c = -t.c, d = -t.d;
    // The outline keeps its user-space width whatever the matrix scales.
    float det = std::fabs(a * d - b * c);
    float lineWidth = 0;
    if ((how & 2) && det > 0 && std::fabs(det - 1) > 1e-6f) lineWidth = deviceLineWidth() / std::sqrt(det);
    size_t n = 0;
    const char* bytes = textBytes(text, length, n);
    drew();
    sc_text(handle_, bytes, n, x, y, a, b, c, d, how, lineWidth);
}

void CanvasContext::setRGBStrokeColor(CGFloat r, CGFloat g, CGFloat b, CGFloat a) {
    flush();
    state_.stroke = {clamp01(r), clamp01(g), clamp01(b), clamp01(a)};
}

void CanvasContext::setRGBFillColor(CGFloat r, CGFloat g, CGFloat b, CGFloat a) {
    flush();
    state_.fill = {clamp01(r), clamp01(g), clamp01(b), clamp01(a)};
}

void CanvasContext::setLineWidth(CGFloat width) {
    flush();
    state_.lineWidth = width < 0 ? 0 : width;
}

void CanvasContext::strokeLineSegments(const CGPoint* points, size_t count) {
    flush();
    // Like stroking a path of the segments: the current path is consumed.
    path_.clear();
    hasCurrentPoint_ = false;
    if (!points || count < 2) return;
    sync(kStroke | kWidth);
    drew();
    sc_stroke_segments(handle_, points, count, kSegmentsPerStroke);
}

void CanvasContext::beginPath() {
    flush();
    path_.clear();
    hasCurrentPoint_ = false;
}

void CanvasContext::appendPathOp(float op, std::initializer_list<float> args) {
    path_.push_back(op);
    path_.insert(path_.end(), args.begin(), args.end());
}

void CanvasContext::moveToPoint(CGFloat x, CGFloat y) {
    flush();
    appendPathOp(kMoveToPoint, {x, y});
    hasCurrentPoint_ = true;
}

void CanvasContext::addLineToPoint(CGFloat x, CGFloat y) {
    flush();
    // Without a current point the platform draws nothing for the line.
    if (!hasCurrentPoint_) return;
    appendPathOp(kAddLineToPoint, {x, y});
}

void CanvasContext::closePath() {
    flush();
    if (hasCurrentPoint_) appendPathOp(kClosePath, {});
}

void CanvasContext::addRect(CGRect r) {
    flush();
    appendPathOp(kAddRect, {r.origin.x, r.origin.y, r.size.width, r.size.height});
    hasCurrentPoint_ = true;
}

void CanvasContext::addRoundedRect(CGRect r, CGFloat radius) {
    flush();
    r = CGRectStandardize(r);
    appendPathOp(kAddRoundedRect, {r.origin.x, r.origin.y, r.size.width, r.size.height, radius});
    hasCurrentPoint_ = true;
}

void CanvasContext::drawPath(int mode) {
    flush();
    if (!path_.empty()) {
        sync(mode == 1 ? kStroke | kWidth : kFill);
        drew();
        sc_draw_path(handle_, path_.data(), path_.size(), mode);
    }
    path_.clear();
    hasCurrentPoint_ = false;
}

void CanvasContext::strokePath() { drawPath(1); }

void CanvasContext::fillPath() { drawPath(0); }

void CanvasContext::fillRect(CGRect r) {
    flush();
    path_.clear();
    hasCurrentPoint_ = false;
    // An opaque colour over pixels that all hold it already (the screen is
    // painted black, then the window's black background).
    bool opaque = state_.alpha == 1 && state_.fill.a == 1;
    if (opaque && uniform_ && !(state_.fill != uniformColour_)) return;
    bool whole = opaque && !state_.clipped && coversSurface(r);
    uniform_ = whole;
    uniformColour_ = state_.fill;
    sync(kFill);
    sc_fill_rect(handle_, r.origin.x, r.origin.y, r.size.width, r.size.height);
}

void CanvasContext::fillEllipseInRect(CGRect r) {
    // Dots are gathered and sent together; every other call flushes them
    // first, so they are drawn with the state they were queued under.
    path_.clear();
    hasCurrentPoint_ = false;
    r = CGRectStandardize(r);
    if (r.size.width <= 0 || r.size.height <= 0) return;
    drew();
    dots_.insert(dots_.end(), {r.origin.x, r.origin.y, r.size.width, r.size.height});
    if (dots_.size() >= 4 * kDotsPerBatch) flush();
}

void CanvasContext::saveGState() {
    flush();
    stack_.emplace_back(state_, applied_);
    sc_save(handle_);
}

void CanvasContext::restoreGState() {
    flush();
    if (stack_.empty()) {
        std::fprintf(stderr, "starchart: CGContextRestoreGState without a matching save\n");
        return;
    }
    // The canvas goes back to exactly what it held at the save.
    state_ = stack_.back().first;
    applied_ = stack_.back().second;
    stack_.pop_back();
    sc_restore(handle_);
}

void CanvasContext::translateCTM(CGFloat tx, CGFloat ty) {
    flush();
    state_.tx += tx;
    state_.ty += ty;
}

void CanvasContext::clipToRect(CGRect r) {
    flush();
    state_.clipped = true;
    sync(0);
    sc_clip_rect(handle_, r.origin.x, r.origin.y, r.size.width, r.size.height);
}

void CanvasContext::setAlpha(CGFloat alpha) {
    flush();
    state_.alpha = clamp01(alpha);
}

void CanvasContext::drawImage(CGRect r, const CGImageRef& image) {
    flush();
    if (!image || image->pixelWidth <= 0 || image->pixelHeight <= 0 ||
        image->rgba.size() != size_t(image->pixelWidth) * size_t(image->pixelHeight) * 4)
        return;
    sync(0);
    drew();
    sc_draw_image(handle_, imageHandle(image), r.origin.x, r.origin.y, r.size.width, r.size.height);
}

void CanvasContext::drawSurface(CGFloat x, CGFloat y, CGSurface& surface) {
    flush();
    auto* source = dynamic_cast<CanvasSurface*>(&surface);
    if (!source) return;
    source->flush();
    sync(0);
    drew();
    sc_draw_surface(handle_, source->handle(), x, y);
}

CGFloat CanvasContext::textWidth(const char* text, size_t length) {
    if (!text || length == 0) return 0;
    sync(kFont);
    size_t n = 0;
    const char* bytes = textBytes(text, length, n);
    return sc_text_width(handle_, bytes, n);
}

CanvasSurface::CanvasSurface(CGSize size, double scale) : CanvasSurface(size, scale, nullptr) {}

CanvasSurface::CanvasSurface(CGSize size, double scale, const char* selector) : size_(size), scale_(scale) {
    if (!(scale_ > 0)) scale_ = 1;
    handle_ = sc_surface_create(size.width, size.height, scale_, selector);
    if (handle_ == 0 && selector) {
        std::fprintf(stderr, "starchart: no <canvas> matches the selector \"%s\"; drawing offscreen\n",
                     selector);
        handle_ = sc_surface_create(size.width, size.height, scale_, nullptr);
    }
    context_.reset(new CanvasContext(handle_, size_, scale_));
}

CanvasSurface::~CanvasSurface() {
    context_->flush();
    sc_surface_release(handle_);
}

void CanvasSurface::flush() {
    context_->flush();
    // Between frames the browser may drop the pixels (a lost context).
    context_->uniform_ = false;
}

void CanvasSurface::resize(CGSize size, double scale) {
    size_ = size;
    scale_ = scale > 0 ? scale : 1;
    sc_surface_resize(handle_, size.width, size.height, scale_);
    context_->reset(size_, scale_);
}

bool CanvasSurface::moveOnscreen(const char* selector) {
    context_->flush();
    if (!sc_surface_adopt(handle_, selector)) return false;
    context_->reset(size_, scale_);
    return true;
}

void CanvasSurface::sync() {
    context_->flush();
    sc_surface_sync(handle_);
}

void canvasFramePresented() { sc_frame_presented(); }

double canvasDevicePixelRatio() { return sc_device_pixel_ratio(); }
