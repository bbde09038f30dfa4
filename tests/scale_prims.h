// The primitives of a drawn frame less those of the position and energy
// scales (the ones lying inside the rectangles the scales report), for the
// tests of what an engine draws itself.
#pragma once

#include <algorithm>
#include <vector>

#include "engines/scale/scale.h"
#include "platform/zgl_test.h"

inline std::vector<zgl_prim> without_scales(std::vector<zgl_prim> v)
{
    auto within = [](const zgl_prim& p) {
        const bool rect = p.kind == zgl_prim::RECT, text = p.kind == zgl_prim::TEXT;
        const float x2 = text   ? p.x1
                         : rect ? p.x1 + p.x2
                                : p.x2,
                    y2 = text   ? p.y1
                         : rect ? p.y1 + p.y2
                                : p.y2;
        for (const zgl_rect& r : scale_boxes())
            if (std::min(p.x1, x2) >= r.x && std::min(p.y1, y2) >= r.y && std::max(p.x1, x2) <= r.x + r.w &&
                std::max(p.y1, y2) <= r.y + r.h)
                return true;
        return false;
    };
    std::erase_if(v, within);
    return v;
}
