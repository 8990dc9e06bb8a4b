#include <gtest/gtest.h>

#include <sstream>

#include "platform/ui/port/DeviceProfile.h"

namespace {
DeviceFlagsResult parse(std::vector<std::string> args) { return parseDeviceFlags(args); }

// "width x height idiom @ pixel ratio" of the profile the flags give, or their error.
std::string shape(std::vector<std::string> args) {
    const DeviceFlagsResult r = parse(std::move(args));
    if (!r.ok()) return r.error;
    std::ostringstream s;
    s << r.profile.width << "x" << r.profile.height
      << (r.profile.idiom == UIUserInterfaceIdiomPad ? " tablet @" : " phone @") << r.profile.pixelRatio;
    return s.str();
}
}  // namespace

TEST(DeviceProfile, NamedDevicesHaveTheirSizesAndIdioms) {
    EXPECT_EQ(shape({"--device", "phone"}), "320x480 phone @1");
    EXPECT_EQ(shape({"--device", "phone-tall"}), "320x568 phone @1");
    EXPECT_EQ(shape({"--device", "phone-wide"}), "375x667 phone @1");
    EXPECT_EQ(shape({"--device", "tablet"}), "768x1024 tablet @1");
    EXPECT_EQ(shape({}), "320x480 phone @1");
}

TEST(DeviceProfile, SizeIdiomAndPixelRatio) {
    EXPECT_EQ(shape({"--size", "800x600", "--idiom", "phone", "--pixel-ratio", "2"}), "800x600 phone @2");
    // Without --idiom the shorter side decides, as in the browser.
    EXPECT_EQ(shape({"--size=600x900"}), "600x900 tablet @1");
    EXPECT_EQ(shape({"--size=599x900"}), "599x900 phone @1");
    EXPECT_EQ(shape({"--size", "200x4096"}), "200x4096 phone @1");
    EXPECT_EQ(shape({"--pixel-ratio=1.5"}), "320x480 phone @1.5");
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
