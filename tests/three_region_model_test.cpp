// Three-region model, step and layout: the stationary state checked against
// facts that do not come from its own formulas (continuity of psi and psi'
// at both edges, conservation of the probability current, the bound states
// of a finite well from an independent root finder), the figures of the
// default systems, the norm and its guard, the control walk and the
// placement of the region strips.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tests/default_view.h"
#include "engines/three_region/three_region.h"

namespace {

const cplx I(0.0, 1.0);

situace make_system(double E, double V1, double V2, double V3, double a, double x0)
{
    situace s{};
    s.E = E;
    s.V1 = V1;
    s.V2 = V2;
    s.V3 = V3;
    s.a = a;
    s.x0 = x0;
    s.coef[0] = cplx(1.0, 0.0);
    return s;
}

situace volna()
{
    return make_system(5.0, 2.0, 4.0, 3.0, 2.5, -1.25);
}
situace bariera()
{
    return make_system(6.4, 3.0, 7.0, 0.0, 1.0, 0.0);
}
situace jama()
{
    return make_system(2.61, 9.0, 0.0, 9.0, 2.5, -1.25);
}

cplx A1(const situace& s)
{
    return s.coef[0];
}
cplx B1(const situace& s)
{
    return s.coef[1];
}
cplx A2(const situace& s)
{
    return s.coef[2];
}
cplx B2(const situace& s)
{
    return s.coef[3];
}
cplx A3(const situace& s)
{
    return s.coef[4];
}
cplx B3(const situace& s)
{
    return s.coef[5];
}

void expect_near_c(cplx got, cplx want, double tol, const char* what)
{
    EXPECT_NEAR(got.real(), want.real(), tol) << what;
    EXPECT_NEAR(got.imag(), want.imag(), tol) << what;
}

// psi or psi' on one side of an edge, straight from the region's wave
// function, with the scale of its two terms (what rounding is relative to).
struct side {
    cplx value;
    double scale;
};

side region1(const situace& s, double x, bool slope)
{
    const cplx t1 = A1(s) * std::exp(s.k1 * x), t2 = B1(s) * std::exp(-s.k1 * x);
    if (!slope)
        return {t1 + t2, std::abs(t1) + std::abs(t2)};
    return {s.k1 * t1 - s.k1 * t2, std::abs(s.k1) * (std::abs(t1) + std::abs(t2))};
}

side region2(const situace& s, double x, bool slope)
{
    if (s.k2 == cplx(0.0, 0.0)) {
        if (slope)
            return {A2(s), std::abs(A2(s))};
        return {A2(s) * x + B2(s), std::abs(A2(s) * x) + std::abs(B2(s))};
    }
    const cplx t1 = A2(s) * std::exp(s.k2 * x), t2 = B2(s) * std::exp(-s.k2 * x);
    if (!slope)
        return {t1 + t2, std::abs(t1) + std::abs(t2)};
    return {s.k2 * t1 - s.k2 * t2, std::abs(s.k2) * (std::abs(t1) + std::abs(t2))};
}

side region3(const situace& s, double x, bool slope)
{
    const cplx t1 = A3(s) * std::exp(I * s.k3 * x), t2 = B3(s) * std::exp(-I * s.k3 * x);
    if (!slope)
        return {t1 + t2, std::abs(t1) + std::abs(t2)};
    return {I * s.k3 * t1 - I * s.k3 * t2, std::abs(s.k3) * (std::abs(t1) + std::abs(t2))};
}

double mismatch(side l, side r)
{
    const double scale = std::max({l.scale, r.scale, std::abs(l.value), std::abs(r.value), 1e-300});
    return std::abs(l.value - r.value) / scale;
}

// Largest relative jump of psi or psi' at x0 and at x0 + a.
double worst_mismatch(const situace& s)
{
    const double b = s.x0 + s.a;
    double worst = 0.0;
    for (bool slope : {false, true}) {
        worst = std::max(worst, mismatch(region1(s, s.x0, slope), region2(s, s.x0, slope)));
        worst = std::max(worst, mismatch(region2(s, b, slope), region3(s, b, slope)));
    }
    return worst;
}

bool all_finite(const situace& s)
{
    for (int i = 0; i < 6; ++i)
        if (!std::isfinite(s.coef[i].real()) || !std::isfinite(s.coef[i].imag()))
            return false;
    return true;
}

// Random parameter sets of one kind. Potentials 0..10 eV, widths 0.1..3
// units, x0 in -3..1: |k| stays below about 6.5 per unit and every
// exponential well inside double range.
struct sampler {
    std::mt19937_64 rng{20240611};
    double uni(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); }
    situace base() { return make_system(0, 0, 0, 0, uni(0.1, 3.0), uni(-3.0, 1.0)); }
};

