#include "platform/cg/cairo/CairoContext.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <list>
#include <unordered_map>
#include <vector>

#include "platform/cg/MacRoman.h"
#include "platform/cg/RecordingContext.h"
#include "platform/cg/cairo/CairoFonts.h"
#include "platform/cg/cairo/PixelOps.h"

namespace {

constexpr int kTextPhases = 4;
constexpr int kEllipsePhases = 8;
constexpr size_t kDefaultCacheLimit = size_t(64) << 20;
// Rasters larger than this a side are drawn directly, never cached.
constexpr int kMaxStampSide = 4096;
// Device positions beyond this are drawn directly (and are off any surface).
constexpr double kMaxCachedPosition = 1 << 24;
constexpr double kMiterLimit = 10;  // Cairo's default, also the platform's

int gDefaultCaches = -1;  // -1: not set, ask the environment

bool isFinite(double v) { return std::isfinite(v); }

double clamp01(double v) { return isFinite(v) ? std::min(1.0, std::max(0.0, v)) : 0.0; }

// A finite rectangle's sides, standardised; false for any other.
bool standardRect(CGRect r, double& x, double& y, double& w, double& h) {
    if (!isFinite(r.origin.x) || !isFinite(r.origin.y) || !isFinite(r.size.width) || !isFinite(r.size.height))
        return false;
    r = CGRectStandardize(r);
    x = r.origin.x, y = r.origin.y, w = r.size.width, h = r.size.height;
    return true;
}

struct GState {
    double fill[4] = {0, 0, 0, 1};
    double stroke[4] = {0, 0, 0, 1};
    double lineWidth = 1;
    double alpha = 1;
    int font = 0;  // a CGBundledFace
    double fontSize = 12;
    CGTextEncoding encoding = kCGEncodingMacRoman;
    int mode = kCGTextFill;
    CGAffineTransform textMatrix;
    bool clipped = false;  // a clip is set: fast paths stand aside
};

// A cached raster: premultiplied ARGB32 pixels trimmed to their ink, placed
// relative to the device pixel the drawing was anchored at.
struct Stamp {
    std::vector<uint32_t> px;
    int x = 0, y = 0, w = 0, h = 0;
    size_t bytes() const { return px.size() * 4 + 64; }
};

// Least recently used rasters, bounded by their bytes.
class StampCache {
public:
    const Stamp* find(uint64_t key) {
        auto it = index_.find(key);
        if (it == index_.end()) return nullptr;
        lru_.splice(lru_.begin(), lru_, it->second);
        return &it->second->second;
    }

    const Stamp* insert(uint64_t key, Stamp stamp) {
        bytes_ += stamp.bytes();
        lru_.emplace_front(key, std::move(stamp));
        index_[key] = lru_.begin();
        // The newest entry stays even when it alone exceeds the limit, so the
        // caller can draw it.
        while (bytes_ > limit_ && lru_.size() > 1) evictOldest();
        return &lru_.front().second;
    }

    void setLimit(size_t bytes) {
        limit_ = bytes;
        while (bytes_ > limit_ && !lru_.empty()) evictOldest();
    }

    void clear() {
        lru_.clear();
        index_.clear();
        bytes_ = 0;
    }

    size_t entries() const { return lru_.size(); }
    size_t bytes() const { return bytes_; }

private:
    using Entry = std::pair<uint64_t, Stamp>;

    void evictOldest() {
        bytes_ -= lru_.back().second.bytes();
        index_.erase(lru_.back().first);
        lru_.pop_back();
    }

