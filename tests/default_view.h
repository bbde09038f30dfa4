// The view the program starts with in an 800 x 600 window, from the shell's
// own reset, for the tests and benchmarks that draw or step an engine alone.
#pragma once

#include "app/config.h"

inline konfig default_view()
{
    konfig k{};
    k.width = 800;
    k.height = 600;
    reset_view(k);
    return k;
}
