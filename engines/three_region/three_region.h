// The three-region engine: "volna", "bariera" and "jama". A particle of
// energy E over a potential that is constant on three regions; the
// stationary state is solved in closed form.
#pragma once

#include "app/records.h"
#include "common/constants.h"

// Which wave comes in; decides the norm integral.
enum class incidence { none, from_right, from_left };

// Wave numbers k1, k2, k3 and the six coefficients coef[0..5] from E, V1,
// V2, V3, a, x0. Divisions are not guarded: a zero denominator leaves
// non-finite coefficients, which the step's norm guard absorbs.
incidence solve_stationary(situace& s);
// Pulls E onto a bound state of a well (V2 below V1 and V3) when it lies
// within 0.01 eV of one. Returns whether it snapped.
bool snap_to_bound_state(situace& s);

void three_region_step(situace& s, konfig& k);
void three_region_layout(const situace& s, konfig& k);
void three_region_draw(situace& s, const konfig& k, zgl_font* font);
void three_region_input(situace& s, konfig& k, control* hit, bool& changed);
