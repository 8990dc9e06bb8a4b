// Checked command-line values of the sub-commands, over the program's one
// flag reader: every bad value names its flag and the range or values allowed.
#pragma once

#include <string>

#include "platform/ui/port/CommandLine.h"

// A file the program may create or overwrite: a name without control
// characters, its folder exists and is writable, and it is not a folder
// itself. FlagError names the flag otherwise.
void writableFile(const std::string& flag, const std::string& path);

// FlagError when two flags name one file (the same path, or two names of it).
void distinctFiles(const std::string& flagA, const std::string& a, const std::string& flagB,
                   const std::string& b);
