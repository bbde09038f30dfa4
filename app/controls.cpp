// (to be written)
#include "app/controls.h"
