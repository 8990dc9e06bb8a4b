// The desktop's link opener as the app uses it: the opener's exit status is
// the answer, not whether a process could be forked.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/backend/sdl/DesktopOpener.h"

namespace fs = std::filesystem;

namespace {

class DesktopOpener : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/starchart-opener-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        dir_ = dir;
    }
    void TearDown() override { fs::remove_all(dir_); }

    // An opener script in the test's folder.
    std::string opener(const std::string& name, const std::string& body) {
        const fs::path p = dir_ / name;
        std::ofstream(p) << "#!/bin/sh\n" << body << "\n";
        fs::permissions(p, fs::perms::owner_all);
        return p.string();
    }

    fs::path dir_;
};

TEST_F(DesktopOpener, SucceedsOnlyWhenTheOpenerExitsZero) {
    std::string why;
    const std::string log = (dir_ / "opened.txt").string();
    EXPECT_TRUE(
        openWithDesktop(opener("ok", "printf '%s' \"$1\" > " + log), "https://example.org/a", 5, &why))
        << why;
    std::ifstream in(log);
    std::string got;
    std::getline(in, got);
    EXPECT_EQ(got, "https://example.org/a");

    EXPECT_FALSE(openWithDesktop(opener("fails", "exit 4"), "https://example.org/", 5, &why));
    EXPECT_NE(why.find("failed (exit status 4)"), std::string::npos) << why;

    EXPECT_FALSE(openWithDesktop((dir_ / "missing-opener").string(), "https://example.org/", 5, &why));
    EXPECT_NE(why.find("could not be started"), std::string::npos) << why;

    EXPECT_FALSE(openWithDesktop(opener("killed", "kill -9 $$"), "https://example.org/", 5, &why));
    EXPECT_NE(why.find("killed (signal 9)"), std::string::npos) << why;
}

TEST_F(DesktopOpener, AnOpenerStillRunningHasTheLink) {
    std::string why;
    EXPECT_TRUE(openWithDesktop(opener("slow", "sleep 2"), "https://example.org/", 0.2, &why)) << why;
}

}  // namespace
