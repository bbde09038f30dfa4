// Fuzz target: any bytes as a typed number. Checked on every input, in the
// "C" locale (separator '.'), against the C library's strtod as the
// independent reader:
//  - a refused text leaves the output alone; if strtod reads all of it to
//    a finite value, it is one the typed format leaves out on purpose
//    (leading blanks, or hexadecimal);
//  - an accepted text is finite and is exactly what strtod makes of it;
//  - the number shown for it (15 significant digits) reads back to within
//    the last of those digits.
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/numtext.h"

namespace {

void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "number fuzz: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const double sentinel = 12345.678;
    double out = sentinel;
    const bool accepted = parse_number(text, out);

    char* end = nullptr;
    const double ref = std::strtod(text.c_str(), &end);
    const bool ref_whole = end == text.c_str() + text.size() && !text.empty();

    if (!accepted) {
        check(std::memcmp(&out, &sentinel, sizeof out) == 0, "a refused text changed the output");
        if (ref_whole && std::isfinite(ref))
            check(std::isspace(static_cast<unsigned char>(text[0])) ||
                      text.find_first_of("xX") != std::string::npos,
                  "refused a plain decimal number");
        return 0;
    }
    check(std::isfinite(out), "accepted a non-finite value");
    check(ref_whole, "accepted a text strtod does not read whole");
    check(std::memcmp(&out, &ref, sizeof out) == 0, "value differs from strtod");

    double back = 0.0;
    check(parse_number(fmt_g(out), back), "the shown number does not read back");
    check(std::fabs(back - out) <= std::fabs(out) * 1e-14, "the shown number reads back to another value");
    return 0;
}
