#include "platform/ui/Drawing.h"

#include <map>

#include "platform/cg/MacRoman.h"
#include "platform/cg/RecordingContext.h"
#include "platform/ui/UIColor.h"
#include "platform/ui/UIFont.h"

namespace uidraw {

std::string toMacRoman(const std::string& utf8) {
    static const std::map<uint32_t, char> reverse = [] {
        std::map<uint32_t, char> m;
        for (int b = 0x80; b <= 0xff; ++b) m[CGMacRomanToUnicode(uint8_t(b))] = char(b);
        return m;
    }();
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += char(c);
            ++i;
            continue;
        }
        int extra = c >= 0xf0 ? 3 : c >= 0xe0 ? 2 : c >= 0xc0 ? 1 : 0;
        uint32_t cp = c & (0x3f >> extra);
        size_t j = i + 1;
        for (int k = 0; k < extra && j < utf8.size(); ++k, ++j) cp = (cp << 6) | (utf8[j] & 0x3f);
        i = extra ? j : i + 1;
        auto it = reverse.find(cp);
        out += it == reverse.end() ? '?' : it->second;
    }
    return out;
}

CGFloat textWidth(CGContextRef ctx, const std::string& text, const UIFont& font) {
    font.selectIn(ctx);
    std::string bytes = toMacRoman(text);
    return ctx->textWidth(bytes.data(), bytes.size());
}

void drawText(CGContextRef ctx, const std::string& text, const UIFont& font, const UIColor& color,
              CGRect rect, NSTextAlignment alignment) {
    if (text.empty()) return;
    std::string bytes = toMacRoman(text);
    font.selectIn(ctx);
    CGFloat w = ctx->textWidth(bytes.data(), bytes.size());
    CGFloat x = rect.origin.x;
    if (alignment == NSTextAlignmentCenter) x += (rect.size.width - w) * 0.5f;
    if (alignment == NSTextAlignmentRight) x += rect.size.width - w;
    // Baseline so that the capitals (about 0.72 em) sit in the middle.
    CGFloat y = rect.origin.y + (rect.size.height + font.pointSize() * 0.72f) * 0.5f;
    color.setFill(ctx);
    ctx->showTextAtPoint(x, y, bytes.data(), bytes.size());
}

void fillRoundedRect(CGContextRef ctx, CGRect r, CGFloat radius, CGFloat red, CGFloat green, CGFloat blue,
                     CGFloat alpha) {
    ctx->setRGBFillColor(red, green, blue, alpha);
    ctx->beginPath();
    ctx->addRoundedRect(r, radius);
    ctx->fillPath();
}

CGFloat estimateTextWidth(const std::string& text, CGFloat fontSize) {
    std::string bytes = toMacRoman(text);
    return RecordingContext::estimateTextWidth(bytes.data(), bytes.size(), fontSize);
}

void drawBar(CGContextRef ctx, CGRect b) {
    ctx->setRGBFillColor(0.12f, 0.13f, 0.16f, 1);
    ctx->fillRect(b);
    ctx->setRGBFillColor(0.30f, 0.31f, 0.35f, 1);
    ctx->fillRect(CGRectMake(0, 0, b.size.width, 1));
    ctx->setRGBFillColor(0, 0, 0, 1);
    ctx->fillRect(CGRectMake(0, b.size.height - 1, b.size.width, 1));
}

}  // namespace uidraw
