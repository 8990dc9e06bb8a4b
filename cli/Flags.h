// Checked command-line values: every bad value names its flag and the range
// or values allowed.
#pragma once

#include <string>
#include <vector>

struct FlagError {
    std::string message;
};

// Walks "--flag value" and "--flag=value" pairs; value() throws FlagError
// when the value is missing, next() when a flag comes twice.
class FlagReader {
public:
    explicit FlagReader(std::vector<std::string> args) : args_(std::move(args)) {}
    bool next(std::string& flag);
    std::string value(const std::string& flag);

private:
    std::vector<std::string> args_;
    size_t at_ = 0;
    std::string inlineValue_;
    bool hasInline_ = false;
    std::vector<std::string> seen_;
};

// A file the program may create or overwrite: its folder exists and is
// writable, and it is not a folder itself. FlagError names the flag otherwise.
void writableFile(const std::string& flag, const std::string& path);

// A finite number within [lo, hi], or FlagError naming the flag and range.
double numberInRange(const std::string& flag, const std::string& text, double lo, double hi,
                     const char* unit = "");
// One of the listed words, or FlagError listing them.
std::string oneOf(const std::string& flag, const std::string& text, const std::vector<std::string>& allowed);

// What --help and --version ask for: anywhere among args, they win over
// every other argument (and the command exits 0 after printing).
enum class InfoRequest { None, Help, Version };
InfoRequest infoRequest(const std::vector<std::string>& args);
// "starchart 1.0.0": the program and its version, as --version prints it.
const char* versionLine();
