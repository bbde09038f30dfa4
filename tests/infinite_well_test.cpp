// The infinite well's model, step, level list and keys, checked against
// independent facts: numerical integrals of |psi|^2, the n^2 law of the
// levels, the beat period h / (E2 - E1), and the plain formula of
// tests/infinite_well_reference.h for the fast sampler.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

#include "infinite_well_reference.h"
#include "platform/zgl_test.h"

namespace {

using reference::default_well;

// psi by the engine's sampler at n + 1 evenly spaced points 0 .. L, walls
// included (x = 0 lies outside the well: psi 0).
std::vector<cplx> samples(const situace& s, long double t, int n)
{
    std::vector<double> x(n);
    for (int j = 0; j < n; ++j)
        x[j] = s.a * (j + 1) / n;
    std::vector<cplx> psi(n + 1, 0.0);
    sample_wave(s, t, x.data(), n, psi.data() + 1);
    return psi;
}

// The integral of |psi|^2 over the well by Simpson's rule on 2000 panels.
double norm_integral(const situace& s, long double t)
{
    const auto psi = samples(s, t, 2000);
    double sum = std::norm(psi[0]) + std::norm(psi[2000]);
    for (int j = 1; j < 2000; ++j)
        sum += (j % 2 ? 4.0 : 2.0) * std::norm(psi[j]);
    return sum * (s.a / 2000) / 3.0;
}

situace superposition(unsigned seed)
{
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    situace s = default_well();
    s.E = -1.0;
    for (int e = 5; e <= 14; ++e)
        s.coef[e] = cplx(u(gen), u(gen));
    return s;
}

} // namespace

TEST(InfiniteWellModel, StationaryStatesVanishAtTheWallsHaveUnitNormAndLevelsGrowAsNSquared)
{
    for (double L : {0.5, 2.5, 5.0})
        for (int n = 1; n <= 12; ++n) {
            situace s = default_well();
            s.a = L;
            s.E = n;
            const auto psi = samples(s, 3e-15L, 2000);
            EXPECT_EQ(psi.front(), cplx(0.0, 0.0));
            EXPECT_LT(std::abs(psi.back()), 1e-8); // sin(n pi) with the ten-digit pi: n * 4e-10
            EXPECT_NEAR(norm_integral(s, 3e-15L), 1.0, 1e-6) << L << " " << n;
            EXPECT_NEAR(well_level(n, L) / (n * n * well_level(1, L)), 1.0, 1e-14);
        }
    EXPECT_NEAR(well_level(1, 2.5), 0.37554, 5e-6);
}

TEST(InfiniteWellModel, SuperpositionKeepsItsNormAndTwoStatesBeatWithPeriodHOverTheirGap)
{
    // Orthonormal states: the norm is the sum of |c_n|^2 at any time.
    const situace s = superposition(7);
    double weight = 0.0;
    for (int e = 5; e <= 14; ++e)
        weight += std::norm(s.coef[e]);
    for (long double t : {0.0L, 1.3e-16L, 7.7e-15L, 2.5e-13L})
        EXPECT_NEAR(norm_integral(s, t), weight, 1e-6 * weight);

    situace two = default_well();
    two.E = -1.0;
    two.coef[5] = two.coef[6] = std::sqrt(0.5);
    const long double T = 2.0 * M_PI * reference::HBAR / (well_level(2, 2.5) - well_level(1, 2.5));
    const auto a = samples(two, 1.1e-15L, 400), b = samples(two, 1.1e-15L + T, 400);
    const auto half = samples(two, 1.1e-15L + T / 2, 400);
    double repeat = 0.0, moved = 0.0;
    for (size_t j = 0; j < a.size(); ++j) {
        repeat = std::max(repeat, std::fabs(std::norm(a[j]) - std::norm(b[j])));
        moved = std::max(moved, std::fabs(std::norm(a[j]) - std::norm(half[j])));
    }
    EXPECT_LT(repeat, 1e-9);
    EXPECT_GT(moved, 0.1); // half a period on, the density has sloshed to the other side
}

TEST(InfiniteWellModel, FastSamplerEqualsThePlainFormula)
{
    struct setup {
        double E, L;
        long double t;
    };
    unsigned seed = 1;
    for (const setup c : {setup{-1, 2.5, 0.0L}, setup{-1, 2.5, 4.2e-15L}, setup{-1, 0.3, 1e-16L},
                          setup{-1, 5.0, 3.3e-14L}, setup{1, 2.5, 2e-15L}, setup{7, 1.7, 5e-15L}}) {
        situace s = superposition(++seed);
        s.E = c.E;
        s.a = c.L;
        std::vector<double> x; // the plot's samples at 200 a unit
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
        EXPECT_LE(worst, 1e-12 * largest) << "E " << c.E << " L " << c.L;
    }
}

