// The infinite well's physics: level energies, phase factors, the wave
// function at the plot's sample positions, the step procedure and the
// energy-level list.
//
// Relies on: the constants of common/constants.h (the program's ten-digit
// pi among them) and the step and list shared with the oscillator in
// engines/bound_state.
#include <cmath>

#include "common/constants.h"
#include "common/numtext.h"
#include "engines/bound_state/bound_state.h"
#include "engines/infinite_well/infinite_well.h"

namespace {

// State n (1 .. 10) keeps its coefficient in coef[n + 4], shown in box
// C(n - 1).
constexpr int FIRST_STATE = 1;
constexpr int ELEMENT_OFFSET = 4;

double level_hundredths(const situace& s, double n)
{
    return round_even(100.0 * well_level(n, s.a)) / 100.0;
}

const bound_kind WELL_KIND = {FIRST_STATE, ELEMENT_OFFSET, level_hundredths};

} // namespace

double well_level(double n, double L)
{
    // With lengths in the internal unit, (n pi hbar / L)^2 / 2m comes out
    // in eV directly (common/constants.h).
    const double p = n * PI * HBAR / L;
    return p * p / TWO_M;
}

cplx well_phase(double n, double L, long double t)
{
    // omega_n t = (n pi / L)^2 hbar t / 2m, formed in that order, with t in
    // extended precision: after a long run omega_n t reaches many thousand
    // radians, and the phase should not lose digits to it.
    const double k = n * PI / L;
    const long double angle = static_cast<long double>(k * k * HBAR) * t / TWO_M;
    return cplx(static_cast<double>(std::cos(angle)), static_cast<double>(-std::sin(angle)));
}

void sample_wave(const situace& s, long double t, const double* x, int count, cplx* out)
{
    const double L = s.a;
    const double root = std::sqrt(2.0 / L); // normalises sin^2 over the width L

    if (s.E > -1.0) {
        // A pure state: one sine a sample, its phase factor once.
        const double n = s.E;
        const cplx f = root * well_phase(n, L, t);
        for (int j = 0; j < count; ++j)
            out[j] = std::sin(n * PI * x[j] / L) * f;
        return;
    }

    // A superposition: each state's coefficient, norm and phase factor
    // depend on time only, so they are joined once into one weight.
    double wr[COEF_COUNT], wi[COEF_COUNT];
    for (int j = 0; j < COEF_COUNT; ++j) {
        const int n = FIRST_STATE + j;
        const cplx w = s.coef[n + ELEMENT_OFFSET] * well_phase(n, L, t) * root;
        wr[j] = w.real();
        wi[j] = w.imag();
    }
    const double k1 = PI / L; // wave number of the ground state, 1/internal unit
    for (int j = 0; j < count; ++j) {
        // sin(n theta) for n = 1 .. 10 from sin theta and cos theta by angle
        // addition: sin((n+1) theta) = sin(n theta) cos theta + cos(n theta)
        // sin theta, and the same for the cosine. Each step is a rotation, so
        // rounding errors do not grow beyond a few units in the last place.
        const double theta = k1 * x[j];
        const double s1 = std::sin(theta), c1 = std::cos(theta);
        double sn = s1, cn = c1;
        double re = wr[0] * sn, im = wi[0] * sn;
        for (int m = 1; m < COEF_COUNT; ++m) {
            const double next_s = sn * c1 + cn * s1;
            cn = cn * c1 - sn * s1;
            sn = next_s;
            re += wr[m] * sn;
            im += wi[m] * sn;
        }
        out[j] = cplx(re, im);
    }
}

std::string well_level_list(const situace& s)
{
    return level_list(s, WELL_KIND, "");
}

void infinite_well_step(situace& s, konfig& k)
{
    bound_step(s, k, WELL_KIND);
}
