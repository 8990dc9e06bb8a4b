// `starchart replay` as a user runs it: the real program on scripts written
// here, checked through its exit status, its messages and what it writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "RunProgram.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

class ReplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/starchart-replay-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        dir_ = dir;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    void write(const std::string& name, const std::string& text) { std::ofstream(dir_ / name) << text; }

    Outcome run(const std::vector<std::string>& args) { return runProgram(args, dir_); }

    // Writes the script and replays it into out/.
    Outcome replay(const std::string& script, std::vector<std::string> extra = {}) {
        write("script.json", script);
        std::vector<std::string> args{"replay", "script.json", "--out-dir", "out"};
        args.insert(args.end(), extra.begin(), extra.end());
        return run(args);
    }

    json state(const std::string& name) {
        std::ifstream in(dir_ / "out" / name);
        EXPECT_TRUE(in) << "no state dump " << name;
        return in ? json::parse(in) : json::object();
    }

    bool exists(const std::string& outName) const { return fs::exists(dir_ / "out" / outName); }

    fs::path dir_;
};

#define EXPECT_RUNS(r) ASSERT_EQ((r).status, 0) << (r).output

// The run ended with this status and its output holds each of these texts.
::testing::AssertionResult endedSaying(const Outcome& r, int status, const std::vector<std::string>& says) {
    bool ok = r.status == status;
    for (const std::string& text : says) ok = ok && r.output.find(text) != std::string::npos;
    if (ok) return ::testing::AssertionSuccess();
    ::testing::AssertionResult failure = ::testing::AssertionFailure();
    failure << "status " << r.status << ", expected " << status << ", saying";
    for (const std::string& text : says) failure << " \"" << text << "\"";
    return failure << ":\n" << r.output.substr(0, 2000);
}

// The app laid out for that device is the app tests' business.
TEST_F(ReplayTest, CommandLineDeviceOverridesTheScripts) {
    const std::string script = R"({"device": "phone", "steps": [{"state": "s.json"}]})";
    EXPECT_RUNS(replay(script, {"--device", "tablet"}));
    const json s = state("s.json");
    EXPECT_EQ(s["device"]["name"], "tablet");
    EXPECT_EQ(s["device"]["idiom"], "tablet");
    EXPECT_EQ(s["controller"]["largeur"], 768.0);
    EXPECT_EQ(s["chart"]["hauteur"], 984.0);
    EXPECT_RUNS(replay(script));
    EXPECT_EQ(state("s.json")["device"]["name"], "phone") << "without device flags, the script's";
}

TEST_F(ReplayTest, SnapshotsAreTheWindowAsPng) {
    EXPECT_RUNS(replay(R"({"steps": [
        {"snapshot": "a.png"},
        {"snapshot": "again/a.png"},
        {"touches": "began", "points": [[100, 300]]},
        {"touches": "moved", "points": [[150, 300]]},
        {"touches": "ended", "points": [[150, 300]]},
        {"snapshot": "shots/moved.png"}]})"));
    EXPECT_EQ(pngSize(dir_ / "out/a.png"), std::make_pair(320u, 480u));
    EXPECT_EQ(bytesOf(dir_ / "out/a.png"), bytesOf(dir_ / "out/again/a.png")) << "the same window twice";
    EXPECT_NE(bytesOf(dir_ / "out/a.png"), bytesOf(dir_ / "out/shots/moved.png")) << "the chart moved";

    // The script's own device with the command line's pixel ratio.
    EXPECT_RUNS(replay(R"({"device": {"size": [400, 600], "idiom": "tablet", "pixelRatio": 1},
                          "steps": [{"snapshot": "hi.png"}, {"state": "hi.json"}]})",
                       {"--pixel-ratio", "2"}));
    EXPECT_EQ(pngSize(dir_ / "out/hi.png"), std::make_pair(800u, 1200u));
    const json s = state("hi.json");
    EXPECT_EQ(s["device"]["size"], json::array({400.0, 600.0}));
    EXPECT_EQ(s["device"]["idiom"], "tablet");
    EXPECT_EQ(s["device"]["pixelRatio"], 2.0);
}

