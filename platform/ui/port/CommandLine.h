// The program's one command-line reader, shared by the window and every
// sub-command: "--flag value" or "--flag=value", each flag once, no empty
// values, and numbers written as plain decimals. Every error names the flag
// and what is allowed; callers exit with status 2.
#pragma once

#include <string>
#include <vector>

struct FlagError {
    std::string message;
};

class FlagReader {
public:
    explicit FlagReader(std::vector<std::string> args) : args_(std::move(args)) {}
    // The next argument: a flag (its "=value" part kept for value()) or a
    // plain word. FlagError when a flag comes twice, or when the last flag's
    // "=value" was not taken by value().
    bool next(std::string& flag);
    // The argument next() last returned, as given.
    const std::string& given() const { return given_; }
    // Leaves the argument next() last returned, "=value" and all, to another reader.
    void passOn();
    // The value of `flag`: its "=value" part or the next argument. FlagError
    // when it is missing or empty.
    std::string value(const std::string& flag);

private:
    std::vector<std::string> args_;
    size_t at_ = 0;
    std::string inlineValue_, given_;
    bool hasInline_ = false;
    std::vector<std::string> seen_;
};

// A decimal number within [lo, hi]: optional sign, digits with an optional
// fraction and exponent, nothing around it (no spaces, hex, inf or nan).
// Numbers too small to tell from 0 are 0. FlagError naming the flag and
// range otherwise.
double numberInRange(const std::string& flag, const std::string& text, double lo, double hi,
                     const char* unit = "");
// A whole decimal number within [lo, hi], digits only.
long wholeInRange(const std::string& flag, const std::string& text, long lo, long hi, const char* unit = "");
// One of the listed words, or FlagError listing them.
std::string oneOf(const std::string& flag, const std::string& text, const std::vector<std::string>& allowed);
// What --help (or -h) and --version ask for. Either one, anywhere among the
// arguments, wins over every other argument, good or bad: the command prints
// and exits 0.
enum class InfoRequest { None, Help, Version };
InfoRequest infoRequest(const std::vector<std::string>& args);
// The text quoted for a message: at most 60 bytes, control characters escaped.
std::string quotedArgument(const std::string& text);
