// Drawing helpers the toolkit's own views share.
#pragma once

#include <string>

#include "platform/cg/CoreGraphics.h"
#include "platform/ui/NSText.h"

class UIColor;
class UIFont;

namespace uidraw {
// UTF-8 to the single-byte encoding the context's text calls take
// (characters it lacks become '?').
std::string toMacRoman(const std::string& utf8);
// Width of text in font, in points.
CGFloat textWidth(CGContextRef ctx, const std::string& text, const UIFont& font);
// One line in rect, vertically centred.
void drawText(CGContextRef ctx, const std::string& text, const UIFont& font, const UIColor& color,
              CGRect rect, NSTextAlignment alignment);
void fillRoundedRect(CGContextRef ctx, CGRect r, CGFloat radius, CGFloat red, CGFloat green, CGFloat blue,
                     CGFloat alpha);
// A width for text when no context is at hand (layout before the first draw).
CGFloat estimateTextWidth(const std::string& text, CGFloat fontSize);
// The background of toolbars and navigation bars.
void drawBar(CGContextRef ctx, CGRect b);
}  // namespace uidraw
