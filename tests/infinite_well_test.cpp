// The infinite well's model, step, level list, keys and layout, checked
// against independent facts: numerical integrals of |psi|^2, the n^2 law of
// the levels, the beat period h / (E2 - E1), and the plain formula of
// tests/infinite_well_reference.h for the fast sampler.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "engines/infinite_well/infinite_well.h"
#include "infinite_well_reference.h"
#include "platform/zgl_test.h"

namespace {

// The system's defaults: ground state, ceiling 50 eV, width 2.5 units.
situace well()
{
    situace s{};
    s.E = 1.0;
    s.V2 = 50.0;
    s.a = 2.5;
    return s;
}

// psi at n + 1 evenly spaced points 0 .. L (the walls included), by the
// engine's sampler; the wall x = 0 itself is outside the well, psi 0.
std::vector<cplx> samples(const situace& s, long double t, int n)
{
    std::vector<double> x(n);
    for (int j = 0; j < n; ++j)
        x[j] = s.a * (j + 1) / n;
    std::vector<cplx> psi(n + 1, cplx(0.0, 0.0));
    sample_wave(s, t, x.data(), n, psi.data() + 1);
    return psi;
}

// The integral of |psi|^2 over the well, Simpson's rule on 2000 panels.
double norm_integral(const situace& s, long double t)
{
    const int n = 2000;
    const auto psi = samples(s, t, n);
    double sum = std::norm(psi[0]) + std::norm(psi[n]);
    for (int j = 1; j < n; ++j)
        sum += (j % 2 ? 4.0 : 2.0) * std::norm(psi[j]);
    return sum * (s.a / n) / 3.0;
}

} // namespace

// ---- Physics -------------------------------------------------------------------

TEST(InfiniteWellModel, StationaryStatesVanishAtTheWallsAndHaveUnitNorm)
{
    for (double L : {0.5, 2.5, 5.0})
        for (int n = 1; n <= 12; ++n) {
            SCOPED_TRACE(testing::Message() << "L " << L << " n " << n);
            situace s = well();
            s.a = L;
            s.E = n;
            const auto psi = samples(s, 3e-15L, 2000);
            EXPECT_EQ(psi.front(), cplx(0.0, 0.0));
            // sin(n pi) with the ten-digit pi is about n * 4e-10, not 0.
            EXPECT_LT(std::abs(psi.back()), 1e-8);
            EXPECT_NEAR(norm_integral(s, 3e-15L), 1.0, 1e-6);
        }
}

TEST(InfiniteWellModel, LevelsGrowAsTheSquareOfTheStateNumber)
{
    EXPECT_NEAR(well_level(1, 2.5), 0.37554, 5e-6);
    for (int n = 1; n <= 23; ++n)
        EXPECT_NEAR(well_level(n, 2.5) / (n * n * well_level(1, 2.5)), 1.0, 1e-14) << n;
    // Halving the width quadruples every level.
    EXPECT_NEAR(well_level(3, 1.25) / well_level(3, 2.5), 4.0, 1e-14);
    // The phase factor turns at E_n / hbar: a quarter turn after
    // (pi/2) hbar / E_n (the true pi here: this is elapsed time, not the
    // program's constant).
    const double quarter = 1.5707963267948966 * 6.582119514e-16 / well_level(2, 2.5);
    const cplx f = well_phase(2, 2.5, quarter);
    EXPECT_NEAR(f.real(), 0.0, 1e-12);
    EXPECT_NEAR(f.imag(), -1.0, 1e-12);
}

TEST(InfiniteWellModel, SuperpositionNormStaysConstantInTime)
{
    situace s = well();
    s.E = -1.0;
    std::mt19937 gen(7);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    double weight = 0.0;
    for (int j = 5; j <= 14; ++j) {
        s.coef[j] = cplx(u(gen), u(gen));
        weight += std::norm(s.coef[j]);
    }
    // The states are orthonormal: the norm is the sum of |c_n|^2 at any time.
    for (long double t : {0.0L, 1.3e-16L, 7.7e-15L, 2.5e-13L})
        EXPECT_NEAR(norm_integral(s, t), weight, 1e-6 * weight) << static_cast<double>(t);
}

