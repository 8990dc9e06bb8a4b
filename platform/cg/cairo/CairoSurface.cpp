#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/cg/cairo/CairoContext.h"
#include "platform/cg/file/OutputFile.h"

namespace {

constexpr double kMaxPixels = 32767;

void setError(std::string* error, const std::string& message) {
    if (error) *error = message;
}

int pixelsFor(CGFloat points, double scale, const char* what) {
    const double px = std::round(double(points) * scale);
    if (!std::isfinite(px) || points < 0 || px > kMaxPixels)
        throw std::invalid_argument(std::string("CairoSurface: ") + what + " " + std::to_string(points) +
                                    " points at scale " + std::to_string(scale) +
                                    " is not a size from 0 to 32767 pixels");
    return int(px);
}

// Cairo's premultiplied ARGB32 (native-endian words) to CGImage's
// premultiplied RGBA bytes.
void argbToRgba(cairo_surface_t* s, CGImage& out) {
    const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
    const int stride = cairo_image_surface_get_stride(s);
    const bool opaque = cairo_image_surface_get_format(s) == CAIRO_FORMAT_RGB24;
    const unsigned char* data = cairo_image_surface_get_data(s);
    out.pixelWidth = w;
    out.pixelHeight = h;
    out.rgba.resize(size_t(w) * size_t(h) * 4);
    uint8_t* dst = out.rgba.data();
    for (int row = 0; row < h; ++row) {
        const auto* in = reinterpret_cast<const uint32_t*>(data + size_t(row) * size_t(stride));
        for (int col = 0; col < w; ++col, dst += 4) {
            const uint32_t p = in[col];
            dst[0] = uint8_t(p >> 16);
            dst[1] = uint8_t(p >> 8);
            dst[2] = uint8_t(p);
            dst[3] = opaque ? 255 : uint8_t(p >> 24);
        }
    }
}

cairo_status_t writeToFile(void* closure, const unsigned char* data, unsigned int length) {
    return std::fwrite(data, 1, length, static_cast<FILE*>(closure)) == length ? CAIRO_STATUS_SUCCESS
                                                                               : CAIRO_STATUS_WRITE_ERROR;
}

bool writeSurfacePng(cairo_surface_t* s, int dirFd, const std::string& path, std::string* error) {
    std::unique_ptr<OutputFile> out = OutputFile::create(dirFd, path, error);
    if (!out) return false;
    const cairo_status_t status = cairo_surface_write_to_png_stream(s, writeToFile, out->stream());
    std::string why;
    if (status != CAIRO_STATUS_SUCCESS) {
        setError(error, "cannot write PNG " + path + ": " + cairo_status_to_string(status));
        return false;  // the temporary file goes with `out`
    }
    if (!out->commit(&why)) {
        setError(error, "cannot write PNG " + path + ": " + why.substr(why.find(": ") + 2));
        return false;
    }
    return true;
}

struct MemoryReader {
    const unsigned char* data;
    size_t size, pos;
};

cairo_status_t readFromMemory(void* closure, unsigned char* data, unsigned int length) {
    auto* r = static_cast<MemoryReader*>(closure);
    if (r->size - r->pos < length) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(data, r->data + r->pos, length);
    r->pos += length;
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

CairoSurface::CairoSurface(CGSize size, double scale) : size_(size), scale_(scale) {
    if (!(scale > 0) || !std::isfinite(scale))
        throw std::invalid_argument("CairoSurface: scale " + std::to_string(scale) +
                                    " is not a positive number");
    const int w = pixelsFor(size.width, scale, "width");
    const int h = pixelsFor(size.height, scale, "height");
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) {
        const std::string why = cairo_status_to_string(cairo_surface_status(surface_));
        cairo_surface_destroy(surface_);
        throw std::invalid_argument("CairoSurface: cannot make " + std::to_string(w) + "x" +
                                    std::to_string(h) + " pixels: " + why);
    }
    context_ = std::make_unique<CairoContext>(surface_, scale);
}

CairoSurface::~CairoSurface() {
    context_.reset();
    cairo_surface_destroy(surface_);
}

void CairoSurface::flush() { cairo_surface_flush(surface_); }

int CairoSurface::pixelWidth() const { return cairo_image_surface_get_width(surface_); }
int CairoSurface::pixelHeight() const { return cairo_image_surface_get_height(surface_); }

CGImage CairoSurface::readPixels() {
    flush();
    CGImage image;
    image.scale = scale_;
    argbToRgba(surface_, image);
    return image;
}

bool CairoSurface::writePng(const std::string& path, std::string* error) {
    flush();
    return writeSurfacePng(surface_, AT_FDCWD, path, error);
}

bool CairoSurface::writePng(int dirFd, const std::string& name, std::string* error) {
    flush();
    return writeSurfacePng(surface_, dirFd, name, error);
}

struct CairoVectorSurface::Sink {
    std::unique_ptr<OutputFile> out;
    FILE* file = nullptr;
    std::string path;
    bool failed = false;
    int savedErrno = 0;
};

namespace {
cairo_status_t writeToSink(void* closure, const unsigned char* data, unsigned int length) {
    auto* sink = static_cast<CairoVectorSurface::Sink*>(closure);
    if (!sink->file || sink->failed) return CAIRO_STATUS_WRITE_ERROR;
    if (std::fwrite(data, 1, length, sink->file) != length) {
        sink->failed = true;
        sink->savedErrno = errno;
        return CAIRO_STATUS_WRITE_ERROR;
    }
    return CAIRO_STATUS_SUCCESS;
}
}  // namespace

bool CairoVectorSurface::kindForPath(const std::string& path, CairoVectorKind* kind) {
    const auto dot = path.rfind('.');
    if (dot == std::string::npos) return false;
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (ext == "svg") {
        if (kind) *kind = CairoVectorKind::SVG;
        return true;
    }
    if (ext == "pdf") {
        if (kind) *kind = CairoVectorKind::PDF;
        return true;
    }
    return false;
}

CairoVectorSurface::CairoVectorSurface(const std::string& path, CairoVectorKind kind, CGSize size)
    : size_(size), sink_(std::make_unique<Sink>()) {
    if (!(size.width > 0) || !(size.height > 0) || !std::isfinite(size.width) || !std::isfinite(size.height))
        throw std::invalid_argument("CairoVectorSurface: page size " + std::to_string(size.width) + "x" +
                                    std::to_string(size.height) + " points for " + path + " is not positive");
    sink_->path = path;
    std::string error;
    sink_->out = OutputFile::create(path, &error);
    if (!sink_->out) throw std::runtime_error(error);
    sink_->file = sink_->out->stream();
    surface_ = kind == CairoVectorKind::SVG
                   ? cairo_svg_surface_create_for_stream(writeToSink, sink_.get(), size.width, size.height)
                   : cairo_pdf_surface_create_for_stream(writeToSink, sink_.get(), size.width, size.height);
    if (kind == CairoVectorKind::SVG) cairo_svg_surface_set_document_unit(surface_, CAIRO_SVG_UNIT_PT);
    context_ = std::make_unique<CairoContext>(surface_, 1.0, 0.5);
}

CairoVectorSurface::~CairoVectorSurface() {
    if (finished_) return;
    // Never finished: whatever was drawn is not the file asked for.
    sink_->failed = true;
    finish(nullptr);
}

void CairoVectorSurface::flush() {
    if (!finished_) cairo_surface_flush(surface_);
}

bool CairoVectorSurface::finish(std::string* error) {
    if (finished_) return !sink_->failed;
    finished_ = true;
    cairo_status_t status = cairo_status(context_->cairo());
    cairo_surface_finish(surface_);
    if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(surface_);
    // The context keeps its own reference; Cairo ignores drawing on a
    // finished surface.
    cairo_surface_destroy(surface_);
    surface_ = nullptr;
    sink_->file = nullptr;
    std::string why;
    if (sink_->failed || status != CAIRO_STATUS_SUCCESS) {
        sink_->out.reset();  // removes the unfinished file
    } else if (!sink_->out->commit(&why)) {
        sink_->failed = true;
        setError(error, why);
        return false;
    }
    if (sink_->failed || status != CAIRO_STATUS_SUCCESS) {
        sink_->failed = true;
        setError(error,
                 "cannot write " + sink_->path + ": " +
                     (sink_->savedErrno ? std::strerror(sink_->savedErrno) : cairo_status_to_string(status)));
        return false;
    }
    return true;
}

CGImageRef CGImageCreateWithPNGData(const void* data, size_t size, double scale, std::string* error) {
    if (!data || size == 0) {
        setError(error, "PNG data is empty");
        return nullptr;
    }
    MemoryReader reader{static_cast<const unsigned char*>(data), size, 0};
    cairo_surface_t* s = cairo_image_surface_create_from_png_stream(readFromMemory, &reader);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        setError(error,
                 std::string("not a readable PNG image: ") + cairo_status_to_string(cairo_surface_status(s)));
        cairo_surface_destroy(s);
        return nullptr;
    }
    const cairo_format_t format = cairo_image_surface_get_format(s);
    if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24) {
        // Grey or other layouts: let Cairo convert by painting.
        const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
        cairo_surface_t* argb = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
        cairo_t* cr = cairo_create(argb);
        cairo_set_source_surface(cr, s, 0, 0);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_destroy(s);
        s = argb;
    }
    cairo_surface_flush(s);
    auto image = std::make_shared<CGImage>();
    image->scale = scale > 0 && std::isfinite(scale) ? scale : 1;
    argbToRgba(s, *image);
    cairo_surface_destroy(s);
    return image;
}

