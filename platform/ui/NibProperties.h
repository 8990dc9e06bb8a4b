// What a view class reads from a nib: each class lists its keys in a table,
// in the order they are applied, with a setter that reads the value through
// NibValue (whose errors name the file, the view and the key).
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "platform/ui/Foundation.h"

class UIView;
class UIColor;
class UIFont;
class UIImage;
class UIBarButtonItem;

class NibValue {
public:
    virtual ~NibValue() = default;
    virtual double number() const = 0;
    virtual bool boolean() const = 0;
    virtual NSString string() const = 0;
    virtual std::shared_ptr<UIColor> color() const = 0;
    // An image from the bundle; nullptr (and a warning) when it is not there.
    virtual std::shared_ptr<UIImage> image() const = 0;
    virtual std::shared_ptr<UIFont> font() const = 0;
    // A constant by one of its names or by number.
    virtual int named(const std::vector<std::pair<const char*, int>>& names) const = 0;
    // Options: a number, or a list of names or numbers.
    virtual unsigned options(const std::vector<std::pair<const char*, unsigned>>& names) const = 0;
    virtual std::shared_ptr<UIBarButtonItem> item() const = 0;
    virtual std::vector<std::shared_ptr<UIBarButtonItem>> items() const = 0;
    // Another key of the same view, nullptr when it is absent.
    virtual const NibValue* sibling(const char* key) const = 0;
    // Where an action of this view goes: File's Owner, or nullptr for the responder chain.
    virtual NSObject* target(const SEL& action) const = 0;
    [[noreturn]] virtual void fail(const std::string& fault) const = 0;
};

struct NibProperty {
    const char* key;
    // nullptr: read elsewhere (at creation, or by another key's setter).
    void (*apply)(UIView& view, const NibValue& value);
};
using NibProperties = std::vector<NibProperty>;
