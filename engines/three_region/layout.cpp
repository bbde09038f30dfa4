// The three-region layout: the strips "V1", "V2", "V3" lie under the three
// regions of the potential (left of x0, the middle region x0 .. x0 + a,
// right of it), so that mouse input over a strip acts on that region.
#include "engines/strips.h"
#include "engines/three_region/three_region.h"

void three_region_layout(const situace& s, konfig& k)
{
    place_strips(k, s.x0, s.a);
}
