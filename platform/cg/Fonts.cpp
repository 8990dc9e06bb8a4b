#include "platform/cg/Fonts.h"

#include <cstring>

CGBundledFace CGFaceForFontName(const char* name) {
    if (name && std::strcmp(name, "Helvetica") == 0) return CGBundledFace::Regular;
    if (name && std::strcmp(name, "Helvetica-Bold") == 0) return CGBundledFace::Bold;
    throw CGFontError(std::string("unknown font name '") + (name ? name : "(null)") +
                      "': the program has Helvetica and Helvetica-Bold only");
}

const char* CGBundledFaceFile(CGBundledFace face) {
    return face == CGBundledFace::Bold ? "texgyreheros-bold.otf" : "texgyreheros-regular.otf";
}
