// Long seeded random mixes of one, two and three fingers, taps, double taps,
// pinches, swipes and presses of Quit, info and Done, through the toolkit's
// event delivery, with the app's invariants checked after every event.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <iostream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/VHAppDelegate.h"
#include "chart/ChartCentre.h"
#include "infoscreen/VHFlipsideViewController.h"
#include "mainscreen/VHMainViewController.h"
#include "platform/backend/offscreen/OffscreenApp.h"
#include "resources/Bundle.h"

namespace {

DeviceProfile device(const std::string& name) {
    DeviceProfile p;
    if (!DeviceProfile::named(name, p)) {
        // Narrow constants, with the band and its Info item.
        p.name = "custom";
        p.width = 480;
        p.height = 800;
        p.idiom = UIUserInterfaceIdiomPhone;
    }
    return p;
}

class RandomSession {
public:
    RandomSession(const DeviceProfile& profile, unsigned seed)
        : profile_(profile),
          rng_(seed),
          app_(profile, (registerBundle(), NSStringFromClass<VHAppDelegate>())) {
        app_.launch();
    }

    // Plays n random actions; returns the first broken invariant with the
    // actions that led there, or "" when all held.
    std::string play(int n) {
        std::string broken = check("launch");
        for (int i = 0; i < n && broken.empty(); ++i) broken = step();
        return broken;
    }

    // The invariants, now: "" when they hold, else what is wrong and the
    // actions that led there.
    std::string check(const std::string& after) {
        std::ostringstream fault;
        const VHMainViewController& m = main();
        const float xs = m.rightAscension(), ys = m.declination();
        if (!(xs >= 0 && xs <= 24)) fault << "xs " << xs << " outside 0..24; ";
        if (!(ys >= -90 && ys <= 90)) fault << "ys " << ys << " outside -90..90; ";
        if (!(chartCentreRightAscension >= 0 && chartCentreRightAscension <= 24))
            fault << "chart centre right ascension " << chartCentreRightAscension << " outside 0..24; ";
        if (!(chartCentreDeclination >= -90 && chartCentreDeclination <= 90))
            fault << "chart centre declination " << chartCentreDeclination << " outside -90..90; ";
        if (chartCentreRightAscension != double(xs) || chartCentreDeclination != double(ys))
            fault << "chart centre (" << chartCentreRightAscension << ", " << chartCentreDeclination
                  << ") is not the controller's (" << xs << ", " << ys << "); ";
        if (m.scale() == 3.0) reached_ |= kMaxScale;
        if (m.scale() == 0.9) reached_ |= kMinScale;
        if (ys == 90 || ys == -90) reached_ |= kPole;
        if (std::abs(xs - lastRa_) > 12) reached_ |= kWrap;
        lastRa_ = xs;
        const double scale = m.scale();
        if (!(scale >= 0.9 && scale <= 3.0)) fault << "echelle " << scale << " outside 0.9..3.0; ";
        const auto& chart = m.chartView();
        if (!chart) return "no chart view";
        if (!(chart->zoom() >= 0.9 && chart->zoom() <= 3.0))
            fault << "ech " << chart->zoom() << " outside 0.9..3.0; ";
        if (chart->zoom() != scale)
            fault << "ech " << chart->zoom() << " differs from echelle " << scale << "; ";

        int quits = 0;
        for (const auto& v : app_.findViewsByTitle("Quit"))
            if (std::dynamic_pointer_cast<UIButton>(v)) ++quits;
        if (quits > 1) fault << quits << " Quit buttons on screen; ";

        const int learn = m.learnState();
        const int mode = chart->labelMode();
        const int expected = learn == 0 ? 0 : learn == 1 ? 1 : learn == 3 ? 2 : -1;
        if (expected < 0) fault << "valLearn " << learn << " left between events; ";
        if (mode != expected) fault << "label mode " << mode << " with valLearn " << learn << "; ";
        if (chart->starNamesOn() != (mode == 1))
            fault << "wSN " << chart->starNamesOn() << " in mode " << mode << "; ";
        // On the main screen the Quit button shows exactly in the learning mode.
        const bool mainShowing = !app_.presentedViewController() && !app_.runtime().isAnimating();
        if (mainShowing && (quits == 1) != (learn == 3))
            fault << (quits ? "a Quit button" : "no Quit button") << " with valLearn " << learn << "; ";

        if (fault.str().empty()) return "";
        std::ostringstream s;
        s << "after " << after << " (event " << events_ << "): " << fault.str() << "\nlast actions:\n";
        for (const auto& h : history_) s << "  " << h << "\n";
        return s.str();
    }

