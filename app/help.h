// Help for a first-time user: an overlay listing every key and mouse action
// of the shell and of the system on screen (F1 shows and hides it), a hint
// "F1: help" in the bottom-right corner for the first five seconds, and a
// one-line tooltip when the mouse rests on a button, the value/phasor
// switch or a coefficient box. Texts in English, or in the user's language
// where a catalogue has it (app/i18n.h).
//
// The shell calls four procedures: help_start once at start, help_toggle
// when F1 is pressed, help_tick in every tick, help_draw at the end of
// every frame. All help state is in the shell's record (shell_state::help);
// nothing here changes konfig, situace or the controls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engines/engine.h"

// Times in 10 ms ticks of the timer, so they do not depend on the frame rate.
constexpr uint32_t HELP_HINT_TICKS = 500; // the start hint stands for 5 s
constexpr uint32_t HELP_REST_TICKS = 50;  // the mouse rests 0.5 s before a tooltip shows
constexpr uint32_t HELP_NOTE_TICKS = 800; // a note from the start stands for 8 s

// Part of the shell's state (shell_state::help), so it starts fresh with it.
struct help_state {
    bool shown = false;             // the overlay is on
    bool f1_used = false;           // F1 was pressed: the start hint has done its job
    uint32_t ticks = 0;             // ticks since start (stops counting at its maximum)
    std::string rest_on;            // name of the control under the mouse while it rests; "" for none
    int rest_x = 0, rest_y = 0;     // mouse position in the last tick, logical pixels
    uint32_t rest_ticks = 0;        // ticks the mouse has rested on rest_on, up to HELP_REST_TICKS
    int anchor_x = 0, anchor_y = 0; // mouse position when the tooltip appeared; it stands near there
    std::string note;               // something the user must know, shown at the top until the tick
                                    // count reaches note_until; "" for none
    uint32_t note_until = HELP_NOTE_TICKS; // a note from the start stands for HELP_NOTE_TICKS
};

// Fresh state (overlay off, hint on) and the language from the user's locale.
void help_start();
// F1: the overlay on or off.
void help_toggle();
// A note at the top of the window for `ticks` ticks from now, replacing
// any note shown.
void help_note(const std::string& text, uint32_t ticks);
// Whether a note shows now.
bool help_note_shown();
// Once per tick, after the shell's rules and before the input is cleared:
// counts the hint's time and the mouse's rest on `hit`, the control under
// the mouse in this tick. A move starts the rest again unless the tooltip
// already shows (it stays while the mouse is on the same control); a click
// or a wheel turn always starts it again.
void help_tick(const control* hit);
// Last in the frame, after the hover highlight: the overlay, the hint and
// the tooltip for `hovered`, the control under the mouse in this frame.
void help_draw(const konfig& k, const situace& s, zgl_font* f, const control* hovered, bool phasor_mode);

// ---- Texts (app/help_text.cpp) -------------------------------------------

enum help_kind : uint8_t {
    HELP_TITLE,   // the overlay's first line
    HELP_HEADING, // a topic
    HELP_ENTRY,   // a key or mouse action (`key`) and what it does (`text`)
};

struct help_line {
    help_kind kind;
    std::string key;  // entries only
    std::string text; // translated
    bool operator==(const help_line&) const = default;
};

// The overlay's lines for the system s runs (its engine's input procedure
// tells which): the title, then topics, each a heading and its entries.
std::vector<help_line> help_lines(const situace& s);
// The tooltip of control c, translated; empty for controls without one (the
// background, the listing, the plot strips, the panel's background).
std::string help_tooltip(const control& c, bool phasor_mode);
// The start hint, translated.
std::string help_hint_text();