TEST_F(ReplayTest, StateDumpFieldsAndClock) {
    EXPECT_RUNS(replay(R"({"steps": [
        {"touches": "began", "points": [[50, 60]]},
        {"touches": "began", "points": [[50, 60], [90, 60]], "changed": [1]},
        {"state": "two-down.json"},
        {"touches": "ended", "points": [[50, 60], [90, 60]], "changed": [0]},
        {"state": "one-down.json", "at": 1000},
        {"wait": 250},
        {"state": "later.json"}]})"));
    // Every step 50 ms after the one before unless it says when. The resting
    // first finger counts: the second one's begin is a two-finger begin
    // (initialDistance). Only visible views are listed: not the hidden bar.
    EXPECT_EQ(state("two-down.json"), json::parse(R"({
        "time": 150, "step": 3, "screen": "main", "transition": false, "openedURLs": [], "fingersDown": [0, 1],
        "device": {"name": "phone", "idiom": "phone", "pixelRatio": 1, "size": [320, 480]},
        "chartCentre": {"rightAscension": 17, "declination": 31},
        "controller": {"xs": 17, "ys": 31, "echelle": 1, "valLearn": 0, "initialDistance": 40,
                       "oldTouch": [50, 60], "largeur": 320, "hauteur": 480},
        "chart": {"labelMode": 0, "wSN": false, "ech": 1, "largeur": 320, "hauteur": 480},
        "views": [{"class": "UIWindow", "frame": [0, 0, 320, 480]}, {"class": "UIView", "frame": [0, 0, 320, 480]},
                  {"class": "QuartzView", "frame": [0, 0, 320, 480]},
                  {"class": "UIButton", "frame": [283, 423, 37, 37]}]})"));

    const json one = state("one-down.json");
    EXPECT_EQ(one["time"], 1000.0);
    EXPECT_EQ(one["fingersDown"], json::array({1}));
    EXPECT_EQ(one["controller"]["initialDistance"], -1.0) << "one of two lifted";
    EXPECT_EQ(state("later.json")["time"], 1300.0);
}

// Touches carry the script's clock (what tap counting makes of it is the
// toolkit tests' business).
TEST_F(ReplayTest, TapCountsFollowTheClock) {
    // The second tap begins 340 ms after the first ended: a double tap; 360: two single taps.
    for (const auto& [at, learn] : {std::make_pair("490", 1), std::make_pair("510", 0)}) {
        EXPECT_RUNS(
            replay(std::string(R"({"steps": [{"tap": [160, 240], "at": 100}, {"tap": [160, 240], "at": )") +
                   at + R"(}, {"state": "s.json"}]})"));
        EXPECT_EQ(state("s.json")["controller"]["valLearn"], learn) << at;
    }

    // A forced count: two taps a second apart, the second told it is the
    // second; and a lone began/ended pair told it is a double tap's end.
    EXPECT_RUNS(
        replay(R"({"steps": [{"tap": [160, 240], "at": 100}, {"tap": [160, 240], "at": 1100, "tapCount": 2},
                                      {"state": "forced.json"},
                                      {"touches": "began", "points": [[60, 60]], "tapCount": 2, "at": 3000},
                                      {"touches": "ended", "points": [[60, 60]]},
                                      {"state": "forced2.json"}]})"));
    EXPECT_EQ(state("forced.json")["controller"]["valLearn"], 1);
    EXPECT_EQ(state("forced2.json")["controller"]["valLearn"], 3);
}

// The info screen's own behaviour is the app tests'; here, that a script
// reaches its controls and the dump lists the links opened.
TEST_F(ReplayTest, InfoScreenLinksAndDone) {
    EXPECT_RUNS(replay(R"({"device": "phone", "steps": [{"press": "info"}, {"wait": 600},
        {"press": "starchart.example.org"}, {"tap": [160, 200]}, {"press": "Done"}, {"wait": 600},
        {"state": "back.json"}]})"));
    const json s = state("back.json");
    EXPECT_EQ(s["screen"], "main");
    EXPECT_EQ(s["openedURLs"], json::array({"https://starchart.example.org/",
                                            "https://apps.example.org/app/starchart-planets"}));
}

