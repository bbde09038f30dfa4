// The wave packet's grid, its Crank-Nicolson step and what is read off it.
//
// The step. With tau = dt / (2 HBAR), Crank-Nicolson solves
//   (1 + i tau H) psi(t + dt) = (1 - i tau H) psi(t),
// which keeps the norm exactly for any dt when H is Hermitian. The kinetic
// term uses the fourth-order compact (Numerov) form of the second
// derivative, psi'' = M^-1 D2 psi / dx^2 with D2 = [1 -2 1] and
// M = [1 10 1] / 12. Multiplying both sides by M keeps everything
// tridiagonal:
//   A = M + i tau K,  B = M - i tau K,  K = -c D2 / dx^2 + M U,
// with c = HBAR^2 / TWO_M and U the potential at the nodes. Since M and D2
// commute, the effective H = -c M^-1 D2 / dx^2 + U is Hermitian wherever U
// is real, and the step is unitary. The plane-wave error of the kinetic
// energy is (k dx)^4 / 240 of it instead of the three-point (k dx)^2 / 12.
//
// The frame. U is the potential less the packet's energy E. That constant
// only turns the whole state's phase, which packet_psi puts back; but it
// centres the step's phase error (which grows as (dt (E' - E) / HBAR)^2
// for a component of energy E') on the packet itself, so a far larger dt
// keeps the packet's speed and spreading right.
//
// The edges. Outside the view, U gains -i W with W rising quadratically
// into each layer; the norm this removes in a step is, exactly for the
// Crank-Nicolson step, 4 tau sum W |(psi(t) + psi(t + dt)) / 2|^2 dx, and
// is counted for the side it leaves on.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/constants.h"
#include "common/report.h"
#include "engines/packet/packet.h"

namespace {

using cplx = std::complex<double>;

// eV * unit^2: the kinetic energy of wave number k is HBAR2_2M * k^2.
constexpr double HBAR2_2M = HBAR * HBAR / TWO_M;

// The grid spacing keeps k dx at most this for the fastest wave number of
// any weight (4 standard deviations above k0, in the lowest region), so
// its wave number is off by under (0.4)^4 / 480 = 5e-5 of itself.
constexpr double MAX_K_DX = 0.4;
// ... and resolves the packet's envelope: sigma spans at least 6 cells.
constexpr double CELLS_PER_SIGMA = 6.0;
// A region 2 narrower than a cell shrinks the cells to its width, down to
// this many times finer than the packet needs; a narrower one is averaged.
constexpr double THINNEST_CELLS = 2.0;
// The step keeps the phase error of components 3 standard deviations
// from k0 at (dt dE / (2 HBAR))^2 = 4e-4 of their speed.
constexpr double STEP_PHASE = 0.02;
// s; bounds of the step whatever the packet.
constexpr double LONGEST_STEP = 4e-18;
constexpr double SHORTEST_STEP = 1e-20;
// A layer is this many of the longest wavelengths of weight deep, so that
// the slowest waves see its strength rise gently and do not bounce off it.
constexpr double LAYER_WAVELENGTHS = 2.0;
// Where region 3 opens within the packet's energies, its right layer is
// sized for waves this fraction as fast as its fastest (measured: 0.2 left
// a step up's T 1.7e-3 short, 0.05 within 5e-5).
constexpr double THRESHOLD_FRACTION = 0.05;
// Units, bounds of a layer's depth.
constexpr double SHALLOWEST_LAYER = 1.0;
constexpr double DEEPEST_LAYER = 250.0;
// The fastest wave of weight comes back out of a layer, after the hard
// wall behind it, with exp(-LAYER_ATTENUATION) of its probability.
constexpr double LAYER_ATTENUATION = 23.0;
// Nodes; more would take tens of megabytes and seconds a frame.
constexpr std::size_t MOST_NODES = 400000;

// x * y written out: the library's product also checks for infinities,
// which costs a branch in the innermost loop.
inline cplx mul(cplx x, cplx y)
{
    return {x.real() * y.real() - x.imag() * y.imag(), x.real() * y.imag() + x.imag() * y.real()};
}

double wave_number(double E, double V)
{
    return E > V ? std::sqrt((E - V) / HBAR2_2M) : 0.0;
}

// One absorbing layer: its depth (units) and the strength W0 (eV) its
// quadratic W(s) = W0 (s / depth)^2 reaches at the wall. Waves of wave
// number k_slow .. k_fast (1/unit) must enter it. A wave that crosses it,
// meets the hard wall behind and crosses back keeps
// exp(-2 W0 depth / (3 c k)) of its probability (WKB), which fixes W0
// from the fastest; the slowest sets the depth.
struct layer {
    double depth, strength;
};
layer layer_for(double k_slow, double k_fast)
{
    layer l;
    l.depth = std::clamp(LAYER_WAVELENGTHS * 2.0 * PI / k_slow, SHALLOWEST_LAYER, DEEPEST_LAYER);
    l.strength = 1.5 * LAYER_ATTENUATION * HBAR2_2M * k_fast / l.depth;
    return l;
}

bool all_finite(const packet_setup& s)
{
    for (double v : {s.E, s.V1, s.V2, s.V3, s.a, s.x0, s.sigma, s.half_range})
        if (!std::isfinite(v))
            return false;
    return s.a >= 0.0 && s.half_range > 0.0;
}

} // namespace