constexpr int SETS = 3000;
constexpr double CONTINUITY_TOL = 1e-9;

} // namespace

// ---- Default systems -------------------------------------------------

TEST(ThreeRegionModel, FreeParticleDefaultsGiveTheKnownCoefficients)
{
    situace s = volna();
    EXPECT_EQ(solve_stationary(s), incidence::from_left);
    expect_near_c(s.k1, cplx(0, 3.5518), 1e-4, "k1");
    expect_near_c(s.k2, cplx(0, 2.0506), 1e-4, "k2");
    expect_near_c(s.k3, cplx(2.9000, 0), 1e-4, "k3");
    EXPECT_EQ(A1(s), cplx(1, 0));
    expect_near_c(B1(s), cplx(-0.2643, -0.2893), 1e-4, "B1");
    expect_near_c(A2(s), cplx(-0.4081, -1.159), 1e-3, "A2");
    expect_near_c(B2(s), cplx(0.2103, 0.01594), 1e-4, "B2");
    expect_near_c(A3(s), cplx(-1.003, -0.1728), 1e-3, "A3");
    EXPECT_EQ(B3(s), cplx(0, 0));
    const double R = norm2(B1(s)), T = s.k3.real() / std::abs(s.k1) * norm2(A3(s));
    EXPECT_NEAR(R, 0.1535, 1e-4);
    EXPECT_NEAR(T, 0.8465, 1e-4);
}

TEST(ThreeRegionModel, BarrierDefaultsGiveTheKnownCoefficients)
{
    situace s = bariera();
    EXPECT_EQ(solve_stationary(s), incidence::from_left);
    expect_near_c(s.k1, cplx(0, 3.7812), 1e-4, "k1");
    expect_near_c(s.k2, cplx(1.5884, 0), 1e-4, "k2");
    expect_near_c(s.k3, cplx(5.1877, 0), 1e-4, "k3");
    EXPECT_EQ(A1(s), cplx(1, 0));
    expect_near_c(B1(s), cplx(0.6406, -0.7225), 1e-4, "B1");
    expect_near_c(A2(s), cplx(-0.03965, 0.06652), 1e-5, "A2");
    expect_near_c(B2(s), cplx(1.680, -0.7890), 1e-3, "B2");
    expect_near_c(A3(s), cplx(-0.07807, 0.2078), 1e-4, "A3");
    EXPECT_EQ(B3(s), cplx(0, 0));
    const double R = norm2(B1(s)), T = s.k3.real() / std::abs(s.k1) * norm2(A3(s));
    EXPECT_NEAR(R, 0.9324, 1e-4);
    EXPECT_NEAR(T, 0.0676, 1e-4);
}

TEST(ThreeRegionModel, BarrierOfZeroWidthIsASingleStepReflectingAboutTwoAndAHalfPercent)
{
    situace s = bariera();
    s.a = 0.0;
    solve_stationary(s);
    EXPECT_NEAR(norm2(B1(s)), 0.0246, 1e-4);
    // The textbook step: r = (k - k') / (k + k') with k, k' the two
    // wave numbers, independent of the solved formulas.
    const double k = std::sqrt(6.4 - 3.0), kp = std::sqrt(6.4);
    EXPECT_NEAR(norm2(B1(s)), std::pow((k - kp) / (k + kp), 2), 1e-12);
    EXPECT_LT(worst_mismatch(s), CONTINUITY_TOL);
}