    std::list<Entry> lru_;
    std::unordered_map<uint64_t, std::list<Entry>::iterator> index_;
    size_t bytes_ = 0;
    size_t limit_ = kDefaultCacheLimit;
};

// Everything besides glyph and phase that shapes a glyph's pixels, or a
// disc's; interned so that a cache key is one 64-bit word.
struct TextStyle {
    double size, tm[4], ctm[4], fill[4], stroke[4], lineWidth, alpha;
    int font, mode;
};
struct DiscStyle {
    double w, h;
    uint32_t colour;
    uint32_t pad;
};

template <class T>
uint32_t intern(std::vector<T>& table, const T& v) {
    for (size_t i = table.size(); i-- > 0;)
        if (std::memcmp(&table[i], &v, sizeof v) == 0) return uint32_t(i);
    table.push_back(v);
    return uint32_t(table.size() - 1);
}

constexpr uint64_t kDiscKeyBit = uint64_t(1) << 63;
constexpr size_t kMaxStyles = size_t(1) << 20;

// Drawing calls that use a temporary path of their own leave the caller's
// current path as it was, as the platform's fill-rect and text calls do.
class PathKeeper {
public:
    explicit PathKeeper(cairo_t* cr) : cr_(cr) {
        if (cairo_has_current_point(cr)) {
            saved_ = cairo_copy_path(cr);
            cairo_new_path(cr);
        }
    }
    ~PathKeeper() {
        cairo_new_path(cr_);
        if (saved_) {
            cairo_append_path(cr_, saved_);
            cairo_path_destroy(saved_);
        }
    }
    PathKeeper(const PathKeeper&) = delete;
    PathKeeper& operator=(const PathKeeper&) = delete;

private:
    cairo_t* cr_;
    cairo_path_t* saved_ = nullptr;
};

struct GlyphRun {
    cairo_glyph_t* glyphs = nullptr;
    int count = 0;
    GlyphRun() = default;
    GlyphRun(const GlyphRun&) = delete;
    GlyphRun& operator=(const GlyphRun&) = delete;
    ~GlyphRun() {
        if (glyphs) cairo_glyph_free(glyphs);
    }
    bool layout(cairo_scaled_font_t* font, double x, double y, const std::string& utf8) {
        return cairo_scaled_font_text_to_glyphs(font, x, y, utf8.data(), int(utf8.size()), &glyphs, &count,
                                                nullptr, nullptr, nullptr) == CAIRO_STATUS_SUCCESS;
    }
};

void setSource(cairo_t* cr, const double rgba[4], double alpha) {
    cairo_set_source_rgba(cr, rgba[0], rgba[1], rgba[2], rgba[3] * alpha);
}

// Fills and/or strokes a glyph run as the text drawing mode says.
void paintGlyphs(cairo_t* cr, cairo_scaled_font_t* font, const cairo_glyph_t* glyphs, int count,
                 const GState& gs, double strokeWidth, bool showGlyphs) {
    const int mode = gs.mode;
    const bool fill = mode == kCGTextFill || mode == kCGTextFillStroke;
    const bool stroke = mode == kCGTextStroke || mode == kCGTextFillStroke;
    if (!fill && !stroke) return;
    cairo_set_scaled_font(cr, font);
    if (fill && !stroke && showGlyphs) {
        // Vector output keeps plain text as text.
        setSource(cr, gs.fill, gs.alpha);
        cairo_show_glyphs(cr, glyphs, count);
        return;
    }
    cairo_new_path(cr);
    cairo_glyph_path(cr, glyphs, count);
    if (fill) {
        setSource(cr, gs.fill, gs.alpha);
        if (stroke)
            cairo_fill_preserve(cr);
        else
            cairo_fill(cr);
    }
    if (stroke) {
        setSource(cr, gs.stroke, gs.alpha);
        cairo_set_line_width(cr, strokeWidth);
        cairo_stroke(cr);
    }
}

// Splits a device coordinate into whole pixels and a phase of 1/phases pixel.
void quantise(double v, int phases, long& whole, int& phase) {
    const long long q = std::llround(v * phases);
    long long w = q / phases;
    long long p = q % phases;
    if (p < 0) p += phases, w -= 1;
    whole = long(w);
    phase = int(p);
}

}  // namespace

struct CairoContext::Impl {
    cairo_t* cr = nullptr;
    double scale = 1;
    double hairline = 1;
    bool raster = true;
    bool caches = true;
    StampCache cache;
    CairoCacheStats stats;
    GState gs;
    std::vector<GState> saved;
    cairo_font_options_t* fontOptions = nullptr;
    std::vector<TextStyle> textStyles;
    std::vector<DiscStyle> discStyles;

    // The current path again, in device units, while it is nothing but
    // separate straight segments: such a path can go the fast stroke way.
    struct ShadowPath {
        std::vector<double> segments;  // x0, y0, x1, y1 each
        bool simple = true;
        bool open = false;   // a subpath was started and has no line yet
        bool lined = false;  // the current subpath has its one line
        double sx = 0, sy = 0;
        void reset() {
            segments.clear();
            simple = true;
            open = lined = false;
        }
    } shadow;

    struct FontKey {
        int face;
        double size, a, b, c, d, xx, yx, xy, yy;
        bool operator==(const FontKey& o) const {
            return face == o.face && size == o.size && a == o.a && b == o.b && c == o.c && d == o.d &&
                   xx == o.xx && yx == o.yx && xy == o.xy && yy == o.yy;
        }
    };
    std::vector<std::pair<FontKey, cairo_scaled_font_t*>> scaledFonts;

    // For measuring glyphs before a raster is made for them.
    cairo_surface_t* scratchSurface = nullptr;
    cairo_t* scratch = nullptr;

    struct ImageEntry {
        std::weak_ptr<const CGImage> owner;
        cairo_surface_t* surface;
    };
    std::unordered_map<const CGImage*, ImageEntry> images;

    ~Impl() {
        for (auto& f : scaledFonts) cairo_scaled_font_destroy(f.second);
        for (auto& i : images) cairo_surface_destroy(i.second.surface);
        if (scratch) cairo_destroy(scratch);
        if (scratchSurface) cairo_surface_destroy(scratchSurface);
        if (fontOptions) cairo_font_options_destroy(fontOptions);
        if (cr) cairo_destroy(cr);
    }

    cairo_matrix_t ctm() const {
        cairo_matrix_t m;
        cairo_get_matrix(cr, &m);
        return m;
    }

    static double linearScale(const cairo_matrix_t& m) {
        return std::sqrt(std::fabs(m.xx * m.yy - m.xy * m.yx));
    }

