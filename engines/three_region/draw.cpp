// The three-region plot: the wave function of the stationary state turned
// by its time phase (as probability density, or as real and imaginary
// parts) in the upper part of the window, the energy diagram of the three
// potential steps below it, and the transmission/reflection listing.
//
// Relies on: the coefficients, wave numbers and norm that the step leaves
// in situace, and the drawing calls of platform/zgl.h. Nothing is kept
// between frames; every call recomputes the whole picture.
#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "common/numtext.h"
#include "engines/plot.h"
#include "engines/scale/scale.h"
#include "engines/screen_map.h"
#include "engines/three_region/packet_mode.h"
#include "engines/three_region/three_region.h"

namespace {

// Colours, 0xRRGGBB.
constexpr uint32_t LEVEL_COLOUR = 0x5555FF;
constexpr uint32_t ZERO_LINE_COLOUR = 0x999999;
constexpr uint32_t DENSITY_COLOUR = 0xB78E26;
constexpr uint32_t REGION_COLOUR[3] = {0x33FF33, 0x5555FF, 0xFF3333};
constexpr uint32_t BOTH_RE_COLOUR = 0x00FF00;
constexpr uint32_t BOTH_IM_COLOUR = 0x00AAFF;
constexpr uint32_t SQUARE_COLOUR = 0xDDDDDD;
constexpr uint32_t GRID_COLOUR = 0x666666;
constexpr uint32_t ENERGY_COLOUR = 0xFFFFFF;
constexpr uint32_t WALL_COLOUR = 0xDDDDDD;
// The packet's energy band: the energy line's white, faint.
constexpr uint32_t ENERGY_BAND_COLOUR = 0xFFFFFF;
constexpr uint8_t ENERGY_BAND_ALPHA = 40;

// Middle dot U+00B7 in UTF-8; the length labels read "<··· 1.6nm ···>".
#define MIDDOT "\xC2\xB7"
const std::string LENGTH_OPEN = "<" MIDDOT MIDDOT MIDDOT " ";
const std::string LENGTH_CLOSE = "nm " MIDDOT MIDDOT MIDDOT ">";
#undef MIDDOT

// The mapping of one frame: the screen mapping every engine shares, and the
// top of the energy diagram, which this plot takes from the largest of E
// and the three potentials.
struct mapping {
    screen_map sm;
    double vmax; // eV

    double X(double x) const { return sm.X(x); }
    // Screen y of the energy e (eV): 0 at H - 50, vmax at 2H/3.
    double Y(double e) const { return sm.Y(e, vmax); }
};

// The zero line of the wave plot reaches this far beyond the plot's ends,
// pixels; the length labels stand this far above the bottom, pixels.
constexpr double ZERO_LINE_OVERHANG = 10.0;
constexpr double LENGTH_LABEL_LIFT = 20.0;

// The well's levels the listing names at most, as many as the bound-state
// systems list; a deeper well ends its list with an ellipsis.
constexpr std::size_t LISTED_LEVELS = 10;

} // namespace

// One line of the listing: the name, "=", v rounded to six decimals in the
// regional format (0.846523, 1, 0) and a line feed. A figure that is not a
// finite number is left out: where a denominator vanishes the quotient is
// no figure a reader can use.
void add_listing_figure(std::string& text, const char* name, double v)
{
    const double rounded = round_even(v * 1000000.0) * 0.000001;
    if (!std::isfinite(rounded))
        return;
    text += name;
    text += '=';
    text += fmt_g(rounded);
    text += '\n';
}