bool packet_start(packet& p, const packet_setup& in)
{
    p = packet{};
    packet_setup s = in;
    if (!all_finite(s)) {
        report("the wave packet cannot start: its energy, potentials, width, position, sigma or view is not a "
               "usable number");
        return false;
    }
    if (!(s.E > s.V1))
        return false; // nothing travels in from the left; the caller says so
    s.sigma = std::clamp(s.sigma, PACKET_SIGMA_MIN, PACKET_SIGMA_MAX);

    const double k0 = wave_number(s.E, s.V1);
    const double sk = 1.0 / (2.0 * s.sigma); // 1/unit, std of |phi(k)|^2
    const double v_low = std::min({s.V1, s.V2, s.V3}), v_high = std::max({s.V1, s.V2, s.V3});
    // The packet's energies of weight: from the slowest component that
    // matters (3 std below k0, or a fifth of k0 when that is nearer 0) to
    // 4 std above.
    const double k_slow = std::max(k0 - 3.0 * sk, 0.2 * k0), k_fast = k0 + 4.0 * sk;
    const double e_slow = s.V1 + HBAR2_2M * k_slow * k_slow;
    const double e_fast = s.V1 + HBAR2_2M * k_fast * k_fast;

    // Spacing: the fastest oscillation (in the lowest region) or the
    // fastest decay (under the highest) resolved, and the envelope too.
    const double k_top = std::sqrt(std::max(e_fast - v_low, v_high - s.V1) / HBAR2_2M);
    double dx = std::min(MAX_K_DX / k_top, s.sigma / CELLS_PER_SIGMA);
    // Region 2 a whole number of cells, down to half a cell (the grid is
    // then up to twice finer). Narrower still, only its area a * (V2 - V3)
    // and where it stands are kept, through which a thin barrier acts
    // (measured: T within 3e-4 of the plane waves' for a up to one cell).
    std::size_t middle_cells = 0;
    if (s.a >= dx / THINNEST_CELLS) {
        middle_cells = static_cast<std::size_t>(std::ceil(s.a / dx));
        dx = s.a / double(middle_cells);
    }
    const bool thin_middle = s.a > 0.0 && middle_cells == 0;

    // The packet starts at x0 - 4 sigma; 8 sigma beyond its centre its
    // density is e^-32 of the peak, so nothing of it starts in a layer.
    const double xc = s.x0 - 4.0 * s.sigma;
    const double inner_left = std::min({-s.half_range, xc - 8.0 * s.sigma, s.x0 - 1.0});
    const double inner_right = std::max(s.half_range, s.x0 + s.a + 1.0);
    // Left layer: reflected waves, at region 1's wave numbers. Right layer:
    // transmitted ones, at region 3's. Where region 3 opens only partway
    // up the packet's energies (a step up near its threshold), it carries
    // waves of any wave number down to 0; the layer is sized for
    // THRESHOLD_FRACTION of the fastest, below which the current they
    // carry (proportional to k3) is negligible.
    const layer left = layer_for(k_slow, k_fast);
    const double k3_fast = std::max(wave_number(e_fast, s.V3), 1e-3);
    const double k3_slow = std::max(wave_number(e_slow, s.V3), THRESHOLD_FRACTION * k3_fast);
    const layer right = layer_for(std::min(k3_slow, k3_fast), k3_fast);

    const double j_first = std::floor((inner_left - left.depth - s.x0) / dx);
    const double j_last = std::ceil((inner_right + right.depth - s.x0) / dx);
    const double cells = j_last - j_first;
    if (!(cells >= 4.0) || cells > double(MOST_NODES)) { // (the step needs a few; there are always more)
        char text[160];
        std::snprintf(text, sizeof text, "the wave packet cannot start: its grid would need %.3g points; a "
                      "narrower view or a wider packet needs fewer", cells);
        report(text);
        return false;
    }
    const std::size_t n = static_cast<std::size_t>(cells);
    p.dx = dx;
    p.x_first = s.x0 + (j_first + 0.5) * dx;
    p.first_middle = static_cast<std::size_t>(-j_first);
    p.first_right = p.first_middle + middle_cells + (thin_middle ? 1 : 0);
    p.e_ref = s.E;

    // Potential (less E) and absorbing strength at each node.
    std::vector<double> u(n);
    p.absorber.assign(n, 0.0);
    p.inner_begin = n;
    p.inner_end = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double x = p.x_first + double(i) * dx;
        double v = i < p.first_middle ? s.V1 : i < p.first_right ? s.V2 : s.V3;
        if (thin_middle && (i + 1 == p.first_middle || i == p.first_middle)) {
            // The thin region's extra area a (V2 - V3) shared by the cells
            // either side of x0 so that its centre stays at x0 + a / 2:
            // put all in the cell to the right, it would act half a cell
            // too far right.
            const double share = i == p.first_middle ? 1.0 + s.a / dx : 1.0 - s.a / dx;
            v = (i == p.first_middle ? s.V3 : s.V1) + 0.5 * share * s.a * (s.V2 - s.V3) / dx;
        }
        u[i] = v - p.e_ref;
        if (x < inner_left) {
            const double d = (inner_left - x) / left.depth;
            p.absorber[i] = s.absorb ? left.strength * d * d : 0.0;
        } else if (x > inner_right) {
            const double d = (x - inner_right) / right.depth;
            p.absorber[i] = s.absorb ? right.strength * d * d : 0.0;
        } else {
            p.inner_begin = std::min(p.inner_begin, i);
            p.inner_end = i + 1;
        }
    }

    // Numerov's weights assume psi'' smooth; across a jump of the
    // potential it jumps by (dU / c) psi, and the rows next to the jump
    // miss dU / 24 of their potential (their stencil reaches half a cell
    // across the edge, but weighs the far side as a whole one). Adding
    // that back on both sides makes the edges fourth order again; the
    // addition is real and diagonal, so the step stays unitary.
    std::vector<double> jump_fix(n, 0.0);
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const double du = (u[i + 1] - u[i]) / 24.0;
        jump_fix[i] += du;
        jump_fix[i + 1] -= du;
    }
    for (std::size_t i = 0; i < n; ++i)
        u[i] += jump_fix[i];

    // The step: short enough for the packet's energy spread.
    const double de = HBAR2_2M * ((k0 + 3.0 * sk) * (k0 + 3.0 * sk) - k0 * k0);
    p.dt = std::clamp(2.0 * HBAR * STEP_PHASE / de, SHORTEST_STEP, LONGEST_STEP);

    // A = M + i tau K and B = M - i tau K, row by row.
    const double tau = p.dt / (2.0 * HBAR);
    const double kin = HBAR2_2M / (dx * dx);
    const cplx I(0.0, 1.0);
    p.b_lower.resize(n), p.b_diag.resize(n), p.b_upper.resize(n);
    p.a_lower.resize(n), p.a_pivot_inv.resize(n), p.a_upper_scaled.resize(n);
    const auto U = [&](std::size_t j) { return cplx(u[j], -p.absorber[j]); };
    cplx prev_upper_scaled(0.0, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        const cplx k_diag = 2.0 * kin + 10.0 / 12.0 * U(i);
        const cplx k_lower = i > 0 ? -kin + U(i - 1) / 12.0 : cplx(0.0, 0.0);
        const cplx k_upper = i + 1 < n ? -kin + U(i + 1) / 12.0 : cplx(0.0, 0.0);
        const cplx m_off = 1.0 / 12.0;
        p.b_diag[i] = 10.0 / 12.0 - I * tau * k_diag;
        p.b_lower[i] = i > 0 ? m_off - I * tau * k_lower : cplx(0.0, 0.0);
        p.b_upper[i] = i + 1 < n ? m_off - I * tau * k_upper : cplx(0.0, 0.0);
        const cplx a_diag = 10.0 / 12.0 + I * tau * k_diag;
        const cplx a_lower = i > 0 ? m_off + I * tau * k_lower : cplx(0.0, 0.0);
        const cplx a_upper = i + 1 < n ? m_off + I * tau * k_upper : cplx(0.0, 0.0);
        // Thomas: the pivot left once the row below is cleared. The real
        // part of A is M, which dominates its diagonal, so no pivot
        // vanishes.
        const cplx pivot = a_diag - a_lower * prev_upper_scaled;
        p.a_lower[i] = a_lower;
        p.a_pivot_inv[i] = 1.0 / pivot;
        p.a_upper_scaled[i] = a_upper / pivot;
        prev_upper_scaled = p.a_upper_scaled[i];
    }

    // The packet itself, normalised on the grid. Its phase is k0 x with x
    // absolute, as the stationary state's exp(i k1 x).
    p.psi.resize(n);
    p.work.resize(n);
    double sum = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double x = p.x_first + double(i) * dx;
        const double z = (x - xc) / (2.0 * s.sigma);
        p.psi[i] = std::exp(-z * z) * std::polar(1.0, k0 * x);
        sum += std::norm(p.psi[i]) * dx;
    }
    for (cplx& c : p.psi)
        c /= std::sqrt(sum);
    p.setup = s;
    p.running = true;
    return true;
}