TEST_F(ReplayTest, MalformedScriptsExitTwoNamingTheStep) {
    struct Case {
        const char* steps;  // after a first snapshot step
        std::vector<const char*> says;
    } cases[] = {
        {R"({"tapp": [1, 2]})", {"step 2", "unknown step kind"}},
        {R"({"tap": [1, "a"]})", {"step 2", "must be a number"}},
        {R"({"tap": [1]})", {"step 2", "[x, y]"}},
        {R"({"tap": [1, 2], "count": 0})", {"step 2", "\"count\""}},
        {R"({"tap": [1, 2], "count": 1.5})", {"step 2", "whole number"}},
        {R"({"tap": [1, 2], "tapCount": 0})", {"step 2", "\"tapCount\""}},
        {R"({"touches": "began", "points": [[1, 2]]}, {"touches": "moved", "points": [[3, 4]], "tapCount": 2})",
         {"step 3", "\"tapCount\"", "began"}},
        {R"({"tap": [1, 2], "wait": 3})", {"step 2", "one kind a step"}},
        {R"({"touches": "moved", "points": [[1, 2]]})", {"step 2", "finger 0 is not down"}},
        {R"({"touches": "wiggled", "points": [[1, 2]]})", {"step 2", "not a phase"}},
        {R"({"touches": "began", "points": [[1, 2]], "pionts": 1})", {"step 2", "unknown key \"pionts\""}},
        {R"({"touches": "began", "points": [[1, 2]]}, {"touches": "began", "points": [[1, 2]]})",
         {"step 3", "already down"}},
        {R"({"touches": "began", "points": [[1, 2]]}, {"touches": "moved", "points": [[1, 2], [5, 5]], "changed": [1]})",
         {"step 3", "finger 1 is not down"}},
        {R"({"touches": "began", "points": [[1, 2]]}, {"touches": "began", "points": [[9, 9], [5, 5]], "changed": [1]})",
         {"step 3", "rests"}},
        {R"({"touches": "began", "points": [[1, 2], [3, 4]]}, {"touches": "ended", "points": [[1, 2]]})",
         {"step 3", "finger 1 is down"}},
        {R"({"touches": "began", "points": [[1, 2]]}, {"touches": "ended", "points": [[1, 2]]},
            {"touches": "ended", "points": [[1, 2]]})",
         {"step 4", "lifted at step 3"}},
        {R"({"touches": "began", "points": [[1, 2]], "changed": [3]})", {"step 2", "\"changed\""}},
        {R"({"wait": 500}, {"tap": [1, 2], "at": 100})", {"step 3", "back in time"}},
        {R"({"wait": -1})", {"step 2", "\"wait\""}},
        {R"({"snapshot": "/tmp/x.png"})", {"step 2", "absolute"}},
        {R"({"snapshot": "a/../../x.png"})", {"step 2", "leaves the output directory"}},
        {R"({"state": "x.png"})", {"step 2", ".json"}},
        {R"({"press": 3})", {"step 2", "must be a string"}},
        {R"({"wait": 1, "wait": 2})", {"step 2", "twice"}},
        {R"(7)", {"step 2", "must be an object"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.steps);
        std::vector<std::string> says(c.says.begin(), c.says.end());
        says.push_back("script.json");
        EXPECT_TRUE(endedSaying(
            replay(std::string(R"({"steps": [{"snapshot": "first.png"}, )") + c.steps + "]}"), 2, says));
        EXPECT_FALSE(exists("first.png")) << "a malformed script runs nothing";
    }

    const std::pair<const char*, const char*> wholes[] = {
        {"{\"steps\": [\n  {\"tap\": [1, 2]},\n  {\"tap\": [1, 2],,}\n]}", "line 3, column"},
        {"{\"steps\": [{\"tap\": [1, 1e400]}]}", "line 1, column 24"},
        {"[1, 2]", "JSON object"},
        {"{}", "\"steps\" is required"},
        {"{\"steps\": {}}", "\"steps\" must be an array"},
        {"{\"steps\": [], \"speed\": 2}", "unknown key \"speed\""},
        {"{\"device\": \"watch\", \"steps\": []}", "\"device\": unknown device 'watch'"},
        {"{\"device\": {\"size\": [100, 100]}, \"steps\": []}", "200..4096"},
        {"{\"device\": {\"size\": [400, 600], \"idiom\": \"tv\"}, \"steps\": []}", "\"idiom\""},
        {"", "invalid JSON"},
    };
    for (const auto& [script, says] : wholes) EXPECT_TRUE(endedSaying(replay(script), 2, {says})) << script;
}

