// The oscillator's physics against facts found independently of its code
// (numerical integrals, parity, the classical turning point, the swing of
// a two-state mix), the fast evaluation against the plain formula, the
// listing texts, and the arrow keys and layout driven through the graphics
// layer's test mode.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engines/oscillator/oscillator.h"
#include "platform/zgl_test.h"
#include "tests/oscillator_reference.h"

namespace {

// hbar / (m w): the squared length scale of the oscillator, internal units^2.
double length_sq(double omega)
{
    return 6.582119514e-16 / (9.109e-31 * omega);
}

situace oscillator(double n, double omega = 1e15)
{
    situace s{};
    s.E = n;
    s.a = omega;
    return s;
}

std::vector<cplx> wave(const situace& s, double t, const std::vector<double>& x, wave_sampler f)
{
    std::vector<cplx> psi(x.size());
    f(s, t, x.data(), x.size(), psi.data());
    return psi;
}

// Simpson's rule of g over the positions lo + j h, j = 0 .. 2 m.
double simpson(const std::vector<double>& g, double h)
{
    double sum = g.front() + g.back();
    for (size_t j = 1; j + 1 < g.size(); ++j)
        sum += (j % 2 ? 4.0 : 2.0) * g[j];
    return sum * h / 3.0;
}

// -reach .. reach in `intervals` equal steps, exactly symmetric about 0.
std::vector<double> grid(double reach, int intervals)
{
    std::vector<double> x(intervals + 1);
    for (int j = 0; j <= intervals; ++j)
        x[j] = reach * (2 * j - intervals) / intervals;
    return x;
}

} // namespace

// ---- Physics ---------------------------------------------------------------------

TEST(OscillatorModel, StatesAreNormalisedHaveTheirParityAndTurnWhereTheirEnergyMeetsThePotential)
{
    for (double omega : {1e15, 3e15}) {
        for (int n = 0; n <= 31; ++n) {
            SCOPED_TRACE(testing::Message() << "w " << omega << " n " << n);
            const situace s = oscillator(n, omega);
            const double xn = turning_point(omega, n);
            // Ten classical widths (2 x_n) either side.
            const double reach = 20.0 * xn;
            const int intervals = 2 * static_cast<int>(reach / 0.004);
            const auto x = grid(reach, intervals);
            const auto psi = wave(s, 0.0, x, oscillator_wave);
            std::vector<double> density(x.size());
            double largest = 0.0;
            for (size_t j = 0; j < x.size(); ++j) {
                density[j] = std::norm(psi[j]);
                largest = std::max(largest, std::abs(psi[j]));
            }
            EXPECT_NEAR(simpson(density, x[1] - x[0]), 1.0, 1e-6);
            // psi(-x) = (-1)^n psi(x): the grid is symmetric about 0.
            const double sign = n % 2 ? -1.0 : 1.0;
            for (size_t j = 0; j < x.size(); j += 97)
                EXPECT_LE(std::abs(psi[x.size() - 1 - j] - sign * psi[j]), 1e-14 * largest);
            // A classical particle of energy E_n turns where V = E_n; the
            // turning point is also sqrt(2n + 1) oscillator lengths out.
            const double e = level_energy(omega, n);
            EXPECT_NEAR(oscillator_potential(omega, xn), e, 1e-12 * e);
            EXPECT_NEAR(oscillator_potential(omega, -xn), e, 1e-12 * e);
            EXPECT_NEAR(xn * xn, (2 * n + 1) * length_sq(omega), 1e-12 * xn * xn);
        }
    }
    // The Gaussian ground state at 1e15 rad/s: (m w / (pi hbar))^(1/4) at
    // the centre, and xi = 1.17639 one unit out.
    const auto g = wave(oscillator(0), 0.0, {0.0, 1.0}, oscillator_wave);
    EXPECT_NEAR(g[0].real(), 0.81468, 5e-6);
    EXPECT_NEAR(g[1].real() / g[0].real(), std::exp(-1.17639 * 1.17639 / 2.0), 2e-6);
}

