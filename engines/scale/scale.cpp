// Drawing the position and energy scales (see scale.h).
#include "engines/scale/scale.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "common/constants.h"
#include "engines/plot.h"
#include "engines/scale/ticks.h"

namespace {

// Colours, 0xRRGGBB: ticks in the zero line's grey, labels in the texts'
// white; each label stands on a box of the background colour, so that the
// lines under it do not cross it.
constexpr uint32_t TICK_COLOUR = 0x999999;
constexpr uint32_t BACKGROUND = 0x000000;

// Tick length, pixels.
constexpr double TICK = 3.0;
// The system buttons end at x = 45: position labels stay right of this,
// and as far from the right edge.
constexpr double LABEL_ROOM_EDGE = 47.0;
// Pixels tied to the text, at a text scale of 1 (800 x 600): the box round
// a label; the least space between two labels of the position scale and
// of the energy scale; how far above its tick an energy label sits and
// right of the plot's edge it starts; the empty line above the capitals
// and below the digits of a text line, which other texts may overlap.
constexpr double PAD = 1.0;
constexpr double POSITION_GAP = 12.0;
constexpr double ENERGY_GAP = 2.0;
constexpr double ENERGY_LIFT = 3.0;
constexpr double ENERGY_INDENT = 3.0;
constexpr double LEADING = 2.0;
// The energy labels' column is taken as wide as this one.
const char* const WIDE_ENERGY = "\u22120.05 eV";

std::vector<zgl_rect> drawn;

void record(double x, double y, double w, double h)
{
    drawn.push_back(zgl_rect{static_cast<float>(x - 1.0), static_cast<float>(y - 1.0),
                             static_cast<float>(w + 2.0), static_cast<float>(h + 2.0)});
}

void box(double x, double y, double w, double h)
{
    if (!plot_drawable(x) || !plot_drawable(y))
        return;
    pr2d_Rect(static_cast<float>(x), static_cast<float>(y), static_cast<float>(w), static_cast<float>(h),
              BACKGROUND, 255, PR2D_FILL);
    record(x, y, w, h);
}

double width_of(zgl_font* font, const std::string& text)
{
    return static_cast<double>(text_GetWidth(font, text));
}

// The other texts' rectangles, less their empty lines above and below.
std::vector<zgl_rect> ink_of(zgl_font* font, const std::vector<plot_label>& labels, double leading)
{
    std::vector<zgl_rect> out;
    for (const plot_label& l : labels) {
        zgl_rect r = label_rect(font, l);
        const float cut = std::min(static_cast<float>(leading), r.h / 2.0f);
        r.y += cut;
        r.h -= 2.0f * cut;
        out.push_back(r);
    }
    return out;
}

// Ticks hang from the 0 eV line; the labels are centred under them, their
// empty top line beside the tick.
void position_scale(zgl_font* font, const screen_map& m, double h, double ts,
                    const std::vector<zgl_rect>& other)
{
    const double y = m.energy_zero_y() + 1.0;
    const double pad = PAD * ts;
    const double label_y = std::max(y + pad, y + TICK + 1.0 - LEADING * ts);
    const double half_nm = m.half_range * NM_PER_UNIT;
    tick_axis axis{-half_nm,          half_nm,
                   m.X(0.0),          m.px_per_unit() / NM_PER_UNIT,
                   LABEL_ROOM_EDGE,   m.W - LABEL_ROOM_EDGE,
                   POSITION_GAP * ts, {}};
    for (const zgl_rect& r : other)
        if (r.y < label_y + h + pad && r.y + r.h > label_y - pad)
            axis.blocked.push_back({r.x - axis.gap / 2.0, r.x + r.w + axis.gap / 2.0});
    const tick_choice c = choose_ticks(axis, "nm", [&](const std::string& t) {
        const double w = width_of(font, t);
        return label_span{-w / 2.0 - pad, w / 2.0 + pad};
    });
    for (const tick& t : c.ticks)
        if (t.labelled)
            box(t.at - width_of(font, t.text) / 2.0 - pad, label_y - pad, width_of(font, t.text) + 2.0 * pad,
                h + 2.0 * pad);
    for (const tick& t : c.ticks) {
        plot_line(t.at, y, t.at, y + TICK, TICK_COLOUR);
        record(t.at, y, 0.0, TICK);
        if (t.labelled)
            plot_text(font, t.at, label_y, t.text, TEXT_HALIGN_CENTER);
    }
}

// Ticks reach into the plot from its left edge; each label sits on its
// tick, just inside the edge, on a box from the edge on (so that no stub
// of a line left of it reads as a minus sign).
void energy_scale(zgl_font* font, const screen_map& m, double top, double h, double ts,
                  const std::vector<zgl_rect>& other)
{
    if (!(top > 0.0) || !std::isfinite(top))
        return;
    const double x = m.plot_left();
    const double lift = ENERGY_LIFT * ts;
    const double pad = PAD * ts;
    const double indent = ENERGY_INDENT * ts;
    // The top label may stand above the diagram by its own height.
    tick_axis axis{0.0,
                   top,
                   m.energy_zero_y(),
                   -m.energy_band_height() / top,
                   m.energy_top_y() - lift - h - pad - 0.5,
                   m.energy_zero_y(),
                   ENERGY_GAP * ts,
                   {}};
    const double column_right = x + indent + width_of(font, WIDE_ENERGY) + pad;
    for (const zgl_rect& r : other)
        if (r.x < column_right && r.x + r.w > x)
            axis.blocked.push_back({r.y, r.y + r.h});
    const tick_choice c = choose_ticks(axis, "eV", [&](const std::string&) {
        return label_span{-lift - h - pad, -lift + pad};
    });
    for (const tick& t : c.ticks) {
        const double label_y = t.at - lift - h;
        if (t.labelled) {
            box(x, label_y - pad, indent + width_of(font, t.text) + pad, h + 2.0 * pad);
            plot_text(font, x + indent, label_y, t.text, 0);
        }
        plot_line(x, t.at, x + TICK, t.at, TICK_COLOUR);
        record(x, t.at, TICK, 0.0);
    }
}

} // namespace

zgl_rect label_rect(zgl_font* font, const plot_label& l)
{
    const double w = width_of(font, l.text), h = static_cast<double>(text_GetHeight(font));
    const double x = (l.flags & TEXT_HALIGN_CENTER) != 0 ? l.x - w / 2.0 : l.x;
    const double y = (l.flags & TEXT_VALIGN_CENTER) != 0 ? l.y - h / 2.0 : l.y;
    return zgl_rect{static_cast<float>(x), static_cast<float>(y), static_cast<float>(w),
                    static_cast<float>(h)};
}

void draw_scales(zgl_font* font, const screen_map& m, double energy_top,
                 const std::vector<plot_label>& keep_clear)
{
    drawn.clear();
    if (font == nullptr)
        return; // no labels to read, nor sizes to place them by
    const double ts = m.text_scale();
    const double h = static_cast<double>(text_GetHeight(font));
    const std::vector<zgl_rect> other = ink_of(font, keep_clear, LEADING * ts);
    position_scale(font, m, h, ts, other);
    energy_scale(font, m, energy_top, h, ts, other);
}

const std::vector<zgl_rect>& scale_boxes()
{
    return drawn;
}
