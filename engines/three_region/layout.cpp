// The three-region layout: places the region strips "V1", "V2", "V3" under
// the parts of the plot where each potential holds, so that mouse input
// over a strip acts on that region.
//
// Relies on the list order of the controls: counted from the head, the
// third, fourth and fifth controls are the three strips. Only their left
// edge, width and hover rectangle change; their top and height stay as the
// list builder set them.
#include "engines/three_region/three_region.h"

#include <cstdint>

void three_region_layout(const situace& s, konfig& k)
{
    control* v1 = k.controls ? k.controls->next : nullptr;
    v1 = v1 ? v1->next : nullptr;
    control* v2 = v1 ? v1->next : nullptr;
    control* v3 = v2 ? v2->next : nullptr;

    // Plot width in pixels (50 px margin each side); the model coordinate
    // x maps to column 50 + (x + Z) P / (2 Z). The subtraction is made in
    // 64 bits so that no window width can overflow it.
    const double P = static_cast<double>(static_cast<int64_t>(k.width) - 100);
    const double Z = k.half_range;

    // Rectangles are stored unclamped: a strip beyond the shown range gets
    // a negative width, which the strict hit test can never match.
    if (v1) {
        v1->rect.w = static_cast<float>((s.x0 + Z) * P / (2.0 * Z));
        v1->hover_rect = v1->rect;
    }
    if (v2) {
        v2->rect.x = static_cast<float>((s.x0 + Z) * P / (2.0 * Z) + 50.0);
        v2->rect.w = static_cast<float>(P * s.a / (2.0 * Z));
        v2->hover_rect = v2->rect;
    }
    if (v3) {
        v3->rect.x = static_cast<float>((s.a + Z + s.x0) * P / (2.0 * Z) + 50.0);
        v3->rect.w = static_cast<float>((Z - s.x0 - s.a) * P / (2.0 * Z));
        v3->hover_rect = v3->rect;
    }
}
