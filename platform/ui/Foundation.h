// The runtime services the toolkit and the application share: objects that
// answer actions by selector name, classes by name, links, the bundle, and the
// small collections touch handlers receive.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

using NSString = std::string;
using SEL = std::string;  // an action's name: "showInfo:", "done:", "choice2"
using NSInteger = long;
using NSUInteger = unsigned long;

// The toolkit's named constants are typed, so that a bare number does not
// compile where a name is meant. Options (bit sets) combine with | & ~.
#define NS_OPTIONS_OPERATORS(T)                                              \
    constexpr T operator|(T a, T b) { return T(unsigned(a) | unsigned(b)); } \
    constexpr T operator&(T a, T b) { return T(unsigned(a) & unsigned(b)); } \
    constexpr T operator~(T a) { return T(~unsigned(a)); }                   \
    constexpr T& operator|=(T& a, T b) { return a = a | b; }                 \
    constexpr T& operator&=(T& a, T b) { return a = a & b; }
using NSTimeInterval = double;
using NSDictionary = std::map<std::string, std::string>;

class NSObject;
// A strong reference to any object; the sender of an action.
using id = std::shared_ptr<NSObject>;

inline SEL NSSelectorFromString(const NSString& name) { return name; }
inline NSString NSStringFromSelector(const SEL& sel) { return sel; }

// Unrecognised selector and other programming errors, as the runtime would raise them.
struct NSInvalidArgumentException : std::invalid_argument {
    using std::invalid_argument::invalid_argument;
};

// Base of every toolkit object. Objects are made with std::make_shared, then
// initialised (initWithFrame, initWithNibName...), so that shared_from_this works.
class NSObject : public std::enable_shared_from_this<NSObject> {
public:
    NSObject();
    virtual ~NSObject();
    NSObject(const NSObject&) = delete;
    NSObject& operator=(const NSObject&) = delete;

    // The dynamic class name, e.g. "VHMainViewController".
    NSString className() const;

    // Actions registered with registerAction (the target-action table).
    bool respondsToSelector(const SEL& sel) const;
    // Runs the action; throws NSInvalidArgumentException for an unknown selector.
    void performSelector(const SEL& sel, const id& sender = nullptr);

    // Outlets registered with registerOutlet; false if there is no such outlet
    // or the value is not of the outlet's class. Used by the nib loader.
    bool hasOutlet(const NSString& name) const;
    bool setOutlet(const NSString& name, const id& value);

protected:
    // Register in the constructor: registerAction("showInfo:", &VHMainViewController::showInfo);
    template <class T>
    void registerAction(const SEL& sel, void (T::*method)(id sender)) {
        addAction(sel, [this, method](const id& sender) { (static_cast<T*>(this)->*method)(sender); });
    }
    template <class T>
    void registerAction(const SEL& sel, void (T::*method)(const id& sender)) {
        addAction(sel, [this, method](const id& sender) { (static_cast<T*>(this)->*method)(sender); });
    }
    template <class T>
    void registerAction(const SEL& sel, void (T::*method)()) {
        addAction(sel, [this, method](const id&) { (static_cast<T*>(this)->*method)(); });
    }
    // registerOutlet("toolbar", toolbar_): the nib loader stores the named object in the member.
    template <class U>
    void registerOutlet(const NSString& name, std::shared_ptr<U>& slot) {
        addOutlet(name, [&slot](const id& v) {
            auto typed = std::dynamic_pointer_cast<U>(v);
            if (!typed) return false;
            slot = typed;
            return true;
        });
    }
    template <class U>
    void registerOutlet(const NSString& name, std::weak_ptr<U>& slot) {
        addOutlet(name, [&slot](const id& v) {
            auto typed = std::dynamic_pointer_cast<U>(v);
            if (!typed) return false;
            slot = typed;
            return true;
        });
    }

private:
    void addAction(const SEL& sel, std::function<void(const id&)> fn);
    void addOutlet(const NSString& name, std::function<bool(const id&)> fn);
    std::map<SEL, std::function<void(const id&)>> actions_;
    std::map<NSString, std::function<bool(const id&)>> outlets_;
};

// Classes by name: NSClassFromString finds a registered class, whose create()
// makes a fresh default-constructed instance.
struct NSClassInfo {
    NSString name;
    std::function<id()> create;
};
using Class = const NSClassInfo*;

