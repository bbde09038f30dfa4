// The three-region controls, driven by keys, wheel notches and mouse drags
// injected into the graphics layer's test mode, one 10 ms tick at a time,
// with the free particle's defaults at 800 x 600 and half range 5.25
// (0.9 L = 4.725; 700 pixels for 10.5 units, 0.015 units a pixel).
#include <gtest/gtest.h>

#include <cmath>

#include "tests/default_view.h"
#include "engines/three_region/three_region.h"
#include "platform/zgl_test.h"

namespace {

control named(const char* name)
{
    control c{};
    c.name = name;
    c.visible = true;
    return c;
}

class ThreeRegionInput : public testing::Test {
  protected:
    konfig k{};
    situace s{};
    control plocha = named("plocha"), v1 = named("V1"), v2 = named("V2"), v3 = named("V3");
    control lupa = named("tl_lupa");

    void SetUp() override
    {
        ztest_Enable();
        ASSERT_TRUE(zglLoad());
        scr_SetOptions(800, 600, 1, false, true);
        zgl_Init();
        k = default_view();
        s.E = 5.0, s.V1 = 2.0, s.V2 = 4.0, s.V3 = 3.0, s.a = 2.5, s.x0 = -1.25;
    }
    void TearDown() override { ztest_Shutdown(); }

    // One tick as the shell runs it when none of its own rules acted: the
    // injected events are taken in, the engine sees them, then the pressed
    // and wheel states are cleared.
    bool tick(control& hit)
    {
        ztest_Tick();
        bool changed = false;
        three_region_input(s, k, &hit, changed);
        mouse_ClearState();
        key_ClearState();
        return changed;
    }

    // A left-button drag step: the shell recorded the press at (from_x, y);
    // the mouse is now at to_x.
    bool drag(control& hit, int from_x, int to_x, int y = 300)
    {
        k.drag_x = from_x;
        k.drag_y = y;
        ztest_MouseMove(to_x, y);
        ztest_MouseButton(M_BLEFT, true);
        return tick(hit);
    }
};

bool whole_thousandths(double v)
{
    return std::fabs(v * 1000.0 - std::nearbyint(v * 1000.0)) < 1e-6;
}

} // namespace

// ---- Energy and potentials --------------------------------------------------------

TEST_F(ThreeRegionInput, HoldingUpForOneSecondRaisesTheEnergyByOneElectronvolt)
{
    ztest_KeyDown(K_UP);
    for (int j = 0; j < 100; ++j)
        ASSERT_TRUE(tick(plocha));
    EXPECT_NEAR(s.E, 6.0, 1e-9);
    // With Shift four times as fast.
    ztest_KeyDown(K_SHIFT);
    for (int j = 0; j < 100; ++j)
        tick(plocha);
    EXPECT_NEAR(s.E, 10.0, 1e-9);
    EXPECT_DOUBLE_EQ(s.V1, 2.0);
    EXPECT_DOUBLE_EQ(s.V2, 4.0);
    EXPECT_DOUBLE_EQ(s.V3, 3.0);
    // The right button held counts as Shift.
    ztest_KeyUp(K_SHIFT);
    ztest_MouseButton(M_BRIGHT, true);
    tick(plocha);
    EXPECT_NEAR(s.E, 10.04, 1e-9);
}

TEST_F(ThreeRegionInput, AWheelNotchOverAStripMovesItsPotentialToWholeThousandths)
{
    ztest_Wheel(M_WUP);
    EXPECT_TRUE(tick(v2));
    EXPECT_NEAR(s.V2, 4.135, 1e-12);
    EXPECT_TRUE(whole_thousandths(s.V2));
    EXPECT_DOUBLE_EQ(s.E, 5.0);
    // A notch counts only once: the next tick has no wheel.
    EXPECT_FALSE(tick(v2));
    EXPECT_NEAR(s.V2, 4.135, 1e-12);

    ztest_Wheel(M_WDOWN);
    tick(v3);
    EXPECT_NEAR(s.V3, 3.0 - 0.135, 1e-12);
    // Up over a strip: 0.085; with Shift 0.235; a notch with Shift 0.285.
    ztest_KeyDown(K_UP);
    tick(v1);
    EXPECT_NEAR(s.V1, 2.085, 1e-12);
    ztest_KeyDown(K_SHIFT);
    tick(v1);
    EXPECT_NEAR(s.V1, 2.32, 1e-12);
    ztest_KeyUp(K_UP);
    ztest_Wheel(M_WUP);
    tick(v1);
    EXPECT_NEAR(s.V1, 2.605, 1e-12);
    EXPECT_TRUE(whole_thousandths(s.V1));
    // Over anything else the energy moves: 0.050 a notch with Shift.
    ztest_Wheel(M_WUP);
    tick(lupa);
    EXPECT_NEAR(s.E, 5.05, 1e-12);
}

