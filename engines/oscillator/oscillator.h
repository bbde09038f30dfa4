// The harmonic oscillator, "oscilator": one particle in the potential
// V(x) = (m/2)(w x)^2. The state shown is one stationary state n (a
// Hermite function) or a superposition of the ten lowest, turning in time
// by their phase factors exp(-i w (n + 1/2) t).
//
// State in situace: E is the selected state n (numbered from 0), or -1 for
// a superposition of coef[5 + n], n = 0 .. 9; a is the angular frequency w
// in rad/s (1e15 .. 3e15); V1 is the energy ceiling in eV, which every
// draw rewrites from the shown half range. Lengths are in the internal
// unit of 0.4 nm, energies in eV, times in seconds.
#pragma once

#include <cstddef>
#include <string>

#include "engines/engine.h"
#include "engines/expectation.h"

// The four procedures the shell calls.
extern const system_record OSCILATOR_SYSTEM;
void oscillator_draw(situace& s, const konfig& k, zgl_font* font);
void oscillator_input(situace& s, konfig& k, control* hit, bool& changed);
void oscillator_step(situace& s, konfig& k);
void oscillator_layout(const situace& s, konfig& k);
// The plotted samples, with the parabola's potential at each.
void oscillator_sample(const situace& s, const konfig& k, std::vector<wave_sample>& out);
// omega within the arrows' limits, a pure state whole, at most the arrows'
// highest and below the ceiling of the range (or -1, a superposition); the
// unused fields at their defaults (the step sets the ceiling V1).
void oscillator_clamp(situace& s, const konfig& k);

// ---- The model ---------------------------------------------------------------

// The highest state number the engine evaluates: state n keeps its
// coefficient in coef[n + 5], so n = 95 is the last with room in coef. (The
// arrow keys reach 31 at most.)
constexpr int OSC_MAX_STATE = 95;

// The energy ceiling of the diagram, eV, for the shown half range K
// (internal units): hbar * 2.5e15 * K, 4.9365896355 eV at K = 3. Zooming
// out raises it, which lets higher states be selected.
double oscillator_ceiling(double half_range);
// The same divided by hbar, rad/s: a level n lies below the ceiling while
// (n + 1/2) w is below this. Worked out on its own so that its whole
// numbers stay exact.
double oscillator_ceiling_rate(double half_range);
// E_n = hbar w (n + 1/2), eV.
double level_energy(double omega, double n);
// V(x) = (m/2)(w x)^2, eV, for x in internal units.
double oscillator_potential(double omega, double x);
// The classical turning point of level n, internal units: V(+-x_n) = E_n.
double turning_point(double omega, double n);
// The pure state selected by E, or -1 in a superposition (or for a
// selector no state of 0 .. OSC_MAX_STATE answers to).
int selected_state(const situace& s);
// exp(-i w (n + 1/2) t), t in seconds.
cplx phase_factor(double omega, int n, double t);

// psi(x[j], t) of the state in situace for the count positions x (internal
// units), into psi[j]; t in seconds.
using oscillator_sampler = void (*)(const situace& s, double t, const double* x, size_t count, cplx* psi);
// The program's sampler: the normalisations and phase factors once per
// call, one exponential per position, and one normalised Hermite recurrence
// per position shared by every state present.
void oscillator_wave(const situace& s, double t, const double* x, size_t count, cplx* psi);
// The draw with psi taken from `sampler` (oscillator_draw passes
// oscillator_wave); lets a reference evaluation be drawn and timed the
// same way.
void oscillator_draw_with(situace& s, const konfig& k, zgl_font* font, oscillator_sampler sampler);

// <x> (from the centre), dx, <E> and dE of the state shown at time t (s):
// the pure state, or the normalised superposition of the ten. False when
// there is none (all coefficients 0, a selector beyond the states).
bool oscillator_expectation(const situace& s, double t, expectation_values& out);

// The phase factor of the state in panel box j (state j) at time t.
cplx oscillator_box_phase(const situace& s, int box, long double t);

// Key K: the coherent state of amplitude alpha = 2, c_n proportional to
// alpha^n / sqrt(n!), cut at n = 9 and normalised, as a superposition: it
// starts at rest at <x> = 2 sqrt(2) sqrt(hbar / (m w)) and swings like a
// classical particle.
void oscillator_packet(situace& s);

// The energy-level list: "w = ... fs^-1", then the bound-state list with
// the states numbered from 0.
std::string oscillator_list(const situace& s);
// UTF-16 text as UTF-8 (the listing and the width label are composed as
// wide text).
std::string utf8_of(const std::u16string& text);
