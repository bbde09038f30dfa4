// The three-region engine: "volna", "bariera" and "jama". A particle of
// energy E over a potential that is constant on three regions; the
// stationary state is solved in closed form.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engines/engine.h"
#include "common/constants.h"
#include "engines/expectation.h"
#include "engines/packet/packet.h"

// Which wave comes in; decides the norm integral.
enum class incidence { none, from_right, from_left };

// Wave numbers k1, k2, k3 and the six coefficients coef[0..5] from E, V1,
// V2, V3, a, x0. Divisions are not guarded: a zero denominator leaves
// non-finite coefficients, which the step's norm guard absorbs.
incidence solve_stationary(situace& s);
// Pulls E onto a bound state of a well (V2 below V1 and V3) when it lies
// within 0.01 eV of one. Returns whether it snapped.
bool snap_to_bound_state(situace& s);

// The phase condition of the finite well at the energy e (eV, V2 <= e <=
// V1, V3), zero exactly at its bound-state energies. With p = sqrt(e - V2)
// inside and s1 = sqrt(V1 - e), s3 = sqrt(V3 - e) the decay rates outside
// (all in sqrt(eV): the common factor sqrt(2m)/hbar cancels except in the
// phase q a the state gathers across the width), it is
//   |cos(q a) p (s3 + s1) + sin(q a) (s1 s3 - p^2)|.
double well_residual(const situace& s, double e);

// Energies of the bound-state scan lie this far apart, eV.
constexpr double WELL_SCAN_STEP = 0.002;

// The bound-state scan of the finite well, shared by the step's snapping
// and the plot's level lines: e runs from `from` in steps of WELL_SCAN_STEP
// while e < `to`, and found(e) is called at the first scan point past each
// local minimum of the residual, so up to one step above the bound state;
// the scan ends when found returns true.
//
// `memory` is the residual the first point is compared with, and this is
// where the two callers must differ. The plot starts at V2 with a memory
// above any residual, so the first point counts as falling and the
// residual's trivial zero at V2 itself is marked (at V2 + 0.002, where the
// floor's own line covers it). The snap starts half an eV below E with a
// memory of 0, so the first point only sets the memory: E is never pulled
// onto the floor of the well, which is no state at all.
template <typename Found> void scan_well(const situace& s, double from, double to, double memory, Found found)
{
    enum { idle, falling, risen } state = idle;
    double r = memory;
    for (double e = from; e < to;) {
        const double f = well_residual(s, e);
        if (f < r) {
            state = falling;
            r = f;
        } else if (f > r) {
            r = f;
            if (state == falling)
                state = risen;
        }
        if (state == risen) {
            // The residual has just turned upward: the previous point was
            // a local minimum, and e is one step past it.
            if (found(e))
                return;
            state = idle;
        }
        const double next = e + WELL_SCAN_STEP;
        // At energies above about 1e13 eV the step is lost in rounding and
        // e would stand still; there is nothing to find there.
        if (!(next > e))
            return;
        e = next;
    }
}

// The plot's bound-state levels of the well (V2 below V1 and V3): exactly
// the scan points that scan_well from V2 to the lower wall, starting with a
// memory above any residual, would report (the first is the residual's
// trivial zero, V2 + 0.002), found by solving the phase condition for each
// level and scanning only around it, so the work grows with the number of
// levels, not with the depth. Empty for anything but a well.
std::vector<double> find_well_levels(const situace& s);
// The bound-state energies of the well themselves (eV, lowest first, at most
// `most` of them): the roots of the phase condition, solved to rounding.
// Empty for anything but a well.
std::vector<double> well_bound_energies(const situace& s, std::size_t most);
// The same, searched only when V1, V2, V3 or a changed since the last call.
const std::vector<double>& well_levels(const situace& s);

// One line of the listing: the name, "=", v rounded to six decimals in the
// regional format and a line feed; nothing for a figure that is no number.
void add_listing_figure(std::string& text, const char* name, double v);

