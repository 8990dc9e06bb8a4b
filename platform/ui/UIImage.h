// Bitmap images from the bundle (PNG), decoded once and cached by name.
#pragma once

#include <memory>

#include "platform/cg/CoreGraphics.h"
#include "platform/ui/Foundation.h"

class UIImage : public NSObject {
public:
    // The image of that file name ("strtstp2.png"; the ".png" may be left out),
    // or nullptr when the bundle has no such image or it cannot be decoded.
    // On a 2x screen "name@2x.png" is preferred when bundled.
    static std::shared_ptr<UIImage> imageNamed(const NSString& name);
    // Decodes PNG bytes; nullptr if they are not an image.
    static std::shared_ptr<UIImage> imageWithData(const std::string& bytes, double scale = 1);
    explicit UIImage(CGImageRef image) : image_(std::move(image)) {}

    CGSize size() const;  // in points
    double scale() const;
    const CGImageRef& CGImage() const { return image_; }

    // Forgets the cached images (tests that replace bundle files).
    static void clearCache();

private:
    CGImageRef image_;
};
