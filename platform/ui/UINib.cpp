#include "platform/ui/UINib.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <set>

#include "platform/cg/Fonts.h"
#include "platform/ui/UIKit.h"

namespace {
using json = nlohmann::json;

const char* kOwner = "File's Owner";
const char* kFirstResponder = "First Responder";

struct Loader {
    NSString file;
    NSObject* owner;

    [[noreturn]] void fail(const std::string& path, const std::string& fault) const {
        throw NibLoadError(file + ": " + (path.empty() ? "" : path + ": ") + fault);
    }

    static std::string typeName(const json& v) { return v.type_name(); }

    void checkKeys(const json& j, const std::string& path, const std::set<std::string>& allowed) const {
        for (auto it = j.begin(); it != j.end(); ++it) {
            if (!allowed.count(it.key())) fail(path, "unknown key '" + it.key() + "'");
        }
    }

    double number(const json& v, const std::string& path, const char* key) const {
        if (!v.is_number()) fail(path, std::string("'") + key + "' must be a number, not " + typeName(v));
        return v.get<double>();
    }
    bool boolean(const json& v, const std::string& path, const char* key) const {
        if (!v.is_boolean())
            fail(path, std::string("'") + key + "' must be true or false, not " + typeName(v));
        return v.get<bool>();
    }
    std::string string(const json& v, const std::string& path, const char* key) const {
        if (!v.is_string()) fail(path, std::string("'") + key + "' must be a string, not " + typeName(v));
        return v.get<std::string>();
    }

    CGRect frame(const json& v, const std::string& path) const {
        if (v.is_string() && v.get<std::string>() == "screen") return UIScreen::mainScreen()->bounds();
        if (!v.is_array() || v.size() != 4) fail(path, "'frame' must be [x, y, width, height] or \"screen\"");
        float f[4];
        for (size_t i = 0; i < 4; ++i) {
            if (!v[i].is_number()) fail(path, "'frame' must be [x, y, width, height] or \"screen\"");
            f[i] = v[i].get<float>();
        }
        if (f[2] < 0 || f[3] < 0) fail(path, "'frame' has a negative width or height");
        return CGRectMake(f[0], f[1], f[2], f[3]);
    }

    std::shared_ptr<UIColor> color(const json& v, const std::string& path, const char* key) const {
        if (v.is_string()) {
            const std::string s = v.get<std::string>();
            if (s == "white") return UIColor::whiteColor();
            if (s == "black") return UIColor::blackColor();
            if (s == "clear") return UIColor::clearColor();
            if (s == "gray") return UIColor::grayColor();
            if (s == "lightGray") return UIColor::lightGrayColor();
            if (s == "darkGray") return UIColor::darkGrayColor();
            if (s == "red") return UIColor::redColor();
            if (s == "green") return UIColor::greenColor();
            if (s == "blue") return UIColor::blueColor();
            fail(path, std::string("'") + key + "': unknown colour '" + s + "'");
        }
        if (v.is_array() && (v.size() == 3 || v.size() == 4)) {
            float c[4] = {0, 0, 0, 1};
            for (size_t i = 0; i < v.size(); ++i) {
                if (!v[i].is_number() || v[i].get<double>() < 0 || v[i].get<double>() > 1)
                    fail(path, std::string("'") + key + "': colour components must be numbers in 0..1");
                c[i] = v[i].get<float>();
            }
            return UIColor::colorWithRed(c[0], c[1], c[2], c[3]);
        }
        fail(path, std::string("'") + key + "' must be a colour name or [r, g, b(, a)]");
    }

    std::shared_ptr<UIImage> image(const json& v, const std::string& path, const char* key) const {
        std::string name = string(v, path, key);
        auto img = UIImage::imageNamed(name);
        if (!img)
            std::fprintf(stderr, "starchart: %s: %s: image '%s' is not in the bundle\n", file.c_str(),
                         path.c_str(), name.c_str());
        return img;
    }

