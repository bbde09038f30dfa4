// Complex helpers on std::complex<double> where its behaviour is what the
// physics needs, and our own where it is not: division scaled by the larger
// component of the divisor (std's may use other schemes), and the square
// root of a real number on the principal branch.
#pragma once

#include <complex>

using cplx = std::complex<double>;

// a / b, scaling by the component of b with the larger modulus first (Smith's
// method), so that large or small divisors do not overflow or underflow.
// b = 0 gives non-finite parts, as the plain formulas would.
cplx cdiv(cplx a, cplx b);
// The principal square root of a real number: (sqrt r, 0) for r >= 0,
// (0, sqrt(-r)) for r < 0.
cplx csqrt_real(double r);
// |z|^2 without the square root.
inline double norm2(cplx z)
{
    return z.real() * z.real() + z.imag() * z.imag();
}
