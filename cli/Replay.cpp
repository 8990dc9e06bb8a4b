// `starchart replay`: runs the whole app headless through a script of
// touches, taps and control presses on a virtual clock, and writes window
// snapshots and state dumps on the way.
//
//   starchart replay SCRIPT.json [--device NAME | --size WxH [--idiom phone|tablet]]
//                    [--pixel-ratio N] [--out-dir DIR]
//
// The script is one JSON object:
//
//   {"device": "phone",                 optional: phone, phone-tall, phone-wide, tablet, or
//                                       {"size": [w, h], "idiom": "phone"|"tablet", "pixelRatio": n};
//                                       device flags on the command line override it (--pixel-ratio
//                                       alone overrides only the pixel ratio); default phone
//    "steps": [
//     {"touches": "began", "points": [[160, 240]]},
//     {"touches": "moved", "points": [[260, 240]]},
//     {"touches": "ended", "points": [[260, 240]]},
//     {"touches": "began", "points": [[100, 200], [220, 280]]},
//     {"touches": "moved", "points": [[100, 200], [240, 300]], "changed": [1]},
//     {"touches": "ended", "points": [[100, 200], [240, 300]]},
//     {"tap": [160, 240], "count": 2},
//     {"press": "info"},
//     {"wait": 600},
//     {"snapshot": "info.png"},
//     {"state": "info.json"}]}
//
// Steps (one kind each; any step may carry a "comment" string):
//   touches  one touch event: "began", "moved", "ended" or "cancelled". "points" lists every
//            finger on the screen, window points [x, y], by finger: index i is finger i for
//            the whole script, null for a finger that is not down. "changed" (default: every
//            listed finger) names the fingers the phase applies to; the others rest where
//            they are (stationary). Beginning a finger that is down, moving, ending or
//            cancelling one that is not, a resting finger listed elsewhere than where it is,
//            or a finger down but not listed, is an error. Points may lie anywhere (|x|, |y| up
//            to 10^6); a finger that comes down outside the window touches nothing.
//   tap      [x, y] with "count" (default 1, at most 20): touch-down and lift-off 50 ms
//            apart, the next tap 50 ms after the lift-off.
//   press    a touch-down and, 50 ms later, a lift-off at the centre of the visible control
//            with that title (button title, also without its edge spaces, bar item title or
//            accessibility identifier);
//            "info" is the info button or the bar's Info item, "Done" the info screen's
//            closing button. A control not on screen, covered, or pressed while a screen
//            transition runs (touches are ignored then) is an error.
//   wait     ms: only moves the clock.
//   snapshot FILE.png: the window as it shows at that moment.
//   state    FILE.json: the chart centre; the main controller's xs, ys, echelle, valLearn,
//            initialDistance, oldTouch, largeur, hauteur; the chart view's labelMode (wLN),
//            wSN, ech, largeur, hauteur; "screen" ("main", "info" full-screen or
//            "info-popover") and "transition"; every visible view with its class, title,
//            text or identifier and frame in window points; the URLs handed to the platform;
//            the fingers down; "time".
// Time: the clock starts at 0 at launch; every step starts 50 ms after the last event of
// the one before (a wait: its ms after it), or at "at": MS (ms since launch; never back in
// time). Tap counts are the toolkit's own, from that clock and the places: a touch that
// begins within 350 ms and 25 points of where the last tap ended counts one more, so two
// "tap" steps with the default spacing continue one count. "tapCount": N forces the count
// of the touches a "touches" began step puts down, or of a "tap" step's first tap (its
// later taps count on from N).
// Files: paths are relative to --out-dir (default: the current directory), without "..";
// missing directories under it are made.
// Exit status: 0 done; 2 bad arguments or a malformed script (the message names the step
// and what is wrong, invalid JSON its line and column), nothing run; 1 a step failed while
// playing (a control not on screen, a file not written) or the app did not start.
#include "cli/Replay.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "chart/ChartCentre.h"
#include "cli/Commands.h"
#include "cli/Flags.h"
#include "cli/ReplayScript.h"
#include "infoscreen/VHFlipsideViewController.h"
#include "mainscreen/VHMainViewController.h"
#include "platform/backend/offscreen/OffscreenApp.h"
#include "platform/cg/file/OutputFile.h"
#include "platform/ui/port/DeviceProfile.h"

