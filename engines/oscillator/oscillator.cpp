// Placeholders until this engine is built: choosing the system installs
// these, so the shell has four procedures to call. They draw nothing, take
// no input and compute nothing; the step shows the superposition button and
// the zoom button and hides the three-region strips, as a bound-state
// engine does.
#include "engines/oscillator/oscillator.h"

void oscillator_draw(situace& s, const konfig&, zgl_font*)
{
    s.text.clear();
}

void oscillator_input(situace&, konfig&, control*, bool&) {}

void oscillator_step(situace&, konfig& k)
{
    for (control* c = k.controls; c; c = c->next) {
        if (c->name == "tl_sup" || c->name == "tl_lupa")
            c->visible = true;
        else if (c->name == "V1" || c->name == "V2" || c->name == "V3")
            c->visible = false;
    }
}

void oscillator_layout(const situace&, konfig&) {}
