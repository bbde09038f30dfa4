// The oscillator's wave function by the plain formula, as the reference
// for the engine's fast evaluation (tests) and its speed (benchmark): at
// every position and for every state, the Hermite polynomial by
//   H_0 = 1, H_1 = 2 xi, H_k = 2 xi H_(k-1) - 2 (k - 1) H_(k-2),
// n! as a product, 2^n and the fourth root by pow, the Gaussian by exp and
// the phase factor exp(-i w (n + 1/2) t) by the complex exponential:
//   psi_n(x) = (m w / (pi hbar))^(1/4) H_n(xi) exp(-xi^2 / 2) / sqrt(2^n n!),
//   xi = x sqrt(m w / hbar).
#pragma once

#include <cmath>
#include <complex>
#include <cstddef>

#include "engines/engine.h"
#include "common/constants.h"

inline double reference_state(int n, double omega, double x)
{
    const double xi = x * std::sqrt(MASS * omega / HBAR);
    double h_prev = 1.0, h = 1.0;
    if (n >= 1)
        h = 2.0 * xi;
    for (int k = 2; k <= n; ++k) {
        const double next = 2.0 * xi * h - 2.0 * (k - 1) * h_prev;
        h_prev = h;
        h = next;
    }
    double factorial = 1.0;
    for (int k = 2; k <= n; ++k)
        factorial *= k;
    const double norm = 1.0 / std::sqrt(std::pow(2.0, n) * factorial);
    return norm * std::pow(MASS * omega / 2.067833831293245e-15, 0.25) * h * std::exp(-xi * xi / 2.0);
}

inline cplx reference_phase(int n, double omega, double t)
{
    return std::exp(cplx(0.0, -1.0) * omega * (n + 0.5) * t);
}

// The same signature as the engine's sampler: a pure state (E > -1) with
// unit weight, or the sum over the ten panel states.
inline void reference_wave(const situace& s, double t, const double* x, size_t count, cplx* psi)
{
    for (size_t j = 0; j < count; ++j) {
        if (s.E > -1.0) {
            const int n = static_cast<int>(std::nearbyint(s.E));
            psi[j] = reference_state(n, s.a, x[j]) * reference_phase(n, s.a, t);
            continue;
        }
        cplx sum(0.0, 0.0);
        for (int n = 0; n < COEF_COUNT; ++n)
            sum += s.coef[FIRST_COEF + n] * reference_state(n, s.a, x[j]) * reference_phase(n, s.a, t);
        psi[j] = sum;
    }
}
