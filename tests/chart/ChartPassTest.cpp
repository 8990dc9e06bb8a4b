// The rendering pass as a trace: layer order, colours, widths, fonts, label
// modes, the star walk, the checkpoints and the segment buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

#include "ChartTestSupport.h"

namespace {

constexpr double kPi = 3.141592653589793;

// The sequence of state-setting and drawing calls, as "op:args" keys, with
// repeated calls of one kind folded, so the layer structure reads at a glance.
std::vector<std::string> skeleton(const std::vector<RecordedOp>& ops) {
    std::vector<std::string> out;
    for (const auto& op : ops) {
        std::string key = op.op.substr(std::strlen("CGContext"));
        if (op.op == "CGContextSetRGBStrokeColor" || op.op == "CGContextSetRGBFillColor" ||
            op.op == "CGContextSetLineWidth") {
            char buf[64];
            if (op.args.size() == 4)
                std::snprintf(buf, sizeof buf, "(%g,%g,%g,%g)", op.args[0], op.args[1], op.args[2],
                              op.args[3]);
            else
                std::snprintf(buf, sizeof buf, "(%g)", op.args[0]);
            key += buf;
        }
        if (op.op == "CGContextMoveToPoint" || op.op == "CGContextAddLineToPoint") key = "path";
        if (!out.empty() && out.back() == key &&
            (key == "path" || key == "ShowTextAtPoint" || key == "FillEllipseInRect" ||
             key == "StrokeLineSegments"))
            continue;
        out.push_back(key);
    }
    return out;
}

}  // namespace

TEST(ChartPass, LayersColoursAndWidthsComeInTheirOrderInEachLabelMode) {
    // 17 h +31: the start chart. The galactic centre is 60 degrees away, so
    // its marker is not drawn, but its colour and width still are set.
    ChartFixture f(320, 480, 17, 31);
    const std::vector<std::string> start = {"ClearRect",
                                            "SelectFont",
                                            "SetTextDrawingMode",
                                            "SetTextMatrix",
                                            "SetRGBStrokeColor(1,1,1,1)",
                                            "SetRGBStrokeColor(0,0,0.8,1)",
                                            "SetLineWidth(2)"};
    const std::vector<std::string> tail = {
        // readout
        "SetRGBFillColor(0,0,0,1)", "FillRect", "SetRGBStrokeColor(0.6,0,0,1)", "SetLineWidth(0)",
        "SetRGBFillColor(0.8,0,0,1)", "SelectFont", "SetTextDrawingMode", "SetTextMatrix", "ShowTextAtPoint",
        // stars
        "SetRGBFillColor(1,1,1,1)", "FillEllipseInRect",
        // centre cross
        "SetRGBStrokeColor(0.8,0,0,1)", "SetLineWidth(1)", "SetRGBFillColor(0.8,0,0,1)", "BeginPath", "path",
        "StrokePath"};
    const std::vector<std::string> lines = {"StrokeLineSegments"};
    const std::vector<std::string> starNames = {"SetRGBFillColor(0.8,0.8,0.8,1)", "SetLineWidth(0)",
                                                "ShowTextAtPoint"};
    const std::vector<std::string> constellationNames = {"SetRGBFillColor(0,0.8,0,1)", "SetLineWidth(0)",
                                                         "ShowTextAtPoint"};
    const std::vector<std::string> gcColour = {"SetRGBFillColor(0,0.5,0,1)", "SetLineWidth(0)"};
    // The ecliptic lies more than 45 degrees south of this centre: an empty path.
    const std::vector<std::string> eclipticEquator = {"SetRGBStrokeColor(0.4,0,0,1)",
                                                      "SetLineWidth(2)",
                                                      "BeginPath",
                                                      "StrokePath",
                                                      "SetRGBStrokeColor(0,0.6,0,1)",
                                                      "SetLineWidth(2)",
                                                      "BeginPath",
                                                      "path",
                                                      "StrokePath"};
    auto concat = [](std::initializer_list<std::vector<std::string>> parts) {
        std::vector<std::string> all;
        for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
        return all;
    };

    EXPECT_EQ(skeleton(f.draw()),
              concat({start, lines, constellationNames, gcColour, eclipticEquator, tail}));
    f.view->writeStarNames();
    EXPECT_EQ(skeleton(f.draw()),
              concat({start, lines, starNames, constellationNames, gcColour, eclipticEquator, tail}));
    f.view->writeStarNames();
    // Mode 2: constellation-name colours are still set but nothing is written.
    const std::vector<std::string> namesOff = {"SetRGBFillColor(0,0.8,0,1)", "SetLineWidth(0)"};
    EXPECT_EQ(skeleton(f.draw()), concat({start, namesOff, gcColour, tail}));
    EXPECT_GT(f.view->segmentEntries(), 0) << "segments are still computed in mode 2";
}