TEST_F(ThreeRegionInput, DownNeverTakesEnergyOrPotentialBelowZero)
{
    s.V1 = 0.05;
    ztest_KeyDown(K_DOWN);
    tick(v1);
    EXPECT_EQ(s.V1, 0.0);
    s.E = 0.005;
    tick(plocha);
    EXPECT_EQ(s.E, 0.0);
    tick(plocha);
    EXPECT_EQ(s.E, 0.0);
    s.V2 = 1.0;
    tick(v2);
    EXPECT_NEAR(s.V2, 0.915, 1e-12);
}

// ---- Width and position by keys -------------------------------------------------

TEST_F(ThreeRegionInput, LeftAndRightChangeTheWidthFromTheRightEdge)
{
    ztest_KeyDown(K_RIGHT);
    EXPECT_TRUE(tick(plocha));
    EXPECT_DOUBLE_EQ(s.a, 2.506);
    EXPECT_DOUBLE_EQ(s.x0, -1.25);
    ztest_KeyUp(K_RIGHT);
    ztest_KeyDown(K_LEFT);
    s.a = 0.010;
    tick(plocha);
    EXPECT_DOUBLE_EQ(s.a, 0.004);
    tick(plocha);
    EXPECT_EQ(s.a, 0.0);
    s.a = 0.008;
    tick(plocha);
    EXPECT_EQ(s.a, 0.0);
    // The width snaps to thousandths.
    s.a = 1.23456;
    tick(plocha);
    EXPECT_DOUBLE_EQ(s.a, 1.229);
    // Right at the limit: the right edge goes onto 0.9 L.
    ztest_KeyUp(K_LEFT);
    ztest_KeyDown(K_RIGHT);
    s.x0 = 2.0;
    s.a = 2.72;
    tick(plocha);
    EXPECT_DOUBLE_EQ(s.a, 4.725 - 2.0);
    // After narrowing the range to 3 units (limit 2.7) the left edge at 3.5
    // lies beyond the limit: the width goes to 0, not to 2.7 - 3.5.
    k.half_range = 3.0;
    s.x0 = 3.5;
    s.a = 0.4;
    tick(plocha);
    EXPECT_EQ(s.a, 0.0);
    tick(plocha);
    EXPECT_EQ(s.a, 0.0);
}

TEST_F(ThreeRegionInput, ShiftMovesTheRegionAndStopsItsEdgesOnTheLimits)
{
    ztest_KeyDown(K_SHIFT);
    ztest_KeyDown(K_RIGHT);
    tick(plocha);
    EXPECT_DOUBLE_EQ(s.x0, -1.241);
    EXPECT_DOUBLE_EQ(s.a, 2.5);
    // Within 0.009 of the limit the right edge lands exactly on 0.9 L.
    s.x0 = 2.22;
    tick(plocha);
    EXPECT_DOUBLE_EQ(s.x0 + s.a, 0.9 * 5.25);
    ztest_KeyUp(K_RIGHT);
    ztest_KeyDown(K_LEFT);
    s.x0 = -1.25;
    tick(plocha);
    EXPECT_DOUBLE_EQ(s.x0, -1.259);
    s.x0 = -4.72;
    tick(plocha);
    EXPECT_DOUBLE_EQ(s.x0, -0.9 * 5.25);
    EXPECT_DOUBLE_EQ(s.a, 2.5);
}

// ---- Drags ------------------------------------------------------------------------

