// The infinite square well, "jama_inf": one particle between two walls of
// infinite height, shown in one stationary state or in a superposition of
// the ten lowest, each turning by its own phase factor.
//
// Fields of situace as this engine reads them: E is the state selector (the
// pure state n, a whole number, or -1 and below for the superposition), V2
// the energy ceiling in eV (the top of the energy diagram and the limit of
// the state choice), a the well width L in internal units (0.4 nm each),
// coef[n + 4] the coefficient of state n = 1 .. 10. Positions x are
// measured from the left wall: the well is 0 < x <= L.
#pragma once

#include <string>

#include "engines/engine.h"
#include "engines/expectation.h"

// Energy of state n in a well of width L (internal units):
// E_n = (n pi hbar / L)^2 / 2m, in eV. n is a real number: in a pure state
// it is the selector itself.
double well_level(double n, double L);

// The phase factor exp(-i omega_n t) of state n at time t (s), with
// omega_n = hbar (n pi / L)^2 / 2m = E_n / hbar in rad/s.
cplx well_phase(double n, double L, long double t);

// Fills out[j] with psi(x[j], t) for the count positions x[j], all inside
// the well (0 < x <= L): the pure state's psi_n(x) f_n(t), or the sum of
// coef[n + 4] psi_n(x) f_n(t) over n = 1 .. 10 in a superposition, with
// psi_n(x) = sqrt(2/L) sin(n pi x / L).
using well_sampler = void (*)(const situace& s, long double t, const double* x, int count, cplx* out);

// The sampler the plot uses: the phase factors once for all positions, and
// in a superposition the ten sines at one position from one sine and one
// cosine by angle addition.
void sample_wave(const situace& s, long double t, const double* x, int count, cplx* out);

// The energy-level list "E(n;P): " with one line per state present (the
// selected state, or every state of the ten with a non-zero coefficient).
std::string well_level_list(const situace& s);

// <x> (from the left wall), dx, <E> and dE of the state shown at time t:
// the pure state, or the normalised superposition of the ten. False for a
// state with nothing to take them of (state 0, all coefficients 0).
bool well_expectation(const situace& s, long double t, expectation_values& out);

// The phase factor of the state in panel box j (state j + 1) at time t.
cplx well_box_phase(const situace& s, int box, long double t);

// Key K: a Gaussian exp(-(x - L/4)^2 / (2 sigma^2)), sigma = L/10, at
// rest, projected on the ten states and normalised, as a superposition.
void well_packet(situace& s);

// The plot with a given sampler (infinite_well_draw passes sample_wave).
void infinite_well_plot(situace& s, const konfig& k, zgl_font* font, well_sampler sampler);

extern const system_record JAMA_INF_SYSTEM;
void infinite_well_draw(situace& s, const konfig& k, zgl_font* font);
void infinite_well_input(situace& s, konfig& k, control* hit, bool& changed);
// The plotted samples: psi inside the well, 0 outside, where the
// potential is infinite.
void infinite_well_sample(const situace& s, const konfig& k, std::vector<wave_sample>& out);
// The width within the arrows' limits, a pure state whole and below the
// ceiling (or -1, a superposition); the ceiling and the unused fields at
// their defaults.
void infinite_well_clamp(situace& s, const konfig& k);
void infinite_well_step(situace& s, konfig& k);
void infinite_well_layout(const situace& s, konfig& k);
