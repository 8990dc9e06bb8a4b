// Interface descriptions ("nibs"): JSON files in the bundle, named after
// their controller ("VHFlipsideViewController" -> "VHFlipsideViewController.json").
#pragma once

#include <memory>

#include "platform/ui/UIApplication.h"

class UIView;

// A nib that cannot be used: missing, malformed, unknown class, bad value,
// action without a target. what() is "NAME.json: <where>: <fault>".
struct NibLoadError : UIKitFatalError {
    using UIKitFatalError::UIKitFatalError;
};

class UINib {
public:
    // Builds the nib's root view; owner is File's Owner (targets, outlets).
    static std::shared_ptr<UIView> load(const NSString& nibName, NSObject* owner);
    // The same from JSON text; fileName only names it in errors.
    static std::shared_ptr<UIView> loadFromString(const std::string& json, const NSString& fileName,
                                                  NSObject* owner);
};
