// The infinite well's plot at 800 x 600, read back from the recorded
// primitives, with the curve checked against the plain formula of
// tests/infinite_well_reference.h; and the default frame once through the
// offscreen renderer's pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engines/infinite_well/infinite_well.h"
#include "infinite_well_reference.h"
#include "platform/zgl_test.h"

namespace {

konfig view(double half_range, double density)
{
    konfig k{};
    k.width = 800;
    k.height = 600;
    k.half_range = half_range;
    k.density = density;
    k.reim_mode = true;
    return k;
}

situace well()
{
    situace s{};
    s.E = 1.0;
    s.V2 = 50.0;
    s.a = 2.5;
    s.coef[5] = cplx(1.0, 0.0); // as the step leaves the ground state
    return s;
}

std::vector<zgl_prim> draw(situace& s, const konfig& k)
{
    ztest_ClearPrims();
    infinite_well_draw(s, k, nullptr);
    return ztest_Prims();
}

std::vector<zgl_prim> of_colour(const std::vector<zgl_prim>& v, uint32_t colour)
{
    std::vector<zgl_prim> out;
    std::copy_if(v.begin(), v.end(), std::back_inserter(out),
                 [&](const zgl_prim& p) { return p.kind == zgl_prim::LINE && p.color == colour; });
    return out;
}

constexpr uint32_t INSIDE = 0x5555FF, OUTSIDE = 0x33FF33, DENSITY = 0xB78E26;
constexpr uint32_t WHITE = 0xFFFFFF, YELLOW = 0xFFFF00;

// The energy axis: 0 eV at 550, the 50 eV ceiling at 400.
double Y(double e)
{
    return 550.0 - 3.0 * e;
}

} // namespace

TEST(InfiniteWellPlot, EnergyDiagramOfTheDefaultWellAtTheNarrowestRange)
{
    konfig k = view(3.0, 351.0);
    situace s = well();
    const auto v = draw(s, k);
    const float xl = 254.16667f, xr = 545.83333f; // 400 -+ 700 * 2.5 / 12

    const auto walls = of_colour(v, 0xDDDDDD);
    ASSERT_EQ(walls.size(), 2u);
    for (int j = 0; j < 2; ++j) {
        EXPECT_NEAR(walls[j].x1, j ? xr : xl, 1e-3);
        EXPECT_EQ(walls[j].x1, walls[j].x2);
        EXPECT_FLOAT_EQ(walls[j].y1, 400.0f);
        EXPECT_FLOAT_EQ(walls[j].y2, 550.0f);
    }
    const auto axis = of_colour(v, 0x999999);
    ASSERT_EQ(axis.size(), 1u);
    EXPECT_EQ(axis[0].x1, 40.0f);
    EXPECT_EQ(axis[0].x2, 760.0f);
    EXPECT_EQ(axis[0].y1, 210.0f);
    EXPECT_EQ(axis[0].alpha, 200);

    // The floor and the ground state's white level, two rows each.
    const auto floor = of_colour(v, 0x0000FF);
    const auto white = of_colour(v, WHITE);
    ASSERT_EQ(floor.size(), 2u);
    ASSERT_EQ(white.size(), 2u);
    for (int j = 0; j < 2; ++j) {
        EXPECT_EQ(floor[j].y1, 549.0f + j);
        EXPECT_NEAR(floor[j].x1, xl, 1e-3);
        EXPECT_NEAR(floor[j].x2, xr, 1e-3);
        EXPECT_NEAR(white[j].y1, Y(reference::level(1, 2.5)) - 1 + j, 1e-3);
        EXPECT_EQ(white[j].x1, 50.0f);
        EXPECT_EQ(white[j].x2, 750.0f);
    }

    // One grid line an eV, 0 .. 49, left and right of the well.
    const auto grid = of_colour(v, 0x666666);
    ASSERT_EQ(grid.size(), 100u);
    for (int j = 0; j < 50; ++j) {
        EXPECT_FLOAT_EQ(grid[2 * j].y1, static_cast<float>(Y(j)));
        EXPECT_EQ(grid[2 * j].x1, 50.0f);
        EXPECT_NEAR(grid[2 * j].x2, xl, 1e-3);
        EXPECT_NEAR(grid[2 * j + 1].x1, xr, 1e-3);
        EXPECT_EQ(grid[2 * j + 1].x2, 750.0f);
        EXPECT_EQ(grid[2 * j].alpha, 160);
    }

    // Yellow lines at the eleven levels below 50 eV, across the well, after
    // the white one.
    const auto yellow = of_colour(v, YELLOW);
    ASSERT_EQ(yellow.size(), 11u);
    for (int n = 1; n <= 11; ++n) {
        EXPECT_NEAR(yellow[n - 1].y1, Y(reference::level(n, 2.5)), 1e-3) << n;
        EXPECT_NEAR(yellow[n - 1].x1, xl, 1e-3);
        EXPECT_NEAR(yellow[n - 1].x2, xr, 1e-3);
    }
    auto index = [&](const zgl_prim& p) { return &p - v.data(); };
    const auto last_white = std::find_if(v.rbegin(), v.rend(), [](auto& p) { return p.color == WHITE; });
    const auto first_yellow = std::find_if(v.begin(), v.end(), [](auto& p) { return p.color == YELLOW; });
    EXPECT_LT(index(*last_white), index(*first_yellow));

    // The width label and the list.
    const auto label = std::find_if(v.begin(), v.end(), [](auto& p) { return p.kind == zgl_prim::TEXT; });
    ASSERT_NE(label, v.end());
    EXPECT_EQ(label->text, "<-- 1nm -->");
    EXPECT_EQ(label->x1, 400.0f);
    EXPECT_EQ(label->y1, 575.0f);
    EXPECT_EQ(label->flags, 0x22u);
    EXPECT_EQ(s.text, "E(n;P): \n0.38eV(1; 100%)");

    // The widest well holds 23 levels below the ceiling; a superposition
    // has no white level.
    s.a = 5.0;
    s.E = -1.0;
    const auto wide = draw(s, k);
    EXPECT_EQ(of_colour(wide, YELLOW).size(), 23u);
    EXPECT_TRUE(of_colour(wide, WHITE).empty());
}

