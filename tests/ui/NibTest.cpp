#include <gtest/gtest.h>

#include "tests/ui/UITestSupport.h"

// What the app's own descriptions hold is built and checked by the app tests
// (tests/app); here, faulty descriptions and how they stop the program.

namespace {
struct BundleFile {
    std::string name;
    BundleFile(std::string n, std::string bytes) : name(std::move(n)) {
        NSBundle::mainBundle()->registerResource(name, std::move(bytes));
        UIImage::clearCache();
    }
    ~BundleFile() {
        NSBundle::mainBundle()->removeResource(name);
        UIImage::clearCache();
    }
};

std::string loadError(const std::string& json, NSObject* owner, const char* name = "Broken.json") {
    try {
        UINib::loadFromString(json, name, owner);
    } catch (const NibLoadError& e) {
        return e.what();
    }
    return "(loaded)";
}

}  // namespace

TEST(Nib, FaultsNameTheFileAndTheFault) {
    auto owner = std::make_shared<TestController>();
    struct Case {
        std::string json;
        std::vector<std::string> mentions;
        bool owned = true;
    } cases[] = {
        {R"({"root": {"class": "UIView", "frame": [0, 0, 10, 10],)",
         {"Broken.json", "malformed JSON", "line 1"}},
        {"[1, 2]", {"Broken.json", "top level"}},
        {R"({"views": []})", {"Broken.json", "unknown key 'views'"}},
        {R"({"root": {"class": "UIView", "subviews": [{"class": "UISlider", "frame": [0,0,1,1]}]}})",
         {"Broken.json", "root.subviews[0]", "unknown class 'UISlider'"}},
        {R"({"root": {"class": "UIView", "subviews": [{"class": "UIButton", "frame": [0,0,1,1],
            "action": "launchRocket:"}]}})",
         {"Broken.json", "root.subviews[0]", "launchRocket:", "TestController", "does not respond"}},
        {R"({"root": {"class": "UIView", "subviews": [{"class": "UIToolbar", "frame": [0,0,1,1],
            "items": [{"title": "X", "action": "done:", "target": "Somebody"}]}]}})",
         {"root.subviews[0].items[0]", "unknown target 'Somebody'"}},
        {R"({"root": {"class": "UIView", "outlet": "nothingHere"}})",
         {"root", "no outlet named 'nothingHere'"}},
        {R"({"root": {"class": "UIView", "subviews": [{"class": "UIButton", "outlet": "extra", "frame": [0,0,1,1]},
            {"class": "UILabel", "frame": [0, 0, 5], "text": "x"}]}})",
         {"root.subviews[1]", "'frame' must be [x, y, width, height]"}},
        {R"({"root": {"class": "UIView", "subviews": [{"class": "UILabel"}]}})",
         {"root.subviews[0]", "'frame' is missing"}},
        {R"({"root": {"class": "UIView", "backgroundColor": "mauve"}})", {"root", "unknown colour 'mauve'"}},
        {R"({"root": {"class": "UIView", "hidden": "yes"}})", {"root", "'hidden' must be true or false"}},
        {R"({"root": {"class": "UIView", "fram": [0,0,1,1]}})", {"root", "unknown key 'fram'"}},
        {R"({"root": {"class": "Foundation"}})", {"root", "unknown class 'Foundation'"}},
        {R"({"root": {"class": "UIView", "subviews": [{"class": "UILabel", "frame": [0,0,1,1],
            "font": {"name": "Arial", "size": 12}}]}})",
         {"Broken.json", "root.subviews[0]", "unknown font name 'Arial'"}},
        // A nib naming an action needs an owner that answers it; without an owner that is a fault too.
        {R"({"root": {"class": "UIView", "subviews": [{"class": "UIButton", "frame": [0,0,1,1],
            "action": "done:"}]}})",
         {"without one"},
         false},
        // The same with "First Responder" is left to the responder chain.
        {R"({"root": {"class": "UIView", "subviews": [{"class": "UIButton", "frame": [0,0,1,1],
            "action": "anything:", "target": "First Responder"}]}})",
         {"(loaded)"},
         false},
    };
    for (const auto& c : cases) {
        std::string error = loadError(c.json, c.owned ? owner.get() : nullptr);
        for (const auto& m : c.mentions)
            EXPECT_NE(error.find(m), std::string::npos) << c.json << "\n-> " << error;
    }
}

TEST(Nib, AMissingNibIsAFatalErrorOfTheViewLoad) {
    auto c = controllerWithNib("NoSuchNib");
    try {
        c->view();
        FAIL() << "loaded a missing nib";
    } catch (const NibLoadError& e) {
        EXPECT_NE(std::string(e.what()).find("NoSuchNib.json"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("no such interface description"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(c->isViewLoaded());
}

// A bad description at start-up is the app's case (BundleFaults.ProgramEntryReportsTheFaultAndFails).
TEST(Nib, UIApplicationMainStopsWith2OnABadFlagAnd1OnAnUnknownDelegate) {
    UIApplicationSetBackendFactory(
        [](const DeviceProfile& p) { return std::make_unique<OffscreenBackend>(p); });
    std::vector<std::string> args{"starchart", "--pixel-ratio", "9"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    testing::internal::CaptureStderr();
    int status =
        UIApplicationMain(int(argv.size()), argv.data(), nullptr, NSStringFromClass<TestAppDelegate>());
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 2);
    EXPECT_NE(err.find("--pixel-ratio"), std::string::npos) << err;

    testing::internal::CaptureStderr();
    status = UIApplicationMain(1, argv.data(), nullptr, "NoSuchDelegate");
    err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 1);
    EXPECT_NE(err.find("NoSuchDelegate"), std::string::npos) << err;
    EXPECT_EQ(UIApplication::sharedApplication(), nullptr);  // nothing left running
}

TEST(Images, NamedFromTheBundleOrEmpty) {
    EXPECT_EQ(UIImage::imageNamed("no-such-image.png"), nullptr);
    EXPECT_EQ(UIImage::imageNamed(""), nullptr);
    BundleFile png("imagetest.png", makePng(30, 12, 0, 1, 0));
    BundleFile notPng("imagetest-bad.png", "this is not a PNG");
    auto img = UIImage::imageNamed("imagetest.png");
    ASSERT_TRUE(img);
    EXPECT_EQ(img->size(), CGSizeMake(30, 12));
    const CGImage& px = *img->CGImage();
    EXPECT_EQ(px.rgba[1], 255);  // green, opaque
    EXPECT_EQ(px.rgba[3], 255);
    EXPECT_EQ(UIImage::imageNamed("imagetest"), img);  // the extension may be left out
    EXPECT_EQ(UIImage::imageNamed("imagetest-bad.png"), nullptr);
}
