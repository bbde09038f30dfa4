// The infinite well's plot: the wave function over the whole shown range
// (inside the well from the model, flat zero outside), the energy diagram
// of the well below it with its levels, and the energy-level list.
//
// Relies on: the shared screen mapping (engines/screen_map.h), the model's
// sampler and level energies (model.cpp) and the drawing calls of
// platform/zgl.h. Nothing is kept between frames.
#include <cfloat>
#include <cmath>
#include <string>
#include <vector>

#include "common/constants.h"
#include "common/numtext.h"
#include "engines/infinite_well/infinite_well.h"
#include "engines/plot.h"
#include "engines/scale/scale.h"
#include "engines/screen_map.h"

namespace {

// Colours, 0xRRGGBB.
constexpr uint32_t AXIS_COLOUR = 0x999999;
constexpr uint32_t INSIDE_COLOUR = 0x5555FF;  // the real part inside the well
constexpr uint32_t OUTSIDE_COLOUR = 0x33FF33; // the (zero) real part outside it
constexpr uint32_t DENSITY_COLOUR = 0xB78E26; // |psi|^2 everywhere
constexpr uint32_t GRID_COLOUR = 0x666666;
constexpr uint32_t FLOOR_COLOUR = 0x0000FF;
constexpr uint32_t SELECTED_COLOUR = 0xFFFFFF;
constexpr uint32_t WALL_COLOUR = 0xDDDDDD;
constexpr uint32_t LEVEL_COLOUR = 0xFFFF00;

// The zero line reaches 10 px further out than the plot on each side.
constexpr double AXIS_OVERHANG = 10.0;
// The width label sits this far above the bottom edge, pixels.
constexpr double LABEL_RISE = 25.0;
// Text flags: centred horizontally (0x02) and vertically (0x20).
constexpr uint32_t CENTRED = 0x22;
// More samples than this in one frame means a broken view (the shell keeps
// half_range * density near 1050): the curve is left out rather than
// hanging the program.
constexpr double MAX_SAMPLES = 1e6;
// Far more level lines than any width the controls allow can hold below the
// ceiling (23 at the widest well and 50 eV); a bound on the loop in case the
// width is ever not finite.
constexpr double MAX_LEVELS = 10000.0;

// The sample counter i runs over the shown range in the well's own
// coordinate (x = i / density from the left wall), which is shifted by L/2
// against the plot's centred one: from `first` in steps of 1 until it is no
// longer below `last`. The samples inside the well, 0 < i <= density L, are
// one run: their positions go to the sampler together, and their psi comes
// back in `psi`. False for a broken view (nothing to plot).
bool sample_inside(const situace& s, const konfig& k, well_sampler sampler, double& first, double& last,
                   std::vector<cplx>& psi)
{
    const double L = s.a;
    const double density = k.density;
    first = (L / 2.0 - k.half_range) * density;
    last = (L / 2.0 + k.half_range) * density;
    if (!std::isfinite(first) || !std::isfinite(last) || last - first > MAX_SAMPLES)
        return false;
    const double inside_end = density * L;
    std::vector<double> x;
    x.reserve(static_cast<size_t>(std::fmax(std::fmin(inside_end, last - first), 0.0)) + 2);
    for (double i = first;; i += 1.0) {
        if (i > 0.0 && i <= inside_end)
            x.push_back(i / density);
        if (!(i < last))
            break;
    }
    psi.assign(x.size(), cplx(0.0, 0.0));
    if (!x.empty())
        sampler(s, k.t, x.data(), static_cast<int>(x.size()), psi.data());
    return true;
}

// The wave curve, two pixels thick: one point per sample, each segment from
// the previous sample in the colour of the sample it ends at; before the
// first sample the curve starts on the axis. Drawn stroke by stroke: the
// lower row, then the one a pixel higher.
void draw_curve(const situace& s, const konfig& k, const screen_map& m, well_sampler sampler)
{
    const double L = s.a;
    const double density = k.density;
    double first = 0.0, last = 0.0;
    std::vector<cplx> psi;
    if (!sample_inside(s, k, sampler, first, last, psi))
        return;
    const double inside_end = density * L;

    const double y0 = m.baseline();
    const double A = m.amplitude();
    plot_curve curve;
    curve.reserve(static_cast<size_t>(last - first) + 3);
    curve.add(m.X((first - 1.0) / density - L / 2.0), y0, OUTSIDE_COLOUR);
    // Outside the well the curve lies flat on the axis: of a run of samples
    // there only the ends are points (one line is the same pixels as the
    // pieces it would be joined from).
    auto inside = [&](double i) { return i > 0.0 && i <= inside_end; };
    size_t next_inside = 0;
    for (double i = first;; i += 1.0) {
        cplx value(0.0, 0.0);
        uint32_t colour = OUTSIDE_COLOUR;
        const bool end = !(i < last);
        if (inside(i) && next_inside < psi.size()) {
            value = psi[next_inside++];
            colour = INSIDE_COLOUR;
        } else if (i != first && !end && !inside(i - 1.0) && !inside(i + 1.0)) {
            continue;
        }
        if (!k.reim_mode) {
            value = cplx(norm2(value), 0.0);
            colour = DENSITY_COLOUR;
        }
        curve.add(m.X(i / density - L / 2.0), y0 - A * value.real(), colour);
        if (end)
            break;
    }
    curve.thin();
    plot_stroke(curve, 0.0);
    plot_stroke(curve, -1.0);
}

} // namespace

