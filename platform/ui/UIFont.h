// Fonts by name and size; the system font is "Helvetica", drawn with the
// program's own regular face, and "Helvetica-Bold" with its bold one.
#pragma once

#include <memory>

#include "platform/cg/CoreGraphics.h"
#include "platform/ui/Foundation.h"

class UIFont : public NSObject {
public:
    UIFont(NSString name, CGFloat size) : name_(std::move(name)), size_(size) {}

    static std::shared_ptr<UIFont> systemFontOfSize(CGFloat size);      // "Helvetica"
    static std::shared_ptr<UIFont> boldSystemFontOfSize(CGFloat size);  // "Helvetica-Bold"
    static std::shared_ptr<UIFont> fontWithName(const NSString& name, CGFloat size);

    const NSString& fontName() const { return name_; }
    CGFloat pointSize() const { return size_; }

    // Selects this font in ctx (MacRoman encoding) with an upright text matrix.
    void selectIn(CGContextRef ctx) const;

private:
    NSString name_;
    CGFloat size_;
};