TEST_F(ReplayTest, BadArgumentsExitTwo) {
    write("ok.json", R"({"steps": []})");
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"replay"}, "script"},
        {{"replay", "missing.json"}, "cannot read the script 'missing.json'"},
        {{"replay", "ok.json", "--frobnicate"}, "unknown argument '--frobnicate'"},
        {{"replay", "ok.json", "other.json"}, "one script only"},
        {{"replay", "ok.json", "--out-dir"}, "--out-dir"},
        {{"replay", "ok.json", "--out-dir", "ok.json"}, "--out-dir"},
        {{"replay", "--out-dir=", "ok.json"}, "--out-dir: the value is empty"},
        // /dev/zero never ends; it is refused once past the size limit.
        {{"replay", "/dev/zero"}, "'/dev/zero' is larger than 256 MB"},
    };
    for (const auto& [args, says] : cases) EXPECT_TRUE(endedSaying(run(args), 2, {says}));
    EXPECT_TRUE(endedSaying(run({"replay", "--help"}), 0, {"override"}));
    EXPECT_EQ(run({"replay", "ok.json", "--out-dir=made/here"}).status, 0);
    EXPECT_TRUE(fs::is_directory(dir_ / "made/here"));
}

TEST_F(ReplayTest, FailuresWhilePlayingExitOneNamingTheControl) {
    // No Quit button before the learning mode.
    EXPECT_TRUE(endedSaying(replay(R"({"steps": [{"state": "before.json"}, {"tap": [160, 240], "count": 2},
                                                 {"press": "Quit"}, {"state": "after.json"}]})"),
                            1, {"step 3: press \"Quit\"", "no such control"}));
    EXPECT_TRUE(exists("before.json")) << "the steps before ran";
    EXPECT_FALSE(exists("after.json")) << "the steps after did not";

    // Done while the info screen still flips in: the touch would be ignored.
    EXPECT_TRUE(endedSaying(replay(R"({"steps": [{"press": "info"}, {"press": "Done"}]})"), 1,
                            {"step 2: press \"Done\"", "transition"}));

    // On a tablet the popover lies over the Quit button: a touch there would
    // only close the popover.
    EXPECT_TRUE(endedSaying(replay(R"({"device": "tablet", "steps": [
        {"tap": [400, 500], "count": 2}, {"wait": 500}, {"tap": [400, 500], "count": 2}, {"wait": 500},
        {"press": "info"}, {"wait": 300}, {"press": "Quit"}]})"),
                            1, {"step 7: press \"Quit\"", "covered"}));
}

// The example plays to its end (its Quit step fails outside the learning mode).
TEST_F(ReplayTest, ExampleTourPlays) {
    EXPECT_RUNS(
        run({"replay", std::string(STARCHART_SOURCE_DIR) + "/examples/tour.json", "--out-dir", "out"}));
    EXPECT_EQ(state("08-end.json")["screen"], "main");
}

TEST_F(ReplayTest, DeeplyNestedValuesAreRefusedWithABoundedMessage) {
    // 100000 levels in a tap point, a touch point and the device's size.
    const std::string deep = std::string(100000, '[') + "1" + std::string(100000, ']');
    const std::string scripts[] = {
        R"({"steps": [{"snapshot": "first.png"}, {"tap": )" + deep + "}]}",
        R"({"steps": [{"snapshot": "first.png"}, {"touches": "began", "points": [)" + deep + "]}]}",
        R"({"device": {"size": )" + deep + R"(}, "steps": [{"snapshot": "first.png"}]})",
    };
    for (const std::string& script : scripts) {
        const Outcome r = replay(script);
        EXPECT_TRUE(endedSaying(r, 2, {"nest deeper than a script needs (at most 5 levels)"}));
        EXPECT_LT(r.output.size(), 400u) << "an excerpt, not the value";
        EXPECT_FALSE(exists("first.png"));
    }
    // A long value that is merely wrong is quoted in part, and so is a long
    // token the JSON reader stops at.
    std::string wide = "[1, 2";
    for (int i = 0; i < 3000; ++i) wide += ", 3";
    Outcome r = replay(R"({"steps": [{"tap": )" + wide + "]}]}");
    EXPECT_TRUE(endedSaying(r, 2, {"step 1: \"tap\" must be a point [x, y], not [1, 2, 3, 3"}));
    EXPECT_LT(r.output.size(), 400u);
    // A step far larger than any valid one is refused as it is read.
    for (int i = 0; i < 100000; ++i) wide += ", 3";
    EXPECT_TRUE(endedSaying(replay(R"({"steps": [{"tap": )" + wide + "]}]}"), 2,
                            {"step 1: holds more than 4096 values"}));
    r = replay(R"({"steps": [{"tap": [1, )" + std::string(100000, '3') + "]}]}");
    EXPECT_TRUE(endedSaying(r, 2, {"invalid JSON: at line 1, column 24: number overflow"}));
    EXPECT_LT(r.output.size(), 400u);
}

