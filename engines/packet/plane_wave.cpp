// What the packet should end with: the plane-wave transmission of the
// three-region potential, and its average over the packet's wave numbers.
//
// The plane wave is followed across region 2 by the transfer matrix of
// (psi, psi') over the width a. Written with cos(q a) and sin(q a)/q, the
// matrix is regular for every energy: above V2 (q real), below it (q
// imaginary, cos and sin turn into cosh and sinh: tunnelling) and at V2
// itself (q = 0, where sin(q a)/q is a and the solution is a straight
// line). Continuity of psi and psi' at both edges is what the matrix
// carries, so no case needs a formula of its own.
#include <algorithm>
#include <cmath>

#include "common/constants.h"
#include "engines/packet/packet.h"

namespace {

using cplx = std::complex<double>;

// eV * unit^2: the kinetic energy of wave number k is HBAR2_2M * k^2.
constexpr double HBAR2_2M = HBAR * HBAR / TWO_M;

// sin(z) / z, with its series near 0 where the quotient would lose digits.
cplx sinc(cplx z)
{
    if (std::abs(z) < 1e-4)
        return 1.0 - z * z / 6.0;
    return std::sin(z) / z;
}

// R and T for the wave number k1 > 0 (1/unit) in region 1, with the
// potentials given relative to V1 (eV): in wave numbers, so that a slow
// wave keeps its digits (V1 + HBAR2_2M k1^2 would lose them).
plane_wave_rt rt_at(double k1, double d2, double d3, double a)
{
    // Wave numbers on the principal branch: real and positive where the
    // wave travels, positive imaginary where it decays, so exp(i q x) is
    // in both cases what goes to the right.
    const cplx q2 = std::sqrt(cplx(k1 * k1 - d2 / HBAR2_2M, 0.0));
    const cplx q3 = std::sqrt(cplx(k1 * k1 - d3 / HBAR2_2M, 0.0));
    const cplx c = std::cos(q2 * a), sa = sinc(q2 * a) * a;
    // (psi, psi') at x0 + a from their values at x0, with x0 taken as 0
    // (R and T do not depend on where the potential stands).
    const cplx m11 = c, m12 = sa, m21 = -q2 * q2 * sa, m22 = c;
    // Region 1: psi(0) = 1 + r, psi'(0) = i k1 (1 - r). Region 3 holds only
    // exp(i q3 x): psi' = i q3 psi at its edge. That one condition fixes r.
    const cplx I(0.0, 1.0);
    const cplx alpha = m21 - I * q3 * m11;
    const cplx beta = I * k1 * m22 + q3 * k1 * m12;
    const cplx r = (alpha + beta) / (beta - alpha);
    const cplx t = m11 * (1.0 + r) + I * k1 * m12 * (1.0 - r);
    // Only a travelling wave in region 3 carries current away; its current
    // per unit incoming current is (k3 / k1) |t|^2.
    const double T = q3.imag() == 0.0 && q3.real() > 0.0 ? q3.real() / k1 * std::norm(t) : 0.0;
    // A barrier so thick that cosh(kappa a) overflows lets nothing through.
    if (!std::isfinite(T) || !std::isfinite(std::norm(r)))
        return {1.0, 0.0};
    return {std::norm(r), T};
}

} // namespace

plane_wave_rt plane_wave_transmission(double E, double V1, double V2, double V3, double a)
{
    if (!(E > V1))
        return {0.0, 0.0};
    return rt_at(std::sqrt((E - V1) / HBAR2_2M), V2 - V1, V3 - V1, a);
}

double packet_expected_transmission(const packet_setup& s)
{
    if (!(s.E > s.V1) || std::isnan(s.sigma))
        return 0.0;
    const double k0 = std::sqrt((s.E - s.V1) / HBAR2_2M);
    // Std of |phi(k)|^2, 1/unit, for sigma as the packet holds it.
    const double sk = 1.0 / (2.0 * std::clamp(s.sigma, PACKET_SIGMA_MIN, PACKET_SIGMA_MAX));
    // |phi(k)|^2 beyond 9 standard deviations weighs under 1e-18. Below
    // k = 0 nothing reaches the barrier, and below the threshold of region 3
    // nothing passes it; T(k) has a square-root edge there, so Simpson's
    // rule runs on each side of it separately to keep its accuracy.
    // (Just above 0: at k = 0 itself T is 0/0, and its limit is not
    // always 0.)
    const double lo = std::max(1e-9 * sk, k0 - 9.0 * sk), hi = k0 + 9.0 * sk;
    if (!(hi > lo))
        return 0.0;
    double edge = lo;
    if (s.V3 > s.V1)
        edge = std::clamp(std::sqrt((s.V3 - s.V1) / HBAR2_2M), lo, hi);
    const auto integrand = [&](double k) {
        const double z = (k - k0) / sk;
        return std::exp(-0.5 * z * z) / (sk * std::sqrt(2.0 * PI)) *
               rt_at(k, s.V2 - s.V1, s.V3 - s.V1, s.a).T;
    };
    const auto simpson = [&](double from, double to) {
        constexpr int n = 4000; // even
        const double h = (to - from) / n;
        if (!(h > 0.0))
            return 0.0;
        double sum = integrand(from) + integrand(to);
        for (int i = 1; i < n; ++i)
            sum += (i % 2 ? 4.0 : 2.0) * integrand(from + i * h);
        return sum * h / 3.0;
    };
    return simpson(edge, hi);
}

double packet_energy_spread(const packet_setup& s)
{
    if (!(s.E > s.V1) || std::isnan(s.sigma))
        return 0.0;
    // E(k) = V1 + HBAR2_2M k^2 with k Gaussian (mean k0, std sk): the
    // variance of k^2 is 4 k0^2 sk^2 + 2 sk^4.
    const double k0 = std::sqrt((s.E - s.V1) / HBAR2_2M);
    const double sk = 1.0 / (2.0 * std::clamp(s.sigma, PACKET_SIGMA_MIN, PACKET_SIGMA_MAX));
    return HBAR2_2M * std::sqrt(4.0 * k0 * k0 * sk * sk + 2.0 * sk * sk * sk * sk);
}
