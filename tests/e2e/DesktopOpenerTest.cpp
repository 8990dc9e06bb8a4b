// The desktop's link opener as the app uses it: the opener's exit status is
// the answer, not whether a process could be forked.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/backend/sdl/DesktopOpener.h"

namespace fs = std::filesystem;

TEST(DesktopOpener, SucceedsOnlyWhenTheOpenerExitsZeroOrIsStillRunning) {
    char made[] = "/tmp/starchart-opener-XXXXXX";
    ASSERT_NE(mkdtemp(made), nullptr);
    const fs::path dir = made;
    // An opener script in the test's folder.
    auto opener = [&](const std::string& name, const std::string& body) {
        std::ofstream(dir / name) << "#!/bin/sh\n" << body << "\n";
        fs::permissions(dir / name, fs::perms::owner_all);
        return (dir / name).string();
    };
    std::string why;
    EXPECT_TRUE(openWithDesktop(opener("ok", "printf '%s' \"$1\" > " + (dir / "opened").string()),
                                "https://example.org/a", 5, &why))
        << why;
    std::string got;
    std::getline(std::ifstream(dir / "opened"), got);
    EXPECT_EQ(got, "https://example.org/a");
    EXPECT_TRUE(openWithDesktop(opener("slow", "sleep 2"), "https://example.org/", 0.2, &why)) << why;

    const std::pair<std::string, const char*> failures[] = {
        {opener("fails", "exit 4"), "failed (exit status 4)"},
        {(dir / "missing-opener").string(), "could not be started"},
        {opener("killed", "kill -9 $$"), "killed (signal 9)"},
    };
    for (const auto& [path, says] : failures) {
        EXPECT_FALSE(openWithDesktop(path, "https://example.org/", 5, &why));
        EXPECT_NE(why.find(says), std::string::npos) << why;
    }
    fs::remove_all(dir);
}
