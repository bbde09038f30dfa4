// The three-region plot, read back from the recorded primitives at 800 x 600
// with half range 5.25, and once through the offscreen renderer's pixels.
// The curve is checked against a wave function solved here independently
// (plane waves matched by a 4 x 4 linear solve), not the engine's formulas.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engines/three_region/three_region.h"
#include "tests/default_view.h"
#include "platform/zgl_test.h"

namespace {

// ---- Set-up ---------------------------------------------------------------

konfig view()
{
    return default_view();
}

// The three systems' defaults, solved by the engine's step.
situace system_state(const std::string& name, konfig& k)
{
    situace s{};
    if (name == "volna")
        s.E = 5.0, s.V1 = 2.0, s.V2 = 4.0, s.V3 = 3.0, s.a = 2.5, s.x0 = -1.25;
    else if (name == "bariera")
        s.E = 6.4, s.V1 = 3.0, s.V2 = 7.0, s.V3 = 0.0, s.a = 1.0, s.x0 = 0.0;
    else // "jama"
        s.E = 2.61, s.V1 = 9.0, s.V2 = 0.0, s.V3 = 9.0, s.a = 2.5, s.x0 = -1.25;
    s.coef[0] = cplx(1.0, 0.0);
    three_region_step(s, k);
    return s;
}

std::vector<zgl_prim> draw(situace& s, const konfig& k)
{
    ztest_ClearPrims();
    three_region_draw(s, k, nullptr);
    return ztest_Prims();
}

// ---- Reading the primitives -------------------------------------------------

// The screen mapping at 800 x 600, L = 5.25: 700 px over 10.5 units.
double X(double x)
{
    return (x + 5.25) * 700.0 / 10.5 + 50.0;
}
constexpr double Y0 = 210.0;       // zero line of the wave plot
constexpr double S = 690.0 / 5.25; // pixels per plotted unit
double Y(double e, double vmax)
{
    return 550.0 - 150.0 * e / vmax;
}

bool is_line(const zgl_prim& p)
{
    return p.kind == zgl_prim::LINE;
}
// A line of the wave curve: any line above the energy diagram (which begins
// at y = 400) but the zero line.
bool is_curve(const zgl_prim& p)
{
    return is_line(p) && p.color != 0x999999 && std::max(p.y1, p.y2) < 390.0f;
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

// The sample (200 a unit, n = -1050 .. 1050) at the screen x of a vertex:
// a curve's vertices lie on its samples.
double sample_at(float sx)
{
    return ((sx - 50.0) * 10.5 / 700.0 - 5.25) * 200.0;
}

// Horizontal lines of a colour at a row (within 0.01 px).
std::vector<zgl_prim> rows(const std::vector<zgl_prim>& v, uint32_t colour, double y)
{
    std::vector<zgl_prim> out;
    for (const auto& p : v)
        if (is_line(p) && !is_curve(p) && p.color == colour && std::fabs(p.y1 - y) < 0.01 &&
            std::fabs(p.y2 - y) < 0.01)
            out.push_back(p);
    return out;
}

std::vector<zgl_prim> texts(const std::vector<zgl_prim>& v)
{
    std::vector<zgl_prim> out;
    for (const auto& p : v)
        if (p.kind == zgl_prim::TEXT)
            out.push_back(p);
    return out;
}

const zgl_prim* text_of(const std::vector<zgl_prim>& v, const std::string& t)
{
    for (const auto& p : v)
        if (p.kind == zgl_prim::TEXT && p.text == t)
            return &p;
    return nullptr;
}

// ---- The independent solution -------------------------------------------------

// Plane waves exp(+-i q x) in each region, q = sqrt(2m (E - V)) / hbar on the
// principal branch (imaginary where the particle is below the potential).
struct plane_wave_state {
    double x0, b;
    cplx q1, q2, q3;
    cplx B1, A2, B2, A3; // A1 = 1 (incoming from the left), B3 = 0

    cplx operator()(double x) const
    {
        const cplx i(0.0, 1.0);
        if (x <= x0)
            return std::exp(i * q1 * x) + B1 * std::exp(-i * q1 * x);
        if (x <= b)
            return A2 * std::exp(i * q2 * x) + B2 * std::exp(-i * q2 * x);
        return A3 * std::exp(i * q3 * x);
    }
};

// Gaussian elimination with partial pivoting, complex 4 x 4.
std::array<cplx, 4> solve4(std::array<std::array<cplx, 5>, 4> m)
{
    for (int c = 0; c < 4; ++c) {
        int piv = c;
        for (int r = c + 1; r < 4; ++r)
            if (std::abs(m[r][c]) > std::abs(m[piv][c]))
                piv = r;
        std::swap(m[c], m[piv]);
        for (int r = c + 1; r < 4; ++r) {
            const cplx f = m[r][c] / m[c][c];
            for (int j = c; j < 5; ++j)
                m[r][j] -= f * m[c][j];
        }
    }
    std::array<cplx, 4> x;
    for (int r = 3; r >= 0; --r) {
        cplx v = m[r][4];
        for (int j = r + 1; j < 4; ++j)
            v -= m[r][j] * x[j];
        x[r] = v / m[r][r];
    }
    return x;
}

// Continuity of psi and psi' at x0 and b = x0 + a, unknowns B1, A2, B2, A3.
plane_wave_state solve_plane_waves(double E, double V1, double V2, double V3, double a, double x0)
{
    const double two_m = 1.8218e-30, hbar = 6.582119514e-16;
    auto q = [&](double V) { return std::sqrt(cplx(two_m * (E - V), 0.0)) / hbar; };
    plane_wave_state w;
    w.x0 = x0;
    w.b = x0 + a;
    w.q1 = q(V1), w.q2 = q(V2), w.q3 = q(V3);
    const cplx i(0.0, 1.0);
    auto e = [&](cplx k, double x) { return std::exp(i * k * x); };
    const double b = w.b;
    std::array<std::array<cplx, 5>, 4> m{};
    // psi at x0: e1p + B1 e1m = A2 e2p + B2 e2m
    m[0] = {e(-w.q1, x0), -e(w.q2, x0), -e(-w.q2, x0), 0.0, -e(w.q1, x0)};
    // psi' at x0
    m[1] = {-i * w.q1 * e(-w.q1, x0), -i * w.q2 * e(w.q2, x0), i * w.q2 * e(-w.q2, x0), 0.0,
            -i * w.q1 * e(w.q1, x0)};
    // psi at b
    m[2] = {0.0, e(w.q2, b), e(-w.q2, b), -e(w.q3, b), 0.0};
    // psi' at b
    m[3] = {0.0, i * w.q2 * e(w.q2, b), -i * w.q2 * e(-w.q2, b), -i * w.q3 * e(w.q3, b), 0.0};
    const auto x = solve4(m);
    w.B1 = x[0], w.A2 = x[1], w.B2 = x[2], w.A3 = x[3];
    return w;
}

// The integral of |psi|^2 from lo to hi, by Simpson's rule.
double integral_density(const plane_wave_state& w, double lo, double hi)
{
    const int n = 6000;
    const double h = (hi - lo) / n;
    double sum = std::norm(w(lo)) + std::norm(w(hi));
    for (int j = 1; j < n; ++j)
        sum += (j % 2 ? 4.0 : 2.0) * std::norm(w(lo + j * h));
    return sum * h / 3.0;
}

// ---- Independent bound states of the symmetric well ---------------------------

// Even and odd states of a well of depth V (eV) and width a: k tan(k a/2) =
// kappa and -k cot(k a/2) = kappa, found by bisection on a fine grid.
std::vector<double> symmetric_well_levels(double V, double a)
{
    const double two_m = 1.8218e-30, hbar = 6.582119514e-16;
    auto g = [&](double e, bool even) {
        const double k = std::sqrt(two_m * e) / hbar, kap = std::sqrt(two_m * (V - e)) / hbar;
        const double c = std::cos(k * a / 2), s = std::sin(k * a / 2);
        return even ? k * s - kap * c : -k * c - kap * s;
    };
    std::vector<double> levels;
    for (bool even : {true, false}) {
        const double step = 1e-3;
        for (double e = step; e + step < V; e += step) {
            double lo = e, hi = e + step;
            if ((g(lo, even) > 0) == (g(hi, even) > 0))
                continue;
            for (int it = 0; it < 60; ++it) {
                const double mid = 0.5 * (lo + hi);
                ((g(lo, even) > 0) == (g(mid, even) > 0) ? lo : hi) = mid;
            }
            levels.push_back(0.5 * (lo + hi));
        }
    }
    std::sort(levels.begin(), levels.end());
    return levels;
}

} // namespace

// ---- The energy diagram ---------------------------------------------------------

TEST(ThreeRegionPlot, EnergyAndPotentialLinesAndWallsSitWhereTheMappingPutsThem)
{
    struct expect {
        const char* name;
        double E, V1, V2, V3, a, x0, vmax;
    };
    for (const expect& c : {expect{"volna", 5.0, 2.0, 4.0, 3.0, 2.5, -1.25, 5.0},
                            expect{"bariera", 6.4, 3.0, 7.0, 0.0, 1.0, 0.0, 7.0}}) {
        SCOPED_TRACE(c.name);
        konfig k = view();
        situace s = system_state(c.name, k);
        const auto v = draw(s, k);
        const double xl = X(c.x0), xr = X(c.x0 + c.a);
        // Each line twice, one pixel apart: two pixels thick.
        for (double o : {-1.0, 0.0}) {
            const auto e = rows(v, 0xFFFFFF, Y(c.E, c.vmax) + o);
            ASSERT_EQ(e.size(), 1u);
            EXPECT_FLOAT_EQ(e[0].x1, 50.0f);
            EXPECT_FLOAT_EQ(e[0].x2, 750.0f);
            EXPECT_EQ(e[0].alpha, 255);
            const auto r1 = rows(v, 0x33FF33, Y(c.V1, c.vmax) + o);
            ASSERT_EQ(r1.size(), 1u);
            EXPECT_FLOAT_EQ(r1[0].x1, 50.0f);
            EXPECT_NEAR(r1[0].x2, xl, 1e-3);
            const auto r2 = rows(v, 0x5555FF, Y(c.V2, c.vmax) + o);
            ASSERT_EQ(r2.size(), 1u);
            EXPECT_NEAR(r2[0].x1, xl, 1e-3);
            EXPECT_NEAR(r2[0].x2, xr, 1e-3);
            const auto r3 = rows(v, 0xFF3333, Y(c.V3, c.vmax) + o);
            ASSERT_EQ(r3.size(), 1u);
            EXPECT_NEAR(r3[0].x1, xr, 1e-3);
            EXPECT_FLOAT_EQ(r3[0].x2, 750.0f);
        }
        // The walls, one pixel wide, from step to step.
        std::vector<zgl_prim> walls;
        for (const auto& p : v)
            if (is_line(p) && p.color == 0xDDDDDD)
                walls.push_back(p);
        ASSERT_EQ(walls.size(), 2u);
        EXPECT_NEAR(walls[0].x1, xl, 1e-3);
        EXPECT_NEAR(walls[0].x2, xl, 1e-3);
        EXPECT_NEAR(walls[0].y1, Y(c.V1, c.vmax), 1e-3);
        EXPECT_NEAR(walls[0].y2, Y(c.V2, c.vmax), 1e-3);
        EXPECT_NEAR(walls[1].x1, xr, 1e-3);
        EXPECT_NEAR(walls[1].y1, Y(c.V2, c.vmax), 1e-3);
        EXPECT_NEAR(walls[1].y2, Y(c.V3, c.vmax), 1e-3);
        // The zero line of the wave plot.
        const auto zero = rows(v, 0x999999, Y0);
        ASSERT_EQ(zero.size(), 1u);
        EXPECT_FLOAT_EQ(zero[0].x1, 40.0f);
        EXPECT_FLOAT_EQ(zero[0].x2, 760.0f);
        EXPECT_EQ(zero[0].alpha, 200);
    }
}

TEST(ThreeRegionPlot, WellGridLinesStayOutsideTheWellAboveItsBottom)
{
    konfig k = view();
    situace s = system_state("jama", k);
    ASSERT_NEAR(s.E, 2.614, 0.002); // snapped onto the ground state
    const auto v = draw(s, k);
    const double xl = X(-1.25), xr = X(1.25);
    // Line 0 in full.
    auto g0 = rows(v, 0x666666, Y(0, 9));
    ASSERT_EQ(g0.size(), 1u);
    EXPECT_FLOAT_EQ(g0[0].x1, 50.0f);
    EXPECT_FLOAT_EQ(g0[0].x2, 750.0f);
    EXPECT_EQ(g0[0].alpha, 160);
    // Lines 1 to 8: a piece left and a piece right of the well.
    for (int j = 1; j <= 8; ++j) {
        SCOPED_TRACE(j);
        auto g = rows(v, 0x666666, Y(j, 9));
        ASSERT_EQ(g.size(), 2u);
        EXPECT_FLOAT_EQ(g[0].x1, 50.0f);
        EXPECT_NEAR(g[0].x2, xl, 1e-3);
        EXPECT_NEAR(g[1].x1, xr, 1e-3);
        EXPECT_FLOAT_EQ(g[1].x2, 750.0f);
    }
    // Line 9 lies on the walls' top: not drawn.
    EXPECT_TRUE(rows(v, 0x666666, Y(9, 9)).empty());
    size_t grid = std::count_if(v.begin(), v.end(), [](const zgl_prim& p) { return p.color == 0x666666; });
    EXPECT_EQ(grid, 17u);
}

TEST(ThreeRegionPlot, GridStopsAtSeventyElectronvolts)
{
    konfig k = view();
    situace s = system_state("volna", k);
    s.V2 = 69.9;
    auto v = draw(s, k);
    size_t grid = std::count_if(v.begin(), v.end(), [](const zgl_prim& p) { return p.color == 0x666666; });
    EXPECT_EQ(grid, 70u); // 0 .. 69
    s.V2 = 70.0;
    v = draw(s, k);
    grid = std::count_if(v.begin(), v.end(), [](const zgl_prim& p) { return p.color == 0x666666; });
    EXPECT_EQ(grid, 0u);
}

TEST(ThreeRegionPlot, WellLevelsMarkTheBoundStatesJustAboveTheirEnergies)
{
    konfig k = view();
    situace s = system_state("jama", k);
    const auto v = draw(s, k);
    const auto levels = symmetric_well_levels(9.0, 2.5);
    ASSERT_GE(levels.size(), 3u);
    // Level lines span the well's inside, one pixel in from the left wall.
    std::vector<double> ys;
    for (const auto& p : v)
        if (is_line(p) && !is_curve(p) && p.color == 0x5555FF && std::fabs(p.x1 - (X(-1.25) + 1.0)) < 1e-3) {
            EXPECT_NEAR(p.x2, X(1.25), 1e-3);
            EXPECT_FLOAT_EQ(p.y1, p.y2);
            ys.push_back(p.y1);
        }
    // One line per level, plus the residual's trivial zero at the bottom
    // itself, marked one scan step above it.
    ASSERT_EQ(ys.size(), levels.size() + 1);
    EXPECT_NEAR(ys[0], Y(0.002, 9), 1e-3);
    const double px_per_ev = 150.0 / 9.0;
    for (size_t j = 0; j < levels.size(); ++j) {
        SCOPED_TRACE(j);
        // At most two scan steps above the true level (one up to the scan
        // point past the minimum, one for where the minimum falls).
        const double e_drawn = (550.0 - ys[j + 1]) / px_per_ev;
        EXPECT_GE(e_drawn, levels[j] - 1e-4);
        EXPECT_LE(e_drawn, levels[j] + 0.0041);
    }
    // Levels go before everything else of the picture.
    EXPECT_TRUE(is_line(v[0]) && v[0].color == 0x5555FF);
}

// ---- Labels and listing ----------------------------------------------------------

TEST(ThreeRegionPlot, LabelsShowValuesLengthsAndPartFromNearbyLines)
{
    const std::string dots = "\xC2\xB7\xC2\xB7\xC2\xB7";
    {
        konfig k = view();
        situace s = system_state("volna", k);
        const auto t = texts(draw(s, k));
        ASSERT_EQ(t.size(), 7u);
        const char* order[] = {"E=5.00", "V1=2", nullptr, "V2=4", nullptr, "V3=3", nullptr};
        for (int j = 0; j < 7; ++j)
            if (order[j]) {
                EXPECT_EQ(t[j].text, order[j]);
            }
        EXPECT_EQ(t[2].text, "<" + dots + " 1.6nm " + dots + ">");
        EXPECT_EQ(t[4].text, "<" + dots + " 1nm " + dots + ">");
        EXPECT_EQ(t[6].text, "<" + dots + " 1.6nm " + dots + ">");
        // E is the top of the diagram: above its line. V1 lies 3 eV below
        // E, V2 and V3 more than 0 below: all below their lines.
        EXPECT_FLOAT_EQ(t[0].x1, 400.0f);
        EXPECT_NEAR(t[0].y1, Y(5, 5) - 16, 1e-3);
        EXPECT_NEAR(t[1].y1, Y(2, 5) + 6, 1e-3);
        EXPECT_NEAR(t[3].y1, Y(4, 5) + 6, 1e-3);
        EXPECT_NEAR(t[5].y1, Y(3, 5) + 6, 1e-3);
        // Region middles; length labels at H - 20, centred both ways.
        EXPECT_NEAR(t[1].x1, (X(-5.25) + X(-1.25)) / 2, 1e-3);
        EXPECT_NEAR(t[3].x1, X(0.0), 1e-3);
        EXPECT_NEAR(t[5].x1, (X(1.25) + X(5.25)) / 2, 1e-3);
        for (int j : {0, 1, 3, 5})
            EXPECT_EQ(t[j].flags, 0x02u);
        for (int j : {2, 4, 6}) {
            EXPECT_EQ(t[j].flags, 0x22u);
            EXPECT_FLOAT_EQ(t[j].y1, 580.0f);
            EXPECT_FLOAT_EQ(t[j].x1, t[j - 1].x1);
        }
    }
    {
        konfig k = view();
        situace s = system_state("jama", k);
        const auto v = draw(s, k);
        // Snapped to about 2.614: two decimals of the single-precision value.
        const zgl_prim* e = text_of(v, "E=2.61");
        ASSERT_NE(e, nullptr);
        // E more than 2 eV above the bottom and below the top: label below;
        // V1 = V3 = Vmax: above; V2 far below E: below.
        EXPECT_NEAR(e->y1, Y(s.E, 9) + 6, 1e-3);
        EXPECT_NEAR(text_of(v, "V1=9")->y1, Y(9, 9) - 16, 1e-3);
        EXPECT_NEAR(text_of(v, "V3=9")->y1, Y(9, 9) - 16, 1e-3);
        EXPECT_NEAR(text_of(v, "V2=0")->y1, Y(0, 9) + 6, 1e-3);
        EXPECT_NE(text_of(v, "<" + dots + " 1.6nm " + dots + ">"), nullptr);
        EXPECT_NE(text_of(v, "<" + dots + " 1nm " + dots + ">"), nullptr);
    }
    {
        konfig k = view();
        situace s = system_state("bariera", k);
        const auto v = draw(s, k);
        // V2 = 7 is the top: above; E 0.6 eV below it: below its line.
        ASSERT_NE(text_of(v, "E=6.40"), nullptr);
        EXPECT_NEAR(text_of(v, "E=6.40")->y1, Y(6.4, 7) + 6, 1e-3);
        EXPECT_NEAR(text_of(v, "V2=7")->y1, Y(7, 7) - 16, 1e-3);
        EXPECT_NE(text_of(v, "<" + dots + " 2.1nm " + dots + ">"), nullptr);
        EXPECT_NE(text_of(v, "<" + dots + " 0.4nm " + dots + ">"), nullptr);
        EXPECT_NE(text_of(v, "<" + dots + " 1.7nm " + dots + ">"), nullptr);
        k.show_labels = false;
        EXPECT_TRUE(texts(draw(s, k)).empty());
    }
}

// The listing's lines as name and value ("T1" 0.846468, "E(n):" 0, "0.41eV(1)" 0.41).
std::vector<std::pair<std::string, double>> listing_lines(const std::string& text)
{
    std::vector<std::pair<std::string, double>> out;
    for (std::size_t at = 0, nl; (nl = text.find('\n', at)) != std::string::npos; at = nl + 1) {
        const std::string line = text.substr(at, nl - at), name = line.substr(0, line.find('='));
        out.emplace_back(name, std::atof(line.c_str() + (name.size() < line.size() ? name.size() + 1 : 0)));
    }
    return out;
}

TEST(ThreeRegionPlot, ListingGivesSharesOfProbabilityOnlyWhereWavesTravelAndAWellsLevelsElsewhere)
{
    struct row {
        double E, V1, V2, V3, a;
        const char* names; // the figures listed, in order
    } rows[] = {
        {5.0, 2.0, 4.0, 3.0, 2.5, "T1R1T2R2"}, {6.4, 3.0, 7.0, 0.0, 1.0, "T1R1"}, {7.5, 3.0, 7.0, 0.0, 1.0, "T1R1T2R2"},
        {3.87, 2.0, 4.0, 3.0, 2.5, "T1R1"},    {4.0, 2.0, 4.0, 3.0, 2.5, "T1R1"}, {2.5, 2.0, 4.0, 3.0, 0.0, "T1R1"},
        {1.5, 3.0, 0.5, 1.0, 1.0, "T2R2"},     {9.5, 10.0, 0.0, 9.0, 2.5, "T2R2"}, {0.2, 0.0, 2.0, 0.5, 0.6, "T1R1"},
        {30.0, 1.0, 25.0, 0.0, 0.3, "T1R1T2R2"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << "E=" << r.E << " V=" << r.V1 << "," << r.V2 << "," << r.V3);
        konfig k = view();
        situace s{};
        s.E = r.E, s.V1 = r.V1, s.V2 = r.V2, s.V3 = r.V3, s.a = r.a, s.x0 = -0.5;
        three_region_step(s, k);
        draw(s, k);
        const auto lines = listing_lines(s.text);
        std::string names;
        for (std::size_t j = 0; j < lines.size(); ++j) {
            names += lines[j].first;
            EXPECT_TRUE(lines[j].second >= 0.0 && lines[j].second <= 1.0) << s.text;
            EXPECT_NEAR(lines[j & ~1u].second + lines[j | 1u].second, 1.0, 1.5e-6) << s.text;
        }
        EXPECT_EQ(names, r.names) << s.text;
        // T1 is the share of the incoming flux carried off to the right,
        // (k3 / |k1|) |A3|^2 with A1 = 1: in the engine's coefficients before
        // rounding, and listed, against plane waves solved independently.
        if (names[0] != 'T' || names[1] != '1' || r.E == r.V2) // (q2 = 0 leaves the plane waves singular)
            continue;
        const double flux = r.E > r.V3 ? s.k3.real() / std::abs(s.k1) * std::norm(s.coef[4]) : 0.0;
        EXPECT_NEAR(1.0 - std::norm(cdiv(s.coef[1], s.coef[0])), flux, 1e-9);
        const auto w = solve_plane_waves(r.E, r.V1, r.V2, r.V3, r.a, -0.5);
        EXPECT_NEAR(lines[0].second, r.E > r.V3 ? w.q3.real() / w.q1.real() * std::norm(w.A3) : 0.0, 6e-7);
    }
    konfig k = view();
    situace s = system_state("bariera", k);
    draw(s, k);
    EXPECT_EQ(s.text, "T1=0.067622\nR1=0.932378\n");

    // Between the walls of a well the listing names the symmetric well's
    // even and odd states, whatever the height of its floor; at most ten.
    for (auto [floor, depth, a] : {std::array{0.0, 9.0, 2.5}, {1.0, 3.0, 1.0}, {-0.5, 0.4, 6.0}, {0.0, 60.0, 2.5}}) {
        s = system_state("jama", k);
        s.V2 = floor, s.V1 = s.V3 = floor + depth, s.a = a, s.E = floor + 0.3 * depth;
        three_region_step(s, k);
        draw(s, k);
        const auto lines = listing_lines(s.text);
        const auto levels = symmetric_well_levels(depth, a);
        const std::size_t listed = std::min<std::size_t>(levels.size(), 10);
        ASSERT_EQ(lines.size(), 1 + listed + (levels.size() > 10)) << s.text;
        EXPECT_EQ(lines[0].first, "E(n):");
        for (std::size_t n = 1; n <= listed; ++n) {
            EXPECT_NEAR(lines[n].second, floor + levels[n - 1], 0.005 + 1e-9) << s.text;
            EXPECT_NE(lines[n].first.find("eV(" + std::to_string(n) + ")"), std::string::npos);
        }
    }
}

TEST(ThreeRegionPlot, ListingWritesARoundedZeroAsZeroAndLeavesOutFiguresThatAreNoNumbers)
{
    // E, V1, V2, V3, a, x0 and the listing expected.
    struct row {
        double E, V1, V2, V3, a, x0;
        const char* listing;
    } rows[] = {
        // Total reflection at region 3: every wave comes back, T = 0 (its
        // 1 - R lies a rounding error either side of zero).
        {5.0, 2.0, 4.0, 6.0, 2.5, -1.25, "T1=0\nR1=1\nT2=0\nR2=1\n"},
        {6.4, 3.0, 7.0, 7.0, 1.0, 0.0, "T1=0\nR1=1\n"}, // T2, R2: A2 = 0 under the joined 7 eV
        {5.0, 2.0, 4.0, 5.5, 0.0, -1.25, "T1=0\nR1=1\n"},
        // E below every potential: no wave, no figure at all.
        {1.0, 2.0, 4.0, 3.0, 2.5, -1.25, ""},
        {0.0, 0.0, 0.0, 0.0, 2.5, -1.25, ""},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.listing);
        konfig k = view();
        situace s{};
        s.E = r.E, s.V1 = r.V1, s.V2 = r.V2, s.V3 = r.V3, s.a = r.a, s.x0 = r.x0;
        s.coef[0] = cplx(1.0, 0.0);
        three_region_step(s, k);
        draw(s, k);
        EXPECT_EQ(s.text, r.listing);
    }
    // Across a sweep of energies through the potentials of each system, no
    // listing ever holds "nan", "inf" or a negative zero.
    for (const char* name : {"volna", "bariera", "jama"}) {
        konfig k = view();
        situace s = system_state(name, k);
        for (double e = 0.0; e <= 10.0; e += 0.25) {
            s.E = e;
            three_region_step(s, k);
            draw(s, k);
            for (const char* bad : {"nan", "inf", "=-0\n"})
                EXPECT_EQ(s.text.find(bad), std::string::npos) << name << " E=" << e << ": " << s.text;
        }
    }
}

