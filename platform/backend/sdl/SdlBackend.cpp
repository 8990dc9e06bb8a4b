#include "platform/backend/sdl/SdlBackend.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/backend/sdl/DesktopOpener.h"
#include "platform/cg/cairo/CairoContext.h"
#include "platform/ui/port/FatalError.h"

namespace {

std::string sdlError() {
    const char* e = SDL_GetError();
    return e && *e ? e : "unknown SDL error";
}

int pixels(float points, double ratio) { return std::max(1, int(std::lround(points * ratio))); }

}  // namespace

SdlBackend::SdlBackend(const DeviceProfile& profile) : profile_(profile) {
    const char* log = std::getenv("STARCHART_SDL_LOG");
    log_ = log && *log && std::strcmp(log, "0") != 0;

    // The mouse and a touchscreen each arrive once, as themselves.
    SDL_SetHint(SDL_HINT_TOUCH_MOUSE_EVENTS, "0");
    SDL_SetHint(SDL_HINT_MOUSE_TOUCH_EVENTS, "0");
    // A click that focuses the window is also a touch.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // Only used when the drawable is not the surface's size (HiDPI scaling).
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    // A star chart is fine under a screen saver; don't keep the screen awake.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    // An ordinary window, not a game: leave the desktop's compositor on.
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    SDL_SetHint(SDL_HINT_APP_NAME, "starchart");

    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        throw UIKitFatalError("cannot open a window (SDL video: " + sdlError() +
                              "); is DISPLAY or WAYLAND_DISPLAY set?");

    // Without a display SDL falls back to drivers that show nothing (and
    // poll); that is only wanted when asked for by name.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    if (driver && (!std::strcmp(driver, "offscreen") || !std::strcmp(driver, "dummy")) &&
        !(asked && *asked)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        auto env = [](const char* name) {
            const char* v = SDL_getenv(name);
            return std::string(name) + (v && *v ? std::string("=") + v : std::string(" unset"));
        };
        throw UIKitFatalError("cannot open a window: no display could be opened (" + env("DISPLAY") + ", " +
                              env("WAYLAND_DISPLAY") + "); SDL found only its '" + driver + "' video driver");
    }

    const int w = pixels(profile_.width, profile_.pixelRatio);
    const int h = pixels(profile_.height, profile_.pixelRatio);
    window_ = SDL_CreateWindow("starchart", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h,
                               SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI);
    if (window_) {
        renderer_ = SDL_CreateRenderer(window_, -1, 0);
        if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    }
    if (!window_ || !renderer_) {
        const std::string why = sdlError();
        if (window_) SDL_DestroyWindow(window_);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        throw UIKitFatalError("cannot open a " + std::to_string(w) + "x" + std::to_string(h) +
                              " window: " + why);
    }

    // A HiDPI screen's drawable has more pixels than the window has
    // coordinates: that is the pixel ratio, unless --pixel-ratio chose one.
    int ww = 0, wh = 0, ow = 0, oh = 0;
    SDL_GetWindowSize(window_, &ww, &wh);
    if (SDL_GetRendererOutputSize(renderer_, &ow, &oh) == 0)
        profile_.pixelRatio = profile_.pixelRatioForDrawable(ww, ow);

    // No text is typed into the chart: no input method either.
    SDL_StopTextInput();
    wakeEvent_ = SDL_RegisterEvents(1);
    SDL_DisplayMode mode;
    const int display = SDL_GetWindowDisplayIndex(window_);
    if (display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0 && mode.refresh_rate > 0)
        frameInterval_ = 1.0 / mode.refresh_rate;
    syncGeometry();
    input_.setAlt((SDL_GetModState() & KMOD_ALT) != 0, now());
    if (log_) {
        SDL_RendererInfo info;
        SDL_GetRendererInfo(renderer_, &info);
        std::fprintf(stderr, "sdl: window %dx%d px, renderer %s, frame interval %.1f ms\n", w, h, info.name,
                     frameInterval_ * 1000);
    }
}