namespace {

constexpr const char* kUsage =
    "usage: starchart replay SCRIPT.json [--device phone|phone-tall|phone-wide|tablet | --size WxH [--idiom "
    "phone|tablet]] [--pixel-ratio N] [--out-dir DIR]\n"
    "  Plays the script's touches, taps and presses on the app offscreen and writes its snapshots and\n"
    "  state dumps under DIR (default: the current directory). Device flags given here override the\n"
    "  script's \"device\" (--pixel-ratio alone overrides only the pixel ratio).";

// Fingers the player uses for taps and presses, apart from the script's.
constexpr long long kTapFinger = 1000000, kPressFinger = 1000001;

struct ReplayOptions {
    std::string script;
    std::string outDir = ".";
    std::vector<std::string> deviceArgs;  // the device flags as given
    bool namesDevice = false, setsPixelRatio = false;
};

struct ReplayFailure {
    std::string message;
};

bool isFlag(const std::string& arg, const char* flag) {
    const std::string f = flag;
    return arg == f || arg.rfind(f + "=", 0) == 0;
}

ReplayOptions parseArgs(const std::vector<std::string>& args) {
    ReplayOptions o;
    DeviceFlagsResult device = parseDeviceFlags(args);
    if (!device.ok()) throw FlagError{device.error};
    for (const auto& a : args) {
        if (isFlag(a, "--device") || isFlag(a, "--size") || isFlag(a, "--idiom")) o.namesDevice = true;
        if (isFlag(a, "--pixel-ratio")) o.setsPixelRatio = true;
    }
    o.deviceArgs = args;
    FlagReader flags(device.rest);
    std::string arg;
    while (flags.next(arg)) {
        if (arg == "--out-dir") {
            o.outDir = flags.value(arg);
            for (char c : o.outDir)
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
                    throw FlagError{"--out-dir: " + quotedArgument(o.outDir) + " holds a control character"};
        } else if (arg.size() > 1 && arg[0] == '-') {
            throw FlagError{"unknown argument " + quotedArgument(arg)};
        } else if (o.script.empty()) {
            o.script = arg;
        } else {
            throw FlagError{"one script only; unexpected argument " + quotedArgument(arg)};
        }
    }
    if (o.script.empty()) throw FlagError{"the script (SCRIPT.json) is missing"};
    return o;
}

// The command line's device over the script's.
DeviceProfile chooseDevice(const ReplayOptions& o, const ReplayScript& script) {
    const DeviceProfile fromLine = parseDeviceFlags(o.deviceArgs).profile;
    DeviceFlagsResult fromScript = parseDeviceFlags(script.deviceFlags);
    if (!fromScript.ok()) throw ReplayScriptError{"\"device\": " + fromScript.error};
    DeviceProfile p = o.namesDevice ? fromLine : fromScript.profile;
    p.pixelRatio = o.setsPixelRatio ? fromLine.pixelRatio : fromScript.profile.pixelRatio;
    return p;
}

class Player {
public:
    Player(OffscreenApp& app, double launchTime, const ReplayScript& script, int outDir,
           std::string outDirName, DeviceProfile profile)
        : app_(app),
          t0_(launchTime),
          script_(script),
          outDir_(outDir),
          outDirName_(std::move(outDirName)),
          profile_(std::move(profile)) {}

