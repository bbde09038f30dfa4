// The oscillator's plot: the wave function (probability density, or real
// and imaginary parts) over the shown range, the parabolic potential below
// the energy ceiling, the classical turning points and the energy levels
// across their classical regions, the energy and width labels, and the
// energy-level list.
//
// Relies on: the screen mapping of engines/screen_map.h and the drawing
// calls of platform/zgl.h. Nothing is kept between frames; the energy
// ceiling follows the range of this very frame.
//
// The curves are drawn through the shared plotting code (engines/plot.h),
// stroke by stroke: the density's upper row then its lower row; the
// imaginary part's lower then upper row, then the real part's; then the
// parabola. Where two of them cross, the later one lies on top.
#include <cfloat>
#include <cmath>
#include <vector>

#include "common/constants.h"
#include "common/numtext.h"
#include "engines/oscillator/oscillator.h"
#include "engines/plot.h"
#include "engines/scale/scale.h"
#include "engines/screen_map.h"

namespace {

// Colours, 0xRRGGBB.
constexpr uint32_t AXIS_COLOUR = 0x999999;
constexpr uint32_t DENSITY_COLOUR = 0xB78E26;
constexpr uint32_t RE_COLOUR = 0x00FF00;
constexpr uint32_t IM_COLOUR = 0x5555FF;
constexpr uint32_t POTENTIAL_COLOUR = 0x00FF00;
constexpr uint32_t TURNING_COLOUR = 0xFFFFFF;
constexpr uint32_t MEMBER_COLOUR = 0xFFFFFF; // a level of a state present
constexpr uint32_t LEVEL_COLOUR = 0x00AAFF;  // a level of a state absent

constexpr uint8_t AXIS_ALPHA = 200;
constexpr uint8_t TURNING_ALPHA = 100;

// The axis reaches 10 px further out than the plot.
constexpr double AXIS_OVERHANG = 10.0;
// The turning points reach down to the width label's row, this far above
// the bottom of the window; the energy label sits this far above its level.
constexpr double LABEL_ROW_FROM_BOTTOM = 25.0;
constexpr double ENERGY_LABEL_RISE = 15.0;
// Limits far beyond any view the controls make (about 1050 samples either
// side, a few hundred levels), so a wild range or density draws less
// rather than looping without end.
constexpr double MAX_HALF_SAMPLES = 1e6;
constexpr int MAX_LEVELS = 100000;

// Middle dots U+00B7: the width label reads "<··· 2.04nm ···>".
const std::u16string WIDTH_OPEN = u"<\u00B7\u00B7\u00B7 ";
const std::u16string WIDTH_CLOSE = u"nm \u00B7\u00B7\u00B7>";

// A level's alpha from its coefficient: 40 for a vanishing one, 255 for
// modulus 1, and 255 for anything larger (rather than wrapping round to a
// faint line).
uint8_t member_alpha(cplx c)
{
    const double a = round_even(215.0 * std::abs(c) + 40.0);
    if (!(a < 255.0))
        return 255;
    return static_cast<uint8_t>(a);
}

// The coefficient of state j, or 0 for a state beyond the array: zoomed far
// out, the ceiling lets levels up to a few hundred be drawn, and coef holds
// states up to 95 only.
cplx coefficient(const situace& s, int j)
{
    const int e = j + FIRST_COEF;
    constexpr int size = static_cast<int>(sizeof(situace::coef) / sizeof(situace::coef[0]));
    return e < size ? s.coef[e] : cplx(0.0, 0.0);
}

// The levels below the ceiling, each across its classical region: in a
// superposition only the ten panel states present, white and two pixels
// thick, fainter for smaller coefficients; in a pure state every level,
// the selected one white and the others blue. A coefficient left above the
// panel by an earlier pure state counts as absent.
void draw_levels(const situace& s, const screen_map& m, double ceiling, int selected)
{
    const double omega = s.a;
    if (!(omega > 0.0))
        return;
    const bool superposed = !(s.E > -1.0);
    std::vector<plot_level> lines;
    for (int j = 0; j < MAX_LEVELS; ++j) {
        const double e = level_energy(omega, j);
        if (!(e <= ceiling))
            break;
        const double xr = m.X(turning_point(omega, j)), xl = m.X(-turning_point(omega, j));
        const double y = m.Y(e, ceiling);
        const cplx c = coefficient(s, j);
        const bool present = c != cplx(0.0, 0.0);
        const bool member = present && (j < COEF_COUNT || (!superposed && j == selected));
        if (member)
            lines.push_back({xl, xr, y, MEMBER_COLOUR, member_alpha(c), 2});
        else if (!superposed)
            lines.push_back({xl, xr, y, LEVEL_COLOUR, 255, 1});
        if (superposed && j + 1 >= COEF_COUNT)
            break; // no member above the panel
    }
    plot_levels(lines);
}

// The sample positions: i runs from -K density in steps of 1 until it is
// no longer below K density; x = i / density (internal units).
std::vector<double> sample_positions(const konfig& k)
{
    const double end = k.half_range * k.density;
    size_t count = 0;
    if (std::isfinite(end) && std::fabs(end) < MAX_HALF_SAMPLES) {
        for (double i = -end;; i += 1.0) {
            ++count;
            if (!(i < end))
                break;
        }
    }
    std::vector<double> x(count);
    double i = -end;
    for (size_t j = 0; j < count; ++j, i += 1.0)
        x[j] = i;
    for (double& v : x)
        v /= k.density;
    return x;
}

} // namespace

