// Colours, fonts and images.
#include <map>
#include <vector>

#include "platform/ui/UIColor.h"
#include "platform/ui/UIFont.h"
#include "platform/ui/UIImage.h"
#include "platform/ui/UIScreen.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#endif
#include <stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

std::shared_ptr<UIColor> UIColor::colorWithRed(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha) {
    return std::make_shared<UIColor>(red, green, blue, alpha);
}
std::shared_ptr<UIColor> UIColor::colorWithWhite(CGFloat white, CGFloat alpha) {
    return std::make_shared<UIColor>(white, white, white, alpha);
}
std::shared_ptr<UIColor> UIColor::whiteColor() { return colorWithWhite(1, 1); }
std::shared_ptr<UIColor> UIColor::blackColor() { return colorWithWhite(0, 1); }
std::shared_ptr<UIColor> UIColor::clearColor() { return colorWithWhite(0, 0); }
std::shared_ptr<UIColor> UIColor::grayColor() { return colorWithWhite(0.5f, 1); }
std::shared_ptr<UIColor> UIColor::lightGrayColor() { return colorWithWhite(2.0f / 3, 1); }
std::shared_ptr<UIColor> UIColor::darkGrayColor() { return colorWithWhite(1.0f / 3, 1); }
std::shared_ptr<UIColor> UIColor::redColor() { return colorWithRed(1, 0, 0, 1); }
std::shared_ptr<UIColor> UIColor::greenColor() { return colorWithRed(0, 1, 0, 1); }
std::shared_ptr<UIColor> UIColor::blueColor() { return colorWithRed(0, 0, 1, 1); }

std::shared_ptr<UIColor> UIColor::colorWithAlphaComponent(CGFloat alpha) const {
    return colorWithRed(r_, g_, b_, alpha);
}
void UIColor::set(CGContextRef ctx) const {
    setFill(ctx);
    setStroke(ctx);
}
void UIColor::setFill(CGContextRef ctx) const { ctx->setRGBFillColor(r_, g_, b_, a_); }
void UIColor::setStroke(CGContextRef ctx) const { ctx->setRGBStrokeColor(r_, g_, b_, a_); }

std::shared_ptr<UIFont> UIFont::systemFontOfSize(CGFloat size) {
    return std::make_shared<UIFont>("Helvetica", size);
}
std::shared_ptr<UIFont> UIFont::boldSystemFontOfSize(CGFloat size) {
    return std::make_shared<UIFont>("Helvetica-Bold", size);
}
std::shared_ptr<UIFont> UIFont::fontWithName(const NSString& name, CGFloat size) {
    if (name.empty() || !(size > 0)) return nullptr;
    return std::make_shared<UIFont>(name, size);
}
void UIFont::selectIn(CGContextRef ctx) const {
    ctx->selectFont(name_.c_str(), size_, kCGEncodingMacRoman);
    ctx->setTextDrawingMode(kCGTextFill);
    ctx->setTextMatrix(CGAffineTransformMake(1, 0, 0, -1, 0, 0));
}

namespace {
std::map<std::string, std::shared_ptr<UIImage>>& imageCache() {
    static std::map<std::string, std::shared_ptr<UIImage>> cache;
    return cache;
}
}  // namespace

std::shared_ptr<UIImage> UIImage::imageWithData(const std::string& bytes, double scale) {
    if (bytes.empty() || bytes.size() > 0x7fffffff) return nullptr;
    int w = 0, h = 0, n = 0;
    unsigned char* px = stbi_load_from_memory(reinterpret_cast<const unsigned char*>(bytes.data()),
                                              int(bytes.size()), &w, &h, &n, 4);
    if (!px) return nullptr;
    auto img = std::make_shared<::CGImage>();
    img->pixelWidth = w;
    img->pixelHeight = h;
    img->scale = scale > 0 ? scale : 1;
    img->rgba.assign(px, px + size_t(w) * size_t(h) * 4);
    stbi_image_free(px);
    for (size_t i = 0; i < img->rgba.size(); i += 4) {  // premultiply
        unsigned a = img->rgba[i + 3];
        for (int c = 0; c < 3; ++c) img->rgba[i + c] = uint8_t((img->rgba[i + c] * a + 127) / 255);
    }
    return std::make_shared<UIImage>(CGImageRef(img));
}

std::shared_ptr<UIImage> UIImage::imageNamed(const NSString& name) {
    if (name.empty()) return nullptr;
    NSString base = name;
    if (base.size() > 4 && base.compare(base.size() - 4, 4, ".png") == 0) base.resize(base.size() - 4);
    // Candidates in order of preference, with their scale.
    std::vector<std::pair<NSString, double>> candidates;
    if (UIScreen::currentProfile().pixelRatio >= 2) candidates.push_back({base + "@2x.png", 2});
    candidates.push_back({base + ".png", 1});
    candidates.push_back({name, 1});
    const NSBundle* bundle = NSBundle::mainBundle();
    auto& cache = imageCache();
    for (const auto& c : candidates) {
        const std::string* data = bundle->dataForResource(c.first);
        if (!data) continue;
        auto it = cache.find(c.first);
        if (it != cache.end()) return it->second;
        auto image = imageWithData(*data, c.second);
        if (image) cache[c.first] = image;
        return image;
    }
    return nullptr;
}

void UIImage::clearCache() { imageCache().clear(); }

CGSize UIImage::size() const { return image_ ? image_->size() : CGSize{0, 0}; }
double UIImage::scale() const { return image_ ? image_->scale : 1; }
