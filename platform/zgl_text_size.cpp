// Measuring text: how wide a line and how tall a line of text is when drawn
// at a given scale, so the shell can lay out texts that must stay inside
// the window. The numbers are those the text drawing uses: the font opened
// at round(12 x scale) points, one line as SDL_ttf renders it.
//
// Relies on: SDL_ttf, and the font sizes kept by the files part.
#include <algorithm>
#include <cmath>

#include "platform/zgl_internal.h"

namespace {

// The font at the point size text drawn at `scale` uses; null when there is
// no font or the size is out of the drawable range (1 to 512 points).
TTF_Font* font_for_scale(zgl_font* font, float scale)
{
    if (font == nullptr || !std::isfinite(scale))
        return nullptr;
    const long points = std::lround(zgl::kFontPoints * double(scale));
    if (points < 1 || points > 512)
        return nullptr;
    return zgl::font_at(font, int(points));
}

} // namespace

float text_GetWidth(zgl_font* font, const std::string& text, float scale)
{
    TTF_Font* f = font_for_scale(font, scale);
    int w = 0, h = 0;
    if (f == nullptr || text.empty() || TTF_SizeUTF8(f, text.c_str(), &w, &h) != 0)
        return 0.0f;
    return float(w);
}

float text_GetHeight(zgl_font* font, float scale)
{
    TTF_Font* f = font_for_scale(font, scale);
    if (f == nullptr)
        return 0.0f;
    // Lines follow each other at LineSkip and a rendered line is about
    // FontHeight tall (a descender such as the one of '/' can add a pixel,
    // which SDL_ttf reports only per text).
    return float(std::max(TTF_FontHeight(f), TTF_FontLineSkip(f)));
}