TEST(ChartPass, TheStartChartWritesItsNamesAndReadout) {
    ChartFixture f(320, 480, 17, 31);
    f.view->writeStarNames();
    auto texts = textsOf(f.draw());
    auto has = [&](const char* t) { return std::find(texts.begin(), texts.end(), t) != texts.end(); };
    // Around Hercules: Vega and Arcturus are well inside 45 degrees, Sirius is not.
    EXPECT_TRUE(has("Hercules"));
    EXPECT_TRUE(has("Vega"));
    EXPECT_TRUE(has("Arcturus"));
    EXPECT_FALSE(has("Sirius"));
    EXPECT_FALSE(has("Andromeda"));
    EXPECT_EQ(texts.back(), "Ra : 17h 00mn 00s  De : 31d 00' 00\" ");
    auto readout = opsNamed(f.recorder.ops(), "CGContextShowTextAtPoint").back();
    EXPECT_EQ(readout.args[0], 20);
    EXPECT_EQ(readout.args[1], 31);
    auto box = opsNamed(f.recorder.ops(), "CGContextFillRect").at(0);
    EXPECT_EQ(box.args, (std::vector<double>{0, 0, 300, 26}));
    // The names are written in the 14 points the pass starts with.
    const auto& ops = f.recorder.ops();
    EXPECT_EQ(opsNamed(ops, "CGContextSelectFont").at(0).args[0], 14);
    // The pass ends with the centre cross: arms of 10 points through the screen centre.
    std::vector<std::vector<double>> cross;
    for (size_t i = ops.size() - 5; i < ops.size() - 1; ++i) cross.push_back(ops[i].args);
    EXPECT_EQ(cross, (std::vector<std::vector<double>>{{150, 240}, {170, 240}, {160, 230}, {160, 250}}));
}

TEST(ChartPass, WideViewsUseLargerFontsAndBox) {
    ChartFixture wide(768, 984, 17.76f, -28.933f);
    const auto& ops = wide.draw();
    // Each selection at the small size is replaced at once by 18 points.
    auto fonts = opsNamed(ops, "CGContextSelectFont");
    ASSERT_EQ(fonts.size(), 6u);  // pass start, "GC", readout
    for (size_t i = 1; i < fonts.size(); i += 2) EXPECT_EQ(fonts[i].args[0], 18);
    EXPECT_EQ(opsNamed(ops, "CGContextFillRect").at(0).args, (std::vector<double>{0, 0, 356, 40}));
    auto texts = opsNamed(ops, "CGContextShowTextAtPoint");
    EXPECT_FLOAT_EQ(texts.back().args[1], 46.4f);
    // The galactic centre is the chart centre: its label 10 left of and 8
    // above the screen centre, its cross of 5-point arms on it.
    auto gc = std::find_if(texts.begin(), texts.end(), [](const RecordedOp& o) { return o.text == "GC"; });
    ASSERT_NE(gc, texts.end());
    EXPECT_NEAR(gc->args[0], 384 - 10, 1e-3);
    EXPECT_NEAR(gc->args[1], 492 - 8, 1e-3);
    auto moves = opsNamed(ops, "CGContextMoveToPoint"), lines = opsNamed(ops, "CGContextAddLineToPoint");
    EXPECT_NEAR(moves.at(0).args[0], 379, 1e-3);
    EXPECT_NEAR(lines.at(0).args[0], 389, 1e-3);
    EXPECT_NEAR(moves.at(1).args[1], 487, 1e-3);
    EXPECT_NEAR(lines.at(1).args[1], 497, 1e-3);
}

