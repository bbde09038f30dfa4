// The three-region controls: the arrow keys, the wheel and left-button
// drags over the three region strips "V1", "V2", "V3" change the energy, the
// potentials and the width and place of the middle region.
//
// Relies on: the key and mouse state of platform/zgl.h (the shell clears it
// every tick) and the drag anchor drag_x, drag_y that the shell records at
// the start of a left-button press. Nothing is recomputed here: setting
// `changed` makes the shell run layout and step at the end of the tick.
#include <algorithm>
#include <cstdint>

#include "common/numtext.h"
#include "engines/screen_map.h"
#include "engines/three_region/packet_mode.h"
#include "engines/three_region/three_region.h"

namespace {

// [ and ] make the packet 10 % narrower or wider.
constexpr double PACKET_NARROWER = 0.9;
constexpr double PACKET_WIDER = 1.1;

// Both edges of the middle region stay within -0.9 L .. 0.9 L.
constexpr double EDGE_LIMIT = 0.9;
// Right and Left per tick, in thousandths of an internal unit (the keys
// keep x0 and a on whole thousandths): Shift moves the region by 9, without
// Shift its width changes by 6.
constexpr double MOVE_THOUSANDTHS = 9.0;
constexpr double WIDTH_THOUSANDTHS = 6.0;
// The move step in internal units (0.009): a step that would take the right
// edge past the limit puts it on the limit instead.
constexpr double MOVE_STEP = MOVE_THOUSANDTHS / 1000.0;
// Left narrows the region by a width step only while it is at least this
// wide (0.009 units); a narrower region is removed at once (a = 0).
constexpr double NARROWEST_STEPPED_WIDTH = 0.009;

// The potential of the strip under the mouse, or null over anything else.
double* strip_potential(situace& s, const control* hit)
{
    if (!hit)
        return nullptr;
    if (hit->name == "V1")
        return &s.V1;
    if (hit->name == "V2")
        return &s.V2;
    if (hit->name == "V3")
        return &s.V3;
    return nullptr;
}

// Up and Down: the step size n in thousandths (of an eV for the energy):
// fine, or coarse with Shift or the right button held, and a bonus when the
// wheel turned the way being handled, so a wheel notch counts for more than
// one 10 ms tick of a held key.
constexpr uint8_t FINE_STEP = 10;
constexpr uint8_t COARSE_STEP = 40;
constexpr uint8_t WHEEL_BONUS = 10;

uint8_t step_size(int wheel_dir)
{
    uint8_t n = FINE_STEP;
    if (key_Down(K_SHIFT) || mouse_Down(M_BRIGHT))
        n = COARSE_STEP;
    if (mouse_Wheel(wheel_dir))
        n += WHEEL_BONUS;
    return n;
}

// The step of a potential for a step size of n thousandths, in thousandths
// of an eV: 5 n + 35, so a potential moves 0.085 eV per tick of a held key
// (n = 10) against the energy's 0.010.
double potential_step(uint8_t n)
{
    return 5.0 * n + 35.0;
}

// Snapped to thousandths: round(1000 v + d) / 1000.
double thousandths(double v, double d)
{
    return round_even(1000.0 * v + d) / 1000.0;
}

// One tick of a left-button drag over a strip; returns false over any other
// control. A step that would push an edge beyond the limit is refused
// whole; a width dragged below zero collapses to 0.
bool drag(situace& s, const konfig& k, const control* hit)
{
    if (!hit)
        return false;
    const double L = k.half_range;
    const double lim = EDGE_LIMIT * L;
    // The mouse movement since the anchor, in internal units: the inverse
    // of the plot's mapping.
    const double delta = screen_of(k).units(static_cast<double>(mouse_X() - k.drag_x));
    if (hit->name == "V1") {
        // The left edge follows the mouse, the right edge x0 + a stays.
        if (s.a > delta && s.x0 + delta > -lim) {
            s.x0 += delta;
            s.a -= delta;
        } else if (s.a < delta) {
            s.x0 += s.a;
            s.a = 0.0;
        }
        return true;
    }
    if (hit->name == "V2") {
        // The whole region moves.
        if (s.x0 + s.a + delta < lim && s.x0 + delta > -lim)
            s.x0 += delta;
        return true;
    }
    if (hit->name == "V3") {
        // The right edge follows the mouse, x0 stays.
        if (s.a + delta > 0.0 && s.x0 + s.a + delta < lim)
            s.a += delta;
        else if (s.a + delta < 0.0)
            s.a = 0.0;
        return true;
    }
    return false;
}

} // namespace

