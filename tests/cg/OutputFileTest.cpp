// Outputs written whole, except where the target is a device or a pipe.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/cg/file/OutputFile.h"

namespace {

std::string tempPath(const std::string& name) {
    return ::testing::TempDir() + "outputfile_" + std::to_string(getpid()) + "_" + name;
}

TEST(OutputFile, APlainFileIsReplacedWhole) {
    const std::string path = tempPath("plain.txt");
    { std::ofstream(path) << "old contents, longer than the new"; }
    std::string error;
    auto out = OutputFile::create(path, &error);
    ASSERT_TRUE(out) << error;
    ASSERT_TRUE(out->write("new", 3));
    ASSERT_TRUE(out->commit(&error)) << error;
    std::ifstream in(path);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "new");
    ::unlink(path.c_str());
}

// A pipe (like /dev/null or /dev/stdout) stays what it is: renaming a file
// over it would replace it for every other program on the machine.
TEST(OutputFile, APipeIsWrittenInPlaceAndStaysAPipe) {
    const std::string path = tempPath("pipe");
    ::unlink(path.c_str());
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    const int reader = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);

    std::string error;
    auto out = OutputFile::create(path, &error);
    ASSERT_TRUE(out) << error;
    ASSERT_TRUE(out->write("through", 7));
    EXPECT_TRUE(out->commit(&error)) << error;

    char buffer[16] = {};
    EXPECT_EQ(::read(reader, buffer, sizeof buffer), 7);
    EXPECT_EQ(std::string(buffer, 7), "through");
    struct stat st;
    ASSERT_EQ(::lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the pipe was replaced by a file";
    ::close(reader);
    ::unlink(path.c_str());
}

}  // namespace
