// The screen mapping every engine's plot, layout and drag shares: the model
// coordinate x in -half_range .. +half_range goes to the plot between the
// two side margins, the wave curve hangs on a baseline a third of the way
// down, and the energy diagram fills the band above the bottom margin.
//
// The layout (strip rectangles), the drawing and the drag input all go
// through this one record, so a strip always lies exactly over the part of
// the plot it edits.
#pragma once

#include <algorithm>
#include <cstdint>

#include "engines/engine.h"

struct screen_map {
    // Empty columns left and right of the plot, pixels.
    static constexpr double SIDE_MARGIN = 50.0;
    // The energy diagram's 0 eV line lies this far above the bottom, pixels.
    static constexpr double BOTTOM_MARGIN = 50.0;

    double W;          // window width, pixels
    double H;          // window height, pixels
    double half_range; // the plot spans -half_range .. +half_range, internal units

    // Pixel width of the plot: W - 100 (from a 32-bit width, so exact in a
    // double whatever the window size).
    double plot_width() const { return W - 2.0 * SIDE_MARGIN; }
    // Pixels per internal length unit.
    double px_per_unit() const { return plot_width() / (2.0 * half_range); }
    // Screen x of the model coordinate x: -half_range at 50, +half_range at
    // W - 50.
    double X(double x) const { return (x + half_range) * plot_width() / (2.0 * half_range) + SIDE_MARGIN; }
    // A horizontal movement of px pixels in internal units (a drag step).
    double units(double px) const { return px * 2.0 * half_range / plot_width(); }
    // A length of d internal units in pixels (the inverse of units).
    double pixels(double d) const { return plot_width() * d / (2.0 * half_range); }
    // The plot's left and right ends, pixels: 50 and W - 50.
    double plot_left() const { return SIDE_MARGIN; }
    double plot_right() const { return W - SIDE_MARGIN; }

    // The wave curve's zero line, pixels.
    double baseline() const { return H / 3.0 + 10.0; }
    // Pixels per unit of the plotted value (a component of psi, or |psi|^2):
    // 230 at half_range 3, so zooming out flattens the curve with the plot.
    double amplitude() const { return (3.0 / half_range) * 230.0; }

    // How much larger texts are drawn than at 800 x 600, so that on a large
    // window (a projector) they take the same share of the screen: the
    // smaller of the two ratios, and never below 1.
    double text_scale() const { return std::max(1.0, std::min(W / 800.0, H / 600.0)); }

    // The energy diagram: 0 eV at H - 50, the top energy `top` (eV) at 2H/3.
    // The labels below the diagram grow with the text, and so does the
    // margin that holds them.
    double bottom_margin() const { return BOTTOM_MARGIN * text_scale(); }
    double energy_zero_y() const { return H - bottom_margin(); }
    double energy_top_y() const { return 2.0 * H / 3.0; }
    double energy_band_height() const { return H / 3.0 - bottom_margin(); }
    double Y(double e, double top) const { return energy_zero_y() - energy_band_height() * e / top; }
};

inline screen_map screen_of(const konfig& k)
{
    return screen_map{static_cast<double>(k.width), static_cast<double>(k.height), k.half_range};
}
