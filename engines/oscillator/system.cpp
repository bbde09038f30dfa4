// "oscilator": the harmonic oscillator.
#include "engines/oscillator/oscillator.h"

namespace {

// No unit square and no slope arrows here; P labels energy and width.
const help_entry DISPLAY_HELP[] = {
    {"Enter, |ψ|² button", "density or real and imaginary parts"},
    {"R, I, Re/Im buttons", "real, imaginary part on or off"},
    {"P", "energy and width labels"},
};

const help_entry HELP[] = {
    {nullptr, "Oscillator"},
    {"→ ←", "higher / lower frequency ω"},
    {"↑ ↓", "next / previous state"},
    {"K", "a coherent state α = 2, time from 0"},
};

} // namespace

// State n = 4 of an oscillator of 1e15 rad/s; the step sets the ceiling V1.
constinit const system_record OSCILATOR_SYSTEM = {
    "oscilator",      "tl_osc",         "oscil.png",       "Harmonic oscillator (oscilator)",
    4.0,              0.0,              5.0,               0.0,
    1e15,             0.0,              cplx(0.0, 0.0),    oscillator_draw,
    oscillator_input, oscillator_step,  oscillator_layout, nullptr,
    false, true, false, DISPLAY_HELP, HELP,
    oscillator_sample, oscillator_clamp,
    true,  oscillator_box_phase, oscillator_packet,
};