    // Width that strokes use, in user units: width 0 is one hairline.
    double strokeWidth(const cairo_matrix_t& m) const {
        if (gs.lineWidth > 0) return gs.lineWidth;
        const double s = linearScale(m);
        return s > 0 ? hairline / s : 0;
    }

    // The bundled face a font name selects; loading it here makes a missing
    // face fail when the font is chosen, not at some later draw.
    static int faceIndex(const char* name) {
        const CGBundledFace face = CGFaceForFontName(name);
        CairoBundledFace(face);
        return int(face);
    }

    // The font as placed by the text matrix and size, for the given CTM; null
    // when the placement is degenerate and nothing can be drawn.
    cairo_scaled_font_t* scaledFont(const cairo_matrix_t& m, const GState& g) {
        const auto& t = g.textMatrix;
        const double s = g.fontSize;
        const double det = (double(t.a) * t.d - double(t.b) * t.c) * s * s;
        if (!isFinite(det) || det == 0 || linearScale(m) == 0 || !isFinite(linearScale(m))) return nullptr;
        const FontKey key{g.font, s, t.a, t.b, t.c, t.d, m.xx, m.yx, m.xy, m.yy};
        for (auto& f : scaledFonts)
            if (f.first == key) return f.second;
        // Glyph outlines come y-down from Cairo; flip them to the platform's
        // y-up glyph space, then apply size and text matrix.
        cairo_matrix_t fm;
        cairo_matrix_init(&fm, t.a * s, t.b * s, -t.c * s, -t.d * s, 0, 0);
        cairo_matrix_t lin = m;
        lin.x0 = lin.y0 = 0;
        cairo_scaled_font_t* font =
            CairoCreateScaledFont(CairoBundledFace(CGBundledFace(g.font)), fm, lin, fontOptions);
        if (cairo_scaled_font_status(font) != CAIRO_STATUS_SUCCESS) {
            cairo_scaled_font_destroy(font);
            return nullptr;
        }
        if (scaledFonts.size() >= 16) {
            for (auto& f : scaledFonts) cairo_scaled_font_destroy(f.second);
            scaledFonts.clear();
        }
        scaledFonts.emplace_back(key, font);
        return font;
    }

    // The target's pixels when the fast paths may write them directly: a
    // 32-bit image, no clip in force.
    bool directPixels(PixelBuffer& buf) const {
        if (!caches || !raster || gs.clipped) return false;
        cairo_surface_t* t = cairo_get_target(cr);
        if (cairo_image_surface_get_format(t) != CAIRO_FORMAT_ARGB32) return false;
        cairo_surface_flush(t);
        buf.data = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(t));
        buf.stride = cairo_image_surface_get_stride(t) / 4;
        buf.width = cairo_image_surface_get_width(t);
        buf.height = cairo_image_surface_get_height(t);
        return buf.data != nullptr;
    }

    void markDirty(const PixelBox& box) {
        if (!box.empty())
            cairo_surface_mark_dirty_rectangle(cairo_get_target(cr), box.x0, box.y0, box.x1 - box.x0,
                                               box.y1 - box.y0);
    }

    // Draws a stamp anchored at device pixel (x, y): straight into the pixels
    // when `buf` has them, else through Cairo (which honours the clip).
    void drawStamp(const Stamp& stamp, long x, long y, PixelBuffer* buf, PixelBox& touched) {
        if (stamp.px.empty()) return;
        if (buf) {
            touched.add(blendOver(*buf, stamp.px.data(), stamp.w, stamp.w, stamp.h, int(x + stamp.x),
                                  int(y + stamp.y)));
            return;
        }
        cairo_surface_t* s = cairo_image_surface_create_for_data(
            reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(stamp.px.data())), CAIRO_FORMAT_ARGB32,
            stamp.w, stamp.h, stamp.w * 4);
        cairo_matrix_t saved;
        cairo_get_matrix(cr, &saved);
        cairo_identity_matrix(cr);
        cairo_set_source_surface(cr, s, double(x + stamp.x), double(y + stamp.y));
        cairo_paint(cr);
        cairo_set_matrix(cr, &saved);
        cairo_set_source_rgb(cr, 0, 0, 0);  // let go of the borrowed pixels
        cairo_surface_destroy(s);
    }

    void resetStylesIfFull() {
        if (textStyles.size() < kMaxStyles && discStyles.size() < kMaxStyles) return;
        textStyles.clear();
        discStyles.clear();
        cache.clear();
    }

    // Strokes device-space segments on the fast way, if it applies.
    bool strokeSegmentsFast(const double* seg, size_t count, const cairo_matrix_t& m) {
        if (m.xy != 0 || m.yx != 0 || std::fabs(std::fabs(m.xx) - std::fabs(m.yy)) > 1e-12) return false;
        // Separate composites double up where translucent segments cross;
        // one Cairo stroke would not.
        if (gs.stroke[3] * gs.alpha < 1) return false;
        PixelBuffer buf;
        if (!directPixels(buf)) return false;
        const double width = strokeWidth(m) * std::fabs(m.xx);
        const uint32_t colour =
            premultipliedColour(gs.stroke[0], gs.stroke[1], gs.stroke[2], gs.stroke[3] * gs.alpha);
        PixelBox touched;
        for (size_t i = 0; i < count; ++i, seg += 4)
            touched.add(strokeSegment(buf, seg[0], seg[1], seg[2], seg[3], width, colour));
        markDirty(touched);
        return true;
    }

    void showText(double x, double y, const std::string& utf8);
    bool showTextCached(double x, double y, const std::string& utf8, const cairo_matrix_t& m);
    bool fillEllipseCached(double x, double y, double w, double h, const cairo_matrix_t& m);
    cairo_surface_t* imageSurface(const CGImageRef& image);
};

