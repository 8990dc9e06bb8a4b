#include "platform/backend/web/WebBackend.h"

#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cstdio>

#include "platform/ui/port/SyntheticGestures.h"

extern "C" {
// platform/backend/web/page.js
void wb_viewport(double* out);
int wb_listen(const char* selector, double width, double height, double* buf, int cap,
              void (*cb)(int, double, void*), void (*life)(int, void*), char* keyBuf, int keyCap,
              int (*key)(int, double, void*), void (*wheel)(double, double, void*), void* user);
int wb_open_url(const char* url);
void wb_frame_begin();
void wb_frame_end(int presented);
// platform/backend/web/a11y.js
int wb_a11y_listen(void (*activate)(int, void*), void* user);
void wb_a11y_update(const char* records, const float* frames, double width, double height);
}

namespace {
constexpr const char* kCanvas = "#canvas";
constexpr int kMaxPoints = 32;  // changed touches in one DOM event
}  // namespace

DeviceProfile WebBackend::viewportProfile() {
    double v[3] = {0, 0, 1};
    wb_viewport(v);
    DeviceProfile p;
    p.name = "custom";
    p.width = float(std::max(1.0, v[0]));
    p.height = float(std::max(1.0, v[1]));
    p.pixelRatio = std::min(kDeviceMaxPixelRatio, std::max(kDeviceMinPixelRatio, v[2]));
    p.idiom = DeviceProfile::idiomForSize(p.width, p.height);
    return p;
}

WebBackend::WebBackend(const DeviceProfile&) : profile_(viewportProfile()), input_(4 * kMaxPoints) {
    screen_ = std::make_unique<CanvasSurface>(CGSizeMake(profile_.width, profile_.height),
                                              profile_.pixelRatio, kCanvas);
}

WebBackend::~WebBackend() = default;

std::unique_ptr<CGSurface> WebBackend::createSurface(CGSize size, double scale) {
    return std::make_unique<CanvasSurface>(size, scale);
}

std::unique_ptr<CGSurface> WebBackend::createWindowSurface(CGSize size, double scale) {
    if (adopted_ || !(size == screen_->size()) || scale != screen_->scale())
        return createSurface(size, scale);
    // The page's canvas is already this size: no copy of the first frame.
    auto window = std::make_unique<CanvasSurface>(size, scale, kCanvas);
    adopted_ = window.get();
    return window;
}

void WebBackend::present(CGSurface& window) {
    auto* canvas = dynamic_cast<CanvasSurface*>(&window);
    if (canvas && canvas == adopted_) {
        // Drawn straight onto the page.
        canvas->flush();
    } else {
        CGContextRef c = screen_->context();
        CGContextClearRect(c, CGRectMake(0, 0, profile_.width, profile_.height));
        c->drawSurface(0, 0, window);
        screen_->flush();
        // The toolkit redraws its whole window surface for every frame: from
        // now on it may draw on the page itself, saving a copy per frame.
        if (canvas && canvas->size() == screen_->size() && canvas->scale() == screen_->scale() &&
            canvas->moveOnscreen(kCanvas))
            adopted_ = canvas;
    }
    ++presents_;
    canvasFramePresented();
}

double WebBackend::now() const { return emscripten_get_now() / 1000; }

bool WebBackend::openURL(const std::string& url) { return wb_open_url(url.c_str()) != 0; }

void WebBackend::requestFrame() {
    frameWanted_ = true;
    if (!host_ || framePending_) return;
    framePending_ = true;
    emscripten_request_animation_frame(&WebBackend::onAnimationFrame, this);
}

int WebBackend::onAnimationFrame(double, void* self) {
    auto* b = static_cast<WebBackend*>(self);
    b->framePending_ = false;
    b->frameWanted_ = false;
    unsigned long presents = b->presents_;
    wb_frame_begin();
    b->host_->runIteration();
    wb_frame_end(b->presents_ != presents);
    // Animations (and work queued while drawing) take the next frame too.
    if (b->host_->needsIteration()) b->requestFrame();
    return EM_FALSE;
}