TEST(InfiniteWellStep, LevelListShowsEnergyAndProbabilityOfEveryStatePresent)
{
    struct expect {
        double E;
        int element;
        cplx c;
        const char* list;
    };
    for (const expect& c : {
             expect{1.0, 0, 0.0, "E(n;P): \n0.38eV(1; 100%)"},
             expect{-1.0, 7, 1.0, "E(n;P): \n3.38eV(3; 100%)"},
             expect{-1.0, 5, cplx(0.0, 0.3), "E(n;P): \n0.38eV(1; 9%)\n\u03A3=9%"},
             expect{-1.0, 6, 0.6, "E(n;P): \n1.5eV(2; 36%)\n37.55eV(10; 64%)"},
             expect{0.0, 0, 0.0, "E(n;P): \n0eV(0; 100%)"},
         }) {
        konfig k{};
        situace s = default_well();
        s.coef[5] = 0.0;
        s.E = c.E;
        s.coef[c.element] = c.c;
        if (c.element == 6)
            s.coef[14] = cplx(0.0, -0.8);
        infinite_well_step(s, k);
        EXPECT_EQ(well_level_list(s), c.list);
    }
}

TEST(InfiniteWellStep, PureStateSetsItsOwnCoefficientAndClearsTheTenBoxes)
{
    konfig k{};
    situace s = default_well();
    s.E = 11.0; // beyond the ten boxes: element 15
    infinite_well_step(s, k);
    EXPECT_EQ(s.coef[15], cplx(1.0, 0.0));
    s.E = 3.0;
    infinite_well_step(s, k);
    for (int e = 5; e <= 14; ++e)
        EXPECT_EQ(s.coef[e], e == 7 ? cplx(1.0, 0.0) : cplx(0.0, 0.0)) << e;
    // State 11's element lies beyond the boxes and keeps its 1; the list
    // of a pure state names only the selected state.
    EXPECT_EQ(s.coef[15], cplx(1.0, 0.0));
    EXPECT_EQ(well_level_list(s), "E(n;P): \n3.38eV(3; 100%)");
}

TEST(InfiniteWellStep, RandomWalkFirstStepMovesEachPartByAtMostOneHundredth)
{
    konfig k{};
    k.random_walk = true;
    situace s = default_well();
    std::srand(20240611);
    infinite_well_step(s, k);
    EXPECT_EQ(s.E, -1.0);
    std::srand(20240611);
    for (int e = 5; e <= 14; ++e) {
        const int r1 = std::rand() % 3 - 1, r2 = std::rand() % 3 - 1; // imaginary, then real
        EXPECT_EQ(s.coef[e], (e == 5 ? 1.0 : 0.0) + cplx(0.01 * r2, 0.01 * r1)) << e;
    }
}

// ---- Keys ---------------------------------------------------------------------------

namespace {

class InfiniteWellInput : public testing::Test {
  protected:
    konfig k{};
    situace s = default_well();
    control v3{}; // the mouse over a strip makes no difference here

    void SetUp() override
    {
        ztest_Enable();
        ASSERT_TRUE(zglLoad());
        zgl_Init();
        v3.name = "V3";
        v3.visible = true;
    }
    void TearDown() override { ztest_Shutdown(); }

    // One tick in which the shell hands the input to the engine.
    bool tick()
    {
        ztest_Tick();
        bool changed = false;
        infinite_well_input(s, k, &v3, changed);
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

TEST_F(InfiniteWellInput, WidthStepsStopAtFiveAtTheCeilingAndAtTwoHundredths)
{
    ztest_KeyDown(K_RIGHT);
    EXPECT_TRUE(tick());
    EXPECT_DOUBLE_EQ(s.a, 2.515);
    s.a = 4.975;
    for (double expect : {4.99, 5.0, 5.0}) {
        tick();
        EXPECT_DOUBLE_EQ(s.a, expect);
    }
    ztest_KeyUp(K_RIGHT);

    // State 11 at 2.395 has 49.51 eV; at 2.38 it would have 50.14.
    s.a = 2.5;
    s.E = 11.0;
    ztest_KeyDown(K_LEFT);
    for (int j = 0; j < 20; ++j)
        tick();
    EXPECT_DOUBLE_EQ(s.a, 2.395);
    EXPECT_TRUE(press(K_DOWN)); // a refused Left goes on to the state keys
    EXPECT_EQ(s.E, 10.0);

    // State 0 has no energy to limit the width: it stops at 0.02.
    s.E = 0.0;
    s.a = 0.05;
    for (double expect : {0.035, 0.02, 0.02}) {
        EXPECT_TRUE(tick());
        EXPECT_DOUBLE_EQ(s.a, expect);
    }
}

TEST_F(InfiniteWellInput, UpAndDownChooseTheStateBelowTheCeilingWhateverShiftAndMouse)
{
    s.E = -1.0;
    EXPECT_TRUE(press(K_UP));
    EXPECT_EQ(s.E, 1.0);
    ztest_KeyDown(K_SHIFT);
    for (int j = 0; j < 15; ++j)
        press(K_UP);
    EXPECT_EQ(s.E, 11.0); // E_11 = 45.44 eV, E_12 = 54.08 eV
    for (int j = 0; j < 15; ++j)
        EXPECT_TRUE(press(K_DOWN));
    EXPECT_EQ(s.E, 1.0);
    EXPECT_EQ(s.V1, 0.0);
    EXPECT_EQ(s.V3, 0.0);
}
