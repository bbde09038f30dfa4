// (to be written)
#include "platform/zgl_test.h"
