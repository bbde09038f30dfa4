// The plot's two scales with their units: positions in nm under the energy
// diagram (ticks hanging from its 0 eV line, x = 0 in the middle of the
// plot) and energies in eV at the plot's left edge (each label sitting on
// its tick, as on the grid lines of the diagram). Both follow the zoom,
// the window size and the energy mapping of the frame; every engine's draw
// calls draw_scales with its own.
//
// Relies on: engines/plot.h to draw, engines/screen_map.h for the mapping,
// ticks.h for the choice of the ticks, and the font's measures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engines/screen_map.h"
#include "platform/zgl.h"

// A text of the plot as text_Draw takes it: (x, y) its top left, or its
// centre along the axes its flags centre it on.
struct plot_label {
    double x, y;
    std::string text;
    uint32_t flags;
};
// The rectangle the text covers, pixels.
zgl_rect label_rect(zgl_font* font, const plot_label& l);

// Draws both scales: the position scale over the shown range, and, when
// energy_top is a positive number, the energy scale from 0 eV up to it,
// where screen_map::Y(e, energy_top) puts each energy. A tick whose label
// would reach into one of the plot's own texts (`keep_clear`, drawn after
// the scales) goes without its label; the empty lines above capitals and
// below digits, two pixels at the 800 x 600 size, may touch. Without a
// font there are no scales.
void draw_scales(zgl_font* font, const screen_map& m, double energy_top,
                 const std::vector<plot_label>& keep_clear = {});

// The rectangles the last draw_scales drew in (each tick and each label's
// box, with a pixel to spare round it): nothing outside them was touched.
const std::vector<zgl_rect>& scale_boxes();