    void play(const ReplayStep& s) {
        switch (s.kind) {
            case ReplayStep::Kind::Touches: {
                advanceTo(s.start);
                std::vector<TouchPoint> points;
                const TouchPhase phase = s.phase;
                const bool began = phase == TouchPhase::Began;
                for (auto c = script_.changedBegin(s); c != script_.changedEnd(s); ++c) {
                    const int finger = c->first;
                    const ReplayPoint p = c->second;
                    points.push_back(
                        TouchPoint{finger, CGPointMake(p.x, p.y), phase, began ? s.tapCount : 0});
                    if (began) down_.push_back(finger);
                    if (phase == TouchPhase::Ended || phase == TouchPhase::Cancelled)
                        down_.erase(std::remove(down_.begin(), down_.end(), finger), down_.end());
                }
                app_.inject(points);
                break;
            }
            case ReplayStep::Kind::Tap: {
                const CGPoint p = CGPointMake(s.point.x, s.point.y);
                for (int i = 0; i < s.count; ++i) {
                    const double down = s.start + i * (kReplayTapHoldMs + kReplayTapGapMs);
                    advanceTo(down);
                    app_.inject({{kTapFinger, p, TouchPhase::Began, s.tapCount > 0 ? s.tapCount + i : 0}});
                    advanceTo(down + kReplayTapHoldMs);
                    app_.inject({{kTapFinger, p, TouchPhase::Ended}});
                }
                break;
            }
            case ReplayStep::Kind::Press:
                advanceTo(s.start);
                press(s);
                break;
            case ReplayStep::Kind::Wait:
                advanceTo(s.start);
                break;
            case ReplayStep::Kind::Snapshot: {
                advanceTo(s.start);
                const Folder folder = prepare(s);
                std::string error;
                if (!app_.writePNG(folder.fd, folder.name, &error))
                    throw ReplayFailure{"snapshot: cannot write '" + shown(s) + "': " + reason(error)};
                break;
            }
            case ReplayStep::Kind::State: {
                advanceTo(s.start);
                const Folder folder = prepare(s);
                const std::string text = state(s).dump(2) + "\n";
                std::string error;
                std::unique_ptr<OutputFile> out = OutputFile::create(folder.fd, folder.name, &error);
                if (!out || !out->write(text.data(), text.size()) || !out->commit(&error))
                    throw ReplayFailure{"state: cannot write '" + shown(s) + "': " + reason(error)};
                break;
            }
        }
    }

private:
    // Runs the app up to ms on the script's clock: 60 Hz iterations while it
    // has work (animations, redraws), a jump where it is idle.
    void advanceTo(double ms) {
        const double target = t0_ + ms / 1000;
        UIKitRuntime& rt = app_.runtime();
        while (app_.now() < target) {
            if (!rt.needsIteration()) {
                app_.backend().advanceClock(target - app_.now());
                break;
            }
            app_.backend().advanceClock(std::min(1.0 / 60, target - app_.now()));
            rt.runIteration();
        }
    }

    // An open folder beneath the output directory and a file name in it.
    struct Folder {
        int fd = -1;
        std::string name;
        bool owned = false;
        Folder() = default;
        Folder(const Folder&) = delete;
        Folder& operator=(const Folder&) = delete;
        Folder(Folder&& o) noexcept : fd(o.fd), name(std::move(o.name)), owned(o.owned) { o.owned = false; }
        ~Folder() {
            if (owned) ::close(fd);
        }
    };

    std::string shown(const ReplayStep& s) const {
        return replayExcerpt(outDirName_ + "/" + script_.nameOf(s));
    }

    static std::string reason(const std::string& error) {
        const auto colon = error.rfind(": ");
        return colon == std::string::npos ? error : error.substr(colon + 2);
    }

