// One frame: the engine paints the plot and rebuilds the listing, then the
// shell draws what it owns on top, in this order (later covers earlier):
// the text being typed into a coefficient box, the listing panel with the
// time read-out, the control pictures with the time-step label, the open
// superposition panel, and last the highlight of the control under the
// mouse. The frame changes no state but the listing text.
//
// A frame whose inputs are those of the last one (no tick changed anything,
// the mouse did not move onto another control) is not drawn at all: the
// graphics layer keeps the last frame. With time stopped that leaves the
// program nearly idle.
//
// Relies on: the graphics layer's drawing, the controls' hit test and list
// helpers, and the number text (common/numtext.h) for numbers in the user's
// format.
#include <algorithm>
#include <cassert>
#include <cmath>
#include <string>

#include "app/controls.h"
#include "app/help.h" // help overlay
#include "app/shell.h"
#include "common/numtext.h"
#include "engines/control_list.h"
#include "engines/screen_map.h"

namespace {

constexpr uint32_t WHITE = 0xFFFFFF;
constexpr uint32_t BLACK = 0x000000;
constexpr uint32_t RED = 0xFF0000;
constexpr uint32_t GREEN = 0x00FF00;
constexpr uint32_t PHASOR_GREY = 0x888888;
// A switch that is on wears a lit frame three pixels wide round its
// picture; one that is off shows its picture alone, as every button did.
// (Fading it instead would read as "disabled", and on a projector's white
// a faded picture would lose its contrast.)
constexpr uint32_t SWITCH_ON_COLOUR = 0xFFD24A;

// Simulated time in femtoseconds with one decimal: t (s) times 1e16 in
// extended precision, rounded to the nearest whole number (ties to even),
// divided by 10, then shown as a double (a time of 0 gives "0").
std::string time_text(long double t)
{
    const long double tenths = round_even(t * 10.0L * 1e15L);
    return "t = " + fmt_g(static_cast<double>(tenths / 10.0L)) + " fs";
}

// The time-step label: simulated femtoseconds per real second at 100 ticks
// a second, three decimals (dt in s, times 1e18 and 100 in extended
// precision, rounded ties to even, divided by 1000).
std::string step_text(long double dt)
{
    const long double thousandths = round_even(dt * 1e18L * 100.0L);
    return fmt_g(static_cast<double>(thousandths / 1000.0L)) + "fs/s";
}

double sgn(double v)
{
    return v > 0.0 ? 1.0 : (v < 0.0 ? -1.0 : 0.0);
}

// The label under "tl_cas". While time runs with a steady dt, t / dt / 100
// counts the seconds of running; the label is green in the last tenth of
// each of them.
void draw_step_label(const control* c, const konfig& k, zgl_font* font)
{
    const std::string label = step_text(k.dt);
    // Centred under the clock, but never past the window's right edge (a
    // large window's larger text is wider than the button).
    const float half = text_GetWidth(font, label) / 2.0f;
    const float x = std::min(c->rect.x + c->rect.w / 2.0f, static_cast<float>(k.width) - 2.0f - half);
    const float y = c->rect.y + 41.0f;
    const long double seconds = k.t / k.dt / 100.0L;
    const long double frac = seconds - std::trunc(seconds);
    if (frac > 0.9L) {
        text_DrawEx(font, x, y, 1.0f, 0.0f, label, 255, GREEN, TEXT_HALIGN_CENTER);
    } else {
        text_Draw(font, x, y, label, TEXT_HALIGN_CENTER);
    }
}

// The buttons that switch something, read off what the picture shows, so
// that a lecturer sees from across the room what is on: the density
// button is on in density mode, Re and Im while their part is drawn, the
// packet button while the packet mode is wanted, the clock while time
// runs. NOT_A_SWITCH for every other control.
enum switch_state { NOT_A_SWITCH, SWITCH_OFF, SWITCH_ON };

switch_state switch_of(const control& c, const konfig& k, const situace& s)
{
    auto state = [](bool on) { return on ? SWITCH_ON : SWITCH_OFF; };
    const std::string& n = c.name;
    if (n == "tl_roz")
        return state(!k.reim_mode);
    if (n == "tl_re")
        return state(k.reim_mode && k.show_re);
    if (n == "tl_im")
        return state(k.reim_mode && k.show_im);
    if (n == "tl_cas")
        return state(k.running);
    if (n == "tl_pkt")
        return state(s.system != nullptr && s.system->packet_on != nullptr && s.system->packet_on(s));
    return NOT_A_SWITCH;
}

// A control's picture; a switch that is on framed (the frame's inner row
// lies on the picture's outermost pixels, outside its own dark border).
void draw_control_picture(const control& c, const konfig& k, const situace& s)
{
    const zgl_rect& r = c.rect;
    ssprite2d_Draw(c.texture, r.x, r.y, r.w, r.h, 0.0f, 255, FX_BLEND);
    if (switch_of(c, k, s) == SWITCH_ON)
        for (float out = 0.0f; out <= 2.0f; out += 1.0f)
            pr2d_Rect(r.x - out, r.y - out, r.w + 2.0f * out, r.h + 2.0f * out, SWITCH_ON_COLOUR, 255, 0);
}

// One coefficient box in phasor mode: a grey square with white axes, the
// coefficient as a pointer from the centre (the right edge is +1, the top
// edge +i). Inside the unit square the pointer is black, with a dot at its
// tip and a faint circle of its modulus; outside it is red and clipped to
// the box's edge.
void draw_phasor(const zgl_rect& r, cplx c)
{
    const float cx = r.x + r.w / 2.0f;
    const float cy = r.y + r.h / 2.0f;
    pr2d_Rect(r.x, r.y, r.w, r.h, PHASOR_GREY, 255, PR2D_FILL);
    pr2d_Line(cx, r.y, cx, r.y + r.h, WHITE, 255);
    pr2d_Line(r.x, cy, r.x + r.w, cy, WHITE, 255);
    const double re = c.real();
    const double im = c.imag();
    uint32_t pointer = RED;
    if (std::fabs(re) <= 1.0 && std::fabs(im) <= 1.0) {
        pointer = BLACK;
        pr2d_Circle(static_cast<float>(r.x + (1.0 + re) * r.w / 2.0),
                    static_cast<float>(r.y + (1.0 - im) * r.h / 2.0), 2.0f, BLACK, 255, 32, PR2D_FILL);
        pr2d_Circle(cx, cy, static_cast<float>(std::abs(c) * r.h / 2.0), BLACK, 100, 32, 0);
    }
    const double tip_x = r.x + (1.0 + sgn(re) * std::min(std::fabs(re), 1.0)) * r.w / 2.0;
    const double tip_y = r.y + (1.0 - sgn(im) * std::min(std::fabs(im), 1.0)) * r.h / 2.0;
    pr2d_Line(cx, cy, static_cast<float>(tip_x), static_cast<float>(tip_y), pointer, 255);
}

// The open superposition panel: a translucent layer, the value/phasor
// switch and the ten boxes, each showing its coefficient's modulus or its
// phasor. The members are the controls after "pl_sup": the switch first,
// then the boxes.
void draw_panel(const shell_state& sh)
{
    const situace& s = sh.sit;
    zgl_font* f = sh.font;
    const control* c = find_control(sh.konf.controls, "pl_sup");
    if (c == nullptr)
        return;
    // The panel keeps its size on a large window, and so do its texts,
    // which must fit its boxes.
    text_SetScale(1.0f);
    // A translucent white layer over the panel (and the button under it).
    pr2d_Rect(c->rect.x, c->rect.y, c->rect.w, c->rect.h, WHITE, 100, PR2D_FILL);
    // The value/phasor switch.
    c = c->next;
    if (c == nullptr)
        return;
    assert(c->name == "tl_%" && "the value/phasor switch \"tl_%\" follows the panel \"pl_sup\"");
    ssprite2d_Draw(c->texture, c->rect.x, c->rect.y, c->rect.w, c->rect.h, 0.0f, 255, FX_BLEND);
    // The ten boxes.
    for (c = c->next; c != nullptr; c = c->next) {
        const int j = box_index(c);
        assert(j >= 0 && "only the boxes C0 .. C9 follow the switch");
        if (j < 0)
            continue;
        const cplx coef = s.coef[FIRST_COEF + j];
        const zgl_rect& r = c->rect;
        // The box's name stands left of it.
        text_Draw(f, r.x - 13.0f, r.y + 19.0f, c->name, TEXT_HALIGN_CENTER | TEXT_VALIGN_CENTER);
        if (!sh.phasor_mode) {
            // The modulus with at most two decimals, unless it is being typed.
            if (c != sh.entry.box) {
                const double modulus = round_even(std::abs(coef) * 100.0) / 100.0;
                text_DrawInRect(f, r, fmt_g(modulus), TEXT_VALIGN_CENTER);
            }
            pr2d_Rect(r.x, r.y + 9.0f, r.w, 20.0f, WHITE, 255, 0);
        } else {
            draw_phasor(r, box_shown(s, j, sh.konf.t));
        }
    }
}

// Appends the bytes of a plain value.
template <typename T> void put(std::string& b, const T& v)
{
    b.append(reinterpret_cast<const char*>(&v), sizeof v);
}

// An extended-precision value as two doubles that sum to it exactly (its
// padding bytes are not part of the value).
void put_long(std::string& b, long double v)
{
    const double hi = static_cast<double>(v);
    put(b, hi);
    put(b, static_cast<double>(v - hi));
}

// Everything a frame is drawn from, as bytes: the view and display settings,
// the system's parameters and coefficients (not the listing, which the
// frame writes), every control as shown, the control under the mouse, the
// typed entry, the panel's mode, the colour scheme, the font and what of the
// help shows.
// Whatever else a frame comes to
// draw from must be added here (or set frame_stale when it changes), or its
// changes will not show while time is stopped.
std::string frame_inputs(const shell_state& sh, const control* hover)
{
    const konfig& k = sh.konf;
    const situace& s = sh.sit;
    std::string b;
    b.reserve(4096);
    put(b, k.width);
    put(b, k.height);
    put(b, k.density);
    put(b, k.half_range);
    put_long(b, k.dt);
    put_long(b, k.t);
    for (bool flag : {k.show_labels, k.show_square, k.reim_mode, k.show_re, k.show_im, k.running,
                      k.random_walk, k.fullscreen, k.show_arrows, k.show_expectation})
        put(b, flag);
    put(b, k.arrow_texture);
    for (double v : {s.E, s.V1, s.V2, s.V3, s.a, s.x0})
        put(b, v);
    put(b, s.coef);
    for (cplx v : {s.N, s.k1, s.k2, s.k3})
        put(b, v);
    put(b, s.draw);
    put(b, s.kept_version);
    for (const control* c = k.controls; c != nullptr; c = c->next) {
        put(b, c);
        b += c->name;
        put(b, c->texture);
        put(b, c->rect);
        put(b, c->hover_rect);
        put(b, c->hover_alpha);
        put(b, c->hover_color);
        put(b, c->visible);
        put(b, c->active);
    }
    put(b, hover);
    put(b, sh.entry.box);
    b += sh.entry.text;
    put(b, sh.phasor_mode);
    put(b, sh.projector);
    put(b, sh.font);
    // What of the help shows: the start hint goes and a tooltip comes after
    // a while with no input at all.
    const help_state& help = sh.help;
    put(b, help.shown);
    put(b, !help.f1_used && help.ticks < HELP_HINT_TICKS);
    put(b, help_note_shown());
    b += help.note;
    put(b, help.rest_ticks >= HELP_REST_TICKS);
    b += help.rest_on;
    put(b, help.anchor_x);
    put(b, help.anchor_y);
    return b;
}

} // namespace

