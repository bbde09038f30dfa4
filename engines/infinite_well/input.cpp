// The infinite well's controls: Right and Left change the width of the
// well, Up and Down choose the stationary state; and the layout, which lays
// the three potential strips over the walls' outsides and the well.
//
// Relies on: the key state of platform/zgl.h (the shell clears it every
// tick) and the list order of the controls, in which the third, fourth and
// fifth are the strips "V1", "V2", "V3". Nothing is recomputed here:
// setting `changed` makes the shell run layout and step at the end of the
// tick.
#include <algorithm>
#include <cmath>

#include "common/numtext.h"
#include "engines/infinite_well/infinite_well.h"
#include "engines/strips.h"

namespace {

// Width steps, internal units (0.4 nm each): 0.015 a tick, widening up to
// 5.0 (from 4.98 on, one step goes straight there), narrowing never below
// 0.02, so that the width, which every energy, frequency and the norm
// sqrt(2/L) divide by, stays positive.
constexpr double WIDTH_STEP = 0.015;
constexpr double WIDEST = 5.0;
constexpr double LAST_STEP_FROM = 4.98;
constexpr double NARROWEST = 0.02;

// v + d snapped to thousandths: round(1000 v + 1000 d) / 1000.
double thousandths(double v, double d)
{
    return round_even(1000.0 * v + 1000.0 * d) / 1000.0;
}

} // namespace

void infinite_well_input(situace& s, konfig&, control*, bool& changed)
{
    double& L = s.a;

    if (key_Down(K_RIGHT) || key_Press(K_RIGHT)) {
        L = L < LAST_STEP_FROM ? thousandths(L, WIDTH_STEP) : WIDEST;
        changed = true;
        return;
    }

    // Narrowing raises every level; it is refused when the selected one (in
    // a superposition, selector -1, the first) would reach the ceiling V2.
    // A refused Left goes on to the state keys below.
    if ((key_Down(K_LEFT) || key_Press(K_LEFT)) && s.V2 > well_level(s.E, L - WIDTH_STEP)) {
        if (L > NARROWEST)
            L = std::max(thousandths(L, -WIDTH_STEP), NARROWEST);
        changed = true;
        return;
    }

    // Up and Down choose the state wherever the mouse is (the potential
    // strips, hidden in this system, would otherwise have decided).
    if (key_Press(K_UP)) {
        if (s.E <= -1.0)
            s.E = 1.0; // out of the superposition, into the ground state
        else if (well_level(s.E + 1.0, L) < s.V2)
            s.E += 1.0;
        changed = true;
        return;
    }
    if (key_Press(K_DOWN)) {
        if (s.E > 1.0)
            s.E -= 1.0;
        changed = true;
    }
}

void infinite_well_layout(const situace& s, konfig& k)
{
    // V1 left of the left wall, V2 over the well (centred on 0, a units
    // wide), V3 right of the right wall.
    place_strips(k, -s.a / 2.0, s.a);
}

void infinite_well_clamp(situace& s, const konfig&)
{
    const system_record& d = JAMA_INF_SYSTEM;
    s.V1 = d.V1, s.V2 = d.V2, s.V3 = d.V3, s.x0 = d.x0;
    s.a = std::clamp(s.a, NARROWEST, WIDEST);
    if (!(s.E > -1.0)) {
        s.E = -1.0;
        return;
    }
    // E_n grows as n^2: no state above sqrt(ceiling / E_1) + 1 is below the
    // ceiling, which bounds the walk down.
    const double highest = std::ceil(std::sqrt(s.V2 / well_level(1.0, s.a))) + 1.0;
    s.E = std::clamp(round_even(s.E), 1.0, highest);
    while (s.E > 1.0 && !(well_level(s.E, s.a) < s.V2))
        s.E -= 1.0;
}
