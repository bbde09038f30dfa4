// Text: a UTF-8 string rendered with SDL_ttf, cached as a texture between
// frames, drawn at a point or word-wrapped into a rectangle, optionally
// centred, scaled or spaced out character by character. The text calls of
// the layer record TEXT primitives in the display list like every other
// drawing; this file rasterises them when the frame is shown.
#include <algorithm>
#include <cmath>

#include "platform/zgl_internal.h"

namespace zgl {

namespace {

// Texts not drawn for this many shown frames are let go.
constexpr uint64_t kTextKeepFrames = 120;

// A rendered text (white, anti-aliased), from the cache or made now.
const text_entry& rendered(TTF_Font* font, const std::string& text)
{
    auto key = std::make_pair(font, text);
    auto it = g.text_cache.find(key);
    if (it == g.text_cache.end()) {
        text_entry e{nullptr, 0, 0, 0};
        SDL_Surface* s =
            text.empty() ? nullptr : TTF_RenderUTF8_Blended(font, text.c_str(), {255, 255, 255, 255});
        if (s) {
            e.texture = SDL_CreateTextureFromSurface(g.renderer, s);
            e.w = s->w;
            e.h = s->h;
            SDL_FreeSurface(s);
            if (e.texture)
                SDL_SetTextureBlendMode(e.texture, SDL_BLENDMODE_BLEND);
        }
        it = g.text_cache.emplace(key, e).first;
    }
    it->second.last_used = g.frame_no;
    return it->second;
}

// Measured widths kept at most; a frame measures a few dozen.
constexpr size_t kMaxWidths = 4096;

int text_width(TTF_Font* font, const std::string& text)
{
    if (text.empty())
        return 0;
    auto key = std::make_pair(font, text);
    auto it = g.text_widths.find(key);
    if (it != g.text_widths.end())
        return it->second;
    int w = 0, h = 0;
    if (TTF_SizeUTF8(font, text.c_str(), &w, &h) != 0)
        w = 0;
    if (g.text_widths.size() >= kMaxWidths)
        g.text_widths.clear();
    g.text_widths.emplace(std::move(key), w);
    return w;
}

// The next UTF-8 character of s at i (advancing i); U+FFFD for a bad byte.
uint32_t next_char(const std::string& s, size_t& i)
{
    auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char c = b(i++);
    int more = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (more < 0)
        return 0xFFFD;
    uint32_t cp = more == 0 ? c : c & (0x3F >> more);
    for (int k = 0; k < more; k++) {
        if (i >= s.size() || (b(i) & 0xC0) != 0x80)
            return 0xFFFD;
        cp = (cp << 6) | (b(i++) & 0x3F);
    }
    return cp;
}

// Width of a line drawn with `step` px between characters.
float line_width(TTF_Font* font, const std::string& line, float step)
{
    if (step == 0)
        return float(text_width(font, line));
    float w = 0;
    int count = 0;
    for (size_t i = 0; i < line.size();) {
        size_t start = i;
        next_char(line, i);
        w += float(text_width(font, line.substr(start, i - start)));
        count++;
    }
    return count > 1 ? w + step * float(count - 1) : w;
}

void blit_text(const text_entry& e, float x, float y, uint32_t color, uint8_t alpha)
{
    if (!e.texture)
        return;
    SDL_SetTextureColorMod(e.texture, (color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF);
    SDL_SetTextureAlphaMod(e.texture, alpha);
    // Whole pixels keep the glyphs sharp.
    SDL_FRect dst{std::round(x), std::round(y), float(e.w), float(e.h)};
    SDL_RenderCopyF(g.renderer, e.texture, nullptr, &dst);
}

void draw_text_line(TTF_Font* font, float x, float y, const std::string& line, float step, uint32_t color,
                    uint8_t alpha)
{
    if (step == 0) {
        blit_text(rendered(font, line), x, y, color, alpha);
        return;
    }
    for (size_t i = 0; i < line.size();) {
        size_t start = i;
        next_char(line, i);
        std::string ch = line.substr(start, i - start);
        const text_entry& e = rendered(font, ch);
        blit_text(e, x, y, color, alpha);
        x += float(text_width(font, ch)) + step;
    }
}

std::vector<std::string> split_lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        size_t nl = text.find('\n', start);
        std::string line = text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        if (nl == std::string::npos)
            break;
        start = nl + 1;
    }
    return lines;
}

// Left and right margin of text drawn in a rectangle, pixels.
constexpr float kTextMargin = 3.0f;

// Breaks each paragraph into lines no wider than `width` px, at spaces; a
// word wider than the rectangle stands on a line of its own.
std::vector<std::string> wrap(TTF_Font* font, const std::string& text, float width)
{
    std::vector<std::string> out;
    for (const std::string& para : split_lines(text)) {
        std::string line;
        bool has_word = false;
        size_t i = 0;
        while (i <= para.size()) {
            size_t sp = para.find(' ', i);
            if (sp == std::string::npos)
                sp = para.size();
            std::string word = para.substr(i, sp - i);
            std::string candidate = has_word ? line + ' ' + word : word;
            if (has_word && float(text_width(font, candidate)) > width) {
                out.push_back(line);
                line = word;
            } else {
                line = candidate;
            }
            has_word = true;
            i = sp + 1;
        }
        out.push_back(line);
    }
    return out;
}

// The font at the point size text drawn at `scale` uses: 12 points at
// scale 1. Null when there is no font or the size is outside 1 to 512
// points (a wild scale must not open a huge font).
TTF_Font* font_for_scale(zgl_font* f, float scale)
{
    if (f == nullptr || !std::isfinite(scale))
        return nullptr;
    const long points = std::lround(kFontPoints * double(scale));
    if (points < 1 || points > 512)
        return nullptr;
    return font_at(f, int(points));
}

} // namespace

