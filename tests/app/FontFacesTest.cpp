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

TEST(FontFaces, ChartLearningModeAndInfoScreen) {
    for (const char* device : {"phone", "tablet"}) {
        SCOPED_TRACE(device);
        ScaledFontLog log;
        RunningApp run(namedDevice(device));
        run.main().doubleTapStep();
        run.main().doubleTapStep();
        run.app.render();
        if (const auto button = run.main().infoButton())
            run.tapAndSettle(RunningApp::centreOf(*button));
        else
            ASSERT_TRUE(run.press("Info"));
        ASSERT_TRUE(run.presentedInfo() || run.main().flipsidePopoverController());
        run.app.render();
        EXPECT_EQ(log.faces.size(), 2u);
        EXPECT_GT(log.faces.count("TeX Gyre Heros / Regular"), 0u);
        EXPECT_GT(log.faces.count("TeX Gyre Heros / Bold"), 0u);
    }
}

}  // namespace
