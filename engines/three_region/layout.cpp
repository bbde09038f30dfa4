// The three-region layout: places the region strips "V1", "V2", "V3" under
// the parts of the plot where each potential holds, so that mouse input
// over a strip acts on that region.
//
// Relies on the list order of the controls: counted from the head, the
// third, fourth and fifth controls are the three strips (checked in debug
// builds). Only their left
// edge, width and hover rectangle change; their top and height stay as the
// list builder set them.
#include <cassert>

#include "engines/screen_map.h"
#include "engines/three_region/three_region.h"

void three_region_layout(const situace& s, konfig& k)
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

    // The strips follow the plot's own mapping: region 1 from the plot's left
    // end to x0, region 2 from x0 to x0 + a, region 3 from there to the right
    // end. Rectangles are stored unclamped: a strip beyond the shown range
    // gets a negative width, which the strict hit test can never match.
    const screen_map m = screen_of(k);
    const double Z = k.half_range;
    if (v1) {
        v1->rect.w = static_cast<float>(m.pixels(s.x0 + Z));
        v1->hover_rect = v1->rect;
    }
    if (v2) {
        v2->rect.x = static_cast<float>(m.X(s.x0));
        v2->rect.w = static_cast<float>(m.pixels(s.a));
        v2->hover_rect = v2->rect;
    }
    if (v3) {
        v3->rect.x = static_cast<float>(m.X(s.x0 + s.a));
        v3->rect.w = static_cast<float>(m.pixels(Z - s.x0 - s.a));
        v3->hover_rect = v3->rect;
    }
}
