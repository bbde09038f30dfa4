// The stationary state of a particle over a potential that is constant on
// three regions, in closed form.
//
// Region 1 (x < x0, potential V1):      A1 exp(k1 x) + B1 exp(-k1 x)
// Region 2 (x0 <= x <= b, potential V2): A2 exp(k2 x) + B2 exp(-k2 x),
//                                        or A2 x + B2 when k2 is exactly 0
// Region 3 (x > b, potential V3):       A3 exp(i k3 x) + B3 exp(-i k3 x)
// with b = x0 + a. x is the absolute coordinate in every region. k1 and k2
// are real (decay) below the potential and imaginary (oscillation) above
// it; k3 has the opposite convention, so a right-moving wave is exp(k1 x)
// on the left and exp(i k3 x) on the right.
//
// Every formula below follows from continuity of psi and psi' at x0 and
// at b, solved for the coefficients in a fixed order. The order and the
// divisions are kept exactly as they are because the plot and the norm
// depend on which coefficient turns non-finite when a denominator
// vanishes; no division is guarded.
//
// All arithmetic is in double precision; complex division is the scaled
// (Smith) division of common/cplx.h.
#include "engines/three_region/three_region.h"

#include <cmath>

namespace {

// Exponent of one region, 1/internal unit: sqrt(2m * dV) / hbar with dV in
// eV. The internal length unit is defined by this very expression.
cplx wave_number(double dv)
{
    return csqrt_real(TWO_M * dv) / HBAR;
}

} // namespace

incidence solve_stationary(situace& s)
{
    const double E = s.E, V1 = s.V1, V2 = s.V2, V3 = s.V3, a = s.a, x0 = s.x0;
    const double b = x0 + a; // right edge of region 2

    // Note the reversed difference in k3: real where E >= V3.
    s.k1 = wave_number(V1 - E);
    s.k2 = wave_number(V2 - E);
    s.k3 = wave_number(E - V3);
    const cplx k1 = s.k1, k2 = s.k2, k3 = s.k3;

    cplx A1(0.0, 0.0), B1(0.0, 0.0), A2(0.0, 0.0), B2(0.0, 0.0), A3(0.0, 0.0), B3(0.0, 0.0);
    incidence which;

    if (E <= V1 && E < V2 && E <= V3) {
        // Below the potential everywhere: no state, a flat line.
        which = incidence::none;
    } else if (E <= V1 && E > V3) {
        // Only the right side is open: the wave comes in from the right and
        // is totally reflected; region 1 holds the decaying tail.
        which = incidence::from_right;
        B3 = cplx(1.0, 0.0);
        B1 = cplx(0.0, 0.0);
        if (k1 == k2) {
            // V1 = V2: regions 1 and 2 are one region with a single
            // exponential that decays to the left.
            B2 = cplx(0.0, 0.0);
            A2 = cdiv(2.0 * k3 * B3 * std::exp(-(k2 + I_UNIT * k3) * b), k3 + I_UNIT * k2);
            A1 = A2;
            A3 = cdiv((k2 + I_UNIT * k3) * B3 * std::exp(-2.0 * I_UNIT * k3 * b), I_UNIT * k3 - k2);
        } else {
            const cplx D = (k2 + I_UNIT * k3) * (k1 - k2) * std::exp(-k2 * a) +
                           (k2 - I_UNIT * k3) * (k1 + k2) * std::exp(k2 * a);
            B2 = cdiv(2.0 * I_UNIT * k3 * (k1 - k2) * B3 * std::exp(k2 * x0 - I_UNIT * k3 * b), D);
            A2 = cdiv((k1 + k2) * B2 * std::exp(-2.0 * k2 * x0), k2 - k1);
            A1 = cdiv(2.0 * k2 * B2 * std::exp(-(k1 + k2) * x0), k2 - k1);
            A3 = B2 * std::exp(-(k2 + I_UNIT * k3) * b) + A2 * std::exp((k2 - I_UNIT * k3) * b) -
                 B3 * std::exp(-2.0 * I_UNIT * k3 * b);
        }
    } else {
        // The wave comes in from the left (or, in a well, the decaying
        // tail on the left has unit amplitude); nothing comes in from the
        // right.
        which = incidence::from_left;
        A1 = cplx(1.0, 0.0);
        B3 = cplx(0.0, 0.0);
        if (k2 + I_UNIT * k3 == cplx(0.0, 0.0)) {
            // V2 = V3 with E at or below them: regions 2 and 3 are one
            // decaying region, exp(-k2 x) = exp(i k3 x).
            A2 = cplx(0.0, 0.0);
            B1 = cdiv((k1 + k2) * A1 * std::exp(2.0 * k1 * x0), k1 - k2);
            B2 = cdiv(2.0 * k1 * A1 * std::exp((k1 + k2) * x0), k1 - k2);
            A3 = B2;
        } else if (k2 == cplx(0.0, 0.0)) {
            // E = V2: the middle region holds the straight line A2 x + B2.
            A2 = cdiv(2.0 * I_UNIT * k1 * k3 * A1 * std::exp(k1 * x0), k1 + I_UNIT * k3 * (1.0 - k1 * a));
            B2 = cdiv(A2 * (1.0 - I_UNIT * k3 * b), I_UNIT * k3);
            B1 = A1 * std::exp(2.0 * k1 * x0) - cdiv(A2 * std::exp(k1 * x0), k1);
            A3 = cdiv(A2 * std::exp(-I_UNIT * k3 * b), I_UNIT * k3);
        } else {
            const cplx D =
                (k1 - k2) * (k2 - I_UNIT * k3) * std::exp(2.0 * k2 * a) + (k1 + k2) * (k2 + I_UNIT * k3);
            A2 = cdiv(2.0 * k1 * (k2 + I_UNIT * k3) * A1 * std::exp((k1 - k2) * x0), D);
            B2 = cdiv((k2 - I_UNIT * k3) * A2 * std::exp(2.0 * k2 * b), k2 + I_UNIT * k3);
            B1 = A2 * std::exp((k1 + k2) * x0) + B2 * std::exp((k1 - k2) * x0) - A1 * std::exp(2.0 * k1 * x0);
            A3 = cdiv(2.0 * k2 * A2 * std::exp((k2 - I_UNIT * k3) * b), k2 + I_UNIT * k3);
        }
        // A state that decays on both sides (E <= V1, E <= V3, above the
        // floor V2) is real up to one overall factor. Fix that factor's
        // sign so the right-hand tail is never negative: otherwise the
        // drawn shape would flip over as E moves across a bound state.
        if (A3.real() < 0.0 && k3.real() == 0.0 && k2.real() == 0.0 && k1.imag() == 0.0) {
            A1 = -A1;
            B1 = -B1;
            A2 = -A2;
            B2 = -B2;
            A3 = -A3;
            B3 = -B3;
        }
    }

    s.coef[0] = A1;
    s.coef[1] = B1;
    s.coef[2] = A2;
    s.coef[3] = B2;
    s.coef[4] = A3;
    s.coef[5] = B3;
    return which;
}