void WebBackend::onInput(int count, double seconds, void* self) {
    auto* b = static_cast<WebBackend*>(self);
    TouchFrame frame;
    frame.timestamp = seconds;
    for (int i = 0; i < count && i < kMaxPoints; ++i) {
        const double* p = &b->input_[4 * size_t(i)];
        frame.points.push_back(
            {(long long)p[0], CGPointMake(CGFloat(p[1]), CGFloat(p[2])), static_cast<TouchPhase>(int(p[3]))});
    }
    // The page reports each finger's begin once and its end or cancel once.
    for (const auto& p : frame.points) {
        if (p.phase == TouchPhase::Began) ++b->fingersDown_;
        if ((p.phase == TouchPhase::Ended || p.phase == TouchPhase::Cancelled) && b->fingersDown_ > 0)
            --b->fingersDown_;
    }
    b->host_->postTouches(std::move(frame));
    b->requestFrame();
}

void WebBackend::synthesise(std::vector<TouchFrame> frames) {
    // A made-up finger among real ones would be a gesture nobody made.
    if (frames.empty() || fingersDown_ > 0) return;
    for (auto& f : frames) host_->postTouches(std::move(f));
    requestFrame();
}

int WebBackend::onKey(int repeat, double seconds, void* self) {
    auto* b = static_cast<WebBackend*>(self);
    const std::string name(b->key_.data());
    if (keyGesture(name).kind == KeyGesture::Kind::None) return 0;
    b->synthesise(keyFrames(name, repeat != 0, {b->profile_.width, b->profile_.height}, b->host_, seconds));
    return 1;
}

void WebBackend::onWheel(double notches, double seconds, void* self) {
    auto* b = static_cast<WebBackend*>(self);
    b->synthesise(pinchFrames({b->profile_.width, b->profile_.height}, notches, seconds));
}

void WebBackend::accessibilityChanged(const std::vector<AccessibilityNode>& nodes) {
    // Records of fields: role, label, value, link; the separators are control
    // characters no label holds. The frames go beside them as numbers, four a
    // node, so no float formatting is linked in.
    std::string out;
    std::vector<float> frames;
    frames.reserve(4 * nodes.size());
    for (const AccessibilityNode& n : nodes) {
        static const char* const kRoles[] = {"text", "button", "link", "live"};
        out += kRoles[int(n.role)];
        for (const std::string* f : {&n.label, &n.value, &n.link}) {
            out += '\x1f';
            for (char c : *f)
                if (c != '\x1e' && c != '\x1f') out += c;
        }
        out += '\x1e';
        frames.insert(frames.end(),
                      {n.frame.origin.x, n.frame.origin.y, n.frame.size.width, n.frame.size.height});
    }
    wb_a11y_update(out.c_str(), frames.data(), profile_.width, profile_.height);
}

void WebBackend::onActivate(int index, void* self) {
    auto* b = static_cast<WebBackend*>(self);
    if (index >= 0 && b->host_) b->host_->accessibilityActivate(size_t(index));
}

void WebBackend::onVisibility(int visible, void* self) {
    auto* b = static_cast<WebBackend*>(self);
    if (bool(visible) == b->visible_) return;
    b->visible_ = visible;
    if (visible) {
        b->host_->applicationWillEnterForeground();
        b->host_->applicationDidBecomeActive();
    } else {
        b->host_->applicationWillResignActive();
        b->host_->applicationDidEnterBackground();
    }
    b->requestFrame();
}

int WebBackend::run(BackendHost& host) {
    host_ = &host;
    if (!wb_listen(kCanvas, profile_.width, profile_.height, input_.data(), kMaxPoints, &WebBackend::onInput,
                   &WebBackend::onVisibility, key_.data(), int(key_.size()), &WebBackend::onKey,
                   &WebBackend::onWheel, this)) {
        std::fprintf(stderr, "starchart: the page has no <canvas id=\"canvas\">: no input\n");
    }
    wb_a11y_listen(&WebBackend::onActivate, this);
    if (frameWanted_ || host.needsIteration()) requestFrame();
    // Back to the browser with the runtime alive. The wasm stack is not
    // unwound, so `host` (in UIApplicationMain's frame) stays valid.
    emscripten_exit_with_live_runtime();
    return 0;
}
