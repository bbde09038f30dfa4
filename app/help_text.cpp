// The help texts: the overlay's lines for each system, the tooltips of the
// controls and the start hint. Every text the user reads goes through tr(),
// so the catalogues (po/*.po) can translate it; key names that read the
// same in every language (F1, Esc, arrows) are not translated.
//
// Relies on: the engines' input procedures, to tell which system is on
// screen; app/i18n.h for the translations.
#include "app/help.h"
#include "app/i18n.h"
#include "engines/infinite_well/infinite_well.h"
#include "engines/oscillator/oscillator.h"
#include "engines/three_region/three_region.h"

namespace {

// Which keys an engine reads: its input procedure decides.
enum class engine_kind { three_region, infinite_well, oscillator, other };

engine_kind engine_of(const situace& s)
{
    if (s.input == three_region_input)
        return engine_kind::three_region;
    if (s.input == infinite_well_input)
        return engine_kind::infinite_well;
    if (s.input == oscillator_input)
        return engine_kind::oscillator;
    return engine_kind::other;
}

void heading(std::vector<help_line>& out, const char* text)
{
    out.push_back({HELP_HEADING, "", text});
}

void entry(std::vector<help_line>& out, const char* key, const char* text)
{
    out.push_back({HELP_ENTRY, key, text});
}

} // namespace

std::vector<help_line> help_lines(const situace& s)
{
    const engine_kind e = engine_of(s);
    const bool bound = e == engine_kind::infinite_well || e == engine_kind::oscillator;
    std::vector<help_line> out;
    out.push_back({HELP_TITLE, "", tr("Keys and mouse · F1 hides this help")});

    heading(out, tr("General"));
    entry(out, "F1", tr("show or hide this help"));
    entry(out, "Esc", tr("end the program"));
    entry(out, "F", tr("window or full screen"));
    entry(out, "L", tr("read config.ini again, reset the view"));
    entry(out, tr("left buttons"), tr("choose the system"));

    heading(out, tr("Time: the clock button"));
    entry(out, tr("Space, click"), tr("run or stop time"));
    entry(out, tr("right click"), tr("time back to 0"));
    entry(out, tr("wheel, ↑ ↓"), tr("time step"));

    heading(out, tr("Range: the magnifier"));
    entry(out, tr("Num +, 1, wheel up"), tr("narrower range"));
    entry(out, tr("Num −, 2, wheel down"), tr("wider range"));
    entry(out, tr("right click"), tr("narrowest range"));

    // Only what changes the picture of this system: the infinite well draws
    // the real part or the density and no labels; the oscillator has no
    // unit square and no slope arrows.
    heading(out, tr("Display"));
    if (e == engine_kind::infinite_well) {
        entry(out, tr("Enter, |ψ|² button"), tr("density or real part"));
    } else {
        entry(out, tr("Enter, |ψ|² button"), tr("density or real and imaginary parts"));
        entry(out, tr("R, I, Re/Im buttons"), tr("real, imaginary part on or off"));
    }
    if (e == engine_kind::three_region) {
        entry(out, "P", tr("value and length labels"));
        entry(out, "N", tr("unit-area square (density)"));
        entry(out, "S", tr("slope arrows (real part)"));
    } else if (e == engine_kind::oscillator) {
        entry(out, "P", tr("energy and width labels"));
    }
    entry(out, tr("click the listing"), tr("expand or collapse it"));

    if (e == engine_kind::three_region) {
        heading(out, tr("Energy and regions"));
        entry(out, tr("↑ ↓, wheel"), tr("energy E"));
        entry(out, tr("↑ ↓ over a region"), tr("its potential"));
        entry(out, tr("Shift, right button"), tr("four times the step"));
        entry(out, "→ ←", tr("middle region wider / narrower"));
        entry(out, "Shift + → ←", tr("move the middle region"));
        entry(out, tr("drag a region"), tr("move an edge or the middle region"));
    } else if (e == engine_kind::infinite_well) {
        heading(out, tr("Infinite well"));
        entry(out, "→ ←", tr("wider / narrower well"));
        entry(out, "↑ ↓", tr("next / previous state"));
    } else if (e == engine_kind::oscillator) {
        heading(out, tr("Oscillator"));
        entry(out, "→ ←", tr("higher / lower frequency ω"));
        entry(out, "↑ ↓", tr("next / previous state"));
    }

    if (bound) {
        heading(out, tr("Superposition: the Σ button"));
        entry(out, tr("click Σ"), tr("open the panel; normalise, then close"));
        entry(out, tr("M, right click Σ"), tr("random walk of the coefficients"));
        entry(out, tr("click a box"), tr("type a value, Enter stores it"));
        entry(out, tr("click the switch"), tr("values or phasors"));
        entry(out, tr("click a phasor"), tr("set it to the clicked point"));
        entry(out, tr("wheel on a box"), tr("turn its phase"));
        entry(out, tr("right click a box"), tr("set it to 0"));
    }
    return out;
}

std::string help_tooltip(const control& c, bool phasor_mode)
{
    const std::string& n = c.name;
    if (n == "tl_cas")
        return tr("Click: run or stop time · wheel, ↑ ↓: time step · right click: time to 0");
    if (n == "tl_lupa")
        return tr("Wheel up / down: narrower / wider range (also Num + −) · right click: narrowest");
    if (n == "tl_roz")
        return tr("Density or real and imaginary parts (also Enter)");
    if (n == "tl_re")
        return tr("Real part on or off (also R)");
    if (n == "tl_im")
        return tr("Imaginary part on or off (also I)");
    if (n == "tl_def")
        return tr("Free particle over potential steps (volna)");
    if (n == "tl_bar")
        return tr("Potential barrier (bariera)");
    if (n == "tl_jam")
        return tr("Finite potential well (jama)");
    if (n == "tl_nek")
        return tr("Infinite square well (jama_inf)");
    if (n == "tl_osc")
        return tr("Harmonic oscillator (oscilator)");
    if (n == "tl_sup") {
        if (c.active)
            return tr("Click: normalise, then close · right click or M: random walk");
        return tr("Superposition panel: click opens it · right click or M: random walk");
    }
    if (n == "tl_%")
        return tr("Click: the boxes show values or phasors");
    if (n.size() == 2 && n[0] == 'C' && n[1] >= '0' && n[1] <= '9') {
        if (phasor_mode)
            return n + ": " +
                   tr("click: set to the point (centre 0, right 1, top i) · wheel: turn the phase · right "
                      "click: 0");
        return n + ": " +
               tr("click: type a value (Enter stores it) · wheel: turn the phase · right click: 0");
    }
    return std::string();
}

std::string help_hint_text()
{
    return tr("F1: help");
}
