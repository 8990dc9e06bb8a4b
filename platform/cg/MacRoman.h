// Text bytes as the context receives them, turned into Unicode for the font
// machinery underneath.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/cg/CoreGraphics.h"

// Unicode code point of a byte in the platform's single-byte Roman encoding.
uint32_t CGMacRomanToUnicode(uint8_t byte);

// UTF-8 for `length` bytes of text in `encoding`. kCGEncodingMacRoman maps
// bytes 0x80..0xFF through Mac Roman; kCGEncodingFontSpecific (and any other
// value) takes each byte as the code point of the same number. NUL bytes are
// dropped: the font layer would end the string there.
std::string CGTextToUTF8(const char* text, size_t length, CGTextEncoding encoding);
