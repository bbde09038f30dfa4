// The three potential strips "V1", "V2", "V3" under the plot: every
// engine's layout places them the same way, around a middle stretch of the
// model axis (the three-region engine's middle region, the infinite well,
// the oscillator's central unit of width), so that mouse input over a strip
// acts on the part of the plot it lies under.
//
// Relies on the list order of the controls: counted from the head, the
// third, fourth and fifth controls are the strips (checked in debug
// builds). Only their left edge, width and hover rectangle change; their
// top and height stay as the list builder set them.
#pragma once

#include <cassert>

#include "engines/screen_map.h"

// Strip V1 from the plot's left end to model x = left, V2 from there over
// `width` units, V3 from its end to the plot's right end. Rectangles are
// stored unclamped: a strip beyond the shown range gets a negative width,
// which the strict hit test can never match.
inline void place_strips(konfig& k, double left, double width)
{
    control* v1 = k.controls ? k.controls->next : nullptr;
    v1 = v1 ? v1->next : nullptr;
    control* v2 = v1 ? v1->next : nullptr;
    control* v3 = v2 ? v2->next : nullptr;
    // Found by position, so a reordered list would move the wrong controls:
    // say so where it happens.
    assert((!v1 || v1->name == "V1") && "the third control is the strip \"V1\"");
    assert((!v2 || v2->name == "V2") && "the fourth control is the strip \"V2\"");
    assert((!v3 || v3->name == "V3") && "the fifth control is the strip \"V3\"");

    const screen_map m = screen_of(k);
    const double Z = k.half_range;
    if (v1) {
        v1->rect.w = static_cast<float>(m.pixels(left + Z));
        v1->hover_rect = v1->rect;
    }
    if (v2) {
        v2->rect.x = static_cast<float>(m.X(left));
        v2->rect.w = static_cast<float>(m.pixels(width));
        v2->hover_rect = v2->rect;
    }
    if (v3) {
        v3->rect.x = static_cast<float>(m.X(left + width));
        v3->rect.w = static_cast<float>(m.pixels(Z - left - width));
        v3->hover_rect = v3->rect;
    }
}