TEST(InfiniteWellModel, EqualTwoStateDensityRepeatsAfterTheBeatPeriod)
{
    situace s = well();
    s.E = -1.0;
    s.coef[5] = s.coef[6] = cplx(std::sqrt(0.5), 0.0);
    const double h = 2.0 * 3.141592653589793 * 6.582119514e-16;
    const long double T = h / (well_level(2, 2.5) - well_level(1, 2.5));
    const long double t0 = 1.1e-15L;
    const auto a = samples(s, t0, 400), b = samples(s, t0 + T, 400), half = samples(s, t0 + T / 2, 400);
    double repeat = 0.0, moved = 0.0;
    for (size_t j = 0; j < a.size(); ++j) {
        repeat = std::max(repeat, std::fabs(std::norm(a[j]) - std::norm(b[j])));
        moved = std::max(moved, std::fabs(std::norm(a[j]) - std::norm(half[j])));
    }
    EXPECT_LT(repeat, 1e-9);
    EXPECT_GT(moved, 0.1); // half a period later the density has sloshed across
}

TEST(InfiniteWellModel, FastSamplerEqualsThePlainFormula)
{
    std::mt19937 gen(11);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    struct setup {
        double E, L;
        long double t;
    };
    for (const setup c : {setup{-1, 2.5, 0.0L}, setup{-1, 2.5, 4.2e-15L}, setup{-1, 0.3, 1e-16L},
                          setup{-1, 5.0, 3.3e-14L}, setup{1, 2.5, 2e-15L}, setup{7, 1.7, 5e-15L}}) {
        SCOPED_TRACE(testing::Message() << "E " << c.E << " L " << c.L << " t " << static_cast<double>(c.t));
        situace s = well();
        s.E = c.E;
        s.a = c.L;
        for (int j = 5; j <= 14; ++j)
            s.coef[j] = cplx(u(gen), u(gen));
        // The plot's own samples: 0 < x <= L at 200 a unit.
        std::vector<double> x;
        for (double i = 1.0; i <= 200.0 * c.L; i += 1.0)
            x.push_back(i / 200.0);
        std::vector<cplx> fast(x.size()), plain(x.size());
        sample_wave(s, c.t, x.data(), static_cast<int>(x.size()), fast.data());
        reference::direct_wave(s, c.t, x.data(), static_cast<int>(x.size()), plain.data());
        double largest = 0.0, worst = 0.0;
        for (size_t j = 0; j < x.size(); ++j) {
            largest = std::max(largest, std::abs(plain[j]));
            worst = std::max(worst, std::abs(fast[j] - plain[j]));
        }
        ASSERT_GT(largest, 0.1);
        EXPECT_LE(worst, 1e-12 * largest);
    }
}

// ---- Step and level list ----------------------------------------------------------

TEST(InfiniteWellStep, LevelListShowsEnergyAndProbabilityOfEveryStatePresent)
{
    konfig k{};
    struct expect {
        const char* what;
        double E;
        int box;
        cplx c;
        const char* list;
    };
    for (const expect& c : {
             expect{"default", 1.0, -1, 0.0, "E(n;P): \n0.38eV(1; 100%)"},
             expect{"pure state 3", 3.0, -1, 0.0, "E(n;P): \n3.38eV(3; 100%)"},
             expect{"box C2 = 1", -1.0, 2, 1.0, "E(n;P): \n3.38eV(3; 100%)"},
             expect{"imaginary only", -1.0, 0, cplx(0.0, 0.3), "E(n;P): \n0.38eV(1; 9%)"},
             expect{"state 0", 0.0, -1, 0.0, "E(n;P): \n0eV(0; 100%)"},
             expect{"empty superposition", -1.0, -1, 0.0, "E(n;P): "},
         }) {
        SCOPED_TRACE(c.what);
        situace s = well();
        s.E = c.E;
        if (c.box >= 0)
            s.coef[5 + c.box] = c.c;
        infinite_well_step(s, k);
        EXPECT_EQ(well_level_list(s), c.list);
    }
    // Two states, listed in order with their own shares.
    situace s = well();
    s.E = -1.0;
    s.coef[14] = cplx(0.0, -0.8);
    s.coef[6] = cplx(0.6, 0.0);
    EXPECT_EQ(well_level_list(s), "E(n;P): \n1.5eV(2; 36%)\n37.55eV(10; 64%)");
}

