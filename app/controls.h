// The on-screen controls: the list of 29 controls with its geometry, and
// the hit test. Finding a control by name and the other list helpers are in
// engines/control_list.h.
#pragma once

#include "engines/control_list.h"
#include "engines/engine.h"

// Frees any list k.controls holds, then builds the 29 controls for a window
// of k.width x k.height, loading their pictures (from the open archive).
void build_controls(konfig& k);
// Frees the list (successors before each node) and empties k.controls.
void free_controls(konfig& k);
// True when the mouse lies strictly inside r (border pixels are outside).
bool mouse_in_rect(const zgl_rect& r);
// The control under the mouse: never null for a non-empty list; the head
// ("plocha") when nothing else is hit. "pl_sup" is never returned.
control* hit_test(control* head);

// Shows the zoom button and, as the system wants them, the potential strips
// and the superposition button (closing its panel where it goes). Run with
// every step, so that a list built anew takes the system's controls.
void show_system_controls(konfig& k, const system_record& system);
// After any change: the engine places its controls, the system's controls
// are shown or hidden, and the engine recomputes its state. Nothing for an
// engine without layout and step.
void layout_and_step(situace& s, konfig& k);

// What coefficient box j (0 .. 9) shows at time t (s): its coefficient
// times the phase factor exp(-i E_n t / hbar) of its state, so that in
// phasor mode each arrow turns at its own frequency while time runs. The
// coefficient itself at t = 0, or where the system's coefficients do not
// turn.
cplx box_shown(const situace& s, int box, long double t);
// The coefficient that makes box j show `shown` at time t: what a click or
// a typed value stores, so the box shows what was given.
cplx box_coefficient(const situace& s, int box, long double t, cplx shown);