    VHMainViewController& main() const {
        auto* m = dynamic_cast<VHMainViewController*>(app_.rootViewController().get());
        if (!m) throw std::logic_error("the root is not the main screen");
        return *m;
    }

    int events() const { return events_; }
    int doubleTapSteps() const { return learnChanges_; }
    int quitPresses() const { return quits_; }
    int infoShown() const { return infoShown_; }
    int zoomSteps() const { return zooms_; }
    int threeFingerActions() const { return threeFingers_; }
    // Which limits the mix reached: the scale's two, a pole, a right ascension wrap.
    enum : unsigned { kMaxScale = 1, kMinScale = 2, kPole = 4, kWrap = 8 };
    unsigned reached() const { return reached_; }

private:
    double uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng_); }
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    bool chance(double p) { return uniform(0, 1) < p; }

    CGPoint anywhere() {
        return CGPointMake(float(uniform(0, profile_.width - 1)), float(uniform(0, profile_.height - 1)));
    }
    // Where double taps land: on the chart, clear of the controls.
    CGPoint hotspot() { return CGPointMake(profile_.width * 0.5f, profile_.height * 0.5f); }
    CGPoint near(CGPoint p, float r) {
        auto clamp = [](float v, float hi) { return std::max(0.0f, std::min(v, hi - 1)); };
        return CGPointMake(clamp(p.x + float(uniform(-r, r)), profile_.width),
                           clamp(p.y + float(uniform(-r, r)), profile_.height));
    }

    void note(const std::string& what) {
        std::ostringstream s;
        s << "t=" << app_.now() << " " << what;
        history_.push_back(s.str());
        if (history_.size() > 12) history_.pop_front();
    }

    void inject(const std::vector<TouchPoint>& points, const std::string& what) {
        std::ostringstream s;
        s << what << " {";
        for (const auto& p : points)
            s << " #" << p.finger << "@(" << p.location.x << "," << p.location.y << ")/" << int(p.phase);
        s << " }";
        note(s.str());
        app_.inject(points);
        ++events_;
    }

    void pause(double seconds) {
        if (seconds <= 0) return;
        app_.advance(seconds);
    }

    // Fingers 0..2 as this session has put them down (the toolkit may have
    // cancelled them in a transition: it then ignores their later changes).
    long long freeFinger() const {
        for (long long f = 0; f < 3; ++f)
            if (!down_.count(f)) return f;
        return -1;
    }

    std::string step() {
        const int before = main().learnState();
        const bool presentedBefore = app_.presentedViewController() || !app_.visiblePopovers().empty();
        const double r = uniform(0, 1);
        std::string what;
        if (r < 0.18 && down_.size() < 3) {
            // One or two fingers begin (the second with the first, or later).
            std::vector<TouchPoint> pts;
            const int n = down_.size() < 2 && chance(0.3) ? 2 : 1;
            for (int k = 0; k < n; ++k) {
                const long long f = freeFinger();
                const CGPoint p = chance(0.3) ? near(hotspot(), 20) : anywhere();
                down_[f] = p;
                pts.push_back({f, p, TouchPhase::Began});
            }
            inject(pts, "began");
            what = "began";
        } else if (r < 0.50 && !down_.empty()) {
            // Some fingers move, the others rest (sometimes listed as stationary).
            std::vector<TouchPoint> pts;
            for (auto& [f, p] : down_) {
                if (chance(0.6) || pts.empty()) {
                    p = chance(0.1) ? anywhere() : near(p, 40);
                    pts.push_back({f, p, TouchPhase::Moved});
                } else if (chance(0.3)) {
                    pts.push_back({f, p, TouchPhase::Stationary});
                }
            }
            inject(pts, "moved");
            what = "moved";
        } else if (r < 0.62 && !down_.empty()) {
            // Some fingers lift or are cancelled.
            std::vector<TouchPoint> pts;
            const TouchPhase phase = chance(0.2) ? TouchPhase::Cancelled : TouchPhase::Ended;
            for (auto it = down_.begin(); it != down_.end();) {
                if (chance(0.5) || (pts.empty() && std::next(it) == down_.end())) {
                    pts.push_back({it->first, it->second, phase});
                    it = down_.erase(it);
                } else {
                    ++it;
                }
            }
            inject(pts, phase == TouchPhase::Ended ? "ended" : "cancelled");
            what = "lift";
        } else if (r < 0.77) {
            // Taps, one to three in a row, mostly on one spot so they count up.
            const CGPoint p = chance(0.7) ? near(hotspot(), 10) : anywhere();
            const int taps = pick(1, 3);
            for (int k = 0; k < taps; ++k) {
                inject({{900, p, TouchPhase::Began}}, "tap down");
                if (std::string c = check("tap down"); !c.empty()) return c;
                pause(uniform(0.01, 0.12));
                inject({{900, p, TouchPhase::Ended}}, "tap up");
                if (k + 1 < taps) {
                    if (std::string c = check("tap up"); !c.empty()) return c;
                    pause(uniform(0.02, 0.2));
                }
            }
            what = "taps";
        } else if (r < 0.87) {
            // A press by name, where there is such a control.
            static const char* names[] = {"Quit", "Quit", "info", "Info", "Done"};
            const bool infoUp = app_.presentedViewController() || !app_.visiblePopovers().empty();
            std::string name = infoUp && chance(0.8) ? "Done" : names[pick(0, 4)];
            bool pressed = false;
            if (name == "info") {
                if (auto button = main().infoButton(); button && OffscreenApp::isVisible(*button)) {
                    const CGRect f = OffscreenApp::frameInWindow(*button);
                    note("press info button");
                    app_.tap(CGPointMake(f.origin.x + f.size.width / 2, f.origin.y + f.size.height / 2));
                    events_ += 2;
                    pressed = true;
                }
            } else {
                note("press " + name);
                pressed = app_.pressControl(name);
                if (pressed) events_ += 2;
                if (pressed && name == "Quit") ++quits_;
            }
            what = pressed ? "press " + name : "no " + name;
        } else if (r < 0.96 && down_.empty()) {
            if (std::string c = chance(0.5) ? pinch() : swipe(); !c.empty()) return c;
            what = "gesture";
        } else if (r < 0.98) {
            // Events that break the rules: a finger never put down moves or
            // lifts, or one that is down begins again.
            const long long ghost = 7;
            const int kind = pick(0, 2);
            if (kind == 0) inject({{ghost, anywhere(), TouchPhase::Moved}}, "ghost moved");
            if (kind == 1) inject({{ghost, anywhere(), TouchPhase::Ended}}, "ghost ended");
            if (kind == 2 && !down_.empty()) {
                auto& [f, p] = *down_.begin();
                inject({{f, p, TouchPhase::Began}}, "began again");
            }
            what = "ghost";
        } else {
            const double t = chance(0.7) ? uniform(0, 0.15) : uniform(0.3, 0.9);
            note("pause " + std::to_string(t));
            pause(t);
            what = "pause";
        }
        if (main().learnState() != before) ++learnChanges_;
        if (!presentedBefore && (app_.presentedViewController() || !app_.visiblePopovers().empty()))
            ++infoShown_;
        if (what == "moved" && down_.size() == 2) ++zooms_;
        if (down_.size() == 3) ++threeFingers_;
        if (std::string c = check(what); !c.empty()) return c;
        pause(chance(0.8) ? uniform(0.005, 0.06) : 0);
        return check("pause");
    }

    // Two fingers down, held spread wider or closer than they began for many
    // move events (each applies the whole difference again), then lifted.
    std::string pinch() {
        const CGPoint c = near(hotspot(), 60);
        const bool spread = chance(0.5);
        const float from = spread ? float(uniform(30, 100)) : float(uniform(100, 250));
        const float to = spread ? from + float(uniform(150, 250)) : 10;
        auto at = [&](float half, float wobble) {
            return std::vector<TouchPoint>{{0, CGPointMake(c.x - half + wobble, c.y), TouchPhase::Moved},
                                           {1, CGPointMake(c.x + half + wobble, c.y), TouchPhase::Moved}};
        };
        auto began = at(from / 2, 0);
        for (auto& p : began) p.phase = TouchPhase::Began;
        inject(began, "pinch began");
        for (int k = 0, n = pick(5, 40); k < n; ++k) {
            if (std::string e = check("pinch"); !e.empty()) return e;
            pause(0.016);
            inject(at(to / 2, float(k % 2)), "pinch moved");
            ++zooms_;
        }
        auto ended = at(to / 2, 0);
        for (auto& p : ended) p.phase = TouchPhase::Ended;
        inject(ended, "pinch ended");
        return "";
    }

    // One finger across the window or down it, always the same ways for a
    // session so that the right ascension comes round and a pole is reached.
    std::string swipe() {
        const float w = profile_.width, h = profile_.height;
        CGPoint a, b;
        if (chance(0.5)) {
            const float y = float(uniform(60, h - 60));
            a = CGPointMake(eastward_ ? 5 : w - 5, y);
            b = CGPointMake(eastward_ ? w - 5 : 5, y);
        } else {
            const float x = float(uniform(20, w - 60));
            a = CGPointMake(x, northward_ ? 45 : h - 5);
            b = CGPointMake(x, northward_ ? h - 5 : 45);
        }
        for (int pass = 0; pass < 3; ++pass) {
            inject({{0, a, TouchPhase::Began}}, "swipe began");
            const int n = 8;
            CGPoint p = a;
            for (int k = 1; k <= n; ++k) {
                if (std::string e = check("swipe"); !e.empty()) return e;
                pause(0.016);
                p = CGPointMake(a.x + (b.x - a.x) * k / n, a.y + (b.y - a.y) * k / n);
                inject({{0, p, TouchPhase::Moved}}, "swipe moved");
            }
            inject({{0, p, TouchPhase::Ended}}, "swipe ended");
            if (std::string e = check("swipe ended"); !e.empty()) return e;
            pause(0.1);
        }
        return "";
    }

    DeviceProfile profile_;
    std::mt19937 rng_;
    bool eastward_ = rng_() % 2 == 0, northward_ = rng_() % 2 == 0;
    OffscreenApp app_;
    std::map<long long, CGPoint> down_;
    std::deque<std::string> history_;
    int events_ = 0, learnChanges_ = 0, quits_ = 0, infoShown_ = 0, zooms_ = 0, threeFingers_ = 0;
    unsigned reached_ = 0;
    float lastRa_ = 17;
};