    std::shared_ptr<UIFont> font(const json& v, const std::string& path) const {
        if (v.is_number()) return UIFont::systemFontOfSize(v.get<float>());
        if (v.is_object()) {
            checkKeys(v, path + ".font", {"name", "size"});
            float size = v.contains("size") ? float(number(v["size"], path, "font.size")) : 17;
            if (!(size > 0)) fail(path, "'font.size' must be positive");
            if (!v.contains("name")) return UIFont::systemFontOfSize(size);
            const std::string name = string(v["name"], path, "font.name");
            try {
                CGFaceForFontName(name.c_str());
            } catch (const CGFontError& e) {
                fail(path, e.what());
            }
            return UIFont::fontWithName(name, size);
        }
        fail(path, "'font' must be a size or {\"name\": ..., \"size\": ...}");
    }

    // A named constant, by name or by its number.
    template <class T>
    T enumValue(const json& v, const std::string& path, const char* key,
                const std::vector<std::pair<const char*, T>>& names) const {
        if (v.is_number_integer()) return T(v.get<int>());
        if (v.is_string()) {
            for (const auto& n : names)
                if (v.get<std::string>() == n.first) return n.second;
        }
        std::string allowed;
        for (const auto& n : names) allowed += (allowed.empty() ? "" : ", ") + std::string(n.first);
        fail(path, std::string("'") + key + "' must be an integer or one of: " + allowed);
    }

    // The object an action is sent to: nullptr means up the responder chain.
    NSObject* target(const json& j, const std::string& path, const SEL& action) const {
        std::string t = j.contains("target") ? string(j["target"], path, "target") : kOwner;
        if (t == kFirstResponder) return nullptr;
        if (t != kOwner)
            fail(path, "unknown target '" + t + "' for action '" + action + "' (allowed: " + kOwner + ", " +
                           kFirstResponder + ")");
        if (!owner)
            fail(path, "action '" + action + "' is sent to File's Owner, but the nib was loaded without one");
        if (!owner->respondsToSelector(action))
            fail(path,
                 "action '" + action + "': File's Owner (" + owner->className() + ") does not respond to it");
        return owner;
    }

    void outlet(const json& j, const std::string& path, const id& object) const {
        if (!j.contains("outlet")) return;
        std::string name = string(j["outlet"], path, "outlet");
        if (!owner) fail(path, "outlet '" + name + "' needs a File's Owner");
        if (!owner->hasOutlet(name))
            fail(path, "File's Owner (" + owner->className() + ") has no outlet named '" + name + "'");
        if (!owner->setOutlet(name, object))
            fail(path,
                 "outlet '" + name + "' of " + owner->className() + " cannot hold a " + object->className());
    }

    std::shared_ptr<UIBarButtonItem> item(const json& j, const std::string& path) const {
        if (!j.is_object()) fail(path, "a bar button item must be an object");
        checkKeys(j, path,
                  {"title", "systemItem", "style", "width", "action", "target", "outlet", "tag", "enabled"});
        auto it = std::make_shared<UIBarButtonItem>();
        SEL action = j.contains("action") ? string(j["action"], path, "action") : SEL();
        NSObject* tgt = action.empty() ? nullptr : target(j, path, action);
        if (j.contains("systemItem")) {
            UIBarButtonSystemItem sys =
                enumValue<UIBarButtonSystemItem>(j["systemItem"], path, "systemItem",
                                                 {{"done", UIBarButtonSystemItemDone},
                                                  {"cancel", UIBarButtonSystemItemCancel},
                                                  {"flexibleSpace", UIBarButtonSystemItemFlexibleSpace},
                                                  {"fixedSpace", UIBarButtonSystemItemFixedSpace},
                                                  {"action", UIBarButtonSystemItemAction}});
            it->initWithBarButtonSystemItem(sys, tgt, action);
            if (j.contains("title")) it->setTitle(string(j["title"], path, "title"));
        } else if (j.contains("title")) {
            it->initWithTitle(string(j["title"], path, "title"), UIBarButtonItemStyleBordered, tgt, action);
        } else {
            fail(path, "a bar button item needs a 'title' or a 'systemItem'");
        }
        if (j.contains("style"))
            it->setStyle(enumValue<UIBarButtonItemStyle>(j["style"], path, "style",
                                                         {{"plain", UIBarButtonItemStylePlain},
                                                          {"bordered", UIBarButtonItemStyleBordered},
                                                          {"done", UIBarButtonItemStyleDone}}));
        if (j.contains("width")) it->setWidth(CGFloat(number(j["width"], path, "width")));
        if (j.contains("tag")) it->setTag(NSInteger(number(j["tag"], path, "tag")));
        if (j.contains("enabled")) it->setEnabled(boolean(j["enabled"], path, "enabled"));
        outlet(j, path, it);
        return it;
    }

