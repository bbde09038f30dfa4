// The display list. Every draw call appends a primitive to the frame's
// list (which is also the test mode's recorder); at the end of the frame the
// list is compared with the one last shown and, only if it differs, drawn
// with the SDL renderer and presented, scaled to the screen in full screen.
// Lines, rectangles, circles and pictures are rasterised here; text in
// zgl_text.cpp.
//
// Performance notes (measured under Xvfb, 4200 one-pixel lines a frame):
// SDL's OpenGL renderer costs about 7% of a core when joined segments of one
// colour go out as one SDL_RenderDrawLinesF polyline, 26% with one call per
// line. Opaque primitives take SDL's unblended path (about three times
// faster than blending in the software renderer). Where OpenGL itself runs
// on the processor, the window is drawn by SDL's software renderer instead
// (see zgl_sdl.cpp), and the picture is then shown to the X server as it is.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "common/files.h"
#include "common/report.h"
#include "platform/zgl_internal.h"

namespace zgl {

namespace {

// Segments of a circle are capped so a wild quality cannot exhaust memory.
constexpr int kMaxSegments = 1024;
// A filled rectangle at least this opaque is a surface (a panel, a box),
// which the projector scheme makes light; a fainter one is a tint.
constexpr uint8_t kSurfaceAlpha = 200;

bool finite(float a)
{
    return std::isfinite(a);
}

// Opaque colours are written without blending; translucent ones blended.
// In the projector scheme the colour is darkened (a stroke's, or a
// translucent fill's) or made light (an opaque fill's: a `surface`).
void set_colour(uint32_t color, uint8_t alpha, bool surface = false)
{
    if (g.projector)
        color = surface ? surface_colour(color) : ink_colour(color);
    SDL_SetRenderDrawBlendMode(g.renderer, alpha == 255 ? SDL_BLENDMODE_NONE : SDL_BLENDMODE_BLEND);
    SDL_SetRenderDrawColor(g.renderer, (color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF, alpha);
}

// Cuts a line to the band (Liang-Barsky); false when nothing is left.
bool clip_to_band(float& x1, float& y1, float& x2, float& y2)
{
    double t0 = 0, t1 = 1;
    double dx = double(x2) - x1, dy = double(y2) - y1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {double(x1) + kBand, kBand - double(x1), double(y1) + kBand, kBand - double(y1)};
    for (int i = 0; i < 4; i++) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        double r = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, r);
        else
            t1 = std::min(t1, r);
        if (t0 > t1)
            return false;
    }
    float nx1 = float(x1 + t0 * dx), ny1 = float(y1 + t0 * dy);
    float nx2 = float(x1 + t1 * dx), ny2 = float(y1 + t1 * dy);
    x1 = nx1, y1 = ny1, x2 = nx2, y2 = ny2;
    return true;
}

// Whether a line is flat (at most 45 degrees): in the projector scheme its
// second stroke lies a pixel below it, a steep line's a pixel to its right.
bool flat(float x1, float y1, float x2, float y2)
{
    return std::fabs(x2 - x1) >= std::fabs(y2 - y1);
}

// With `wide`, the projector scheme's second stroke beside it.
void draw_line(float x1, float y1, float x2, float y2, bool wide = false)
{
    if (!in_band(x1, y1) || !in_band(x2, y2))
        if (!clip_to_band(x1, y1, x2, y2))
            return;
    SDL_RenderDrawLineF(g.renderer, x1, y1, x2, y2);
    g.line_calls++;
    if (wide) {
        const bool f = flat(x1, y1, x2, y2);
        SDL_RenderDrawLineF(g.renderer, x1 + !f, y1 + f, x2 + !f, y2 + f);
        g.line_calls++;
    }
}

// The projector scheme's second stroke of a polyline, a pixel beside it:
// its flat runs moved down, its steep runs right, each run a polyline.
void draw_second_stroke(const std::vector<SDL_FPoint>& pts)
{
    static std::vector<SDL_FPoint> run;
    for (size_t i = 0; i + 1 < pts.size();) {
        const bool f = flat(pts[i].x, pts[i].y, pts[i + 1].x, pts[i + 1].y);
        const float dx = f ? 0.0f : 1.0f, dy = f ? 1.0f : 0.0f;
        run.clear();
        run.push_back({pts[i].x + dx, pts[i].y + dy});
        size_t j = i + 1;
        for (; j < pts.size(); j++) {
            if (j > i + 1 && flat(pts[j - 1].x, pts[j - 1].y, pts[j].x, pts[j].y) != f)
                break;
            run.push_back({pts[j].x + dx, pts[j].y + dy});
        }
        SDL_RenderDrawLinesF(g.renderer, run.data(), int(run.size()));
        g.line_calls++;
        i = j - 1;
    }
}

// Draws the opaque line at `i` together with the following opaque lines of
// the same colour that continue it end to start, as one polyline: the same
// pixels as one call per line, at a fraction of the cost. Returns the index
// of the last line drawn.
size_t draw_lines_from(const std::vector<prim>& prims, size_t i, std::vector<SDL_FPoint>& pts)
{
    const prim& first = prims[i];
    // A faint line on white could never reach a readable contrast: the
    // projector scheme draws every line opaque, in its darkened colour; the
    // faint ones (grids, axes) stay one pixel wide, below the curves and
    // levels, which are two.
    auto alpha = [](const prim& p) { return g.projector ? uint8_t(255) : p.alpha; };
    const bool wide = g.projector && first.alpha == 255;
    set_colour(first.color, alpha(first));
    bool batchable = alpha(first) == 255 && in_band(first.x1, first.y1) && in_band(first.x2, first.y2);
    if (!batchable) {
        draw_line(first.x1, first.y1, first.x2, first.y2, wide);
        return i;
    }
    pts.clear();
    pts.push_back({first.x1, first.y1});
    pts.push_back({first.x2, first.y2});
    size_t j = i + 1;
    for (; j < prims.size(); j++) {
        const prim& p = prims[j];
        if (p.kind != prim::LINE || p.alpha != first.alpha || p.color != first.color)
            break;
        if (p.x1 != pts.back().x || p.y1 != pts.back().y || !in_band(p.x2, p.y2))
            break;
        pts.push_back({p.x2, p.y2});
    }
    SDL_RenderDrawLinesF(g.renderer, pts.data(), int(pts.size()));
    g.line_calls++;
    if (wide)
        draw_second_stroke(pts);
    return j - 1;
}

void draw_rect(const prim& p)
{
    float x = p.x1, y = p.y1, w = p.x2, h = p.y2;
    if (w < 0)
        x += w, w = -w;
    if (h < 0)
        y += h, h = -h;
    // Keep within the band; an edge moved to the band is far off screen.
    float x0 = std::max(x, -kBand), y0 = std::max(y, -kBand);
    float x1 = std::min(x + w, kBand), y1 = std::min(y + h, kBand);
    if (!(x1 > x0 && y1 > y0))
        return;
    SDL_FRect r{x0, y0, x1 - x0, y1 - y0};
    const bool fill = p.flags & PR2D_FILL;
    set_colour(p.color, p.alpha, fill && p.alpha >= kSurfaceAlpha);
    if (fill) {
        SDL_RenderFillRectF(g.renderer, &r);
        return;
    }
    SDL_RenderDrawRectF(g.renderer, &r);
    // The projector scheme's outline is two pixels wide, inwards.
    if (g.projector && r.w > 2 && r.h > 2) {
        SDL_FRect inner{r.x + 1, r.y + 1, r.w - 2, r.h - 2};
        SDL_RenderDrawRectF(g.renderer, &inner);
    }
}

// A circle is the regular polygon of `quality` segments. Filled, it is
// scanned row by row (one rectangle per row, rows never overlap, so a
// translucent fill blends every pixel once); a pixel is inside when its
// centre is.
void draw_circle(const prim& p, std::vector<SDL_FPoint>& pts, std::vector<SDL_FRect>& rows, int view_w,
                 int view_h)
{
    float cx = p.x1, cy = p.y1, r = std::fabs(p.x2);
    if (r == 0)
        return;
    int n = p.quality >= 3 ? std::min<int>(p.quality, kMaxSegments) : 32;
    auto polygon = [&](float radius) {
        pts.clear();
        for (int k = 0; k <= n; k++) {
            // The layer's own exact pi: a circle here is geometry, not physics.
            double a = 2 * std::numbers::pi * (k % n) / n;
            pts.push_back({float(cx + radius * std::cos(a)), float(cy + radius * std::sin(a))});
        }
    };
    polygon(r);
    set_colour(p.color, p.alpha);
    if (!(p.flags & PR2D_FILL)) {
        bool inside = std::fabs(cx) + r <= kBand && std::fabs(cy) + r <= kBand;
        if (inside) {
            SDL_RenderDrawLinesF(g.renderer, pts.data(), int(pts.size()));
            // The projector scheme's outline: a second ring a pixel inside.
            if (g.projector && r > 1.5f) {
                polygon(r - 1);
                SDL_RenderDrawLinesF(g.renderer, pts.data(), int(pts.size()));
            }
        } else {
            for (int k = 0; k < n; k++)
                draw_line(pts[k].x, pts[k].y, pts[k + 1].x, pts[k + 1].y);
        }
        return;
    }
    rows.clear();
    int top = std::max(0, int(std::floor(cy - r)));
    int bottom = std::min(view_h - 1, int(std::ceil(cy + r)));
    for (int row = top; row <= bottom; row++) {
        double yc = row + 0.5;
        double xl = INFINITY, xr = -INFINITY;
        for (int k = 0; k < n; k++) {
            const SDL_FPoint& a = pts[k];
            const SDL_FPoint& b = pts[k + 1];
            if ((a.y <= yc && yc < b.y) || (b.y <= yc && yc < a.y)) {
                double x = a.x + (yc - a.y) * (b.x - a.x) / (double(b.y) - a.y);
                xl = std::min(xl, x);
                xr = std::max(xr, x);
            }
        }
        if (!(xr >= xl))
            continue;
        // Columns whose centres lie in [xl, xr).
        double c0 = std::max(std::ceil(xl - 0.5), -1.0);
        double c1 = std::min(std::ceil(xr - 0.5) - 1, double(view_w));
        if (c1 < c0)
            continue;
        rows.push_back({float(c0), float(row), float(c1 - c0 + 1), 1});
    }
    if (!rows.empty())
        SDL_RenderFillRectsF(g.renderer, rows.data(), int(rows.size()));
}

void draw_sprite(const prim& p, const prim_extra& e)
{
    SDL_Texture* t = g.projector ? dark_texture_for(e.tex) : texture_for(e.tex);
    if (!t)
        return;
    bool& nearest_now = g.projector ? e.tex->dark_nearest : e.tex->nearest;
    float x = p.x1, y = p.y1, w = p.x2, h = p.y2;
    if (!in_band(x, y) || !in_band(w, h))
        return;
    // A negative size mirrors the picture.
    int flip = SDL_FLIP_NONE;
    if (w < 0)
        x += w, w = -w, flip |= SDL_FLIP_HORIZONTAL;
    if (h < 0)
        y += h, h = -h, flip |= SDL_FLIP_VERTICAL;
    bool blend = (p.flags & FX_BLEND) || p.alpha != 255;
    SDL_SetTextureBlendMode(t, blend ? SDL_BLENDMODE_BLEND : SDL_BLENDMODE_NONE);
    // A picture drawn at its own size on whole pixels, unturned, samples
    // every texel at its centre: nearest sampling gives the same pixels as
    // linear, for less work in a software OpenGL. (The mode is switched only
    // when it changes: switching costs a flush of the queued drawing.)
    const bool nearest = e.angle == 0 && w == float(e.tex->w) && h == float(e.tex->h) && x == std::floor(x) &&
                         y == std::floor(y);
    if (nearest != nearest_now) {
        SDL_SetTextureScaleMode(t, nearest ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
        nearest_now = nearest;
    }
    SDL_SetTextureAlphaMod(t, p.alpha);
    SDL_SetTextureColorMod(t, 255, 255, 255);
    SDL_FRect dst{x, y, w, h};
    // Degrees, clockwise on the screen (y points down), about the centre.
    SDL_RenderCopyExF(g.renderer, t, nullptr, &dst, double(e.angle), nullptr, SDL_RendererFlip(flip));
}

// The background: black, or white in the projector scheme.
void clear_background()
{
    const uint8_t v = g.projector ? 255 : 0;
    SDL_SetRenderDrawBlendMode(g.renderer, SDL_BLENDMODE_NONE);
    SDL_SetRenderDrawColor(g.renderer, v, v, v, 255);
    SDL_RenderClear(g.renderer);
}

void rasterise(const display_list& list, int view_w, int view_h)
{
    clear_background();
    g.line_calls = 0;
    static std::vector<SDL_FPoint> pts;
    static std::vector<SDL_FRect> rows;
    for (size_t i = 0; i < list.prims.size(); i++) {
        const prim& p = list.prims[i];
        switch (p.kind) {
        case prim::LINE:
            i = draw_lines_from(list.prims, i, pts);
            break;
        case prim::RECT:
            draw_rect(p);
            break;
        case prim::CIRCLE:
            draw_circle(p, pts, rows, view_w, view_h);
            break;
        case prim::SPRITE:
            draw_sprite(p, list.extras[p.extra]);
            break;
        case prim::TEXT:
            if (g.projector) {
                // Darkened, and drawn twice: the half-covered pixels of a
                // thin stroke (a middle dot, a hairline) grow dark enough to
                // read on white, as the strokes of the scheme are bolder too.
                prim dark = p;
                dark.color = ink_colour(p.color);
                draw_text(dark, list.extras[p.extra]);
                draw_text(dark, list.extras[p.extra]);
            } else {
                draw_text(p, list.extras[p.extra]);
            }
            break;
        }
    }
}

// Where the logical picture goes on the output: in a window it is the output
// itself; in full screen with resolution correction it is drawn at its own
// size into a texture, which is then scaled as a whole, aspect kept, to the
// screen. Scaling the finished picture (rather than each primitive through a
// non-integer logical scale) keeps one-pixel lines and text even.
void place_picture(int out_w, int out_h)
{
    int lw = out_w, lh = out_h;
    if (g.fullscreen && (g.enabled & CORRECT_RESOLUTION) && g.corr_w > 0 && g.corr_h > 0) {
        lw = g.corr_w;
        lh = g.corr_h;
    }
    if (lw != g.logical_w || lh != g.logical_h)
        g.redraw = true;
    g.logical_w = lw;
    g.logical_h = lh;
    if (lw == out_w && lh == out_h) {
        g.out_x = g.out_y = 0;
        g.out_scale = 1;
        return;
    }
    float s = std::min(float(out_w) / float(lw), float(out_h) / float(lh));
    g.out_scale = s;
    g.out_x = (float(out_w) - float(lw) * s) / 2;
    g.out_y = (float(out_h) - float(lh) * s) / 2;
}

// Rasterises a display list and presents it; with `capture`, the output's
// pixels are read back first (after a present the picture behind it is no
// longer defined).
void present(const display_list& list, int out_w, int out_h, std::vector<uint32_t>* capture = nullptr)
{
    bool scaled = g.logical_w != out_w || g.logical_h != out_h;
    if (scaled && (!g.target || g.target_w != g.logical_w || g.target_h != g.logical_h)) {
        if (g.target)
            SDL_DestroyTexture(g.target);
        g.target = SDL_CreateTexture(g.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET,
                                     g.logical_w, g.logical_h);
        g.target_w = g.logical_w;
        g.target_h = g.logical_h;
        if (g.target)
            SDL_SetTextureScaleMode(g.target, SDL_ScaleModeLinear);
    }
    if (scaled && g.target) {
        SDL_SetRenderTarget(g.renderer, g.target);
        rasterise(list, g.logical_w, g.logical_h);
        SDL_SetRenderTarget(g.renderer, nullptr);
        clear_background();
        SDL_SetTextureBlendMode(g.target, SDL_BLENDMODE_NONE);
        SDL_FRect dst{g.out_x, g.out_y, float(g.logical_w) * g.out_scale, float(g.logical_h) * g.out_scale};
        SDL_RenderCopyF(g.renderer, g.target, nullptr, &dst);
    } else {
        rasterise(list, out_w, out_h);
    }
    if (capture) {
        capture->assign(size_t(out_w) * size_t(out_h), 0);
        if (SDL_RenderReadPixels(g.renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, capture->data(), out_w * 4) !=
            0)
            capture->clear();
    }
    SDL_RenderPresent(g.renderer);
    if (g.soft_window)
        SDL_UpdateWindowSurface(g.window);
    g.redraw = false;
    g.frame_no++;
    evict_texts();
}

} // namespace

void skip_nonfinite()
{
    g.nonfinite_skipped++;
}

void add(prim p, prim_extra extra)
{
    p.extra = uint32_t(g.frame.extras.size());
    g.frame.extras.push_back(std::move(extra));
    add(p);
}

SDL_Texture* texture_for(zgl_texture* t)
{
    if (!t || !t->surface || !g.renderer)
        return nullptr;
    return texture_of(t->surface, t->texture, t->nearest);
}

SDL_Texture* texture_of(SDL_Surface* surface, SDL_Texture*& slot, bool& nearest)
{
    if (!slot) {
        slot = SDL_CreateTextureFromSurface(g.renderer, surface);
        if (slot)
            SDL_SetTextureScaleMode(slot, SDL_ScaleModeLinear);
        nearest = false;
    }
    return slot;
}

void drop_textures()
{
    for (auto& [key, t] : g.textures) {
        if (!t)
            continue;
        if (g.renderer && t->texture)
            SDL_DestroyTexture(t->texture);
        if (g.renderer && t->dark_texture)
            SDL_DestroyTexture(t->dark_texture);
        t->texture = nullptr;
        t->dark_texture = nullptr;
    }
    drop_texts();
    if (g.target && g.renderer)
        SDL_DestroyTexture(g.target);
    g.target = nullptr;
    g.target_w = g.target_h = 0;
    g.redraw = true;
}

void begin_frame()
{
    g.frame.clear();
    g.frame_done = false;
    g.kept = false;
    g.generation++;
}

void retire_frame()
{
    if (!g.kept)
        std::swap(g.frame, g.shown);
    g.frame.clear();
    g.frame_done = true;
    g.generation++;
}

const display_list& current_frame()
{
    return g.frame_done || g.kept ? g.shown : g.frame;
}

bool show_frame()
{
    bool presented = false;
    int out_w = 0, out_h = 0;
    if (window_image_ready() && g.renderer && SDL_GetRendererOutputSize(g.renderer, &out_w, &out_h) == 0 &&
        out_w > 0 && out_h > 0) {
        place_picture(out_w, out_h);
        // A kept frame is the picture shown; it is drawn again only when
        // the screen needs it.
        const display_list& picture = g.kept ? g.shown : g.frame;
        if (g.redraw || (!g.kept && g.frame != g.shown)) {
            present(picture, out_w, out_h);
            presented = true;
        }
    }
    retire_frame();
    return presented;
}

bool read_shown_frame(std::vector<uint32_t>& pixels, int& w, int& h)
{
    pixels.clear();
    w = h = 0;
    if (!window_image_ready() || !g.renderer || SDL_GetRendererOutputSize(g.renderer, &w, &h) != 0 ||
        w <= 0 || h <= 0)
        return false;
    place_picture(w, h);
    present(g.shown, w, h, &pixels);
    return !pixels.empty();
}

} // namespace zgl

