// "jama_inf": the infinite square well.
#include "engines/infinite_well/infinite_well.h"

namespace {

// The well draws the density or the real part, and no labels.
const help_entry DISPLAY_HELP[] = {
    {"Enter, |ψ|² button", "density or real part"},
};

const help_entry HELP[] = {
    {nullptr, "Infinite well"},
    {"→ ←", "wider / narrower well"},
    {"↑ ↓", "next / previous state"},
    {"K", "a Gaussian packet at L/4, time from 0"},
};

} // namespace

// Ground state n = 1 of a well 2.5 units (1 nm) wide, diagram up to 50 eV.
constinit const system_record JAMA_INF_SYSTEM = {
    "jama_inf",      "tl_nek",           "njam.png",          "Infinite square well (jama_inf)",
    1.0,             0.0,                50.0,                0.0,
    2.5,             0.0,                cplx(0.0, 0.0),      infinite_well_draw,
    infinite_well_input, infinite_well_step, infinite_well_layout, nullptr,
    false, true, false, DISPLAY_HELP, HELP,
    infinite_well_sample, infinite_well_clamp,
    true,  well_box_phase, well_packet,
};