    // A view: made by class, then its keys in its class's table order.
    std::shared_ptr<UIView> view(const json& j, const std::string& path, bool root) const {
        if (!j.is_object()) fail(path, "a view must be an object");
        if (!j.contains("class")) fail(path, "'class' is missing");
        std::shared_ptr<UIView> v = make(string(j["class"], path, "class"), j, path);
        std::set<std::string> keys = {"class", "frame", "outlet", "subviews"};
        if (root) keys.insert("autosizeToScreen");
        for (const NibProperties* table : {&UIView::viewNibProperties(), &v->nibProperties()})
            for (const NibProperty& p : *table) keys.insert(p.key);
        checkKeys(j, path, keys);

        if (j.contains("frame"))
            v->initWithFrame(frame(j["frame"], path));
        else if (root)
            v->initWithFrame(UIScreen::mainScreen()->bounds());
        else
            fail(path, "'frame' is missing");
        for (const NibProperties* table : {&UIView::viewNibProperties(), &v->nibProperties()})
            for (const NibProperty& p : *table)
                if (p.apply && j.contains(p.key)) p.apply(*v, Value(*this, j, path, p.key));
        if (j.contains("subviews")) {
            if (!j["subviews"].is_array()) fail(path, "'subviews' must be a list");
            for (size_t i = 0; i < j["subviews"].size(); ++i)
                v->addSubview(view(j["subviews"][i], path + ".subviews[" + std::to_string(i) + "]", false));
        }
        outlet(j, path, v);
        if (root && j.contains("autosizeToScreen") &&
            boolean(j["autosizeToScreen"], path, "autosizeToScreen"))
            v->setFrame(UIScreen::mainScreen()->bounds());
        return v;
    }

    std::shared_ptr<UIView> make(const std::string& cls, const json& j, const std::string& path) const {
        if (cls == "UIView") return std::make_shared<UIView>();
        if (cls == "UIButton") {
            UIButtonType type = j.contains("buttonType")
                                    ? enumValue<UIButtonType>(j["buttonType"], path, "buttonType",
                                                              {{"custom", UIButtonTypeCustom},
                                                               {"roundedRect", UIButtonTypeRoundedRect},
                                                               {"infoLight", UIButtonTypeInfoLight},
                                                               {"infoDark", UIButtonTypeInfoDark}})
                                    : UIButtonTypeCustom;
            return UIButton::buttonWithType(type);
        }
        if (cls == "UILabel") return std::make_shared<UILabel>();
        if (cls == "UIImageView") return std::make_shared<UIImageView>();
        if (cls == "UIToolbar") return std::make_shared<UIToolbar>();
        if (cls == "UINavigationBar") return std::make_shared<UINavigationBar>();
        Class c = NSClassFromString(cls);
        if (!c) fail(path, "unknown class '" + cls + "'");
        auto v = std::dynamic_pointer_cast<UIView>(c->create());
        if (!v) fail(path, "class '" + cls + "' is not a view");
        return v;
    }

