// The oscillator's plot read back from the recorded primitives at 800 x 600,
// and its default frame once through the offscreen renderer's pixels. The
// curve is checked against the plain formula of tests/oscillator_reference.h.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engines/oscillator/oscillator.h"
#include "platform/zgl_test.h"
#include "tests/oscillator_reference.h"

namespace {

// The default view, or the narrowest range (half range 3, 351 samples a unit).
konfig view(bool narrow = false)
{
    konfig k{};
    k.width = 800;
    k.height = 600;
    k.density = narrow ? 351.0 : 200.0;
    k.half_range = narrow ? 3.0 : 5.25;
    k.dt = 5e-18L;
    k.show_labels = true;
    k.reim_mode = true;
    k.show_re = true;
    return k;
}

// A pure state after the step, or a superposition of the given boxes.
situace state(double n, std::vector<std::pair<int, cplx>> boxes = {})
{
    situace s{};
    s.E = n;
    s.a = 1e15;
    for (const auto& [box, value] : boxes)
        s.coef[FIRST_COEF + box] = value;
    konfig k = view();
    oscillator_step(s, k);
    return s;
}

std::vector<zgl_prim> draw(situace& s, const konfig& k)
{
    ztest_ClearPrims();
    oscillator_draw(s, k, nullptr);
    return ztest_Prims();
}

// Screen x of x (internal units) at half range K, and of an energy at ceiling top.
double X(double x, double K)
{
    return (x + K) * 700.0 / (2.0 * K) + 50.0;
}
double Y(double e, double top)
{
    return 550.0 - 150.0 * e / top;
}

bool is_level(const zgl_prim& p)
{
    return p.kind == zgl_prim::LINE && p.y1 == p.y2 && p.x2 - p.x1 > 5.0 && p.y1 > 390.0 &&
           (p.color == 0xFFFFFF || p.color == 0x00AAFF);
}

std::vector<zgl_prim> levels(const std::vector<zgl_prim>& v)
{
    std::vector<zgl_prim> out;
    std::copy_if(v.begin(), v.end(), std::back_inserter(out), is_level);
    return out;
}

std::vector<zgl_prim> texts(const std::vector<zgl_prim>& v)
{
    std::vector<zgl_prim> out;
    std::copy_if(v.begin(), v.end(), std::back_inserter(out),
                 [](const zgl_prim& p) { return p.kind == zgl_prim::TEXT; });
    return out;
}

std::vector<zgl_prim> turning_lines(const std::vector<zgl_prim>& v)
{
    std::vector<zgl_prim> out;
    std::copy_if(v.begin(), v.end(), std::back_inserter(out), [](const zgl_prim& p) {
        return p.kind == zgl_prim::LINE && p.x1 == p.x2 && p.color == 0xFFFFFF && p.alpha == 100;
    });
    return out;
}

} // namespace

TEST(OscillatorPlot, CeilingTurningPointsAndLabelsOfTheDefaultStateAtTheNarrowestRange)
{
    konfig k = view(true);
    situace s = state(4.0);
    auto v = draw(s, k);
    EXPECT_DOUBLE_EQ(s.V1, 4.9365896355);
    // x_4 = sqrt(9 hbar / (m w)) = 2.5502 units: 297.5 px either side.
    const double e4 = 4.5 * 6.582119514e-16 * 1e15;
    const auto tp = turning_lines(v);
    ASSERT_EQ(tp.size(), 2u);
    EXPECT_NEAR(tp[0].x1, 400.0 - 297.5, 0.05);
    EXPECT_NEAR(tp[1].x1, 400.0 + 297.5, 0.05);
    for (const auto& p : tp) {
        EXPECT_NEAR(p.y1, Y(e4, 4.9365896355), 1e-3);
        EXPECT_FLOAT_EQ(p.y2, 575.0f);
    }
    const auto t = texts(v);
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].text, "E=2.96eV");
    EXPECT_NEAR(t[0].y1, Y(e4, 4.9365896355) - 15.0, 1e-3);
    EXPECT_EQ(t[1].text, "<\xC2\xB7\xC2\xB7\xC2\xB7 2.04nm \xC2\xB7\xC2\xB7\xC2\xB7>");
    EXPECT_FLOAT_EQ(t[1].y1, 575.0f);
    for (const auto& p : t) {
        EXPECT_FLOAT_EQ(p.x1, 400.0f);
        EXPECT_EQ(p.flags, 0x22u);
    }
    // The ceiling follows the range on every draw.
    k = view();
    draw(s, k);
    EXPECT_NEAR(s.V1, 8.6390318621, 1e-9);
    // No labels without show_labels; neither labels nor turning points in
    // a superposition.
    k.show_labels = false;
    v = draw(s, k);
    EXPECT_TRUE(texts(v).empty());
    EXPECT_EQ(turning_lines(v).size(), 2u);
    k.show_labels = true;
    situace mix = state(-1.0, {{4, cplx(1.0, 0.0)}});
    v = draw(mix, k);
    EXPECT_TRUE(texts(v).empty());
    EXPECT_TRUE(turning_lines(v).empty());
}

