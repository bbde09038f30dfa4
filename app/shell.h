// The shell: its state for the whole run, the procedures it hands to the
// graphics layer, and the entry.
#pragma once

#include <string>

#include "app/help.h"
#include "app/help_layout.h"
#include "engines/engine.h"

// A typed entry into a coefficient box. Empty (no box, no text) while none
// is in progress; ending an entry, stored or cancelled, resets the whole
// record.
struct typed_entry {
    control* box = nullptr; // the box receiving the entry; null when no entry is in progress
    std::string text;       // the text typed so far (UTF-8, at most 4 characters)

    bool active() const { return box != nullptr; }
};

// Everything the shell keeps between ticks and frames. vlnkar_main starts
// from a fresh shell_state{} (the program once, each test once), so nothing
// the shell adds here can leak from one run into the next.
struct shell_state {
    konfig konf{};            // the one konfig of the run; owns the control list
    situace sit{};            // the one situace of the run
    zgl_font* font = nullptr; // "font.zfi", passed to every text drawing; null when it is missing
    bool phasor_mode = false; // the coefficient boxes show phasors and take clicks as complex values
    bool projector = false;   // the projector colour scheme (key B), remembered in vzhled.ini
    typed_entry entry{};      // the typed entry into a coefficient box, if one is in progress
    help_state help{};        // the help overlay, the start hint and the tooltips
    help_overlay_cache help_layout{}; // the overlay's last layout
    // What the last frame was drawn from, as bytes (see frame.cpp); empty
    // before the first frame. A frame drawn from the same bytes would be the
    // same picture, so it is not drawn again.
    std::string frame_inputs;
    // Set by anything that changes the picture by a way the frame's inputs
    // do not show (any key, click or wheel turn in a tick, to be safe): the
    // next frame is drawn whatever its inputs.
    bool frame_stale = true;
    // Lessons (app/lesson.h): the folder of the set-up last opened ("" for
    // none: the default lesson folder), the set-up file last opened or
    // saved ("" for none), and its text as then on screen, which tells
    // whether the set-up has been changed since.
    std::string lesson_dir;
    std::string lesson_file;
    std::string lesson_text;
    // A set-up file to open once the window is ready; "" for none.
    std::string start_setup;
};

// Defined in app/shell.cpp. Only the shell's own sources use it; engines get
// konfig, situace and the font as arguments.
extern shell_state shell;

void load_proc();  // opens the archive, loads font and pictures, chooses the start-up system, builds the
                   // controls
void draw_proc();  // one frame
void exit_proc();  // frees the controls
void timer_proc(); // one 10 ms tick
// Ends a typed entry, if one is in progress: stops the text reading and
// empties the record. Storing the number is the tick's business.
void end_entry(typed_entry& entry);
// The whole program: returns the process exit status. `note`, when not
// empty, is shown on screen for the first seconds (and was said on stderr);
// `setup`, when not empty, is a set-up file opened at start.
int vlnkar_main(const std::string& note = "", const std::string& setup = "");
