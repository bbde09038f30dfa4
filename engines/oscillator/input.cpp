// The oscillator's controls: the arrow keys change the angular frequency
// (Right, Left) and the selected state (Up, Down), each only while the
// selected level stays below the energy ceiling. The layout places the
// region strips "V1", "V2", "V3" around the central region of width
// w / 1e15 units, as the well's layout does; the step keeps them hidden
// in this system.
//
// Relies on: the key state of platform/zgl.h (the shell clears it every
// tick) and the control list order of the shell: counted from the head,
// the third, fourth and fifth controls are the strips.

#include <algorithm>

#include "common/numtext.h"
#include "engines/oscillator/oscillator.h"
#include "engines/strips.h"

namespace {

// Angular frequency limits and step, rad/s: 1.0e15, 1.1e15, ... 3.0e15,
// all whole numbers and so exact in a double.
constexpr double OMEGA_MIN = 1e15;
constexpr double OMEGA_MAX = 3e15;
constexpr double OMEGA_STEP = 1e14;
// The highest state the Up arrow selects.
constexpr double STATE_MAX = 31.0;

} // namespace

void oscillator_input(situace& s, konfig& k, control*, bool& changed)
{
    double& omega = s.a;
    double& n = s.E; // -1 in a superposition
    const double limit = oscillator_ceiling_rate(k.half_range);
    // Only the first key pressed acts; a refused change still counts as a
    // change, so the shell runs layout and step (and a pure state's
    // coefficients are set again).
    if (key_Press(K_RIGHT)) {
        if (omega < OMEGA_MAX && (n + 0.5) * (omega + OMEGA_STEP) < limit)
            omega += OMEGA_STEP;
    } else if (key_Press(K_LEFT)) {
        if (omega > OMEGA_MIN)
            omega -= OMEGA_STEP;
    } else if (key_Press(K_UP)) {
        // From a superposition (n = -1) this selects the ground state.
        if (n <= STATE_MAX - 1.0 && (n + 1.0 + 0.5) * omega < limit)
            n += 1.0;
    } else if (key_Press(K_DOWN)) {
        if (n > 0.0)
            n -= 1.0;
    } else {
        return;
    }
    changed = true;
}

void oscillator_layout(const situace& s, konfig& k)
{
    // The central strip is a / 1e15 internal units wide (1 unit = 0.4 nm
    // at the lowest frequency), centred on the potential's minimum.
    place_strips(k, -s.a / 2e15, s.a / 1e15);
}

void oscillator_clamp(situace& s, const konfig& k)
{
    const system_record& d = OSCILATOR_SYSTEM;
    s.V2 = d.V2, s.V3 = d.V3, s.x0 = d.x0;
    s.a = std::clamp(s.a, OMEGA_MIN, OMEGA_MAX);
    if (!(s.E > -1.0)) {
        s.E = -1.0;
        return;
    }
    const double limit = oscillator_ceiling_rate(k.half_range);
    s.E = std::clamp(round_even(s.E), 0.0, STATE_MAX);
    while (s.E > 0.0 && !((s.E + 0.5) * s.a < limit))
        s.E -= 1.0;
}
