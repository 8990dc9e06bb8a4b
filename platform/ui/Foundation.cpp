#include "platform/ui/Foundation.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

NSObject::NSObject() = default;
NSObject::~NSObject() = default;

NSString NSObject::className() const { return NSDemangledTypeName(typeid(*this)); }

bool NSObject::respondsToSelector(const SEL& sel) const { return actions_.count(sel) != 0; }

void NSObject::performSelector(const SEL& sel, const id& sender) {
    auto it = actions_.find(sel);
    if (it == actions_.end())
        throw NSInvalidArgumentException(className() + " does not respond to selector '" + sel + "'");
    // Copy: the action may replace this object's own table entries.
    auto fn = it->second;
    fn(sender);
}

bool NSObject::hasOutlet(const NSString& name) const { return outlets_.count(name) != 0; }

bool NSObject::setOutlet(const NSString& name, const id& value) {
    auto it = outlets_.find(name);
    return it != outlets_.end() && it->second(value);
}

void NSObject::addAction(const SEL& sel, std::function<void(const id&)> fn) { actions_[sel] = std::move(fn); }

void NSObject::addOutlet(const NSString& name, std::function<bool(const id&)> fn) {
    outlets_[name] = std::move(fn);
}

namespace {
std::map<NSString, NSClassInfo>& classTable() {
    static std::map<NSString, NSClassInfo> table;
    return table;
}
}  // namespace

NSString NSDemangledTypeName(const std::type_info& type) {
    // Class names are all the toolkit asks for: one length-prefixed name, or
    // a nested run of them (N...E). Anything else keeps its mangled form. The
    // full demangler would add a fifth to what the browser downloads.
    const char* mangled = type.name();
    const char* s = mangled;
    const bool nested = *s == 'N';
    if (nested) ++s;
    std::string out;
    while (*s >= '0' && *s <= '9') {
        size_t length = 0;
        while (*s >= '0' && *s <= '9') length = length * 10 + size_t(*s++ - '0');
        if (std::strlen(s) < length) return mangled;
        std::string part(s, length);
        s += length;
        if (part.rfind("_GLOBAL__N", 0) == 0) part = "(anonymous namespace)";
        out += (out.empty() ? "" : "::") + part;
        if (!nested) break;
    }
    const bool whole = nested ? (s[0] == 'E' && s[1] == '\0') : s[0] == '\0';
    return out.empty() || !whole ? NSString(mangled) : out;
}

void NSRegisterClass(const NSString& name, std::function<id()> factory) {
    classTable()[name] = NSClassInfo{name, std::move(factory)};
}

Class NSClassFromString(const NSString& name) {
    auto& t = classTable();
    auto it = t.find(name);
    return it == t.end() ? nullptr : &it->second;
}

std::shared_ptr<NSURL> NSURL::URLWithString(const NSString& string) {
    // scheme ":" rest, scheme = letter *(letter / digit / "+" / "-" / "."); no spaces or controls.
    auto colon = string.find(':');
    if (colon == NSString::npos || colon == 0 || colon + 1 >= string.size()) return nullptr;
    if (!std::isalpha(static_cast<unsigned char>(string[0]))) return nullptr;
    for (size_t i = 0; i < colon; ++i) {
        unsigned char c = static_cast<unsigned char>(string[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return nullptr;
    }
    for (unsigned char c : string)
        if (c <= ' ' || c == 0x7f) return nullptr;
    auto url = std::make_shared<NSURL>();
    url->string_ = string;
    return url;
}

NSString NSURL::scheme() const { return string_.substr(0, string_.find(':')); }

NSString NSURL::host() const {
    auto start = string_.find("://");
    if (start == NSString::npos) return "";
    start += 3;
    auto end = string_.find_first_of("/?#:", start);
    NSString host = string_.substr(start, end == NSString::npos ? NSString::npos : end - start);
    auto at = host.rfind('@');
    return at == NSString::npos ? host : host.substr(at + 1);
}

NSAutoreleasePool::NSAutoreleasePool() {}
NSAutoreleasePool::~NSAutoreleasePool() {}

NSBundle* NSBundle::mainBundle() {
    static NSBundle bundle;
    return &bundle;
}

const std::string* NSBundle::dataForResource(const NSString& fileName) const {
    auto it = files_.find(fileName);
    return it == files_.end() ? nullptr : &it->second;
}

std::vector<NSString> NSBundle::resourceNames() const {
    std::vector<NSString> names;
    for (const auto& f : files_) names.push_back(f.first);
    return names;
}

void NSBundle::registerResource(const NSString& fileName, std::string bytes) {
    files_[fileName] = std::move(bytes);
}

void NSBundle::removeResource(const NSString& fileName) { files_.erase(fileName); }

void NSBundleRegisterResource(const char* fileName, const unsigned char* data, size_t size) {
    NSBundle::mainBundle()->registerResource(fileName,
                                             std::string(reinterpret_cast<const char*>(data), size));
}
