// Launching the whole application headless on a device, and reaching into it.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <optional>
#include <string>

#include "app/VHAppDelegate.h"
#include "infoscreen/VHFlipsideViewController.h"
#include "mainscreen/VHMainViewController.h"
#include "platform/backend/offscreen/OffscreenApp.h"
#include "platform/ui/UIKit.h"
#include "resources/Bundle.h"

// The application's delegate class, with the bundle registered as main does.
inline NSString appDelegateClassName() {
    registerBundle();
    return NSStringFromClass<VHAppDelegate>();
}

// UIApplicationMain on the headless backend, as main would call it on a window.
inline int applicationMainOffscreen(int argc, char* argv[]) {
    UIApplicationSetBackendFactory(
        [](const DeviceProfile& p) { return std::make_unique<OffscreenBackend>(p); });
    return UIApplicationMain(argc, argv, nullptr, appDelegateClassName());
}

inline DeviceProfile namedDevice(const std::string& name) {
    DeviceProfile p;
    EXPECT_TRUE(DeviceProfile::named(name, p)) << name;
    return p;
}

inline DeviceProfile customDevice(float width, float height, UIUserInterfaceIdiom idiom) {
    DeviceProfile p;
    p.name = "custom";
    p.width = width;
    p.height = height;
    p.idiom = idiom;
    return p;
}

// n taps at p in quick succession (50 ms down, 100 ms between), one finger,
// with no pause after the last, so the next touch may still count with them.
inline void quickTaps(OffscreenApp& app, CGPoint p, int n) {
    for (int i = 0; i < n; ++i) {
        if (i > 0) app.advance(0.1);
        app.touchDown(0, p);
        app.advance(0.05);
        app.touchUp(0, p);
    }
}

// The application launched through its delegate, as the program starts it.
class RunningApp {
public:
    explicit RunningApp(const DeviceProfile& profile, const NSDictionary* launchOptions = nullptr)
        : app(profile, appDelegateClassName()) {
        app.launch(launchOptions);
    }

    VHAppDelegate& delegate() const { return dynamic_cast<VHAppDelegate&>(*app.application()->delegate()); }
    VHMainViewController& main() const { return *delegate().mainViewController(); }
    QuartzView& chart() const { return *main().chartView(); }
    std::shared_ptr<VHFlipsideViewController> presentedInfo() const {
        return std::dynamic_pointer_cast<VHFlipsideViewController>(app.presentedViewController());
    }
    // The centre of a view, in window points.
    static CGPoint centreOf(const UIView& view) {
        const CGRect r = OffscreenApp::frameInWindow(view);
        return CGPointMake(r.origin.x + r.size.width / 2, r.origin.y + r.size.height / 2);
    }
    // A control pressed, or a point tapped, and what that starts run to its end.
    bool press(const std::string& title) {
        const bool found = app.pressControl(title);
        app.runUntilIdle();
        return found;
    }
    void tapAndSettle(CGPoint p, int count = 1) {
        app.tap(p, count);
        app.runUntilIdle();
    }

    OffscreenApp app;
};

// Replaces (or, with nullopt, removes) a bundle file for one test; the
// original comes back at the end of the scope.
class BundleFileOverride {
public:
    BundleFileOverride(std::string name, std::optional<std::string> bytes) : name_(std::move(name)) {
        registerBundle();  // first, so that the stand-in stays
        NSBundle* bundle = NSBundle::mainBundle();
        if (const std::string* old = bundle->dataForResource(name_)) original_ = *old;
        if (bytes)
            bundle->registerResource(name_, *bytes);
        else
            bundle->removeResource(name_);
        UIImage::clearCache();
    }
    ~BundleFileOverride() {
        NSBundle* bundle = NSBundle::mainBundle();
        if (original_)
            bundle->registerResource(name_, *original_);
        else
            bundle->removeResource(name_);
        UIImage::clearCache();
    }

private:
    std::string name_;
    std::optional<std::string> original_;
};

inline void expectRect(CGRect actual, CGFloat x, CGFloat y, CGFloat w, CGFloat h, const char* what) {
    EXPECT_EQ(actual.origin.x, x) << what;
    EXPECT_EQ(actual.origin.y, y) << what;
    EXPECT_EQ(actual.size.width, w) << what;
    EXPECT_EQ(actual.size.height, h) << what;
}

using Rgba = std::array<CGFloat, 4>;
inline Rgba rgba(const std::shared_ptr<UIColor>& c) {
    return c ? Rgba{c->red(), c->green(), c->blue(), c->alpha()} : Rgba{-1, -1, -1, -1};
}

// The five views the info screen builds, in the order it adds them, after the nib's own.
struct InfoViews {
    std::shared_ptr<UIImageView> picture;
    std::shared_ptr<UILabel> tagline, invitation;
    std::shared_ptr<UIButton> site, store;
};
inline InfoViews infoViews(VHFlipsideViewController& info) {
    const auto& subs = info.view()->subviews();
    InfoViews v;
    if (subs.size() < 5) return v;
    auto it = subs.end() - 5;
    v.picture = std::dynamic_pointer_cast<UIImageView>(*it++);
    v.tagline = std::dynamic_pointer_cast<UILabel>(*it++);
    v.invitation = std::dynamic_pointer_cast<UILabel>(*it++);
    v.site = std::dynamic_pointer_cast<UIButton>(*it++);
    v.store = std::dynamic_pointer_cast<UIButton>(*it++);
    return v;
}
