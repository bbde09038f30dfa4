// The plot's bound-state levels of the finite well, found with work that
// grows with the number of levels rather than with the depth of the well.
//
// The levels are those of the 2 meV scan of scan_well (the first scan point
// past every local minimum of the residual, from V2 up to the lower wall),
// but the scan is only run where it can find something. With p = sqrt(e -
// V2) and s1 = sqrt(V1 - e), s3 = sqrt(V3 - e) (sqrt(eV)), the residual is
//   |p (s1 + s3) cos(q a) + (s1 s3 - p^2) sin(q a)| = R |sin(Phi(e))|,
//   Phi = q a + atan(p / s1) + atan(p / s3),   R = sqrt((V1 - V2)(V3 - V2)),
// since (s1 + i p)(s3 + i p) = (s1 s3 - p^2) + i p (s1 + s3) has modulus R.
// Phi rises from 0 at V2 (the residual's trivial zero) and grows steadily
// with e, so the residual falls to zero at every Phi = k pi (the bound
// states, k = 1, 2, ...) and rises to R half way between: between two of
// these extremes the scan's samples only rise or only fall and it finds
// nothing. So each level is found by solving Phi = k pi, and the scan is run
// over a few points around it, started in the state it would have there.
// Where levels lie so close together that these stretches meet, the scan
// runs on through them as it always did.
#include <algorithm>
#include <cmath>
#include <cstddef>

#include "engines/three_region/three_region.h"

namespace {

// A bound on the number of levels searched: far more than the energy
// diagram has pixel rows to show (levels this dense fill every row), and
// reached only with walls tens of thousands of eV high around the widest
// middle region.
constexpr long MAX_LEVELS = 100000;

// Scan points searched beyond the one just below a level: the first point
// past the scan's minimum is at most two points above it.
constexpr long PAST_LEVEL = 4;
// Scan points searched below it, where the residual is known to fall.
constexpr long BELOW_LEVEL = 2;

// Phi of the well at depth p^2 above its floor, and its slope in p.
struct phase_function {
    double c;      // q a / p: sqrt(2m) a / hbar, 1 / sqrt(eV)
    double d1, d3; // V1 - V2, V3 - V2, eV

    double operator()(double p) const
    {
        const double s1 = std::sqrt(std::max(d1 - p * p, 0.0));
        const double s3 = std::sqrt(std::max(d3 - p * p, 0.0));
        return c * p + std::atan2(p, s1) + std::atan2(p, s3);
    }
    // d atan(p / s) / dp = 1 / s for s = sqrt(d - p^2).
    double slope(double p) const
    {
        return c + 1.0 / std::sqrt(std::max(d1 - p * p, 1e-300)) +
               1.0 / std::sqrt(std::max(d3 - p * p, 1e-300));
    }
};

// The p in [lo, hi] where phi(p) = target (phi rises through the target
// there): Newton's steps, kept inside the bracket by halving it.
double solve(const phase_function& phi, double target, double lo, double hi)
{
    double p = 0.5 * (lo + hi);
    for (int it = 0; it < 100 && hi - lo > 1e-15 * hi; ++it) {
        const double v = phi(p) - target;
        if (v == 0.0)
            return p;
        (v < 0.0 ? lo : hi) = p;
        const double next = p - v / phi.slope(p);
        p = next > lo && next < hi ? next : 0.5 * (lo + hi);
    }
    return p;
}

// The scan of scan_well, resumable: its state after the point `at`.
struct scan_state {
    long at = -1;
    enum { idle, falling, risen } state = idle;
    double memory = 0.0;
};

// The phase function of the well in s and the p of its lower wall; false
// for anything that is not a well with finite walls and width.
bool well_phase(const situace& s, phase_function& phi, double& p_top)
{
    const double top = std::min(s.V1, s.V3);
    if (!(s.V1 > s.V2 && s.V3 > s.V2) || !std::isfinite(top) || !std::isfinite(s.V2) || !std::isfinite(s.a))
        return false;
    phi = phase_function{std::sqrt(TWO_M) * s.a / HBAR, s.V1 - s.V2, s.V3 - s.V2};
    p_top = std::sqrt(top - s.V2);
    return phi.c >= 0.0 && std::isfinite(phi(p_top));
}

// The number of bound states: Phi grows by c p_top plus at most pi, and
// every multiple of pi it passes below the wall is one level.
long level_count(const phase_function& phi, double p_top)
{
    return std::min(static_cast<long>(std::ceil(phi(p_top) / PI)) - 1, MAX_LEVELS);
}

} // namespace

