// What the engine benchmarks share: the view a fresh configuration gives
// (800 x 600, half range 5.25, 200 samples a unit, real part shown), and an
// offscreen graphics layer of that size that records what a draw draws.
#pragma once

#include "engines/engine.h"
#include "tests/default_view.h"
#include "platform/zgl_test.h"

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
