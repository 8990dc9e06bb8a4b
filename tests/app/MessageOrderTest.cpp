// The messages the chart view receives while the main screen loads, in order.
// The chart view's messages are plain member functions, so this test binary
// is linked with the linker wrapping them (see CMakeLists.txt): every call the
// controller makes is recorded here and then passed on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AppTestSupport.h"

namespace {

struct Message {
    const QuartzView* view;
    std::string name;
    std::vector<double> args;
    CGRect frameThen;
};
std::vector<Message> messages;

}  // namespace

extern "C" {
void __real__ZN10QuartzView7writexsEffff(QuartzView* self, float ra, float dec, float width, float height);
void __real__ZN10QuartzView6setEchEd(QuartzView* self, double zoom);
void __real__ZN10QuartzView14writeStarNamesEv(QuartzView* self);

void __wrap__ZN10QuartzView7writexsEffff(QuartzView* self, float ra, float dec, float width, float height) {
    messages.push_back({self, "writexs", {ra, dec, width, height}, self->frame()});
    __real__ZN10QuartzView7writexsEffff(self, ra, dec, width, height);
}
void __wrap__ZN10QuartzView6setEchEd(QuartzView* self, double zoom) {
    messages.push_back({self, "setEch", {zoom}, self->frame()});
    __real__ZN10QuartzView6setEchEd(self, zoom);
}
void __wrap__ZN10QuartzView14writeStarNamesEv(QuartzView* self) {
    messages.push_back({self, "writeStarNames", {}, self->frame()});
    __real__ZN10QuartzView14writeStarNamesEv(self);
}
}

namespace {

void expectLoadSequence(const DeviceProfile& device, CGRect frame) {
    messages.clear();
    RunningApp run(device);
    const QuartzView* chart = run.main().chartView().get();
    ASSERT_EQ(messages.size(), 3u);
    for (const Message& m : messages) {
        EXPECT_EQ(m.view, chart);
        // Sent after initWithFrame: the frame is already the final one.
        expectRect(m.frameThen, frame.origin.x, frame.origin.y, frame.size.width, frame.size.height,
                   m.name.c_str());
    }
    const std::vector<double> start{17, 31, frame.size.width, frame.size.height};
    EXPECT_EQ(messages[0].name, "writexs");
    EXPECT_EQ(messages[0].args, start);
    EXPECT_EQ(messages[1].name, "setEch");
    EXPECT_EQ(messages[1].args, std::vector<double>{1.0});
    EXPECT_EQ(messages[2].name, "writexs");
    EXPECT_EQ(messages[2].args, start);
}

TEST(ChartMessages, AtLoad) {
    expectLoadSequence(namedDevice("phone"), CGRectMake(0, 0, 320, 480));
    expectLoadSequence(namedDevice("tablet"), CGRectMake(0, 40, 768, 984));
}

TEST(ChartMessages, OnePerAcceptedMoveAndNoneForIgnoredOnes) {
    RunningApp run(namedDevice("phone"));
    messages.clear();
    run.app.touchDown(0, {100, 100});
    EXPECT_TRUE(messages.empty());
    run.app.touchMove(0, {110, 104});
    run.app.touchMove(0, {120, 108});
    ASSERT_EQ(messages.size(), 2u);
    // 20 points right and 8 down on a narrow screen: 0.2 hours, 1 degree.
    EXPECT_EQ(messages[1].name, "writexs");
    ASSERT_EQ(messages[1].args.size(), 4u);
    EXPECT_NEAR(messages[1].args[0], 17.2, 1e-5);
    EXPECT_EQ(messages[1].args[1], 32);
    EXPECT_EQ(messages[1].args[2], 320);
    EXPECT_EQ(messages[1].args[3], 480);

    messages.clear();
    run.app.touchDown(1, {200, 200});
    run.app.touchMove(1, {220, 220});
    ASSERT_EQ(messages.size(), 1u);
    // 121.92 -> 150.15 points apart: 28.23 more, over 2000.
    EXPECT_EQ(messages[0].name, "setEch");
    ASSERT_EQ(messages[0].args.size(), 1u);
    EXPECT_NEAR(messages[0].args[0], 1.0141143, 1e-6);

    messages.clear();
    run.app.touchDown(2, {300, 300});
    run.app.inject({{0, {10, 10}, TouchPhase::Moved},
                    {1, {20, 20}, TouchPhase::Moved},
                    {2, {30, 30}, TouchPhase::Moved}});
    run.app.touchUp(2, {30, 30});
    run.app.touchUp(1, {20, 20});
    run.app.touchUp(0, {10, 10});
    EXPECT_TRUE(messages.empty());

    run.app.advance(0.5);
    run.app.tap({160, 240}, 2);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].name, "writeStarNames");
}

}  // namespace
