// The projector scheme: the colours a frame takes when it is drawn on a white
// background for a lit lecture room. A stroke colour (line, curve, outline,
// text, button picture) is darkened: its linear RGB scaled by one factor, so
// hue and saturation stay and only the light goes, until its relative
// luminance is at most a target below 0.1833, the most that keeps a contrast
// ratio of 4.5:1 with white. The target falls as the colour's own luminance
// rises, so what was most prominent on black (white, yellow) becomes among
// the darkest on white. An opaque filled surface (a help panel, a phasor
// box) becomes a light one of the same hue, so the darkened text on it reads.
//
// The darkened colours are remembered, so a frame of thousands of lines in a
// few colours costs a look-up per polyline.
#include <algorithm>
#include <array>
#include <cmath>

#include "platform/zgl_internal.h"

namespace zgl {

namespace {

// The luminance a darkened colour may have at most: a colour of luminance L
// goes to at most kInkCeiling * (1 - kProminence * L). White thus becomes
// 0.035 (0x353535) and a colour of luminance 0.175 or less stays as it is.
// kInkCeiling keeps a contrast of 1.05 / 0.225 = 4.67 with white, above 4.5
// after the 8-bit rounding too (which the darkening checks).
constexpr double kInkCeiling = 0.175;
constexpr double kProminence = 0.8;
// A light surface is at least this light (HSL lightness): a mid-grey box
// inverted would stay mid-grey, under its darkened strokes.
constexpr double kSurfaceFloor = 0.88;

double to_linear(uint32_t c8)
{
    const double c = double(c8) / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

uint32_t to_srgb8(double lin)
{
    lin = std::clamp(lin, 0.0, 1.0);
    const double c = lin <= 0.0031308 ? 12.92 * lin : 1.055 * std::pow(lin, 1.0 / 2.4) - 0.055;
    return uint32_t(std::lround(c * 255.0));
}

double luminance(uint32_t rgb)
{
    return 0.2126 * to_linear((rgb >> 16) & 0xFF) + 0.7152 * to_linear((rgb >> 8) & 0xFF) +
           0.0722 * to_linear(rgb & 0xFF);
}

uint32_t darken(uint32_t rgb)
{
    const double L = luminance(rgb);
    const double target = kInkCeiling * (1.0 - kProminence * L);
    if (L <= target)
        return rgb;
    const double r = to_linear((rgb >> 16) & 0xFF), gr = to_linear((rgb >> 8) & 0xFF),
                 b = to_linear(rgb & 0xFF);
    // Rounding to 8 bits may lift the luminance a little above the target:
    // then a step darker, until it is not (black always is).
    for (double f = target / L;; f *= 0.98) {
        const uint32_t out = to_srgb8(r * f) << 16 | to_srgb8(gr * f) << 8 | to_srgb8(b * f);
        if (luminance(out) <= target)
            return out;
    }
}

// HSL lightness L' = 1 - L (at least kSurfaceFloor) with hue and saturation
// kept: the chroma max - min depends on |2L - 1| alone, so every channel
// moves by the same L' - L.
uint32_t lighten(uint32_t rgb)
{
    const int c[3] = {int(rgb >> 16) & 0xFF, int(rgb >> 8) & 0xFF, int(rgb) & 0xFF};
    const int lo = std::min({c[0], c[1], c[2]}), hi = std::max({c[0], c[1], c[2]});
    const double L = (lo + hi) / 510.0;
    const int shift = int(std::lround((std::max(1.0 - L, kSurfaceFloor) - L) * 255.0));
    uint32_t out = 0;
    for (int v : c)
        out = out << 8 | uint32_t(std::clamp(v + shift, 0, 255));
    return out;
}

// Colours already worked out, by a hash of the colour (and its kind).
struct memo {
    uint32_t key = 0xFFFFFFFF;
    uint32_t value = 0;
};
std::array<memo, 1024> memos;

template <typename F> uint32_t remembered(uint32_t key, F work)
{
    memo& m = memos[(key * 2654435761u) >> 22];
    if (m.key != key) {
        m.key = key;
        m.value = work();
    }
    return m.value;
}

} // namespace

uint32_t ink_colour(uint32_t rgb)
{
    rgb &= 0xFFFFFF;
    return remembered(rgb, [rgb] { return darken(rgb); });
}

uint32_t surface_colour(uint32_t rgb)
{
    rgb &= 0xFFFFFF;
    return remembered(rgb | 0x1000000, [rgb] { return lighten(rgb); });
}

namespace {

// A picture's texel: a stroke's colour is darkened; a black one is the
// backing a picture carries for contrast on black (the value/phasor
// switch's), which becomes light like a surface.
uint32_t picture_colour(uint32_t argb)
{
    const uint32_t rgb = argb & 0xFFFFFF;
    const bool backing = ((rgb >> 16) & 0xFF) <= 0x20 && ((rgb >> 8) & 0xFF) <= 0x20 && (rgb & 0xFF) <= 0x20;
    return backing ? surface_colour(rgb) : ink_colour(rgb);
}

} // namespace

SDL_Texture* dark_texture_for(zgl_texture* t)
{
    if (!t || !t->surface || !g.renderer)
        return nullptr;
    if (!t->dark_surface) {
        t->dark_surface = SDL_ConvertSurfaceFormat(t->surface, SDL_PIXELFORMAT_ARGB8888, 0);
        if (!t->dark_surface)
            return nullptr;
        // Every texel darkened, and twice as opaque: a one-pixel stroke
        // the picture spreads over two half-covered pixels would read only
        // faintly on white; doubled, it is two pixels wide, as every stroke
        // in this scheme.
        SDL_Surface* s = t->dark_surface;
        if (SDL_LockSurface(s) == 0) {
            for (int y = 0; y < s->h; y++) {
                auto* row =
                    reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + size_t(y) * s->pitch);
                for (int x = 0; x < s->w; x++)
                    if (row[x] >> 24 != 0)
                        row[x] = std::min(row[x] >> 24 << 1, 255u) << 24 | picture_colour(row[x]);
            }
            SDL_UnlockSurface(s);
        }
    }
    return texture_of(t->dark_surface, t->dark_texture, t->dark_nearest);
}

} // namespace zgl

void scr_SetScheme(bool projector)
{
    if (zgl::g.projector == projector)
        return;
    zgl::g.projector = projector;
    // The same display list looks different now.
    zgl::g.redraw = true;
}