struct Seeded {
    const char* device;
    unsigned seed;
};
void PrintTo(const Seeded& s, std::ostream* os) { *os << s.device << " seed " << s.seed; }

class RandomTouches : public ::testing::TestWithParam<Seeded> {};

TEST_P(RandomTouches, InvariantsHoldAfterEveryEvent) {
    const Seeded run = GetParam();
    RandomSession session(device(run.device), run.seed);
    const std::string broken = session.play(1600);
    EXPECT_EQ(broken, "") << run.device << " seed " << run.seed;
    std::cout << run.device << " seed " << run.seed << ": " << session.events() << " events, "
              << session.doubleTapSteps() << " learning-mode changes, " << session.quitPresses()
              << " Quit presses, " << session.infoShown() << " info screens, " << session.zoomSteps()
              << " two-finger moves, " << session.threeFingerActions()
              << " actions with three fingers down, limits " << session.reached() << "\n";
    // The mix reached what it is meant to exercise.
    EXPECT_GT(session.events(), 2500);
    EXPECT_GT(session.doubleTapSteps(), 10);
    EXPECT_GT(session.quitPresses(), 3);
    EXPECT_GT(session.infoShown(), 3);
    EXPECT_GT(session.zoomSteps(), 50);
    EXPECT_GT(session.threeFingerActions(), 50);
    EXPECT_EQ(session.reached(), 15u) << "the scale's limits, a pole and a wrap";
}

