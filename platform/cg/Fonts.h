// The two typefaces the program draws text with, shipped inside it, and the
// font names that select them.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

enum class CGBundledFace { Regular, Bold };

// A font name no bundled face stands for, or a bundled face that is missing
// or unreadable; the message names the font or the file.
struct CGFontError : std::runtime_error {
    explicit CGFontError(const std::string& what) : std::runtime_error(what) {}
};

// "Helvetica" (also the system font) is the regular face, "Helvetica-Bold"
// (the bold system font) the bold one. Any other name throws CGFontError:
// a silent substitute would change every width measured with it.
CGBundledFace CGFaceForFontName(const char* name);

// File name of a face in resources/fonts, e.g. "texgyreheros-bold.otf".
const char* CGBundledFaceFile(CGBundledFace face);

// Bytes of a font file compiled into the program (see resources/), or
// {nullptr, 0} when no such file was compiled in.
struct CGFontFile {
    const unsigned char* data;
    size_t size;
};
CGFontFile CGBundledFontFile(const std::string& fileName);
