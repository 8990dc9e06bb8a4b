#include <gtest/gtest.h>

#include <algorithm>

#include "tests/ui/UITestSupport.h"

namespace {
struct Scene {
    std::shared_ptr<TestController> root;
    std::shared_ptr<LoggingView> red, green;
    std::unique_ptr<OffscreenApp> app;
    Scene() {
        root = std::make_shared<TestController>();
        root->init();
        app = launchWith("phone", [this] {
            root->view()->setBackgroundColor(UIColor::blueColor());
            red = addView<LoggingView>(*root->view(), CGRectMake(0, 0, 100, 100));
            red->r = 1, red->a = 1;
            green = addView<LoggingView>(*root->view(), CGRectMake(50, 50, 100, 100));
            green->g = 1, green->a = 1;
            return root;
        });
    }
};

// Draws one fixed-size rectangle and remembers the context it was given.
class ContextKeeper : public UIView {
public:
    std::vector<CGContextRef> contexts;
    void drawRect(CGRect) override {
        contexts.push_back(UIGraphicsGetCurrentContext());
        CGContextSetRGBFillColor(contexts.front(), 1, 1, 0, 1);
        CGContextFillRect(contexts.front(), CGRectMake(0, 0, 10, 10));
    }
};
// Clears its bounds, fills a red square at its top left, then, when asked,
// clears a part of that square again.
class InPlaceView : public UIView {
public:
    bool clearAfter = false;
    void drawRect(CGRect rect) override {
        CGContextRef c = UIGraphicsGetCurrentContext();
        CGContextClearRect(c, rect);
        CGContextSetRGBFillColor(c, 1, 0, 0, 1);
        CGContextFillRect(c, CGRectMake(0, 0, 10, 10));
        if (clearAfter) CGContextClearRect(c, CGRectMake(0, 0, 4, 4));
    }
};
// An element whose value its drawRect writes, as the chart's readout.
class ValueView : public InPlaceView {
public:
    std::string value;
    void drawRect(CGRect rect) override {
        InPlaceView::drawRect(rect);
        value = "pass " + std::to_string(drawCount());
    }

protected:
    bool defaultIsAccessibilityElement() const override { return true; }
    NSString defaultAccessibilityValue() const override { return value; }
};

// A view asking to be drawn in place at (0, 200, 50, 50) over the root's
// blue, shown once, on a backend that prefers such views or not.
template <class V>
std::shared_ptr<V> addInPlace(Scene& s, bool backendPrefersIt, std::function<void(V&)> setUp = nullptr) {
    if (backendPrefersIt) s.app->backend().setDrawsViewsInPlace(true);
    auto v = std::make_shared<V>();
    v->setDrawsInPlace(true);
    if (setUp) setUp(*v);
    v->initWithFrame(CGRectMake(0, 200, 50, 50));
    s.root->view()->addSubview(v);
    s.app->runUntilIdle();
    return v;
}
}  // namespace

TEST(RunLoop, RedrawRequestsMergeAndAnIdleLoopPresentsNothing) {
    Scene s;
    const auto redDraws = s.red->drawCount(), greenDraws = s.green->drawCount();
    EXPECT_EQ(redDraws, 1u);  // the first frame drew every view once
    const auto presents = s.app->runtime().presentCount();
    for (int i = 0; i < 5; ++i) s.app->runtime().runIteration();
    EXPECT_EQ(s.app->runtime().presentCount(), presents);
    EXPECT_FALSE(s.app->runtime().needsIteration());
    EXPECT_EQ(s.red->drawCount(), redDraws);

    for (int i = 0; i < 3; ++i) s.red->setNeedsDisplay();
    EXPECT_TRUE(s.app->runtime().needsIteration());
    for (int i = 0; i < 2; ++i) s.app->runtime().runIteration();
    EXPECT_EQ(s.red->drawCount(), redDraws + 1);
    EXPECT_EQ(s.green->drawCount(), greenDraws);  // only the dirty view draws
    EXPECT_EQ(s.app->runtime().presentCount(), presents + 1);

    // A hidden view's request waits until it is shown.
    s.green->setHidden(true);
    s.green->setNeedsDisplay();
    s.app->runUntilIdle();
    EXPECT_EQ(s.green->drawCount(), greenDraws);
    s.green->setHidden(false);
    s.app->runUntilIdle();
    EXPECT_EQ(s.green->drawCount(), greenDraws + 1);
}

TEST(RunLoop, CompositesInOrderWithLaterSubviewsOnTop) {
    Scene s;
    const Rgba red{255, 0, 0, 255}, green{0, 255, 0, 255}, blue{0, 0, 255, 255};
    auto frame = s.app->render();
    EXPECT_EQ(pixelAt(*frame, 20, 20), red);
    EXPECT_EQ(pixelAt(*frame, 75, 75), green);  // green was added later
    EXPECT_EQ(pixelAt(*frame, 120, 120), green);
    EXPECT_EQ(pixelAt(*frame, 300, 400), blue);

    s.green->setHidden(true);
    s.app->runUntilIdle();
    frame = s.app->render();
    EXPECT_EQ(pixelAt(*frame, 75, 75), red);
    EXPECT_EQ(pixelAt(*frame, 120, 120), blue);

    s.red->setAlpha(0.5f);
    s.app->runUntilIdle();
    Rgba half = pixelAt(*s.app->render(), 20, 20);  // half red over blue
    EXPECT_NEAR(half.r, 128, 2);
    EXPECT_NEAR(half.b, 128, 2);
}