CGImageRef CGImageCreateWithPNGFile(const std::string& path, double scale, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        setError(error, "cannot open PNG file " + path + ": " + std::strerror(errno));
        return nullptr;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string why;
    CGImageRef image = CGImageCreateWithPNGData(bytes.data(), bytes.size(), scale, &why);
    if (!image) setError(error, "cannot read PNG file " + path + ": " + why);
    return image;
}

bool CGImageWritePNG(const CGImage& image, const std::string& path, std::string* error) {
    const int w = image.pixelWidth, h = image.pixelHeight;
    if (w <= 0 || h <= 0 || image.rgba.size() < size_t(w) * size_t(h) * 4) {
        setError(error, "cannot write PNG " + path + ": the image has no pixels");
        return false;
    }
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        setError(error, "cannot write PNG " + path + ": " + cairo_status_to_string(cairo_surface_status(s)));
        cairo_surface_destroy(s);
        return false;
    }
    cairo_surface_flush(s);
    unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (int row = 0; row < h; ++row) {
        auto* out = reinterpret_cast<uint32_t*>(data + size_t(row) * size_t(stride));
        const uint8_t* px = image.rgba.data() + size_t(row) * size_t(w) * 4;
        for (int col = 0; col < w; ++col, px += 4)
            out[col] = uint32_t(px[3]) << 24 | uint32_t(px[0]) << 16 | uint32_t(px[1]) << 8 | px[2];
    }
    cairo_surface_mark_dirty(s);
    const bool ok = writeSurfacePng(s, AT_FDCWD, path, error);
    cairo_surface_destroy(s);
    return ok;
}
