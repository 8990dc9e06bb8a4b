// A picture from the bundle, drawn to the view's bounds.
#include "platform/ui/UIImageView.h"

#include <algorithm>
#include <cstdio>

#include "platform/ui/Drawing.h"
#include "platform/ui/UIBarButtonItem.h"
#include "platform/ui/UIColor.h"
#include "platform/ui/UIControl.h"
#include "platform/ui/UIFont.h"
#include "platform/ui/UIImage.h"
#include "platform/ui/UILabel.h"

UIImageView::UIImageView() { setUserInteractionEnabled(false); }

UIImageView* UIImageView::initWithImage(std::shared_ptr<UIImage> image) {
    CGSize s = image ? image->size() : CGSize{0, 0};
    initWithFrame(CGRectMake(0, 0, s.width, s.height));
    image_ = std::move(image);
    return this;
}

void UIImageView::setImage(std::shared_ptr<UIImage> image) {
    image_ = std::move(image);
    setNeedsDisplay();
}

void UIImageView::sizeToFit() {
    CGRect f = frame();
    f.size = image_ ? image_->size() : CGSize{0, 0};
    setFrame(f);
}

void UIImageView::drawRect(CGRect) {
    CGContextRef ctx = UIGraphicsGetCurrentContext();
    if (!ctx || !image_ || !image_->CGImage()) return;
    ctx->drawImage(bounds(), image_->CGImage());
}

const NibProperties& UIImageView::nibProperties() const {
    static const NibProperties table = {
        {"image", [](UIView& v, const NibValue& in) { static_cast<UIImageView&>(v).setImage(in.image()); }},
    };
    return table;
}
