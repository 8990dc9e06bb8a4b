// The chart's projection against ERFA's tangent-plane projection, over a grid
// of centres and zooms: every dot and every segment end must land where the
// gnomonic projection of its catalogue position puts it.
#include <erfa.h>
#include <gtest/gtest.h>

#include <cmath>

#include "ChartTestSupport.h"

namespace {

constexpr double kPi = 3.141592653589793;

struct Screen {
    double cx, cy, scale;
    CGPoint at(double ra, double dec, double a0, double d0) const {
        double xi, eta;
        eraTpxes(ra, dec, a0, d0, &xi, &eta);
        // Right ascension grows to the left, north is up.
        return {CGFloat(cx - scale * xi), CGFloat(cy - scale * eta)};
    }
};

}  // namespace

TEST(ProjectionOracle, DotsAndSegmentEndsMatchErfaTangentPlane) {
    const float widths[] = {320, 768};
    const float heights[] = {480, 984};
    int checkedDots = 0, checkedEnds = 0;
    for (int w = 0; w < 2; ++w)
        for (float ra = 0.25f; ra < 24; ra += 2.5f)
            for (float dec = -85; dec <= 85; dec += 17)
                for (double zoom : {0.9, 1.7, 3.0}) {
                    ChartFixture f(widths[w], heights[w], ra, dec, zoom);
                    const auto& ops = f.draw();
                    const Screen screen{widths[w] * 0.5, heights[w] * 0.5,
                                        (widths[w] > 480 ? 540 : 300) * zoom};
                    const double a0 = ra * kPi / 12, d0 = dec * kPi / 180;

                    // Dots come out in catalogue order among the stars the
                    // walk admits; match them one by one.
                    auto dots = dotsOf(ops);
                    size_t next = 0;
                    for (const auto& s : starCatalog) {
                        if (next == dots.size()) break;
                        const CGPoint p = screen.at(s.ra, s.dec, a0, d0);
                        if (std::hypot(p.x - dots[next].x, p.y - dots[next].y) < 0.02) {
                            ++next;
                            ++checkedDots;
                        }
                    }
                    EXPECT_EQ(next, dots.size())
                        << "unmatched dot at " << ra << "h " << dec << " zoom " << zoom;

                    // Segment ends: the table holds float positions whose sine
                    // and cosine were rounded apart, so allow a little more.
                    auto strokes = opsNamed(ops, "CGContextStrokeLineSegments");
                    size_t seg = 0;
                    for (const auto& st : strokes)
                        for (size_t i = 0; i < st.args.size(); i += 4) {
                            bool matched = false;
                            while (!matched && seg < kConstellationLinesCount) {
                                const auto& l = constellationLines[seg++];
                                const CGPoint p1 = screen.at(l.ra1, l.dec1, a0, d0);
                                if (std::hypot(p1.x - st.args[i], p1.y - st.args[i + 1]) < 0.05) {
                                    const CGPoint p2 = screen.at(l.ra2, l.dec2, a0, d0);
                                    EXPECT_NEAR(p2.x, st.args[i + 2], 0.05);
                                    EXPECT_NEAR(p2.y, st.args[i + 3], 0.05);
                                    ++checkedEnds;
                                    matched = true;
                                }
                            }
                            EXPECT_TRUE(matched) << "unmatched segment at " << ra << "h " << dec;
                        }
                }
    EXPECT_GT(checkedDots, 20000);
    EXPECT_GT(checkedEnds, 5000);
}
