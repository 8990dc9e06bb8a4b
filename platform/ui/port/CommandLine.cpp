#include "platform/ui/port/CommandLine.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// [+-]? (digits [. digits*] | . digits) ([eE] [+-]? digits)?
bool isDecimal(const std::string& s) {
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t digits = 0;
    while (i < s.size() && isDigit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        size_t exponent = 0;
        while (i < s.size() && isDigit(s[i])) ++i, ++exponent;
        if (exponent == 0) return false;
    }
    return i == s.size();
}

// A bound as %g writes it. Whole numbers go through the integer conversion:
// the web build links snprintf without float conversions, and a string
// stream would bring the locale machinery along (some 35 KB compressed).
std::string boundText(double v) {
    char buf[32];
    if (v == std::trunc(v) && std::fabs(v) < 1e6)
        std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(v));
    else
        std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

std::string rangeText(double lo, double hi, const char* unit) {
    return "from " + boundText(lo) + " to " + boundText(hi) + unit;
}

}  // namespace

std::string quotedArgument(const std::string& text) {
    std::string out = "'";
    size_t i = 0;
    for (; i < text.size() && out.size() < 61; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            out += escaped;
        } else {
            out += char(c);
        }
    }
    if (i < text.size()) out += "...";
    return out + "'";
}

InfoRequest infoRequest(const std::vector<std::string>& args) {
    for (const auto& a : args) {
        if (a == "--help" || a == "-h") return InfoRequest::Help;
        if (a == "--version") return InfoRequest::Version;
    }
    return InfoRequest::None;
}

bool FlagReader::next(std::string& flag) {
    if (hasInline_) throw FlagError{"unknown argument " + quotedArgument(given_)};
    if (at_ >= args_.size()) return false;
    given_ = args_[at_++];
    flag = given_;
    const size_t eq = flag.find('=');
    if (flag.rfind("--", 0) == 0 && eq != std::string::npos) {
        inlineValue_ = flag.substr(eq + 1);
        hasInline_ = true;
        flag.resize(eq);
    }
    if (flag.rfind("--", 0) == 0) {
        for (const auto& s : seen_)
            if (s == flag) throw FlagError{flag + " is given more than once"};
        seen_.push_back(flag);
    }
    return true;
}

void FlagReader::passOn() { hasInline_ = false; }

std::string FlagReader::value(const std::string& flag) {
    std::string v;
    if (hasInline_) {
        hasInline_ = false;
        v = inlineValue_;
    } else {
        if (at_ >= args_.size()) throw FlagError{flag + ": a value is missing"};
        v = args_[at_++];
    }
    if (v.empty()) throw FlagError{flag + ": the value is empty"};
    return v;
}

double numberInRange(const std::string& flag, const std::string& text, double lo, double hi,
                     const char* unit) {
    const std::string range = rangeText(lo, hi, unit);
    if (!isDecimal(text))
        throw FlagError{flag + ": " + quotedArgument(text) +
                        " is not a number in plain decimals (allowed: " + range + ")"};
    errno = 0;
    const double v = std::strtod(text.c_str(), nullptr);
    // Underflow gives a number next to 0, which is what was written; overflow
    // gives infinity, which no range holds.
    if (!std::isfinite(v) || v < lo || v > hi)
        throw FlagError{flag + ": " + quotedArgument(text) + " is out of range (allowed: " + range + ")"};
    return v;
}

long wholeInRange(const std::string& flag, const std::string& text, long lo, long hi, const char* unit) {
    const std::string range = rangeText(double(lo), double(hi), unit);
    bool digits = !text.empty() && text.size() <= 18;
    for (char c : text) digits = digits && isDigit(c);
    if (!digits) {
        bool allDigits = !text.empty();
        for (char c : text) allDigits = allDigits && isDigit(c);
        if (!allDigits)
            throw FlagError{flag + ": " + quotedArgument(text) + " is not a whole number (allowed: " + range +
                            ")"};
        throw FlagError{flag + ": " + quotedArgument(text) + " is out of range (allowed: " + range + ")"};
    }
    const long v = std::strtol(text.c_str(), nullptr, 10);
    if (v < lo || v > hi)
        throw FlagError{flag + ": " + quotedArgument(text) + " is out of range (allowed: " + range + ")"};
    return v;
}

std::string oneOf(const std::string& flag, const std::string& text, const std::vector<std::string>& allowed) {
    std::string list;
    for (const auto& a : allowed) {
        if (a == text) return text;
        list += (list.empty() ? "" : ", ") + a;
    }
    throw FlagError{flag + ": " + quotedArgument(text) + " is not allowed (allowed: " + list + ")"};
}