TEST_F(ReplayTest, OutputsStayBeneathTheOutputFolder) {
    fs::create_directories(dir_ / "out");
    fs::create_directories(dir_ / "elsewhere");
    fs::create_symlink(dir_ / "elsewhere", dir_ / "out" / "link");
    std::ofstream(dir_ / "victim.json") << "keep me";
    fs::create_symlink(dir_ / "victim.json", dir_ / "out" / "file.json");

    EXPECT_TRUE(
        endedSaying(replay(R"({"steps": [{"snapshot": "link/x.png"}]})"), 1, {"'link' is a symbolic link"}));
    EXPECT_TRUE(fs::is_empty(dir_ / "elsewhere"));

    EXPECT_TRUE(endedSaying(replay(R"({"steps": [{"state": "link/x.json"}]})"), 1, {}));
    EXPECT_TRUE(fs::is_empty(dir_ / "elsewhere"));

    EXPECT_TRUE(endedSaying(replay(R"({"steps": [{"state": "file.json"}]})"), 1,
                            {"file.json': it is a symbolic link"}));
    EXPECT_EQ(bytesOf(dir_ / "victim.json"), "keep me");

    // A NUL would cut the name short: "a.png" would be written.
    EXPECT_TRUE(endedSaying(replay("{\"steps\": [{\"snapshot\": \"a.png\\u0000.txt.png\"}]}"), 2,
                            {"'a.png\\u0000.txt.png' holds a control character"}));
    EXPECT_FALSE(exists("a.png"));
    EXPECT_TRUE(
        endedSaying(replay("{\"steps\": [{\"state\": \"tab\\there.json\"}]}"), 2, {"control character"}));

    // Plain folders beneath it are still made, and the file written whole
    // with nothing left beside it.
    EXPECT_RUNS(replay(R"({"steps": [{"state": "a/b/s.json"}]})"));
    EXPECT_EQ(state("a/b/s.json")["screen"], "main");
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_ / "out/a/b")) names.push_back(e.path().filename());
    EXPECT_EQ(names, std::vector<std::string>{"s.json"});
}

class CommandLineTest : public ReplayTest {};

TEST_F(CommandLineTest, HelpAndVersionForTheProgramAndEachCommand) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--help"},
                                                 {"-h"},
                                                 {"--device", "tablet", "--help"},
                                                 {"--bogus", "--help"}}) {
        SCOPED_TRACE(args.front());
        const Outcome r = run(args);
        EXPECT_EQ(r.output.rfind("usage: starchart [--device", 0), 0u) << r.output;
        // The mapping of the wheel and the keys is stated.
        EXPECT_TRUE(endedSaying(
            r, 0,
            {"one notch is a pinch opening (up) or closing (down) by 200 points", "changes by 0.1 (0.067",
             "arrow keys     pan: a one-finger drag of 40 points", "Escape"}));
    }
    const Outcome snapshot = run({"snapshot", "--help"});
    EXPECT_TRUE(endedSaying(snapshot, 0, {"--trace writes"}));
    EXPECT_EQ(snapshot.output.rfind("usage: starchart snapshot", 0), 0u) << snapshot.output;
    EXPECT_EQ(run({"snapshot", "--ra", "99", "--help"}).status, 0) << "help wins over a bad value";

    for (const std::vector<std::string>& args : {std::vector<std::string>{"--version"},
                                                 {"snapshot", "--version"},
                                                 {"replay", "--version"},
                                                 {"replay", "nothing.json", "--version"}}) {
        SCOPED_TRACE(args.front() + " " + args.back());
        const Outcome r = run(args);
        EXPECT_EQ(r.status, 0) << r.output;
        EXPECT_EQ(r.output, "starchart 1.0.0\n");
    }
    // The window reads the view flags that snapshot reads (their checks are
    // the Snapshot tests'); bad ones are named, with good ones or alone.
    const std::pair<std::vector<std::string>, const char*> bads[] = {
        {{"--ra", "25"}, "--ra: '25' is out of range (allowed: from 0 to 24 hours)"},
        {{"--dec=-91"}, "--dec: '-91' is out of range (allowed: from -90 to 90 degrees)"},
        {{"--ra", "5", "--dec", "10", "--zoom=2", "--bogus"}, "unknown argument '--bogus'"},
        {{"--bogus"}, "unknown argument '--bogus'"},
    };
    for (const auto& [args, says] : bads) EXPECT_TRUE(endedSaying(run(args), 2, {says}));
}

}  // namespace
