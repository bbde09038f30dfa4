// The infinite well's plot and layout at 800 x 600, read back from the
// recorded primitives, with the curve checked against the plain formula of
// tests/infinite_well_reference.h; and the default frame once through the
// offscreen renderer's pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "infinite_well_reference.h"
#include "platform/zgl_test.h"
#include "tests/default_view.h"

namespace {

using reference::default_well;

constexpr uint32_t INSIDE = 0x5555FF, OUTSIDE = 0x33FF33, DENSITY = 0xB78E26;
constexpr uint32_t WHITE = 0xFFFFFF, YELLOW = 0xFFFF00, WALL = 0xDDDDDD, FLOOR = 0x0000FF;

konfig view(double half_range, double density)
{
    konfig k = default_view();
    k.half_range = half_range;
    k.density = density;
    k.show_re = k.show_labels = false;
    return k;
}

std::vector<zgl_prim> draw(situace& s, const konfig& k)
{
    ztest_ClearPrims();
    infinite_well_draw(s, k, nullptr);
    return ztest_Prims();
}

std::vector<zgl_prim> lines(const std::vector<zgl_prim>& v, uint32_t colour)
{
    std::vector<zgl_prim> out;
    for (const auto& p : v)
        if (p.kind == zgl_prim::LINE && p.color == colour)
            out.push_back(p);
    return out;
}

// The lines of a curve split into its strokes: runs of lines each starting
// where the one before ended.
std::vector<std::vector<zgl_prim>> strokes(const std::vector<zgl_prim>& lines)
{
    std::vector<std::vector<zgl_prim>> out;
    for (const auto& p : lines) {
        if (out.empty() || out.back().back().x2 != p.x1 || out.back().back().y2 != p.y1)
            out.emplace_back();
        out.back().push_back(p);
    }
    return out;
}

// The energy axis: 0 eV at y = 550, the 50 eV ceiling at 400.
double Y(double e)
{
    return 550.0 - 3.0 * e;
}

} // namespace

TEST(InfiniteWellPlot, DiagramAndStripsOfTheDefaultWellAtTheNarrowestRange)
{
    konfig k = view(3.0, 351.0);
    situace s = default_well();
    const auto v = draw(s, k);
    const double xl = 254.16667, xr = 545.83333; // 400 -+ 700 * 2.5 / 12

    const auto walls = lines(v, WALL), floor = lines(v, FLOOR), white = lines(v, WHITE);
    ASSERT_EQ(walls.size(), 2u);
    ASSERT_EQ(floor.size(), 2u);
    ASSERT_EQ(white.size(), 2u);
    for (int j = 0; j < 2; ++j) {
        EXPECT_NEAR(walls[j].x1, j ? xr : xl, 1e-3);
        EXPECT_EQ(walls[j].x2, walls[j].x1);
        EXPECT_EQ(walls[j].y1, 400.0f);
        EXPECT_EQ(walls[j].y2, 550.0f);
        EXPECT_EQ(floor[j].y1, 549.0f + j); // two pixels thick
        EXPECT_NEAR(floor[j].x1, xl, 1e-3);
        EXPECT_NEAR(floor[j].x2, xr, 1e-3);
        EXPECT_NEAR(white[j].y1, Y(reference::level(1, 2.5)) - 1 + j, 1e-3);
        EXPECT_EQ(white[j].x1, 50.0f);
        EXPECT_EQ(white[j].x2, 750.0f);
    }
    EXPECT_EQ(lines(v, 0x666666).size(), 100u); // 0 .. 49 eV, left and right of the well

    // Yellow lines at the eleven levels below 50 eV, across the well, drawn
    // after the white one.
    const auto yellow = lines(v, YELLOW);
    ASSERT_EQ(yellow.size(), 11u);
    for (int n = 1; n <= 11; ++n) {
        EXPECT_NEAR(yellow[n - 1].y1, Y(reference::level(n, 2.5)), 1e-3);
        EXPECT_NEAR(yellow[n - 1].x1, xl, 1e-3);
        EXPECT_NEAR(yellow[n - 1].x2, xr, 1e-3);
    }
    const auto first_yellow = std::find_if(v.begin(), v.end(), [](auto& p) { return p.color == YELLOW; });
    const auto after_white =
        std::find_if(v.rbegin(), v.rend(), [](auto& p) { return p.color == WHITE; }).base();
    EXPECT_GE(first_yellow, after_white);

    const auto label = std::find_if(v.begin(), v.end(), [](auto& p) { return p.kind == zgl_prim::TEXT; });
    ASSERT_NE(label, v.end());
    EXPECT_EQ(label->text, "<-- 1nm -->");
    EXPECT_EQ(label->x1, 400.0f);
    EXPECT_EQ(label->y1, 575.0f);
    EXPECT_EQ(label->flags, 0x22u);
    EXPECT_EQ(s.text, "E(n;P): \n0.38eV(1; 100%)");

    // The strips V1, V2, V3 end and begin exactly at the drawn walls.
    control list[5]{};
    const char* names[] = {"plocha", "vypis", "V1", "V2", "V3"};
    for (int j = 0; j < 5; ++j)
        list[j].name = names[j], list[j].rect.x = 50.0f, list[j].next = j < 4 ? &list[j + 1] : nullptr;
    k.controls = list;
    infinite_well_layout(s, k);
    EXPECT_FLOAT_EQ(list[2].rect.x + list[2].rect.w, walls[0].x1);
    EXPECT_EQ(list[3].rect.x, walls[0].x1);
    EXPECT_FLOAT_EQ(list[3].rect.x + list[3].rect.w, walls[1].x1);
    EXPECT_EQ(list[4].rect.x, walls[1].x1);
    EXPECT_FLOAT_EQ(list[4].rect.x + list[4].rect.w, 750.0f);
    EXPECT_EQ(list[4].hover_rect.w, list[4].rect.w);

    // The widest well holds 23 levels; a superposition has no white level.
    s.a = 5.0;
    s.E = -1.0;
    const auto wide = draw(s, k);
    EXPECT_EQ(lines(wide, YELLOW).size(), 23u);
    EXPECT_TRUE(lines(wide, WHITE).empty());
}

