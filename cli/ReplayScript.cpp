#include "cli/ReplayScript.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
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

constexpr size_t kExcerpt = 60;

// At most kExcerpt bytes of what the script said, control characters escaped:
// a message never carries a whole (possibly huge) value.
std::string clip(const std::string& text) {
    std::string out;
    size_t i = 0;
    for (; i < text.size() && out.size() < kExcerpt; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += char(c);
        }
    }
    if (i < text.size()) out += "...";
    return out;
}

// Writes the value as JSON until the excerpt is full. Its depth is bounded:
// captured values never nest deeper than kReplayMaxDepth.
void excerptInto(const json& v, std::string& out) {
    if (out.size() > kExcerpt) return;
    if (v.is_array() || v.is_object()) {
        out += v.is_array() ? '[' : '{';
        bool first = true;
        for (auto it = v.begin(); it != v.end() && out.size() <= kExcerpt; ++it) {
            if (!first) out += ", ";
            first = false;
            if (v.is_object()) out += "\"" + clip(it.key()) + "\": ";
            excerptInto(*it, out);
        }
        out += v.is_array() ? ']' : '}';
    } else if (v.is_string()) {
        out += "\"" + clip(v.get_ref<const std::string&>()) + "\"";
    } else {
        out += v.dump();
    }
}

std::string excerpt(const json& v) {
    std::string out;
    excerptInto(v, out);
    if (out.size() > kExcerpt) {
        out.resize(kExcerpt);
        out += "...";
    }
    return out;
}

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
        if (!v.is_array() || v.size() != 2) fail(what + " must be a point [x, y], not " + excerpt(v));
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
    // A NUL would end the name the system sees early; other control
    // characters make names nobody can type.
    for (char c : path)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            r.fail(std::string("\"") + key + "\": '" + clip(path) + "' holds a control character");
    if (path[0] == '/')
        r.fail(std::string("\"") + key + "\": '" + clip(path) +
               "' is absolute; paths are relative to the output directory (--out-dir)");
    std::stringstream parts(path);
    std::string part;
    while (std::getline(parts, part, '/'))
        if (part == "..")
            r.fail(std::string("\"") + key + "\": '" + clip(path) + "' leaves the output directory (\"..\")");
    if (path.back() == '/') r.fail(std::string("\"") + key + "\": '" + clip(path) + "' names a directory");
    const std::string ext = extension;
    std::string tail = path.size() >= ext.size() ? path.substr(path.size() - ext.size()) : "";
    for (char& c : tail) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (tail != ext) r.fail(std::string("\"") + key + "\": '" + clip(path) + "' must end in " + ext);
    return path;
}

std::vector<std::string> parseDevice(const json& d) {
    auto fail = [](const std::string& what) { throw ReplayScriptError{"\"device\": " + what}; };
    if (d.is_string()) {
        const std::string name = d.get<std::string>();
        for (const char* known : {"phone", "phone-tall", "phone-wide", "tablet"})
            if (name == known) return {"--device", name};
        fail("unknown device '" + clip(name) +
             "' (allowed: phone, phone-tall, phone-wide, tablet, or {\"size\": [w, h], "
             "\"idiom\": \"phone\"|\"tablet\", \"pixelRatio\": n})");
    }
    if (!d.is_object())
        fail("must be a device name or {\"size\": [w, h], \"idiom\": ..., \"pixelRatio\": ...}, not " +
             StepReader::typeName(d));
    for (auto it = d.begin(); it != d.end(); ++it)
        if (it.key() != "size" && it.key() != "idiom" && it.key() != "pixelRatio")
            fail("unknown key \"" + clip(it.key()) + "\" (allowed: size, idiom, pixelRatio)");
    if (!d.contains("size")) fail("\"size\": [w, h] is required");
    const json& size = d["size"];
    auto side = [&](const json& v) {
        if (!v.is_number() || !std::isfinite(v.get<double>()) ||
            v.get<double>() != std::floor(v.get<double>()) || v.get<double>() < 200 || v.get<double>() > 4096)
            fail("\"size\": " + excerpt(size) + " must be two whole numbers of points, each 200..4096");
        return std::to_string(long(v.get<double>()));
    };
    if (!size.is_array() || size.size() != 2)
        fail("\"size\": " + excerpt(size) + " must be [w, h] (each 200..4096 points)");
    std::vector<std::string> flags{"--size", side(size[0]) + "x" + side(size[1])};
    if (d.contains("idiom")) {
        const json& idiom = d["idiom"];
        if (!idiom.is_string() || (idiom != "phone" && idiom != "tablet"))
            fail("\"idiom\": " + excerpt(idiom) + " is not allowed (allowed: \"phone\", \"tablet\")");
        flags.insert(flags.end(), {"--idiom", idiom.get<std::string>()});
    }
    if (d.contains("pixelRatio")) {
        const json& ratio = d["pixelRatio"];
        if (!ratio.is_number() || !std::isfinite(ratio.get<double>()) || ratio.get<double>() < 1 ||
            ratio.get<double>() > 4)
            fail("\"pixelRatio\": " + excerpt(ratio) + " is not allowed (a number from 1 to 4)");
        flags.insert(flags.end(), {"--pixel-ratio", format(ratio.get<double>())});
    }
    return flags;
}

