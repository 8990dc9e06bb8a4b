// Every glyph the app draws comes from the two bundled faces: the face
// FreeType reports for each scaled font that chart passes and screen
// composites make, with the star names, the learning mode's Quit button and
// the info screen all on show.
#include <cairo-ft.h>
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "AppTestSupport.h"
#include "platform/cg/cairo/CairoFonts.h"

namespace {

class ScaledFontLog {
public:
    ScaledFontLog() {
        CairoSetScaledFontObserver([this](cairo_scaled_font_t* f) {
            FT_Face ft = cairo_ft_scaled_font_lock_face(f);
            if (!ft) {
                ++faces["(not a FreeType face)"];
                return;
            }
            ++faces[std::string(ft->family_name) + " / " + ft->style_name];
            cairo_ft_scaled_font_unlock_face(f);
        });
    }
    ~ScaledFontLog() { CairoSetScaledFontObserver({}); }
    std::map<std::string, int> faces;
};

void expectOnlyTheBundledFaces(const ScaledFontLog& log) {
    ASSERT_EQ(log.faces.size(), 2u);
    EXPECT_GT(log.faces.count("TeX Gyre Heros / Regular"), 0u);
    EXPECT_GT(log.faces.count("TeX Gyre Heros / Bold"), 0u);
    for (const auto& f : log.faces) EXPECT_EQ(f.first.rfind("TeX Gyre Heros / ", 0), 0u) << f.first;
}

TEST(FontFaces, PhoneChartLearningModeAndInfoScreen) {
    ScaledFontLog log;
    RunningApp run(namedDevice("phone"));
    const CGPoint p{160, 240};
    run.app.tap(p, 2);
    run.app.tap(p, 2);
    ASSERT_NE(run.main().quitButton(), nullptr);
    run.app.render();
    ASSERT_TRUE(run.press("Quit"));
    run.tapAndSettle(RunningApp::centreOf(*run.main().infoButton()));
    ASSERT_NE(run.presentedInfo(), nullptr);
    run.app.render();
    expectOnlyTheBundledFaces(log);
}

TEST(FontFaces, TabletChartAndLearningMode) {
    ScaledFontLog log;
    RunningApp run(namedDevice("tablet"));
    const CGPoint p{384, 512};
    run.app.tap(p, 2);
    run.app.tap(p, 2);
    ASSERT_NE(run.main().quitButton(), nullptr);
    run.app.render();
    expectOnlyTheBundledFaces(log);
}

}  // namespace