void draw_text(const prim& p, const prim_extra& e)
{
    if (!e.font || e.text.empty())
        return;
    TTF_Font* font = font_for_scale(e.font, e.scale);
    if (!font)
        return;
    if (!in_band(p.x1, p.y1) || !in_band(p.x2, p.y2))
        return;
    const float skip = float(TTF_FontLineSkip(font));
    const float height = float(TTF_FontHeight(font));

    // Text in a rectangle keeps a small margin from its left and right
    // edges, so it never touches a frame drawn around the same rectangle
    // (the coefficient boxes).
    const float margin = e.in_rect ? std::min(kTextMargin, p.x2 / 4) : 0.0f;
    std::vector<std::string> lines = e.in_rect ? wrap(font, e.text, p.x2 - 2 * margin) : split_lines(e.text);
    float block_h = float(lines.size() - 1) * skip + height;
    float y = p.y1;
    if (p.flags & TEXT_VALIGN_CENTER)
        y = e.in_rect ? p.y1 + (p.y2 - block_h) / 2 : p.y1 - block_h / 2;
    for (const std::string& line : lines) {
        float x = p.x1 + margin;
        if (p.flags & TEXT_HALIGN_CENTER) {
            float w = line_width(font, line, e.step);
            x = e.in_rect ? p.x1 + (p.x2 - w) / 2 : p.x1 - w / 2;
        }
        if (!line.empty())
            draw_text_line(font, x, y, line, e.step, p.color, p.alpha);
        y += skip;
    }
}

void evict_texts()
{
    if (g.frame_no % 60 != 0)
        return;
    for (auto it = g.text_cache.begin(); it != g.text_cache.end();) {
        if (it->second.last_used + kTextKeepFrames < g.frame_no) {
            if (it->second.texture)
                SDL_DestroyTexture(it->second.texture);
            it = g.text_cache.erase(it);
        } else {
            ++it;
        }
    }
}

void drop_texts()
{
    g.text_widths.clear();
    for (auto& [key, e] : g.text_cache)
        if (e.texture && g.renderer)
            SDL_DestroyTexture(e.texture);
    g.text_cache.clear();
}

} // namespace zgl

void text_Draw(zgl_font* font, float x, float y, const std::string& text, uint32_t flags)
{
    text_DrawEx(font, x, y, 1, 0, text, 255, 0xFFFFFF, flags);
}

void text_DrawEx(zgl_font* font, float x, float y, float scale, float step, const std::string& text,
                 uint8_t alpha, uint32_t color, uint32_t flags)
{
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(scale) || !std::isfinite(step))
        return zgl::skip_nonfinite();
    zgl::prim_extra e;
    e.scale = scale * zgl::g.text_scale;
    e.text = text;
    e.font = font;
    e.step = step;
    zgl::add(zgl::make_prim(zgl::prim::TEXT, x, y, 0, 0, color, alpha, flags), std::move(e));
}

void text_DrawInRect(zgl_font* font, zgl_rect rect, const std::string& text, uint32_t flags)
{
    if (!std::isfinite(rect.x) || !std::isfinite(rect.y) || !std::isfinite(rect.w) || !std::isfinite(rect.h))
        return zgl::skip_nonfinite();
    zgl::prim_extra e;
    e.in_rect = true;
    e.scale = zgl::g.text_scale;
    e.text = text;
    e.font = font;
    zgl::add(zgl::make_prim(zgl::prim::TEXT, rect.x, rect.y, rect.w, rect.h, 0xFFFFFF, 255, flags),
             std::move(e));
}

// Measuring, so the shell can lay out texts that must stay inside the
// window: the numbers are those the drawing above uses.
void text_SetScale(float scale)
{
    zgl::g.text_scale = std::isfinite(scale) && scale > 0.0f ? scale : 1.0f;
}

float text_GetWidth(zgl_font* font, const std::string& text, float scale)
{
    // From the widths the drawing keeps too: the scales measure every
    // label they consider, each frame.
    TTF_Font* f = zgl::font_for_scale(font, scale * zgl::g.text_scale);
    return f == nullptr ? 0.0f : float(zgl::text_width(f, text));
}

float text_GetHeight(zgl_font* font, float scale)
{
    TTF_Font* f = zgl::font_for_scale(font, scale * zgl::g.text_scale);
    if (f == nullptr)
        return 0.0f;
    // Lines follow each other at LineSkip and a rendered line is about
    // FontHeight tall (a descender such as the one of '/' can add a pixel,
    // which SDL_ttf reports only per text).
    return float(std::max(TTF_FontHeight(f), TTF_FontLineSkip(f)));
}