namespace {

// A transmitted and a reflected share, from the reflected amplitude over
// the incoming one.
void add_pair(std::string& text, const char* t_name, const char* r_name, cplx reflected, cplx incoming)
{
    const double r = std::pow(std::abs(cdiv(reflected, incoming)), 2);
    add_listing_figure(text, t_name, 1.0 - r);
    add_listing_figure(text, r_name, r);
}

// The listing. A transmission and reflection pair is a share of probability
// only where its region carries travelling waves: T1/R1 (the overall
// figures) when a wave comes in from the left over V1, T2/R2 (at the right
// edge of the middle region) when that region has a width and E lies above
// its floor. Where the wave decays, |B/A|^2 compares two exponentials and
// can be anything; a state held between the two walls of a well has no
// flux at all, so there the listing names the well's bound levels instead.
std::string listing(const situace& s)
{
    std::string t;
    if (s.E > s.V2 && s.E < std::min(s.V1, s.V3)) {
        const std::vector<double> levels = well_bound_energies(s, LISTED_LEVELS + 1);
        if (levels.empty())
            return t;
        t = "E(n):\n";
        for (std::size_t n = 0; n < levels.size() && n < LISTED_LEVELS; ++n)
            t += fmt_g(round_even(levels[n] * 100.0) / 100.0) + "eV(" + std::to_string(n + 1) + ")\n";
        if (levels.size() > LISTED_LEVELS)
            t += "\u2026\n";
        return t;
    }
    if (s.E > s.V1)
        add_pair(t, "T1", "R1", s.coef[1], s.coef[0]);
    if (s.a > 0.0 && s.E > s.V2)
        add_pair(t, "T2", "R2", s.coef[3], s.coef[2]);
    return t;
}

// The stationary state turned by its time phase exp(-i E t / hbar), the
// same for every sample, and scaled by the norm to unit probability over
// the norm window; both kinds of curve on the plot's own scale.
wave_source stationary_wave(const situace& s, const konfig& k, const mapping& m)
{
    const double t = static_cast<double>(k.t);
    const cplx z = cplx(0.0, -s.E) * t;
    wave_source w;
    w.phase = std::exp(cplx(z.real() / HBAR, z.imag() / HBAR));
    w.root_n = std::sqrt(s.N.real());
    w.density_scale = w.part_scale = m.sm.amplitude();
    return w;
}

// Bound-state levels across the well: a line at the first scan point past
// every local minimum of the residual, so up to 2 meV above the level.
void draw_levels(const situace& s, const mapping& m)
{
    if (!(s.V1 > s.V2 && s.V3 > s.V2))
        return;
    const double xl = m.X(s.x0) + 1.0;
    const double xr = m.X(s.x0 + s.a);
    std::vector<plot_level> lines;
    for (double e : well_levels(s))
        lines.push_back({xl, xr, m.Y(e), LEVEL_COLOUR, 255, 1});
    plot_levels(lines);
}

// The slope arrows: the real part is sampled a little before and two
// samples past each region boundary (P and Q), and the picture is laid on
// the drawn curve at Q along the slope from P to Q.
struct arrow_state {
    enum { first, second, done } phase = first;
    bool have_p = false, have_q = false;
    cplx p, q;
};

// One arrow: the sample it is laid at, and its place and angle.
struct arrow {
    size_t at;
    double x, y, angle;
};

// Applies the arrow rule to the sample n (its psi); true when an arrow is
// laid there.
bool arrow_rule(arrow_state& st, const situace& s, const konfig& k, const mapping& m, double amp, double n,
                double dx, cplx psi, arrow& out)
{
    const double edge1 = k.density * s.x0;
    const double edge2 = k.density * (s.x0 + s.a);
    if (st.phase == arrow_state::done)
        return false;
    const double edge = st.phase == arrow_state::first ? edge1 : edge2;
    if (!st.have_p && n + 1.0 > edge) {
        st.p = psi;
        st.have_p = true;
    }
    if (!st.have_q && n > edge + 2.0) {
        st.q = psi;
        st.have_q = true;
    }
    if (!(st.have_p && st.have_q))
        return false;
    out.x = m.X(n * dx) - 45.0;
    out.y = m.sm.baseline() - 4.5 - amp * st.q.real();
    // Three samples on screen are 3 dx internal units wide.
    const double run = m.sm.pixels(3.0 * dx);
    out.angle = std::atan(amp * (st.p.real() - st.q.real()) / run) * 180.0 / PI;
    st.have_p = st.have_q = false;
    st.phase = n > edge2 + 2.0 ? arrow_state::done : arrow_state::second;
    return true;
}

// The plot's samples in order: n runs from -half_range * density in steps
// of 1 until it is no longer below +half_range * density, at x = n /
// density (internal units); a sample on an edge belongs to the region left
// of it. f(n, region, x) is called for each.
template <typename F> void each_sample(const situace& s, const konfig& k, F f)
{
    const double dx = 1.0 / k.density;
    const double edge1 = k.density * s.x0;
    const double edge2 = k.density * (s.x0 + s.a);
    const double end = k.half_range * k.density;
    for (double n = -end;; n += 1.0) {
        f(n, n <= edge1 ? 0 : (n <= edge2 ? 1 : 2), n * dx);
        if (!(n < end))
            break;
    }
}

// The wave function across the plotted range: one point per sample, each
// segment from the previous sample in the colour of the sample it ends at,
// two pixels thick. The curves are drawn stroke by stroke (the imaginary
// part's two rows, then the real part's), cut where a slope arrow is laid
// so that the curve beyond it still covers it.
void draw_curve(const situace& s, const konfig& k, const mapping& m, const wave_source& wave)
{
    const bool show_im = k.reim_mode && k.show_im;
    const bool show_re = k.reim_mode && k.show_re;
    if (k.reim_mode && !show_im && !show_re)
        return;
    const bool both = show_re && show_im;
    const bool arrows = show_re && k.show_arrows;

    const double dx = 1.0 / k.density;
    const double y0 = m.sm.baseline();
    const double amp = k.reim_mode ? wave.part_scale : wave.density_scale;

    // The first sample ends no segment; an arrow is looked for from the
    // second on.
    plot_curve re, im, density;
    arrow_state arrow_st;
    std::vector<arrow> laid;
    std::vector<size_t> breaks;
    const double end = k.half_range * k.density;
    if (std::isfinite(end) && end >= 0.0 && end < 1e6) {
        const size_t count = static_cast<size_t>(2.0 * end) + 2;
        (k.reim_mode ? re : density).reserve(count);
        if (show_im)
            im.reserve(count);
    }
    size_t j = 0;
    each_sample(s, k, [&](double n, int region, double x) {
        const cplx psi = wave_at(s, wave, region, x);
        const double sx = m.X(x);
        if (!k.reim_mode) {
            density.add(sx, y0 - amp * norm2(psi), DENSITY_COLOUR);
        } else {
            const uint32_t region_colour = REGION_COLOUR[region];
            if (show_im)
                im.add(sx, y0 - amp * psi.imag(), both ? BOTH_IM_COLOUR : region_colour);
            if (show_re)
                re.add(sx, y0 - amp * psi.real(), both ? BOTH_RE_COLOUR : region_colour);
            arrow a;
            if (arrows && j > 0 && arrow_rule(arrow_st, s, k, m, amp, n, dx, psi, a)) {
                a.at = j;
                laid.push_back(a);
                breaks.push_back(j);
            }
        }
        ++j;
    });

    // The upper row lies one pixel above the lower (H/3 + 9 against H/3 + 10).
    constexpr double LOWER = 0.0, UPPER = -1.0;
    if (!k.reim_mode) {
        density.thin();
        plot_stroke(density, LOWER);
        plot_stroke(density, UPPER);
        return;
    }
    im.thin(breaks);
    re.thin(breaks);
    size_t from = 0;
    for (size_t b = 0; b <= laid.size(); ++b) {
        const size_t to = b < laid.size() ? laid[b].at : SIZE_MAX;
        for (plot_curve* c : {&im, &re}) {
            plot_stroke(*c, LOWER, from, to);
            plot_stroke(*c, UPPER, from, to);
        }
        if (b < laid.size()) {
            const arrow& a = laid[b];
            if (plot_drawable(a.x) && plot_drawable(a.y) && plot_drawable(a.angle))
                ssprite2d_Draw(k.arrow_texture, static_cast<float>(a.x), static_cast<float>(a.y), 90.0f, 9.0f,
                               static_cast<float>(a.angle), 255, FX_BLEND);
        }
        from = to;
    }
}

// Grid lines at every whole eV up to the top of the diagram; in a well with
// the state bound, the lines above its bottom are left out inside it, so
// the levels stand clear.
void draw_grid(const situace& s, const mapping& m)
{
    if (!(m.vmax < 70.0))
        return;
    const bool bound = s.V2 < s.E && s.E < s.V1 && s.E < s.V3;
    const double top = cut(m.vmax);
    const double left = m.sm.plot_left(), right = m.sm.plot_right();
    for (double j = 0.0; j <= top; j += 1.0) {
        const double y = m.Y(j);
        if (bound && j > s.V2) {
            if (j < s.V1)
                plot_line(left, y, m.X(s.x0), y, GRID_COLOUR, 160);
            if (j < s.V3)
                plot_line(m.X(s.x0 + s.a), y, right, y, GRID_COLOUR, 160);
        } else {
            plot_line(left, y, right, y, GRID_COLOUR, 160);
        }
    }
}

// The energy and the three potentials, each two pixels thick, and the
// walls between the potential steps.
void draw_potential(const situace& s, const mapping& m)
{
    const double xl = m.X(s.x0), xr = m.X(s.x0 + s.a);
    const double left = m.sm.plot_left(), right = m.sm.plot_right();
    std::vector<plot_level> lines;
    lines.push_back({left, right, m.Y(s.E), ENERGY_COLOUR, 255, 2});
    lines.push_back({left, xl, m.Y(s.V1), REGION_COLOUR[0], 255, 2});
    if (s.a > 0.0)
        lines.push_back({xl, xr, m.Y(s.V2), REGION_COLOUR[1], 255, 2});
    lines.push_back({xr, right, m.Y(s.V3), REGION_COLOUR[2], 255, 2});
    plot_levels(lines);
    if (s.a > 0.0) {
        plot_line(xl, m.Y(s.V1), xl, m.Y(s.V2), WALL_COLOUR);
        plot_line(xr, m.Y(s.V2), xr, m.Y(s.V3), WALL_COLOUR);
    } else {
        plot_line(xl, m.Y(s.V1), xl, m.Y(s.V3), WALL_COLOUR);
    }
}

// "E=" and the energy with two decimals and a point, whatever the locale:
// E=2.61, E=5.00. The value is first taken to single precision.
std::string energy_text(double e)
{
    // (A value beyond float range becomes an infinity rather than an
    // undefined conversion.)
    const float f = std::fabs(e) <= static_cast<double>(FLT_MAX)
                        ? static_cast<float>(e)
                        : static_cast<float>(e > 0 ? HUGE_VAL : -HUGE_VAL);
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, f, std::chars_format::fixed, 2);
    if (r.ec != std::errc())
        return "E=";
    return "E=" + without_negative_zero(std::string(buf, r.ptr));
}

