#include "cli/Flags.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

bool FlagReader::next(std::string& flag) {
    if (at_ >= args_.size()) return false;
    flag = args_[at_++];
    return true;
}

const std::string& FlagReader::value(const std::string& flag) {
    if (at_ >= args_.size()) throw FlagError{flag + ": a value is missing"};
    return args_[at_++];
}

double numberInRange(const std::string& flag, const std::string& text, double lo, double hi,
                     const char* unit) {
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    std::ostringstream range;
    range << "from " << lo << " to " << hi << unit;
    if (text.empty() || end != text.c_str() + text.size() || errno == ERANGE || !std::isfinite(v))
        throw FlagError{flag + ": '" + text + "' is not a number (allowed: " + range.str() + ")"};
    if (v < lo || v > hi)
        throw FlagError{flag + ": " + text + " is out of range (allowed: " + range.str() + ")"};
    return v;
}

std::string oneOf(const std::string& flag, const std::string& text, const std::vector<std::string>& allowed) {
    std::string list;
    for (const auto& a : allowed) {
        if (a == text) return text;
        list += (list.empty() ? "" : ", ") + a;
    }
    throw FlagError{flag + ": '" + text + "' is not allowed (allowed: " + list + ")"};
}
