// The SDL backend under a small host of its own, without the toolkit: every
// finger down is a disc (finger 1 red, 2 green, others blue) on a dark blue
// screen with a yellow square in its top-left corner. It prints each touch
// and life-cycle notice on stdout, so that tests can drive it with synthetic
// input and check both what it was told and what it showed.
//
//   sdl_demo [--size WxH] [--pixel-ratio N] [--wake-after SECONDS]
//
// --wake-after: another thread asks for a frame after that long; the frame
// adds a white square in the bottom-right corner ("woken" on stdout).
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <exception>
#include <map>
#include <string>
#include <thread>

#include "platform/backend/sdl/SdlBackend.h"

namespace {

class DemoHost : public BackendHost {
public:
    explicit DemoHost(Backend& backend) : backend_(backend) {
        const DeviceProfile& p = backend.profile();
        surface_ = backend.createSurface({p.width, p.height}, p.pixelRatio);
    }

    void postTouches(TouchFrame frame) override { queue_.push_back(std::move(frame)); }
    bool needsIteration() const override { return !queue_.empty() || dirty_ || (woken_ && !drawnWoken_); }
    void runIteration() override {
        for (; !queue_.empty(); queue_.pop_front()) {
            const TouchFrame& f = queue_.front();
            std::printf("frame %.3f\n", f.timestamp);
            for (const TouchPoint& t : f.points) {
                std::printf("touch %lld %d %.1f %.1f\n", t.finger, t.phase, t.location.x, t.location.y);
                if (t.phase >= 3)
                    fingers_.erase(t.finger);
                else
                    fingers_[t.finger] = t.location;
            }
            dirty_ = true;
        }
        if (woken_ && !drawnWoken_) {
            drawnWoken_ = dirty_ = true;
            std::printf("woken\n");
        }
        if (!dirty_) return;
        draw();
        backend_.present(*surface_);
        dirty_ = false;
        std::printf("present %d\n", ++presents_);
    }
    void applicationWillResignActive() override { std::printf("resign active\n"); }
    void applicationDidEnterBackground() override { std::printf("background\n"); }
    void applicationWillEnterForeground() override { std::printf("foreground\n"); }
    void applicationDidBecomeActive() override { std::printf("become active\n"); }

    void wake() {
        woken_ = true;
        backend_.requestFrame();
    }

private:
    void draw() {
        CGContextRef c = surface_->context();
        const CGSize s = surface_->size();
        CGContextSetRGBFillColor(c, 0.1f, 0.1f, 0.3f, 1);
        CGContextFillRect(c, CGRectMake(0, 0, s.width, s.height));
        CGContextSetRGBFillColor(c, 1, 1, 0, 1);
        CGContextFillRect(c, CGRectMake(0, 0, 20, 20));
        if (drawnWoken_) {
            CGContextSetRGBFillColor(c, 1, 1, 1, 1);
            CGContextFillRect(c, CGRectMake(s.width - 20, s.height - 20, 20, 20));
        }
        for (const auto& f : fingers_) {
            if (f.first == SdlInput::kMouseFinger)
                CGContextSetRGBFillColor(c, 1, 0, 0, 1);
            else if (f.first == SdlInput::kMirrorFinger)
                CGContextSetRGBFillColor(c, 0, 1, 0, 1);
            else
                CGContextSetRGBFillColor(c, 0, 0.5f, 1, 1);
            CGContextFillEllipseInRect(c, CGRectMake(f.second.x - 12, f.second.y - 12, 24, 24));
        }
        surface_->flush();
    }

    Backend& backend_;
    std::unique_ptr<CGSurface> surface_;
    std::deque<TouchFrame> queue_;
    std::map<long long, CGPoint> fingers_;
    bool dirty_ = true;
    std::atomic<bool> woken_{false};
    bool drawnWoken_ = false;
    int presents_ = 0;
};

int usage(const std::string& why) {
    std::fprintf(stderr,
                 "sdl_demo: %s\nusage: sdl_demo [--size WxH] [--pixel-ratio N] [--wake-after SECONDS]\n",
                 why.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    DeviceProfile profile;
    profile.name = "custom";
    double wakeAfter = -1;
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        if (i + 1 >= argc) return usage(flag + " needs a value");
        const std::string value = argv[++i];
        char* end = nullptr;
        if (flag == "--size") {
            int w = 0, h = 0;
            if (std::sscanf(value.c_str(), "%dx%d", &w, &h) != 2 || w < 1 || h < 1 || w > 4096 || h > 4096)
                return usage("--size: '" + value + "' is not WxH with sides 1..4096");
            profile.width = float(w);
            profile.height = float(h);
        } else if (flag == "--pixel-ratio") {
            profile.pixelRatio = std::strtod(value.c_str(), &end);
            if (*end || !(profile.pixelRatio >= 1 && profile.pixelRatio <= 4))
                return usage("--pixel-ratio: '" + value + "' is not a number from 1 to 4");
        } else if (flag == "--wake-after") {
            wakeAfter = std::strtod(value.c_str(), &end);
            if (*end || !(wakeAfter >= 0 && wakeAfter <= 60))
                return usage("--wake-after: '" + value + "' is not a number of seconds from 0 to 60");
        } else {
            return usage("unknown flag " + flag);
        }
    }

    try {
        SdlBackend backend(profile);
        DemoHost host(backend);
        host.runIteration();
        std::thread waker;
        if (wakeAfter >= 0)
            waker = std::thread([&host, wakeAfter] {
                std::this_thread::sleep_for(std::chrono::duration<double>(wakeAfter));
                host.wake();
            });
        const int status = backend.run(host);
        if (waker.joinable()) waker.join();
        std::printf("quit %d\n", status);
        return status;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "sdl_demo: %s\n", e.what());
        return 1;
    }
}
