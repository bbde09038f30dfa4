// The 10 ms tick: the only place where the program's state changes. It finds
// the control under the mouse, carries out at most one of the shell's own
// key, wheel or right-click rules (or hands the tick to the engine), acts on
// a left click by the control's name, advances simulated time, recomputes
// the engine's state when anything changed, and clears the input so every
// event counts in exactly one tick.
//
// Relies on: the graphics layer for input and the screen mode, the controls'
// hit test and list helpers, choose_system, the load procedure, and the
// engine's input, layout and step procedures installed in situace.
#include <cmath>

#include "app/config.h"
#include "engines/control_list.h"
#include "app/controls.h"
#include "app/help.h" // help overlay
#include "app/lesson.h"
#include "app/scheme_file.h"
#include "app/shell.h"
#include "common/constants.h"
#include "common/numtext.h"

namespace {

// The plotted half range (internal length units) is narrowed only above
// and widened only below these limits.
constexpr double HALF_RANGE_MIN = 3.0;
constexpr double HALF_RANGE_MAX = 150.0;

// The time step per tick, simulated seconds, in extended precision like dt
// itself.
constexpr long double DT_STEP = 1e-18L;
constexpr long double DT_UP_LIMIT = 2e-17L;
constexpr long double DT_DOWN_LIMIT = 1.1e-18L;

// A stored typed entry looks at the panel's coefficients and at the element
// right after them (element 15) for a non-zero value: that element is part
// of the panel's shared area of situace, though no box shows it.
constexpr int ENTRY_CHECK_LAST = FIRST_COEF + COEF_COUNT;

// Whether any key was pressed, any button pressed or released, or the wheel
// turned since the last clear: the next frame is then drawn afresh, even
// if nothing it is drawn from seems to have changed.
bool any_input()
{
    for (int code = 1; code < 256; ++code)
        if (key_Press(static_cast<uint8_t>(code)))
            return true;
    for (int button : {M_BLEFT, M_BMIDDLE, M_BRIGHT})
        if (mouse_Click(button) || mouse_Up(button))
            return true;
    return mouse_Wheel(M_WUP) || mouse_Wheel(M_WDOWN);
}

bool named(const control* c, const char* name)
{
    return c != nullptr && c->name == name;
}

// Narrows (+1) or widens (-1) the plotted range by a nominal 0.2 units,
// keeping the number of samples across the half range. All of it is
// worked in extended precision from the stored doubles, each result taken
// to the nearest representable value: the samples across the half range
// (4.3 x 245 is just below 1053.5 in extended precision, so it gives 1053,
// where a double product would round up to 1053.5 and then to 1054), and
// the range in tenths, cut toward zero to whole tenths; the new range is
// stored as a double. As one-decimal values are not exact in binary, the
// cut makes the actual step 0.1, 0.2 or 0.3.
void zoom(konfig& k, int direction)
{
    const long double samples =
        round_even(static_cast<long double>(k.half_range) * static_cast<long double>(k.density));
    const long double tenths =
        static_cast<long double>(k.half_range) * 10.0L - 2.0L * static_cast<long double>(direction);
    k.half_range = static_cast<double>(cut(tenths) / 10.0L);
    k.density = static_cast<double>(round_even(samples / static_cast<long double>(k.half_range)));
}

// c := |c| exp(i (arg c + delta)); a zero coefficient stays zero.
void turn_phase(cplx& c, double delta)
{
    const double r = std::abs(c);
    const double phi = std::arg(c) + delta;
    c = cplx(r * std::cos(phi), r * std::sin(phi));
}

// A click on "tl_sup": opens a closed panel; on an open one it normalises
// the coefficients, and closes the panel only when they already were
// normalised (within 0.0001).
void toggle_panel(control* sup, situace& sit)
{
    if (!sup->active) {
        sup->active = true;
        set_panel_visible(sup, true);
        return;
    }
    double s = 0.0;
    for (int j = 0; j < COEF_COUNT; ++j)
        s += norm2(sit.coef[FIRST_COEF + j]);
    if (std::fabs(s - 1.0) < 0.0001) {
        sup->active = false;
        set_panel_visible(sup, false);
    }
    if (s != 0.0) {
        const double root = std::sqrt(s);
        for (int j = 0; j < COEF_COUNT; ++j)
            sit.coef[FIRST_COEF + j] /= root;
    }
}

// Enter during a typed entry: stores the number, if it is one, in the box's
// coefficient so that the box shows it as a real value at time t (the boxes
// show their coefficients turned by their phase factors), and marks the
// system as a superposition.
void finish_entry(typed_entry& entry, situace& sit, long double t)
{
    // Characters typed in this very tick have not reached the entry's text
    // yet (the Enter rule acted instead of the one that copies them): take
    // them.
    const std::string text = key_GetText();
    const int j = box_index(entry.box);
    end_entry(entry);
    double v = 0.0;
    // Not a number (letters, "nan", "inf", empty): nothing changes.
    if (j < 0 || !parse_number(text, v))
        return;
    sit.coef[FIRST_COEF + j] = box_coefficient(sit, j, t, cplx(v, 0.0));
    // With one or more non-zero elements among C[0]..C[9] and the element
    // after them the bound-state engines show the superposition (E = -1);
    // with none there is nothing to show, and the selected state stays.
    for (int i = FIRST_COEF; i <= ENTRY_CHECK_LAST; ++i) {
        if (sit.coef[i] != cplx(0.0, 0.0)) {
            sit.E = -1.0;
            break;
        }
    }
}

// A typed entry into a box takes at most this many characters.
constexpr int ENTRY_MAX_CHARS = 4;

void start_entry(typed_entry& entry, control* box)
{
    entry = typed_entry{box, ""};
    key_BeginReadText("", ENTRY_MAX_CHARS);
}

// A left click on a box in phasor mode: the box's centre is 0, its right
// edge +1 and its top edge +i; the coefficient is set so that the box shows
// the clicked point at time t.
void set_from_click(const control* box, int j, situace& sit, long double t)
{
    const zgl_rect& r = box->rect;
    const double mx = mouse_X();
    const double my = mouse_Y();
    const double re = 2.0 * (mx - r.x - r.w / 2.0) / r.w;
    const double im = -2.0 * (my - r.y - r.h / 2.0) / r.h;
    sit.coef[FIRST_COEF + j] = box_coefficient(sit, j, t, cplx(re, im));
    sit.E = -1.0;
}

// Key F: window to full screen or back, then the load procedure again, which
// rebuilds the controls for the new mode; the set-up on screen is kept.
void switch_screen(konfig& konf)
{
    const auto w = static_cast<uint16_t>(konf.width);
    const auto h = static_cast<uint16_t>(konf.height);
    if (konf.fullscreen) {
        scr_CorrectResolution(w, h);
        konf.fullscreen = false;
    } else {
        zgl_Enable(CORRECT_RESOLUTION);
        zgl_Disable(CORRECT_WIDTH);
        zgl_Disable(CORRECT_HEIGHT);
        scr_CorrectResolution(w, h);
        konf.fullscreen = true;
    }
    scr_SetOptions(w, h, 1, konf.fullscreen, true);
    // The set-up on screen stays: the system with all it keeps (a packet
    // included), the open listing and panel; the load procedure rebuilds
    // the controls for the new mode.
    situace kept = shell.sit;
    const control* listing = find_control(konf.controls, "vypis");
    const control* sup = find_control(konf.controls, "tl_sup");
    const bool listing_open = listing != nullptr && listing->active;
    const bool panel_open = sup != nullptr && sup->active;
    load_proc();
    shell.sit = std::move(kept);
    situace& sit = shell.sit;
    layout_and_step(sit, konf);
    if (control* c = find_control(konf.controls, "vypis"))
        c->active = listing_open;
    if (control* c = find_control(konf.controls, "tl_sup"); c != nullptr && panel_open && c->visible) {
        c->active = true;
        set_panel_visible(c, true);
    }
}

// The system whose button this is, or null.
const system_record* system_of_button(const std::string& name)
{
    for (const system_record* e : all_systems())
        if (name == e->button)
            return e;
    return nullptr;
}

// The left-click table: acts on the control under the mouse by its name.
void left_click(shell_state& sh, control* hit, bool& changed)
{
    konfig& konf = sh.konf;
    situace& sit = sh.sit;
    // A click anywhere ends a typed entry without storing it.
    end_entry(sh.entry);
    changed = true;
    if (hit == nullptr) {
        changed = false;
        return;
    }
    const std::string& n = hit->name;
    const int j = box_index(hit);
    if (const system_record* chosen = system_of_button(n))
        choose_system(chosen->name, konf, sit);
    else if (n == "tl_roz")
        konf.reim_mode = !konf.reim_mode;
    else if (n == "tl_re")
        konf.show_re = !konf.show_re;
    else if (n == "tl_im")
        konf.show_im = !konf.show_im;
    else if (n == "tl_cas")
        konf.running = !konf.running;
    else if (n == "vypis")
        hit->active = !hit->active;
    else if (n == "tl_%")
        sh.phasor_mode = !sh.phasor_mode;
    else if (n == "tl_sup")
        toggle_panel(hit, sit);
    else if (j >= 0) {
        if (sh.phasor_mode)
            set_from_click(hit, j, sit, konf.t);
        else
            start_entry(sh.entry, hit);
    } else {
        // "plocha" and the regions: not a change, whatever the engine's
        // input procedure said in this tick.
        changed = false;
    }
}

} // namespace

