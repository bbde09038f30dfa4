// The three systems this engine runs: the same procedures and help on
// three potentials.
#include "engines/three_region/packet_mode.h"
#include "engines/three_region/three_region.h"

namespace {

const help_entry DISPLAY_HELP[] = {
    {"Enter, |ψ|² button", "density or real and imaginary parts"},
    {"R, I, Re/Im buttons", "real, imaginary part on or off"},
    {"P", "value and length labels"},
    {"N", "unit-area square (density)"},
    {"S", "slope arrows (real part)"},
    {"W, packet button", "wave packet or stationary state"},
    {"[ ]", "narrower / wider packet"},
};

const help_entry HELP[] = {
    {nullptr, "Energy and regions"},
    {"↑ ↓, wheel", "energy E"},
    {"↑ ↓ over a region", "its potential"},
    {"Shift, right button", "four times the step"},
    {"→ ←", "middle region wider / narrower"},
    {"Shift + → ←", "move the middle region"},
    {"drag a region", "move an edge or the middle region"},
};

constexpr system_record three_region_system(const char* name, const char* button, const char* picture,
                                            const char* tooltip, double E, double V1, double V2, double V3,
                                            double a, double x0)
{
    return {name,
            button,
            picture,
            tooltip,
            E,
            V1,
            V2,
            V3,
            a,
            x0,
            cplx(1.0, 0.0),
            three_region_draw,
            three_region_input,
            three_region_step,
            three_region_layout,
            three_region_advance,
            true,
            false,
            true,
            DISPLAY_HELP,
            HELP,
            three_region_sample,
            three_region_clamp,
            true,
            nullptr,
            nullptr,
            three_region_has_expectation,
            three_region_packet_on};
}

} // namespace

// A free particle at 5 eV over steps of 2, 4 and 3 eV.
constinit const system_record VOLNA_SYSTEM = three_region_system(
    "volna", "tl_def", "def.png", "Free particle over potential steps (volna)", 5.0, 2.0, 4.0, 3.0, 2.5, -1.25);
// 6.4 eV against a 7 eV barrier one unit wide: mostly reflected, some tunnels.
constinit const system_record BARIERA_SYSTEM = three_region_system("bariera", "tl_bar", "bar.png",
                                                         "Potential barrier (bariera)", 6.4, 3.0, 7.0, 0.0, 1.0, 0.0);
// A 9 eV deep well 2.5 units wide; 2.61 eV lies near a bound state.
constinit const system_record JAMA_SYSTEM = three_region_system("jama", "tl_jam", "jam.png", "Finite potential well (jama)",
                                                      2.61, 9.0, 0.0, 9.0, 2.5, -1.25);
