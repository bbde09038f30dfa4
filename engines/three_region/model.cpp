// (to be written)
#include "engines/three_region/three_region.h"