TEST(ChartPass, DotDiameterFollowsMagnitudeWithInclusiveUpperBounds) {
    // Find catalogue stars at exactly 2.0, 4.0 and just above 4; draw a chart
    // centred on each and look for its dot on the screen centre.
    struct Want {
        float mag;
        double diameter;
    } wants[] = {{2.0f, 6}, {4.0f, 4}, {4.01f, 2}};
    for (const auto& w : wants) {
        const StarRecord* star = nullptr;
        for (const auto& s : starCatalog)
            if (s.mag == w.mag) star = &s;
        if (!star) {
            ADD_FAILURE() << "no catalogue star of magnitude " << w.mag;
            continue;
        }
        ChartFixture f(320, 480, float(star->ra * 12 / kPi), float(star->dec * 180 / kPi));
        auto dots = dotsOf(f.draw());
        auto hit = std::find_if(dots.begin(), dots.end(), [](const Dot& d) {
            return std::fabs(d.x - 160) < 0.05 && std::fabs(d.y - 240) < 0.05;
        });
        ASSERT_NE(hit, dots.end()) << "magnitude " << w.mag;
        EXPECT_EQ(hit->diameter, w.diameter) << "magnitude " << w.mag;
    }
}

TEST(ChartPass, StarWalkStartsAtTheBandNotAtTheVisibilityCircle) {
    // Centre at +10 on a star's own right ascension: the band starts at -34.
    // HR 4874 (record 432, -33.9994, 43.9994 degrees away) is drawn straight
    // below the centre, 300 tan c points away; HR 2937 (418, -34.9686, cos c
    // 0.708, inside the dot cut-off) is south of the band and is not; HR 3662
    // (1462, +54.0219) is drawn above.
    struct Case {
        int record;
        double y;
        bool drawn;
    };
    for (auto [record, y, drawn] :
         {Case{432, 529.70, true}, Case{418, 539.67, false}, Case{1462, -49.93, true}}) {
        ChartFixture f(320, 480, float(starCatalog[record].ra * 12 / kPi), 10);
        auto dots = dotsOf(f.draw());
        EXPECT_EQ(std::any_of(dots.begin(), dots.end(),
                              [&](const Dot& d) { return std::hypot(d.x - 160, d.y - y) < 0.05; }),
                  drawn)
            << record;
    }
}

TEST(ChartPass, PolesWalkToTheEndOrFromTheStart) {
    // North pole: the walk runs to Polaris, the last record, 0.7358 degrees
    // from the pole (mag 2.02: a dot of 4), 300 tan 0.7358 = 3.853 points out.
    ChartFixture north(320, 480, 0, 90);
    auto dotsNorth = dotsOf(north.draw());
    EXPECT_TRUE(std::any_of(dotsNorth.begin(), dotsNorth.end(), [](const Dot& d) {
        return std::fabs(std::hypot(d.x - 160, d.y - 240) - 3.853) < 0.002 && d.diameter == 4;
    }));
    // South pole: the walk ends with the first star north of -45, 300 points
    // or more from the centre; the dot cut-off (45.57 degrees) reaches out to
    // 306 points, yet no second star in that ring is drawn.
    ChartFixture south(320, 480, 0, -90);
    auto dotsSouth = dotsOf(south.draw());
    const auto inRing = std::count_if(dotsSouth.begin(), dotsSouth.end(), [](const Dot& d) {
        const double r = std::hypot(d.x - 160, d.y - 240);
        return r >= 300 && r < 306;
    });
    EXPECT_EQ(inRing, 1);
    size_t ringStars = 0;
    for (const auto& s : starCatalog) ringStars += s.dec * 180 / kPi > -45 && s.dec * 180 / kPi < -44.43;
    EXPECT_GT(ringStars, 1u) << "the catalogue should have stars in that ring";
}

