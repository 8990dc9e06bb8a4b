#include <gtest/gtest.h>

#include "tests/ui/UITestSupport.h"

namespace {
const char* kSampleNib = R"({
  "format": "starchart-nib", "version": 1,
  "root": {
    "class": "UIView", "frame": [0, 0, 320, 480], "autosizeToScreen": true,
    "backgroundColor": [0.1, 0.2, 0.3], "multipleTouchEnabled": true,
    "subviews": [
      { "class": "UIToolbar", "frame": [0, 0, 320, 44], "autoresizingMask": ["flexibleWidth"],
        "items": [ { "systemItem": "flexibleSpace" },
                   { "title": "Info", "action": "showInfo:", "outlet": "infoItem" } ] },
      { "class": "UILabel", "frame": [20, 100, 280, 40], "text": "Hello", "textColor": "white",
        "font": {"name": "Helvetica", "size": 15}, "textAlignment": "center", "outlet": "extra" },
      { "class": "UIImageView", "frame": [10, 150, 20, 10], "image": "nibtest-tile.png" },
      { "class": "UIButton", "buttonType": "roundedRect", "frame": [110, 420, 100, 37], "title": "Done",
        "titleColor": "white", "action": "done:", "target": "File's Owner", "identifier": "close",
        "autoresizingMask": ["flexibleTopMargin", "flexibleLeftMargin", "flexibleRightMargin"] }
    ] } })";

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

class NibFailDelegate : public TestAppDelegate {
public:
    bool applicationDidFinishLaunchingWithOptions(UIApplication* a, const NSDictionary* o) override {
        TestLaunch::makeRoot = [] { return controllerWithNib("NoSuchNib"); };
        return TestAppDelegate::applicationDidFinishLaunchingWithOptions(a, o);
    }
};
}  // namespace

TEST(Nib, BuildsTheDescribedViewsAndWiresThemToTheOwner) {
    BundleFile nib("NibTestSample.json", kSampleNib);
    BundleFile png("nibtest-tile.png", makePng(20, 10, 1, 0, 0));
    auto root = controllerWithNib("NibTestSample");
    EXPECT_FALSE(root->isViewLoaded());  // nothing is read before the view is asked for
    auto app = launchWith("tablet", [&] { return root; });
    ASSERT_TRUE(root->isViewLoaded());
    EXPECT_EQ(root->viewDidLoadCount, 1);
    auto view = root->view();
    EXPECT_EQ(view->frame(), CGRectMake(0, 0, 768, 1024));  // sized to the screen at load
    EXPECT_EQ(root->frameAtLoad, CGRectMake(0, 0, 768, 1024));
    EXPECT_TRUE(view->isMultipleTouchEnabled());
    ASSERT_TRUE(view->backgroundColor());
    EXPECT_FLOAT_EQ(view->backgroundColor()->blue(), 0.3f);
    ASSERT_EQ(view->subviews().size(), 4u);

    auto toolbar = std::dynamic_pointer_cast<UIToolbar>(view->subviews()[0]);
    ASSERT_TRUE(toolbar);
    EXPECT_EQ(toolbar->frame().size.width, 768);
    auto label = std::dynamic_pointer_cast<UILabel>(view->subviews()[1]);
    ASSERT_TRUE(label);
    EXPECT_EQ(label->text(), "Hello");
    EXPECT_EQ(label->textAlignment(), NSTextAlignmentCenter);
    EXPECT_EQ(label->font()->pointSize(), 15);
    EXPECT_EQ(root->outletView, label);
    auto image = std::dynamic_pointer_cast<UIImageView>(view->subviews()[2]);
    ASSERT_TRUE(image && image->image());
    EXPECT_EQ(image->image()->size().width, 20);
    auto button = std::dynamic_pointer_cast<UIButton>(view->subviews()[3]);
    ASSERT_TRUE(button);
    EXPECT_EQ(button->buttonType(), UIButtonTypeRoundedRect);
    EXPECT_EQ(button->frame().origin.y, 420 + (1024 - 480));  // kept its distance from the bottom
    EXPECT_EQ(button->frame().size, CGSizeMake(100, 37));

    // The button and the bar item send their actions to File's Owner; the
    // item is the sender of its own action.
    EXPECT_TRUE(app->pressControl("close"));
    EXPECT_TRUE(app->pressControl("Info"));
    EXPECT_EQ(root->actions, (std::vector<std::string>{"done:", "showInfo:"}));
    auto item = root->infoItem.lock();
    ASSERT_TRUE(item);
    EXPECT_EQ(item->title(), "Info");
    EXPECT_EQ(root->senders[0], button);
    EXPECT_EQ(root->senders[1], item);

    // The bar item is drawn at the bar's right end (after the flexible space).
    CGRect itemFrame = OffscreenApp::frameInWindow(*item->itemView());
    EXPECT_GT(itemFrame.origin.x, 600);
}

TEST(Nib, FaultsNameTheFileAndTheFault) {
    auto owner = std::make_shared<TestController>();
    struct Case {
        std::string json;
        std::vector<std::string> mentions;
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
    };
    for (const auto& c : cases) {
        std::string error = loadError(c.json, owner.get());
        for (const auto& m : c.mentions)
            EXPECT_NE(error.find(m), std::string::npos) << c.json << "\n-> " << error;
    }
    // A nib naming an action needs an owner that answers it; without an owner that is a fault too.
    EXPECT_NE(loadError(R"({"root": {"class": "UIView", "subviews": [{"class": "UIButton", "frame": [0,0,1,1],
                 "action": "done:"}]}})",
                        nullptr)
                  .find("without one"),
              std::string::npos);
    // The same with "First Responder" is left to the responder chain.
    EXPECT_EQ(loadError(R"({"root": {"class": "UIView", "subviews": [{"class": "UIButton", "frame": [0,0,1,1],
                 "action": "anything:", "target": "First Responder"}]}})",
                        nullptr),
              "(loaded)");
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

TEST(Nib, UIApplicationMainStopsWithStatus1OnABadNibAnd2OnABadFlag) {
    const std::string name = NSStringFromClass<NibFailDelegate>();
    UIApplicationSetBackendFactory(
        [](const DeviceProfile& p) { return std::make_unique<OffscreenBackend>(p); });
    std::vector<std::string> args{"starchart", "--device", "phone"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    testing::internal::CaptureStderr();
    int status = UIApplicationMain(int(argv.size()), argv.data(), nullptr, name);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 1);
    EXPECT_NE(err.find("NoSuchNib.json"), std::string::npos) << err;
    EXPECT_EQ(UIApplication::sharedApplication(), nullptr);  // nothing left running

    args = {"starchart", "--pixel-ratio", "9"};
    argv.clear();
    for (auto& a : args) argv.push_back(a.data());
    testing::internal::CaptureStderr();
    status = UIApplicationMain(int(argv.size()), argv.data(), nullptr, name);
    err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 2);
    EXPECT_NE(err.find("--pixel-ratio"), std::string::npos) << err;

    args = {"starchart"};
    argv = {args[0].data()};
    testing::internal::CaptureStderr();
    status = UIApplicationMain(1, argv.data(), nullptr, "NoSuchDelegate");
    err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 1);
    EXPECT_NE(err.find("NoSuchDelegate"), std::string::npos) << err;
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

    auto view = std::make_shared<UIImageView>();
    view->initWithImage(img);
    EXPECT_EQ(view->frame(), CGRectMake(0, 0, 30, 12));
    auto empty = std::make_shared<UIImageView>();
    empty->initWithImage(nullptr);
    EXPECT_EQ(empty->frame(), CGRectMake(0, 0, 0, 0));
}
