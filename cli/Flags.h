// Checked command-line values of the sub-commands, over the program's one
// flag reader: every bad value names its flag and the range or values allowed.
#pragma once

#include <string>
#include <vector>

#include "mainscreen/VHMainViewController.h"
#include "platform/ui/port/CommandLine.h"

// A file the program may create or overwrite: a name without control
// characters, its folder exists and is writable, and it is not a folder
// itself. FlagError names the flag otherwise.
void writableFile(const std::string& flag, const std::string& path);

// FlagError when two flags name one file (the same path, or two names of it).
void distinctFiles(const std::string& flagA, const std::string& a, const std::string& flagB,
                   const std::string& b);

// The chart's view: --ra HOURS (0 to 24), --dec DEGREES (-90 to 90) and
// --zoom Z (the chart's own bounds); by default the chart's start.
struct ViewFlags {
    double ra = VHMainViewController::kStartRightAscension;
    double dec = VHMainViewController::kStartDeclination;
    double zoom = VHMainViewController::kStartScale;
    bool haveRa = false, haveDec = false;
};
// Reads the value of `flag` into view when it is one of those three; false
// (and nothing read) for any other flag.
bool readViewFlag(FlagReader& flags, const std::string& flag, ViewFlags& view);

// "starchart 1.0.0": the program and its version, as --version prints it.
const char* versionLine();
// Answers --help with `help` and --version with versionLine() on standard
// output when args ask for either (infoRequest); true then, and the command
// exits 0.
bool answerInfoRequest(const std::vector<std::string>& args, const std::string& help);