SdlBackend::~SdlBackend() {
    if (log_)
        std::fprintf(stderr, "sdl: %lu presents, %lu iterations, %lu sleeps\n", presents_, iterations_,
                     sleeps_);
    if (texture_) SDL_DestroyTexture(texture_);
    SDL_DestroyRenderer(renderer_);
    SDL_DestroyWindow(window_);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    SDL_Quit();
}

std::unique_ptr<CGSurface> SdlBackend::createSurface(CGSize size, double scale) {
    return std::make_unique<CairoSurface>(size, scale);
}

double SdlBackend::now() const { return SDL_GetTicks64() / 1000.0; }

void SdlBackend::syncGeometry() {
    // The screen keeps its proportions: a window given another size (a tiling
    // window manager, a HiDPI desktop) shows it scaled to fit and centred.
    int ww = 0, wh = 0, ow = 0, oh = 0;
    SDL_GetWindowSize(window_, &ww, &wh);
    if (SDL_GetRendererOutputSize(renderer_, &ow, &oh) != 0 || ow <= 0 || oh <= 0) {
        ow = ww;
        oh = wh;
    }
    const double sw = profile_.width * profile_.pixelRatio, sh = profile_.height * profile_.pixelRatio;
    const double fit = std::min(ow / sw, oh / sh);
    const int vw = std::max(1, int(std::lround(sw * fit))), vh = std::max(1, int(std::lround(sh * fit)));
    viewport_ = {(ow - vw) / 2, (oh - vh) / 2, vw, vh};
    const double toWindowX = ww > 0 ? double(ww) / ow : 1, toWindowY = wh > 0 ? double(wh) / oh : 1;
    input_.setGeometry(ww, wh, {profile_.width, profile_.height},
                       {{CGFloat(viewport_.x * toWindowX), CGFloat(viewport_.y * toWindowY)},
                        {CGFloat(vw * toWindowX), CGFloat(vh * toWindowY)}});
}

void SdlBackend::present(CGSurface& window) {
    auto* surface = dynamic_cast<CairoSurface*>(&window);
    if (!surface) {
        static bool warned = false;
        if (!warned) std::fprintf(stderr, "starchart: the SDL window can only show Cairo surfaces\n");
        warned = true;
        return;
    }
    const Uint64 started = SDL_GetPerformanceCounter();
    surface->flush();
    cairo_surface_t* image = surface->cairoSurface();
    const int w = surface->pixelWidth(), h = surface->pixelHeight();
    if (w <= 0 || h <= 0) return;
    if (!texture_ || w != textureWidth_ || h != textureHeight_) {
        if (texture_) SDL_DestroyTexture(texture_);
        // Cairo's ARGB32 is one native-endian 32-bit word a pixel, alpha on
        // top: SDL's ARGB8888. Its colours are premultiplied; copying them
        // unblended onto the window is the same as compositing over black.
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, w, h);
        if (!texture_) {
            std::fprintf(stderr, "starchart: cannot create a %dx%d texture: %s\n", w, h, sdlError().c_str());
            return;
        }
        SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_NONE);
        textureWidth_ = w;
        textureHeight_ = h;
    }
    SDL_UpdateTexture(texture_, nullptr, cairo_image_surface_get_data(image),
                      cairo_image_surface_get_stride(image));
    ++presents_;
    blit();
    if (log_)
        std::fprintf(
            stderr, "sdl: present %lu at %.3f (%dx%d px, %.2f ms)\n", presents_, now(), w, h,
            (SDL_GetPerformanceCounter() - started) * 1000.0 / double(SDL_GetPerformanceFrequency()));
    if (!shown_) {
        SDL_ShowWindow(window_);
        shown_ = true;
        syncGeometry();
    }
}

void SdlBackend::blit() {
    if (!texture_) return;
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, &viewport_);
    SDL_RenderPresent(renderer_);
}

bool SdlBackend::openURL(const std::string& url) {
    std::string why;
    if (openWithDesktop("xdg-open", url, 5, &why)) return true;
    std::fprintf(stderr, "starchart: cannot open %s: %s\n", url.c_str(), why.c_str());
    return false;
}

bool SdlBackend::copyToClipboard(const std::string& text) {
    if (SDL_SetClipboardText(text.c_str()) == 0) return true;
    std::fprintf(stderr, "starchart: cannot copy to the clipboard: %s\n", sdlError().c_str());
    return false;
}

