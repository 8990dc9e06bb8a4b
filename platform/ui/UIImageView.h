// A view that shows an image scaled to its bounds.
#pragma once

#include <memory>

#include "platform/ui/UIView.h"

class UIImage;

class UIImageView : public UIView {
public:
    const NibProperties& nibProperties() const override;
    UIImageView();
    // Frame (0, 0, image size); a zero frame for a null image.
    UIImageView* initWithImage(std::shared_ptr<UIImage> image);
    const std::shared_ptr<UIImage>& image() const { return image_; }
    void setImage(std::shared_ptr<UIImage> image);

    void drawRect(CGRect rect) override;
    void sizeToFit() override;

private:
    std::shared_ptr<UIImage> image_;
};
