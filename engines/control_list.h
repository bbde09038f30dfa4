// Helpers on the control list, written once for the shell's tick and frame
// and for the engines: finding a control by name, the coefficient index of
// a box "Cj", and showing or hiding the superposition panel.
//
// Header-only on purpose: the engines are a library of their own that the
// shell links against, so what they share with the shell cannot live in
// the shell's sources.
//
// Relies on the list order the shell builds: "tl_sup" is followed by the
// panel "pl_sup", and the panel by its members ("tl_%", then C0 .. C9), to
// the end of the list. Debug builds check the first two links where a
// helper depends on them.
#pragma once

#include <cassert>

#include "engines/engine.h"

// The first control of the list with this name, or null.
inline control* find_control(control* head, const char* name)
{
    for (control* c = head; c != nullptr; c = c->next) {
        if (c->name == name)
            return c;
    }
    return nullptr;
}

// The digit j of a coefficient box "Cj" (its coefficient is C[j], element
// FIRST_COEF + j of coef), or -1 when c is no such box.
inline int box_index(const control* c)
{
    if (c == nullptr || c->name.size() != 2 || c->name[0] != 'C')
        return -1;
    const char d = c->name[1];
    if (d < '0' || d > '9')
        return -1;
    return d - '0';
}

// Shows or hides the superposition button "tl_sup" together with its panel
// and every member on it: the button and every control after it.
inline void set_panel_visible(control* sup, bool visible)
{
    assert(sup != nullptr && sup->name == "tl_sup" && "the panel button is \"tl_sup\"");
    assert((sup->next == nullptr || sup->next->name == "pl_sup") &&
           "the panel \"pl_sup\" follows \"tl_sup\"");
    for (control* c = sup; c != nullptr; c = c->next)
        c->visible = visible;
}
