#include "platform/backend/sdl/DesktopOpener.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

extern char** environ;

bool openWithDesktop(const std::string& opener, const std::string& url, double waitSeconds,
                     std::string* why) {
    pid_t pid = 0;
    std::string program = opener, link = url;
    char* argv[] = {program.data(), link.data(), nullptr};
    const int spawned = ::posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv, environ);
    if (spawned != 0) {
        if (why) *why = opener + " could not be started: " + std::strerror(spawned);
        return false;
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(waitSeconds);
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0 && errno != EINTR) {
            if (why) *why = std::string("cannot wait for ") + opener + ": " + std::strerror(errno);
            return false;
        }
        if (std::chrono::steady_clock::now() >= until) {
            // Still running: it has the link. Reap it later without blocking.
            std::thread([pid] {
                int ignored = 0;
                ::waitpid(pid, &ignored, 0);
            }).detach();
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    if (why) {
        if (WIFEXITED(status) && WEXITSTATUS(status) == 127)
            *why = opener + " was not found";
        else if (WIFEXITED(status))
            *why = opener + " failed (exit status " + std::to_string(WEXITSTATUS(status)) + ")";
        else
            *why = opener + " was killed (signal " + std::to_string(WTERMSIG(status)) + ")";
    }
    return false;
}
