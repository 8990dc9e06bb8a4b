// One line of text in a view.
#pragma once

#include <memory>

#include "platform/ui/NSText.h"
#include "platform/ui/UIView.h"

class UIColor;
class UIFont;

class UILabel : public UIView {
public:
    const NibProperties& nibProperties() const override;
    UILabel();
    const NSString& text() const { return text_; }
    void setText(const NSString& text);
    const std::shared_ptr<UIColor>& textColor() const { return textColor_; }  // black by default
    void setTextColor(std::shared_ptr<UIColor> color);
    const std::shared_ptr<UIFont>& font() const { return font_; }  // system font 17 by default
    void setFont(std::shared_ptr<UIFont> font);
    NSTextAlignment textAlignment() const { return alignment_; }
    void setTextAlignment(NSTextAlignment alignment);

    // The text, vertically centred, aligned within the bounds.
    void drawRect(CGRect rect) override;
    void sizeToFit() override;

protected:
    // Static text that reads as it shows.
    bool defaultIsAccessibilityElement() const override { return true; }
    NSString defaultAccessibilityLabel() const override { return text_; }
    UIAccessibilityTraits defaultAccessibilityTraits() const override {
        return UIAccessibilityTraitStaticText;
    }

private:
    NSString text_;
    std::shared_ptr<UIColor> textColor_;
    std::shared_ptr<UIFont> font_;
    NSTextAlignment alignment_ = NSTextAlignmentLeft;
};