void infinite_well_plot(situace& s, const konfig& k, zgl_font* font, well_sampler sampler)
{
    const screen_map m = screen_of(k);
    const double L = s.a;
    const double top = s.V2; // the ceiling, eV: top of the energy diagram
    const double left = m.X(-L / 2.0), right = m.X(L / 2.0);
    const double plot_left = screen_map::SIDE_MARGIN, plot_right = m.W - screen_map::SIDE_MARGIN;

    plot_line(plot_left - AXIS_OVERHANG, m.baseline(), plot_right + AXIS_OVERHANG, m.baseline(), AXIS_COLOUR,
              200);

    draw_curve(s, k, m, sampler);

    // The expectation values at the time shown: the marker over the curve
    // (in the plot's coordinate, centred on the well), lines in the listing.
    expectation_values v{};
    const bool expected = k.show_expectation && well_expectation(s, k.t, v);
    if (expected)
        draw_expectation_marker(m, v.x - L / 2.0, v.dx);

    // One grid line an eV below the ceiling, left and right of the well.
    for (double j = 0.0; j <= std::trunc(top) && j < top; j += 1.0) {
        plot_line(plot_left, m.Y(j, top), left, m.Y(j, top), GRID_COLOUR, 160);
        plot_line(right, m.Y(j, top), plot_right, m.Y(j, top), GRID_COLOUR, 160);
    }

    // The floor and, for a pure state, its level across the whole plot,
    // both two pixels thick.
    const bool pure = s.E > -1.0;
    std::vector<plot_level> floor_and_selected{{left, right, m.energy_zero_y(), FLOOR_COLOUR, 255, 2}};
    if (pure)
        floor_and_selected.push_back(
            {plot_left, plot_right, m.Y(well_level(s.E, L), top), SELECTED_COLOUR, 255, 2});
    plot_levels(floor_and_selected);

    plot_line(left, m.energy_top_y(), left, m.energy_zero_y(), WALL_COLOUR);
    plot_line(right, m.energy_top_y(), right, m.energy_zero_y(), WALL_COLOUR);

    const plot_label width{m.W / 2.0, m.H - LABEL_RISE * m.text_scale(),
                           "<-- " + fmt_g(NM_PER_UNIT * L) + "nm -->", CENTRED};
    plot_text(font, width.x, width.y, width.text, width.flags);

    // Every level below the ceiling, across the well; drawn after the
    // selected level, so inside the well they cover its lower row.
    std::vector<plot_level> levels;
    for (double n = 1.0; n <= MAX_LEVELS && well_level(n, L) < top; n += 1.0)
        levels.push_back({left, right, m.Y(well_level(n, L), top), LEVEL_COLOUR, 255, 1});
    plot_levels(levels);

    // The scales keep clear of the width label.
    draw_scales(font, m, top, {width});

    s.text = well_level_list(s);
    if (expected)
        s.text += expectation_lines(v, true);
}

void infinite_well_draw(situace& s, const konfig& k, zgl_font* font)
{
    infinite_well_plot(s, k, font, sample_wave);
}

void infinite_well_sample(const situace& s, const konfig& k, std::vector<wave_sample>& out)
{
    out.clear();
    double first = 0.0, last = 0.0;
    std::vector<cplx> psi;
    if (!sample_inside(s, k, sample_wave, first, last, psi))
        return;
    const double L = s.a, inside_end = k.density * L;
    size_t next = 0;
    for (double i = first;; i += 1.0) {
        const bool inside = i > 0.0 && i <= inside_end && next < psi.size();
        out.push_back(
            {i / k.density - L / 2.0, inside ? 0.0 : HUGE_VAL, inside ? psi[next++] : cplx(0.0, 0.0)});
        if (!(i < last))
            break;
    }
}