TEST(InfiniteWellPlot, CurveFollowsTheWaveInsideAndLiesOnTheAxisOutside)
{
    // The shell's default view: half range 5.25, 200 samples a unit, so the
    // sample counter runs over the whole numbers -800 .. 1300 and x = i/200.
    konfig k = view(5.25, 200.0);
    k.t = 3.7e-15L;
    situace s = well();
    s.E = -1.0;
    s.coef[5] = cplx(0.6, 0.1);
    s.coef[6] = cplx(0.0, -0.5);
    s.coef[11] = cplx(0.3, 0.3);
    const double A = 690.0 / 5.25;
    for (bool reim : {true, false}) {
        SCOPED_TRACE(reim ? "real part" : "density");
        k.reim_mode = reim;
        const auto v = draw(s, k);
        std::vector<zgl_prim> curve;
        std::copy_if(v.begin(), v.end(), std::back_inserter(curve), [](const zgl_prim& p) {
            return p.kind == zgl_prim::LINE &&
                   (p.color == INSIDE || p.color == OUTSIDE || p.color == DENSITY);
        });
        ASSERT_EQ(curve.size(), 2u * 2101u);
        // The first segment starts on the axis one sample left of the plot.
        EXPECT_NEAR(curve[0].x1, 50.0 - 700.0 / 2100.0, 1e-3);
        EXPECT_EQ(curve[0].y1, 210.0f);
        for (size_t j = 0; j < curve.size(); j += 2) {
            const zgl_prim &lo = curve[j], &hi = curve[j + 1];
            const long i = static_cast<long>(j / 2) - 800;
            const double x = i / 200.0;
            const bool inside = i > 0 && i <= 500;
            EXPECT_NEAR(lo.x2, 50.0 + (x - 1.25 + 5.25) * 700.0 / 10.5, 1e-3);
            EXPECT_EQ(lo.color, reim ? (inside ? INSIDE : OUTSIDE) : DENSITY) << i;
            EXPECT_NEAR(hi.y2, lo.y2 - 1.0f, 1e-4);
            cplx psi(0.0, 0.0);
            if (inside)
                reference::direct_wave(s, k.t, &x, 1, &psi);
            const double q = reim ? psi.real() : std::norm(psi);
            ASSERT_NEAR(lo.y2, 210.0 - A * q, 1e-3) << i;
            if (!reim) {
                EXPECT_LE(lo.y2, 210.0f);
            }
        }
    }
}