std::vector<double> well_bound_energies(const situace& s, std::size_t most)
{
    std::vector<double> energies;
    phase_function phi{};
    double p_top = 0.0;
    if (!well_phase(s, phi, p_top))
        return energies;
    const long count = std::min(level_count(phi, p_top), static_cast<long>(most));
    double p_prev = 0.0;
    for (long k = 1; k <= count; ++k) {
        // q a = c p lies between (k - 1) pi and k pi (see below).
        const double lo = std::max(p_prev, (k - 1) * PI / phi.c);
        p_prev = solve(phi, k * PI, lo, std::min(p_top, k * PI / phi.c));
        energies.push_back(s.V2 + p_prev * p_prev);
    }
    return energies;
}

std::vector<double> find_well_levels(const situace& s)
{
    std::vector<double> levels;
    phase_function phi{};
    double p_top = 0.0;
    if (!well_phase(s, phi, p_top))
        return levels;
    const double top = std::min(s.V1, s.V3);

    // Scan point i lies at V2 + 2 meV i.
    auto energy = [&](long i) { return s.V2 + WELL_SCAN_STEP * static_cast<double>(i); };
    auto index_below = [&](double p) { return static_cast<long>(std::floor(p * p / WELL_SCAN_STEP)); };

    // The plot's scan starts at V2 with a memory above any residual (see
    // scan_well), so the trivial zero at V2 is marked one step above it.
    scan_state scan;
    scan.memory = 1e15;
    bool ended = false;
    auto run_to = [&](long last) {
        for (long i = scan.at + 1; i <= last && !ended; ++i) {
            const double e = energy(i);
            if (!(e < top)) {
                ended = true;
                break;
            }
            const double f = well_residual(s, e);
            if (f < scan.memory) {
                scan.state = scan_state::falling;
                scan.memory = f;
            } else if (f > scan.memory) {
                scan.memory = f;
                if (scan.state == scan_state::falling)
                    scan.state = scan_state::risen;
            }
            if (scan.state == scan_state::risen) {
                levels.push_back(e);
                scan.state = scan_state::idle;
            }
            scan.at = i;
        }
    };
    run_to(PAST_LEVEL);

    const long count = level_count(phi, p_top);
    double p_prev = 0.0;
    for (long k = 1; k <= count && !ended; ++k) {
        // The atans add 0 .. pi, so q a = c p lies between (k - 1) pi and
        // k pi (c > 0 here: without width there is no level).
        const double lo = std::max(p_prev, (k - 1) * PI / phi.c);
        const double p = solve(phi, k * PI, lo, std::min(p_top, k * PI / phi.c));
        const long below = index_below(p);
        // Start below the level where the residual is known to fall: a
        // couple of points below it, or at the point just below the maximum
        // before it if that lies closer.
        long from = below - BELOW_LEVEL;
        const double p_from = std::sqrt(std::max(energy(from) - s.V2, 0.0));
        if (!(phi(p_from) > (k - 0.5) * PI))
            from = index_below(solve(phi, (k - 0.5) * PI, p_prev, p));
        p_prev = p;
        if (from > scan.at + 1) {
            // Between here and the last point scanned the residual only
            // rose and then fell: the scan would be idle or falling here,
            // with this point's residual as its memory.
            scan.at = from;
            scan.state = scan_state::idle;
            scan.memory = well_residual(s, energy(from));
            if (!(energy(from) < top))
                break;
        }
        run_to(below + PAST_LEVEL);
    }
    return levels;
}

const std::vector<double>& well_levels(const situace& s)
{
    // The last search, by what it depends on: the levels change only with
    // the potentials and the width, not with E or time.
    static struct {
        double V1, V2, V3, a;
        bool valid = false;
        std::vector<double> levels;
    } last;
    if (!last.valid || last.V1 != s.V1 || last.V2 != s.V2 || last.V3 != s.V3 || last.a != s.a) {
        last.levels = find_well_levels(s);
        last.V1 = s.V1, last.V2 = s.V2, last.V3 = s.V3, last.a = s.a;
        last.valid = true;
    }
    return last.levels;
}
