// (to be written)
#include "app/config.h"
