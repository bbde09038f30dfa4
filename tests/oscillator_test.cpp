// The oscillator engine: its physics against facts found independently of
// its code (numerical integrals, parity, the classical turning point, the
// swing of a two-state mix), its fast evaluation against the plain formula
// of tests/oscillator_reference.h, the listing, the arrow keys, the plot's
// primitives at 800 x 600 and one default frame through the offscreen
// renderer's pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tests/default_view.h"
#include "engines/oscillator/oscillator.h"
#include "platform/zgl_test.h"
#include "tests/oscillator_reference.h"

namespace {

// hbar / (m w): the squared length scale of the oscillator, internal units^2.
double length_sq(double omega)
{
    return 6.582119514e-16 / (9.109e-31 * omega);
}

// A pure state (or -1 and the given boxes) after the engine's step.
situace oscillator(double n, std::vector<std::pair<int, cplx>> boxes = {}, double omega = 1e15)
{
    situace s{};
    s.E = n;
    s.a = omega;
    for (const auto& [box, value] : boxes)
        s.coef[FIRST_COEF + box] = value;
    konfig k{};
    oscillator_step(s, k);
    return s;
}

std::vector<cplx> wave(const situace& s, double t, const std::vector<double>& x, oscillator_sampler f)
{
    std::vector<cplx> psi(x.size());
    f(s, t, x.data(), x.size(), psi.data());
    return psi;
}

// -reach .. reach in an even number of equal steps, exactly symmetric about 0.
std::vector<double> grid(double reach, int intervals)
{
    std::vector<double> x(intervals + 1);
    for (int j = 0; j <= intervals; ++j)
        x[j] = reach * (2 * j - intervals) / intervals;
    return x;
}

// Simpson's rule of g(x[j]) over such a grid.
double simpson(const std::vector<double>& x, const std::vector<double>& g)
{
    double sum = g.front() + g.back();
    for (size_t j = 1; j + 1 < g.size(); ++j)
        sum += (j % 2 ? 4.0 : 2.0) * g[j];
    return sum * (x[1] - x[0]) / 3.0;
}

// The default view (half range 5.25), or the narrowest (3, 351 samples a unit).
konfig view(bool narrow = false)
{
    konfig k = default_view();
    if (narrow)
        k.density = 351.0, k.half_range = 3.0;
    return k;
}

std::vector<zgl_prim> draw(situace& s, const konfig& k)
{
    ztest_ClearPrims();
    oscillator_draw(s, k, nullptr);
    return ztest_Prims();
}

std::vector<zgl_prim> only(const std::vector<zgl_prim>& v, bool (*keep)(const zgl_prim&))
{
    std::vector<zgl_prim> out;
    std::copy_if(v.begin(), v.end(), std::back_inserter(out), keep);
    return out;
}
bool is_text(const zgl_prim& p)
{
    return p.kind == zgl_prim::TEXT;
}
bool is_turning_point(const zgl_prim& p)
{
    return p.kind == zgl_prim::LINE && p.x1 == p.x2 && p.alpha == 100;
}
bool is_level(const zgl_prim& p)
{
    return p.kind == zgl_prim::LINE && p.y1 == p.y2 && p.x2 - p.x1 > 5 && p.y1 > 390;
}

double X(double x, double K)
{
    return (x + K) * 700.0 / (2.0 * K) + 50.0;
}
double Y(double e, double top)
{
    return 550.0 - 150.0 * e / top;
}

} // namespace

// ---- Physics -------------------------------------------------------------------------