void packet_advance(packet& p, double seconds)
{
    if (!p.running || !(seconds >= 0.0) || !std::isfinite(seconds))
        return;
    p.owed += seconds;
    // A hair of tolerance, so that asking for exactly k steps' worth gives
    // k steps rather than k - 1 and a remainder of nearly a whole step.
    double whole = std::floor(p.owed / p.dt + 1e-9);
    if (whole > double(PACKET_MAX_STEPS_PER_CALL)) {
        char text[160];
        std::snprintf(text, sizeof text, "the wave packet was asked to move %.3g steps at once; it moved %zu and "
                      "dropped the rest", whole, PACKET_MAX_STEPS_PER_CALL);
        report(text);
        whole = double(PACKET_MAX_STEPS_PER_CALL);
        p.owed = whole * p.dt;
    }
    const std::size_t steps = static_cast<std::size_t>(whole);
    p.owed = std::max(0.0, p.owed - whole * p.dt);

    const std::size_t n = p.psi.size();
    const double tau = p.dt / (2.0 * HBAR);
    cplx* psi = p.psi.data();
    cplx* w = p.work.data();
    const cplx *bl = p.b_lower.data(), *bd = p.b_diag.data(), *bu = p.b_upper.data();
    const cplx *al = p.a_lower.data(), *ap = p.a_pivot_inv.data();
    for (std::size_t step = 0; step < steps; ++step) {
        // Right-hand side B psi and the forward sweep in one pass; the
        // first and last rows, which reach past the walls, apart.
        w[0] = mul(mul(bd[0], psi[0]) + mul(bu[0], psi[1]), ap[0]);
        for (std::size_t i = 1; i + 1 < n; ++i) {
            const cplx r = mul(bl[i], psi[i - 1]) + mul(bd[i], psi[i]) + mul(bu[i], psi[i + 1]);
            w[i] = mul(r - mul(al[i], w[i - 1]), ap[i]);
        }
        w[n - 1] = mul(mul(bl[n - 1], psi[n - 2]) + mul(bd[n - 1], psi[n - 1]) - mul(al[n - 1], w[n - 2]), ap[n - 1]);
        // Back substitution.
        for (std::size_t i = n - 1; i-- > 0;)
            w[i] -= mul(p.a_upper_scaled[i], w[i + 1]);
        // What the layers took this step, from psi before and after.
        double left = 0.0, right = 0.0;
        for (std::size_t i = 0; i < p.inner_begin; ++i)
            left += p.absorber[i] * std::norm(psi[i] + w[i]);
        for (std::size_t i = p.inner_end; i < n; ++i)
            right += p.absorber[i] * std::norm(psi[i] + w[i]);
        p.absorbed_left += tau * left * p.dx;
        p.absorbed_right += tau * right * p.dx;
        std::swap(psi, w);
    }
    if (steps % 2 == 1)
        p.psi.swap(p.work);
    p.steps += steps;
    p.time = double(p.steps) * p.dt;
}

