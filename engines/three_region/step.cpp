// The three-region step: snaps E onto a bound state of a well when it is
// close to one, solves the stationary state and integrates |psi|^2 for the
// plot's scale.
//
// Relies on solve_stationary (model.cpp).
#include "engines/three_region/packet_mode.h"
#include "engines/three_region/three_region.h"

#include <algorithm>
#include <cmath>

namespace {

// How far from E the snap's scan looks, and how close E must be to the
// scan point past a minimum to snap, eV.
constexpr double SCAN_REACH = 0.5;
constexpr double SNAP_DISTANCE = 0.01;

// Length of the stretch of the incoming side the norm integrates, internal
// units (0.4 nm each): 6 where the incoming side oscillates, so the plot's
// scale averages over a few wavelengths; 3 otherwise.
constexpr double WINDOW_DECAYING = 3.0;
constexpr double WINDOW_OSCILLATING = 6.0;

} // namespace

double well_residual(const situace& s, double e)
{
    const double q = std::sqrt(TWO_M * (e - s.V2)) / HBAR;
    const double p = std::sqrt(e - s.V2);
    const double s1 = std::sqrt(s.V1 - e);
    const double s3 = std::sqrt(s.V3 - e);
    return std::fabs(std::cos(q * s.a) * p * (s3 + s1) + std::sin(q * s.a) * (s1 * s3 - (e - s.V2)));
}

bool snap_to_bound_state(situace& s)
{
    // Only a well: the middle region strictly below both sides.
    if (!(s.V2 < s.V1 && s.V2 < s.V3))
        return false;
    const double from = std::max(s.E - SCAN_REACH, s.V2);
    const double to = std::min({s.V1, s.V3, s.E + SCAN_REACH});
    bool snapped = false;
    scan_well(s, from, to, 0.0, [&](double e) {
        if (std::fabs(s.E - e) < SNAP_DISTANCE && e != s.V2) {
            s.E = e;
            snapped = true;
        }
        return snapped;
    });
    return snapped;
}

namespace {

// Integral of |psi|^2 for the plot's scale, by which side the wave comes
// in from. Also sets the window length.
cplx norm_integral(const situace& s, incidence which, double& window)
{
    const cplx A1 = s.coef[0], B1 = s.coef[1], A2 = s.coef[2], B2 = s.coef[3], A3 = s.coef[4], B3 = s.coef[5];
    const cplx k1 = s.k1, k2 = s.k2, k3 = s.k3;
    const double x0 = s.x0, a = s.a, b = s.x0 + s.a;

    if (which == incidence::none)
        return cplx(1.0, 0.0);

    if (which == incidence::from_right) {
        // Region 3 from b to b + w; k3 is real here. The cross terms
        // integrate exp(+-2i k3 x); the diagonal |A3|^2 + |B3|^2 with
        // B3 = 1.
        window = WINDOW_OSCILLATING;
        const double w = window;
        cplx N = cdiv(A3 * std::conj(B3) *
                              (std::exp(2.0 * I_UNIT * k3 * (b + w)) - std::exp(2.0 * I_UNIT * k3 * b)) +
                          std::conj(A3) * B3 *
                              (std::exp(-2.0 * I_UNIT * k3 * b) - std::exp(-2.0 * I_UNIT * k3 * (b + w))),
                      2.0 * I_UNIT * k3);
        N.real(N.real() + (norm2(A3) + 1.0) * w);
        return N;
    }

    if (k1.imag() == 0.0) {
        // Decaying on the left, and then (E >= V2, E <= V3) also on the
        // right or flat there: the whole line. k1 real, k2 imaginary, k3
        // imaginary. B1 is left out: it is the part that grows without
        // bound to the left, zero for a snapped bound state.
        cplx N = cdiv(A2 * std::conj(B2) * (std::exp(2.0 * k2 * b) - std::exp(2.0 * k2 * x0)) -
                          std::conj(A2) * B2 * (std::exp(-2.0 * k2 * b) - std::exp(-2.0 * k2 * x0)),
                      2.0 * k2);
        N.real(N.real() + (norm2(A2) + norm2(B2)) * a);
        // Region 1, x < x0: |A1|^2 exp(2 k1 x) integrates to exp(2 k1 x0) / (2 k1).
        N += cdiv(norm2(A1) * std::exp(2.0 * k1 * x0), 2.0 * k1);
        // Region 3, x > b: with i k3 = -kappa, |A3|^2 exp(-2 kappa x)
        // integrates to exp(2i k3 b) / (-2i k3).
        N -= cdiv(norm2(A3) * std::exp(2.0 * I_UNIT * k3 * b), 2.0 * I_UNIT * k3);
        return N;
    }

    // Open on the left (E > V1): region 1 from x0 - w to x0, where k1 is
    // imaginary and the cross terms integrate exp(+-2 k1 x).
    window = WINDOW_OSCILLATING;
    const double w = window;
    cplx N = cdiv(A1 * std::conj(B1) * (std::exp(2.0 * k1 * x0) - std::exp(2.0 * k1 * (x0 - w))) -
                      std::conj(A1) * B1 * (std::exp(-2.0 * k1 * x0) - std::exp(-2.0 * k1 * (x0 - w))),
                  2.0 * k1);
    N.real(N.real() + (norm2(A1) + norm2(B1)) * w);
    return N;
}

} // namespace

void three_region_step(situace& s, konfig& k)
{
    const bool snapped = snap_to_bound_state(s);

    s.N = cplx(0.0, 0.0);
    k.norm_window = WINDOW_DECAYING;
    const incidence which = solve_stationary(s);

    // A snapped energy is only close to the bound state's: at a sampled
    // energy the part growing without bound to the left is small but not
    // zero. Drop it.
    if (snapped && which == incidence::from_left)
        s.coef[1] = cplx(0.0, 0.0);

    double window = k.norm_window;
    s.N = norm_integral(s, which, window);
    k.norm_window = window;

    if (std::isnan(s.N.real()) || s.N == cplx(0.0, 0.0))
        s.N = cplx(1.0, 0.0);

    packet_follow(s, k);
}
