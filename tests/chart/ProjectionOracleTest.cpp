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

TEST(ProjectionOracle, EclipticAndEquatorDashesFollowTheStandardRelations) {
    // Dashes from the textbook relations (tan a = sin l cos e / cos l,
    // sin d = sin e sin l) at the obliquity of 2010.0, projected by ERFA; each
    // is drawn when its first point lies within 45 degrees of the centre.
    const double eps = 23.4379789311 * kPi / 180;
    struct Dash {
        double a1, d1, a2, d2;
    };
    std::vector<Dash> ecliptic, equator;
    for (int i = 0; i < 48; ++i) {
        auto onEcliptic = [&](double lambdaDeg, double& a, double& d) {
            const double l = lambdaDeg * kPi / 180;
            a = std::atan2(std::sin(l) * std::cos(eps), std::cos(l));
            d = std::asin(std::sin(eps) * std::sin(l));
        };
        Dash e;
        onEcliptic(7.5 * i, e.a1, e.d1);
        onEcliptic(7.5 * i + 3.75, e.a2, e.d2);
        ecliptic.push_back(e);
        equator.push_back({i * 0.5 * kPi / 12, 0, (i * 0.5 + 5.0 / 60) * kPi / 12, 0});
    }
    int checked = 0;
    for (float ra = 0.5f; ra < 24; ra += 3.7f)
        for (float dec = -70; dec <= 70; dec += 35) {
            ChartFixture f(768, 984, ra, dec, 1.3);
            const auto& ops = f.draw();
            const Screen screen{384, 492, 540 * 1.3};
            const double a0 = ra * kPi / 12, d0 = dec * kPi / 180;
            // The two dashed paths: moves and lines after each one's colour.
            auto dashesAfter = [&](float r, float g) {
                std::vector<std::vector<double>> out;
                bool in = false;
                for (const auto& op : ops) {
                    if (op.op == "CGContextSetRGBStrokeColor")
                        in = op.args[0] == double(r) && op.args[1] == double(g);
                    else if (in && op.op == "CGContextMoveToPoint")
                        out.push_back({op.args[0], op.args[1]});
                    else if (in && op.op == "CGContextAddLineToPoint")
                        out.back().insert(out.back().end(), {op.args[0], op.args[1]});
                }
                return out;
            };
            for (auto [dashes, drawn] :
                 {std::pair{&ecliptic, dashesAfter(0.4f, 0)}, std::pair{&equator, dashesAfter(0, 0.6f)}}) {
                size_t k = 0;
                for (const auto& d : *dashes) {
                    if (eraSeps(d.a1, d.d1, a0, d0) >= kPi / 4) continue;
                    ASSERT_LT(k, drawn.size()) << ra << "h " << dec;
                    const CGPoint p1 = screen.at(d.a1, d.d1, a0, d0), p2 = screen.at(d.a2, d.d2, a0, d0);
                    ASSERT_EQ(drawn[k].size(), 4u);
                    EXPECT_NEAR(drawn[k][0], p1.x, 0.01);
                    EXPECT_NEAR(drawn[k][1], p1.y, 0.01);
                    EXPECT_NEAR(drawn[k][2], p2.x, 0.01);
                    EXPECT_NEAR(drawn[k][3], p2.y, 0.01);
                    ++k;
                    ++checked;
                }
                EXPECT_EQ(k, drawn.size()) << "extra dashes at " << ra << "h " << dec;
            }
        }
    EXPECT_GT(checked, 300);
}
