// Outputs written whole, except where the target is a device or a pipe.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "platform/cg/file/OutputFile.h"
#include "tests/cg/CairoTestUtil.h"

namespace {

TEST(OutputFile, APlainFileIsReplacedWhole) {
    const TempFile path("plain.txt");
    { std::ofstream(path) << "old contents, longer than the new"; }
    std::string error;
    auto out = OutputFile::create(path, &error);
    ASSERT_TRUE(out) << error;
    ASSERT_TRUE(out->write("new", 3));
    ASSERT_TRUE(out->commit(&error)) << error;
    EXPECT_EQ(readFile(path), "new");
}

// A pipe (like /dev/null or /dev/stdout) stays what it is: renaming a file
// over it would replace it for every other program on the machine.
TEST(OutputFile, APipeIsWrittenInPlaceAndStaysAPipe) {
    const TempFile pipe("pipe");
    const char* path = pipe.path.c_str();
    ASSERT_EQ(::mkfifo(path, 0600), 0);
    const int reader = ::open(path, O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);

    std::string error;
    auto out = OutputFile::create(pipe, &error);
    ASSERT_TRUE(out) << error;
    ASSERT_TRUE(out->write("through", 7));
    EXPECT_TRUE(out->commit(&error)) << error;

    char buffer[16] = {};
    EXPECT_EQ(::read(reader, buffer, sizeof buffer), 7);
    EXPECT_EQ(std::string(buffer, 7), "through");
    struct stat st;
    ASSERT_EQ(::lstat(path, &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the pipe was replaced by a file";
    ::close(reader);
}

}  // namespace
