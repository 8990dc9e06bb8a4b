// Pressing a control by its name, the one way tests and replay scripts do it:
// which control a name means, and whether a touch can reach it now.
#include <map>
#include <sstream>

#include "platform/backend/offscreen/OffscreenApp.h"

namespace {

using BarItems = std::map<const UIView*, std::shared_ptr<UIBarButtonItem>>;

// What a control is called: its title, its bar item's title or its identifier.
std::string nameOf(const UIView& v, const BarItems& items) {
    if (auto* b = dynamic_cast<const UIButton*>(&v); b && !b->currentTitle().empty())
        return b->currentTitle();
    if (auto it = items.find(&v); it != items.end()) return it->second->title();
    return v.accessibilityIdentifier();
}

std::string trimmed(const std::string& s) {
    const auto a = s.find_first_not_of(' ');
    if (a == std::string::npos) return "";
    return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

std::string pointText(CGPoint p) {
    std::ostringstream s;
    s << "(" << p.x << ", " << p.y << ")";
    return s.str();
}

}  // namespace

OffscreenApp::PressTarget OffscreenApp::findControlToPress(const std::string& name,
                                                           const PressNaming& naming) const {
    const BarItems items = barItemsByView();
    std::vector<std::shared_ptr<UIControl>> candidates;  // topmost first
    std::string onScreen;
    const auto views = allViews();
    for (auto it = views.rbegin(); it != views.rend(); ++it) {
        auto control = std::dynamic_pointer_cast<UIControl>(*it);
        if (!control || !isVisible(*control) || !control->isUserInteractionEnabled() || !control->isEnabled())
            continue;
        const std::string title = nameOf(*control, items);
        bool match = title == name || control->accessibilityIdentifier() == name ||
                     (!trimmed(title).empty() && trimmed(title) == name);
        if (naming.alias) {
            auto item = items.find(control.get());
            if (auto decided = naming.alias(*control, item == items.end() ? nullptr : item->second.get()))
                match = *decided;
        }
        if (match) candidates.push_back(control);
        std::string described = naming.describe ? naming.describe(*control) : std::string();
        if (described.empty())
            described = title.empty() ? "an untitled " + control->className() : "\"" + title + "\"";
        onScreen += (onScreen.empty() ? "" : ", ") + described;
    }
    if (candidates.empty())
        return {nullptr,
                {},
                "no such control on screen (controls on screen: " +
                    (onScreen.empty() ? std::string("none") : onScreen) + ")"};
    if (runtime_->isAnimating())
        return {nullptr,
                {},
                "a screen transition is still running, and touches are ignored until it ends; wait before "
                "pressing"};
    auto w = window();
    for (const auto& control : candidates) {
        const CGRect f = frameInWindow(*control);
        const CGPoint c = CGPointMake(f.origin.x + f.size.width / 2, f.origin.y + f.size.height / 2);
        auto hit = w->hitTest(c, nullptr);
        if (hit == control || (hit && hit->isDescendantOfView(control.get()))) return {control, c, ""};
        if (control == candidates.back())
            return {nullptr,
                    {},
                    "the control is covered at " + pointText(c) + " by " +
                        (hit ? hit->className() : std::string("nothing"))};
    }
    return {nullptr, {}, ""};  // not reached: the last candidate returns above
}

std::map<const UIView*, std::shared_ptr<UIBarButtonItem>> OffscreenApp::barItemsByView() const {
    BarItems items;
    for (const auto& bar : findViews<UIToolbar>())
        for (const auto& item : bar->items())
            if (auto v = item->itemView()) items[v.get()] = item;
    for (const auto& bar : findViews<UINavigationBar>())
        for (const auto& item : {bar->leftBarButtonItem(), bar->rightBarButtonItem()})
            if (item && item->itemView()) items[item->itemView().get()] = item;
    return items;
}

bool OffscreenApp::pressControl(const std::string& name) {
    const PressTarget target = findControlToPress(name);
    if (!target.control) return false;
    tap(target.centre);
    return true;
}