namespace {

// A colour or width call as the recorder keeps it (its floats widened).
struct Call {
    const char* op;
    std::vector<float> args;  // none: any arguments
    bool matches(const RecordedOp& o) const {
        if (o.op != op) return false;
        if (args.empty()) return true;
        if (o.args.size() != args.size()) return false;
        for (size_t i = 0; i < args.size(); ++i)
            if (o.args[i] != double(args[i])) return false;
        return true;
    }
};

size_t indexOfCall(const std::vector<RecordedOp>& ops, const Call& c) {
    for (size_t i = 0; i < ops.size(); ++i)
        if (c.matches(ops[i])) return i;
    return ops.size();
}

}  // namespace

TEST(ChartPass, AMovedCentreEndsThePassAtTheNextCheckpoint) {
    // The centre moves right after a layer's first call: the pass must be the
    // unmoved pass cut exactly where the next checkpoint stands. Around
    // 17.5 h -15 every layer has something to draw.
    const Call lines{"CGContextStrokeLineSegments", {}};
    const Call starNames{"CGContextSetRGBFillColor", {0.8f, 0.8f, 0.8f, 1}};
    const Call names{"CGContextSetRGBFillColor", {0, 0.8f, 0, 1}};
    const Call marker{"CGContextSetRGBFillColor", {0, 0.5f, 0, 1}};
    const Call ecliptic{"CGContextSetRGBStrokeColor", {0.4f, 0, 0, 1}};
    const Call equator{"CGContextSetRGBStrokeColor", {0, 0.6f, 0, 1}};
    const Call readout{"CGContextSetRGBFillColor", {0, 0, 0, 1}};
    const Call dots{"CGContextFillEllipseInRect", {}};
    const Call cross{"CGContextSetRGBStrokeColor", {0.8f, 0, 0, 1}};
    struct Case {
        int labelMode;
        Call moveAfter;  // the first call of this kind moves the centre
        Call cutBefore;  // the pass ends right before the first call of this kind
    } cases[] = {
        {1, lines, starNames},  {1, starNames, names},
        {1, names, marker},     {1, marker, equator},  // no checkpoint between the marker and the ecliptic
        {1, ecliptic, equator}, {1, equator, readout},
        {2, marker, readout},   {1, dots, cross},  // the walk runs to its end; the cross is cut
    };
    for (const auto& c : cases) {
        auto prepare = [&](ChartFixture& f) {
            for (int i = 0; i < c.labelMode; ++i) f.view->writeStarNames();
        };
        ChartFixture still(320, 480, 17.5f, -15);
        prepare(still);
        const auto reference = still.draw();
        for (const Call* call : {&c.moveAfter, &c.cutBefore})
            ASSERT_LT(indexOfCall(reference, *call), reference.size())
                << call->op << " in mode " << c.labelMode;
        const size_t cut = indexOfCall(reference, c.cutBefore);

        ChartFixture moved(320, 480, 17.5f, -15);
        prepare(moved);
        bool done = false;
        moved.recorder.setHook([&](const RecordedOp& op) {
            if (!done && c.moveAfter.matches(op)) {
                done = true;
                chartCentreRightAscension += 0.5;
            }
        });
        const auto ops = moved.draw();
        ASSERT_TRUE(done);
        const std::string label =
            std::string("moved after ") + c.moveAfter.op + " in mode " + std::to_string(c.labelMode);
        ASSERT_EQ(ops.size(), cut) << label;
        for (size_t i = 0; i < cut; ++i) {
            EXPECT_EQ(ops[i].op, reference[i].op) << label << ", call " << i;
            EXPECT_EQ(ops[i].args, reference[i].args) << label << ", call " << i;
        }
    }
}

