// The infinite well's wave function written the plain way, as the reference
// for the engine's fast sampler: for every position and every state a sine
// and a complex exponential, with the constants written out here.
//   psi(x, t) = sum_n c_n sqrt(2/L) sin(n pi x / L) exp(-i E_n t / hbar),
//   E_n = (n pi hbar / L)^2 / 2m,
// over the pure state n = E (unit weight) or the ten states n = 1 .. 10
// with c_n = coef[n + 4].
#pragma once

#include <cmath>
#include <complex>

#include "engines/infinite_well/infinite_well.h"

namespace reference {

constexpr double PI = 3.141592654;       // the program's pi
constexpr double HBAR = 6.582119514e-16; // eV s
constexpr double TWO_M = 1.8218e-30;     // kg

inline double level(double n, double L)
{
    return std::pow(n * PI * HBAR / L, 2) / TWO_M;
}

inline cplx state(double n, double L, long double t, double x)
{
    const double phase = -static_cast<double>(static_cast<long double>(level(n, L) / HBAR) * t);
    return std::sqrt(2.0 / L) * std::sin(n * PI * x / L) * std::exp(cplx(0.0, phase));
}

// Has the signature of the engine's sampler, so the plot can be drawn with
// it too (the benchmark compares the two).
inline void direct_wave(const situace& s, long double t, const double* x, int count, cplx* out)
{
    for (int j = 0; j < count; ++j) {
        out[j] = 0.0;
        if (s.E > -1.0)
            out[j] = state(s.E, s.a, t, x[j]);
        else
            for (int n = 1; n <= 10; ++n)
                out[j] += s.coef[n + 4] * state(n, s.a, t, x[j]);
    }
}

// The system's defaults as the step leaves them: the ground state (box C0
// at 1), a ceiling of 50 eV, the width 2.5 units (1 nm).
inline situace default_well()
{
    situace s{};
    s.E = 1.0;
    s.V2 = 50.0;
    s.a = 2.5;
    s.coef[5] = 1.0;
    return s;
}

} // namespace reference