TEST(ThreeRegionModel, WellDefaultsUnsnappedLeaveATinyGrowingPartAndAPositiveTail)
{
    situace s = jama();
    EXPECT_EQ(solve_stationary(s), incidence::from_left);
    EXPECT_EQ(A1(s), cplx(1, 0));
    EXPECT_EQ(B3(s), cplx(0, 0));
    EXPECT_NEAR(std::abs(B1(s)), 1.4e-8, 0.1e-8);
    EXPECT_NE(B1(s), cplx(0, 0));
    EXPECT_NEAR(A3(s).real(), 0.998, 1e-3);
    EXPECT_GT(A3(s).real(), 0.0);
}

TEST(ThreeRegionModel, BelowEveryPotentialThereIsNoState)
{
    situace s = make_system(1.0, 2.0, 3.0, 1.5, 1.0, 0.0);
    s.coef[3] = cplx(7, 7);
    EXPECT_EQ(solve_stationary(s), incidence::none);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(s.coef[i], cplx(0, 0)) << i;
}

// ---- Continuity at both edges, every case and sub-case ---------------

namespace {

// One kind of random parameter set, the case and sub-case it must land
// in, and what else holds for it besides continuity.
struct kind {
    const char* name;
    incidence expected;
    void (*draw)(sampler& g, situace& s);
    void (*check)(const situace& s);
};

// Probability current of the incoming wave (A1 = 1) shared out between
// the reflected and the transmitted wave.
double current(const situace& s)
{
    return norm2(B1(s)) + s.k3.real() / std::abs(s.k1) * norm2(A3(s));
}

const kind kinds[] = {
    {"from the right, general", incidence::from_right,
     [](sampler& g, situace& s) {
         s.V3 = g.uni(0.0, 5.0);
         s.E = s.V3 + g.uni(0.01, 4.0);
         s.V1 = s.E + g.uni(0.0, 5.0);
         s.V2 = g.uni(0.0, 10.0);
     },
     [](const situace& s) {
         EXPECT_EQ(B3(s), cplx(1, 0));
         EXPECT_EQ(B1(s), cplx(0, 0));
         EXPECT_NEAR(std::abs(A3(s)), 1.0, 1e-9); // nothing escapes left: all comes back
     }},
    {"from the right, regions 1 and 2 alike", incidence::from_right,
     [](sampler& g, situace& s) {
         s.V3 = g.uni(0.0, 5.0);
         s.E = s.V3 + g.uni(0.01, 4.0);
         s.V1 = s.V2 = s.E + g.uni(0.0, 5.0);
     },
     [](const situace& s) {
         EXPECT_EQ(s.k1, s.k2);
         EXPECT_EQ(B2(s), cplx(0, 0));
         EXPECT_EQ(B1(s), cplx(0, 0));
         EXPECT_EQ(A1(s), A2(s));
         EXPECT_NEAR(std::abs(A3(s)), 1.0, 1e-9);
     }},
    {"from the left, general, open on both sides", incidence::from_left,
     [](sampler& g, situace& s) {
         s.V1 = g.uni(0.0, 5.0);
         s.V3 = g.uni(0.0, 5.0);
         s.E = std::max(s.V1, s.V3) + g.uni(0.01, 4.0);
         s.V2 = g.uni(0.0, 10.0); // a step down, or a barrier above or below E
     },
     [](const situace& s) {
         EXPECT_EQ(A1(s), cplx(1, 0)); // the sign rule does not apply
         EXPECT_EQ(B3(s), cplx(0, 0));
         EXPECT_NEAR(current(s), 1.0, 1e-9);
     }},
    {"from the left, regions 2 and 3 one decaying region", incidence::from_left,
     [](sampler& g, situace& s) {
         s.V1 = g.uni(0.0, 5.0);
         s.E = s.V1 + g.uni(0.01, 4.0);
         // Now and then E = V2 = V3 exactly: a flat middle.
         s.V2 = s.V3 = s.E + (g.uni(0.0, 1.0) < 0.1 ? 0.0 : g.uni(0.01, 5.0));
     },
     [](const situace& s) {
         EXPECT_EQ(s.k2 + I * s.k3, cplx(0, 0));
         EXPECT_EQ(A2(s), cplx(0, 0));
         EXPECT_EQ(B3(s), cplx(0, 0));
         EXPECT_EQ(A3(s), B2(s));
         EXPECT_NEAR(norm2(B1(s)), 1.0, 1e-9); // total reflection
     }},
    {"from the left, E at the middle potential", incidence::from_left,
     [](sampler& g, situace& s) {
         s.V1 = g.uni(0.0, 5.0);
         s.E = s.V2 = s.V1 + g.uni(0.01, 4.0);
         // V3 below E (open) or above it (decaying), never equal.
         s.V3 = g.uni(0.0, 1.0) < 0.5 ? s.E - g.uni(0.01, 5.0) : s.E + g.uni(0.01, 5.0);
     },
     [](const situace& s) {
         EXPECT_EQ(s.k2, cplx(0, 0));
         EXPECT_NEAR(current(s), 1.0, 1e-9);
     }},
    {"from the left, a well decaying on both sides", incidence::from_left,
     [](sampler& g, situace& s) {
         s.V2 = g.uni(0.0, 3.0);
         s.E = s.V2 + g.uni(0.01, 3.0);
         s.V1 = s.E + g.uni(0.01, 4.0);
         s.V3 = s.E + g.uni(0.01, 4.0);
     },
     [](const situace& s) {
         // The sign rule: all six negated when A3 came out negative.
         EXPECT_GE(A3(s).real(), 0.0);
         EXPECT_TRUE(A1(s) == cplx(1, 0) || A1(s) == cplx(-1, 0));
         EXPECT_EQ(B3(s), cplx(0, 0));
     }},
};

} // namespace

