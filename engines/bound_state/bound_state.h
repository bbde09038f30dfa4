// What the two bound-state engines ("jama_inf" and "oscilator") share: the
// step procedure's three modes (random walk, pure state, superposition) with
// its pass over the control list, and the energy-level list. The engines
// differ here only in how they number their states and where a state's
// coefficient is stored, which `bound_kind` carries.
//
// State selector: situace.E > -1 selects the pure stationary state
// round(E); E <= -1 is a superposition of the ten states whose coefficients
// are coef[FIRST_COEF .. FIRST_COEF + COEF_COUNT - 1].
#pragma once

#include <string>

#include "engines/engine.h"

struct bound_kind {
    int first_state; // number of the lowest state: 1 in the well, 0 in the oscillator
    // State n keeps its coefficient in coef[n + element_offset]: 4 in the
    // well (state 1 in box C0), 5 in the oscillator (state 0 in box C0).
    int element_offset;
    // The energy of state n in eV rounded to hundredths, as the list shows
    // it. n is a double: in a pure state the well computes the energy from
    // the selector value itself.
    double (*energy_hundredths)(const situace& s, double n);
};

// The element of coef that holds state n's coefficient, or -1 when n lies
// outside the array (a selector no control can produce).
int bound_element(const bound_kind& kind, double n);

// The step procedure's work for both engines: with the random walk on, a
// superposition whose ten coefficients each move by -0.01, 0 or +0.01 in
// each part; in a pure state, the unit vector of that state (the ten boxes
// cleared, then the state's own element set to 1); otherwise the
// coefficients stay.
void bound_step(situace& s, konfig& k, const bound_kind& kind);

// One step of the random walk, in units of its step size: -1, 0 or +1,
// uniformly, from the runtime's generator (seeded from the clock at start;
// a test seeds it with srand).
int random_step();

// The energy-level list: `header` (empty, or a line the oscillator puts
// first), then "E(n;P): " and one line per state present: a line feed, the
// energy with "eV(", n, "; ", the probability in percent with one decimal
// and "%)". In a pure state only the selected state is listed; in a
// superposition every state of the ten whose coefficient is not exactly 0,
// and when their probabilities do not add up to 100 % (to one decimal) a
// last line "Σ=" with their sum in percent.
std::string level_list(const situace& s, const bound_kind& kind, const std::string& header);