TEST(ChartPass, SegmentsBeyondTheBufferAreAllStrokedInBatches) {
    // 300 short segments around the centre: more than the 254 the buffer holds.
    std::vector<LineRecord> table;
    for (int i = 0; i < 300; ++i) {
        const float ra1 = float(i * 0.001), ra2 = float(i * 0.001 + 0.01), dec = 0.01f;
        table.push_back({ra1, dec, ra2, dec, std::sin(dec), std::cos(dec), std::sin(dec), std::cos(dec)});
    }
    ChartFixture f(320, 480, 0.6f, 0.5f);
    f.view->setLineTable(table.data(), table.size());
    auto strokes = opsNamed(f.draw(), "CGContextStrokeLineSegments");
    // A full buffer of 508 entries (254 segments), then the other 46.
    ASSERT_EQ(strokes.size(), 2u);
    EXPECT_EQ(strokes[0].args.size() / 2, 508u);
    EXPECT_EQ(strokes[1].args.size() / 2, 92u);
    EXPECT_LE(f.view->segmentEntries(), QuartzView::kSegmentBufferEntries);
    // No segment is drawn twice and none is lost between batches.
    std::set<std::pair<double, double>> starts;
    for (const auto& s : strokes)
        for (size_t i = 0; i < s.args.size(); i += 4) starts.insert({s.args[i], s.args[i + 1]});
    EXPECT_EQ(starts.size(), 300u);
}

TEST(ChartPass, FirstEndPointDecidesWhetherASegmentIsDrawn) {
    // One segment whose first end is 51 degrees away and one whose first end
    // is 52 degrees away, both ending on the centre.
    auto segment = [](double firstDecDeg) {
        const float d1 = float(firstDecDeg * kPi / 180);
        return LineRecord{0, d1, 0, 0, std::sin(d1), std::cos(d1), 0, 1};
    };
    for (auto [first, drawn] : {std::pair{51.0, true}, std::pair{52.0, false}}) {
        LineRecord table[] = {segment(first)};
        ChartFixture f(320, 480, 0, 0);
        f.view->setLineTable(table, 1);
        auto strokes = opsNamed(f.draw(), "CGContextStrokeLineSegments");
        ASSERT_EQ(strokes.size(), 1u) << "one stroke of all selected segments, even of none";
        EXPECT_EQ(strokes[0].args.size(), drawn ? 4u : 0u) << first;
        EXPECT_EQ(f.view->segmentEntries(), drawn ? 2 : 0);
        if (drawn) {
            EXPECT_NEAR(strokes[0].args[2], 160, 1e-3);
            EXPECT_NEAR(strokes[0].args[3], 240, 1e-3);
            EXPECT_NEAR(strokes[0].args[1], 240 - 300 * std::tan(51 * kPi / 180), 0.01);
        }
    }
}

TEST(ChartPass, WithoutAContextNothingIsDrawn) {
    // Asked to draw outside the run loop, with no current context.
    auto view = std::make_shared<QuartzView>();
    view->initWithFrame(CGRectMake(0, 0, 320, 480));
    view->writexs(17, 31, 320, 480);
    view->drawRect(view->bounds());
    EXPECT_EQ(view->segmentEntries(), 0);
}

TEST(ChartPass, ALabelOnTheCentreItselfIsDrawn) {
    // Rounding can put cos c a hair above 1 for the very centre: each star
    // name and constellation name stays on the chart centred on itself.
    size_t missing = 0;
    auto check = [&](const LabelPosition& at, const char* name) {
        ChartFixture f(320, 480, at.raHours, at.decDegrees);
        f.view->writeStarNames();
        auto texts = textsOf(f.draw());
        if (std::find(texts.begin(), texts.end(), name) == texts.end()) {
            ADD_FAILURE() << name << " is not drawn on the centre";
            ++missing;
        }
    };
    for (size_t i = 0; i < kStarNamesCount; ++i) check(starNamePositions[i], starNames[i]);
    for (size_t i = 0; i < kConstellationNamesCount; ++i)
        check(constellationLabelPositions[i], constellationNames[i].name);
    EXPECT_EQ(missing, 0u);
}