TEST(InfiniteWellStep, PureStateKeepsOnlyItsOwnCoefficientAndShowsTheBoundStateButtons)
{
    const char* names[] = {"plocha", "vypis", "V1", "V2", "V3", "tl_lupa", "tl_sup", "pl_sup", "C0"};
    std::vector<control> list(std::size(names));
    for (size_t j = 0; j < list.size(); ++j) {
        list[j].name = names[j];
        list[j].visible = j < 5;
        list[j].next = j + 1 < list.size() ? &list[j + 1] : nullptr;
    }
    konfig k{};
    k.controls = &list[0];
    situace s = well();
    s.E = 11.0; // above the panel's ten boxes: element 15
    s.coef[5] = s.coef[9] = cplx(0.5, 0.5);
    infinite_well_step(s, k);
    EXPECT_EQ(s.coef[15], cplx(1.0, 0.0));
    s.E = 3.0;
    infinite_well_step(s, k);
    for (int e = 5; e <= 100; ++e)
        EXPECT_EQ(s.coef[e], e == 7 ? cplx(1.0, 0.0) : cplx(0.0, 0.0)) << e;
    EXPECT_TRUE(list[0].visible && list[1].visible);
    EXPECT_FALSE(list[2].visible || list[3].visible || list[4].visible);
    EXPECT_TRUE(list[5].visible && list[6].visible);
    EXPECT_FALSE(list[7].visible || list[8].visible); // the panel is the shell's
}

TEST(InfiniteWellStep, RandomWalkFirstStepMovesEveryCoefficientByAtMostOneHundredth)
{
    // The default state as the step leaves it: state 1's box at 1.
    konfig k{};
    situace s = well();
    infinite_well_step(s, k);
    // The first step of the walk, with a fixed seed.
    k.random_walk = true;
    std::srand(20240611);
    infinite_well_step(s, k);
    std::srand(20240611);
    EXPECT_EQ(s.E, -1.0);
    for (int e = 5; e <= 14; ++e) {
        const int r1 = std::rand() % 3 - 1, r2 = std::rand() % 3 - 1;
        const cplx start = e == 5 ? cplx(1.0, 0.0) : cplx(0.0, 0.0);
        EXPECT_EQ(s.coef[e], start + cplx(0.01 * r2, 0.01 * r1)) << e;
        EXPECT_LE(std::fabs(s.coef[e].real() - start.real()), 0.01 + 1e-15);
        EXPECT_LE(std::fabs(s.coef[e].imag() - start.imag()), 0.01 + 1e-15);
    }
}

// ---- Keys --------------------------------------------------------------------------

namespace {

class InfiniteWellInput : public testing::Test {
  protected:
    konfig k{};
    situace s = well();
    control v3{};

    void SetUp() override
    {
        ztest_Enable();
        ASSERT_TRUE(zglLoad());
        scr_SetOptions(800, 600, 1, false, true);
        zgl_Init();
        v3.name = "V3";
        v3.visible = true;
    }
    void TearDown() override { ztest_Shutdown(); }

    // One tick in which the shell hands the input to the engine, then
    // clears the pressed state. The mouse is over "V3", which makes no
    // difference in this system.
    bool tick()
    {
        ztest_Tick();
        bool changed = false;
        infinite_well_input(s, k, &v3, changed);
        mouse_ClearState();
        key_ClearState();
        return changed;
    }
    bool press(uint8_t key)
    {
        ztest_KeyDown(key);
        const bool changed = tick();
        ztest_KeyUp(key);
        return changed;
    }
};

} // namespace

TEST_F(InfiniteWellInput, RightWidensByFifteenThousandthsUpToFive)
{
    ztest_KeyDown(K_RIGHT);
    EXPECT_TRUE(tick());
    EXPECT_DOUBLE_EQ(s.a, 2.515);
    s.a = 4.975;
    tick();
    EXPECT_DOUBLE_EQ(s.a, 4.99);
    tick();
    EXPECT_DOUBLE_EQ(s.a, 5.0);
    tick();
    EXPECT_DOUBLE_EQ(s.a, 5.0);
}