TEST(OscillatorModel, FastEvaluationEqualsThePlainFormulaForEveryStateUpTo31)
{
    struct view {
        double half_range, density;
    };
    std::vector<situace> states;
    for (int n = 0; n <= 31; ++n)
        states.push_back(oscillator(n));
    // Superpositions: all ten states with assorted moduli and phases, and
    // a sparse one whose highest state is 5.
    situace all = oscillator(-1.0);
    for (int j = 0; j < COEF_COUNT; ++j)
        all.coef[FIRST_COEF + j] = std::polar(0.2 + 0.15 * j, 0.7 * j);
    states.push_back(all);
    situace sparse = oscillator(-1.0);
    sparse.coef[FIRST_COEF + 1] = cplx(0.0, -0.6);
    sparse.coef[FIRST_COEF + 5] = cplx(1.2, 0.3);
    states.push_back(sparse);

    for (double omega : {1e15, 1.7e15, 3e15}) {
        for (const view v : {view{3.0, 351.0}, view{5.25, 200.0}, view{40.0, 26.0}}) {
            std::vector<double> x;
            for (double i = -v.half_range * v.density; i <= v.half_range * v.density; i += 1.0)
                x.push_back(i / v.density);
            for (situace s : states) {
                s.a = omega;
                for (double t : {0.0, 3.3e-15}) {
                    SCOPED_TRACE(testing::Message()
                                 << "w " << omega << " K " << v.half_range << " E " << s.E << " t " << t);
                    const auto fast = wave(s, t, x, oscillator_wave);
                    const auto plain = wave(s, t, x, reference_wave);
                    double largest = 0.0, worst = 0.0;
                    for (size_t j = 0; j < x.size(); ++j) {
                        largest = std::max(largest, std::abs(plain[j]));
                        worst = std::max(worst, std::abs(fast[j] - plain[j]));
                    }
                    ASSERT_GT(largest, 0.01);
                    EXPECT_LE(worst, 1e-12 * largest);
                }
            }
        }
    }
}

TEST(OscillatorModel, AnEqualMixOfNeighboursSwingsAboutTheCentreOncePerPeriod)
{
    // For (psi_n + psi_(n+1)) / sqrt 2 the mean position is
    // <n|x|n+1> cos(w t), with <n|x|n+1> = sqrt((n + 1) / 2) sqrt(hbar / (m w)).
    const double omega = 1e15;
    const auto x = grid(14.0, 5600);
    for (int n : {0, 4, 8}) {
        situace s = oscillator(-1.0, omega);
        s.coef[FIRST_COEF + n] = s.coef[FIRST_COEF + n + 1] = cplx(std::sqrt(0.5), 0.0);
        const double swing = std::sqrt((n + 1) / 2.0) * std::sqrt(length_sq(omega));
        const double period = 2.0 * M_PI / omega;
        for (int k = 0; k <= 16; ++k) {
            SCOPED_TRACE(testing::Message() << "n " << n << " t " << k << "/8 T");
            const double t = period * k / 8.0;
            const auto psi = wave(s, t, x, oscillator_wave);
            std::vector<double> moment(x.size());
            for (size_t j = 0; j < x.size(); ++j)
                moment[j] = x[j] * std::norm(psi[j]);
            EXPECT_NEAR(simpson(moment, x[1] - x[0]), swing * std::cos(omega * t), 1e-8 * swing);
        }
    }
}

// ---- The listing -------------------------------------------------------------------

TEST(OscillatorModel, ListingHasTheFrequencyHeaderAndTheStatesPresent)
{
    const std::string head = "\xCF\x89 = 1 fs\xE2\x81\xBB\xC2\xB9\nE(n;P): "; // "ω = 1 fs⁻¹"
    konfig k{};
    struct step_case {
        const char* what;
        double E, omega;
        std::vector<std::pair<int, cplx>> boxes; // set before the step
        std::string text;
    };
    const step_case cases[] = {
        {"default", 4.0, 1e15, {}, head + "\n2.96eV(4; 100%)"},
        {"ground", 0.0, 1e15, {}, head + "\n0.33eV(0; 100%)"},
        {"faster", 4.0, 1.5e15, {}, "\xCF\x89 = 1.5 fs\xE2\x81\xBB\xC2\xB9\nE(n;P): \n4.44eV(4; 100%)"},
        {"two boxes",
         -1.0,
         1e15,
         {{0, cplx(0.7071, 0)}, {1, cplx(0.7071, 0)}},
         head + "\n0.33eV(0; 50%)\n0.99eV(1; 50%)"},
        {"imaginary", -1.0, 1e15, {{9, cplx(0, 0.3)}}, head + "\n6.25eV(9; 9%)"},
    };
    for (const step_case& c : cases) {
        SCOPED_TRACE(c.what);
        situace s = oscillator(c.E, c.omega);
        for (const auto& [box, value] : c.boxes)
            s.coef[FIRST_COEF + box] = value;
        oscillator_step(s, k);
        EXPECT_EQ(oscillator_list(s), c.text);
    }
    // State 12 keeps its coefficient above the panel after state 3 is
    // chosen; the listing shows only state 3.
    situace s = oscillator(12.0);
    oscillator_step(s, k);
    s.E = 3.0;
    oscillator_step(s, k);
    EXPECT_EQ(s.coef[17], cplx(1.0, 0.0));
    EXPECT_EQ(oscillator_list(s), head + "\n2.3eV(3; 100%)");
}