void SdlBackend::requestFrame() {
    if (wakePending_.exchange(true)) return;
    SDL_Event e;
    SDL_zero(e);
    e.type = wakeEvent_;
    if (SDL_PushEvent(&e) != 1) wakePending_ = false;
}

void SdlBackend::applyLifecycle(BackendHost& host) {
    // Applied once per batch of events, so that focus lost and regained in
    // one go (as some window managers do when mapping a window) says nothing.
    const bool active = focused_ && visible_;
    if (active_ && !active) {
        active_ = false;
        host.applicationWillResignActive();
    }
    if (foreground_ && !visible_) {
        foreground_ = false;
        host.applicationDidEnterBackground();
    }
    if (!foreground_ && visible_) {
        foreground_ = true;
        host.applicationWillEnterForeground();
    }
    if (!active_ && active) {
        active_ = true;
        host.applicationDidBecomeActive();
    }
}

void SdlBackend::handle(const SDL_Event& e, bool& quit) {
    if (e.type == wakeEvent_) {
        wakePending_ = false;
        return;
    }
    if (input_.handle(e)) return;
    const double t = e.common.timestamp / 1000.0;
    switch (e.type) {
        case SDL_QUIT:
            quit = true;
            break;
        case SDL_WINDOWEVENT:
            switch (e.window.event) {
                case SDL_WINDOWEVENT_EXPOSED:
                    exposed_ = true;
                    break;
                case SDL_WINDOWEVENT_SIZE_CHANGED:
                    syncGeometry();
                    exposed_ = true;
                    break;
                case SDL_WINDOWEVENT_FOCUS_GAINED:
                    focused_ = true;
                    input_.setAlt((SDL_GetModState() & KMOD_ALT) != 0, t);
                    break;
                case SDL_WINDOWEVENT_FOCUS_LOST:
                    // Buttons and keys released elsewhere never come back.
                    focused_ = false;
                    input_.cancelAll(t);
                    break;
                case SDL_WINDOWEVENT_MINIMIZED:
                case SDL_WINDOWEVENT_HIDDEN:
                    visible_ = false;
                    input_.cancelAll(t);
                    break;
                case SDL_WINDOWEVENT_RESTORED:
                case SDL_WINDOWEVENT_MAXIMIZED:
                case SDL_WINDOWEVENT_SHOWN:
                    visible_ = true;
                    break;
                case SDL_WINDOWEVENT_CLOSE:
                    quit = true;
                    break;
                default:
                    break;
            }
            break;
        default:
            break;
    }
}

int SdlBackend::run(BackendHost& host) {
    input_.setHost(&host);
    if (!shown_) {
        SDL_ShowWindow(window_);
        shown_ = true;
        syncGeometry();
    }
    bool quit = false;
    SDL_Event e;
    while (!quit) {
        if (!host.needsIteration() && !input_.hasFrames()) {
            // Idle: sleep until input or requestFrame.
            ++sleeps_;
            if (!SDL_WaitEvent(&e)) {
                std::fprintf(stderr, "starchart: waiting for events failed: %s\n", sdlError().c_str());
                return 1;
            }
            if (log_ && e.type == wakeEvent_) std::fprintf(stderr, "sdl: woken by requestFrame\n");
            handle(e, quit);
        }
        // At most one iteration a refresh: whatever arrives until then is
        // input for the same iteration.
        while (!quit) {
            const double left = lastIteration_ + frameInterval_ - now();
            const int ms = int(std::ceil(left * 1000));
            if (ms <= 0) {
                while (!quit && SDL_PollEvent(&e)) handle(e, quit);
                break;
            }
            if (!SDL_WaitEventTimeout(&e, ms)) continue;
            handle(e, quit);
        }
        if (quit) break;
        applyLifecycle(host);
        for (auto& frame : input_.takeFrames()) host.postTouches(std::move(frame));
        if (exposed_) {
            exposed_ = false;
            blit();
        }
        if (!host.needsIteration()) continue;
        lastIteration_ = now();
        ++iterations_;
        host.runIteration();
    }
    return 0;
}