NSString NSDemangledTypeName(const std::type_info& type);
void NSRegisterClass(const NSString& name, std::function<id()> factory);
Class NSClassFromString(const NSString& name);  // nullptr when unknown
inline NSString NSStringFromClass(Class c) { return c ? c->name : NSString(); }

// NSStringFromClass<VHAppDelegate>() is "VHAppDelegate"; it also registers the
// class under that name, so that UIApplicationMain can create it.
template <class T>
NSString NSStringFromClass() {
    NSString name = NSDemangledTypeName(typeid(T));
    if (!NSClassFromString(name))
        NSRegisterClass(name, [] { return std::static_pointer_cast<NSObject>(std::make_shared<T>()); });
    return name;
}

// Registers a class at start-up (for custom view classes named in nibs). The
// object file must be linked in: put it next to code the program uses.
#define NS_REGISTER_CLASS(T)                                                                            \
    [[maybe_unused]] static const bool ns_class_registered_##T =                                        \
        (NSRegisterClass(#T, [] { return std::static_pointer_cast<NSObject>(std::make_shared<T>()); }), \
         true)

// A link. URLWithString answers nullptr for a string that is not an absolute URL.
class NSURL : public NSObject {
public:
    static std::shared_ptr<NSURL> URLWithString(const NSString& string);
    const NSString& absoluteString() const { return string_; }
    NSString scheme() const;
    NSString host() const;

private:
    NSString string_;
};

// The autorelease-pool scope of the runtime; ownership is by shared_ptr here,
// so the scope only marks where the original code had one.
class NSAutoreleasePool {
public:
    NSAutoreleasePool();
    ~NSAutoreleasePool();
    NSAutoreleasePool(const NSAutoreleasePool&) = delete;
    NSAutoreleasePool& operator=(const NSAutoreleasePool&) = delete;
};

// The application bundle: files compiled into the program (resources/), found
// by file name ("VHFlipsideViewController.json", "strtstp2.png").
class NSBundle {
public:
    static NSBundle* mainBundle();
    // The file's bytes, or nullptr when the bundle has no such file.
    const std::string* dataForResource(const NSString& fileName) const;
    std::vector<NSString> resourceNames() const;
    // Adds or replaces a file (the generated resource table does this at start-up; tests too).
    void registerResource(const NSString& fileName, std::string bytes);
    void removeResource(const NSString& fileName);

private:
    std::map<NSString, std::string> files_;
};
void NSBundleRegisterResource(const char* fileName, const unsigned char* data, size_t size);

template <class T>
class NSArrayOf;

// The set of touches handed to touch handlers: count, anyObject, allObjects
// (in the order the touches began).
template <class T>
class NSSetOf {
public:
    NSSetOf() = default;
    explicit NSSetOf(std::vector<std::shared_ptr<T>> items) : items_(std::move(items)) {}
    NSUInteger count() const { return items_.size(); }
    std::shared_ptr<T> anyObject() const { return items_.empty() ? nullptr : items_.front(); }
    NSArrayOf<T> allObjects() const { return NSArrayOf<T>(items_); }
    bool containsObject(const std::shared_ptr<T>& item) const {
        for (const auto& i : items_)
            if (i == item) return true;
        return false;
    }
    typename std::vector<std::shared_ptr<T>>::const_iterator begin() const { return items_.begin(); }
    typename std::vector<std::shared_ptr<T>>::const_iterator end() const { return items_.end(); }

private:
    std::vector<std::shared_ptr<T>> items_;
};

template <class T>
class NSArrayOf {
public:
    NSArrayOf() = default;
    explicit NSArrayOf(std::vector<std::shared_ptr<T>> items) : items_(std::move(items)) {}
    NSUInteger count() const { return items_.size(); }
    // Throws std::out_of_range past the end, like the runtime's range exception.
    const std::shared_ptr<T>& objectAtIndex(NSUInteger i) const { return items_.at(i); }
    const std::shared_ptr<T>& operator[](NSUInteger i) const { return items_.at(i); }
    std::shared_ptr<T> firstObject() const { return items_.empty() ? nullptr : items_.front(); }
    std::shared_ptr<T> lastObject() const { return items_.empty() ? nullptr : items_.back(); }
    typename std::vector<std::shared_ptr<T>>::const_iterator begin() const { return items_.begin(); }
    typename std::vector<std::shared_ptr<T>>::const_iterator end() const { return items_.end(); }

private:
    std::vector<std::shared_ptr<T>> items_;
};
