#include <gtest/gtest.h>
#include <iconv.h>

#include <cstring>

#include "platform/cg/MacRoman.h"

namespace {

// The C library's own Mac Roman table, as an independent reference.
uint32_t iconvMacRoman(uint8_t byte) {
    iconv_t cd = iconv_open("UTF-32LE", "MACINTOSH");
    if (cd == iconv_t(-1)) return 0xFFFFFFFF;
    char in[1] = {char(byte)};
    unsigned char out[4] = {0, 0, 0, 0};
    char* inp = in;
    char* outp = reinterpret_cast<char*>(out);
    size_t inLeft = 1, outLeft = 4;
    const size_t done = iconv(cd, &inp, &inLeft, &outp, &outLeft);
    iconv_close(cd);
    if (done == size_t(-1)) return 0xFFFFFFFF;
    return uint32_t(out[0]) | uint32_t(out[1]) << 8 | uint32_t(out[2]) << 16 | uint32_t(out[3]) << 24;
}

}  // namespace

TEST(MacRoman, UpperHalfAgreesWithTheCLibrary) {
    for (int b = 0x80; b <= 0xFF; ++b) {
        // Two bytes have vendor-specific readings: the increment/delta sign
        // and the maker's logo, which the C library puts in private use.
        if (b == 0xC6 || b == 0xF0) continue;
        EXPECT_EQ(CGMacRomanToUnicode(uint8_t(b)), iconvMacRoman(uint8_t(b))) << "byte 0x" << std::hex << b;
    }
    EXPECT_TRUE(CGMacRomanToUnicode(0xC6) == 0x2206 || CGMacRomanToUnicode(0xC6) == 0x0394);
    EXPECT_GE(CGMacRomanToUnicode(0xF0), 0xE000u);
}

TEST(MacRoman, TextBecomesUtf8ByEncoding) {
    // "Caf\x8e" is "Café" in Mac Roman; font-specific takes bytes as Latin-1.
    EXPECT_EQ(CGTextToUTF8("Caf\x8e", 4, kCGEncodingMacRoman), "Caf\xc3\xa9");
    EXPECT_EQ(CGTextToUTF8("Caf\xe9", 4, kCGEncodingFontSpecific), "Caf\xc3\xa9");
    // Three-byte sequences (the dagger, U+2020) and ASCII pass-through.
    EXPECT_EQ(CGTextToUTF8("\xa0 GC", 4, kCGEncodingMacRoman), "\xe2\x80\xa0 GC");
    // Length, not the terminator, bounds the text; NUL bytes are dropped.
    EXPECT_EQ(CGTextToUTF8("Vega", 2, kCGEncodingMacRoman), "Ve");
    EXPECT_EQ(CGTextToUTF8("a\0b", 3, kCGEncodingMacRoman), "ab");
    EXPECT_EQ(CGTextToUTF8(nullptr, 5, kCGEncodingMacRoman), "");
}