TEST_F(ThreeRegionInput, DraggingTheMiddleStripMovesTheRegionAndTheAnchor)
{
    EXPECT_TRUE(drag(v2, 400, 430, 310)); // 30 px = 0.45 units
    EXPECT_NEAR(s.x0, -0.8, 1e-12);
    EXPECT_DOUBLE_EQ(s.a, 2.5);
    EXPECT_EQ(k.drag_x, 430);
    EXPECT_EQ(k.drag_y, 310);
    // The next tick measures from the new anchor: no movement, no change.
    tick(v2);
    EXPECT_NEAR(s.x0, -0.8, 1e-12);
    // A step that would push the right edge past 0.9 L is refused whole.
    drag(v2, 430, 700);
    EXPECT_NEAR(s.x0, -0.8, 1e-12);
    EXPECT_EQ(k.drag_x, 700);
}

TEST_F(ThreeRegionInput, DraggingAnEdgeKeepsTheOtherEdgeAndCollapsesAWidthBelowZero)
{
    // The left edge 15 px left: x0 and a change, x0 + a stays.
    drag(v1, 300, 285);
    EXPECT_NEAR(s.x0, -1.475, 1e-12);
    EXPECT_NEAR(s.x0 + s.a, 1.25, 1e-12);
    // The right edge 200 px left, more than the width: a = 0, x0 stays.
    drag(v3, 500, 300);
    EXPECT_EQ(s.a, 0.0);
    EXPECT_NEAR(s.x0, -1.475, 1e-12);
    EXPECT_EQ(k.drag_x, 300);
    // Back to width 2.5, then the left edge 200 px right (3 units): the
    // region collapses onto its old right edge.
    s.x0 = -1.25, s.a = 2.5;
    drag(v1, 100, 300);
    EXPECT_NEAR(s.x0, 1.25, 1e-12);
    EXPECT_EQ(s.a, 0.0);
}

TEST_F(ThreeRegionInput, ADragPastTheLimitChangesNothingButStillMovesTheAnchor)
{
    // 240 px left = 3.6 units: x0 would reach -4.85, beyond -4.725.
    EXPECT_TRUE(drag(v1, 300, 60, 250));
    EXPECT_DOUBLE_EQ(s.x0, -1.25);
    EXPECT_DOUBLE_EQ(s.a, 2.5);
    EXPECT_EQ(k.drag_x, 60);
    EXPECT_EQ(k.drag_y, 250);
    // The right edge likewise at +0.9 L.
    drag(v3, 500, 760);
    EXPECT_DOUBLE_EQ(s.a, 2.5);
    // Over anything else nothing moves, not even the anchor, but the tick
    // still counts as a change.
    k.drag_x = 10;
    k.drag_y = 20;
    ztest_MouseMove(200, 200);
    EXPECT_TRUE(tick(plocha));
    EXPECT_EQ(k.drag_x, 10);
    EXPECT_EQ(k.drag_y, 20);
    EXPECT_DOUBLE_EQ(s.x0, -1.25);
}

// ---- Which case wins --------------------------------------------------------------

TEST_F(ThreeRegionInput, CasesAreTakenInOrderAndOnlyTheFirstActs)
{
    // Nothing held: no change.
    EXPECT_FALSE(tick(plocha));
    // Right and Up together: only the width changes.
    ztest_KeyDown(K_RIGHT);
    ztest_KeyDown(K_UP);
    tick(plocha);
    EXPECT_DOUBLE_EQ(s.a, 2.506);
    EXPECT_DOUBLE_EQ(s.E, 5.0);
    // Left before Up as well.
    ztest_KeyUp(K_RIGHT);
    ztest_KeyDown(K_LEFT);
    tick(plocha);
    EXPECT_DOUBLE_EQ(s.a, 2.5);
    EXPECT_DOUBLE_EQ(s.E, 5.0);
    // Up with the wheel turned down: Up, with no wheel bonus.
    ztest_KeyUp(K_LEFT);
    ztest_Wheel(M_WDOWN);
    tick(plocha);
    EXPECT_NEAR(s.E, 5.01, 1e-12);
    // Up and Down held: Up.
    ztest_KeyDown(K_DOWN);
    tick(plocha);
    EXPECT_NEAR(s.E, 5.02, 1e-12);
    // Down before a drag.
    ztest_KeyUp(K_UP);
    k.drag_x = 400;
    ztest_MouseMove(450, 300);
    ztest_MouseButton(M_BLEFT, true);
    tick(v2);
    EXPECT_NEAR(s.V2, 3.915, 1e-12);
    EXPECT_DOUBLE_EQ(s.x0, -1.25);
    EXPECT_EQ(k.drag_x, 400);
}
