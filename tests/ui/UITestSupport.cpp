#include "tests/ui/UITestSupport.h"

std::function<std::shared_ptr<UIViewController>()> TestLaunch::makeRoot;

bool TestAppDelegate::applicationDidFinishLaunchingWithOptions(UIApplication*, const NSDictionary*) {
    auto w = std::make_shared<UIWindow>();
    w->initWithFrame(UIScreen::mainScreen()->bounds());
    setWindow(w);
    if (TestLaunch::makeRoot) window()->setRootViewController(TestLaunch::makeRoot());
    window()->makeKeyAndVisible();
    return true;
}

void TouchLog::add(const char* what, const NSSet& touches, UIEvent* event, const UIView* in) {
    Entry e;
    e.what = what;
    e.touches = touches.count();
    e.allTouches = event ? event->allTouches().count() : 0;
    if (auto t = touches.anyObject()) {
        e.tapCount = t->tapCount();
        e.location = t->locationInView(in);
    }
    entries.push_back(e);
}

std::string TouchLog::phases() const {
    std::string s;
    for (const auto& e : entries) s += (s.empty() ? "" : " ") + e.what;
    return s;
}

void LoggingView::touchesBegan(const NSSet& t, UIEvent* e) {
    log.add("began", t, e, this);
    if (passOn) UIView::touchesBegan(t, e);
}
void LoggingView::touchesMoved(const NSSet& t, UIEvent* e) {
    log.add("moved", t, e, this);
    if (passOn) UIView::touchesMoved(t, e);
}
void LoggingView::touchesEnded(const NSSet& t, UIEvent* e) {
    log.add("ended", t, e, this);
    if (passOn) UIView::touchesEnded(t, e);
}
void LoggingView::touchesCancelled(const NSSet& t, UIEvent* e) {
    log.add("cancelled", t, e, this);
    if (passOn) UIView::touchesCancelled(t, e);
}
void LoggingView::drawRect(CGRect rect) {
    if (a <= 0) return;
    CGContextRef ctx = UIGraphicsGetCurrentContext();
    CGContextSetRGBFillColor(ctx, r, g, b, a);
    CGContextFillRect(ctx, rect);
}

TestController::TestController() {
    registerAction("showInfo:", &TestController::showInfo);
    registerAction("done:", &TestController::done);
    registerAction("choice2", &TestController::choice2);
    registerOutlet("extra", outletView);
}

void TestController::received(const char* action, const id& sender,
                              const std::function<void(TestController&, const id&)>& then) {
    actions.push_back(action);
    senders.push_back(sender);
    if (then) then(*this, sender);
}

std::unique_ptr<OffscreenApp> launchWith(const std::string& device,
                                         std::function<std::shared_ptr<UIViewController>()> makeRoot) {
    TestLaunch::makeRoot = std::move(makeRoot);
    DeviceProfile profile;
    DeviceProfile::named(device, profile);
    auto app = std::make_unique<OffscreenApp>(profile, NSStringFromClass<TestAppDelegate>());
    app->launch();
    return app;
}

Rgba pixelAt(CGSurface& surface, CGFloat x, CGFloat y) {
    auto* cairo = dynamic_cast<CairoSurface*>(&surface);
    if (!cairo) return {-1, -1, -1, -1};
    const CGImage img = cairo->readPixels();
    const int px = int(x * surface.scale()), py = int(y * surface.scale());
    if (px < 0 || py < 0 || px >= img.pixelWidth || py >= img.pixelHeight) return {-1, -1, -1, -1};
    return pixelAt(img, px, py);
}

std::shared_ptr<TestController> controllerWithNib(const std::string& nib) {
    auto c = std::make_shared<TestController>();
    c->initWithNibName(nib, nullptr);
    return c;
}

std::string makePng(int w, int h, float r, float g, float b) {
    CairoSurface s(CGSizeMake(CGFloat(w), CGFloat(h)), 1);
    s.context()->setRGBFillColor(r, g, b, 1);
    s.context()->fillRect(CGRectMake(0, 0, CGFloat(w), CGFloat(h)));
    s.flush();
    const TempFile path("ui_image.png");
    s.writePng(path);
    return readFile(path);
}
