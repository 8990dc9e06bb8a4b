#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/ui/Foundation.h"
#include "resources/Bundle.h"

// Every nib and image in resources/ is in the compiled-in bundle, byte for byte.
TEST(Bundle, HoldsEveryResourceFileByName) {
    namespace fs = std::filesystem;
    registerBundle();
    const fs::path dir = fs::path(STARCHART_SOURCE_DIR) / "resources";
    int files = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".json" && ext != ".png") continue;
        ++files;
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        const std::string name = entry.path().filename().string();
        const std::string* data = NSBundle::mainBundle()->dataForResource(name);
        ASSERT_NE(data, nullptr) << name;
        EXPECT_EQ(*data, bytes.str()) << name;
    }
    EXPECT_GT(files, 0);
    EXPECT_EQ(NSBundle::mainBundle()->dataForResource("CMakeLists.txt"), nullptr);
}