TEST_F(InfiniteWellInput, LeftNarrowsUntilTheSelectedLevelWouldReachTheCeiling)
{
    s.E = 11.0;
    ztest_KeyDown(K_LEFT);
    for (int j = 0; j < 20; ++j)
        tick();
    EXPECT_DOUBLE_EQ(s.a, 2.395);
    EXPECT_LT(well_level(11, s.a), 50.0);
    EXPECT_GE(well_level(11, s.a - 0.015), 50.0);
    // A refused Left goes on to the state keys.
    EXPECT_TRUE(press(K_DOWN));
    EXPECT_EQ(s.E, 10.0);
    EXPECT_DOUBLE_EQ(s.a, 2.395);
    // In a superposition the first level is the limit: near 0.232.
    s.E = -1.0;
    for (int j = 0; j < 200; ++j)
        tick();
    EXPECT_NEAR(s.a, 0.232, 0.015);
    EXPECT_LT(well_level(1, s.a), 50.0);
}

TEST_F(InfiniteWellInput, WidthStopsAtTwoHundredthsWhenNoLevelLimitsIt)
{
    s.E = 0.0; // state 0 has no energy: the level guard never refuses
    s.a = 0.05;
    ztest_KeyDown(K_LEFT);
    tick();
    EXPECT_DOUBLE_EQ(s.a, 0.035);
    tick();
    EXPECT_DOUBLE_EQ(s.a, 0.02);
    EXPECT_TRUE(tick());
    EXPECT_DOUBLE_EQ(s.a, 0.02);
}

TEST_F(InfiniteWellInput, UpAndDownChooseTheStateWhereverTheMouseIs)
{
    s.E = -1.0;
    EXPECT_TRUE(press(K_UP));
    EXPECT_EQ(s.E, 1.0);
    // Up to the highest level below the 50 eV ceiling: 11 at the default
    // width (E_11 = 45.44 eV, E_12 = 54.08 eV); Shift changes nothing.
    ztest_KeyDown(K_SHIFT);
    for (int j = 0; j < 15; ++j)
        press(K_UP);
    EXPECT_EQ(s.E, 11.0);
    for (int j = 0; j < 15; ++j)
        EXPECT_TRUE(press(K_DOWN));
    EXPECT_EQ(s.E, 1.0);
    EXPECT_EQ(s.V1, 0.0);
    EXPECT_EQ(s.V3, 0.0);
    // Held without a new press: nothing.
    ztest_KeyDown(K_UP);
    tick();
    EXPECT_FALSE(tick());
    EXPECT_EQ(s.E, 2.0);
}

// ---- Layout ------------------------------------------------------------------------

TEST(InfiniteWellLayout, StripsCoverTheWallsOutsidesAndTheWell)
{
    const char* names[] = {"plocha", "vypis", "V1", "V2", "V3"};
    control list[5]{};
    for (int j = 0; j < 5; ++j) {
        list[j].name = names[j];
        list[j].rect = zgl_rect{0.0f, 400.0f, 0.0f, 150.0f};
        list[j].next = j < 4 ? &list[j + 1] : nullptr;
    }
    konfig k{};
    k.width = 800;
    k.height = 600;
    k.half_range = 3.0;
    k.controls = list;
    situace s = well();
    infinite_well_layout(s, k);
    // The walls at 400 -+ 700 * 2.5 / 12.
    const double xl = 400.0 - 700.0 * 2.5 / 12.0, xr = 400.0 + 700.0 * 2.5 / 12.0;
    EXPECT_FLOAT_EQ(list[2].rect.w, static_cast<float>(xl - 50.0));
    EXPECT_FLOAT_EQ(list[3].rect.x, static_cast<float>(xl));
    EXPECT_FLOAT_EQ(list[3].rect.w, static_cast<float>(xr - xl));
    EXPECT_FLOAT_EQ(list[4].rect.x, static_cast<float>(xr));
    EXPECT_FLOAT_EQ(list[4].rect.x + list[4].rect.w, 750.0f);
    for (int j = 2; j < 5; ++j) {
        EXPECT_FLOAT_EQ(list[j].rect.y, 400.0f);
        EXPECT_FLOAT_EQ(list[j].rect.h, 150.0f);
        EXPECT_EQ(list[j].hover_rect.x, list[j].rect.x);
        EXPECT_EQ(list[j].hover_rect.w, list[j].rect.w);
    }
}