TEST(ThreeRegionModel, EveryCaseIsContinuousInPsiAndSlopeAtBothEdges)
{
    sampler g;
    for (const kind& c : kinds) {
        int flipped = 0;
        for (int n = 0; n < SETS; ++n) {
            situace s = g.base();
            c.draw(g, s);
            SCOPED_TRACE(testing::Message() << c.name << ", set " << n << ": E " << s.E << " V " << s.V1
                                            << " " << s.V2 << " " << s.V3 << " a " << s.a << " x0 " << s.x0);
            ASSERT_EQ(solve_stationary(s), c.expected);
            ASSERT_TRUE(all_finite(s));
            ASSERT_LT(worst_mismatch(s), CONTINUITY_TOL);
            c.check(s);
            flipped += A1(s) == cplx(-1, 0);
        }
        // In the wells the sign rule does act, on a good share of the sets.
        if (&c == &kinds[5]) {
            EXPECT_GT(flipped, SETS / 10);
            EXPECT_LT(flipped, SETS * 9 / 10);
        }
    }
}

TEST(ThreeRegionModel, ThickBarrierStillConservesTheCurrent)
{
    // Transmission near 1e-8; reflection makes up the rest.
    situace s = make_system(3.0, 0.0, 9.0, 1.0, 3.0, -1.0);
    solve_stationary(s);
    const double T = s.k3.real() / std::abs(s.k1) * norm2(A3(s));
    EXPECT_LT(T, 1e-6);
    EXPECT_NEAR(current(s), 1.0, 1e-12);
    EXPECT_LT(worst_mismatch(s), CONTINUITY_TOL);
}

// ---- Bound-state snapping --------------------------------------------

