// The physical constants and the program's own value of pi, in one place.
//
// Units: energies in eV, times in seconds, masses in kg. With these values
// and lengths in the internal unit (shown as 0.4 nm), sqrt(2m * eV) / hbar
// comes out in reciprocal internal units, so no further conversion factor
// appears anywhere.
#pragma once

#include <complex>

// The program uses this ten-digit pi everywhere (phase steps, angles, the
// infinite well's levels), not the full-precision one: the figures it shows
// are computed with it.
constexpr double PI = 3.141592654;
// Reduced Planck constant, eV*s.
constexpr double HBAR = 6.582119514e-16;
// The particle (electron) mass, kg, and twice it, which is how the kinetic
// term 2m appears in the wave numbers and level energies.
constexpr double MASS = 9.109e-31;
constexpr double TWO_M = 1.8218e-30;
// The internal length unit is shown as this many nanometres.
constexpr double NM_PER_UNIT = 0.4;
// The imaginary unit.
constexpr std::complex<double> I_UNIT(0.0, 1.0);