// The stationary state at x (internal units) in region 0, 1 or 2 from the
// coefficients and wave numbers solve_stationary left in s, unnormalised
// and without its time phase. Inline: the plot evaluates it at every
// sample of every frame.
namespace three_region_detail {
// exp(z) and exp(-z) together: one sine and cosine serve both, which keeps
// the per-sample cost to two real exponentials and one sincos.
inline void exp_pair(cplx z, cplx& plus, cplx& minus)
{
    const double c = std::cos(z.imag());
    const double sn = std::sin(z.imag());
    const double ep = std::exp(z.real());
    const double em = std::exp(-z.real());
    plus = cplx(ep * c, ep * sn);
    minus = cplx(em * c, -em * sn);
}

// c * e, where a zero coefficient gives zero whatever e is. Far out on a
// decaying side the growing exponential overflows to infinity, while its
// coefficient is exactly zero (B1 after a snap onto a bound state, B3 when
// nothing comes in from the right); 0 * inf would be NaN and the tail of
// the state would vanish from the plot instead of lying on the zero line.
inline cplx term(cplx c, cplx e)
{
    return c == cplx(0.0, 0.0) ? c : c * e;
}

} // namespace three_region_detail

// The stationary state at x in the given region (0, 1, 2), by the closed
// forms of the model: regions 1 and 2 with exp(+-k x), region 3 with
// exp(+-i k3 x), and a straight line in region 2 when k2 is exactly zero.
[[gnu::always_inline]] inline cplx stationary_psi(const situace& s, int region, double x)
{
    cplx ep, em;
    switch (region) {
    case 0:
        three_region_detail::exp_pair(s.k1 * x, ep, em);
        return three_region_detail::term(s.coef[0], ep) + three_region_detail::term(s.coef[1], em);
    case 1:
        if (s.k2.real() == 0.0 && s.k2.imag() == 0.0)
            return s.coef[2] * x + s.coef[3];
        three_region_detail::exp_pair(s.k2 * x, ep, em);
        return three_region_detail::term(s.coef[2], ep) + three_region_detail::term(s.coef[3], em);
    default:
        three_region_detail::exp_pair(cplx(-s.k3.imag() * x, s.k3.real() * x), ep, em);
        return three_region_detail::term(s.coef[4], ep) + three_region_detail::term(s.coef[5], em);
    }
}


// What the plot draws: the stationary state (times `phase`, over root_n)
// or the packet (its values in its turning frame times `phase`), and the
// plot's scales, pixels per unit of |psi|^2 and of a part of psi. A plain
// record, so that the per-sample call inlines.
struct wave_source {
    const packet* p = nullptr; // the packet, or null for the stationary state
    cplx phase{1.0, 0.0};
    double root_n = 1.0;
    double density_scale = 0.0, part_scale = 0.0;
};
// psi at x in region 0, 1 or 2, as the plot draws it.
[[gnu::always_inline]] inline cplx wave_at(const situace& s, const wave_source& w, int region, double x)
{
    if (w.p != nullptr)
        return packet_psi_in_frame(*w.p, x) * w.phase;
    const cplx ps = w.phase * stationary_psi(s, region, x);
    return cplx(ps.real() / w.root_n, ps.imag() / w.root_n);
}

// Whether the state on screen has expectation values (the packet, or a
// state bound in a well), and they: <x> and dx in internal units.
bool three_region_has_expectation(const situace& s);
bool three_region_expectation(const situace& s, expectation_values& v);

void three_region_step(situace& s, konfig& k);
void three_region_layout(const situace& s, konfig& k);
// The systems this engine runs.
extern const system_record VOLNA_SYSTEM, BARIERA_SYSTEM, JAMA_SYSTEM;
void three_region_draw(situace& s, const konfig& k, zgl_font* font);
void three_region_input(situace& s, konfig& k, control* hit, bool& changed);
// The plotted samples: the stationary state, or the packet when one shows.
void three_region_sample(const situace& s, const konfig& k, std::vector<wave_sample>& out);
// E and the potentials at 0 eV or more (and at most THREE_REGION_MOST_EV),
// the middle region inside 0.9 of the half range either side, its width 0
// or more.
void three_region_clamp(situace& s, const konfig& k);
// No control brings an energy beyond this, eV; a file asking for more is
// held here, where the closed forms still work in double precision.
constexpr double THREE_REGION_MOST_EV = 10000.0;