namespace {

konfig make_konfig()
{
    return default_view();
}

// Bound-state energies of a finite well, found without the residual the
// program uses: inside, psi = sin(q (x - x0) + phi); matching the
// logarithmic derivative kappa1 of the left tail gives tan(phi) = q /
// kappa1, and matching -kappa3 at the right edge gives q a + phi +
// atan(q / kappa3) = n pi. The left side rises monotonically in E, so each
// n has at most one root, found by bisection.
std::vector<double> well_levels(double V1, double V2, double V3, double a)
{
    const double top = std::min(V1, V3);
    auto g = [&](double E, int n) {
        const double q = std::sqrt(TWO_M * (E - V2)) / HBAR;
        const double k1 = std::sqrt(TWO_M * (V1 - E)) / HBAR;
        const double k3 = std::sqrt(TWO_M * (V3 - E)) / HBAR;
        return q * a + std::atan2(q, k1) + std::atan2(q, k3) - n * M_PI;
    };
    std::vector<double> levels;
    for (int n = 1;; ++n) {
        double lo = V2, hi = top;
        if (g(hi, n) <= 0.0)
            break;
        for (int i = 0; i < 200; ++i) {
            const double mid = 0.5 * (lo + hi);
            (g(mid, n) < 0.0 ? lo : hi) = mid;
        }
        levels.push_back(0.5 * (lo + hi));
    }
    return levels;
}

} // namespace

TEST(ThreeRegionStep, WellDefaultsSnapOntoTheGroundStateAndStayThere)
{
    situace s = jama();
    konfig k = make_konfig();
    three_region_step(s, k);
    EXPECT_NEAR(s.E, 2.614, 0.0005);
    EXPECT_EQ(B1(s), cplx(0, 0));
    EXPECT_EQ(k.norm_window, 3.0);
    EXPECT_NEAR(s.N.real(), 1.177e-5, 0.001e-5);

    const double first = s.E;
    three_region_step(s, k);
    EXPECT_NEAR(s.E, first, 1e-12);
    EXPECT_EQ(B1(s), cplx(0, 0));

    // The snapped energy sits one scan step above the true level, the
    // third of the well (0.29, 1.17, 2.61, ... eV).
    const std::vector<double> levels = well_levels(9.0, 0.0, 9.0, 2.5);
    ASSERT_GE(levels.size(), 3u);
    EXPECT_NEAR(first - 0.002, levels[2], 0.002);
}

TEST(ThreeRegionStep, WellEnergyMoreThanAHundredthAwayDoesNotSnap)
{
    situace s = jama();
    s.E = 2.60;
    konfig k = make_konfig();
    EXPECT_FALSE(snap_to_bound_state(s));
    EXPECT_EQ(s.E, 2.60);
    three_region_step(s, k);
    EXPECT_EQ(s.E, 2.60);
    EXPECT_NE(B1(s), cplx(0, 0));
}

