// Fonts, and selecting them on a context.
#include "platform/ui/UIFont.h"

#include "platform/ui/UIColor.h"

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
