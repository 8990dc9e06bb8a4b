// The messages the chart view receives while the main screen loads, in order:
// the controller is given a chart view that records each one, then passes it on.
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

class RecordingChart : public QuartzView {
public:
    void writexs(float ra, float dec, float width, float height) override {
        messages.push_back({this, "writexs", {ra, dec, width, height}, frame()});
        QuartzView::writexs(ra, dec, width, height);
    }
    void setEch(double zoom) override {
        messages.push_back({this, "setEch", {zoom}, frame()});
        QuartzView::setEch(zoom);
    }
    void writeStarNames() override {
        messages.push_back({this, "writeStarNames", {}, frame()});
        QuartzView::writeStarNames();
    }
};

// The apps launched while it lives get the recording chart view.
struct RecordChartMessages {
    RecordChartMessages() {
        messages.clear();
        VHMainViewController::makeChartView = []() -> std::shared_ptr<QuartzView> {
            return std::make_shared<RecordingChart>();
        };
    }
    ~RecordChartMessages() { VHMainViewController::makeChartView = saved; }
    std::shared_ptr<QuartzView> (*saved)() = VHMainViewController::makeChartView;
};

void expectLoadSequence(const DeviceProfile& device, CGRect frame) {
    RecordChartMessages recording;
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
    RecordChartMessages recording;
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
