// Which typeface text is drawn with: the two bundled faces, chosen by the
// platform's font names, and nothing else.
#include <cairo-ft.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/cg/Fonts.h"
#include "platform/cg/cairo/CairoContext.h"
#include "platform/cg/cairo/CairoFonts.h"

namespace {

bool contains(const std::string& s, const std::string& part) { return s.find(part) != std::string::npos; }

std::string errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const CGFontError& e) {
        return e.what();
    }
    return "";
}

// A scaled font of the face at 1000 units to the em, upright.
cairo_scaled_font_t* thousand(cairo_font_face_t* face) {
    cairo_matrix_t fm, id;
    cairo_matrix_init_scale(&fm, 1000, 1000);
    cairo_matrix_init_identity(&id);
    cairo_font_options_t* o = CairoCreateFontOptions();
    cairo_scaled_font_t* f = CairoCreateScaledFont(face, fm, id, o);
    cairo_font_options_destroy(o);
    return f;
}

std::string familyAndStyle(cairo_scaled_font_t* f) {
    FT_Face ft = cairo_ft_scaled_font_lock_face(f);
    if (!ft) return "(not FreeType)";
    std::string s = std::string(ft->family_name) + " / " + ft->style_name;
    cairo_ft_scaled_font_unlock_face(f);
    return s;
}

double advance(cairo_scaled_font_t* f, const char* utf8) {
    cairo_text_extents_t e;
    cairo_scaled_font_text_extents(f, utf8, &e);
    return e.x_advance;
}

TEST(Fonts, PlatformNamesSelectTheRegularAndTheBoldFace) {
    EXPECT_EQ(CGFaceForFontName("Helvetica"), CGBundledFace::Regular);
    EXPECT_EQ(CGFaceForFontName("Helvetica-Bold"), CGBundledFace::Bold);
    EXPECT_STREQ(CGBundledFaceFile(CGBundledFace::Regular), "texgyreheros-regular.otf");
    EXPECT_STREQ(CGBundledFaceFile(CGBundledFace::Bold), "texgyreheros-bold.otf");
}

TEST(Fonts, AnyOtherNameIsAnErrorNamingIt) {
    for (const std::string name : {"Arial", "helvetica", "Helvetica-Oblique", ""})
        EXPECT_TRUE(contains(errorOf([&] { CGFaceForFontName(name.c_str()); }), "'" + name + "'")) << name;
    // The drawing context refuses it too.
    const std::string e = errorOf([] {
        CairoSurface s(CGSizeMake(10, 10), 1);
        s.context()->selectFont("Times-Roman", 12, kCGEncodingMacRoman);
    });
    EXPECT_TRUE(contains(e, "'Times-Roman'")) << e;
}

TEST(Fonts, BundledFacesAreTexGyreHerosRegularAndBold) {
    cairo_scaled_font_t* regular = thousand(CairoBundledFace(CGBundledFace::Regular));
    cairo_scaled_font_t* bold = thousand(CairoBundledFace(CGBundledFace::Bold));
    EXPECT_EQ(familyAndStyle(regular), "TeX Gyre Heros / Regular");
    EXPECT_EQ(familyAndStyle(bold), "TeX Gyre Heros / Bold");
    // Helvetica's advance widths in 1/1000 em: Q 778, u 556, i 222, t 278;
    // bold Q 778, u 611, i 278, t 333.
    EXPECT_NEAR(advance(regular, "Quit"), 1834, 0.5);
    EXPECT_NEAR(advance(bold, "Quit"), 2000, 0.5);
    cairo_scaled_font_destroy(regular);
    cairo_scaled_font_destroy(bold);
}

TEST(Fonts, MissingFontFileIsAnErrorNamingIt) {
    EXPECT_EQ(CGBundledFontFile("texgyreheros-italic.otf").data, nullptr);
    EXPECT_NE(CGBundledFontFile("texgyreheros-bold.otf").data, nullptr);
    const std::string e = errorOf([] { CairoFaceFromBytes("texgyreheros-bold.otf", nullptr, 0); });
    EXPECT_TRUE(contains(e, "texgyreheros-bold.otf")) << e;
    EXPECT_TRUE(contains(e, "missing")) << e;
}

TEST(Fonts, CorruptFontFileIsAnErrorNamingIt) {
    const std::string e = errorOf([] {
        static const unsigned char junk[] = "OTTO\0\x01this is not a font at all";
        CairoFaceFromBytes("texgyreheros-regular.otf", junk, sizeof junk);
    });
    EXPECT_TRUE(contains(e, "texgyreheros-regular.otf")) << e;
    EXPECT_TRUE(contains(e, "not a font")) << e;
}

}  // namespace