namespace {
// The pixels of a freshly drawn ARGB32 surface, trimmed to their ink, as a
// stamp whose offsets continue from (bx, by).
Stamp trimmedStamp(cairo_surface_t* s, int bx, int by) {
    cairo_surface_flush(s);
    const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
    const int stride = cairo_image_surface_get_stride(s) / 4;
    const auto* px = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(s));
    int x0 = w, y0 = h, x1 = 0, y1 = 0;
    for (int row = 0; row < h; ++row)
        for (int col = 0; col < w; ++col)
            if (px[size_t(row) * size_t(stride) + size_t(col)]) {
                x0 = std::min(x0, col), x1 = std::max(x1, col + 1);
                y0 = std::min(y0, row), y1 = std::max(y1, row + 1);
            }
    Stamp stamp;
    if (x1 <= x0) return stamp;
    stamp.x = bx + x0, stamp.y = by + y0, stamp.w = x1 - x0, stamp.h = y1 - y0;
    stamp.px.resize(size_t(stamp.w) * size_t(stamp.h));
    for (int row = 0; row < stamp.h; ++row)
        std::memcpy(&stamp.px[size_t(row) * size_t(stamp.w)],
                    px + size_t(row + y0) * size_t(stride) + size_t(x0), size_t(stamp.w) * 4);
    return stamp;
}
}  // namespace

void CairoContext::Impl::showText(double x, double y, const std::string& utf8) {
    if (gs.mode == kCGTextInvisible || utf8.empty()) return;
    const cairo_matrix_t m = ctm();
    if (caches && raster && showTextCached(x, y, utf8, m)) return;
    cairo_scaled_font_t* font = scaledFont(m, gs);
    if (!font) return;
    GlyphRun run;
    if (!run.layout(font, x, y, utf8)) return;
    PathKeeper keep(cr);
    paintGlyphs(cr, font, run.glyphs, run.count, gs, strokeWidth(m), !raster);
}

// Glyph by glyph from the cache: a glyph's raster depends on the style, the
// glyph and its sub-pixel phase only, so labels that move share them.
bool CairoContext::Impl::showTextCached(double x, double y, const std::string& utf8,
                                        const cairo_matrix_t& m) {
    // Fill and stroke are two compositing steps; with a global alpha the
    // outline blends over the fill differently from one blended raster.
    if (gs.mode == kCGTextFillStroke && gs.alpha < 1) return false;
    cairo_scaled_font_t* font = scaledFont(m, gs);
    if (!font) return true;  // degenerate placement: nothing to draw either way
    GlyphRun run;
    if (!run.layout(font, x, y, utf8)) return false;
    for (int i = 0; i < run.count; ++i) {
        const cairo_glyph_t& g = run.glyphs[i];
        const double dx = m.xx * g.x + m.xy * g.y + m.x0, dy = m.yx * g.x + m.yy * g.y + m.y0;
        if (!(std::fabs(dx) < kMaxCachedPosition && std::fabs(dy) < kMaxCachedPosition)) return false;
        if (g.index > 0xFFFFFFFFul) return false;
    }

    const bool fill = gs.mode == kCGTextFill || gs.mode == kCGTextFillStroke;
    const bool stroke = gs.mode == kCGTextStroke || gs.mode == kCGTextFillStroke;
    const double strokeUser = strokeWidth(m);
    resetStylesIfFull();
    TextStyle style;
    std::memset(&style, 0, sizeof style);
    style.size = gs.fontSize;
    style.tm[0] = gs.textMatrix.a, style.tm[1] = gs.textMatrix.b;
    style.tm[2] = gs.textMatrix.c, style.tm[3] = gs.textMatrix.d;
    style.ctm[0] = m.xx, style.ctm[1] = m.yx, style.ctm[2] = m.xy, style.ctm[3] = m.yy;
    for (int i = 0; i < 4; ++i) {
        style.fill[i] = fill ? gs.fill[i] : 0;
        style.stroke[i] = stroke ? gs.stroke[i] : 0;
    }
    style.lineWidth = stroke ? strokeUser : 0;
    style.alpha = gs.alpha;
    style.font = gs.font;
    style.mode = gs.mode;
    const uint64_t styleId = intern(textStyles, style);

    PixelBuffer buf;
    const bool direct = directPixels(buf);
    PixelBox touched;
    for (int i = 0; i < run.count; ++i) {
        const cairo_glyph_t& g = run.glyphs[i];
        long ix, iy;
        int kx, ky;
        quantise(m.xx * g.x + m.xy * g.y + m.x0, kTextPhases, ix, kx);
        quantise(m.yx * g.x + m.yy * g.y + m.y0, kTextPhases, iy, ky);
        const uint64_t key = styleId << 40 | uint64_t(g.index) << 8 | uint64_t(kx) << 4 | uint64_t(ky);
        const Stamp* stamp = cache.find(key);
        if (stamp) {
            ++stats.textHits;
        } else {
            ++stats.textMisses;
            // Ink bounds in device pixels, glyph origin at the phase offset.
            const double px = double(kx) / kTextPhases, py = double(ky) / kTextPhases;
            const cairo_glyph_t one = {g.index, 0, 0};
            cairo_matrix_t placed = m;
            placed.x0 = px;
            placed.y0 = py;
            cairo_set_matrix(scratch, &placed);
            cairo_set_scaled_font(scratch, font);
            cairo_new_path(scratch);
            cairo_glyph_path(scratch, &one, 1);
            cairo_identity_matrix(scratch);
            double x1, y1, x2, y2;
            cairo_path_extents(scratch, &x1, &y1, &x2, &y2);
            cairo_new_path(scratch);
            Stamp made;
            if (x2 > x1 || y2 > y1) {
                // Miter joins reach out up to half the miter limit times the width.
                const double pad =
                    2 + (stroke ? std::ceil(kMiterLimit * strokeUser * linearScale(m) / 2) : 0);
                const int bx = int(std::floor(x1 - pad)), by = int(std::floor(y1 - pad));
                const int w = int(std::ceil(x2 + pad)) - bx, h = int(std::ceil(y2 + pad)) - by;
                if (w > kMaxStampSide || h > kMaxStampSide) return false;
                cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
                if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) {
                    cairo_t* c = cairo_create(s);
                    placed.x0 = px - bx;
                    placed.y0 = py - by;
                    cairo_set_matrix(c, &placed);
                    paintGlyphs(c, font, &one, 1, gs, strokeUser, false);
                    cairo_destroy(c);
                    made = trimmedStamp(s, bx, by);
                }
                cairo_surface_destroy(s);
            }
            stamp = cache.insert(key, std::move(made));
        }
        drawStamp(*stamp, ix, iy, direct ? &buf : nullptr, touched);
    }
    if (direct) markDirty(touched);
    return true;
}

