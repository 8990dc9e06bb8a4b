// The browser backend: the page's canvas as the screen, its touches and mouse
// as fingers, its keys and wheel as the touches a finger would make,
// animation frames as the loop.
//
// The screen is the viewport at load (CSS pixels as points, tablet when the
// shorter side is at least 600) at the device pixel ratio. The app lays out
// once; when the window changes shape the page scales the presented canvas
// whole into it. A frame is requested only when the toolkit has work, so an
// idle chart costs nothing, and every input event that arrives before that
// frame is delivered in it.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "platform/backend/web/CanvasContext.h"
#include "platform/ui/port/Backend.h"

class WebBackend : public Backend {
public:
    // profile: the command line's (ignored but for its name); the viewport
    // decides size, pixel ratio and idiom.
    explicit WebBackend(const DeviceProfile& profile);
    ~WebBackend() override;
    WebBackend(const WebBackend&) = delete;
    WebBackend& operator=(const WebBackend&) = delete;

    // The viewport's profile, as the constructor reads it.
    static DeviceProfile viewportProfile();

    const DeviceProfile& profile() const override { return profile_; }
    // Offscreen canvases; the window's draws on the page itself.
    std::unique_ptr<CGSurface> createSurface(CGSize size, double scale) override;
    std::unique_ptr<CGSurface> createWindowSurface(CGSize size, double scale) override;
    void present(CGSurface& window) override;
    // A canvas copied into another costs more than the chart's own drawing.
    bool drawsViewsInPlace() const override { return true; }
    // Seconds on the clock of performance.now(), as input timestamps are.
    double now() const override;
    bool openURL(const std::string& url) override;
    void requestFrame() override;
    // Mirrors the elements into the page as invisible controls over the canvas.
    void accessibilityChanged(const std::vector<AccessibilityNode>& nodes) override;
    // Starts listening and returns to the browser's event loop without
    // unwinding: the caller's frame (and the host in it) stays in place for
    // the life of the page, and run never returns.
    int run(BackendHost& host) override;

    unsigned long presentCount() const { return presents_; }

private:
    static int onAnimationFrame(double time, void* self);
    static void onInput(int count, double seconds, void* self);
    static void onVisibility(int visible, void* self);
    // Keys and the wheel, as the touches a finger would make.
    static int onKey(int repeat, double seconds, void* self);
    static void onWheel(double notches, double seconds, void* self);
    void synthesise(std::vector<TouchFrame> frames);
    static void onActivate(int index, void* self);

    DeviceProfile profile_;
    std::unique_ptr<CanvasSurface> screen_;
    // The window surface once it draws on the page itself (not owned).
    CanvasSurface* adopted_ = nullptr;
    BackendHost* host_ = nullptr;
    bool framePending_ = false;
    bool frameWanted_ = false;
    bool visible_ = true;
    std::vector<double> input_;   // finger, x, y, phase per point
    std::array<char, 16> key_{};  // the page writes a key's name here
    int fingersDown_ = 0;         // the page's fingers down now
    unsigned long presents_ = 0;
};