// drawRect runs with the view's own context pushed, the same one for the
// view's life, and popped after the pass.
TEST(RunLoop, AViewKeepsOneContextForItsLifeEvenWhenResized) {
    Scene s;
    EXPECT_EQ(UIGraphicsGetCurrentContext(), nullptr);
    auto v = addView<ContextKeeper>(*s.root->view(), CGRectMake(0, 200, 50, 50));
    s.app->runUntilIdle();
    v->setFrame(CGRectMake(0, 200, 200, 120));
    s.app->runUntilIdle();
    v->setNeedsDisplay();
    s.app->runUntilIdle();
    ASSERT_EQ(v->contexts.size(), 3u);
    EXPECT_EQ(UIGraphicsGetCurrentContext(), nullptr);
    EXPECT_EQ(v->contexts[0], v->contexts[1]);
    EXPECT_EQ(v->contexts[0], v->contexts[2]);
    EXPECT_EQ(v->contexts[0], v->backingContext());
    ASSERT_NE(v->backingSurface(), nullptr);
    EXPECT_EQ(v->backingSurface()->size().width, 200);  // the surface behind it followed the size
    // Drawing through the first context still reaches the screen.
    auto frame = s.app->render();
    EXPECT_EQ(pixelAt(*frame, 5, 205), (Rgba{255, 255, 0, 255}));
}

TEST(RunLoop, AutoresizingFollowsTheMask) {
    auto parent = std::make_shared<UIView>();
    parent->initWithFrame(CGRectMake(0, 0, 320, 480));
    auto bar = addView<UIView>(*parent, CGRectMake(0, 0, 320, 44));
    bar->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleBottomMargin);
    auto corner = addView<UIView>(*parent, CGRectMake(283, 423, 37, 37));
    corner->setAutoresizingMask(UIViewAutoresizingFlexibleLeftMargin | UIViewAutoresizingFlexibleTopMargin);
    auto fixed = addView<UIView>(*parent, CGRectMake(10, 90, 310, 220));
    parent->setFrame(CGRectMake(0, 0, 768, 1024));
    EXPECT_EQ(bar->frame(), CGRectMake(0, 0, 768, 44));
    EXPECT_EQ(corner->frame(), CGRectMake(731, 967, 37, 37));
    EXPECT_EQ(fixed->frame(), CGRectMake(10, 90, 310, 220));
}

TEST(RunLoop, AViewDrawnInPlaceLeavesWhatLiesBeneathAndHasNoSurface) {
    Scene s;
    auto v = addInPlace<InPlaceView>(s, true);
    auto frame = s.app->render();
    EXPECT_EQ(v->backingSurface(), nullptr);
    EXPECT_EQ(pixelAt(*frame, 5, 205), (Rgba{255, 0, 0, 255}));
    // Its opening clear leaves the root's blue, as a surface of its own would,
    // and it draws nothing outside its bounds.
    EXPECT_EQ(pixelAt(*frame, 30, 230), (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(pixelAt(*frame, 5, 195).b, 255);

    // Faded, it is drawn on its own surface again, with its last pass.
    v->setAlpha(0.5f);
    s.app->runUntilIdle();
    frame = s.app->render();
    ASSERT_NE(v->backingSurface(), nullptr);
    Rgba half = pixelAt(*frame, 5, 205);
    EXPECT_NEAR(half.r, 128, 2);
    EXPECT_NEAR(half.b, 128, 2);
    EXPECT_EQ(pixelAt(*frame, 30, 230).b, 255);
}

TEST(RunLoop, AViewThatClearsAfterDrawingGoesBackToItsOwnSurface) {
    Scene s;
    auto v = addInPlace<InPlaceView>(s, true, [](InPlaceView& v) { v.clearAfter = true; });
    EXPECT_FALSE(v->drawsInPlace());
    auto frame = s.app->render();
    ASSERT_NE(v->backingSurface(), nullptr);
    // The cleared corner shows the blue beneath, the rest of the square is red.
    EXPECT_EQ(pixelAt(*frame, 2, 202), (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(pixelAt(*frame, 7, 207).r, 255);
}

TEST(RunLoop, AViewDrawsInPlaceOnlyWhereTheBackendPrefersIt) {
    Scene s;
    auto v = addInPlace<InPlaceView>(s, false);
    EXPECT_FALSE(v->drawsInPlace());
    ASSERT_NE(v->backingSurface(), nullptr);
    EXPECT_EQ(pixelAt(*s.app->render(), 5, 205).r, 255);
}

TEST(RunLoop, AValueWrittenByAPassDrawnInPlaceReachesTheScreenReaderInThatIteration) {
    Scene s;
    addInPlace<ValueView>(s, true);
    ASSERT_FALSE(s.app->backend().accessibilityUpdates().empty());
    const auto& nodes = s.app->backend().accessibilityUpdates().back();
    EXPECT_TRUE(std::any_of(nodes.begin(), nodes.end(), [](const auto& n) { return n.value == "pass 1"; }));
}