packet_readout packet_measure(const packet& p)
{
    packet_readout out{};
    if (!p.running)
        return out;
    const std::size_t n = p.psi.size();
    double left = 0.0, right = 0.0, sum = 0.0, sx = 0.0, sxx = 0.0, sp = 0.0;
    const auto at = [&](std::size_t i, int d) {
        const std::ptrdiff_t j = std::ptrdiff_t(i) + d;
        return j < 0 || j >= std::ptrdiff_t(n) ? cplx(0.0, 0.0) : p.psi[std::size_t(j)];
    };
    for (std::size_t i = 0; i < n; ++i) {
        const double rho = std::norm(p.psi[i]);
        const double x = p.x_first + double(i) * p.dx;
        sum += rho;
        sx += rho * x;
        sxx += rho * x * x;
        if (i < p.first_middle)
            left += rho;
        else if (i >= p.first_right)
            right += rho;
        // psi' to fourth order, so that <p> is good to (k dx)^4 / 30.
        const cplx d = (8.0 * (at(i, 1) - at(i, -1)) - (at(i, 2) - at(i, -2))) / (12.0 * p.dx);
        sp += (std::conj(p.psi[i]) * d).imag();
    }
    out.R = left * p.dx + p.absorbed_left;
    out.T = right * p.dx + p.absorbed_right;
    out.norm = sum * p.dx;
    if (sum > 0.0) {
        out.mean_x = sx / sum;
        out.spread_x = std::sqrt(std::max(0.0, sxx / sum - out.mean_x * out.mean_x));
        // <p> = HBAR <k>: HBAR in eV s over MASS gives units/s in this
        // program's units (TWO_M is 2 MASS).
        out.mean_p_over_m = HBAR / MASS * sp / sum;
    }
    return out;
}