void draw_proc()
{
    // A frame only reads konfig; of situace it rebuilds the listing text.
    const konfig& konf = shell.konf;
    situace& sit = shell.sit;
    zgl_font* font = shell.font;
    control* hover = hit_test(konf.controls);
    if (!shell.frame_stale && frame_inputs(shell, hover) == shell.frame_inputs) {
        zgl_KeepFrame();
        return;
    }

    // Texts grow with a large window (but those of the superposition panel,
    // which keeps its size).
    const float text_scale = static_cast<float>(screen_of(konf).text_scale());
    text_SetScale(text_scale);

    // The engine's plot, and the listing for this frame in sit.text.
    if (sit.draw != nullptr)
        sit.draw(sit, konf, font);

    if (shell.entry.active()) {
        text_SetScale(1.0f);
        text_DrawInRect(font, shell.entry.box->rect, shell.entry.text, TEXT_VALIGN_CENTER);
    }
    text_SetScale(text_scale);

    // The listing: collapsed it shows only the time, expanded the engine's
    // text with the time line after it.
    if (control* listing = find_control(konf.controls, "vypis")) {
        const std::string time_line = time_text(konf.t);
        if (listing->active) {
            sit.text += "\n" + time_line;
            text_DrawInRect(font, listing->rect, sit.text, 0);
        } else {
            text_DrawInRect(font, listing->rect, time_line, 0);
        }
    }

    for (control* c = konf.controls; c != nullptr; c = c->next) {
        if (c->visible && c->texture != nullptr)
            draw_control_picture(*c, konf, sit);
        if (c->name == "tl_cas") {
            draw_step_label(c, konf, font);
        } else if (c->name == "tl_sup" && c->visible && c->active) {
            draw_panel(shell);
            text_SetScale(text_scale);
        }
    }

    // The highlight of the control under the mouse, never over the background.
    if (hover != nullptr && hover != konf.controls) {
        pr2d_Rect(hover->hover_rect.x, hover->hover_rect.y, hover->hover_rect.w, hover->hover_rect.h,
                  hover->hover_color, hover->hover_alpha, PR2D_FILL);
    }

    // Help overlay, start hint and tooltip, over everything else.
    help_draw(konf, sit, font, hover, shell.phasor_mode);

    // What this frame was drawn from, as the engine's draw left it (the
    // oscillator's draw sets its energy ceiling from the view).
    shell.frame_inputs = frame_inputs(shell, hover);
    shell.frame_stale = false;
}
