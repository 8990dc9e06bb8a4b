#include "platform/cg/cairo/CairoFonts.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>

namespace {

std::function<void(cairo_scaled_font_t*)>& observer() {
    static std::function<void(cairo_scaled_font_t*)> o;
    return o;
}

FT_Library freetype() {
    static FT_Library lib = [] {
        FT_Library l = nullptr;
        if (FT_Init_FreeType(&l) != 0) throw CGFontError("FreeType could not be initialised");
        return l;
    }();
    return lib;
}

}  // namespace

cairo_font_face_t* CairoFaceFromBytes(const char* fileName, const unsigned char* data, size_t size) {
    const std::string file = fileName ? fileName : "(unnamed)";
    if (!data || size == 0) throw CGFontError(file + ": font file missing from the program's bundle");
    FT_Face ft = nullptr;
    const FT_Error err = FT_New_Memory_Face(freetype(), data, FT_Long(size), 0, &ft);
    if (err != 0 || !ft)
        throw CGFontError(file + ": not a font FreeType can read (error " + std::to_string(err) + ")");
    if (!ft->family_name || !FT_IS_SCALABLE(ft)) {
        FT_Done_Face(ft);
        throw CGFontError(file + ": not a scalable font with a family name");
    }
    cairo_font_face_t* face = cairo_ft_font_face_create_for_ft_face(ft, FT_LOAD_NO_HINTING);
    // The FreeType face lives as long as the Cairo face that draws with it.
    static cairo_user_data_key_t key;
    if (cairo_font_face_status(face) != CAIRO_STATUS_SUCCESS ||
        cairo_font_face_set_user_data(
            face, &key, ft, [](void* p) { FT_Done_Face(static_cast<FT_Face>(p)); }) != CAIRO_STATUS_SUCCESS) {
        cairo_font_face_destroy(face);
        FT_Done_Face(ft);
        throw CGFontError(file + ": Cairo could not use the font");
    }
    return face;
}

cairo_font_face_t* CairoBundledFace(CGBundledFace which) {
    static cairo_font_face_t* faces[2] = {nullptr, nullptr};
    cairo_font_face_t*& face = faces[which == CGBundledFace::Bold ? 1 : 0];
    if (!face) {
        const char* file = CGBundledFaceFile(which);
        const CGFontFile bytes = CGBundledFontFile(file);
        face = CairoFaceFromBytes(file, bytes.data, bytes.size);
    }
    return face;
}

cairo_font_options_t* CairoCreateFontOptions() {
    cairo_font_options_t* o = cairo_font_options_create();
    cairo_font_options_set_antialias(o, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_subpixel_order(o, CAIRO_SUBPIXEL_ORDER_RGB);
    cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_OFF);
    return o;
}

cairo_scaled_font_t* CairoCreateScaledFont(cairo_font_face_t* face, const cairo_matrix_t& fontMatrix,
                                           const cairo_matrix_t& ctm, const cairo_font_options_t* options) {
    cairo_scaled_font_t* font = cairo_scaled_font_create(face, &fontMatrix, &ctm, options);
    if (observer() && cairo_scaled_font_status(font) == CAIRO_STATUS_SUCCESS) observer()(font);
    return font;
}

void CairoSetScaledFontObserver(std::function<void(cairo_scaled_font_t*)> o) { observer() = std::move(o); }
