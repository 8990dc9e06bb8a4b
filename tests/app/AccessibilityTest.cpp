// What the application's screens hand the backend for screen readers: the
// elements in view order with their roles, labels, values and window frames,
// sent when they change with no finger down, and activation as a tap.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AppTestSupport.h"

namespace {

using Role = AccessibilityNode::Role;

const std::vector<AccessibilityNode>& lastSent(RunningApp& run) {
    static const std::vector<AccessibilityNode> none;
    const auto& updates = run.app.backend().accessibilityUpdates();
    return updates.empty() ? none : updates.back();
}

// "role label" lines, the value after " = ", for readable failures.
std::string describe(const std::vector<AccessibilityNode>& nodes) {
    static const char* const kRoles[] = {"text", "button", "link", "live"};
    std::string out;
    for (const auto& n : nodes) {
        out += std::string(kRoles[int(n.role)]) + " " + n.label;
        if (!n.value.empty()) out += " = " + n.value;
        if (!n.link.empty()) out += " -> " + n.link;
        out += "\n";
    }
    return out;
}

size_t indexOf(const std::vector<AccessibilityNode>& nodes, const std::string& label) {
    for (size_t i = 0; i < nodes.size(); ++i)
        if (nodes[i].label == label) return i;
    ADD_FAILURE() << "no element '" << label << "' in\n" << describe(nodes);
    return nodes.size();
}

const std::string kChart = "live Star chart = Ra : 17h 00mn 00s  De : 31d 00' 00\"\n";

TEST(AccessibilityTree, SmallPhoneStartsWithTheChartAndTheInfoButton) {
    RunningApp run(namedDevice("phone"));
    const auto& nodes = lastSent(run);
    ASSERT_EQ(describe(nodes), kChart + "button Info\n");
    expectRect(nodes[0].frame, 0, 0, 320, 480, "chart");
    expectRect(nodes[1].frame, 283, 423, 37, 37, "info button");
}

TEST(AccessibilityTree, WiderPhoneHasTheBarItemAboveTheChart) {
    RunningApp run(namedDevice("phone-wide"));
    const auto& nodes = lastSent(run);
    ASSERT_EQ(describe(nodes), "button Info\n" + kChart);
    expectRect(nodes[1].frame, 0, 40, 375, 627, "chart below the 40-point band");
    EXPECT_LT(nodes[0].frame.origin.y + nodes[0].frame.size.height, 40.0f) << "the item is in the band";
}

TEST(AccessibilityTree, TheReadoutChangesWhenTheGestureEndsNotOnEveryMove) {
    RunningApp run(namedDevice("phone"));
    const size_t before = run.app.backend().accessibilityUpdates().size();
    run.app.touchDown(0, {100, 200});
    run.app.touchMove(0, {200, 200});
    run.app.runUntilIdle();
    run.app.touchMove(0, {200, 208});
    run.app.runUntilIdle();
    EXPECT_EQ(run.app.backend().accessibilityUpdates().size(), before) << "nothing while the finger is down";
    run.app.touchUp(0, {200, 208});
    run.app.runUntilIdle();
    ASSERT_EQ(run.app.backend().accessibilityUpdates().size(), before + 1);
    // A hundred points right and eight down on the small phone: one hour, one degree.
    EXPECT_EQ(lastSent(run)[0].value, "Ra : 18h 00mn 00s  De : 32d 00' 00\"");
}

TEST(AccessibilityTree, QuitIsThereInLearningModeAndActivatingItLeaves) {
    RunningApp run(namedDevice("phone"));
    run.main().doubleTapStep();
    run.main().doubleTapStep();
    run.app.runUntilIdle();
    const auto nodes = lastSent(run);
    ASSERT_EQ(describe(nodes), kChart + "button Info\nbutton Quit\n");
    expectRect(nodes[2].frame, 255, 5, 60, 37, "Quit");

    ASSERT_TRUE(run.app.runtime().accessibilityActivate(2));
    run.app.runUntilIdle();
    EXPECT_EQ(run.main().learnState(), 0);
    EXPECT_EQ(describe(lastSent(run)), kChart + "button Info\n");
}

TEST(AccessibilityTree, InfoScreenOpensAndClosesThroughItsElements) {
    RunningApp run(namedDevice("phone"));
    ASSERT_TRUE(run.app.runtime().accessibilityActivate(indexOf(lastSent(run), "Info")));
    run.app.runUntilIdle();
    const auto nodes = lastSent(run);
    EXPECT_EQ(describe(nodes),
              "button Done\n"
              "text a New iPod/iPhone/iPad application\n"
              "text Please visit our web site :\n"
              "link starchart.example.org -> https://starchart.example.org/\n"
              "link Our other application -> https://apps.example.org/app/starchart-planets\n");
    expectRect(nodes[0].frame, 110, 428, 100, 37, "Done");

    run.app.advance(0.5);
    ASSERT_TRUE(run.app.runtime().accessibilityActivate(4));
    run.app.runUntilIdle();
    EXPECT_EQ(run.app.backend().openedURLs(),
              std::vector<std::string>{"https://apps.example.org/app/starchart-planets"});

    run.app.advance(0.5);
    ASSERT_TRUE(run.app.runtime().accessibilityActivate(0));
    run.app.runUntilIdle();
    EXPECT_EQ(describe(lastSent(run)), kChart + "button Info\n");
    EXPECT_FALSE(run.app.runtime().accessibilityActivate(5)) << "no such element";
}

TEST(AccessibilityTree, TabletPopoverAddsTheInfoScreensElements) {
    RunningApp run(namedDevice("tablet"));
    ASSERT_EQ(describe(lastSent(run)), "button Info\n" + kChart);
    ASSERT_TRUE(run.app.runtime().accessibilityActivate(0));
    run.app.runUntilIdle();
    const auto nodes = lastSent(run);
    EXPECT_EQ(indexOf(nodes, "Please visit our web site :"), 4u) << describe(nodes);
    EXPECT_EQ(indexOf(nodes, "starchart.example.org"), 5u);
    run.app.advance(0.5);
    ASSERT_TRUE(run.app.runtime().accessibilityActivate(0));
    run.app.runUntilIdle();
    EXPECT_EQ(describe(lastSent(run)), "button Info\n" + kChart);
}

}  // namespace
