// Lessons: set-ups kept as files in a lesson folder, saved with Ctrl+S,
// opened from the command line or by dropping a file on the window,
// stepped through with Page Down and Page Up like slides, and exported
// with Ctrl+E as a picture of the window and the plotted wave as data.
//
// The lesson folder is the folder of the set-up last opened, else the
// user's documents folder's "Vlnkar" (made when missing). Set-ups are
// named "NN-<system>.vlnkar", NN the next free two-digit number, so name
// order is the order they were saved in. Every action tells the user on
// screen for three seconds what it did; a failure is said on stderr too,
// and what is on screen stays.
//
// Relies on: the set-up file (app/setup_file.h), the atomic writer
// (common/files.h), the graphics layer's picture of the window, and the
// shell's records and note (app/shell.h, app/help.h).
#pragma once

#include <string>

#include "app/setup_file.h"
#include "engines/engine.h"

// A note of a lesson action stands this long, ticks.
constexpr uint32_t LESSON_NOTE_TICKS = 300;

// What the set-up file holds of k and s.
setup_values setup_of(const konfig& k, const situace& s);
// The system's defaults and the view a fresh configuration gives: what a
// set-up file that gives nothing else means.
setup_values setup_defaults(const system_record& system);
// Puts the set-up on screen: the system chosen afresh with these values,
// held to its controls' ranges, time stopped, the random walk off, the
// engine's layout and step run, and a packet moved on to the set-up's time.
void apply_setup(const setup_values& v, konfig& k, situace& s);

// Ctrl+S: the set-up on screen as a new file in the lesson folder.
void lesson_save();
// Ctrl+E: the window as "<stem>.png" and the plotted wave as "<stem>.csv"
// beside the set-ups. The stem is that of the set-up file on screen when
// nothing was changed since it was opened or saved (and it has no export
// yet), else the next free "NN-<system>".
void lesson_export();
// Page Down (+1) and Page Up (-1): the next or previous set-up of the
// lesson folder in name order.
void lesson_step(int direction);
// Opens the set-up file at `path`; a file that is no set-up (or cannot be
// read) is refused and what is on screen stays. With `note_success`
// false an opened file is not announced (a note from the start stays).
bool lesson_open(const std::string& path, bool note_success = true);
// The folder a lesson goes to when no set-up was opened:
// $XDG_DOCUMENTS_DIR (from the user's user-dirs.dirs) or ~/Documents, then
// "Vlnkar"; "" when there is no home folder.
std::string lesson_default_folder();
