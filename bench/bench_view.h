// What the engine benchmarks share: the view a fresh configuration gives
// (800 x 600, half range 5.25, 200 samples a unit, real part shown), and an
// offscreen graphics layer of that size that records what a draw draws.
#pragma once

#include "engines/engine.h"
#include "platform/zgl_test.h"

inline konfig default_view()
{
    konfig k{};
    k.width = 800;
    k.height = 600;
    k.density = 200.0;
    k.half_range = 5.25;
    k.dt = 5e-18L;
    k.show_labels = true;
    k.reim_mode = true;
    k.show_re = true;
    return k;
}

// The offscreen test mode at 800 x 600; ztest_Shutdown() ends it.
inline bool start_offscreen()
{
    ztest_Enable();
    if (!zglLoad())
        return false;
    scr_SetOptions(800, 600, 1, false, true);
    zgl_Init();
    return true;
}