TEST(InfiniteWellPlot, StateZeroAtTheNarrowestWidthDrawsAFlatCurveAndOnlyFiniteLines)
{
    konfig k = view(3.0, 351.0);
    situace s = well();
    s.E = 0.0;
    s.a = 0.02;
    s.coef[4] = cplx(1.0, 0.0); // where the step puts state 0's weight
    const auto v = draw(s, k);
    size_t curve = 0;
    for (const auto& p : v) {
        ASSERT_TRUE(std::isfinite(p.x1) && std::isfinite(p.y1) && std::isfinite(p.x2) && std::isfinite(p.y2));
        if (p.color == INSIDE || p.color == OUTSIDE) {
            ++curve;
            EXPECT_TRUE(p.y2 == 210.0f || p.y2 == 209.0f);
        }
    }
    EXPECT_GT(curve, 4000u);
    EXPECT_TRUE(of_colour(v, YELLOW).empty()); // E_1 is thousands of eV here
    EXPECT_EQ(s.text, "E(n;P): \n0eV(0; 100%)");
}

// ---- Pixels through the offscreen renderer ----------------------------------------

namespace {
situace frame_state;
konfig frame_view;
void frame_draw()
{
    infinite_well_draw(frame_state, frame_view, nullptr);
}
// The colour at (x, y), or one found within dy rows of y.
bool colour_near(int x, int y, uint32_t colour, int dy = 1)
{
    for (int d = -dy; d <= dy; ++d)
        if (ztest_Pixel(x, y + d) == colour)
            return true;
    return false;
}
} // namespace

TEST(InfiniteWellPlot, DefaultFramePaintsWallsFloorLevelsAndCurveInTheirColours)
{
    // The system as chosen at start-up: half range 5.25, walls at 316.7 and
    // 483.3, the ground state's peak sqrt(2/2.5) = 0.894 at x = 400.
    frame_view = view(5.25, 200.0);
    frame_state = well();
    ztest_Enable();
    ASSERT_TRUE(zglLoad());
    zgl_Reg(SYS_DRAW, frame_draw);
    scr_SetOptions(800, 600, 1, false, true);
    zgl_Init();
    const double A = 690.0 / 5.25;
    for (bool reim : {true, false}) {
        SCOPED_TRACE(reim ? "real part" : "density");
        frame_view.reim_mode = reim;
        ztest_Frame();
        EXPECT_EQ(ztest_Pixel(316, 470), 0xDDDDDDu); // left wall
        EXPECT_EQ(ztest_Pixel(483, 470), 0xDDDDDDu); // right wall
        EXPECT_EQ(ztest_Pixel(400, 550), 0x0000FFu); // floor, below the levels
        EXPECT_TRUE(colour_near(150, 548, WHITE));   // the ground state's level
        EXPECT_TRUE(colour_near(700, 548, WHITE));
        EXPECT_TRUE(colour_near(400, static_cast<int>(std::lround(Y(reference::level(4, 2.5)))), YELLOW));
        const int peak = static_cast<int>(std::lround(210.0 - A * (reim ? std::sqrt(0.8) : 0.8)));
        EXPECT_TRUE(colour_near(400, peak, reim ? INSIDE : DENSITY, 2)) << peak;
        EXPECT_TRUE(colour_near(150, 210, reim ? OUTSIDE : DENSITY));
        EXPECT_TRUE(colour_near(700, 210, reim ? OUTSIDE : DENSITY));
    }
    ztest_Shutdown();
}