void three_region_input(situace& s, konfig& k, control* hit, bool& changed)
{
    const double lim = EDGE_LIMIT * k.half_range;

    // The packet: W or its button turn the mode on and off, [ and ] make
    // it narrower or wider; the step starts it afresh.
    if (key_Press(K_W) || (mouse_Click(M_BLEFT) && hit != nullptr && hit->name == "tl_pkt")) {
        packet_toggle(s, k);
        changed = true;
        return;
    }
    if (key_Press(K_LBRACKET) || key_Press(K_RBRACKET)) {
        packet_widen(s, key_Press(K_LBRACKET) ? PACKET_NARROWER : PACKET_WIDER);
        changed = true;
        return;
    }

    // Right: widen the region to the right, or with Shift move it right; a
    // step that would cross the limit puts the right edge on it. After the
    // range was narrowed the left edge itself may lie beyond the limit: the
    // width then becomes 0, never negative (a negative width would draw the
    // region's lines backwards, past the plot).
    if (key_Down(K_RIGHT)) {
        const bool room = s.x0 + s.a < lim - MOVE_STEP;
        if (key_Down(K_SHIFT))
            s.x0 = room ? thousandths(s.x0, MOVE_THOUSANDTHS) : lim - s.a;
        else
            s.a = room ? thousandths(s.a, WIDTH_THOUSANDTHS) : std::max(0.0, lim - s.x0);
        changed = true;
        return;
    }

    // Left: narrow the region from the right, or with Shift move it left.
    if (key_Down(K_LEFT)) {
        if (key_Down(K_SHIFT))
            s.x0 = s.x0 >= -lim + MOVE_STEP ? thousandths(s.x0, -MOVE_THOUSANDTHS) : -lim;
        else
            s.a = s.a >= NARROWEST_STEPPED_WIDTH ? thousandths(s.a, -WIDTH_THOUSANDTHS) : 0.0;
        changed = true;
        return;
    }

    // Up: over a strip its potential rises by (5 n + 35) meV, snapped to
    // thousandths; elsewhere the energy rises by n meV (no snapping here: the
    // step pulls it onto a bound state when it comes close to one).
    if (key_Down(K_UP) || mouse_Wheel(M_WUP)) {
        const uint8_t n = step_size(M_WUP);
        if (double* v = strip_potential(s, hit))
            *v = thousandths(*v, potential_step(n));
        else
            s.E = s.E + n / 1000.0;
        changed = true;
        return;
    }

    // Down: the same steps downwards; nothing goes below 0 eV.
    if (key_Down(K_DOWN) || mouse_Wheel(M_WDOWN)) {
        const uint8_t n = step_size(M_WDOWN);
        if (double* v = strip_potential(s, hit)) {
            *v = thousandths(*v, -potential_step(n));
            if (*v < 0.0)
                *v = 0.0;
        } else {
            s.E = s.E - n / 1000.0;
            if (s.E < 0.0)
                s.E = 0.0;
        }
        changed = true;
        return;
    }

    // Left button held: follow the drag, then move the anchor to the mouse
    // so that the next tick measures only the new movement.
    if (mouse_Down(M_BLEFT)) {
        if (drag(s, k, hit)) {
            k.drag_x = mouse_X();
            k.drag_y = mouse_Y();
        }
        changed = true;
    }
}

void three_region_clamp(situace& s, const konfig& k)
{
    for (double* v : {&s.E, &s.V1, &s.V2, &s.V3})
        *v = std::clamp(*v, 0.0, THREE_REGION_MOST_EV);
    // The edges stay where a drag or the arrow keys can take them.
    const double lim = EDGE_LIMIT * k.half_range;
    s.x0 = std::clamp(s.x0, -lim, lim);
    s.a = std::clamp(s.a, 0.0, lim - s.x0);
}