// A length in internal units as nanometres, three decimals.
double nanometres(double d)
{
    return round_even(d * 1000.0 * NM_PER_UNIT) / 1000.0;
}

std::string length_text(double d)
{
    return LENGTH_OPEN + fmt_g(nanometres(d)) + LENGTH_CLOSE;
}

// Labels sit 16 pixels above their line or 6 below, so that labels of lines
// close together part; above, the gap grows with the text, whose top it
// gives.
constexpr double ABOVE = -16.0;
constexpr double BELOW = 6.0;

double value_offset(double v, const situace& s, const mapping& m)
{
    return (v == m.vmax || std::fabs(v - s.E - 1.0) < 1.0) ? ABOVE * m.sm.text_scale() : BELOW;
}

// The packet's energies, E +- dE, as a faint band behind the energy line.
void draw_energy_band(double E, double spread, const mapping& m)
{
    const double top = m.Y(E + spread), bottom = m.Y(E - spread);
    const double left = m.sm.plot_left(), right = m.sm.plot_right();
    if (plot_drawable(top) && plot_drawable(bottom) && bottom > top)
        pr2d_Rect(static_cast<float>(left), static_cast<float>(top), static_cast<float>(right - left),
                  static_cast<float>(bottom - top), ENERGY_BAND_COLOUR, ENERGY_BAND_ALPHA, PR2D_FILL);
}

