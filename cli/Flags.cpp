#include "cli/Flags.h"

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>

bool FlagReader::next(std::string& flag) {
    if (hasInline_) throw FlagError{"unknown argument '" + inlineValue_ + "'"};
    if (at_ >= args_.size()) return false;
    flag = args_[at_++];
    const size_t eq = flag.find('=');
    if (flag.rfind("--", 0) == 0 && eq != std::string::npos) {
        inlineValue_ = flag.substr(eq + 1);
        hasInline_ = true;
        flag.resize(eq);
    }
    for (const auto& s : seen_)
        if (s == flag) throw FlagError{flag + ": given more than once"};
    seen_.push_back(flag);
    return true;
}

std::string FlagReader::value(const std::string& flag) {
    if (hasInline_) {
        hasInline_ = false;
        return inlineValue_;
    }
    if (at_ >= args_.size()) throw FlagError{flag + ": a value is missing"};
    return args_[at_++];
}

void writableFile(const std::string& flag, const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path p(path);
    if (fs::is_directory(p, ec)) throw FlagError{flag + ": '" + path + "' is a folder, not a file"};
    const fs::path dir = p.has_parent_path() ? p.parent_path() : fs::path(".");
    if (!fs::is_directory(dir, ec)) throw FlagError{flag + ": the folder of '" + path + "' does not exist"};
    if (::access(dir.c_str(), W_OK) != 0 || (fs::exists(p, ec) && ::access(p.c_str(), W_OK) != 0))
        throw FlagError{flag + ": '" + path + "' cannot be written"};
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

InfoRequest infoRequest(const std::vector<std::string>& args) {
    for (const auto& a : args) {
        if (a == "--help" || a == "-h") return InfoRequest::Help;
        if (a == "--version") return InfoRequest::Version;
    }
    return InfoRequest::None;
}

const char* versionLine() { return "starchart " STARCHART_VERSION; }
