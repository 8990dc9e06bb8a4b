// The messages the chart view receives while the main screen loads and the
// gestures run, in order: the controller is given a chart view that records
// each one ("name args @ frame then", six digits), then passes it on.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "AppTestSupport.h"

namespace {

std::vector<std::string> messages;

class RecordingChart : public QuartzView {
public:
    void writexs(float ra, float dec, float width, float height) override {
        record("writexs %g %g %g %g", ra, dec, width, height);
        QuartzView::writexs(ra, dec, width, height);
    }
    void setEch(double zoom) override {
        record("setEch %g", zoom);
        QuartzView::setEch(zoom);
    }
    void writeStarNames() override {
        record("writeStarNames");
        QuartzView::writeStarNames();
    }

private:
    template <class... Args>
    void record(const char* format, Args... args) {
        char text[160];
        const int n = std::snprintf(text, sizeof text, format, args...);
        const CGRect f = frame();
        std::snprintf(text + n, sizeof text - n, " @ %g %g %g %g", f.origin.x, f.origin.y, f.size.width,
                      f.size.height);
        messages.push_back(text);
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

using Messages = std::vector<std::string>;

TEST(ChartMessages, AtLoadInTheirFinalFrame) {
    RecordChartMessages recording;
    RunningApp phone(namedDevice("phone"));
    EXPECT_EQ(messages, (Messages{"writexs 17 31 320 480 @ 0 0 320 480", "setEch 1 @ 0 0 320 480",
                                  "writexs 17 31 320 480 @ 0 0 320 480"}));
    messages.clear();
    RunningApp tablet(namedDevice("tablet"));
    EXPECT_EQ(messages, (Messages{"writexs 17 31 768 984 @ 0 40 768 984", "setEch 1 @ 0 40 768 984",
                                  "writexs 17 31 768 984 @ 0 40 768 984"}));
}

TEST(ChartMessages, OnePerAcceptedMoveAndNoneForIgnoredOnes) {
    RecordChartMessages recording;
    RunningApp run(namedDevice("phone"));
    messages.clear();
    run.app.touchDown(0, {100, 100});
    run.app.touchMove(0, {110, 104});
    run.app.touchMove(0, {120, 108});  // 20 points right and 8 down: 0.2 hours, 1 degree
    // 121.92 -> 150.15 points apart: 28.23 more, over 2000.
    run.app.touchDown(1, {200, 200});
    run.app.touchMove(1, {220, 220});
    // Three fingers: nothing.
    run.app.touchDown(2, {300, 300});
    run.app.inject({{0, {10, 10}, TouchPhase::Moved},
                    {1, {20, 20}, TouchPhase::Moved},
                    {2, {30, 30}, TouchPhase::Moved}});
    run.app.touchUp(2, {30, 30});
    run.app.touchUp(1, {20, 20});
    run.app.touchUp(0, {10, 10});
    run.app.advance(0.5);
    run.app.tap({160, 240}, 2);
    EXPECT_EQ(messages,
              (Messages{"writexs 17.1 31.5 320 480 @ 0 0 320 480", "writexs 17.2 32 320 480 @ 0 0 320 480",
                        "setEch 1.01411 @ 0 0 320 480", "writeStarNames @ 0 0 320 480"}));
}

}  // namespace
