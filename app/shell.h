// The shell's procedures handed to the graphics layer, and the entry.
#pragma once

#include "app/records.h"

void load_proc();  // opens the archive, loads font and pictures, chooses the start-up system, builds the
                   // controls
void draw_proc();  // one frame
void exit_proc();  // frees the controls
void timer_proc(); // one 10 ms tick
// Draws the open superposition panel (called by draw_proc).
void draw_panel(const situace& s, const konfig& k, zgl_font* f);
// The whole program: returns the process exit status.
int vlnkar_main();
