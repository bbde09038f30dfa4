// Complex helpers: the scaled division and the real square root.
#include "common/cplx.h"

#include <cmath>

cplx cdiv(cplx a, cplx b)
{
    // Smith's method: divide through by the larger component of b first so
    // the intermediate products stay in range.
    const double br = b.real(), bi = b.imag();
    if (std::fabs(br) >= std::fabs(bi)) {
        const double r = bi / br;
        const double d = br + bi * r;
        return {(a.real() + a.imag() * r) / d, (a.imag() - a.real() * r) / d};
    }
    const double r = br / bi;
    const double d = bi + br * r;
    return {(a.real() * r + a.imag()) / d, (a.imag() * r - a.real()) / d};
}

cplx csqrt_real(double r)
{
    if (r >= 0.0)
        return {std::sqrt(r), 0.0};
    return {0.0, std::sqrt(-r)};
}