    // Walks the step's path beneath the output directory one part at a time,
    // making missing folders and following no symbolic link, so that nothing
    // is written outside it.
    Folder prepare(const ReplayStep& s) {
        const std::string& path = script_.nameOf(s);
        Folder folder;
        folder.fd = outDir_;
        size_t from = 0;
        for (size_t slash; (slash = path.find('/', from)) != std::string::npos; from = slash + 1) {
            const std::string part = path.substr(from, slash - from);
            if (part.empty() || part == ".") continue;
            int fd = ::openat(folder.fd, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (fd < 0 && errno == ENOENT) {
                if (::mkdirat(folder.fd, part.c_str(), 0777) != 0 && errno != EEXIST)
                    throw ReplayFailure{"cannot make the folder '" + replayExcerpt(part) + "' for '" +
                                        shown(s) + "': " + std::strerror(errno)};
                fd = ::openat(folder.fd, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            }
            if (fd < 0) {
                const int saved = errno;
                struct stat st {};
                const bool link =
                    ::fstatat(folder.fd, part.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode);
                throw ReplayFailure{"cannot write '" + shown(s) + "': '" + replayExcerpt(part) + "' " +
                                    (link ? std::string("is a symbolic link, which replay does not follow")
                                          : "is not a folder (" + std::string(std::strerror(saved)) + ")")};
            }
            if (folder.owned) ::close(folder.fd);
            folder.fd = fd;
            folder.owned = true;
        }
        folder.name = path.substr(from);
        struct stat st {};
        if (::fstatat(folder.fd, folder.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            if (S_ISLNK(st.st_mode))
                throw ReplayFailure{"cannot write '" + shown(s) +
                                    "': it is a symbolic link, which replay does not follow"};
            if (S_ISDIR(st.st_mode)) throw ReplayFailure{"cannot write '" + shown(s) + "': it is a folder"};
        }
        return folder;
    }

    VHMainViewController* main() const {
        return dynamic_cast<VHMainViewController*>(app_.rootViewController().get());
    }

    // "info" is the info button, or the bar item that shows the info screen.
    void press(const ReplayStep& s) {
        const std::string& wanted = script_.nameOf(s);
        auto* m = main();
        OffscreenApp::PressNaming naming;
        naming.alias = [&](const UIControl& c, const UIBarButtonItem* item) -> std::optional<bool> {
            if (wanted != "info") return std::nullopt;
            return (m && &c == m->infoButton().get()) || (item && item->action() == "showInfo:");
        };
        naming.describe = [&](const UIControl& c) {
            return m && &c == m->infoButton().get() ? std::string("\"info\" (the info button)")
                                                    : std::string();
        };
        const auto target = app_.findControlToPress(wanted, naming);
        if (!target.control) throw ReplayFailure{"press \"" + replayExcerpt(wanted) + "\": " + target.error};
        app_.inject({{kPressFinger, target.centre, TouchPhase::Began}});
        advanceTo(s.start + kReplayTapHoldMs);
        app_.inject({{kPressFinger, target.centre, TouchPhase::Ended}});
    }

    nlohmann::json rect(CGRect r) const {
        return nlohmann::json::array({r.origin.x, r.origin.y, r.size.width, r.size.height});
    }

    nlohmann::json state(const ReplayStep& s) const {
        using nlohmann::json;
        json j;
        j["step"] = s.number;
        j["time"] = s.start;
        j["device"] = {{"name", profile_.name},
                       {"size", {profile_.width, profile_.height}},
                       {"idiom", profile_.idiom == UIUserInterfaceIdiomPhone ? "phone" : "tablet"},
                       {"pixelRatio", profile_.pixelRatio}};
        j["chartCentre"] = {{"rightAscension", chartCentreRightAscension},
                            {"declination", chartCentreDeclination}};
        if (auto* m = main()) {
            const CGPoint anchor = m->panAnchor();
            j["controller"] = {{"xs", m->rightAscension()},
                               {"ys", m->declination()},
                               {"echelle", m->scale()},
                               {"valLearn", m->learnState()},
                               {"initialDistance", m->pinchStartDistance()},
                               {"oldTouch", {anchor.x, anchor.y}},
                               {"largeur", m->screenWidth()},
                               {"hauteur", m->chartHeight()}};
            if (const auto& chart = m->chartView())
                j["chart"] = {{"labelMode", chart->labelMode()},
                              {"wSN", chart->starNamesOn()},
                              {"ech", chart->zoom()},
                              {"largeur", chart->width()},
                              {"hauteur", chart->height()}};
        }
        std::string screen = "main";
        if (std::dynamic_pointer_cast<VHFlipsideViewController>(app_.presentedViewController())) {
            screen = "info";
        } else {
            for (const auto& pop : app_.visiblePopovers())
                if (std::dynamic_pointer_cast<VHFlipsideViewController>(pop->contentViewController()))
                    screen = "info-popover";
        }
        j["screen"] = screen;
        j["transition"] = app_.runtime().isAnimating();

        const auto items = app_.barItemsByView();
        json views = json::array();
        for (const auto& v : app_.allViews()) {
            if (!OffscreenApp::isVisible(*v)) continue;
            json e;
            e["class"] = v->className();
            if (auto b = std::dynamic_pointer_cast<UIButton>(v); b && !b->currentTitle().empty())
                e["title"] = b->currentTitle();
            if (auto it = items.find(v.get()); it != items.end()) e["title"] = it->second->title();
            if (auto l = std::dynamic_pointer_cast<UILabel>(v); l && !l->text().empty())
                e["text"] = l->text();
            if (!v->accessibilityIdentifier().empty()) e["identifier"] = v->accessibilityIdentifier();
            e["frame"] = rect(OffscreenApp::frameInWindow(*v));
            views.push_back(e);
        }
        j["views"] = views;
        j["openedURLs"] = app_.openedURLs();
        j["fingersDown"] = down_;
        return j;
    }

    OffscreenApp& app_;
    double t0_;
    const ReplayScript& script_;
    int outDir_;
    std::string outDirName_;
    DeviceProfile profile_;
    std::vector<long long> down_;
};

}  // namespace

int playReplayScript(const ReplayScript& script, const DeviceProfile& profile,
                     const NSString& delegateClassName, int outDir, const std::string& outDirName,
                     std::string* failure) {
    OffscreenApp app(profile, delegateClassName);
    const double launchTime = app.now();
    try {
        app.launch();
    } catch (const UIKitFatalError& e) {
        *failure = e.what();
        return 1;
    }
    if (!dynamic_cast<VHMainViewController*>(app.rootViewController().get())) {
        *failure = "the main screen did not load";
        return 1;
    }
    Player player(app, launchTime, script, outDir, outDirName, profile);
    for (const ReplayStep& step : script.steps) {
        try {
            player.play(step);
        } catch (const ReplayFailure& e) {
            *failure = "step " + std::to_string(step.number) + ": " + e.message;
            return 1;
        } catch (const UIKitFatalError& e) {
            *failure = "step " + std::to_string(step.number) + ": " + e.what();
            return 1;
        }
    }
    return 0;
}

namespace {

int fail(int status, const std::string& message) {
    std::fprintf(stderr, "starchart replay: %s\n", message.c_str());
    return status;
}

}  // namespace

int runReplay(int argc, char** argv, const NSString& delegateClassName) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (answerInfoRequest(args, kUsage)) return 0;
    ReplayOptions o;
    try {
        o = parseArgs(args);
    } catch (const FlagError& e) {
        std::fprintf(stderr, "starchart replay: %s\n%s\n", e.message.c_str(), kUsage);
        return 2;
    }

    std::string text;
    try {
        text = readReplayScriptFile(o.script);
    } catch (const ReplayScriptError& e) {
        return fail(2, e.message);
    }

    ReplayScript script;
    DeviceProfile profile;
    try {
        script = parseReplayScript(text);
        profile = chooseDevice(o, script);
    } catch (const ReplayScriptError& e) {
        return fail(2, replayExcerpt(o.script) + ": " + e.message);
    }
    std::string().swap(text);  // the steps hold all that is needed

    std::error_code ec;
    std::filesystem::create_directories(o.outDir, ec);
    if (ec || !std::filesystem::is_directory(o.outDir))
        return fail(2, "--out-dir: '" + o.outDir + "' is not a directory that can be made or used" +
                           (ec ? " (" + ec.message() + ")" : std::string()));

    const int outDir = ::open(o.outDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (outDir < 0) return fail(2, "--out-dir: cannot open '" + o.outDir + "': " + std::strerror(errno));
    std::string failure;
    const int status = playReplayScript(script, profile, delegateClassName, outDir, o.outDir, &failure);
    ::close(outDir);
    if (status != 0) return fail(status, replayExcerpt(o.script) + ": " + failure);
    return 0;
}
