// Buttons: custom (0), rounded rectangle (1), light info button (3).
#pragma once

#include <map>
#include <memory>

#include "platform/ui/UIControl.h"

class UIColor;
class UIImage;
class UIFont;

enum class UIButtonType : int {
    Custom = 0,
    RoundedRect = 1,
    DetailDisclosure = 2,
    InfoLight = 3,
    InfoDark = 4,
    ContactAdd = 5,
};
constexpr UIButtonType UIButtonTypeCustom = UIButtonType::Custom;
constexpr UIButtonType UIButtonTypeRoundedRect = UIButtonType::RoundedRect;
constexpr UIButtonType UIButtonTypeDetailDisclosure = UIButtonType::DetailDisclosure;
constexpr UIButtonType UIButtonTypeInfoLight = UIButtonType::InfoLight;
constexpr UIButtonType UIButtonTypeInfoDark = UIButtonType::InfoDark;
constexpr UIButtonType UIButtonTypeContactAdd = UIButtonType::ContactAdd;

class UIButton : public UIControl {
public:
    const NibProperties& nibProperties() const override;
    // A new button with a zero frame (info buttons: 18 x 19).
    static std::shared_ptr<UIButton> buttonWithType(UIButtonType type);
    UIButtonType buttonType() const { return type_; }

    // Per-state values; a state without its own value uses the normal one.
    void setTitle(const NSString& title, UIControlState state);
    NSString titleForState(UIControlState state) const;
    NSString currentTitle() const { return titleForState(state()); }
    void setTitleColor(std::shared_ptr<UIColor> color, UIControlState state);
    std::shared_ptr<UIColor> titleColorForState(UIControlState state) const;
    void setBackgroundImage(std::shared_ptr<UIImage> image, UIControlState state);
    std::shared_ptr<UIImage> backgroundImageForState(UIControlState state) const;
    void setImage(std::shared_ptr<UIImage> image, UIControlState state);
    std::shared_ptr<UIImage> imageForState(UIControlState state) const;
    // Title font; bold system font of 15 by default.
    void setTitleFont(std::shared_ptr<UIFont> font);
    const std::shared_ptr<UIFont>& titleFont() const { return font_; }

    void drawRect(CGRect rect) override;
    void sizeToFit() override;

protected:
    // A button: its title (info buttons: "Info"); untitled, no label.
    bool defaultIsAccessibilityElement() const override { return true; }
    NSString defaultAccessibilityLabel() const override;
    UIAccessibilityTraits defaultAccessibilityTraits() const override { return UIAccessibilityTraitButton; }

private:
    template <class V>
    static V lookup(const std::map<UIControlState, V>& m, UIControlState state);
    UIButtonType type_ = UIButtonTypeCustom;
    std::map<UIControlState, NSString> titles_;
    std::map<UIControlState, std::shared_ptr<UIColor>> titleColors_;
    std::map<UIControlState, std::shared_ptr<UIImage>> backgrounds_;
    std::map<UIControlState, std::shared_ptr<UIImage>> images_;
    std::shared_ptr<UIFont> font_;
};
