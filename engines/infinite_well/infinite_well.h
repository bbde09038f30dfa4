// The infinite square well, "jama_inf". Only placeholders for now: the
// system can be chosen and shows its buttons, but nothing is computed or
// drawn yet.
#pragma once

#include "app/records.h"

void infinite_well_draw(situace& s, const konfig& k, zgl_font* font);
void infinite_well_input(situace& s, konfig& k, control* hit, bool& changed);
void infinite_well_step(situace& s, konfig& k);
void infinite_well_layout(const situace& s, konfig& k);