// The checks above are worth something only if they see a broken state.
TEST(RandomTouchesChecker, SeesBrokenStates) {
    {
        RandomSession session(device("phone"), 0);
        EXPECT_EQ(session.check("launch"), "");
        session.main().chartView()->writeStarNames();  // the chart alone steps its label mode
        EXPECT_NE(session.check("writeStarNames").find("label mode 1 with valLearn 0"), std::string::npos);
    }
    {
        RandomSession session(device("phone"), 0);
        session.main().chartView()->setEch(3.5);
        EXPECT_NE(session.check("setEch").find("ech 3.5 outside"), std::string::npos);
    }
    {
        RandomSession session(device("phone"), 0);
        chartCentreRightAscension = 24.5;
        EXPECT_NE(session.check("centre").find("outside 0..24"), std::string::npos);
    }
    {
        RandomSession session(device("tablet"), 0);
        session.main().doubleTapStep();
        session.main().doubleTapStep();
        EXPECT_EQ(session.check("learning mode"), "");
        session.main().quitButton()->removeFromSuperview();
        EXPECT_NE(session.check("Quit removed").find("no Quit button with valLearn 3"), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomTouches,
                         ::testing::Values(Seeded{"phone", 1}, Seeded{"phone", 2}, Seeded{"phone-wide", 3},
                                           Seeded{"tablet", 4}, Seeded{"tablet", 5},
                                           Seeded{"narrow-band", 6}),
                         [](const ::testing::TestParamInfo<Seeded>& info) {
                             std::string name = info.param.device;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name + "_seed" + std::to_string(info.param.seed);
                         });

}  // namespace
