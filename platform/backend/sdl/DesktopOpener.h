// Hands a link to the desktop's opener (xdg-open) and finds out whether it
// ran and succeeded, which SDL's own call does not: it reports success as
// soon as its fork does.
#pragma once

#include <string>

// Runs `opener url` (searched on PATH) and waits up to waitSeconds for its
// exit status: true when it exited 0, or is still running then (a browser
// started in the foreground); false with the reason in *why when it could
// not be started, failed or was killed.
bool openWithDesktop(const std::string& opener, const std::string& url, double waitSeconds, std::string* why);
