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

// <m|x|n> for x from the left wall: L/2 on the diagonal; between two states
// of the same parity about the middle (m + n even) nothing, otherwise
// -8 L m n / (pi^2 (m^2 - n^2)^2), the integral of x sin(m pi x/L)
// sin(n pi x/L) taken by parts.
double well_x(int m, int n, double L)
{
    if (m == n)
        return L / 2.0;
    if ((m + n) % 2 == 0)
        return 0.0;
    const double d = static_cast<double>(m * m - n * n);
    return -8.0 * L * m * n / (PI * PI * d * d);
}

// <m|x^2|n>: L^2 (1/3 - 1/(2 pi^2 n^2)) on the diagonal, otherwise
// (-1)^(m+n) 8 L^2 m n / (pi^2 (m^2 - n^2)^2).
double well_x2(int m, int n, double L)
{
    if (m == n)
        return L * L * (1.0 / 3.0 - 1.0 / (2.0 * PI * PI * n * n));
    const double d = static_cast<double>(m * m - n * n);
    const double sign = (m + n) % 2 == 0 ? 1.0 : -1.0;
    return sign * 8.0 * L * L * m * n / (PI * PI * d * d);
}

// Key K: the packet is centred a quarter of the width from the left wall,
// with the width sigma = L/10 of its wave function (its density spreads by
// sigma/sqrt 2); the projection is integrated by Simpson's rule over this
// many intervals, far more than the tenth state's five wavelengths need.
constexpr double PACKET_CENTRE = 0.25;
constexpr double PACKET_SIGMA = 0.1;
constexpr int PACKET_INTERVALS = 2000;

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

bool well_expectation(const situace& s, long double t, expectation_values& out)
{
    const double L = s.a;
    state_mix mix;
    if (s.E > -1.0) {
        // The pure state's own energy comes from the selector, as the list's.
        const double n = round_even(s.E);
        if (n >= 1.0 && n <= 1e6)
            mix.add(static_cast<int>(n), cplx(1.0, 0.0), well_level(s.E, L));
    } else {
        for (int j = 0; j < COEF_COUNT; ++j) {
            const int n = FIRST_STATE + j;
            mix.add(n, s.coef[n + ELEMENT_OFFSET] * well_phase(n, L, t), well_level(n, L));
        }
    }
    if (!(L > 0.0))
        return false;
    return mix_expectation(mix, well_x, well_x2, L, out);
}

cplx well_box_phase(const situace& s, int box, long double t)
{
    return well_phase(FIRST_STATE + box, s.a, t);
}

void well_packet(situace& s)
{
    const double L = s.a;
    if (!(L > 0.0))
        return;
    const double centre = PACKET_CENTRE * L, sigma = PACKET_SIGMA * L;
    const double h = L / PACKET_INTERVALS;
    double c[COEF_COUNT] = {};
    for (int i = 0; i <= PACKET_INTERVALS; ++i) {
        const double x = i * h;
        const double weight = (i == 0 || i == PACKET_INTERVALS) ? 1.0 : (i % 2 == 1 ? 4.0 : 2.0);
        const double u = (x - centre) / sigma;
        const double g = weight * std::exp(-0.5 * u * u);
        for (int j = 0; j < COEF_COUNT; ++j)
            c[j] += g * std::sin((FIRST_STATE + j) * PI * x / L);
    }
    double norm = 0.0;
    for (double v : c)
        norm += v * v;
    if (!(norm > 0.0))
        return;
    s.E = -1.0;
    for (int j = 0; j < COEF_COUNT; ++j)
        s.coef[FIRST_STATE + j + ELEMENT_OFFSET] = cplx(c[j] / std::sqrt(norm), 0.0);
}

void infinite_well_step(situace& s, konfig& k)
{
    bound_step(s, k, WELL_KIND);
}
