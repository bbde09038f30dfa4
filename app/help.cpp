// The help overlay, the start hint and the tooltips: their state, its
// update in every tick, and their drawing (the overlay's layout is in
// app/help_layout.cpp).
//
// Every help text stays inside the window whatever its size (down to
// 320 x 240), measured with the font it is drawn in: the tooltip and the
// hint shrink from 12 to 6 points until their line fits. Nothing is drawn
// over the control under the mouse (nor over the clock button's time-step
// label): the overlay leaves a hole for it, the hint is left out, the
// tooltip goes below, above or beside it. The plot strips "V1".."V3" are
// the exception: they are the plot, which the overlay is meant to cover.
//
// Relies on: the graphics layer's drawing and text measuring, the texts
// (app/help_text.cpp), the translations (app/i18n.h) and the shell's
// phasor_mode (engines/engine.h).
#include "app/help.h"
#include "app/help_layout.h"
#include "engines/screen_map.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "app/shell.h"
#include "common/i18n.h"

namespace {

// Opacity of the panel: the plot shows through faintly.
constexpr uint8_t PANEL_ALPHA = 225;

bool intersects(const zgl_rect& a, const zgl_rect& b)
{
    return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

bool inside(const zgl_rect& r, float w, float h)
{
    return r.x >= HELP_EDGE && r.y >= HELP_EDGE && r.x + r.w <= w - HELP_EDGE && r.y + r.h <= h - HELP_EDGE;
}

// The smallest rectangle holding a and b.
zgl_rect unite(const zgl_rect& a, const zgl_rect& b)
{
    const float x = std::min(a.x, b.x);
    const float y = std::min(a.y, b.y);
    return {x, y, std::max(a.x + a.w, b.x + b.w) - x, std::max(a.y + a.h, b.y + b.h) - y};
}

// What nothing of the help may cover while the mouse is on c: its picture
// and highlight, and for the clock button also its time-step label below.
zgl_rect protected_rect(const control& c, zgl_font* f)
{
    zgl_rect r = unite(c.rect, c.hover_rect);
    if (c.name == "tl_cas") {
        // The label is centred under the button, 41 px below its top; no
        // time step gives a wider label than this text.
        const float label_w = std::max(c.rect.w, text_GetWidth(f, "20.000fs/s") + 4.0f);
        const zgl_rect label{c.rect.x + c.rect.w / 2 - label_w / 2, c.rect.y + 41.0f, label_w,
                             text_GetHeight(f) + 2.0f};
        r = unite(r, label);
    }
    return r;
}

// A filled rectangle with the area `hole` left out (drawn as up to four
// pieces around it), so the control under the mouse shows through.
void fill_around(const zgl_rect& r, const zgl_rect* hole, uint32_t colour, uint8_t alpha)
{
    if (hole == nullptr || !intersects(r, *hole)) {
        pr2d_Rect(r.x, r.y, r.w, r.h, colour, alpha, PR2D_FILL);
        return;
    }
    const float top = std::max(r.y, hole->y);
    const float bottom = std::min(r.y + r.h, hole->y + hole->h);
    const float left = std::max(r.x, hole->x);
    const float right = std::min(r.x + r.w, hole->x + hole->w);
    if (top > r.y)
        pr2d_Rect(r.x, r.y, r.w, top - r.y, colour, alpha, PR2D_FILL);
    if (bottom < r.y + r.h)
        pr2d_Rect(r.x, bottom, r.w, r.y + r.h - bottom, colour, alpha, PR2D_FILL);
    if (left > r.x)
        pr2d_Rect(r.x, top, left - r.x, bottom - top, colour, alpha, PR2D_FILL);
    if (right < r.x + r.w)
        pr2d_Rect(right, top, r.x + r.w - right, bottom - top, colour, alpha, PR2D_FILL);
}

void draw_text(zgl_font* f, const help_text_box& t)
{
    text_DrawEx(f, t.x, t.y, t.scale, 0.0f, t.text, 255, t.colour, 0);
}

void draw_overlay(const konfig& k, const situace& s, zgl_font* f, const control* hovered)
{
    help_overlay_cache& c = shell.help_layout;
    std::vector<help_line> now = help_lines(s);
    std::vector<float> now_places;
    for (const control* ctl = k.controls; ctl != nullptr; ctl = ctl->next)
        if (ctl->visible)
            now_places.insert(now_places.end(), {ctl->rect.x, ctl->rect.y, ctl->rect.w, ctl->rect.h});
    if (now != c.lines || now_places != c.places || k.width != c.width || k.height != c.height ||
        f != c.measured_with) {
        c.lines = std::move(now);
        c.places = std::move(now_places);
        c.width = k.width;
        c.height = k.height;
        c.measured_with = f;
        c.fits = help_lay_out_overlay(k, c.lines, f, c.lay);
    }
    if (!c.fits)
        return;
    const help_overlay& lay = c.lay;
    // The plot strips are the plot the overlay is meant to cover; any
    // other control under the mouse is left uncovered.
    zgl_rect hole{};
    const bool has_hole = hovered != nullptr && hovered != k.controls && !hovered->name.starts_with("V");
    if (has_hole)
        hole = protected_rect(*hovered, f);
    fill_around(lay.panel, has_hole ? &hole : nullptr, HELP_PANEL_COLOUR, PANEL_ALPHA);
    if (!(has_hole && intersects(lay.panel, hole)))
        pr2d_Rect(lay.panel.x, lay.panel.y, lay.panel.w, lay.panel.h, HELP_BORDER_COLOUR, 255, 0);
    for (const help_text_box& t : lay.texts) {
        if (has_hole && intersects({t.x, t.y, t.w, t.h}, hole))
            continue;
        draw_text(f, t);
    }
}

// A one-line text in a small dark box; the largest size that fits the
// window's width. False when not even the smallest does.
bool size_box(zgl_font* f, const std::string& text, float window_w, help_text_box& t, float& pad)
{
    for (int points = HELP_LARGEST_POINTS; points >= HELP_SMALLEST_POINTS; --points) {
        t.scale = float(points) / float(HELP_LARGEST_POINTS);
        pad = std::max(2.0f, 4.0f * t.scale);
        t.w = text_GetWidth(f, text, t.scale);
        t.h = text_GetHeight(f, t.scale);
        if (t.w + 2 * pad <= window_w - 2 * HELP_EDGE)
            break;
        if (points == HELP_SMALLEST_POINTS)
            return false;
    }
    t.text = text;
    return true;
}

void draw_box(zgl_font* f, const zgl_rect& box, const help_text_box& t, float pad)
{
    pr2d_Rect(box.x, box.y, box.w, box.h, HELP_PANEL_COLOUR, 235, PR2D_FILL);
    pr2d_Rect(box.x, box.y, box.w, box.h, HELP_BORDER_COLOUR, 255, 0);
    help_text_box at = t;
    at.x = box.x + pad;
    at.y = box.y + pad;
    draw_text(f, at);
}

void draw_hint(const konfig& k, zgl_font* f, const control* hovered)
{
    help_text_box t{0, 0, 0, 0, 1, HELP_KEY_COLOUR, ""};
    float pad = 0;
    if (!size_box(f, help_hint_text(), float(k.width), t, pad))
        return;
    const float w = std::ceil(t.w + 2 * pad);
    const float h = std::ceil(t.h + 2 * pad);
    const zgl_rect box{float(k.width) - HELP_EDGE - w, float(k.height) - HELP_EDGE - h, w, h};
    // A hint is not worth covering a control the mouse is on.
    if (hovered != nullptr && hovered != k.controls && intersects(box, protected_rect(*hovered, f)))
        return;
    if (inside(box, float(k.width), float(k.height)))
        draw_box(f, box, t, pad);
}

// A note, at the top of the window over the plot, in the band between the
// superposition panel on the left (when open) and the listing on the
// right, so neither is covered (in a window too narrow for that, across
// it): the text is broken at spaces into lines that fit the band at the
// largest size that lets every word fit, down to 9 points.
void draw_note(const konfig& k, zgl_font* f)
{
    constexpr float LEFT = 215.0f; // right of the open superposition panel
    // From the right edge: left of the listing, which grows with the text.
    const float RIGHT = 65.0f + 165.0f * float(screen_of(k).text_scale());
    constexpr int SMALLEST_NOTE_POINTS = 9;
    const float W = float(k.width);
    // A window too narrow for the band gives the note its whole width.
    float band = W - LEFT - RIGHT, left = LEFT;
    if (band < 200.0f) {
        band = W - 2 * HELP_EDGE;
        left = HELP_EDGE;
    }
    for (int points = HELP_LARGEST_POINTS; points >= SMALLEST_NOTE_POINTS; --points) {
        const float scale = float(points) / float(HELP_LARGEST_POINTS);
        const float pad = 4.0f * scale;
        std::vector<std::string> lines{""};
        std::string word;
        bool fits = true;
        const std::string text = shell.help.note + " ";
        for (char ch : text) {
            if (ch != ' ') {
                word += ch;
                continue;
            }
            const std::string longer = lines.back().empty() ? word : lines.back() + " " + word;
            if (text_GetWidth(f, longer, scale) + 2 * pad <= band)
                lines.back() = longer;
            else if (text_GetWidth(f, word, scale) + 2 * pad <= band)
                lines.push_back(word);
            else
                fits = false;
            word.clear();
        }
        if (!fits && points > SMALLEST_NOTE_POINTS)
            continue;
        float w = 0;
        for (const std::string& line : lines)
            w = std::max(w, std::ceil(text_GetWidth(f, line, scale) + 2 * pad));
        w = std::min(w, band);
        const float line_h = text_GetHeight(f, scale);
        const zgl_rect box{std::floor(left + (band - w) / 2), 40.0f, w,
                           std::ceil(line_h * float(lines.size()) + 2 * pad)};
        pr2d_Rect(box.x, box.y, box.w, box.h, HELP_PANEL_COLOUR, 235, PR2D_FILL);
        pr2d_Rect(box.x, box.y, box.w, box.h, HELP_BORDER_COLOUR, 255, 0);
        for (size_t i = 0; i < lines.size(); ++i)
            text_DrawEx(f, box.x + pad, box.y + pad + line_h * float(i), scale, 0.0f, lines[i], 255,
                        HELP_KEY_COLOUR, 0);
        return;
    }
}

// The tooltip near the mouse: beside the control towards the middle of the
// window, else below or above it; never over it and never out of the
// window.
void draw_tooltip(const konfig& k, zgl_font* f, const control& c, bool phasor_mode)
{
    help_text_box t{0, 0, 0, 0, 1, HELP_TEXT_COLOUR, ""};
    float pad = 0;
    // The boxes' tooltip depends on the panel's mode.
    if (!size_box(f, help_tooltip(c, phasor_mode), float(k.width), t, pad) || t.text.empty())
        return;
    const float W = float(k.width), H = float(k.height);
    const float w = std::ceil(t.w + 2 * pad);
    const float h = std::ceil(t.h + 2 * pad);
    const zgl_rect p = protected_rect(c, f);
    const float ax = float(shell.help.anchor_x), ay = float(shell.help.anchor_y);
    // Right of the pointer's tip, so the arrow does not hide the start.
    const float x = std::clamp(ax + 12.0f, HELP_EDGE, W - HELP_EDGE - w);
    const float y = std::clamp(ay - h / 2, HELP_EDGE, H - HELP_EDGE - h);
    const zgl_rect right{p.x + p.w + 4.0f, y, w, h};
    const zgl_rect left{p.x - 4.0f - w, y, w, h};
    const bool left_half = p.x + p.w / 2 < W / 2;
    // Beside the control towards the middle of the window first: the
    // buttons stand in columns at the edges, so a tooltip below or above
    // one would hide its neighbour.
    const zgl_rect candidates[] = {
        left_half ? right : left,
        {x, p.y + p.h + 4.0f, w, h}, // below
        {x, p.y - 4.0f - h, w, h},   // above
        left_half ? left : right,
    };
    for (const zgl_rect& box : candidates) {
        if (inside(box, W, H) && !intersects(box, p)) {
            draw_box(f, box, t, pad);
            return;
        }
    }
}

} // namespace

void help_start()
{
    shell.help = help_state{};
    i18n_init();
}

void help_toggle()
{
    shell.help.shown = !shell.help.shown;
    shell.help.f1_used = true;
}

void help_note(const std::string& text, uint32_t ticks)
{
    shell.help.note = text;
    shell.help.note_until = shell.help.ticks + ticks;
}

bool help_note_shown()
{
    return !shell.help.note.empty() && shell.help.ticks < shell.help.note_until;
}

void help_tick(const control* hit)
{
    if (shell.help.ticks < std::numeric_limits<uint32_t>::max())
        ++shell.help.ticks;
    const std::string on = hit != nullptr ? hit->name : std::string();
    const int mx = mouse_X();
    const int my = mouse_Y();
    const bool moved = mx != shell.help.rest_x || my != shell.help.rest_y;
    const bool pressed = mouse_Click(M_BLEFT) || mouse_Click(M_BMIDDLE) || mouse_Click(M_BRIGHT) ||
                         mouse_Wheel(M_WUP) || mouse_Wheel(M_WDOWN);
    const bool showing = shell.help.rest_ticks >= HELP_REST_TICKS;
    if (on != shell.help.rest_on || pressed || (moved && !showing)) {
        shell.help.rest_on = on;
        shell.help.rest_ticks = 0;
    } else if (!showing && ++shell.help.rest_ticks == HELP_REST_TICKS) {
        shell.help.anchor_x = mx;
        shell.help.anchor_y = my;
    }
    shell.help.rest_x = mx;
    shell.help.rest_y = my;
}

void help_draw(const konfig& k, const situace& s, zgl_font* f, const control* hovered, bool phasor_mode)
{
    // Without the font there is nothing to read: no empty panels either.
    if (f == nullptr)
        return;
    if (shell.help.shown)
        draw_overlay(k, s, f, hovered);
    else if (!shell.help.f1_used && shell.help.ticks < HELP_HINT_TICKS)
        draw_hint(k, f, hovered);
    if (help_note_shown())
        draw_note(k, f);
    if (hovered != nullptr && hovered != k.controls && shell.help.rest_ticks >= HELP_REST_TICKS &&
        hovered->name == shell.help.rest_on)
        draw_tooltip(k, f, *hovered, phasor_mode);
}
