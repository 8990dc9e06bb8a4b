#include "cli/ReplayScript.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

using nlohmann::json;

namespace {

std::string format(double v) {
    std::ostringstream s;
    s << v;
    return s.str();
}

std::string pointText(ReplayPoint p) { return "(" + format(p.x) + ", " + format(p.y) + ")"; }

// Errors of one step, prefixed with its number.
class StepReader {
public:
    StepReader(const json& step, int number) : step_(step), number_(number) {}

    [[noreturn]] void fail(const std::string& what) const {
        throw ReplayScriptError{"step " + std::to_string(number_) + ": " + what};
    }

    bool has(const char* key) const { return step_.contains(key); }
    const json& at(const char* key) const { return step_.at(key); }

    double number(const json& v, const std::string& what, double lo, double hi) const {
        if (!v.is_number()) fail(what + " must be a number, not " + typeName(v));
        const double d = v.get<double>();
        if (!std::isfinite(d) || d < lo || d > hi)
            fail(what + " is " + format(d) + ", outside " + format(lo) + ".." + format(hi));
        return d;
    }

    int integer(const json& v, const std::string& what, int lo, int hi) const {
        const double d = number(v, what, lo, hi);
        if (d != std::floor(d)) fail(what + " must be a whole number, not " + format(d));
        return int(d);
    }

    ReplayPoint point(const json& v, const std::string& what) const {
        if (!v.is_array() || v.size() != 2) fail(what + " must be a point [x, y], not " + v.dump());
        // Any finite place: a finger may well leave the window.
        const double limit = 1e6;
        return ReplayPoint{float(number(v[0], what + " x", -limit, limit)),
                           float(number(v[1], what + " y", -limit, limit))};
    }

    std::string text(const json& v, const std::string& what) const {
        if (!v.is_string()) fail(what + " must be a string, not " + typeName(v));
        return v.get<std::string>();
    }