TEST(InfiniteWellPlot, CurveFollowsTheWaveInsideAndLiesOnTheAxisOutside)
{
    // The default view: the sample counter runs over -800 .. 1300, x = i/200.
    konfig k = view(5.25, 200.0);
    k.t = 3.7e-15L;
    situace s = default_well();
    s.E = -1.0;
    s.coef[5] = cplx(0.6, 0.1), s.coef[6] = cplx(0.0, -0.5), s.coef[11] = cplx(0.3, 0.3);
    for (bool reim : {true, false}) {
        k.reim_mode = reim;
        const auto v = draw(s, k);
        std::vector<zgl_prim> curve;
        std::copy_if(v.begin(), v.end(), std::back_inserter(curve), [](const zgl_prim& p) {
            return p.color == INSIDE || p.color == OUTSIDE || p.color == DENSITY;
        });
        // Two strokes, each joined from the axis left of the first sample
        // to the last: first the row of the samples, then the one a pixel
        // higher. Their vertices lie on samples, at the wave's height.
        const auto st = strokes(curve);
        ASSERT_EQ(st.size(), 2u);
        EXPECT_EQ(st[0].front().y1, 210.0f); // starts on the axis
        for (int r = 0; r < 2; ++r) {
            EXPECT_NEAR(st[r].back().x2, 750.0, 1e-3);
            EXPECT_LE(st[r].size(), 720u);
            for (const auto& p : st[r]) {
                const double at = ((p.x2 - 50.0) * 10.5 / 700.0 - 5.25 + 1.25) * 200.0;
                ASSERT_NEAR(at, std::round(at), 1e-2);
                const long i = std::lround(at);
                const double x = i / 200.0;
                const bool inside = i > 0 && i <= 500;
                cplx psi = 0.0;
                if (inside)
                    reference::direct_wave(s, k.t, &x, 1, &psi);
                const double q = reim ? psi.real() : std::norm(psi);
                EXPECT_EQ(p.color, reim ? (inside ? INSIDE : OUTSIDE) : DENSITY);
                ASSERT_NEAR(p.y2, 210.0 - r - 690.0 / 5.25 * q, 1e-3)
                    << i << (reim ? " real part" : " density");
            }
        }
    }
}

TEST(InfiniteWellPlot, StateZeroAtTheNarrowestWidthDrawsAFlatCurveAndOnlyFiniteLines)
{
    konfig k = view(3.0, 351.0);
    situace s = default_well();
    s.E = 0.0;
    s.a = 0.02;
    s.coef[4] = 1.0; // where the step puts state 0's weight
    std::vector<zgl_prim> curve;
    for (const auto& p : draw(s, k)) {
        ASSERT_TRUE(std::isfinite(p.x1) && std::isfinite(p.y1) && std::isfinite(p.x2) && std::isfinite(p.y2));
        if (p.color == INSIDE || p.color == OUTSIDE) {
            curve.push_back(p);
            EXPECT_TRUE(p.y2 == 210.0f || p.y2 == 209.0f);
        }
    }
    const auto st = strokes(curve);
    ASSERT_EQ(st.size(), 2u);
    EXPECT_NEAR(st[1].back().x2, 750.0, 1e-3);
    EXPECT_EQ(s.text, "E(n;P): \n0eV(0; 100%)");
}

namespace {
situace frame_state;
konfig frame_view;
void frame_draw()
{
    infinite_well_draw(frame_state, frame_view, nullptr);
}
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
    // As chosen at start-up: half range 5.25, walls at 316.7 and 483.3, the
    // ground state's peak sqrt(2/2.5) at x = 400.
    frame_view = view(5.25, 200.0);
    frame_state = default_well();
    ztest_Enable();
    ASSERT_TRUE(zglLoad());
    zgl_Reg(SYS_DRAW, frame_draw);
    scr_SetOptions(800, 600, 1, false, true);
    zgl_Init();
    for (bool reim : {true, false}) {
        frame_view.reim_mode = reim;
        ztest_Frame();
        EXPECT_EQ(ztest_Pixel(316, 470), WALL);
        EXPECT_EQ(ztest_Pixel(483, 470), WALL);
        EXPECT_EQ(ztest_Pixel(400, 550), FLOOR);
        EXPECT_TRUE(colour_near(150, 548, WHITE));
        EXPECT_TRUE(colour_near(400, static_cast<int>(std::lround(Y(reference::level(4, 2.5)))), YELLOW));
        const int peak = static_cast<int>(std::lround(210.0 - 690.0 / 5.25 * (reim ? std::sqrt(0.8) : 0.8)));
        EXPECT_TRUE(colour_near(400, peak, reim ? INSIDE : DENSITY, 2)) << peak;
        EXPECT_TRUE(colour_near(150, 210, reim ? OUTSIDE : DENSITY));
        EXPECT_TRUE(colour_near(700, 210, reim ? OUTSIDE : DENSITY));
    }
    ztest_Shutdown();
}