bool scr_SavePNG(const std::string& path, std::string& why)
{
    std::vector<uint32_t> pixels;
    int w = 0, h = 0;
    if (!zgl::read_shown_frame(pixels, w, h)) {
        why = std::string("the window's pixels cannot be read (") + plain_reason(SDL_GetError()) + ")";
        return false;
    }
    std::string bytes;
    return zgl::encode_png(pixels, w, h, bytes, why) && write_file_atomically(path, bytes, why, false);
}

void pr2d_Line(float x1, float y1, float x2, float y2, uint32_t color, uint8_t alpha, uint32_t flags)
{
    using zgl::finite;
    if (!finite(x1) || !finite(y1) || !finite(x2) || !finite(y2))
        return zgl::skip_nonfinite();
    zgl::add(zgl::make_prim(zgl::prim::LINE, x1, y1, x2, y2, color, alpha, flags));
}

void pr2d_Rect(float x, float y, float w, float h, uint32_t color, uint8_t alpha, uint32_t flags)
{
    using zgl::finite;
    if (!finite(x) || !finite(y) || !finite(w) || !finite(h))
        return zgl::skip_nonfinite();
    zgl::add(zgl::make_prim(zgl::prim::RECT, x, y, w, h, color, alpha, flags));
}

void pr2d_Circle(float x, float y, float radius, uint32_t color, uint8_t alpha, uint16_t quality,
                 uint32_t flags)
{
    using zgl::finite;
    if (!finite(x) || !finite(y) || !finite(radius))
        return zgl::skip_nonfinite();
    zgl::prim p = zgl::make_prim(zgl::prim::CIRCLE, x, y, radius, 0, color, alpha, flags);
    p.quality = quality;
    zgl::add(p);
}

void ssprite2d_Draw(zgl_texture* tex, float x, float y, float w, float h, float angle, uint8_t alpha,
                    uint32_t flags)
{
    using zgl::finite;
    if (!finite(x) || !finite(y) || !finite(w) || !finite(h) || !finite(angle))
        return zgl::skip_nonfinite();
    zgl::prim_extra e;
    e.angle = angle;
    e.tex = tex;
    zgl::add(zgl::make_prim(zgl::prim::SPRITE, x, y, w, h, 0xFFFFFF, alpha, flags), std::move(e));
}

void zgl_KeepFrame()
{
    zgl::g.kept = true;
    zgl::g.generation++;
}