// The labels; with no energy diagram (diagram false) only the length
// labels, which do not depend on the energy scale.
std::vector<plot_label> place_labels(const situace& s, const mapping& m, bool diagram)
{
    std::vector<plot_label> out;
    auto put = [&out](double x, double y, const std::string& text, uint32_t flags) {
        out.push_back({x, y, text, flags});
    };
    const double L = m.sm.half_range;
    const double ylen = m.sm.H - LENGTH_LABEL_LIFT * m.sm.text_scale();
    constexpr uint32_t VALUE = TEXT_HALIGN_CENTER;
    constexpr uint32_t LENGTH = TEXT_HALIGN_CENTER | TEXT_VALIGN_CENTER;

    if (diagram) {
        const bool e_above = (s.E == m.vmax && s.V2 != m.vmax) || std::fabs(s.E - s.V2 - 1.0) < 1.0;
        put(m.sm.W * 0.5, m.Y(s.E) + (e_above ? ABOVE * m.sm.text_scale() : BELOW), energy_text(s.E), VALUE);
    }

    // The middle of region 1, half way from the plot's left end to x0.
    const double x1 = m.sm.pixels(L + s.x0) / 2.0 + m.sm.plot_left();
    if (diagram)
        put(x1, m.Y(s.V1) + value_offset(s.V1, s, m), "V1=" + fmt_g(s.V1), VALUE);
    put(x1, ylen, length_text(L + s.x0), LENGTH);

    if (s.a > 0.0) {
        const double x2 = m.X(s.x0 + s.a / 2.0);
        if (diagram)
            put(x2, m.Y(s.V2) + value_offset(s.V2, s, m), "V2=" + fmt_g(s.V2), VALUE);
        put(x2, ylen, length_text(s.a), LENGTH);
    }

    const double x3 = m.X((s.x0 + s.a + L) / 2.0);
    if (diagram)
        put(x3, m.Y(s.V3) + value_offset(s.V3, s, m), "V3=" + fmt_g(s.V3), VALUE);
    put(x3, ylen, length_text(L - s.x0 - s.a), LENGTH);
    return out;
}

} // namespace

