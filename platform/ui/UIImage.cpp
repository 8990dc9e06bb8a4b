// Images from the bundle, decoded from PNG, the @2x one on a 2x screen.
#include "platform/ui/UIImage.h"

#include <map>
#include <vector>

#include "platform/ui/UIColor.h"
#include "platform/ui/UIFont.h"
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
