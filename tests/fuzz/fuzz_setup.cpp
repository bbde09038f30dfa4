// Fuzz target: any bytes as a set-up file. Checked on every input: what is
// read is finite and in the view's ranges whatever the bytes say, and the
// text written from it reads back to the same bits.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/setup_file.h"

namespace {

void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "set-up fuzz: %s\n", what);
        std::abort();
    }
}

setup_values defaults(const std::string& system)
{
    setup_values v{};
    v.system = system;
    v.E = 5.0, v.V1 = 2.0, v.V2 = 4.0, v.V3 = 3.0, v.a = 2.5, v.x0 = -1.25;
    v.half_range = 5.25, v.density = 200.0, v.t = 0.0L, v.dt = 5e-18L, v.sigma = 0.6;
    return v;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string system, why;
    if (!setup_system(bytes, system, why)) {
        check(!why.empty(), "a refusal without a reason");
        return 0;
    }
    check(!system.empty(), "an empty system name accepted");
    setup_values v = defaults(system);
    read_setup(bytes, v);
    for (double x : {v.E, v.V1, v.V2, v.V3, v.a, v.x0, v.sigma})
        check(std::isfinite(x), "a parameter that is no finite number");
    for (const cplx& c : v.coef)
        check(std::fabs(c.real()) <= 9999.0 && std::fabs(c.imag()) <= 9999.0, "a coefficient out of range");
    check(v.half_range >= 2.9 && v.half_range <= 150.1 && v.density >= 1.0 && v.density <= 1000.0,
          "the range or the sampling out of range");
    check(v.dt >= 1e-18L && v.dt <= 2.1e-17L && v.t >= 0.0L && v.t <= 1e-6L,
          "time or time step out of range");
    check(v.sigma >= 0.2 && v.sigma <= 3.0, "the packet's width out of range");
    // A system name with a line feed or '=' in it cannot be written back.
    if (system.find_first_of("\n=") != std::string::npos)
        return 0;
    // The text gives every value in its shortest exact form, so equal texts
    // are equal bits.
    setup_values again = defaults("");
    const std::string text = setup_text(v, true, true);
    check(setup_system(text, again.system, why), "the written text is refused");
    read_setup(text, again);
    check(setup_text(again, true, true) == text, "the written text reads back to other values");
    return 0;
}
