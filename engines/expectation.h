// Expectation values: where the particle is on average (<x>), how far its
// position is spread (dx), and the same for its energy; their marker on the
// plot and their lines in the listing.
//
// A bound state is a sum of stationary states n with amplitudes a_n (each
// coefficient already turned by its phase factor at the time shown). With
// the matrix elements <m|x|n> and <m|x^2|n> between the states, which each
// engine knows in closed form, every moment is a double sum over the states
// present, so nothing is integrated over the plot's samples.
//
// Relies on: the screen mapping (engines/screen_map.h), the drawing calls
// of platform/zgl.h and the number text of common/numtext.h.
#pragma once

#include <cstdint>
#include <string>

#include "engines/engine.h"
#include "engines/screen_map.h"

// The marker's colour, 0xRRGGBB: orange, unlike any curve or level.
constexpr uint32_t EXPECTATION_COLOUR = 0xFF8000;

struct expectation_values {
    double x;  // <x>, internal length units, in the engine's own coordinate
    double dx; // the spread sqrt(<x^2> - <x>^2), internal units
    double E;  // <E>, eV
    double dE; // the spread of the energy, eV
};

// The stationary states of a bound state with their amplitudes and energies
// (a pure state is one of them with amplitude 1). The amplitudes need not be
// normalised: every value is taken for the normalised state.
struct state_mix {
    static constexpr int MAX = COEF_COUNT;
    int count = 0;
    int n[MAX];         // state numbers, as the engine numbers them
    cplx a[MAX];        // amplitudes at the time shown
    double energy[MAX]; // E_n, eV

    // Adds state n unless its amplitude is 0 or the mix is full.
    void add(int state, cplx amplitude, double e);
};

// <m|x|n> or <m|x^2|n> of an engine, internal units (squared), for its
// state numbers m and n and its one parameter p (the well's width, the
// oscillator's frequency).
using matrix_element = double (*)(int m, int n, double p);

// The expectation values of the normalised mix. False (and `out` left
// alone) when the mix is empty or its norm is not a positive finite number.
bool mix_expectation(const state_mix& mix, matrix_element x, matrix_element x2, double p,
                     expectation_values& out);

// The marker: a vertical line at `mean` across the wave plot (from 20 px
// below the window's top to 20 px above the energy diagram), and a bar three
// pixels thick along the zero line from mean - spread to mean + spread.
// `mean` and `spread` are in the plot's own coordinate (internal units, 0 in
// the middle of the plot); what lies outside the plotted range is left out.
void draw_expectation_marker(const screen_map& m, double mean, double spread);

// The listing's lines, each after a line feed: "<x>=" and "Δx=" in nm, and
// with `energies` "<E>=" and "ΔE=" in eV, all to two decimals in the user's
// number format.
std::string expectation_lines(const expectation_values& v, bool energies);
