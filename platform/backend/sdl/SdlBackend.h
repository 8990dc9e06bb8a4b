// The desktop backend: one SDL2 window the size of the device profile (points
// x pixel ratio), showing Cairo image surfaces through a streaming texture,
// with the mouse and a touchscreen as touches (see SdlInput.h). A window
// that ends up another size (a tiling window manager, a HiDPI desktop whose
// drawable is not points x pixel ratio) shows the screen scaled to fit and
// centred, and input maps through the same box.
//
// The loop sleeps in SDL_WaitEvent whenever the toolkit has nothing to do,
// so an idle window costs no frames; with work pending it runs at most one
// iteration per display refresh, taking every event that arrived meanwhile
// as input for that one iteration.
//
// STARCHART_SDL_LOG=1 in the environment logs every present and wake-up, and
// the totals at exit, to stderr (lines starting "sdl:").
#pragma once

#include <SDL.h>

#include <atomic>
#include <memory>
#include <string>

#include "platform/backend/sdl/SdlInput.h"
#include "platform/ui/port/Backend.h"

class SdlBackend : public Backend {
public:
    // Opens the window (hidden until the first present). Throws
    // UIKitFatalError when SDL cannot open a window, e.g. without a display.
    explicit SdlBackend(const DeviceProfile& profile);
    ~SdlBackend() override;
    SdlBackend(const SdlBackend&) = delete;
    SdlBackend& operator=(const SdlBackend&) = delete;

    const DeviceProfile& profile() const override { return profile_; }
    // A CairoSurface: present() takes only those.
    std::unique_ptr<CGSurface> createSurface(CGSize size, double scale) override;
    void present(CGSurface& window) override;
    // Seconds on SDL's tick clock, the clock of input event timestamps.
    double now() const override;
    bool openURL(const std::string& url) override;
    bool copyToClipboard(const std::string& text) override;
    // Safe from any thread.
    void requestFrame() override;
    // Returns 0 when the window is closed (or SIGINT/SIGTERM arrive).
    int run(BackendHost& host) override;

    SDL_Window* window() const { return window_; }
    unsigned long presentCount() const { return presents_; }
    unsigned long iterationCount() const { return iterations_; }

private:
    void handle(const SDL_Event& e, bool& quit);
    void syncGeometry();
    void blit();
    void applyLifecycle(BackendHost& host);

    DeviceProfile profile_;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int textureWidth_ = 0, textureHeight_ = 0;
    SDL_Rect viewport_{0, 0, 0, 0};  // where the screen is drawn, in drawable pixels
    bool shown_ = false, exposed_ = false;
    Uint32 wakeEvent_ = 0;
    std::atomic<bool> wakePending_{false};
    double frameInterval_ = 1.0 / 60;
    double lastIteration_ = -1;
    // What the window is (focused_, visible_) and what the application was
    // last told (active_, foreground_); it starts active, as launched.
    bool focused_ = true, visible_ = true;
    bool active_ = true, foreground_ = true;
    SdlInput input_;
    bool log_ = false;
    unsigned long presents_ = 0, iterations_ = 0, sleeps_ = 0;
};