    std::vector<std::shared_ptr<UIBarButtonItem>> items(const json& v, const std::string& path) const {
        if (!v.is_array()) fail(path, "'items' must be a list");
        std::vector<std::shared_ptr<UIBarButtonItem>> out;
        for (size_t i = 0; i < v.size(); ++i)
            out.push_back(item(v[i], path + ".items[" + std::to_string(i) + "]"));
        return out;
    }

    // One key's value of a view, read with the loader's checks.
    class Value : public NibValue {
    public:
        Value(const Loader& loader, const json& object, const std::string& path, const char* key)
            : l_(loader), object_(object), v_(object[key]), path_(path), key_(key) {}
        double number() const override { return l_.number(v_, path_, key_); }
        bool boolean() const override { return l_.boolean(v_, path_, key_); }
        NSString string() const override { return l_.string(v_, path_, key_); }
        std::shared_ptr<UIColor> color() const override { return l_.color(v_, path_, key_); }
        std::shared_ptr<UIImage> image() const override { return l_.image(v_, path_, key_); }
        std::shared_ptr<UIFont> font() const override { return l_.font(v_, path_); }
        int named(const std::vector<std::pair<const char*, int>>& names) const override {
            return l_.enumValue<int>(v_, path_, key_, names);
        }
        unsigned options(const std::vector<std::pair<const char*, unsigned>>& names) const override {
            if (v_.is_number_unsigned() || v_.is_number_integer()) return v_.get<unsigned>();
            if (!v_.is_array()) fail(std::string("'") + key_ + "' must be an integer or a list of names");
            unsigned mask = 0;
            for (const auto& e : v_) mask |= l_.enumValue<unsigned>(e, path_, key_, names);
            return mask;
        }
        std::shared_ptr<UIBarButtonItem> item() const override { return l_.item(v_, path_ + "." + key_); }
        std::vector<std::shared_ptr<UIBarButtonItem>> items() const override { return l_.items(v_, path_); }
        const NibValue* sibling(const char* key) const override {
            if (!object_.contains(key)) return nullptr;
            sibling_ = std::make_unique<Value>(l_, object_, path_, key);
            return sibling_.get();
        }
        NSObject* target(const SEL& action) const override { return l_.target(object_, path_, action); }
        [[noreturn]] void fail(const std::string& fault) const override { l_.fail(path_, fault); }

    private:
        const Loader& l_;
        const json& object_;
        const json& v_;
        std::string path_;
        const char* key_;
        mutable std::unique_ptr<Value> sibling_;
    };
};
}  // namespace

std::shared_ptr<UIView> UINib::loadFromString(const std::string& text, const NSString& fileName,
                                              NSObject* owner) {
    Loader loader{fileName, owner};
    json doc;
    try {
        doc = json::parse(text);
    } catch (const json::parse_error& e) {
        // "[json.exception.parse_error.101] parse error at line 3, column 5: ..." -> from "line".
        std::string what = e.what();
        auto at = what.find("at line");
        loader.fail("", "malformed JSON: " + (at == std::string::npos ? what : what.substr(at)));
    }
    if (!doc.is_object()) loader.fail("", "the top level must be an object with a 'root' view");
    loader.checkKeys(doc, "top level", {"root", "format", "version", "comment"});
    if (!doc.contains("root")) loader.fail("", "there is no 'root' view");
    if (doc.contains("version") && !(doc["version"].is_number_integer() && doc["version"].get<int>() == 1))
        loader.fail("version", "only version 1 is known");
    return loader.view(doc["root"], "root", true);
}

std::shared_ptr<UIView> UINib::load(const NSString& nibName, NSObject* owner) {
    NSString file = nibName;
    if (file.size() < 5 || file.compare(file.size() - 5, 5, ".json") != 0) file += ".json";
    const std::string* data = NSBundle::mainBundle()->dataForResource(file);
    if (!data) throw NibLoadError(file + ": no such interface description in the bundle");
    return loadFromString(*data, file, owner);
}