    static std::string typeName(const json& v) {
        if (v.is_null()) return "null";
        if (v.is_boolean()) return "a boolean";
        if (v.is_number()) return "a number";
        if (v.is_string()) return "a string";
        if (v.is_array()) return "an array";
        return "an object";
    }

private:
    const json& step_;
    int number_;
};

// A path under the output directory: relative, without "..", with its extension.
std::string outputPath(const StepReader& r, const json& v, const char* key, const char* extension) {
    const std::string path = r.text(v, std::string("\"") + key + "\"");
    if (path.empty()) r.fail(std::string("\"") + key + "\" is an empty path");
    if (path[0] == '/')
        r.fail(std::string("\"") + key + "\": '" + path +
               "' is absolute; paths are relative to the output directory (--out-dir)");
    std::stringstream parts(path);
    std::string part;
    while (std::getline(parts, part, '/'))
        if (part == "..")
            r.fail(std::string("\"") + key + "\": '" + path + "' leaves the output directory (\"..\")");
    if (path.back() == '/') r.fail(std::string("\"") + key + "\": '" + path + "' names a directory");
    const std::string ext = extension;
    std::string tail = path.size() >= ext.size() ? path.substr(path.size() - ext.size()) : "";
    for (char& c : tail) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (tail != ext) r.fail(std::string("\"") + key + "\": '" + path + "' must end in " + ext);
    return path;
}

std::vector<std::string> parseDevice(const json& d) {
    auto fail = [](const std::string& what) { throw ReplayScriptError{"\"device\": " + what}; };
    if (d.is_string()) {
        const std::string name = d.get<std::string>();
        for (const char* known : {"phone", "phone-tall", "phone-wide", "tablet"})
            if (name == known) return {"--device", name};
        fail("unknown device '" + name +
             "' (allowed: phone, phone-tall, phone-wide, tablet, or {\"size\": [w, h], "
             "\"idiom\": \"phone\"|\"tablet\", \"pixelRatio\": n})");
    }
    if (!d.is_object())
        fail("must be a device name or {\"size\": [w, h], \"idiom\": ..., \"pixelRatio\": ...}, not " +
             StepReader::typeName(d));
    for (auto it = d.begin(); it != d.end(); ++it)
        if (it.key() != "size" && it.key() != "idiom" && it.key() != "pixelRatio")
            fail("unknown key \"" + it.key() + "\" (allowed: size, idiom, pixelRatio)");
    if (!d.contains("size")) fail("\"size\": [w, h] is required");
    const json& size = d["size"];
    auto side = [&](const json& v) {
        if (!v.is_number() || !std::isfinite(v.get<double>()) ||
            v.get<double>() != std::floor(v.get<double>()) || v.get<double>() < 200 || v.get<double>() > 4096)
            fail("\"size\": " + size.dump() + " must be two whole numbers of points, each 200..4096");
        return std::to_string(long(v.get<double>()));
    };
    if (!size.is_array() || size.size() != 2)
        fail("\"size\": " + size.dump() + " must be [w, h] (each 200..4096 points)");
    std::vector<std::string> flags{"--size", side(size[0]) + "x" + side(size[1])};
    if (d.contains("idiom")) {
        const json& idiom = d["idiom"];
        if (!idiom.is_string() || (idiom != "phone" && idiom != "tablet"))
            fail("\"idiom\": " + idiom.dump() + " is not allowed (allowed: \"phone\", \"tablet\")");
        flags.insert(flags.end(), {"--idiom", idiom.get<std::string>()});
    }
    if (d.contains("pixelRatio")) {
        const json& ratio = d["pixelRatio"];
        if (!ratio.is_number() || !std::isfinite(ratio.get<double>()) || ratio.get<double>() < 1 ||
            ratio.get<double>() > 4)
            fail("\"pixelRatio\": " + ratio.dump() + " is not allowed (a number from 1 to 4)");
        flags.insert(flags.end(), {"--pixel-ratio", format(ratio.get<double>())});
    }
    return flags;
}

// The fingers on the screen as the script has put them there.
struct Finger {
    ReplayPoint at;
    int since = 0;  // the step it began at
};

void parseTouches(const StepReader& r, ReplayStep& s, std::map<int, Finger>& down,
                  std::map<int, int>& lifted) {
    const json& phase = r.at("touches");
    const std::string name = r.text(phase, "\"touches\"");
    if (name == "began")
        s.phase = 0;
    else if (name == "moved")
        s.phase = 1;
    else if (name == "ended")
        s.phase = 3;
    else if (name == "cancelled")
        s.phase = 4;
    else
        r.fail("\"touches\": '" + name + "' is not a phase (allowed: began, moved, ended, cancelled)");

    if (!r.has("points")) r.fail("\"points\" is required: every finger on the screen, [x, y] or null");
    const json& points = r.at("points");
    if (!points.is_array() || points.empty())
        r.fail("\"points\" must be a non-empty array of [x, y] (null for a finger not on the screen)");
    if (points.size() > size_t(kReplayMaxFingers))
        r.fail("\"points\" lists " + std::to_string(points.size()) + " fingers; at most " +
               std::to_string(kReplayMaxFingers));
    std::vector<std::optional<ReplayPoint>> listed;
    for (size_t i = 0; i < points.size(); ++i) {
        if (points[i].is_null())
            listed.emplace_back();
        else
            listed.emplace_back(r.point(points[i], "points[" + std::to_string(i) + "]"));
    }

    std::vector<int> changed;
    if (r.has("changed")) {
        const json& c = r.at("changed");
        if (!c.is_array() || c.empty()) r.fail("\"changed\" must be a non-empty array of finger indices");
        std::set<int> seen;
        for (const json& v : c) {
            const int i = r.integer(v, "\"changed\" index", 0, int(listed.size()) - 1);
            if (!seen.insert(i).second) r.fail("\"changed\" lists finger " + std::to_string(i) + " twice");
            if (!listed[size_t(i)])
                r.fail("\"changed\" lists finger " + std::to_string(i) + " but points[" + std::to_string(i) +
                       "] is null");
            changed.push_back(i);
        }
    } else {
        for (size_t i = 0; i < listed.size(); ++i)
            if (listed[i]) changed.push_back(int(i));
        if (changed.empty()) r.fail("\"points\" lists no finger (every entry is null)");
    }

    const std::set<int> changing(changed.begin(), changed.end());
    for (const auto& [finger, f] : down)
        if (size_t(finger) >= listed.size())
            r.fail("finger " + std::to_string(finger) + " is down (since step " + std::to_string(f.since) +
                   ") but \"points\" lists only " + std::to_string(listed.size()) +
                   "; list every finger on the screen");
    for (size_t i = 0; i < listed.size(); ++i) {
        const int finger = int(i);
        const auto it = down.find(finger);
        const bool isDown = it != down.end();
        const std::string who = "finger " + std::to_string(finger);
        if (changing.count(finger)) {
            if (s.phase == 0 && isDown)
                r.fail(who + " is already down (since step " + std::to_string(it->second.since) +
                       "); name only the fingers that begin in \"changed\"");
            if (s.phase != 0 && !isDown) {
                const auto up = lifted.find(finger);
                r.fail(who + " is not down, so it cannot be " + name +
                       (up != lifted.end() ? " (it was lifted at step " + std::to_string(up->second) + ")"
                                           : std::string()));
            }
            continue;
        }
        if (!listed[i]) {
            if (isDown)
                r.fail(who + " is down (since step " + std::to_string(it->second.since) + ") but points[" +
                       std::to_string(i) + "] is null");
            continue;
        }
        if (!isDown)
            r.fail("points[" + std::to_string(i) + "] lists " + who +
                   ", which is not down and not in \"changed\" (use null for a finger not on the screen)");
        const ReplayPoint p = *listed[i];
        if (p.x != it->second.at.x || p.y != it->second.at.y)
            r.fail(who + " rests (not in \"changed\") at " + pointText(it->second.at) + " but points[" +
                   std::to_string(i) + "] is " + pointText(p));
    }

    for (int finger : changed) {
        const ReplayPoint p = *listed[size_t(finger)];
        s.changed.emplace_back(finger, p);
        if (s.phase == 0)
            down[finger] = Finger{p, s.number};
        else if (s.phase == 1)
            down[finger].at = p;
        else
            down.erase(finger);
        if (s.phase >= 3) lifted[finger] = s.number;
    }
}

// Which keys a step of each kind may carry besides its own.
const std::map<std::string, std::set<std::string>>& allowedKeys() {
    static const std::map<std::string, std::set<std::string>> keys{
        {"touches", {"points", "changed", "at", "tapCount", "comment"}},
        {"tap", {"count", "at", "tapCount", "comment"}},
        {"press", {"at", "comment"}},
        {"wait", {"comment"}},
        {"snapshot", {"at", "comment"}},
        {"state", {"at", "comment"}}};
    return keys;
}

ReplayStep parseStep(const json& step, int number, double& clock, std::map<int, Finger>& down,
                     std::map<int, int>& lifted) {
    StepReader r(step, number);
    if (!step.is_object())
        r.fail("must be an object such as {\"tap\": [x, y]}, not " + StepReader::typeName(step));
    std::string kind;
    for (auto it = step.begin(); it != step.end(); ++it) {
        if (!allowedKeys().count(it.key())) continue;
        if (!kind.empty()) r.fail("has both \"" + kind + "\" and \"" + it.key() + "\"; one kind a step");
        kind = it.key();
    }
    if (kind.empty()) {
        std::string keys;
        for (auto it = step.begin(); it != step.end(); ++it) keys += (keys.empty() ? "" : ", ") + it.key();
        r.fail("unknown step kind (keys: " + (keys.empty() ? std::string("none") : keys) +
               "; allowed: touches, tap, press, wait, snapshot, state)");
    }
    const auto& allowed = allowedKeys().at(kind);
    for (auto it = step.begin(); it != step.end(); ++it)
        if (it.key() != kind && !allowed.count(it.key()))
            r.fail("unknown key \"" + it.key() + "\" in a \"" + kind + "\" step");
    if (step.contains("comment") && !step["comment"].is_string()) r.fail("\"comment\" must be a string");

    ReplayStep s;
    s.number = number;
    if (step.contains("tapCount"))
        s.tapCount = r.integer(step["tapCount"], "\"tapCount\"", 1, kReplayMaxTapCount);
    if (step.contains("at")) {
        const double at = r.number(step["at"], "\"at\"", 0, kReplayMaxMs);
        if (at < clock)
            r.fail("\"at\": " + format(at) + " ms goes back in time (the clock is at " + format(clock) +
                   " ms after step " + std::to_string(number - 1) + ")");
        s.start = at;
    } else {
        s.start = clock + kReplayStepMs;
    }

    if (kind == "touches") {
        s.kind = ReplayStep::Kind::Touches;
        parseTouches(r, s, down, lifted);
        if (s.tapCount > 0 && s.phase != 0) r.fail("\"tapCount\" is for touches that began, not this phase");
        s.finish = s.start;
    } else if (kind == "tap") {
        s.kind = ReplayStep::Kind::Tap;
        s.point = r.point(step["tap"], "\"tap\"");
        if (step.contains("count")) s.count = r.integer(step["count"], "\"count\"", 1, kReplayMaxTapCount);
        s.finish = s.start + (s.count - 1) * (kReplayTapHoldMs + kReplayTapGapMs) + kReplayTapHoldMs;
    } else if (kind == "press") {
        s.kind = ReplayStep::Kind::Press;
        s.control = r.text(step["press"], "\"press\"");
        if (s.control.empty()) r.fail("\"press\" needs a control's title, \"info\" or \"Done\"");
        s.finish = s.start + kReplayTapHoldMs;
    } else if (kind == "wait") {
        s.kind = ReplayStep::Kind::Wait;
        s.start = clock + r.number(step["wait"], "\"wait\" (ms)", 0, kReplayMaxMs);
        s.finish = s.start;
    } else if (kind == "snapshot") {
        s.kind = ReplayStep::Kind::Snapshot;
        s.path = outputPath(r, step["snapshot"], "snapshot", ".png");
        s.finish = s.start;
    } else {
        s.kind = ReplayStep::Kind::State;
        s.path = outputPath(r, step["state"], "state", ".json");
        s.finish = s.start;
    }
    if (s.finish > kReplayMaxMs)
        r.fail("the clock passes " + format(kReplayMaxMs) + " ms (24 hours): too long a script");
    clock = s.finish;
    return s;
}

// nlohmann keeps the last of two equal keys; a script with one is a mistake.
class DuplicateKeys {
public:
    bool operator()(int depth, json::parse_event_t event, json& parsed) {
        using E = json::parse_event_t;
        if (depth == 2 && inSteps_ &&
            (event == E::object_start || event == E::array_start || event == E::value))
            ++element_;
        if (event == E::object_start) keys_.emplace_back();
        if (event == E::object_end && !keys_.empty()) keys_.pop_back();
        if (event == E::key) {
            const std::string key = parsed.get<std::string>();
            if (depth == 1) inSteps_ = key == "steps";
            if (!keys_.empty() && !keys_.back().insert(key).second) {
                const std::string where = inSteps_ && depth > 1 && element_ > 0
                                              ? "step " + std::to_string(element_) + ": "
                                              : std::string();
                throw ReplayScriptError{where + "the key \"" + key + "\" is given twice in one object"};
            }
        }
        return true;
    }

private:
    std::vector<std::set<std::string>> keys_;
    bool inSteps_ = false;
    int element_ = 0;
};

std::string withoutPrefix(const std::string& what) {
    // "[json.exception.parse_error.101] parse error at line 2, column 5: ..."
    const auto close = what.find("] ");
    return what.rfind("[json.exception.", 0) == 0 && close != std::string::npos ? what.substr(close + 2)
                                                                                : what;
}

}  // namespace