TEST(Oscillator, StatesAreNormalisedHaveTheirParityAndTurnWhereTheirEnergyMeetsThePotential)
{
    for (double omega : {1e15, 3e15}) {
        for (int n = 0; n <= 31; ++n) {
            SCOPED_TRACE(testing::Message() << "w " << omega << " n " << n);
            const double xn = turning_point(omega, n);
            // Ten classical widths (2 x_n) either side.
            const auto x = grid(20.0 * xn, 2 * static_cast<int>(20.0 * xn / 0.004));
            const auto psi = wave(oscillator(n, {}, omega), 0.0, x, oscillator_wave);
            std::vector<double> density(x.size());
            std::transform(psi.begin(), psi.end(), density.begin(), [](cplx v) { return std::norm(v); });
            EXPECT_NEAR(simpson(x, density), 1.0, 1e-6);
            const double sign = n % 2 ? -1.0 : 1.0; // psi(-x) = (-1)^n psi(x)
            for (size_t j = 0; j < x.size(); j += 97)
                EXPECT_LE(std::abs(psi[x.size() - 1 - j] - sign * psi[j]), 1e-14);
            const double e = level_energy(omega, n);
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

TEST(Oscillator, FastEvaluationEqualsThePlainFormulaForEveryStateUpTo31)
{
    std::vector<situace> states;
    for (int n = 0; n <= 31; ++n)
        states.push_back(oscillator(n));
    std::vector<std::pair<int, cplx>> all;
    for (int j = 0; j < COEF_COUNT; ++j)
        all.emplace_back(j, std::polar(0.2 + 0.15 * j, 0.7 * j));
    states.push_back(oscillator(-1.0, all));
    states.push_back(oscillator(-1.0, {{1, cplx(0.0, -0.6)}, {5, cplx(1.2, 0.3)}}));
    for (double omega : {1e15, 1.7e15, 3e15}) {
        for (double K : {3.0, 5.25, 40.0}) {
            std::vector<double> x;
            const double density = std::nearbyint(1050.0 / K);
            for (double i = -K * density; i <= K * density; i += 1.0)
                x.push_back(i / density);
            for (situace s : states) {
                s.a = omega;
                const double t = 3.3e-15;
                SCOPED_TRACE(testing::Message() << "w " << omega << " K " << K << " E " << s.E);
                const auto fast = wave(s, t, x, oscillator_wave), plain = wave(s, t, x, reference_wave);
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

TEST(Oscillator, AnEqualMixOfNeighboursSwingsAboutTheCentreOncePerPeriod)
{
    // For (psi_n + psi_(n+1)) / sqrt 2 the mean position is
    // <n|x|n+1> cos(w t), with <n|x|n+1> = sqrt((n + 1) / 2) sqrt(hbar / (m w)).
    const double omega = 1e15, period = 2.0 * M_PI / omega;
    const auto x = grid(14.0, 5600);
    for (int n : {0, 4, 8}) {
        const situace s = oscillator(-1.0, {{n, std::sqrt(0.5)}, {n + 1, std::sqrt(0.5)}});
        const double swing = std::sqrt((n + 1) / 2.0) * std::sqrt(length_sq(omega));
        for (int k = 0; k <= 16; ++k) {
            const double t = period * k / 8.0;
            const auto psi = wave(s, t, x, oscillator_wave);
            std::vector<double> moment(x.size());
            for (size_t j = 0; j < x.size(); ++j)
                moment[j] = x[j] * std::norm(psi[j]);
            EXPECT_NEAR(simpson(x, moment), swing * std::cos(omega * t), 1e-8 * swing) << n << " " << k;
        }
    }
}

// ---- Listing and keys -----------------------------------------------------------------

TEST(Oscillator, ListingHasTheFrequencyHeaderAndTheStatesPresent)
{
    const std::string fs = " fs\xE2\x81\xBB\xC2\xB9\nE(n;P): ", head = "\xCF\x89 = 1" + fs; // "ω = 1 fs⁻¹"
    EXPECT_EQ(oscillator_list(oscillator(4.0)), head + "\n2.96eV(4; 100%)");
    EXPECT_EQ(oscillator_list(oscillator(4.0, {}, 1.5e15)), "\xCF\x89 = 1.5" + fs + "\n4.44eV(4; 100%)");
    EXPECT_EQ(oscillator_list(oscillator(-1.0, {{0, 0.7071}, {1, 0.7071}})),
              head + "\n0.33eV(0; 50%)\n0.99eV(1; 50%)");
    // State 12 leaves its coefficient above the panel when state 3 is chosen.
    situace s = oscillator(12.0);
    s.E = 3.0;
    konfig k{};
    oscillator_step(s, k);
    EXPECT_EQ(s.coef[17], cplx(1.0, 0.0));
    EXPECT_EQ(oscillator_list(s), head + "\n2.3eV(3; 100%)");
}

TEST(Oscillator, ArrowsChangeFrequencyAndStateOnlyWhileTheLevelStaysBelowTheCeiling)
{
    ztest_Enable();
    ASSERT_TRUE(zglLoad());
    zgl_Init();
    konfig k = view(true);
    situace s = oscillator(4.0);
    // Presses `key` in `times` ticks; each must report a change.
    auto press = [&](uint8_t key, int times) {
        for (int j = 0; j < times; ++j) {
            ztest_KeyDown(key);
            ztest_Tick();
            bool changed = false;
            oscillator_input(s, k, nullptr, changed);
            EXPECT_TRUE(changed);
            key_ClearState();
            ztest_KeyUp(key);
        }
    };
    EXPECT_DOUBLE_EQ(oscillator_ceiling(3.0), 4.9365896355); // E_7 at 1e15 rad/s
    struct step {
        double E; // set first, unless NAN
        uint8_t key;
        int times;
        double omega_after, E_after;
    };
    for (const step t : {step{NAN, K_RIGHT, 10, 1.6e15, 4}, // 4.5 * 1.7e15 = 7.65e15 is not below 7.5e15
                         step{NAN, K_LEFT, 10, 1e15, 4}, step{NAN, K_UP, 5, 1e15, 6}, // 7.5e15 is not below
                         step{NAN, K_RIGHT, 3, 1.1e15, 6}, step{NAN, K_DOWN, 9, 1.1e15, 0},
                         step{-1.0, K_DOWN, 1, 1.1e15, -1}, // a superposition stays
                         step{-1.0, K_UP, 1, 1.1e15, 0}}) { // or becomes the ground state
        if (!std::isnan(t.E))
            s.E = t.E;
        press(t.key, t.times);
        EXPECT_EQ(s.a, t.omega_after) << t.key;
        EXPECT_EQ(s.E, t.E_after) << t.key;
    }
    k.half_range = 150.0; // far out only the limits hold
    press(K_RIGHT, 25);
    press(K_UP, 40);
    EXPECT_EQ(s.a, 3e15);
    EXPECT_EQ(s.E, 31.0);
    ztest_Shutdown();
}

// ---- The plot --------------------------------------------------------------------------

TEST(Oscillator, PlotShowsCeilingTurningPointsLabelsAndTheCurvesOfEachMode)
{
    konfig k = view(true);
    situace s = oscillator(4.0);
    auto v = draw(s, k);
    EXPECT_DOUBLE_EQ(oscillator_ceiling(k.half_range), 4.9365896355);
    const double y4 = Y(4.5 * 0.6582119514, oscillator_ceiling(k.half_range));
    const auto tp = only(v, is_turning_point); // x_4 = 2.5502 units: 297.5 px
    ASSERT_EQ(tp.size(), 2u);
    EXPECT_NEAR(tp[0].x1, 400.0 - 297.5, 0.05);
    EXPECT_NEAR(tp[1].x1, 400.0 + 297.5, 0.05);
    EXPECT_NEAR(tp[1].y1, y4, 1e-3);
    EXPECT_FLOAT_EQ(tp[1].y2, 575.0f);
    const auto t = only(v, is_text);
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].text, "E=2.96eV");
    EXPECT_NEAR(t[0].y1, y4 - 15.0, 1e-3);
    EXPECT_EQ(t[1].text, "<\xC2\xB7\xC2\xB7\xC2\xB7 2.04nm \xC2\xB7\xC2\xB7\xC2\xB7>");
    EXPECT_FLOAT_EQ(t[1].y1, 575.0f);
    // No labels without show_labels, neither labels nor turning points in a
    // superposition; the ceiling follows the range.
    k.show_labels = false;
    EXPECT_TRUE(only(draw(s, k), is_text).empty());
    situace mix = oscillator(-1.0, {{4, 1.0}});
    v = draw(mix, view());
    EXPECT_NEAR(oscillator_ceiling(view().half_range), 8.6390318621, 1e-9);
    EXPECT_TRUE(only(v, is_text).empty() && only(v, is_turning_point).empty());
    // The strokes of each mode: each curve in two rows; the parabola (green
    // too) one piece, from the sample before the first one below the
    // ceiling to the last, 1743 samples on at half range 5.25, through
    // points on the parabola.
    struct mode {
        bool reim, re, im;
        size_t green, blue, brown;
    };
    auto sample = [](float sx) { return ((sx - 50.0) * 10.5 / 700.0 - 5.25) * 200.0; };
    for (const mode m : {mode{true, true, false, 2, 0, 0}, mode{true, true, true, 2, 2, 0},
                         mode{false, true, true, 0, 0, 2}, mode{true, false, false, 0, 0, 0}}) {
        k = view();
        k.reim_mode = m.reim, k.show_re = m.re, k.show_im = m.im;
        v = draw(s, k);
        auto strokes = [&](uint32_t c, bool curve) {
            std::vector<std::vector<zgl_prim>> out;
            for (const zgl_prim& p : v) {
                if (p.kind != zgl_prim::LINE || p.color != c || (std::max(p.y1, p.y2) < 390) != curve ||
                    is_level(p))
                    continue;
                if (out.empty() || out.back().back().x2 != p.x1 || out.back().back().y2 != p.y1)
                    out.emplace_back();
                out.back().push_back(p);
            }
            return out;
        };
        SCOPED_TRACE(testing::Message() << m.reim << m.re << m.im);
        EXPECT_EQ(strokes(0x00FF00, true).size(), m.green);
        EXPECT_EQ(strokes(0x5555FF, true).size(), m.blue);
        EXPECT_EQ(strokes(0xB78E26, true).size(), m.brown);
        const auto parabola = strokes(0x00FF00, false);
        ASSERT_EQ(parabola.size(), 1u);
        EXPECT_NEAR(sample(parabola[0].back().x2) - sample(parabola[0].front().x1), 1743.0, 1e-2);
        for (const zgl_prim& p : parabola[0]) {
            const double x = std::round(sample(p.x2)) / 200.0;
            // V = (m / 2) (w x)^2 eV, with hbar / (m w) = length_sq: (hbar w / 2) (x^2 / length_sq).
            ASSERT_NEAR(p.y2, Y(0.5 * 6.582119514e-16 * 1e15 * x * x / length_sq(1e15), oscillator_ceiling(k.half_range)), 1e-3) << x;
        }
        EXPECT_EQ(only(v, is_level).size(), 14u); // the levels stay in every mode
    }
}

TEST(Oscillator, LevelsShowTheSelectedStateOrTheMembersOfASuperposition)
{
    // At half range 5.25 the ceiling 8.639 eV lies between E_12 and E_13.
    struct level {
        int j, lines;
        uint32_t colour;
        int alpha;
    };
    auto pure = [](int selected) {
        std::vector<level> d;
        for (int j = 0; j <= 12; ++j)
            d.push_back(j == selected ? level{j, 2, 0xFFFFFF, 255} : level{j, 1, 0x00AAFF, 255});
        return d;
    };
    situace stale = oscillator(12.0);
    stale.E = 3.0;
    konfig k = view();
    oscillator_step(stale, k);
    const std::pair<situace, std::vector<level>> cases[] = {
        {oscillator(4.0), pure(4)},
        {oscillator(12.0), pure(12)}, // above the panel, but selected
        {stale, pure(3)},             // state 12's coefficient left behind
        {oscillator(-1.0, {{0, 0.5}, {2, cplx(0, -1)}, {5, cplx(0, 1.2)}, {9, cplx(0, -0.5)}}),
         {{0, 2, 0xFFFFFF, 148}, {2, 2, 0xFFFFFF, 255}, {5, 2, 0xFFFFFF, 255}, {9, 2, 0xFFFFFF, 148}}},
    };
    for (auto [s, drawn] : cases) {
        SCOPED_TRACE(s.E);
        const auto lv = only(draw(s, k), is_level);
        // Row by row: the upper rows of the two-pixel levels, then the lowest
        // row of every level, each pass from the lowest level up.
        size_t at = 0;
        for (int row : {1, 0})
            for (const level& l : drawn) {
                if (l.lines <= row)
                    continue;
                const double xj = std::sqrt((2 * l.j + 1) * length_sq(1e15));
                ASSERT_LT(at, lv.size());
                EXPECT_NEAR(lv[at].y1, Y(0.6582119514 * (l.j + 0.5), oscillator_ceiling(k.half_range)) - row, 1e-3) << l.j;
                EXPECT_NEAR(lv[at].x1, X(-xj, 5.25), 1e-3);
                EXPECT_NEAR(lv[at].x2, X(xj, 5.25), 1e-3);
                EXPECT_EQ(lv[at].color, l.colour);
                EXPECT_EQ(lv[at].alpha, l.alpha);
                ++at;
            }
        EXPECT_EQ(at, lv.size());
    }
}

// ---- Pixels through the offscreen renderer ------------------------------------------------

namespace {
situace frame_state;
konfig frame_view;
void frame_draw()
{
    oscillator_draw(frame_state, frame_view, nullptr);
}
} // namespace

TEST(Oscillator, DefaultFramePaintsCurveParabolaTurningPointsAndLevels)
{
    frame_view = view();
    frame_state = oscillator(4.0);
    ztest_Enable();
    ASSERT_TRUE(zglLoad());
    zgl_Reg(SYS_DRAW, frame_draw);
    scr_SetOptions(800, 600, 1, false, true);
    zgl_Init();
    ztest_Frame();
    // A line at y covers the pixel row floor(y).
    auto row = [](double e) { return static_cast<int>(std::floor(Y(e, 8.6390318621))); };
    auto green_near = [](int x, int y) {
        for (int dy = -2; dy <= 2; ++dy)
            if (ztest_Pixel(x, y + dy) == 0x00FF00u)
                return true;
        return false;
    };
    // The selected level E_4 = 2.96 eV white and two pixels thick; levels 0
    // and 8 blue and one pixel.
    const int y4 = row(2.9619537813), y8 = row(5.5948015869);
    EXPECT_EQ(ztest_Pixel(400, y4), 0xFFFFFFu);
    EXPECT_EQ(ztest_Pixel(400, y4 - 1), 0xFFFFFFu);
    EXPECT_EQ(ztest_Pixel(400, y4 - 2), 0x000000u);
    EXPECT_EQ(ztest_Pixel(400, row(0.3291059757)), 0x00AAFFu);
    EXPECT_EQ(ztest_Pixel(400, y8), 0x00AAFFu);
    EXPECT_EQ(ztest_Pixel(400, y8 - 1), 0x000000u);
    // The turning points at 400 -+ 170.0 px: white at alpha 100 (grey on
    // black) below the parabola's bottom, one column each.
    for (int x0 : {230, 570}) {
        int grey = 0;
        for (int x = x0 - 3; x <= x0 + 3; ++x)
            grey += ztest_Pixel(x, 560) == 0x646464u;
        EXPECT_EQ(grey, 1) << x0;
    }
    // The parabola through V(+-2) = 1.8218 eV; the curve's peak psi_4(0) =
    // 0.81468 * 12 / sqrt(2^4 4!) above the axis.
    EXPECT_TRUE(green_near(267, row(1.8218)));
    EXPECT_TRUE(green_near(533, row(1.8218)));
    EXPECT_TRUE(green_near(400, static_cast<int>(210.0 - 690.0 / 5.25 * reference_state(4, 1e15, 0.0))));
    ztest_Shutdown();
}