void three_region_draw(situace& s, const konfig& k, zgl_font* font)
{
    const packet_mode* packet = shown_packet(s);
    s.text = packet != nullptr ? packet_listing(*packet) : packet_blocked_line(s) + listing(s);

    mapping m;
    m.sm = screen_of(k);
    m.vmax = std::max(std::max(s.E, s.V1), std::max(s.V2, s.V3));
    // With every energy at 0 eV the diagram has no scale (Y would divide by
    // zero): it is left out for that frame, the wave and the listing stay.
    const bool diagram = m.vmax > 0.0 && std::isfinite(m.vmax);

    if (diagram)
        draw_levels(s, m);

    const double y0 = m.sm.baseline();
    plot_line(m.sm.plot_left() - ZERO_LINE_OVERHANG, y0, m.sm.plot_right() + ZERO_LINE_OVERHANG, y0,
              ZERO_LINE_COLOUR, 200);

    const bool square = k.show_square && !k.reim_mode;
    draw_curve(s, k, m, packet != nullptr ? packet_wave(*packet, y0) : stationary_wave(s, k, m));

    if (square) {
        // One internal unit wide, centred, and one plotted unit high.
        const double side = m.sm.px_per_unit();
        const double amp = m.sm.amplitude();
        const double x = m.sm.W * 0.5 - side / 2.0;
        const double y = y0 - amp;
        if (plot_drawable(x) && plot_drawable(y) && plot_drawable(side) && plot_drawable(amp))
            pr2d_Rect(static_cast<float>(x), static_cast<float>(y), static_cast<float>(side),
                      static_cast<float>(amp), SQUARE_COLOUR, 100, PR2D_FILL);
    }

    expectation_values v;
    if (k.show_expectation && three_region_expectation(s, v)) {
        draw_expectation_marker(m.sm, v.x, v.dx);
        s.text += expectation_lines(v, false).substr(1) + "\n";
    }

    if (diagram) {
        draw_grid(s, m);
        if (packet != nullptr)
            draw_energy_band(s.E, packet->energy_spread, m);
        draw_potential(s, m);
    }

    // The scales keep clear of the labels, which stand over them.
    std::vector<plot_label> labels;
    if (k.show_labels)
        labels = place_labels(s, m, diagram);
    draw_scales(font, m.sm, diagram ? m.vmax : 0.0, labels);
    for (const plot_label& l : labels)
        plot_text(font, l.x, l.y, l.text, l.flags);
}

void three_region_sample(const situace& s, const konfig& k, std::vector<wave_sample>& out)
{
    out.clear();
    mapping m;
    m.sm = screen_of(k);
    const packet_mode* packet = shown_packet(s);
    const wave_source wave =
        packet != nullptr ? packet_wave(*packet, m.sm.baseline()) : stationary_wave(s, k, m);
    const double V[3] = {s.V1, s.V2, s.V3};
    each_sample(s, k, [&](double, int region, double x) {
        out.push_back({x, V[region], wave_at(s, wave, region, x)});
    });
}