bool CairoContext::Impl::fillEllipseCached(double x, double y, double w, double h, const cairo_matrix_t& m) {
    if (m.xy != 0 || m.yx != 0) return false;
    double dx = m.xx * x + m.x0, dy = m.yy * y + m.y0;
    double dw = m.xx * w, dh = m.yy * h;
    if (dw < 0) dx += dw, dw = -dw;
    if (dh < 0) dy += dh, dh = -dh;
    if (!(std::fabs(dx) < kMaxCachedPosition && std::fabs(dy) < kMaxCachedPosition)) return false;
    if (dw > kMaxStampSide - 4 || dh > kMaxStampSide - 4) return false;
    long ix, iy;
    int kx, ky;
    quantise(dx, kEllipsePhases, ix, kx);
    quantise(dy, kEllipsePhases, iy, ky);

    resetStylesIfFull();
    DiscStyle style;
    std::memset(&style, 0, sizeof style);
    style.w = dw;
    style.h = dh;
    style.colour = premultipliedColour(gs.fill[0], gs.fill[1], gs.fill[2], gs.fill[3] * gs.alpha);
    const uint64_t key =
        kDiscKeyBit | uint64_t(intern(discStyles, style)) << 40 | uint64_t(kx) << 8 | uint64_t(ky);

    const Stamp* stamp = cache.find(key);
    if (stamp) {
        ++stats.ellipseHits;
    } else {
        ++stats.ellipseMisses;
        const double px = double(kx) / kEllipsePhases, py = double(ky) / kEllipsePhases;
        const int bx = -1, by = -1;
        const int sw = int(std::ceil(px + dw)) + 1 - bx, sh = int(std::ceil(py + dh)) + 1 - by;
        cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, sw, sh);
        Stamp made;
        if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) {
            cairo_t* c = cairo_create(s);
            cairo_translate(c, px - bx + dw / 2, py - by + dh / 2);
            cairo_scale(c, dw / 2, dh / 2);
            cairo_arc(c, 0, 0, 1, 0, 2 * M_PI);
            setSource(c, gs.fill, gs.alpha);
            cairo_fill(c);
            cairo_destroy(c);
            made = trimmedStamp(s, bx, by);
        }
        cairo_surface_destroy(s);
        stamp = cache.insert(key, std::move(made));
    }
    PixelBuffer buf;
    const bool direct = directPixels(buf);
    PixelBox touched;
    drawStamp(*stamp, ix, iy, direct ? &buf : nullptr, touched);
    if (direct) markDirty(touched);
    return true;
}