TEST(OscillatorPlot, LevelsShowTheSelectedStateOrTheMembersOfASuperposition)
{
    // At half range 5.25 the ceiling 8.639 eV lies between E_12 and E_13.
    const konfig k = view();
    struct level_case {
        const char* what;
        situace s;
        // (level, lines, colour, alpha) for every level drawn, in order.
        std::vector<std::tuple<int, int, uint32_t, int>> drawn;
    };
    auto pure = [](int selected) {
        std::vector<std::tuple<int, int, uint32_t, int>> d;
        for (int j = 0; j <= 12; ++j)
            d.emplace_back(j, j == selected ? 2 : 1, j == selected ? 0xFFFFFF : 0x00AAFF, 255);
        return d;
    };
    situace stale = state(12.0);
    stale.E = 3.0;
    konfig kk = view();
    oscillator_step(stale, kk);
    const level_case cases[] = {
        {"state 4", state(4.0), pure(4)},
        {"state 12, above the panel", state(12.0), pure(12)},
        {"state 3 with 12 left behind", stale, pure(3)},
        {"superposition",
         state(-1.0, {{0, cplx(0.5, 0.0)}, {2, cplx(0.0, -1.0)}, {5, cplx(0.0, 1.2)}, {9, cplx(0.0, -0.5)}}),
         {{0, 2, 0xFFFFFF, 148}, {2, 2, 0xFFFFFF, 255}, {5, 2, 0xFFFFFF, 255}, {9, 2, 0xFFFFFF, 148}}},
    };
    for (level_case c : cases) {
        SCOPED_TRACE(c.what);
        const auto lv = levels(draw(c.s, k));
        size_t at = 0;
        for (const auto& [j, lines, colour, alpha] : c.drawn) {
            SCOPED_TRACE(j);
            const double e = 0.6582119514 * (j + 0.5),
                         xj = std::sqrt((2 * j + 1) * 6.582119514e-16 / 9.109e-16);
            for (int line = 0; line < lines; ++line, ++at) {
                ASSERT_LT(at, lv.size());
                EXPECT_NEAR(lv[at].y1, Y(e, 8.6390318621) - (lines - 1 - line), 1e-3);
                EXPECT_NEAR(lv[at].x1, X(-xj, 5.25), 1e-3);
                EXPECT_NEAR(lv[at].x2, X(xj, 5.25), 1e-3);
                EXPECT_EQ(lv[at].color, colour);
                EXPECT_EQ(lv[at].alpha, alpha);
            }
        }
        EXPECT_EQ(at, lv.size());
    }
}

TEST(OscillatorPlot, CurvesFollowTheWaveFunctionAndTheParabolaStopsAtTheCeiling)
{
    konfig k = view();
    k.t = 0.7e-15L;
    k.show_im = true;
    situace s = state(-1.0, {{1, cplx(0.6, 0.0)}, {2, cplx(0.0, 0.8)}});
    const size_t N = 2101; // samples -1050 .. 1050
    auto psi_at = [&](int i) {
        const double x = i / 200.0, t = 0.7e-15;
        return 0.6 * reference_state(1, 1e15, x) * reference_phase(1, 1e15, t) +
               cplx(0.0, 0.8) * reference_state(2, 1e15, x) * reference_phase(2, 1e15, t);
    };
    const double A = 690.0 / 5.25;
    auto v = draw(s, k);
    // The axis, then four rows of the curve (imaginary part below, above,
    // real part below, above), then the parabola.
    ASSERT_GE(v.size(), 1 + 4 * N);
    EXPECT_EQ(v[0].color, 0x999999u);
    EXPECT_EQ(v[0].alpha, 200);
    const struct {
        uint32_t colour;
        double base;
        bool imag;
    } rows[] = {{0x5555FF, 211, true}, {0x5555FF, 210, true}, {0x00FF00, 211, false}, {0x00FF00, 210, false}};
    for (int r = 0; r < 4; ++r) {
        for (int i : {-1050, -400, -3, 0, 77, 500, 1050}) {
            SCOPED_TRACE(testing::Message() << "row " << r << " sample " << i);
            const zgl_prim& p = v[1 + r * N + (i + 1050)];
            const cplx psi = psi_at(i);
            EXPECT_EQ(p.color, rows[r].colour);
            EXPECT_NEAR(p.x2, X(i / 200.0, 5.25), 1e-3);
            EXPECT_NEAR(p.y2, rows[r].base - A * (rows[r].imag ? psi.imag() : psi.real()), 1e-3);
        }
        EXPECT_EQ(v[1 + r * N].x1, v[1 + r * N].x2); // the first sample joined to itself
    }
    // The parabola below the ceiling: |x| < sqrt(V1 / (m/2)) / w = 4.3553 units.
    std::vector<zgl_prim> parabola(v.begin() + 1 + 4 * N, v.end());
    parabola.erase(std::remove_if(parabola.begin(), parabola.end(),
                                  [](const zgl_prim& p) { return p.color != 0x00FF00u; }),
                   parabola.end());
    ASSERT_EQ(parabola.size(), 2u * 871u + 1u); // samples -871 .. 871
    for (const auto& p : parabola) {
        const double x = (p.x2 - 50.0) * 10.5 / 700.0 - 5.25;
        EXPECT_NEAR(p.y2, Y(4.5545e-31 * 1e30 * x * x, 8.6390318621), 2e-3);
    }
    // Density mode: two brown rows of A |psi|^2 from the baselines 210 and 211.
    k.reim_mode = false;
    v = draw(s, k);
    for (int i : {-500, 0, 120}) {
        EXPECT_EQ(v[1 + i + 1050].color, 0xB78E26u);
        EXPECT_NEAR(v[1 + i + 1050].y2, 210.0 - A * std::norm(psi_at(i)), 1e-3);
        EXPECT_NEAR(v[1 + N + i + 1050].y2, 211.0 - A * std::norm(psi_at(i)), 1e-3);
    }
    // Real and imaginary parts both off: no curve; parabola and levels stay.
    k.reim_mode = true;
    k.show_re = k.show_im = false;
    v = draw(s, k);
    EXPECT_EQ(std::count_if(v.begin(), v.end(), [](const zgl_prim& p) { return p.color == 0x00FF00u; }),
              2 * 871 + 1);
    EXPECT_EQ(std::count_if(v.begin(), v.end(), [](const zgl_prim& p) { return p.color == 0x5555FFu; }), 0);
    EXPECT_EQ(levels(v).size(), 4u);
}

