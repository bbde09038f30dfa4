// The help texts: the overlay's lines for each system, the tooltips of the
// controls and the start hint. Every text the user reads goes through tr(),
// so the catalogues (po/*.po) can translate it; key names that read the
// same in every language (F1, Esc, arrows) are not translated.
//
// Relies on: the record of the system on screen for its own lines and its
// button's tooltip; app/i18n.h for the translations.
#include "app/config.h"
#include "app/help.h"
#include "common/i18n.h"

namespace {

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
    const system_record* system = s.system;
    std::vector<help_line> out;
    out.push_back({HELP_TITLE, "", tr("Keys and mouse · F1 hides this help")});

    heading(out, tr("General"));
    entry(out, "F1", tr("show or hide this help"));
    entry(out, "Esc", tr("end the program"));
    entry(out, "F", tr("window or full screen"));
    entry(out, "B", tr("projector colours (white background), remembered"));
    entry(out, "L", tr("read config.ini again, reset the view"));
    entry(out, tr("left buttons"), tr("choose the system"));
    entry(out, "Ctrl+S", tr("save the set-up in the lesson folder"));
    entry(out, "Page Down, Page Up", tr("next / previous set-up of the lesson"));
    entry(out, tr("drop a file"), tr("open a set-up"));
    entry(out, "Ctrl+E", tr("export the picture and the data"));

    heading(out, tr("Time: the clock button"));
    entry(out, tr("Space, click"), tr("run or stop time"));
    entry(out, tr("right click"), tr("time back to 0"));
    entry(out, tr("wheel, ↑ ↓"), tr("time step"));

    heading(out, tr("Range: the magnifier"));
    entry(out, tr("Num +, 1, wheel up"), tr("narrower range"));
    entry(out, tr("Num −, 2, wheel down"), tr("wider range"));
    entry(out, tr("right click"), tr("narrowest range"));

    // Only what changes the picture of this system, then its own keys.
    heading(out, tr("Display"));
    if (system != nullptr)
        for (const help_entry& h : system->display_help)
            entry(out, tr(h.key), tr(h.text));
    if (system != nullptr && system->expectation && system->expectation_here != nullptr)
        entry(out, "X", tr("<x> and Δx marked and listed (packet, bound state)"));
    else if (system != nullptr && system->expectation)
        entry(out, "X", tr("<x> and Δx marked, <x>, Δx, <E>, ΔE listed"));
    entry(out, tr("click the listing"), tr("expand or collapse it"));

    if (system != nullptr)
        for (const help_entry& h : system->help) {
            if (h.key == nullptr)
                heading(out, tr(h.text));
            else
                entry(out, tr(h.key), tr(h.text));
        }

    if (system != nullptr && system->panel) {
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
    if (n == "tl_pkt")
        return tr("Wave packet or stationary state (also W) · [ ]: narrower / wider packet");
    for (const system_record* system : all_systems())
        if (n == system->button) {
            // The system's own keys that no button shows.
            std::string tip = tr(system->tooltip);
            if (system->expectation)
                tip += std::string(" · ") + tr("X: expectation values");
            if (system->packet_preset != nullptr)
                tip += std::string(" · ") + tr("K: a localized packet");
            tip += std::string(" · ") + tr("B: projector colours");
            return tip;
        }
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