std::complex<double> packet_phase(const packet& p)
{
    // Back from the frame turning with e_ref to the true phase.
    return std::polar(1.0, -p.e_ref * p.time / HBAR);
}

std::complex<double> packet_psi(const packet& p, double x)
{
    return packet_psi_in_frame(p, x) * packet_phase(p);
}

std::complex<double> packet_psi_in_frame(const packet& p, double x)
{
    if (!p.running || !std::isfinite(x))
        return {0.0, 0.0};
    const double u = (x - p.x_first) / p.dx;
    const double n = double(p.psi.size());
    if (!(u > -1.0 && u < n))
        return {0.0, 0.0};
    // Lagrange through the nodes i - 1 .. i + 2 (zero beyond the walls).
    const double base = std::floor(u);
    const double f = u - base;
    const double weights[4] = {-f * (f - 1.0) * (f - 2.0) / 6.0, (f + 1.0) * (f - 1.0) * (f - 2.0) / 2.0,
                               -(f + 1.0) * f * (f - 2.0) / 2.0, (f + 1.0) * f * (f - 1.0) / 6.0};
    cplx v(0.0, 0.0);
    for (int k = 0; k < 4; ++k) {
        const double j = base - 1.0 + k;
        if (j >= 0.0 && j < n)
            v += weights[k] * p.psi[std::size_t(j)];
    }
    return v;
}