TEST(ThreeRegionStep, SnappingAgreesWithAnIndependentRootFinderWithinTheScanStep)
{
    std::mt19937_64 rng(7);
    auto uni = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
    int checked = 0;
    for (int w = 0; w < 60; ++w) {
        const double V2 = uni(0.0, 3.0);
        const double V1 = V2 + uni(2.0, 15.0);
        const double V3 = (w % 3 == 0) ? V1 : V2 + uni(2.0, 15.0); // symmetric and not
        const double a = uni(0.5, 3.0);
        for (double level : well_levels(V1, V2, V3, a)) {
            // Keep clear of the floor and of the lower rim, where the scan
            // is cut short by its own bounds.
            if (level - V2 < 0.02 || std::min(V1, V3) - level < 0.02)
                continue;
            for (double offset : {-0.006, -0.002, 0.0, 0.003, 0.005}) {
                situace s = make_system(level + offset, V1, V2, V3, a, uni(-2.0, 0.0));
                konfig k = make_konfig();
                three_region_step(s, k);
                EXPECT_NEAR(s.E - 0.002, level, 0.002)
                    << "V1 " << V1 << " V2 " << V2 << " V3 " << V3 << " a " << a << " offset " << offset;
                EXPECT_EQ(B1(s), cplx(0, 0));
                EXPECT_EQ(k.norm_window, 3.0);
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 200);
}

TEST(ThreeRegionStep, NothingSnapsUnlessTheMiddleIsBelowBothSides)
{
    // Near the well's level 2.613, but V2 is not strictly below both.
    for (situace s :
         {make_system(2.61, 9.0, 0.0, 0.0, 2.5, -1.25), make_system(2.61, 9.0, 9.0, 9.0, 2.5, -1.25),
          make_system(2.61, 0.0, 0.0, 9.0, 2.5, -1.25), volna(), bariera()}) {
        const double E = s.E;
        EXPECT_FALSE(snap_to_bound_state(s));
        EXPECT_EQ(s.E, E);
    }
}

TEST(ThreeRegionStep, ScanStopsAtEnergiesWhereItsStepIsLostInRounding)
{
    // At 1e14 eV a step of 0.002 does not change a double: the scan must
    // still end.
    situace s = make_system(1e14, 2e14, 0.0, 2e14, 2.5, -1.25);
    EXPECT_FALSE(snap_to_bound_state(s));
    EXPECT_EQ(s.E, 1e14);
}

// ---- Norm ------------------------------------------------------------

TEST(ThreeRegionLevels, TheSearchFindsEveryLevelOfTheTwoMillielectronvoltScanInDeepWideAndLopsidedWells)
{
    // V1, V2, V3 (eV) and the width a (units): the defaults; lopsided and
    // raised wells; a deep one (the scan walks 100,000 points); wide ones,
    // whose levels lie closer than the scan's step near the floor; no width.
    struct well {
        double V1, V2, V3, a;
    };
    for (const well& w : {well{9, 0, 9, 2.5}, well{9, 0, 5, 2.5}, well{5, -3, 2, 7.3}, well{200, 0, 200, 2.5},
                          well{9, 0, 9, 40}, well{2, 0, 3, 300}, well{30, 10, 12, 150},
                          well{0.5, 0, 0.5, 0.3}, well{9, 0, 9, 0}, well{1e-3, 0, 2e-3, 300}}) {
        SCOPED_TRACE(testing::Message() << w.V1 << " " << w.V2 << " " << w.V3 << " " << w.a);
        situace s{};
        s.V1 = w.V1, s.V2 = w.V2, s.V3 = w.V3, s.a = w.a;
        std::vector<double> scanned;
        scan_well(s, s.V2, std::min(s.V1, s.V3), 1e15, [&](double e) {
            scanned.push_back(e);
            return false;
        });
        const std::vector<double>& found = well_levels(s);
        ASSERT_EQ(found.size(), scanned.size());
        for (size_t j = 0; j < found.size(); ++j)
            EXPECT_NEAR(found[j], scanned[j], WELL_SCAN_STEP) << j;
    }
}

TEST(ThreeRegionStep, OpenLeftSideIntegratesSixUnitsOfRegionOne)
{
    situace s = volna();
    konfig k = make_konfig();
    three_region_step(s, k);
    EXPECT_EQ(k.norm_window, 6.0);
    EXPECT_NEAR(s.N.real(), 6.793, 0.001);
    EXPECT_NEAR(s.N.imag(), 0.0, 1e-9);

    s = bariera();
    three_region_step(s, k);
    EXPECT_EQ(k.norm_window, 6.0);
    EXPECT_NEAR(s.N.real(), 11.918, 0.001);
}

TEST(ThreeRegionStep, IncidentFromTheRightIntegratesSixUnitsOfRegionThree)
{
    situace s = make_system(3.0, 9.0, 6.0, 0.0, 1.0, 0.0);
    konfig k = make_konfig();
    k.norm_window = 3.0;
    three_region_step(s, k);
    EXPECT_EQ(k.norm_window, 6.0);
    EXPECT_NEAR(s.N.real(), 12.223, 0.001);
}

TEST(ThreeRegionStep, NormsAgreeWithANumericalIntegralOfTheDensity)
{
    // Simpson's rule over |psi|^2 sampled from the region formulas.
    // Region by region, each with its own formula: no panel straddles an
    // edge where psi'' jumps (or, with B1 dropped, psi itself).
    using region_fn = side (*)(const situace&, double, bool);
    auto simpson_piece = [](const situace& s, region_fn psi, double lo, double hi) {
        const int n = 20000;
        const double h = (hi - lo) / n;
        double sum = norm2(psi(s, lo, false).value) + norm2(psi(s, hi, false).value);
        for (int i = 1; i < n; ++i)
            sum += (i % 2 ? 4.0 : 2.0) * norm2(psi(s, lo + i * h, false).value);
        return sum * h / 3.0;
    };
    auto simpson = [&](const situace& s, double lo, double hi) {
        const double b = s.x0 + s.a;
        double total = 0.0;
        if (lo < s.x0)
            total += simpson_piece(s, region1, lo, std::min(hi, s.x0));
        if (hi > s.x0 && lo < b)
            total += simpson_piece(s, region2, std::max(lo, s.x0), std::min(hi, b));
        if (hi > b)
            total += simpson_piece(s, region3, std::max(lo, b), hi);
        return total;
    };
    konfig k = make_konfig();

    situace s = volna();
    three_region_step(s, k);
    EXPECT_NEAR(s.N.real(), simpson(s, s.x0 - 6.0, s.x0), 1e-8);

    s = make_system(3.0, 9.0, 6.0, 0.0, 1.0, 0.0);
    three_region_step(s, k);
    EXPECT_NEAR(s.N.real(), simpson(s, 1.0, 7.0), 1e-8);

    // Snapped well: the whole line, B1 = 0, tails decay within a few units.
    s = jama();
    three_region_step(s, k);
    EXPECT_NEAR(s.N.real() / simpson(s, -15.0, 15.0), 1.0, 1e-8);
}

TEST(ThreeRegionStep, NoStateAndFailedDivisionsLeaveANormOfOne)
{
    konfig k = make_konfig();
    situace s = make_system(1.0, 2.0, 3.0, 1.5, 1.0, 0.0);
    three_region_step(s, k);
    EXPECT_EQ(s.N, cplx(1, 0));
    EXPECT_EQ(k.norm_window, 3.0);

    // V1 = V2 = V3 = E: k1 = k2 divides by zero in the model.
    s = make_system(4.0, 4.0, 4.0, 4.0, 1.0, 0.0);
    three_region_step(s, k);
    EXPECT_FALSE(all_finite(s));
    EXPECT_EQ(s.N, cplx(1, 0));

    // E = V2 at the floor of a well: the norm divides by k2 = 0.
    s = make_system(2.0, 5.0, 2.0, 5.0, 2.5, -1.25);
    three_region_step(s, k);
    EXPECT_EQ(s.E, 2.0);
    EXPECT_EQ(s.N, cplx(1, 0));
}

// ---- Controls --------------------------------------------------------

namespace {

// The shell's list, in its order, every control visible unless told.
struct control_list {
    std::vector<std::unique_ptr<control>> nodes;
    control* head = nullptr;

    control_list()
    {
        const char* names[] = {"plocha", "vypis",  "V1",     "V2",     "V3",     "tl_cas", "tl_lupa",
                               "tl_roz", "tl_re",  "tl_im",  "tl_def", "tl_bar", "tl_jam", "tl_nek",
                               "tl_osc", "tl_sup", "pl_sup", "tl_%",   "C0",     "C1",     "C2",
                               "C3",     "C4",     "C5",     "C6",     "C7",     "C8",     "C9"};
        control* prev = nullptr;
        for (const char* name : names) {
            auto c = std::make_unique<control>();
            c->name = name;
            c->rect = {0.0f, 400.0f, 10.0f, 150.0f};
            c->hover_rect = c->rect;
            c->visible = false;
            (prev ? prev->next : head) = c.get();
            prev = c.get();
            nodes.push_back(std::move(c));
        }
        (*this)["plocha"]->visible = true;
    }
    control* operator[](const std::string& name)
    {
        for (auto& c : nodes)
            if (c->name == name)
                return c.get();
        return nullptr;
    }
};

} // namespace

TEST(ThreeRegionStep, NeedsNoControls)
{
    konfig k = make_konfig();
    k.controls = nullptr;
    situace s = volna();
    three_region_step(s, k);
    EXPECT_NEAR(s.N.real(), 6.793, 0.001);
}

// ---- Layout ----------------------------------------------------------

TEST(ThreeRegionLayout, FreeParticleStripsTouchAndSpanThePlot)
{
    control_list list;
    konfig k = make_konfig();
    k.controls = list.head;
    three_region_layout(volna(), k);
    const zgl_rect v1 = list["V1"]->rect, v2 = list["V2"]->rect, v3 = list["V3"]->rect;
    EXPECT_FLOAT_EQ(v1.x, 0.0f); // left edge untouched
    EXPECT_NEAR(v1.w, 266.6667, 1e-3);
    EXPECT_NEAR(v2.x, 316.6667, 1e-3);
    EXPECT_NEAR(v2.w, 166.6667, 1e-3);
    EXPECT_NEAR(v3.x, 483.3333, 1e-3);
    EXPECT_NEAR(v3.w, 266.6667, 1e-3);
    EXPECT_NEAR(50.0 + v1.w, v2.x, 1e-3);
    EXPECT_NEAR(v2.x + v2.w, v3.x, 1e-3);
    EXPECT_NEAR(v3.x + v3.w, 750.0, 1e-3);
    for (const char* name : {"V1", "V2", "V3"}) {
        const control* c = list[name];
        EXPECT_EQ(c->rect.y, 400.0f) << name;
        EXPECT_EQ(c->rect.h, 150.0f) << name;
        EXPECT_EQ(std::memcmp(&c->rect, &c->hover_rect, sizeof(zgl_rect)), 0) << name;
    }
    EXPECT_EQ(k.controls, list.head);
    EXPECT_EQ(list["tl_cas"]->rect.w, 10.0f); // only positions 3..5 move
}

TEST(ThreeRegionLayout, TheStripsAreTakenByPositionAndADebugBuildStopsOnAReorderedList)
{
    control_list list;
    list["V1"]->name = "V1x";
    konfig k = make_konfig();
    k.controls = list.head;
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEBUG_DEATH(three_region_layout(volna(), k), "V1");
#ifdef NDEBUG
    EXPECT_NEAR(list["V1x"]->rect.w, 266.6667, 1e-3); // moved by position all the same
#endif
}

TEST(ThreeRegionLayout, ZeroWidthAndOffRangeRegionsAreStoredUnclamped)
{
    control_list list;
    konfig k = make_konfig();
    k.controls = list.head;
    situace s = volna();
    s.a = 0.0;
    three_region_layout(s, k);
    EXPECT_EQ(list["V2"]->rect.w, 0.0f);
    EXPECT_NEAR(list["V3"]->rect.x, 50.0f + list["V1"]->rect.w, 1e-3);

    s.x0 = -6.0; // beyond -half_range
    s.a = 1.0;
    three_region_layout(s, k);
    EXPECT_LT(list["V1"]->rect.w, 0.0f);
    EXPECT_NEAR(list["V1"]->rect.w, -0.75 * 700.0 / 10.5, 1e-3);
}

TEST(ThreeRegionLayout, ShortOrEmptyListsAreLeftAlone)
{
    control c2{"vypis", nullptr, {}, {}, 0, 0, true, false, nullptr};
    control c1{"plocha", nullptr, {}, {}, 0, 0, true, false, &c2};
    konfig k = make_konfig();
    k.controls = &c1;
    three_region_layout(volna(), k);
    EXPECT_EQ(c2.rect.w, 0.0f);
    k.controls = nullptr;
    three_region_layout(volna(), k);
}