void oscillator_draw_with(situace& s, const konfig& k, zgl_font* font, oscillator_sampler sampler)
{
    const screen_map m = screen_of(k);
    const double y0 = m.baseline();
    const double A = m.amplitude();
    const double axis_left = screen_map::SIDE_MARGIN - AXIS_OVERHANG;
    plot_line(axis_left, y0, m.W - axis_left, y0, AXIS_COLOUR, AXIS_ALPHA);

    // The top of the energy diagram. (The step keeps it in V1 too, but the
    // narrowest-range click changes the range without a step.)
    const double ceiling = oscillator_ceiling(k.half_range);

    const std::vector<double> x = sample_positions(k);
    const size_t count = x.size();
    std::vector<cplx> psi(count);
    sampler(s, static_cast<double>(k.t), x.data(), count, psi.data());

    // Each curve is two pixels thick: rows on the baselines y0 and y0 + 1.
    constexpr double UPPER = 0.0, LOWER = 1.0;
    plot_curve curve;
    curve.reserve(count);
    auto strokes = [&](auto value, uint32_t colour, double row1, double row2) {
        curve.clear();
        for (size_t j = 0; j < count; ++j)
            curve.add(m.X(x[j]), y0 - A * value(psi[j]), colour);
        curve.thin();
        plot_stroke(curve, row1);
        plot_stroke(curve, row2);
    };
    if (!k.reim_mode) {
        strokes([](cplx v) { return norm2(v); }, DENSITY_COLOUR, UPPER, LOWER);
    } else {
        if (k.show_im)
            strokes([](cplx v) { return v.imag(); }, IM_COLOUR, LOWER, UPPER);
        if (k.show_re)
            strokes([](cplx v) { return v.real(); }, RE_COLOUR, LOWER, UPPER);
    }

    // The expectation values at the time shown: the marker over the curves,
    // lines in the listing.
    expectation_values v{};
    const bool expected = k.show_expectation && oscillator_expectation(s, static_cast<double>(k.t), v);
    if (expected)
        draw_expectation_marker(m, v.x, v.dx);

    // The parabola, only where it lies below the ceiling; each piece joins
    // the previous sample's point.
    curve.clear();
    for (size_t j = 0; j < count; ++j) {
        const double v = oscillator_potential(s.a, x[j]);
        curve.add(m.X(x[j]), m.Y(v, ceiling), POTENTIAL_COLOUR, v / ceiling < 1.0);
    }
    curve.thin();
    plot_stroke(curve, 0.0);

    const int n = selected_state(s);
    const bool pure = n >= 0;
    double xn = 0.0, en = 0.0;
    if (pure) {
        // The classical region of the selected state, down to the label row.
        xn = turning_point(s.a, n);
        en = level_energy(s.a, n);
        const double top = m.Y(en, ceiling), bottom = m.H - LABEL_ROW_FROM_BOTTOM * m.text_scale();
        plot_line(m.X(-xn), top, m.X(-xn), bottom, TURNING_COLOUR, TURNING_ALPHA);
        plot_line(m.X(xn), top, m.X(xn), bottom, TURNING_COLOUR, TURNING_ALPHA);
    }

    draw_levels(s, m, ceiling, n);
    // The labels stand over the scales, which keep clear of them.
    std::vector<plot_label> labels;
    if (pure && k.show_labels) {
        const double e_hundredths = round_even(100.0 * HBAR * s.a * (n + 0.5)) / 100.0;
        labels.push_back({m.W / 2.0, m.Y(en, ceiling) - ENERGY_LABEL_RISE * m.text_scale(),
                          "E=" + fmt_g(e_hundredths) + "eV", TEXT_HALIGN_CENTER | TEXT_VALIGN_CENTER});
        // The width 2 x_n of the classical region in nm, to thousandths.
        const std::string width = fmt_g(round_even(2000.0 * NM_PER_UNIT * xn) / 1000.0);
        const std::u16string text = WIDTH_OPEN + std::u16string(width.begin(), width.end()) + WIDTH_CLOSE;
        labels.push_back({m.W / 2.0, m.H - LABEL_ROW_FROM_BOTTOM * m.text_scale(), utf8_of(text),
                          TEXT_HALIGN_CENTER | TEXT_VALIGN_CENTER});
    }
    draw_scales(font, m, ceiling, labels);
    for (const plot_label& l : labels)
        plot_text(font, l.x, l.y, l.text, l.flags);

    s.text = oscillator_list(s);
    if (expected)
        s.text += expectation_lines(v, true);
}

void oscillator_draw(situace& s, const konfig& k, zgl_font* font)
{
    oscillator_draw_with(s, k, font, oscillator_wave);
}

void oscillator_sample(const situace& s, const konfig& k, std::vector<wave_sample>& out)
{
    const std::vector<double> x = sample_positions(k);
    std::vector<cplx> psi(x.size());
    oscillator_wave(s, static_cast<double>(k.t), x.data(), x.size(), psi.data());
    out.clear();
    for (size_t j = 0; j < x.size(); ++j)
        out.push_back({x[j], oscillator_potential(s.a, x[j]), psi[j]});
}