// ---- Keys and layout -----------------------------------------------------------------

namespace {

class OscillatorInput : public testing::Test {
  protected:
    konfig k{};
    situace s = oscillator(4.0);
    control plocha{};

    void SetUp() override
    {
        ztest_Enable();
        ASSERT_TRUE(zglLoad());
        scr_SetOptions(800, 600, 1, false, true);
        zgl_Init();
        k.width = 800;
        k.height = 600;
        k.half_range = 3.0;
        plocha.name = "plocha";
    }
    void TearDown() override { ztest_Shutdown(); }

    // One tick in which `key` is pressed (0: none), as the shell runs it
    // when none of its own rules acted. Returns the engine's `changed`.
    bool press(uint8_t key)
    {
        if (key != 0)
            ztest_KeyDown(key);
        ztest_Tick();
        bool changed = false;
        oscillator_input(s, k, &plocha, changed);
        key_ClearState();
        if (key != 0)
            ztest_KeyUp(key);
        return changed;
    }
    void press_times(uint8_t key, int times)
    {
        for (int j = 0; j < times; ++j)
            EXPECT_TRUE(press(key));
    }
};

} // namespace

TEST_F(OscillatorInput, ArrowsChangeFrequencyAndStateOnlyBelowTheCeiling)
{
    // At half range 3 the ceiling is E_7 of 1e15 rad/s.
    EXPECT_DOUBLE_EQ(oscillator_ceiling(3.0), 4.9365896355);
    EXPECT_NEAR(level_energy(1e15, 7), oscillator_ceiling(3.0), 1e-9);
    EXPECT_FALSE(press(0));

    // State 4: w rises to 1.6e15 (4.5 * 1.7e15 = 7.65e15 is not below 7.5e15).
    press_times(K_RIGHT, 10);
    EXPECT_EQ(s.a, 1.6e15);
    // Down to the lowest frequency and no further, each press a change.
    press_times(K_LEFT, 10);
    EXPECT_EQ(s.a, 1e15);
    // State 6 at 1e15: one step to 1.1e15.
    s.E = 6.0;
    press_times(K_RIGHT, 3);
    EXPECT_EQ(s.a, 1.1e15);
    press(K_LEFT);
    // Up stops at 6 (E_7 = ceiling is not below it); Down stops at 0.
    press_times(K_UP, 5);
    EXPECT_EQ(s.E, 6.0);
    press_times(K_DOWN, 9);
    EXPECT_EQ(s.E, 0.0);
    // From a superposition Up selects the ground state; Down changes nothing.
    s.E = -1.0;
    press(K_DOWN);
    EXPECT_EQ(s.E, -1.0);
    press(K_UP);
    EXPECT_EQ(s.E, 0.0);
    // Zoomed far out nothing but the limits hold: 3e15 rad/s and state 31.
    k.half_range = 150.0;
    press_times(K_RIGHT, 25);
    EXPECT_EQ(s.a, 3e15);
    press_times(K_UP, 40);
    EXPECT_EQ(s.E, 31.0);
}

TEST_F(OscillatorInput, LayoutPutsTheMiddleStripOverTheCentralRegion)
{
    control c[5]{};
    const char* names[] = {"plocha", "vypis", "V1", "V2", "V3"};
    for (int j = 0; j < 5; ++j) {
        c[j].name = names[j];
        c[j].next = j < 4 ? &c[j + 1] : nullptr;
        c[j].rect = {0.0f, 500.0f, 10.0f, 60.0f};
    }
    k.controls = &c[0];
    s.a = 1.5e15; // 1.5 units wide: 400 -+ 87.5 px at 700 px for 6 units
    oscillator_layout(s, k);
    EXPECT_FLOAT_EQ(c[2].rect.x, 0.0f); // V1 keeps its left edge
    EXPECT_FLOAT_EQ(c[2].rect.w, 312.5f - 50.0f);
    EXPECT_FLOAT_EQ(c[3].rect.x, 312.5f);
    EXPECT_FLOAT_EQ(c[3].rect.w, 175.0f);
    EXPECT_FLOAT_EQ(c[4].rect.x, 487.5f);
    EXPECT_FLOAT_EQ(c[4].rect.w, 750.0f - 487.5f);
    for (int j = 2; j < 5; ++j) {
        EXPECT_FLOAT_EQ(c[j].rect.y, 500.0f);
        EXPECT_FLOAT_EQ(c[j].hover_rect.x, c[j].rect.x);
        EXPECT_FLOAT_EQ(c[j].hover_rect.w, c[j].rect.w);
    }
}
