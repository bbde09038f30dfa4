// Expectation values of the three-region systems. Only a normalisable
// state has them: the packet, and a state bound in a well (E snapped onto
// one of its levels, the growing part dropped). The stationary state of a
// wave coming in from infinity has none: its density does not fall off.
#include <algorithm>
#include <cmath>

#include "engines/three_region/packet_mode.h"
#include "engines/three_region/three_region.h"

namespace {

// A state bound in the well: E between the floor and both walls, and the
// part growing to the left dropped by the snap.
bool bound(const situace& s)
{
    return s.V2 < s.E && s.E < std::min(s.V1, s.V3) && s.a > 0.0 && s.coef[1] == cplx(0.0, 0.0);
}

// The region of x, as the plot takes it.
int region_of(const situace& s, double x)
{
    return x <= s.x0 ? 0 : (x <= s.x0 + s.a ? 1 : 2);
}

// <x> and dx of the bound state by Simpson's rule over the well and its
// tails, out to where the slower decay has fallen by e^-60.
bool bound_expectation(const situace& s, expectation_values& v)
{
    const double decay = std::min(s.k1.real(), std::abs(s.k3.imag())); // 1/unit
    if (!(decay > 0.0) || !std::isfinite(decay))
        return false;
    const double lo = s.x0 - 30.0 / decay, hi = s.x0 + s.a + 30.0 / decay;
    constexpr int INTERVALS = 20000; // even
    const double h = (hi - lo) / INTERVALS;
    double m0 = 0.0, m1 = 0.0, m2 = 0.0;
    for (int j = 0; j <= INTERVALS; ++j) {
        const double x = lo + j * h;
        const double w = (j == 0 || j == INTERVALS) ? 1.0 : (j % 2 ? 4.0 : 2.0);
        const double d = w * std::norm(stationary_psi(s, region_of(s, x), x));
        m0 += d, m1 += d * x, m2 += d * x * x;
    }
    if (!(m0 > 0.0) || !std::isfinite(m0) || !std::isfinite(m2))
        return false;
    v.x = m1 / m0;
    v.dx = std::sqrt(std::max(m2 / m0 - v.x * v.x, 0.0));
    v.E = s.E, v.dE = 0.0;
    return true;
}

} // namespace

bool three_region_has_expectation(const situace& s)
{
    return shown_packet(s) != nullptr || bound(s);
}

bool three_region_expectation(const situace& s, expectation_values& v)
{
    if (const packet_mode* m = shown_packet(s)) {
        const packet_readout r = packet_measure(m->p);
        if (!(r.norm > 0.0))
            return false;
        v.x = r.mean_x, v.dx = r.spread_x, v.E = s.E, v.dE = m->energy_spread;
        return true;
    }
    if (!bound(s))
        return false;
    // The bound state stands still: its values change only with the
    // parameters, so the last ones are kept.
    static struct {
        double E = NAN, V1, V2, V3, a, x0;
        bool ok = false;
        expectation_values v{};
    } last;
    if (!(last.E == s.E && last.V1 == s.V1 && last.V2 == s.V2 && last.V3 == s.V3 && last.a == s.a && last.x0 == s.x0)) {
        last.ok = bound_expectation(s, last.v);
        last.E = s.E, last.V1 = s.V1, last.V2 = s.V2, last.V3 = s.V3, last.a = s.a, last.x0 = s.x0;
    }
    v = last.v;
    return last.ok;
}