TEST(ThreeRegionPlot, ListingTakesTheRegionalSeparatorButTheEnergyLabelAPoint)
{
    // A Czech locale (decimal comma), built privately for this test.
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("vlnkar-plot-locale-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string cmd =
        "localedef -i cs_CZ -f UTF-8 '" + (dir / "cs_CZ.UTF-8").string() + "' >/dev/null 2>&1";
    const int rc = std::system(cmd.c_str());
    ::setenv("LOCPATH", dir.c_str(), 1);
    const bool have = (rc == 0 || WEXITSTATUS(rc) == 1) && std::setlocale(LC_NUMERIC, "cs_CZ.UTF-8");
    std::vector<zgl_prim> v;
    situace s;
    if (have) {
        konfig k = view();
        s = system_state("volna", k);
        s.V3 = 2.5; // a value label with decimals
        v = draw(s, k);
    }
    std::setlocale(LC_NUMERIC, "C");
    ::unsetenv("LOCPATH");
    std::error_code ec;
    fs::remove_all(dir, ec);
    if (!have)
        GTEST_SKIP() << "localedef could not build cs_CZ.UTF-8";
    EXPECT_EQ(s.text.rfind("T1=0,846468\nR1=0,153532\nT2=0,", 0), 0u) << s.text;
    EXPECT_NE(text_of(v, "E=5.00"), nullptr);
    EXPECT_NE(text_of(v, "V3=2,5"), nullptr);
}

// ---- The wave curve --------------------------------------------------------------

TEST(ThreeRegionPlot, CurveFollowsTheIndependentlySolvedWaveWithItsTimePhase)
{
    struct expect {
        const char* name;
        double E, V1, V2, V3, a, x0;
        long double t;
    };
    for (const expect& c : {expect{"volna", 5.0, 2.0, 4.0, 3.0, 2.5, -1.25, 0.0L},
                            expect{"volna", 5.0, 2.0, 4.0, 3.0, 2.5, -1.25, 3.7e-16L},
                            expect{"bariera", 6.4, 3.0, 7.0, 0.0, 1.0, 0.0, 1.1e-15L}}) {
        SCOPED_TRACE(std::string(c.name) + " t=" + std::to_string(static_cast<double>(c.t)));
        konfig k = view();
        situace s = system_state(c.name, k);
        k.t = c.t;
        k.show_im = true; // both parts: green real, light blue imaginary
        const auto v = draw(s, k);
        std::vector<zgl_prim> re, im;
        for (const auto& p : v) {
            if (is_curve(p) && p.color == 0x00FF00)
                re.push_back(p);
            if (is_curve(p) && p.color == 0x00AAFF)
                im.push_back(p);
        }
        const auto w = solve_plane_waves(c.E, c.V1, c.V2, c.V3, c.a, c.x0);
        // Normalised over six units of the incoming side, left of x0.
        const double N = integral_density(w, c.x0 - 6.0, c.x0);
        const cplx phase = std::polar(1.0, -c.E * static_cast<double>(c.t) / 6.582119514e-16);
        for (bool real : {true, false}) {
            SCOPED_TRACE(real ? "real part" : "imaginary part");
            // Two strokes across the plot: the lower row, then the one a
            // pixel higher; at most one vertex a pixel column, and a second
            // only where the wave turns both ways inside a column.
            const auto st = strokes(real ? re : im);
            ASSERT_EQ(st.size(), 2u);
            for (int r = 0; r < 2; ++r) {
                EXPECT_FLOAT_EQ(st[r].front().x1, 50.0f);
                EXPECT_FLOAT_EQ(st[r].back().x2, 750.0f);
                EXPECT_LE(st[r].size(), 720u);
                // Every vertex lies on a sample, at the height of the wave.
                for (const auto& p : st[r]) {
                    const double n = sample_at(p.x2);
                    ASSERT_NEAR(n, std::round(n), 1e-2);
                    const cplx psi = phase * w(std::round(n) / 200.0) / std::sqrt(N);
                    ASSERT_NEAR(p.y2, Y0 - r - S * (real ? psi.real() : psi.imag()), 2e-3) << n;
                }
            }
        }
    }
}

TEST(ThreeRegionPlot, DensityCurveIsTheSquaredModulusWithTheUnitSquare)
{
    konfig k = view();
    situace s = system_state("bariera", k);
    k.reim_mode = false;
    k.show_square = true;
    const auto v = draw(s, k);
    std::vector<zgl_prim> curve;
    for (const auto& p : v)
        if (is_curve(p))
            curve.push_back(p);
    const auto w = solve_plane_waves(6.4, 3.0, 7.0, 0.0, 1.0, 0.0);
    const double N = integral_density(w, -6.0, 0.0);
    const auto st = strokes(curve);
    ASSERT_EQ(st.size(), 2u);
    for (int r = 0; r < 2; ++r)
        for (const auto& p : st[r]) {
            EXPECT_EQ(p.color, 0xB78E26u);
            const double n = std::round(sample_at(p.x2));
            ASSERT_NEAR(p.y2, Y0 - r - S * std::norm(w(n / 200.0)) / N, 2e-3) << n;
        }
    // The unit square: x from -0.5 to 0.5, plotted values 0 to 1, after the curve.
    auto sq = std::find_if(v.begin(), v.end(), [](const zgl_prim& p) { return p.kind == zgl_prim::RECT; });
    ASSERT_NE(sq, v.end());
    EXPECT_NEAR(sq->x1, X(-0.5), 1e-3);
    EXPECT_NEAR(sq->y1, Y0 - S, 1e-3);
    EXPECT_NEAR(sq->x2, X(0.5) - X(-0.5), 1e-3);
    EXPECT_NEAR(sq->y2, S, 1e-3);
    EXPECT_EQ(sq->color, 0xDDDDDDu);
    EXPECT_EQ(sq->alpha, 100);
    EXPECT_EQ(sq->flags, 0x10000u);
    EXPECT_GT(sq - v.begin(), std::find_if(v.begin(), v.end(), is_curve) - v.begin());
    // No square in the real/imaginary mode.
    k.reim_mode = true;
    const auto v2 = draw(s, k);
    EXPECT_EQ(std::count_if(v2.begin(), v2.end(), [](const zgl_prim& p) { return p.kind == zgl_prim::RECT; }),
              0);
}

TEST(ThreeRegionPlot, OnePartTakesTheRegionColourOfTheSampleEachSegmentEndsAt)
{
    konfig k = view();
    situace s = system_state("volna", k);
    for (bool im : {false, true}) {
        k.show_re = !im;
        k.show_im = im;
        const auto v = draw(s, k);
        // Samples n <= -250 lie in region 1, n <= 250 in region 2; the
        // segment ending at sample n takes n's colour, and the samples at
        // both borders are vertices of both strokes.
        std::vector<zgl_prim> curve;
        for (const auto& p : v)
            if (is_curve(p))
                curve.push_back(p);
        const auto st = strokes(curve);
        ASSERT_EQ(st.size(), 2u);
        for (const auto& stroke : st) {
            int borders = 0;
            for (const auto& p : stroke) {
                const long n = std::lround(sample_at(p.x2));
                EXPECT_EQ(p.color, n <= -250 ? 0x33FF33u : (n <= 250 ? 0x5555FFu : 0xFF3333u)) << n;
                borders += n == -250 || n == 250;
            }
            EXPECT_EQ(borders, 2);
        }
    }
}

TEST(ThreeRegionPlot, NoCurveWhenBothPartsAreOffAndTheRestIsUnchanged)
{
    konfig k = view();
    situace s = system_state("volna", k);
    const auto with = draw(s, k);
    k.show_re = false;
    const auto without = draw(s, k);
    EXPECT_EQ(std::count_if(without.begin(), without.end(), is_curve), 0);
    std::vector<zgl_prim> rest;
    for (const auto& p : with)
        if (!is_curve(p))
            rest.push_back(p);
    ASSERT_EQ(rest.size(), without.size());
    for (size_t j = 0; j < rest.size(); ++j) {
        EXPECT_EQ(rest[j].kind, without[j].kind);
        EXPECT_EQ(rest[j].y1, without[j].y1);
        EXPECT_EQ(rest[j].text, without[j].text);
    }
}

TEST(ThreeRegionPlot, DrawingOrderLayersLevelsZeroCurveGridLinesWallsLabels)
{
    konfig k = view();
    situace s = system_state("jama", k);
    const auto v = draw(s, k);
    auto first = [&](auto pred) { return std::find_if(v.begin(), v.end(), pred) - v.begin(); };
    auto last = [&](auto pred) {
        return static_cast<long>(v.size()) - 1 - (std::find_if(v.rbegin(), v.rend(), pred) - v.rbegin());
    };
    const long levels_end = last([](const zgl_prim& p) {
        return is_line(p) && p.color == 0x5555FF && !is_curve(p) && std::fabs(p.y1 - p.y2) < 1e-6 &&
               p.y1 < 549;
    });
    const long zero = first([](const zgl_prim& p) { return p.color == 0x999999; });
    const long curve = first(is_curve);
    const long curve_end = last(is_curve);
    const long grid = first([](const zgl_prim& p) { return p.color == 0x666666; });
    const long grid_end = last([](const zgl_prim& p) { return p.color == 0x666666; });
    const long energy = first([](const zgl_prim& p) { return is_line(p) && p.color == 0xFFFFFF; });
    const long wall = first([](const zgl_prim& p) { return p.color == 0xDDDDDD; });
    const long label = first([](const zgl_prim& p) { return p.kind == zgl_prim::TEXT; });
    EXPECT_LT(levels_end, zero);
    EXPECT_LT(zero, curve);
    EXPECT_LT(curve_end, grid);
    EXPECT_LT(grid_end, energy);
    EXPECT_LT(energy, wall);
    EXPECT_LT(wall, label);
    // The energy and potential lines: first the upper pixel row of all four,
    // then the lower.
    EXPECT_NEAR(v[energy].y1, Y(s.E, 9) - 1, 1e-3);
    EXPECT_NEAR(v[energy + 4].y1, Y(s.E, 9), 1e-3);
}

// ---- Slope arrows ------------------------------------------------------------------

TEST(ThreeRegionPlot, SlopeArrowsSitOnTheCurveAtEachBoundaryAndOnlyOnceWithoutWidth)
{
    konfig k = view();
    situace s = system_state("volna", k);
    k.show_arrows = true;
    auto sprites = [](const std::vector<zgl_prim>& v) {
        std::vector<zgl_prim> out;
        for (const auto& p : v)
            if (p.kind == zgl_prim::SPRITE)
                out.push_back(p);
        return out;
    };
    auto v = draw(s, k);
    auto a = sprites(v);
    ASSERT_EQ(a.size(), 2u);
    const auto w = solve_plane_waves(5.0, 2.0, 4.0, 3.0, 2.5, -1.25);
    const double N = integral_density(w, -7.25, -1.25);
    // P is captured at the first sample past x0 - 1 sample, Q at the first
    // past x0 + 2 samples: n = -250 and -247 at the left boundary, 250 and
    // 253 at the right.
    for (int j = 0; j < 2; ++j) {
        const int np = j == 0 ? -250 : 250, nq = np + 3;
        const double P = w(np / 200.0).real() / std::sqrt(N), Q = w(nq / 200.0).real() / std::sqrt(N);
        EXPECT_NEAR(a[j].x1, X(nq / 200.0) - 45, 1e-3);
        EXPECT_NEAR(a[j].y1, Y0 - 4.5 - S * Q, 2e-3);
        EXPECT_FLOAT_EQ(a[j].x2, 90.0f);
        EXPECT_FLOAT_EQ(a[j].y2, 9.0f);
        EXPECT_EQ(a[j].flags, 0x100000u);
        EXPECT_EQ(a[j].alpha, 255);
        // Along the drawn slope from P to Q, three samples (1 px) apart.
        const double run = 3.0 / 200.0 * 700.0 / 10.5;
        EXPECT_NEAR(a[j].angle, std::atan(S * (P - Q) / run) * 180.0 / M_PI, 1e-3);
    }
    // Not without the real part, nor in density mode.
    k.show_re = false;
    k.show_im = true;
    EXPECT_TRUE(sprites(draw(s, k)).empty());
    k.show_re = true;
    k.reim_mode = false;
    EXPECT_TRUE(sprites(draw(s, k)).empty());
    // A region without width: the first arrow is already past its right edge.
    k.reim_mode = true;
    s.a = 0.0;
    three_region_step(s, k);
    EXPECT_EQ(sprites(draw(s, k)).size(), 1u);
}

// ---- Edge cases ----------------------------------------------------------------------

TEST(ThreeRegionPlot, ZeroWidthLeavesOneWallNoMiddleRegionAndOnlyTheFirstListingPair)
{
    konfig k = view();
    situace s = system_state("volna", k);
    s.a = 0.0;
    three_region_step(s, k);
    const auto v = draw(s, k);
    std::vector<zgl_prim> walls;
    for (const auto& p : v)
        if (is_line(p) && p.color == 0xDDDDDD)
            walls.push_back(p);
    ASSERT_EQ(walls.size(), 1u);
    EXPECT_NEAR(walls[0].x1, X(-1.25), 1e-3);
    EXPECT_NEAR(walls[0].y1, Y(2, 5), 1e-3);
    EXPECT_NEAR(walls[0].y2, Y(3, 5), 1e-3);
    EXPECT_TRUE(rows(v, 0x5555FF, Y(4, 5)).empty());
    const auto t = texts(v);
    ASSERT_EQ(t.size(), 5u);
    EXPECT_EQ(t[3].text, "V3=3");
    for (const auto& p : t)
        EXPECT_EQ(p.text.find("V2="), std::string::npos);
    EXPECT_EQ(s.text.find("T2="), std::string::npos);
    EXPECT_EQ(std::count(s.text.begin(), s.text.end(), '\n'), 2);
    // A single step from 2 to 3 eV at 5 eV: R = ((q1 - q3) / (q1 + q3))^2.
    const double q1 = std::sqrt(3.0), q3 = std::sqrt(2.0);
    double T1, R1;
    ASSERT_EQ(std::sscanf(s.text.c_str(), "T1=%lf\nR1=%lf\n", &T1, &R1), 2);
    EXPECT_NEAR(R1, std::pow((q1 - q3) / (q1 + q3), 2), 6e-7);
}

TEST(ThreeRegionPlot, AllEnergiesZeroLeavesOutOnlyTheEnergyDiagram)
{
    konfig k = view();
    situace s = system_state("volna", k);
    // Every energy at 0 eV. (Solved, this state has no finite coefficients;
    // the free particle's are kept to show that the curve stays.)
    s.E = s.V1 = s.V2 = s.V3 = 0.0;
    const auto v = draw(s, k);
    for (const auto& p : v) {
        EXPECT_TRUE(std::isfinite(p.x1) && std::isfinite(p.y1) && std::isfinite(p.x2) && std::isfinite(p.y2));
        EXPECT_NE(p.color, 0x666666u);
        EXPECT_NE(p.color, 0xDDDDDDu);
        if (is_line(p) && !is_curve(p)) {
            EXPECT_EQ(p.color, 0x999999u); // the zero line is the only long line
        }
    }
    // The curve, the length labels and the listing stay; labels placed on
    // the energy scale go.
    std::vector<zgl_prim> curve;
    std::copy_if(v.begin(), v.end(), std::back_inserter(curve), is_curve);
    const auto st = strokes(curve);
    ASSERT_EQ(st.size(), 2u);
    EXPECT_FLOAT_EQ(st[1].front().x1, 50.0f);
    EXPECT_FLOAT_EQ(st[1].back().x2, 750.0f);
    const auto t = texts(v);
    ASSERT_EQ(t.size(), 3u);
    for (const auto& p : t)
        EXPECT_EQ(p.text[0], '<');
    EXPECT_EQ(s.text, ""); // at E = V1 nothing comes in
}

TEST(ThreeRegionPlot, NonFiniteSamplesDrawNothingForTheirSegments)
{
    konfig k = view();
    situace s = system_state("volna", k);
    s.coef[1] = cplx(std::nan(""), 0.0); // region 1 unusable
    s.coef[4] = cplx(1e308, 1e308);      // region 3 overflows float range
    k.show_im = true;
    const auto v = draw(s, k);
    for (const auto& p : v)
        EXPECT_TRUE(std::isfinite(p.x1) && std::isfinite(p.y1) && std::isfinite(p.x2) && std::isfinite(p.y2));
    // Only the segments with both ends in region 2 remain: from sample -249
    // to 250, in both rows of both parts.
    std::vector<zgl_prim> curve;
    std::copy_if(v.begin(), v.end(), std::back_inserter(curve), is_curve);
    const auto st = strokes(curve);
    ASSERT_EQ(st.size(), 4u);
    for (const auto& stroke : st) {
        EXPECT_NEAR(sample_at(stroke.front().x1), -249.0, 1e-2);
        EXPECT_NEAR(sample_at(stroke.back().x2), 250.0, 1e-2);
    }
    // The rest of the picture is all there.
    EXPECT_EQ(rows(v, 0xFFFFFF, Y(5, 5)).size(), 1u);
}

TEST(ThreeRegionPlot, BoundStateTailsReachThePlotEdgesWhenZoomedFarOut)
{
    // At 150 units either side the growing exponentials of the decaying
    // sides overflow; their coefficients are zero, so the tails must still
    // be drawn (on the zero line) across the whole width.
    konfig k = view();
    situace s = system_state("jama", k);
    ASSERT_EQ(s.coef[1], cplx(0.0, 0.0)); // snapped: B1 = 0
    k.half_range = 150.0;
    k.density = 7.0;
    const auto v = draw(s, k);
    std::vector<zgl_prim> curve;
    std::copy_if(v.begin(), v.end(), std::back_inserter(curve), is_curve);
    EXPECT_EQ(strokes(curve).size(), 2u); // two rows, real part only
    float left = 1e9f, right = -1e9f;
    for (const auto& p : curve) {
        left = std::min(left, p.x1);
        right = std::max(right, p.x2);
    }
    EXPECT_NEAR(left, 50.0, 0.5);
    EXPECT_NEAR(right, 750.0, 0.5);
}

// ---- Pixels through the offscreen renderer -------------------------------------------

namespace {
situace frame_state;
konfig frame_view;
void frame_draw()
{
    three_region_draw(frame_state, frame_view, nullptr);
}
} // namespace

TEST(ThreeRegionPlot, DefaultFreeParticleFramePaintsLinesAndCurveInTheirColours)
{
    frame_view = view();
    frame_state = system_state("volna", frame_view);
    ztest_Enable();
    ASSERT_TRUE(zglLoad());
    zgl_Reg(SYS_DRAW, frame_draw);
    scr_SetOptions(800, 600, 1, false, true);
    zgl_Init();
    ztest_Frame();
    // Energy line, white, two pixels: rows 399 and 400.
    EXPECT_EQ(ztest_Pixel(100, 400), 0xFFFFFFu);
    EXPECT_EQ(ztest_Pixel(600, 399), 0xFFFFFFu);
    EXPECT_EQ(ztest_Pixel(100, 490), 0x33FF33u); // V1 = 2 eV
    EXPECT_EQ(ztest_Pixel(400, 430), 0x5555FFu); // V2 = 4 eV
    EXPECT_EQ(ztest_Pixel(700, 460), 0xFF3333u); // V3 = 3 eV
    // The curve in the region colour at the row the wave gives.
    const auto w = solve_plane_waves(5.0, 2.0, 4.0, 3.0, 2.5, -1.25);
    const double N = integral_density(w, -7.25, -1.25);
    struct col {
        int x;
        uint32_t colour;
    };
    for (const col c : {col{120, 0x33FF33u}, col{260, 0x33FF33u}, col{400, 0x5555FFu}, col{550, 0xFF3333u},
                        col{700, 0xFF3333u}}) {
        SCOPED_TRACE(c.x);
        const double x = (c.x - 50.0) * 10.5 / 700.0 - 5.25;
        const int y = static_cast<int>(std::lround(Y0 - S * w(x).real() / std::sqrt(N)));
        bool found = false;
        for (int dy = -2; dy <= 2; ++dy)
            found = found || ztest_Pixel(c.x, y + dy) == c.colour;
        EXPECT_TRUE(found) << "row " << y;
    }
    ztest_Shutdown();
}

TEST(ThreeRegionPlot, ABoundStateHasTheExpectationValuesOfItsWellAndAWaveFromInfinityNone)
{
    // Deep symmetric wells, E snapped onto level n: <x> at the centre (up to
    // the snap's few meV off the level), and dx near the infinite well's
    // L sqrt(1/12 - 1/(2 pi^2 n^2)), which the tails outside the walls widen
    // a little.
    for (auto [depth, n] : {std::pair{2000.0, 1}, {2000.0, 3}}) {
        konfig k = view();
        situace s = system_state("jama", k);
        s.V1 = s.V3 = depth, s.V2 = 0.0, s.a = 2.5, s.x0 = -0.5;
        s.E = symmetric_well_levels(depth, s.a)[n - 1] + 0.001;
        three_region_step(s, k);
        expectation_values v{};
        ASSERT_TRUE(three_region_has_expectation(s) && three_region_expectation(s, v)) << n;
        EXPECT_NEAR(v.x, s.x0 + s.a / 2, 0.005 * s.a);
        const double infinite = s.a * std::sqrt(1.0 / 12 - 1.0 / (2 * M_PI * M_PI * n * n));
        EXPECT_GT(v.dx, infinite);
        EXPECT_LT(v.dx, infinite * 1.03);
    }
    konfig k = view();
    situace s = system_state("volna", k);
    expectation_values v{};
    EXPECT_FALSE(three_region_has_expectation(s) || three_region_expectation(s, v));
}