// Converts (once per image, while it lives) to Cairo's pixel layout.
cairo_surface_t* CairoContext::Impl::imageSurface(const CGImageRef& image) {
    for (auto it = images.begin(); it != images.end();) {
        if (it->second.owner.expired()) {
            cairo_surface_destroy(it->second.surface);
            it = images.erase(it);
        } else {
            ++it;
        }
    }
    auto found = images.find(image.get());
    if (found != images.end()) return found->second.surface;
    const int w = image->pixelWidth, h = image->pixelHeight;
    if (w <= 0 || h <= 0 || image->rgba.size() < size_t(w) * size_t(h) * 4) return nullptr;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return nullptr;
    }
    cairo_surface_flush(s);
    unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (int row = 0; row < h; ++row) {
        auto* out = reinterpret_cast<uint32_t*>(data + size_t(row) * size_t(stride));
        const uint8_t* in = image->rgba.data() + size_t(row) * size_t(w) * 4;
        for (int col = 0; col < w; ++col, in += 4)
            out[col] = uint32_t(in[3]) << 24 | uint32_t(in[0]) << 16 | uint32_t(in[1]) << 8 | in[2];
    }
    cairo_surface_mark_dirty(s);
    images.emplace(image.get(), ImageEntry{image, s});
    return s;
}

