#include "cli/Flags.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

void writableFile(const std::string& flag, const std::string& path) {
    namespace fs = std::filesystem;
    for (char c : path)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            throw FlagError{flag + ": " + quotedArgument(path) + " holds a control character"};
    std::error_code ec;
    const fs::path p(path);
    if (fs::is_directory(p, ec)) throw FlagError{flag + ": '" + path + "' is a folder, not a file"};
    const fs::path dir = p.has_parent_path() ? p.parent_path() : fs::path(".");
    if (!fs::is_directory(dir, ec)) throw FlagError{flag + ": the folder of '" + path + "' does not exist"};
    if (::access(dir.c_str(), W_OK) != 0 || (fs::exists(p, ec) && ::access(p.c_str(), W_OK) != 0))
        throw FlagError{flag + ": '" + path + "' cannot be written"};
}

void distinctFiles(const std::string& flagA, const std::string& a, const std::string& flagB,
                   const std::string& b) {
    namespace fs = std::filesystem;
    std::error_code ea, eb;
    // Both folders exist (writableFile): their canonical forms tell links and
    // "./" apart; an existing file may also have a second (hard) name.
    const fs::path pa = fs::weakly_canonical(fs::absolute(a), ea);
    const fs::path pb = fs::weakly_canonical(fs::absolute(b), eb);
    struct stat sa {
    }, sb{};
    const bool same =
        (!ea && !eb && pa == pb) || (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 &&
                                     sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino);
    if (same)
        throw FlagError{flagA + " and " + flagB + " name one file, '" + b + "'; each output needs its own"};
}

bool readViewFlag(FlagReader& flags, const std::string& flag, ViewFlags& view) {
    if (flag == "--ra") {
        view.ra = numberInRange(flag, flags.value(flag), 0, 24, " hours");
        view.haveRa = true;
    } else if (flag == "--dec") {
        view.dec = numberInRange(flag, flags.value(flag), -90, 90, " degrees");
        view.haveDec = true;
    } else if (flag == "--zoom") {
        view.zoom = numberInRange(flag, flags.value(flag), VHMainViewController::kMinScale,
                                  VHMainViewController::kMaxScale);
    } else {
        return false;
    }
    return true;
}

const char* versionLine() { return "starchart " STARCHART_VERSION; }

bool answerInfoRequest(const std::vector<std::string>& args, const std::string& help) {
    switch (infoRequest(args)) {
        case InfoRequest::Help:
            std::printf("%s\n", help.c_str());
            return true;
        case InfoRequest::Version:
            std::printf("%s\n", versionLine());
            return true;
        case InfoRequest::None:
            break;
    }
    return false;
}