// The fingers on the screen as the script has put them there.
struct Finger {
    ReplayPoint at;
    int since = 0;  // the step it began at
};

void parseTouches(const StepReader& r, ReplayStep& s, ReplayScript& script, std::map<int, Finger>& down,
                  std::map<int, int>& lifted) {
    const json& phase = r.at("touches");
    const std::string name = r.text(phase, "\"touches\"");
    if (name == "began")
        s.phase = TouchPhase::Began;
    else if (name == "moved")
        s.phase = TouchPhase::Moved;
    else if (name == "ended")
        s.phase = TouchPhase::Ended;
    else if (name == "cancelled")
        s.phase = TouchPhase::Cancelled;
    else
        r.fail("\"touches\": '" + clip(name) + "' is not a phase (allowed: began, moved, ended, cancelled)");

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
            if (s.phase == TouchPhase::Began && isDown)
                r.fail(who + " is already down (since step " + std::to_string(it->second.since) +
                       "); name only the fingers that begin in \"changed\"");
            if (s.phase != TouchPhase::Began && !isDown) {
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

    s.firstFinger = std::uint32_t(script.fingers.size());
    s.fingerCount = std::uint32_t(changed.size());
    for (int finger : changed) {
        const ReplayPoint p = *listed[size_t(finger)];
        script.fingers.emplace_back(finger, p);
        if (s.phase == TouchPhase::Began)
            down[finger] = Finger{p, s.number};
        else if (s.phase == TouchPhase::Moved)
            down[finger].at = p;
        else
            down.erase(finger);
        if (s.phase == TouchPhase::Ended || s.phase == TouchPhase::Cancelled) lifted[finger] = s.number;
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

ReplayStep parseStep(const json& step, int number, double& clock, ReplayScript& script,
                     std::map<int, Finger>& down, std::map<int, int>& lifted) {
    StepReader r(step, number);
    if (!step.is_object())
        r.fail("must be an object such as {\"tap\": [x, y]}, not " + StepReader::typeName(step));
    std::string kind;
    for (auto it = step.begin(); it != step.end(); ++it) {
        if (!allowedKeys().count(it.key())) continue;
        if (!kind.empty())
            r.fail("has both \"" + kind + "\" and \"" + clip(it.key()) + "\"; one kind a step");
        kind = it.key();
    }
    if (kind.empty()) {
        std::string keys;
        for (auto it = step.begin(); it != step.end(); ++it)
            keys += (keys.empty() ? "" : ", ") + clip(it.key());
        r.fail("unknown step kind (keys: " + (keys.empty() ? std::string("none") : keys) +
               "; allowed: touches, tap, press, wait, snapshot, state)");
    }
    const auto& allowed = allowedKeys().at(kind);
    for (auto it = step.begin(); it != step.end(); ++it)
        if (it.key() != kind && !allowed.count(it.key()))
            r.fail("unknown key \"" + clip(it.key()) + "\" in a \"" + kind + "\" step");
    if (step.contains("comment") && !step["comment"].is_string()) r.fail("\"comment\" must be a string");

    ReplayStep s;
    s.number = number;
    if (step.contains("tapCount"))
        s.tapCount = std::uint8_t(r.integer(step["tapCount"], "\"tapCount\"", 1, kReplayMaxTapCount));
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
        parseTouches(r, s, script, down, lifted);
        if (s.tapCount > 0 && s.phase != TouchPhase::Began)
            r.fail("\"tapCount\" is for touches that began, not this phase");
        s.finish = s.start;
    } else if (kind == "tap") {
        s.kind = ReplayStep::Kind::Tap;
        s.point = r.point(step["tap"], "\"tap\"");
        if (step.contains("count"))
            s.count = std::uint8_t(r.integer(step["count"], "\"count\"", 1, kReplayMaxTapCount));
        s.finish = s.start + (s.count - 1) * (kReplayTapHoldMs + kReplayTapGapMs) + kReplayTapHoldMs;
    } else if (kind == "press") {
        s.kind = ReplayStep::Kind::Press;
        std::string control = r.text(step["press"], "\"press\"");
        if (control.empty()) r.fail("\"press\" needs a control's title, \"info\" or \"Done\"");
        s.name = std::uint32_t(script.names.size());
        script.names.push_back(std::move(control));
        s.finish = s.start + kReplayTapHoldMs;
    } else if (kind == "wait") {
        s.kind = ReplayStep::Kind::Wait;
        s.start = clock + r.number(step["wait"], "\"wait\" (ms)", 0, kReplayMaxMs);
        s.finish = s.start;
    } else if (kind == "snapshot") {
        s.kind = ReplayStep::Kind::Snapshot;
        s.name = std::uint32_t(script.names.size());
        script.names.push_back(outputPath(r, step["snapshot"], "snapshot", ".png"));
        s.finish = s.start;
    } else {
        s.kind = ReplayStep::Kind::State;
        s.name = std::uint32_t(script.names.size());
        script.names.push_back(outputPath(r, step["state"], "state", ".json"));
        s.finish = s.start;
    }
    if (s.finish > kReplayMaxMs)
        r.fail("the clock passes " + format(kReplayMaxMs) + " ms (24 hours): too long a script");
    clock = s.finish;
    return s;
}

std::string withoutPrefix(const std::string& what) {
    // "[json.exception.parse_error.101] parse error at line 2, column 5: ..."
    const auto close = what.find("] ");
    return what.rfind("[json.exception.", 0) == 0 && close != std::string::npos ? what.substr(close + 2)
                                                                                : what;
}

// Builds one small value (a step, the device) from parser events.
class ValueBuilder {
public:
    // A step holds a few dozen values; far more is never a valid one.
    static constexpr size_t kMaxValues = 4096;

    void reset() {
        root_ = json();
        stack_.clear();
        values_ = 0;
    }
    bool active() const { return !stack_.empty(); }
    json& root() { return root_; }
    // False when the value grows beyond kMaxValues.
    bool add(json v) {
        place(std::move(v));
        return ++values_ <= kMaxValues;
    }
    bool open(bool object) {
        stack_.push_back(place(object ? json::object() : json::array()));
        return ++values_ <= kMaxValues;
    }
    void key(std::string k) { key_ = std::move(k); }
    void close() { stack_.pop_back(); }

private:
    json* place(json v) {
        if (stack_.empty()) {
            root_ = std::move(v);
            return &root_;
        }
        json& top = *stack_.back();
        if (top.is_array()) {
            top.push_back(std::move(v));
            return &top.back();
        }
        json& slot = top[key_];
        slot = std::move(v);
        return &slot;
    }

    json root_;
    std::vector<json*> stack_;
    std::string key_;
    size_t values_ = 0;
};

// Reads the script in one pass: each step is built as a small value, checked
// and stored compactly, then dropped, so time and memory grow with the steps
// linearly. Keys are checked for duplicates (nlohmann would keep the last of
// two); nesting is refused beyond what a script needs. Errors of meaning are
// held back until the whole text is known to be JSON, and reported in the
// order a reader would look: the document, the device, then the steps.
class ScriptReader final : public nlohmann::json_sax<json> {
public:
    ScriptReader(const std::string& text, ReplayScript& script) : text_(text), script_(script) {}

    void finish() {
        if (notObject_) throw ReplayScriptError{"the script must be a JSON object {\"steps\": [...]}"};
        if (!unknownKey_.empty())
            throw ReplayScriptError{"unknown key \"" + clip(unknownKey_) +
                                    "\" (allowed: device, steps, comment)"};
        if (haveDevice_) script_.deviceFlags = parseDevice(device_);
        if (!sawSteps_) throw ReplayScriptError{"\"steps\" is required (an array of steps)"};
        if (!stepsType_.empty()) throw ReplayScriptError{"\"steps\" must be an array, not " + stepsType_};
        if (!stepError_.empty()) throw ReplayScriptError{stepError_};
    }

    bool null() override { return scalar(json(nullptr)); }
    bool boolean(bool v) override { return scalar(json(v)); }
    bool number_integer(number_integer_t v) override { return scalar(json(v)); }
    bool number_unsigned(number_unsigned_t v) override { return scalar(json(v)); }
    bool number_float(number_float_t v, const string_t&) override { return scalar(json(v)); }
    bool string(string_t& v) override { return scalar(json(std::move(v))); }
    bool binary(binary_t&) override { return scalar(json()); }  // never in JSON text

    bool start_object(std::size_t) override { return open(true); }
    bool end_object() override { return close(); }
    bool start_array(std::size_t) override { return open(false); }
    bool end_array() override { return close(); }

    bool key(string_t& k) override {
        if (!keys_.back().insert(k).second) {
            const std::string where =
                inSteps_ && depth_ > 2 && stepNumber_ > 0 ? "step " + std::to_string(stepNumber_) + ": " : "";
            throw ReplayScriptError{where + "the key \"" + clip(k) + "\" is given twice in one object"};
        }
        if (depth_ == 1 && !notObject_) {
            topKey_ = k;
            if (k == "steps") sawSteps_ = true;
            if (k != "device" && k != "steps" && k != "comment" && unknownKey_.empty()) unknownKey_ = k;
        }
        if (builder_.active()) builder_.key(std::move(k));
        return true;
    }

    bool parse_error(std::size_t position, const std::string& lastToken,
                     const nlohmann::detail::exception& e) override {
        std::string what = withoutPrefix(e.what());
        if (what.rfind("parse error", 0) != 0) {
            // A number too large for a double: give its place as for syntax errors.
            const size_t at = std::min(text_.size(), position - std::min(position, lastToken.size()));
            const auto lineStart = text_.rfind('\n', at == 0 ? 0 : at - 1);
            const long line = 1 + long(std::count(text_.begin(), text_.begin() + long(at), '\n'));
            const long column =
                long(at - (lineStart == std::string::npos || lineStart >= at ? 0 : lineStart + 1)) + 1;
            what = "at line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + what;
        }
        // The parser quotes the token it read, which may be as long as the script.
        if (what.size() > 3 * kExcerpt) what = what.substr(0, 3 * kExcerpt) + "...";
        throw ReplayScriptError{"invalid JSON: " + what};
    }

private:
    [[noreturn]] void tooDeep() const {
        const std::string what = "arrays and objects nest deeper than a script needs (at most " +
                                 std::to_string(kReplayMaxDepth) + " levels)";
        if (inSteps_ && depth_ > 2)
            throw ReplayScriptError{"step " + std::to_string(stepNumber_) + ": " + what};
        if (depth_ > 1 && topKey_ == "device") throw ReplayScriptError{"\"device\": " + what};
        throw ReplayScriptError{what};
    }

    [[noreturn]] void tooLarge() const {
        const std::string what = "holds more than " + std::to_string(ValueBuilder::kMaxValues) + " values";
        if (inSteps_) throw ReplayScriptError{"step " + std::to_string(stepNumber_) + ": " + what};
        throw ReplayScriptError{"\"device\": " + what};
    }

    // What a value that starts at the current depth is: the document, a
    // top-level value, a step, or a part of one being built.
    bool scalar(json v) {
        if (depth_ == 0) {
            notObject_ = true;
            return true;
        }
        if (notObject_) return true;
        if (builder_.active()) {
            if (!builder_.add(std::move(v))) tooLarge();
            return true;
        }
        if (depth_ == 1) {
            if (topKey_ == "device") {
                device_ = std::move(v);
                haveDevice_ = true;
            } else if (topKey_ == "steps") {
                stepsType_ = StepReader::typeName(v);
            }
        } else if (depth_ == 2 && inSteps_) {
            ++stepNumber_;
            takeStep(v);
        }
        return true;
    }

    bool open(bool object) {
        ++depth_;
        if (depth_ > kReplayMaxDepth) tooDeep();
        keys_.emplace_back();
        if (depth_ == 1) {
            if (!object) notObject_ = true;
            return true;
        }
        if (notObject_) return true;
        if (builder_.active()) {
            if (!builder_.open(object)) tooLarge();
        } else if (depth_ == 2 && topKey_ == "steps") {
            if (object)
                stepsType_ = "an object";
            else
                inSteps_ = true;
        } else if (depth_ == 2 && topKey_ == "device") {
            builder_.reset();
            builder_.open(object);
        } else if (depth_ == 3 && inSteps_) {
            ++stepNumber_;
            builder_.reset();
            builder_.open(object);
        }
        return true;
    }

    bool close() {
        keys_.pop_back();
        if (builder_.active()) {
            builder_.close();
            if (!builder_.active()) {
                if (depth_ == 2 && topKey_ == "device") {
                    device_ = std::move(builder_.root());
                    haveDevice_ = true;
                } else if (depth_ == 3 && inSteps_) {
                    takeStep(builder_.root());
                }
                builder_.reset();
            }
        } else if (depth_ == 2 && inSteps_) {
            inSteps_ = false;
        }
        --depth_;
        return true;
    }

    void takeStep(const json& step) {
        if (!stepError_.empty()) return;
        try {
            script_.steps.push_back(parseStep(step, stepNumber_, clock_, script_, down_, lifted_));
        } catch (const ReplayScriptError& e) {
            stepError_ = e.message;
        }
    }

    const std::string& text_;
    ReplayScript& script_;
    ValueBuilder builder_;
    std::vector<std::set<std::string>> keys_;
    int depth_ = 0;
    std::string topKey_;
    bool notObject_ = false, sawSteps_ = false, inSteps_ = false, haveDevice_ = false;
    std::string unknownKey_, stepsType_, stepError_;
    json device_;
    int stepNumber_ = 0;
    double clock_ = 0;
    std::map<int, Finger> down_;
    std::map<int, int> lifted_;  // finger -> the step that last ended or cancelled it
};

}  // namespace

std::string replayExcerpt(const std::string& text) { return clip(text); }

ReplayScript parseReplayScript(const std::string& text) {
    if (text.size() > kReplayMaxScriptBytes)
        throw ReplayScriptError{"the script is larger than " + std::to_string(kReplayMaxScriptBytes >> 20) +
                                " MB"};
    ReplayScript script;
    ScriptReader reader(text, script);
    json::sax_parse(text, &reader);
    reader.finish();
    return script;
}

std::string readReplayScriptFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    struct stat st {};
    if (!f) throw ReplayScriptError{"cannot read the script '" + clip(path) + "': " + std::strerror(errno)};
    if (::fstat(::fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
        std::fclose(f);
        throw ReplayScriptError{"cannot read the script '" + clip(path) + "': it is a folder"};
    }
    std::string text;
    char buffer[1 << 16];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        if (text.size() + n > kReplayMaxScriptBytes) {
            std::fclose(f);
            throw ReplayScriptError{"the script '" + clip(path) + "' is larger than " +
                                    std::to_string(kReplayMaxScriptBytes >> 20) + " MB; refused"};
        }
        text.append(buffer, n);
    }
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) throw ReplayScriptError{"cannot read the script '" + clip(path) + "'"};
    return text;
}
