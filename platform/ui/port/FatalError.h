// Errors the platform would stop the program for: a missing or malformed nib,
// an unknown class name, a window that cannot open. Their message names the
// file and the fault; UIApplicationMain prints it and returns 1.
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>

struct UIKitFatalError : std::runtime_error {
    explicit UIKitFatalError(const std::string& what) : std::runtime_error(what) {
#ifdef __EMSCRIPTEN__
        // The browser build does not catch exceptions: say why before it stops.
        std::fprintf(stderr, "starchart: %s\n", what.c_str());
#endif
    }
};
