#include <gtest/gtest.h>

#include "platform/ui/port/DeviceProfile.h"

namespace {
constexpr UIUserInterfaceIdiom kPhone = UIUserInterfaceIdiomPhone, kPad = UIUserInterfaceIdiomPad;
DeviceFlagsResult parse(std::vector<std::string> args) { return parseDeviceFlags(args); }
}  // namespace

TEST(DeviceProfile, NamedDevicesHaveTheirSizesAndIdioms) {
    struct Case {
        const char* name;
        float w, h;
        UIUserInterfaceIdiom idiom;
    } cases[] = {{"phone", 320, 480, kPhone},
                 {"phone-tall", 320, 568, kPhone},
                 {"phone-wide", 375, 667, kPhone},
                 {"tablet", 768, 1024, kPad}};
    for (const auto& c : cases) {
        auto r = parse({"--device", c.name});
        ASSERT_TRUE(r.ok()) << r.error;
        EXPECT_EQ(r.profile.width, c.w) << c.name;
        EXPECT_EQ(r.profile.height, c.h) << c.name;
        EXPECT_EQ(r.profile.idiom, c.idiom) << c.name;
        EXPECT_EQ(r.profile.pixelRatio, 1) << c.name;
    }
    auto r = parse({});
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.profile.width, 320);
    EXPECT_EQ(r.profile.height, 480);
}

TEST(DeviceProfile, SizeIdiomAndPixelRatio) {
    auto r = parse({"--size", "800x600", "--idiom", "phone", "--pixel-ratio", "2"});
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.profile.width, 800);
    EXPECT_EQ(r.profile.height, 600);
    EXPECT_EQ(r.profile.idiom, kPhone);
    EXPECT_EQ(r.profile.pixelRatio, 2);

    // Without --idiom the shorter side decides, as in the browser.
    EXPECT_EQ(parse({"--size=600x900"}).profile.idiom, kPad);
    EXPECT_EQ(parse({"--size=599x900"}).profile.idiom, kPhone);
    EXPECT_EQ(parse({"--size", "200x4096"}).profile.height, 4096);
    EXPECT_EQ(parse({"--pixel-ratio=1.5"}).profile.pixelRatio, 1.5);
    // Only a ratio asked for holds on a HiDPI screen; else the window's drawable decides.
    EXPECT_TRUE(parse({"--pixel-ratio=1"}).profile.pixelRatioGiven);
    EXPECT_FALSE(parse({"--device", "tablet"}).profile.pixelRatioGiven);
}

TEST(DeviceProfile, AWindowsDrawableGivesThePixelRatioUnlessOneWasAsked) {
    const DeviceProfile phone = parse({"--device", "phone"}).profile;
    EXPECT_EQ(phone.pixelRatioForDrawable(320, 640), 2);    // a HiDPI screen
    EXPECT_EQ(phone.pixelRatioForDrawable(320, 480), 1.5);  // a fractional one
    EXPECT_EQ(phone.pixelRatioForDrawable(320, 320), 1);    // an ordinary screen
    EXPECT_EQ(phone.pixelRatioForDrawable(320, 1600), 4);   // 5, held at the largest ratio
    EXPECT_EQ(phone.pixelRatioForDrawable(0, 640), 1);      // no window size known
    const DeviceProfile asked = parse({"--pixel-ratio", "1.5"}).profile;
    EXPECT_EQ(asked.pixelRatioForDrawable(480, 960), 1.5);
    EXPECT_EQ(asked.pixelRatioForDrawable(480, 480), 1.5);
}

TEST(DeviceProfile, OtherArgumentsAreKeptInOrder) {
    auto r = parse({"--ra", "5", "--device", "tablet", "--out", "x.png"});
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.rest, (std::vector<std::string>{"--ra", "5", "--out", "x.png"}));
    const char* argv[] = {"starchart", "snapshot", "--device=phone-wide"};
    auto a = parseDeviceFlags(3, argv, 1);
    ASSERT_TRUE(a.ok());
    EXPECT_EQ(a.profile.width, 375);
    EXPECT_EQ(a.rest, std::vector<std::string>{"snapshot"});
}

TEST(DeviceProfile, BadFlagsNameTheFlagAndWhatIsAllowed) {
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> mentions;
    } cases[] = {
        {{"--device", "watch"}, {"--device", "watch", "phone-tall", "tablet"}},
        {{"--device"}, {"--device", "phone"}},
        {{"--device", "phone", "--size", "400x400"}, {"--device", "--size"}},
        {{"--device", "phone", "--idiom", "tablet"}, {"--idiom", "--device"}},
        {{"--idiom", "tablet"}, {"--idiom", "--size"}},
        {{"--size", "199x500"}, {"--size", "200..4096"}},
        {{"--size", "500x4097"}, {"--size", "200..4096"}},
        {{"--size", "500"}, {"--size", "WxH"}},
        {{"--size", "-5x300"}, {"--size"}},
        {{"--size", "300x300", "--idiom", "desk"}, {"--idiom", "phone", "tablet"}},
        {{"--pixel-ratio", "0.5"}, {"--pixel-ratio", "from 1 to 4"}},
        {{"--pixel-ratio", "5"}, {"--pixel-ratio", "from 1 to 4"}},
        {{"--pixel-ratio", "two"}, {"--pixel-ratio", "from 1 to 4"}},
        {{"--pixel-ratio", "nan"}, {"--pixel-ratio"}},
        {{"--pixel-ratio", "2", "--pixel-ratio", "3"}, {"--pixel-ratio", "more than once"}},
    };
    for (const auto& c : cases) {
        auto r = parse(c.args);
        std::string joined;
        for (auto& a : c.args) joined += a + " ";
        ASSERT_FALSE(r.ok()) << joined;
        for (const auto& m : c.mentions)
            EXPECT_NE(r.error.find(m), std::string::npos) << joined << "-> " << r.error;
    }
}
