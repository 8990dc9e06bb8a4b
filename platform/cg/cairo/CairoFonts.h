// Cairo faces for the bundled typefaces, read by FreeType from the bytes
// compiled into the program: no font the machine has or lacks can change a
// pixel, and fontconfig is never asked.
#pragma once

#include <cairo.h>

#include <cstddef>
#include <functional>

#include "platform/cg/Fonts.h"

// The face, loaded on first use and shared for the life of the process.
// Throws CGFontError naming the file when it is missing or unreadable.
cairo_font_face_t* CairoBundledFace(CGBundledFace face);

// A face from font bytes that must outlive it; `fileName` is only for the
// message of the CGFontError thrown when the bytes are absent or not a font.
cairo_font_face_t* CairoFaceFromBytes(const char* fileName, const unsigned char* data, size_t size);

// Font options that leave nothing to the machine's fontconfig defaults:
// unhinted outlines at their exact positions, linear advances, grey
// antialiasing.
cairo_font_options_t* CairoCreateFontOptions();

// cairo_scaled_font_create, for every scaled font text is drawn or measured
// with; tests watch what it makes.
cairo_scaled_font_t* CairoCreateScaledFont(cairo_font_face_t* face, const cairo_matrix_t& fontMatrix,
                                           const cairo_matrix_t& ctm, const cairo_font_options_t* options);

// Called with every scaled font CairoCreateScaledFont makes from now on;
// an empty function stops it. For tests.
void CairoSetScaledFontObserver(std::function<void(cairo_scaled_font_t*)> observer);
