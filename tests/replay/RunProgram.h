// The built program run as a user runs it, for the end-to-end tests.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

struct Outcome {
    int status = -1;
    std::string output;  // stdout and stderr together
};

// The program with args in dir. fileLimit (bytes) caps each file it writes,
// as on a full disk; usage gets its resource use.
inline Outcome runProgram(const std::vector<std::string>& args, const std::filesystem::path& dir,
                          rlim_t fileLimit = 0, struct rusage* usage = nullptr) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], 1);
        dup2(pipeFds[1], 2);
        close(pipeFds[0]);
        close(pipeFds[1]);
        if (chdir(dir.c_str()) != 0) _exit(126);
        if (fileLimit) {
            std::signal(SIGXFSZ, SIG_IGN);
            const struct rlimit limit { fileLimit, fileLimit };
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        std::vector<char*> argv{const_cast<char*>(STARCHART_PROGRAM)};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(STARCHART_PROGRAM, argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    Outcome r;
    char buffer[4096];
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0) r.output.append(buffer, size_t(n));
    close(pipeFds[0]);
    int status = 0;
    struct rusage ignored {};
    wait4(pid, &status, 0, usage ? usage : &ignored);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return r;
}

inline std::string bytesOf(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// PNG width and height from the IHDR chunk; {0, 0} if it is no PNG.
inline std::pair<unsigned, unsigned> pngSize(const std::filesystem::path& path) {
    std::string h(24, '\0');
    std::ifstream(path, std::ios::binary).read(&h[0], 24);
    if (h.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || h.compare(12, 4, "IHDR") != 0) return {0, 0};
    auto be = [&](int at) {
        unsigned v = 0;
        for (int i = 0; i < 4; ++i) v = v << 8 | (unsigned char)h[size_t(at + i)];
        return v;
    };
    return {be(16), be(20)};
}
