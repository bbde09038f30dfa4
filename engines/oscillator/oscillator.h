// The harmonic oscillator, "oscilator". Only placeholders for now: the
// system can be chosen and shows its buttons, but nothing is computed or
// drawn yet.
#pragma once

#include "app/records.h"

void oscillator_draw(situace& s, const konfig& k, zgl_font* font);
void oscillator_input(situace& s, konfig& k, control* hit, bool& changed);
void oscillator_step(situace& s, konfig& k);
void oscillator_layout(const situace& s, konfig& k);
