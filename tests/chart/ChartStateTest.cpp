// The view's state messages, the readout text and the small text primitives.
#include <gtest/gtest.h>

#include "ChartTestSupport.h"
#include "platform/ui/Compositor.h"

namespace {

// Displaying a view of no size only clears its redraw request, so the next
// message's own request can be seen.
void settle(QuartzView& view) {
    Compositor::displayTree(&view);
    ASSERT_FALSE(view.needsDisplay());
}

}  // namespace

TEST(ChartState, LabelModeCyclesAndStarNamesFollowTheModeLeft) {
    auto view = std::make_shared<QuartzView>();
    view->initWithFrame(CGRectMake(0, 0, 0, 0));
    EXPECT_EQ(view->labelMode(), 0);
    EXPECT_FALSE(view->starNamesOn());
    const int32_t modes[] = {1, 2, 0, 1, 2, 0};
    const bool names[] = {true, false, false, true, false, false};
    for (int i = 0; i < 6; ++i) {
        settle(*view);
        view->writeStarNames();
        EXPECT_EQ(view->labelMode(), modes[i]) << "after step " << i + 1;
        EXPECT_EQ(view->starNamesOn(), names[i]) << "after step " << i + 1;
        EXPECT_TRUE(view->needsDisplay());
    }
}

TEST(ChartState, WritexsAndSetEchStoreTheirValuesAndAskForARedraw) {
    auto view = std::make_shared<QuartzView>();
    view->initWithFrame(CGRectMake(0, 0, 0, 0));
    settle(*view);
    view->writexs(5.25f, -12.5f, 768, 984);
    EXPECT_EQ(chartCentreRightAscension, 5.25);
    EXPECT_EQ(chartCentreDeclination, -12.5);
    EXPECT_EQ(view->width(), 768.0f);
    EXPECT_EQ(view->height(), 984.0f);
    EXPECT_TRUE(view->needsDisplay());
    settle(*view);
    view->setEch(2.5);
    EXPECT_EQ(view->zoom(), 2.5);
    EXPECT_TRUE(view->needsDisplay());
}

TEST(ChartState, ReadoutFieldsTruncateTowardZeroAndCarryTheirOwnSigns) {
    struct Case {
        double ra, dec;
        const char* text;
    } cases[] = {
        {17, 31, "Ra : 17h 00mn 00s  De : 31d 00' 00\" "},
        {17, -0.5, "Ra : 17h 00mn 00s  De : 00d -30' 00\" "},
        {17, -12.5, "Ra : 17h 00mn 00s  De : -12d -30' 00\" "},
        {17, 12.5, "Ra : 17h 00mn 00s  De : 12d 30' 00\" "},
        {17.76, -28.933, "Ra : 17h 45mn 36s  De : -28d -55' -58\" "},
        {23.999, 89.99, "Ra : 23h 59mn 56s  De : 89d 59' 24\" "},
        {0, -90, "Ra : 00h 00mn 00s  De : -90d 00' 00\" "},
    };
    for (const auto& c : cases) {
        char buffer[50];
        QuartzView::formatReadout(buffer, c.ra, c.dec);
        EXPECT_STREQ(buffer, c.text) << c.ra << " " << c.dec;
    }
}

TEST(ChartState, TextPrimitivesSelectTheirSizeByScreenWidthAndKeepIt) {
    // Neither primitive touches colours or widths: the caller's stand.
    for (float width : {320.0f, 480.0f, 481.0f, 768.0f}) {
        ChartFixture f(width, 480, 0, 0);
        f.draw();  // sets the small-screen flag from the width
        const bool small = width <= 480;
        EXPECT_EQ(f.view->smallScreen(), small);
        for (int size : {12, 14}) {
            f.recorder.clear();
            if (size == 12)
                f.view->drawText(&f.recorder, 3, 4, "GC");
            else
                f.view->drawText14(&f.recorder, 3, 4, "GC");
            std::vector<std::string> calls;
            for (const auto& op : f.recorder.ops()) {
                std::string call = op.op + " " + op.text;
                for (double a : op.args) call += " " + std::to_string(int(a));
                calls.push_back(call);
            }
            std::vector<std::string> expected = {"CGContextSelectFont Helvetica " + std::to_string(size) +
                                                 " 1"};
            if (!small) expected.push_back("CGContextSelectFont Helvetica 18 1");
            for (const char* c : {"CGContextSetTextDrawingMode  2", "CGContextSetTextMatrix  1 0 0 -1 0 0",
                                  "CGContextShowTextAtPoint GC 3 4 2"})
                expected.push_back(c);
            EXPECT_EQ(calls, expected) << "width " << width;
        }
    }
}
