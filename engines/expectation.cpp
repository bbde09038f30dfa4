// Expectation values of a mix of stationary states, their marker and their
// listing lines (see expectation.h).
#include "engines/expectation.h"

#include <algorithm>
#include <cmath>

#include "common/constants.h"
#include "common/numtext.h"
#include "engines/plot.h"

namespace {

// The vertical line keeps this far from the window's top and from the
// energy diagram's top, pixels.
constexpr double LINE_MARGIN = 20.0;

// A value to two decimals, as the listing shows it.
std::string two_decimals(double v)
{
    return fmt_g(round_even(100.0 * v) / 100.0);
}

} // namespace

void state_mix::add(int state, cplx amplitude, double e)
{
    if (amplitude == cplx(0.0, 0.0) || count >= MAX)
        return;
    n[count] = state;
    a[count] = amplitude;
    energy[count] = e;
    ++count;
}

bool mix_expectation(const state_mix& mix, matrix_element x, matrix_element x2, double p,
                     expectation_values& out)
{
    double norm = 0.0, mean_e = 0.0;
    for (int i = 0; i < mix.count; ++i) {
        norm += norm2(mix.a[i]);
        mean_e += norm2(mix.a[i]) * mix.energy[i];
    }
    if (!(norm > 0.0) || !std::isfinite(norm))
        return false;
    mean_e /= norm;
    // <x> and <x^2> as sums over pairs of states: the pair (i, j) adds
    // conj(a_i) a_j <n_i|x|n_j>, and the pairs (i, j) and (j, i) together
    // twice its real part. The relative phases of the amplitudes are what
    // makes <x> move in time.
    double mean_x = 0.0, mean_x2 = 0.0, var_e = 0.0;
    for (int i = 0; i < mix.count; ++i) {
        const double w = norm2(mix.a[i]);
        mean_x += w * x(mix.n[i], mix.n[i], p);
        mean_x2 += w * x2(mix.n[i], mix.n[i], p);
        var_e += w * (mix.energy[i] - mean_e) * (mix.energy[i] - mean_e);
        for (int j = i + 1; j < mix.count; ++j) {
            const double cross = 2.0 * (std::conj(mix.a[i]) * mix.a[j]).real();
            mean_x += cross * x(mix.n[i], mix.n[j], p);
            mean_x2 += cross * x2(mix.n[i], mix.n[j], p);
        }
    }
    mean_x /= norm;
    mean_x2 /= norm;
    out.x = mean_x;
    // Rounding can leave the difference a hair below zero for a sharp state.
    out.dx = std::sqrt(std::max(mean_x2 - mean_x * mean_x, 0.0));
    out.E = mean_e;
    out.dE = std::sqrt(var_e / norm);
    return true;
}

void draw_expectation_marker(const screen_map& m, double mean, double spread)
{
    const double left = m.plot_left(), right = m.plot_right();
    const double y0 = m.baseline();
    const double lo = std::max(m.X(mean - spread), left), hi = std::min(m.X(mean + spread), right);
    if (lo <= hi) {
        for (double row : {-1.0, 0.0, 1.0})
            plot_line(lo, y0 + row, hi, y0 + row, EXPECTATION_COLOUR);
    }
    const double x = m.X(mean);
    if (x >= left && x <= right)
        plot_line(x, LINE_MARGIN, x, m.energy_top_y() - LINE_MARGIN, EXPECTATION_COLOUR);
}

std::string expectation_lines(const expectation_values& v, bool energies)
{
    std::string text =
        "\n<x>=" + two_decimals(NM_PER_UNIT * v.x) + "nm\n\u0394x=" + two_decimals(NM_PER_UNIT * v.dx) + "nm";
    if (energies)
        text += "\n<E>=" + two_decimals(v.E) + "eV\n\u0394E=" + two_decimals(v.dE) + "eV";
    return text;
}