void end_entry(typed_entry& entry)
{
    if (entry.active())
        key_EndReadText();
    entry = typed_entry{};
}

void timer_proc()
{
    konfig& konf = shell.konf;
    situace& sit = shell.sit;
    control* hit = hit_test(konf.controls);
    bool changed = false;

    const bool wheel_up = mouse_Wheel(M_WUP);
    const bool wheel_down = mouse_Wheel(M_WDOWN);
    const bool right_click = mouse_Click(M_BRIGHT);
    const int box = box_index(hit);
    // Ctrl held, or pressed and let go again within this tick together
    // with the key it goes with.
    const bool ctrl = key_Down(K_CTRL) || key_Press(K_CTRL);
    if (any_input())
        shell.frame_stale = true;

    // The shell's own rules, first match wins: at most one acts per tick.
    if (key_Press(K_ESCAPE)) {
        zgl_Exit();
    } else if (key_Press(K_ENTER)) {
        if (shell.entry.active())
            finish_entry(shell.entry, sit, konf.t);
        else
            konf.reim_mode = !konf.reim_mode;
    } else if (shell.entry.active()) {
        // While typing, no other key does anything of the shell's.
        shell.entry.text = key_GetText();
    } else if (ctrl && key_Press(K_S)) {
        // With Ctrl held, S and E are the lesson's and nothing else's.
        lesson_save();
    } else if (ctrl && key_Press(K_E)) {
        lesson_export();
    } else if (key_Press(K_PGDN) || key_Press(K_PGUP)) {
        lesson_step(key_Press(K_PGDN) ? +1 : -1);
    } else if (const std::string dropped = wnd_TakeDroppedFile(); !dropped.empty()) {
        lesson_open(dropped);
    } else if (key_Press(K_B)) {
        // The projector scheme or back, remembered for the next start.
        shell.projector = !shell.projector;
        scr_SetScheme(shell.projector);
        write_scheme(shell.projector);
    } else if (key_Press(K_M) || (right_click && named(hit, "tl_sup"))) {
        konf.random_walk = !konf.random_walk;
    } else if (key_Press(K_L)) {
        choose_system("config", konf, sit);
    } else if (key_Press(K_SPACE)) {
        konf.running = !konf.running;
    } else if (key_Press(K_R)) {
        konf.show_re = !konf.show_re;
    } else if (key_Press(K_I)) {
        konf.show_im = !konf.show_im;
    } else if (key_Press(K_P)) {
        konf.show_labels = !konf.show_labels;
    } else if (key_Press(K_N)) {
        konf.show_square = !konf.show_square;
    } else if (right_click && named(hit, "tl_cas")) {
        // Time back to 0; the step then puts back what time had moved on
        // (the packet to its start).
        konf.t = 0.0L;
        changed = true;
    } else if (right_click && named(hit, "tl_lupa")) {
        konf.half_range = HALF_RANGE_MIN;
    } else if ((wheel_up && named(hit, "tl_lupa")) || key_Press(K_KP_PLUS) || key_Press(K_1)) {
        // The rule takes the tick even when the limit refuses the change.
        if (konf.half_range > HALF_RANGE_MIN) {
            zoom(konf, +1);
            changed = true;
        }
    } else if ((wheel_down && named(hit, "tl_lupa")) || key_Press(K_KP_MINUS) || key_Press(K_2)) {
        if (konf.half_range < HALF_RANGE_MAX) {
            zoom(konf, -1);
            changed = true;
        }
    } else if (named(hit, "tl_cas") && (wheel_up || key_Press(K_UP))) {
        // The limit is tested before adding: the largest dt reached is 2.1e-17.
        if (konf.dt < DT_UP_LIMIT)
            konf.dt += DT_STEP;
    } else if (named(hit, "tl_cas") && (wheel_down || key_Press(K_DOWN))) {
        if (konf.dt > DT_DOWN_LIMIT)
            konf.dt -= DT_STEP;
        else
            konf.dt = DT_STEP;
    } else if (box >= 0 && wheel_up) {
        // The two directions turn by different steps, pi/16 up and pi/15
        // down, so they do not cancel: a notch up and one down leave the
        // phase pi/240 further back, and every phase can be reached.
        turn_phase(sit.coef[FIRST_COEF + box], PI / 16.0);
    } else if (box >= 0 && wheel_down) {
        turn_phase(sit.coef[FIRST_COEF + box], -PI / 15.0);
    } else if (box >= 0 && right_click) {
        sit.coef[FIRST_COEF + box] = cplx(0.0, 0.0);
    } else if (key_Press(K_F)) {
        switch_screen(konf);
        // The old list is gone: find the control under the mouse in the new
        // one, for the left click below.
        hit = hit_test(konf.controls);
    } else if (key_Press(K_S)) {
        konf.show_arrows = !konf.show_arrows;
    } else if (key_Press(K_X) && sit.system != nullptr && sit.system->expectation &&
               (sit.system->expectation_here == nullptr || sit.system->expectation_here(sit))) {
        konf.show_expectation = !konf.show_expectation;
    } else if (key_Press(K_K) && sit.system != nullptr && sit.system->packet_preset != nullptr) {
        // A localized packet, watched from its start.
        sit.system->packet_preset(sit);
        konf.t = 0.0L;
        konf.running = true;
        changed = true;
    } else if (mouse_Down(M_BLEFT) && konf.drag_x == 0 && konf.drag_y == 0) {
        // The press position, which the engine reads to follow a drag.
        konf.drag_x = mouse_X();
        konf.drag_y = mouse_Y();
    } else if (mouse_Up(M_BLEFT)) {
        konf.drag_x = 0;
        konf.drag_y = 0;
    } else if (key_Press(K_F1)) {
        // Help overlay on or off. Tried last among the shell's rules, right
        // before the engine: every rule above acts exactly as without it
        // (Escape still ends the program, a typed entry still takes the
        // keys), and the tick that F1 takes does not reach the engine.
        help_toggle();
    } else if (sit.input != nullptr && hit != nullptr) {
        sit.input(sit, konf, hit, changed);
    }

    // A left click acts whatever rule acted above.
    if (mouse_Click(M_BLEFT))
        left_click(shell, hit, changed);

    if (konf.running) {
        konf.t += konf.dt;
        if (sit.advance != nullptr)
            sit.advance(sit, konf);
    }

    if (changed || konf.random_walk)
        layout_and_step(sit, konf);

    help_tick(hit); // help: the hint's time and the mouse's rest for tooltips

    mouse_ClearState();
    key_ClearState();
}
