// The shared part of the bound-state engines: the step's modes and the
// energy-level list.
//
// Relies on the number text of common/numtext.h for the user's decimal
// separator.
#include "engines/bound_state/bound_state.h"

#include <cmath>
#include <cstdlib>

#include "common/numtext.h"

namespace {

// Each random-walk step moves a coefficient's real and imaginary part by at
// most this much.
constexpr double WALK_STEP = 0.01;

constexpr int COEF_ARRAY_SIZE = static_cast<int>(sizeof(situace::coef) / sizeof(situace::coef[0]));

} // namespace

int random_step()
{
    return std::rand() % 3 - 1;
}

int bound_element(const bound_kind& kind, double n)
{
    const double r = round_even(n);
    if (!(r >= 0.0 - kind.element_offset && r < COEF_ARRAY_SIZE - kind.element_offset))
        return -1;
    return static_cast<int>(r) + kind.element_offset;
}

void bound_step(situace& s, konfig& k, const bound_kind& kind)
{
    if (k.random_walk) {
        s.E = -1.0;
        for (int j = 0; j < COEF_COUNT; ++j) {
            // The first draw moves the imaginary part, the second the real.
            const int r1 = random_step();
            const int r2 = random_step();
            s.coef[FIRST_COEF + j] += cplx(WALK_STEP * r2, WALK_STEP * r1);
        }
    } else if (s.E > -1.0) {
        // Only the ten boxes are cleared. A state above the tenth keeps its 1
        // beyond them after it is left; the lists and plots read only the
        // ten boxes in a superposition, and the oscillator's plot knows such
        // a stale entry for what it is.
        for (int j = 0; j < COEF_COUNT; ++j)
            s.coef[FIRST_COEF + j] = cplx(0.0, 0.0);
        const int e = bound_element(kind, s.E);
        if (e >= 0)
            s.coef[e] = cplx(1.0, 0.0);
    }
}

std::string level_list(const situace& s, const bound_kind& kind, const std::string& header)
{
    std::string text = header + "E(n;P): ";
    auto add_line = [&](int n, double energy_n, cplx c) {
        const double percent = round_even(1000.0 * norm2(c)) / 10.0;
        // Appended piece by piece: GCC 12 at -O3 sees a false overlap
        // (-Wrestrict) in the inlined chain of std::string additions.
        text += '\n';
        text += fmt_g(kind.energy_hundredths(s, energy_n));
        text += "eV(";
        text += std::to_string(n);
        text += "; ";
        text += fmt_g(percent);
        text += "%)";
    };
    if (s.E > -1.0) {
        const int e = bound_element(kind, s.E);
        if (e >= 0)
            add_line(e - kind.element_offset, s.E, s.coef[e]);
        return text;
    }
    double sum = 0.0;
    for (int j = 0; j < COEF_COUNT; ++j) {
        const int n = kind.first_state + j;
        const cplx c = s.coef[n + kind.element_offset];
        if (c != cplx(0.0, 0.0))
            add_line(n, n, c);
        sum += norm2(c);
    }
    // Typed coefficients not yet normalised, or the random walk, leave the
    // probabilities adding up to something else than 100 %: the sum says so
    // (to the list's one decimal, so that rounding alone never shows it).
    const double sum_percent = round_even(1000.0 * sum) / 10.0;
    if (sum_percent != 100.0)
        text += "\n\u03A3=" + fmt_g(sum_percent) + "%";
    return text;
}
