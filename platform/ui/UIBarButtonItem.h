// Bar button items and the bars that show them (toolbar, navigation bar).
#pragma once

#include <memory>
#include <vector>

#include "platform/ui/UIView.h"

class UIControl;

enum class UIBarButtonItemStyle : int {
    Plain = 0,
    Bordered = 1,
    Done = 2,
};
constexpr UIBarButtonItemStyle UIBarButtonItemStylePlain = UIBarButtonItemStyle::Plain;
constexpr UIBarButtonItemStyle UIBarButtonItemStyleBordered = UIBarButtonItemStyle::Bordered;
constexpr UIBarButtonItemStyle UIBarButtonItemStyleDone = UIBarButtonItemStyle::Done;

enum class UIBarButtonSystemItem : int {
    Done = 0,
    Cancel = 1,
    FlexibleSpace = 5,
    FixedSpace = 6,
    Action = 9,
    None = -1,
};
constexpr UIBarButtonSystemItem UIBarButtonSystemItemDone = UIBarButtonSystemItem::Done;
constexpr UIBarButtonSystemItem UIBarButtonSystemItemCancel = UIBarButtonSystemItem::Cancel;
constexpr UIBarButtonSystemItem UIBarButtonSystemItemFlexibleSpace = UIBarButtonSystemItem::FlexibleSpace;
constexpr UIBarButtonSystemItem UIBarButtonSystemItemFixedSpace = UIBarButtonSystemItem::FixedSpace;
constexpr UIBarButtonSystemItem UIBarButtonSystemItemAction = UIBarButtonSystemItem::Action;
constexpr UIBarButtonSystemItem UIBarButtonSystemItemNone = UIBarButtonSystemItem::None;

// An item of a bar: a title or a system item, and a target-action pair. When
// tapped it sends its action with itself as the sender.
class UIBarButtonItem : public NSObject {
public:
    UIBarButtonItem* initWithTitle(const NSString& title, UIBarButtonItemStyle style, NSObject* target,
                                   const SEL& action);
    UIBarButtonItem* initWithBarButtonSystemItem(UIBarButtonSystemItem item, NSObject* target,
                                                 const SEL& action);

    // The shown text: the title, or the system item's ("Done", "Cancel").
    NSString title() const;
    void setTitle(const NSString& title);
    UIBarButtonItemStyle style() const { return style_; }
    void setStyle(UIBarButtonItemStyle style) { style_ = style; }
    UIBarButtonSystemItem systemItem() const { return systemItem_; }
    // Width of a fixed space, or a forced width (0: from the title).
    CGFloat width() const { return width_; }
    void setWidth(CGFloat width) { width_ = width; }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled) { enabled_ = enabled; }
    NSInteger tag() const { return tag_; }
    void setTag(NSInteger tag) { tag_ = tag; }

    // The target is not owned; null sends the action up the responder chain.
    NSObject* target() const;
    void setTarget(NSObject* target);
    const SEL& action() const { return action_; }
    void setAction(const SEL& action) { action_ = action; }

    bool isSpace() const {
        return systemItem_ == UIBarButtonSystemItemFlexibleSpace ||
               systemItem_ == UIBarButtonSystemItemFixedSpace;
    }
    // The control a bar made for this item (nullptr while in no bar); popovers
    // point at it.
    std::shared_ptr<UIControl> itemView() const { return view_.lock(); }

private:
    friend class UIToolbar;
    friend class UINavigationBar;
    NSString title_;
    UIBarButtonItemStyle style_ = UIBarButtonItemStylePlain;
    UIBarButtonSystemItem systemItem_ = UIBarButtonSystemItemNone;
    CGFloat width_ = 0;
    bool enabled_ = true;
    NSInteger tag_ = 0;
    std::weak_ptr<NSObject> targetWeak_;
    NSObject* targetRaw_ = nullptr;
    bool targetShared_ = false;
    SEL action_;
    std::weak_ptr<UIControl> view_;
};

// A bar of items laid out left to right; flexible spaces share the room left.
class UIToolbar : public UIView {
public:
    const NibProperties& nibProperties() const override;
    UIToolbar();
    const std::vector<std::shared_ptr<UIBarButtonItem>>& items() const { return items_; }
    void setItems(std::vector<std::shared_ptr<UIBarButtonItem>> items);
    void drawRect(CGRect rect) override;

protected:
    void layoutSubviews() override;

private:
    std::vector<std::shared_ptr<UIBarButtonItem>> items_;
};

// A bar with a centred title and an item at each end.
class UINavigationBar : public UIView {
public:
    const NibProperties& nibProperties() const override;
    UINavigationBar();
    const NSString& title() const { return title_; }
    void setTitle(const NSString& title);
    const std::shared_ptr<UIBarButtonItem>& leftBarButtonItem() const { return left_; }
    void setLeftBarButtonItem(std::shared_ptr<UIBarButtonItem> item);
    const std::shared_ptr<UIBarButtonItem>& rightBarButtonItem() const { return right_; }
    void setRightBarButtonItem(std::shared_ptr<UIBarButtonItem> item);
    void drawRect(CGRect rect) override;

protected:
    void layoutSubviews() override;

private:
    NSString title_;
    std::shared_ptr<UIBarButtonItem> left_, right_;
};

// The control a bar shows for an item: tapping it sends the item's action;
// its width on the bar.
std::shared_ptr<UIControl> UIBarButtonItemMakeView(const std::shared_ptr<UIBarButtonItem>& item);
CGFloat UIBarButtonItemViewWidth(const UIBarButtonItem& item);
