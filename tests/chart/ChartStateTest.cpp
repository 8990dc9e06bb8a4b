// The view's state messages, the readout text and the small text primitives.
#include <gtest/gtest.h>

#include <cstring>

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
    // Single-precision arguments widen: 17.1 arrives as the float nearest it.
    view->writexs(17.1f, 31, 768, 984);
    EXPECT_EQ(chartCentreRightAscension, double(17.1f));
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
    char buffer[50];
    QuartzView::formatReadout(buffer, 17, 31);
    EXPECT_EQ(std::strlen(buffer), 36u);
}

TEST(ChartState, TextPrimitivesSelectTheirSizeByScreenWidthAndKeepIt) {
    for (float width : {320.0f, 480.0f, 481.0f, 768.0f}) {
        ChartFixture f(width, 480, 0, 0);
        f.draw();  // sets the small-screen flag from the width
        const bool small = width <= 480;
        EXPECT_EQ(f.view->smallScreen(), small);
        for (int which = 0; which < 2; ++which) {
            f.recorder.clear();
            if (which == 0)
                f.view->drawText(&f.recorder, 3, 4, "GC");
            else
                f.view->drawText14(&f.recorder, 3, 4, "GC");
            const auto& ops = f.recorder.ops();
            auto fonts = opsNamed(ops, "CGContextSelectFont");
            ASSERT_FALSE(fonts.empty());
            EXPECT_EQ(fonts.back().text, "Helvetica");
            const double expected = small ? (which == 0 ? 12 : 14) : 18;
            EXPECT_EQ(fonts.back().args[0], expected) << "width " << width;
            EXPECT_EQ(fonts.back().args[1], 1) << "encoding";
            auto mode = opsNamed(ops, "CGContextSetTextDrawingMode");
            ASSERT_EQ(mode.size(), 1u);
            EXPECT_EQ(mode[0].args[0], 2);
            auto matrix = opsNamed(ops, "CGContextSetTextMatrix");
            ASSERT_EQ(matrix.size(), 1u);
            EXPECT_EQ(matrix[0].args, (std::vector<double>{1, 0, 0, -1, 0, 0}));
            auto text = opsNamed(ops, "CGContextShowTextAtPoint");
            ASSERT_EQ(text.size(), 1u);
            EXPECT_EQ(text[0].text, "GC");
            EXPECT_EQ(text[0].args[0], 3);
            EXPECT_EQ(text[0].args[1], 4);
            // Neither primitive touches colours or widths: the caller's stand.
            EXPECT_TRUE(opsNamed(ops, "CGContextSetRGBFillColor").empty());
            EXPECT_TRUE(opsNamed(ops, "CGContextSetLineWidth").empty());
        }
    }
}