ReplayScript parseReplayScript(const std::string& text) {
    json doc;
    try {
        doc = json::parse(text, DuplicateKeys());
    } catch (const json::parse_error& e) {
        throw ReplayScriptError{"invalid JSON: " + withoutPrefix(e.what())};
    } catch (const json::exception& e) {
        // A number too large for a double: the parser gives no place, so find it.
        std::string what = withoutPrefix(e.what());
        const auto quote = what.find('\'');
        if (quote != std::string::npos && what.back() == '\'') {
            const std::string token = what.substr(quote + 1, what.size() - quote - 2);
            const auto at = token.empty() ? std::string::npos : text.find(token);
            if (at != std::string::npos) {
                const auto lineStart = text.rfind('\n', at);
                const long line = 1 + long(std::count(text.begin(), text.begin() + long(at), '\n'));
                const long column = long(at - (lineStart == std::string::npos ? 0 : lineStart + 1)) + 1;
                what = "at line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + what;
            }
        }
        throw ReplayScriptError{"invalid JSON: " + what};
    }
    if (!doc.is_object()) throw ReplayScriptError{"the script must be a JSON object {\"steps\": [...]}"};
    for (auto it = doc.begin(); it != doc.end(); ++it)
        if (it.key() != "device" && it.key() != "steps" && it.key() != "comment")
            throw ReplayScriptError{"unknown key \"" + it.key() + "\" (allowed: device, steps, comment)"};
    ReplayScript script;
    if (doc.contains("device")) script.deviceFlags = parseDevice(doc["device"]);
    if (!doc.contains("steps")) throw ReplayScriptError{"\"steps\" is required (an array of steps)"};
    const json& steps = doc["steps"];
    if (!steps.is_array())
        throw ReplayScriptError{"\"steps\" must be an array, not " + StepReader::typeName(steps)};
    double clock = 0;
    std::map<int, Finger> down;
    std::map<int, int> lifted;  // finger -> the step that last ended or cancelled it
    int number = 0;
    for (const json& step : steps) script.steps.push_back(parseStep(step, ++number, clock, down, lifted));
    return script;
}
