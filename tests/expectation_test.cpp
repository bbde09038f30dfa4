// Expectation values against textbook results and the engines' sampled
// densities; the K packets; the boxes' turning phasors (clicks: shell_test).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/controls.h"
#include "common/constants.h"
#include "engines/infinite_well/infinite_well.h"
#include "engines/oscillator/oscillator.h"

constexpr double L = 2.5, W = 1e15;
const double B = std::sqrt(HBAR / (MASS * W)); // the oscillator's length scale
const system_record &WELL = JAMA_INF_SYSTEM, &OSC = OSCILATOR_SYSTEM;
static double e_of(const system_record& sys, int j) // of box j's state
{
    return &sys == &WELL ? std::pow((j + 1) * PI * HBAR / L, 2) / TWO_M : HBAR * W * (j + 0.5);
}

static situace make(const system_record& sys, double E, std::vector<std::pair<int, cplx>> boxes = {})
{
    situace s{};
    s.E = E, s.a = sys.a, s.system = &sys;
    for (auto [j, c] : boxes)
        s.coef[FIRST_COEF + j] = c;
    return s;
}

static expectation_values of(const situace& s, double t)
{
    expectation_values v{NAN, NAN, NAN, NAN};
    EXPECT_TRUE(s.system == &WELL ? well_expectation(s, t, v) : oscillator_expectation(s, t, v));
    return v;
}

TEST(Expectation, TextbookValuesOfPureStatesTwoStateSwingsAndTypedMixes)
{
    const double r = 1 / std::sqrt(2.0), w21 = (e_of(WELL, 1) - e_of(WELL, 0)) / HBAR;
    const std::vector<std::pair<int, cplx>> typed = {{0, 0.3}, {2, cplx(0, 0.9)}, {5, 1.2}}; // sum |c|^2 2.34
    auto mean = [](auto& s) { return (.09 * e_of(s, 0) + .81 * e_of(s, 2) + 1.44 * e_of(s, 5)) / 2.34; };
    struct row { situace s; double t, x, dx, E, dE, scale; };
    std::vector<row> rows = {
        {make(WELL, 1), 0, L / 2, L * std::sqrt(1 / 12.0 - 1 / (2 * PI * PI)), e_of(WELL, 0), 0, L},
        {make(WELL, -1, typed), 0, NAN, NAN, mean(WELL), NAN, L},
        {make(OSC, -1, typed), 0, NAN, NAN, mean(OSC), NAN, B}};
    for (double t : {0.0, 0.77e-15, 2.1e-15, 13.7e-15}) {
        rows.push_back({make(WELL, -1, {{0, r}, {1, r}}), t, L / 2 - 16 * L / (9 * PI * PI) * cos(w21 * t),
                        NAN, NAN, NAN, L});
        rows.push_back({make(OSC, -1, {{0, r}, {1, r}}), t, std::sqrt(HBAR / (2 * MASS * W)) * cos(W * t),
                        NAN, NAN, NAN, B});
    }
    for (int n : {0, 4, 9, 17})
        rows.push_back({make(OSC, n), 1e-15, 0, std::sqrt((n + .5) * HBAR / (MASS * W)), e_of(OSC, n), 0, B});
    for (const row& c : rows) {
        const expectation_values v = of(c.s, c.t);
        const double want[4] = {c.x, c.dx, c.E, c.dE}, got[4] = {v.x, v.dx, v.E, v.dE};
        for (int i = 0; i < 4; ++i)
            EXPECT_TRUE(std::isnan(want[i]) || std::fabs(got[i] - want[i]) <= 1e-9 * (i < 2 ? c.scale : c.E))
                << c.s.system->name << " E=" << c.s.E << " t=" << c.t << " value " << i << ": " << got[i];
    }
}

TEST(Expectation, ClosedFormsAgreeWithTheSampledDensityPacketsAreWhereTheyShouldBeBoxesTurn)
{
    const std::vector<std::pair<int, cplx>> mix = {{0, .3}, {1, cplx(.2, .4)}, {3, -.5}, {9, cplx(0, .6)}};
    situace well_k = make(WELL, 1), osc_k = make(OSC, 4);
    well_packet(well_k);
    oscillator_packet(osc_k);
    for (const situace& s : {make(WELL, -1, mix), well_k, make(OSC, -1, mix), osc_k})
        for (double t : {0.0, 0.4e-15, 3.3e-15}) {
            // <x> and dx of the engine's sampled |psi|^2 (midpoint rule).
            const int n = 20000;
            std::vector<double> x(n), m(3);
            std::vector<cplx> psi(n);
            for (int i = 0; i < n; ++i)
                x[i] = s.system == &WELL ? L * (i + .5) / n : 28 * (i + .5) / n - 14;
            s.system == &WELL ? sample_wave(s, t, x.data(), n, psi.data())
                              : oscillator_wave(s, t, x.data(), n, psi.data());
            for (int i = 0; i < n * 3; ++i)
                m[i % 3] += norm2(psi[i / 3]) * std::pow(x[i / 3], i % 3);
            EXPECT_NEAR(of(s, t).x, m[1] / m[0], 1e-6) << s.system->name << " t=" << t;
            EXPECT_NEAR(of(s, t).dx, std::sqrt(m[2] / m[0] - std::pow(m[1] / m[0], 2)), 1e-6) << t;
            for (int j = 0; j < COEF_COUNT; ++j) { // what the panel's boxes show
                const cplx turned = s.coef[FIRST_COEF + j] * std::polar(1.0, -e_of(*s.system, j) * t / HBAR);
                EXPECT_LT(std::abs(box_shown(s, j, t) - turned), 1e-12) << s.system->name << " C" << j;
            }
        }
    // The well's Gaussian of width L/10 at L/4: its density spreads by
    // L/(10 sqrt 2); the wall and the ten states cost less than 1 %.
    EXPECT_NEAR(of(well_k, 0).x, L / 4, 0.01 * L / 4);
    EXPECT_NEAR(of(well_k, 0).dx, L / (10 * std::sqrt(2.0)), 0.01 * L / 10);
    // The coherent state swings as cos(w t) from 2 sqrt(2) b, less the cut's
    // pairs (n, n + 1) beyond n = 8, of Poisson weight (mean 4) 2.1 %.
    const double x0 = of(osc_k, 0).x;
    EXPECT_NEAR(x0, 2 * std::sqrt(2.0) * B, 0.021 * 2 * std::sqrt(2.0) * B);
    for (double t : {0.5e-15, 1.9e-15, 4.4e-15, 2 * PI / W})
        EXPECT_NEAR(of(osc_k, t).x, x0 * std::cos(W * t), 1e-9 * B) << t;
}