CairoContext::CairoContext(cairo_surface_t* target, double scale, double hairline) : impl_(new Impl) {
    Impl& d = *impl_;
    d.cr = cairo_create(target);
    d.scale = scale > 0 && isFinite(scale) ? scale : 1;
    d.hairline = hairline > 0 && isFinite(hairline) ? hairline : 1;
    d.raster = cairo_surface_get_type(target) == CAIRO_SURFACE_TYPE_IMAGE;
    d.caches = defaultCachesEnabled();
    cairo_scale(d.cr, d.scale, d.scale);
    cairo_set_line_cap(d.cr, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(d.cr, CAIRO_LINE_JOIN_MITER);
    cairo_set_miter_limit(d.cr, kMiterLimit);
    // Unhinted outlines at their exact positions: the same shapes at every
    // size and sub-pixel offset, and advance widths that scale linearly.
    d.fontOptions = CairoCreateFontOptions();
    d.gs.font = d.faceIndex("Helvetica");
    d.scratchSurface = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
    d.scratch = cairo_create(d.scratchSurface);
}

CairoContext::~CairoContext() = default;

cairo_t* CairoContext::cairo() const { return impl_->cr; }
double CairoContext::scale() const { return impl_->scale; }

void CairoContext::setCachesEnabled(bool on) { impl_->caches = on; }
bool CairoContext::cachesEnabled() const { return impl_->caches && impl_->raster; }
void CairoContext::setDefaultCachesEnabled(bool on) { gDefaultCaches = on ? 1 : 0; }
bool CairoContext::defaultCachesEnabled() {
    if (gDefaultCaches < 0) {
        const char* env = std::getenv("STARCHART_CG_CACHE");
        gDefaultCaches = env && std::strcmp(env, "0") == 0 ? 0 : 1;
    }
    return gDefaultCaches == 1;
}
void CairoContext::setCacheLimit(size_t bytes) { impl_->cache.setLimit(bytes); }
void CairoContext::clearCaches() { impl_->cache.clear(); }
CairoCacheStats CairoContext::cacheStats() const {
    CairoCacheStats s = impl_->stats;
    s.entries = impl_->cache.entries();
    s.bytes = impl_->cache.bytes();
    return s;
}

void CairoContext::clearRect(CGRect r) {
    double x, y, w, h;
    if (!standardRect(r, x, y, w, h)) return;
    cairo_t* cr = impl_->cr;
    PathKeeper keep(cr);
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
    cairo_restore(cr);
}

void CairoContext::selectFont(const char* name, CGFloat size, CGTextEncoding encoding) {
    if (!name) return;
    impl_->gs.font = impl_->faceIndex(name);
    impl_->gs.fontSize = size;
    impl_->gs.encoding = encoding;
}

void CairoContext::setTextDrawingMode(CGTextDrawingMode mode) {
    // The clipping modes (4..7) draw as their non-clipping counterparts.
    const int m = int(mode);
    if (m >= 0 && m <= 7) impl_->gs.mode = m & 3;
}

void CairoContext::setTextMatrix(CGAffineTransform m) { impl_->gs.textMatrix = m; }

void CairoContext::showTextAtPoint(CGFloat x, CGFloat y, const char* text, size_t length) {
    if (!text || !isFinite(x) || !isFinite(y)) return;
    impl_->showText(x, y, CGTextToUTF8(text, length, impl_->gs.encoding));
}

void CairoContext::setRGBStrokeColor(CGFloat r, CGFloat g, CGFloat b, CGFloat a) {
    double* c = impl_->gs.stroke;
    c[0] = clamp01(r), c[1] = clamp01(g), c[2] = clamp01(b), c[3] = clamp01(a);
}

void CairoContext::setRGBFillColor(CGFloat r, CGFloat g, CGFloat b, CGFloat a) {
    double* c = impl_->gs.fill;
    c[0] = clamp01(r), c[1] = clamp01(g), c[2] = clamp01(b), c[3] = clamp01(a);
}

void CairoContext::setLineWidth(CGFloat width) {
    if (isFinite(width)) impl_->gs.lineWidth = std::max(0.0, double(width));
}

void CairoContext::strokeLineSegments(const CGPoint* points, size_t count) {
    Impl& d = *impl_;
    // One path of independent segments, stroked once, as the platform does.
    beginPath();
    if (!points) return;
    const cairo_matrix_t m = d.ctm();
    if (d.caches && d.raster) {
        std::vector<double>& seg = d.shadow.segments;
        for (size_t i = 0; i + 1 < count; i += 2) {
            const CGPoint a = points[i], b = points[i + 1];
            if (!isFinite(a.x) || !isFinite(a.y) || !isFinite(b.x) || !isFinite(b.y)) continue;
            seg.push_back(m.xx * a.x + m.xy * a.y + m.x0);
            seg.push_back(m.yx * a.x + m.yy * a.y + m.y0);
            seg.push_back(m.xx * b.x + m.xy * b.y + m.x0);
            seg.push_back(m.yx * b.x + m.yy * b.y + m.y0);
        }
        const bool done = d.strokeSegmentsFast(seg.data(), seg.size() / 4, m);
        d.shadow.reset();
        if (done) return;
    }
    for (size_t i = 0; i + 1 < count; i += 2) {
        const CGPoint a = points[i], b = points[i + 1];
        if (!isFinite(a.x) || !isFinite(a.y) || !isFinite(b.x) || !isFinite(b.y)) continue;
        cairo_move_to(d.cr, a.x, a.y);
        cairo_line_to(d.cr, b.x, b.y);
    }
    strokePath();
}

void CairoContext::beginPath() {
    cairo_new_path(impl_->cr);
    impl_->shadow.reset();
}

void CairoContext::moveToPoint(CGFloat x, CGFloat y) {
    if (!isFinite(x) || !isFinite(y)) return;
    Impl& d = *impl_;
    cairo_move_to(d.cr, x, y);
    double dx = x, dy = y;
    cairo_user_to_device(d.cr, &dx, &dy);
    d.shadow.open = true;
    d.shadow.lined = false;
    d.shadow.sx = dx;
    d.shadow.sy = dy;
}

void CairoContext::addLineToPoint(CGFloat x, CGFloat y) {
    Impl& d = *impl_;
    // Without a current point the platform ignores the line.
    if (!isFinite(x) || !isFinite(y) || !cairo_has_current_point(d.cr)) return;
    cairo_line_to(d.cr, x, y);
    auto& sh = d.shadow;
    if (!sh.open || sh.lined) {
        sh.simple = false;  // a polyline: its joins need the real stroker
        return;
    }
    double dx = x, dy = y;
    cairo_user_to_device(d.cr, &dx, &dy);
    sh.segments.insert(sh.segments.end(), {sh.sx, sh.sy, dx, dy});
    sh.lined = true;
}

void CairoContext::strokePath() {
    Impl& d = *impl_;
    const cairo_matrix_t m = d.ctm();
    if (d.caches && d.raster && d.shadow.simple &&
        d.strokeSegmentsFast(d.shadow.segments.data(), d.shadow.segments.size() / 4, m)) {
        beginPath();
        return;
    }
    setSource(d.cr, d.gs.stroke, d.gs.alpha);
    cairo_set_line_width(d.cr, d.strokeWidth(m));
    cairo_stroke(d.cr);
    d.shadow.reset();
}

void CairoContext::fillRect(CGRect r) {
    double x, y, w, h;
    if (!standardRect(r, x, y, w, h)) return;
    Impl& d = *impl_;
    PathKeeper keep(d.cr);
    cairo_rectangle(d.cr, x, y, w, h);
    setSource(d.cr, d.gs.fill, d.gs.alpha);
    cairo_fill(d.cr);
}

void CairoContext::fillEllipseInRect(CGRect r) {
    Impl& d = *impl_;
    // Like the platform, this leaves no current path behind.
    beginPath();
    double x, y, w, h;
    if (!standardRect(r, x, y, w, h) || w == 0 || h == 0) return;
    const cairo_matrix_t m = d.ctm();
    if (d.caches && d.raster && d.fillEllipseCached(x, y, w, h, m)) return;
    cairo_translate(d.cr, x + w / 2, y + h / 2);
    cairo_scale(d.cr, w / 2, h / 2);
    cairo_arc(d.cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_set_matrix(d.cr, &m);
    setSource(d.cr, d.gs.fill, d.gs.alpha);
    cairo_fill(d.cr);
}

void CairoContext::saveGState() {
    impl_->saved.push_back(impl_->gs);
    cairo_save(impl_->cr);
}

void CairoContext::restoreGState() {
    // An unbalanced restore is ignored; Cairo would stop drawing for good.
    if (impl_->saved.empty()) return;
    impl_->gs = impl_->saved.back();
    impl_->saved.pop_back();
    cairo_restore(impl_->cr);
}

void CairoContext::translateCTM(CGFloat tx, CGFloat ty) {
    if (isFinite(tx) && isFinite(ty)) cairo_translate(impl_->cr, tx, ty);
}

void CairoContext::clipToRect(CGRect r) {
    double x, y, w, h;
    if (!standardRect(r, x, y, w, h)) return;
    PathKeeper keep(impl_->cr);
    cairo_rectangle(impl_->cr, x, y, w, h);
    cairo_clip(impl_->cr);
    impl_->gs.clipped = true;
}

void CairoContext::setAlpha(CGFloat alpha) { impl_->gs.alpha = clamp01(alpha); }

void CairoContext::addRect(CGRect r) {
    double x, y, w, h;
    if (!standardRect(r, x, y, w, h)) return;
    cairo_rectangle(impl_->cr, x, y, w, h);
    impl_->shadow.simple = false;
}

void CairoContext::addRoundedRect(CGRect r, CGFloat radius) {
    double x, y, w, h;
    if (!standardRect(r, x, y, w, h)) return;
    double rad = isFinite(radius) ? std::min(double(radius), std::min(w, h) / 2) : 0;
    cairo_t* cr = impl_->cr;
    impl_->shadow.simple = false;
    if (rad <= 0) {
        cairo_rectangle(cr, x, y, w, h);
        return;
    }
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - rad, y + rad, rad, -M_PI / 2, 0);
    cairo_arc(cr, x + w - rad, y + h - rad, rad, 0, M_PI / 2);
    cairo_arc(cr, x + rad, y + h - rad, rad, M_PI / 2, M_PI);
    cairo_arc(cr, x + rad, y + rad, rad, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

void CairoContext::closePath() {
    if (!cairo_has_current_point(impl_->cr)) return;
    cairo_close_path(impl_->cr);
    impl_->shadow.simple = false;
}

void CairoContext::fillPath() {
    Impl& d = *impl_;
    setSource(d.cr, d.gs.fill, d.gs.alpha);
    cairo_fill(d.cr);
    d.shadow.reset();
}

void CairoContext::drawImage(CGRect r, const CGImageRef& image) {
    double x, y, w, h;
    if (!image || !standardRect(r, x, y, w, h) || w == 0 || h == 0) return;
    Impl& d = *impl_;
    cairo_surface_t* s = d.imageSurface(image);
    if (!s) return;
    PathKeeper keep(d.cr);
    cairo_pattern_t* p = cairo_pattern_create_for_surface(s);
    cairo_matrix_t pm;
    cairo_matrix_init_scale(&pm, image->pixelWidth / w, image->pixelHeight / h);
    cairo_matrix_translate(&pm, -x, -y);
    cairo_pattern_set_matrix(p, &pm);
    cairo_pattern_set_extend(p, CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(p, CAIRO_FILTER_GOOD);
    cairo_save(d.cr);
    cairo_rectangle(d.cr, x, y, w, h);
    cairo_clip(d.cr);
    cairo_set_source(d.cr, p);
    cairo_paint_with_alpha(d.cr, d.gs.alpha);
    cairo_restore(d.cr);
    cairo_pattern_destroy(p);
}

namespace {
// The Cairo pixels behind a surface, looking through recording wrappers.
cairo_surface_t* cairoPixelsOf(CGSurface& surface) {
    if (auto* s = dynamic_cast<CairoSurface*>(&surface)) return s->cairoSurface();
    if (auto* r = dynamic_cast<RecordingSurface*>(&surface))
        return r->wrapped() ? cairoPixelsOf(*r->wrapped()) : nullptr;
    return nullptr;
}
}  // namespace

void CairoContext::drawSurface(CGFloat x, CGFloat y, CGSurface& surface) {
    if (!isFinite(x) || !isFinite(y)) return;
    cairo_surface_t* src = cairoPixelsOf(surface);
    Impl& d = *impl_;
    if (!src || src == cairo_get_target(d.cr)) return;
    const double srcScale = surface.scale() > 0 ? surface.scale() : 1;
    cairo_surface_flush(src);
    cairo_pattern_t* p = cairo_pattern_create_for_surface(src);
    cairo_matrix_t pm;
    cairo_matrix_init_scale(&pm, srcScale, srcScale);
    cairo_matrix_translate(&pm, -x, -y);
    cairo_pattern_set_matrix(p, &pm);
    cairo_set_source(d.cr, p);
    cairo_paint_with_alpha(d.cr, d.gs.alpha);
    cairo_pattern_destroy(p);
}

CGFloat CairoContext::textWidth(const char* text, size_t length) {
    Impl& d = *impl_;
    if (!text) return 0;
    // Along the baseline, in points, whatever the text matrix and CTM.
    GState upright = d.gs;
    upright.textMatrix = CGAffineTransformMake(1, 0, 0, -1, 0, 0);
    upright.fontSize = std::fabs(d.gs.fontSize);
    cairo_matrix_t identity;
    cairo_matrix_init_identity(&identity);
    cairo_scaled_font_t* font = d.scaledFont(identity, upright);
    if (!font) return 0;
    const std::string utf8 = CGTextToUTF8(text, length, d.gs.encoding);
    cairo_text_extents_t ext;
    cairo_scaled_font_text_extents(font, utf8.c_str(), &ext);
    return CGFloat(ext.x_advance);
}