// ---- Pixels through the offscreen renderer -----------------------------------------------

namespace {
situace frame_state;
konfig frame_view;
void frame_draw()
{
    oscillator_draw(frame_state, frame_view, nullptr);
}
} // namespace

TEST(OscillatorPlot, DefaultFramePaintsCurveParabolaTurningPointsAndLevels)
{
    frame_view = view();
    frame_state = state(4.0);
    ztest_Enable();
    ASSERT_TRUE(zglLoad());
    zgl_Reg(SYS_DRAW, frame_draw);
    scr_SetOptions(800, 600, 1, false, true);
    zgl_Init();
    ztest_Frame();
    const double top = 8.6390318621;
    // A line at y covers the pixel row floor(y).
    auto row = [&](double e) { return static_cast<int>(std::floor(Y(e, top))); };
    // The selected level E_4 = 2.96 eV, white, two pixels, across 400 -+ 170 px.
    const int y4 = row(2.9619537813);
    EXPECT_EQ(ztest_Pixel(400, y4), 0xFFFFFFu);
    EXPECT_EQ(ztest_Pixel(400, y4 - 1), 0xFFFFFFu);
    EXPECT_EQ(ztest_Pixel(400, y4 - 2), 0x000000u);
    // Levels 0 and 8, blue, one pixel.
    EXPECT_EQ(ztest_Pixel(400, row(0.3291059757)), 0x00AAFFu);
    EXPECT_EQ(ztest_Pixel(400, row(5.5948015869)), 0x00AAFFu);
    EXPECT_EQ(ztest_Pixel(400, row(5.5948015869) - 1), 0x000000u);
    // The turning points at 400 -+ 170.0 px, white at alpha 100 (grey on
    // black) from the level down to the label row; nothing else there.
    for (int x0 : {230, 570}) {
        int grey = 0;
        for (int x = x0 - 3; x <= x0 + 3; ++x)
            grey += ztest_Pixel(x, 560) == 0x646464u;
        EXPECT_EQ(grey, 1) << x0;
    }
    // The parabola through V(2) = 1.8218 eV at x = 400 -+ 133.3.
    auto green_near = [](int x, int y) {
        for (int dy = -2; dy <= 2; ++dy)
            if (ztest_Pixel(x, y + dy) == 0x00FF00u)
                return true;
        return false;
    };
    EXPECT_TRUE(green_near(267, row(1.8218)));
    EXPECT_TRUE(green_near(533, row(1.8218)));
    // The curve: psi_4(0) = 0.81468 * 12 / sqrt(2^4 4!) = 0.4989 above the axis.
    const int peak = static_cast<int>(std::lround(210.0 - 690.0 / 5.25 * reference_state(4, 1e15, 0.0)));
    EXPECT_TRUE(green_near(400, peak));
    EXPECT_TRUE(green_near(400, peak + 1));
    ztest_Shutdown();
}
