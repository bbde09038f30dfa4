// A Gaussian wave packet running into the three-region potential
// V1 | V2 | V3 (region 1 for x < x0, region 2 for x0 <= x <= x0 + a,
// region 3 beyond): it comes in from the left, splits and leaves.
//
// The packet lives on a uniform grid wider than the view, with a complex
// absorbing layer at each end outside it, and moves by Crank-Nicolson
// steps with the fourth-order (Numerov) correction of the kinetic term.
// What each layer absorbs is counted, so the reflected and transmitted
// probabilities stay whole after the parts have left the view.
//
// Units as everywhere in the program: energies in eV, time in seconds,
// lengths in the internal unit (0.4 nm), wave numbers in 1/unit. The
// Schroedinger equation is
//   i dpsi/dt = (1/HBAR) (-(HBAR^2/TWO_M) psi'' + V psi).
//
// What to expect: the grid and the step are chosen per packet so that a
// free packet keeps its speed and spreading to 1e-3 and the final R and T
// come within 1e-3 of the plane-wave average (measured within 5e-4 over
// random potentials up to 30 eV). A packet whose wave numbers reach down
// to 0 (narrow and slow) keeps a slow remnant that settles only late.
// One frame at the largest time step (0.035 fs) costs about 0.06 ms at the
// default sigma and 0.5 ms at sigma = 0.2 (bench_packet).
//
// Plain records and free functions; nothing here knows the shell or SDL.
#pragma once

#include <complex>
#include <cstddef>
#include <vector>

// Units, the range sigma is held to.
constexpr double PACKET_SIGMA_MIN = 0.2;
constexpr double PACKET_SIGMA_MAX = 3.0;

struct packet_setup {
    double E;  // eV, the packet's energy: its mean wave number is that of region 1 at E
    double V1; // eV, potential for x < x0
    double V2; // eV, potential for x0 <= x <= x0 + a
    double V3; // eV, potential for x > x0 + a
    double a;  // units, width of region 2 (0 allowed: a single step at x0)
    double x0; // units, left edge of region 2
    // Units, standard deviation of |psi|^2 at t = 0; held to 0.2 .. 3.
    double sigma = 0.6;
    // Units, the view spans -half_range .. +half_range; the grid covers it
    // and the packet's start, and the absorbing layers lie outside both.
    double half_range = 5.25;
    // False leaves hard walls at the grid's ends and no absorbing layers:
    // nothing is lost, and the packet comes back from the walls.
    bool absorb = true;
};

struct packet {
    // The grid: node i stands at x_i = x_first + i * dx, the centre of its
    // cell; x0 and x0 + a fall on cell boundaries. (A region 2 narrower
    // than half a cell is kept as its area a (V2 - V3), shared by the two
    // cells either side of x0; the cell right of x0 then counts as region 2.)
    double x_first = 0.0;           // units, the first node's position
    double dx = 0.0;                // units, node spacing
    std::size_t first_middle = 0;   // first node right of x0
    std::size_t first_right = 0;    // first node counted as region 3 (== first_middle when a = 0)
    std::size_t inner_begin = 0;    // first node outside the left absorbing layer
    std::size_t inner_end = 0;      // one past the last node before the right absorbing layer
    std::vector<std::complex<double>> psi;  // 1/sqrt(unit), in the frame turning with E (see e_ref)
    std::vector<double> absorber;           // eV, the layers' absorbing strength W at each node (>= 0)
    std::vector<std::complex<double>> work; // scratch of the step, as long as psi

    // The Crank-Nicolson step A psi(t + dt) = B psi(t), both tridiagonal:
    // B's three diagonals, and A factorised once (Thomas) into the
    // multipliers of the forward sweep and the upper diagonal of the back
    // substitution. Index i is row i; lower[0] and upper[last] are unused.
    std::vector<std::complex<double>> b_lower, b_diag, b_upper;
    std::vector<std::complex<double>> a_lower, a_pivot_inv, a_upper_scaled;

    double e_ref = 0.0;     // eV, the energy the frame turns with (the packet's E): psi carries
                            // exp(+i e_ref t / HBAR) less phase than the true state, which keeps
                            // the step's phase error smallest at the packet's own energy
    double dt = 0.0;        // s, one internal step
    double time = 0.0;      // s, simulated time since the start: steps * dt
    std::size_t steps = 0;  // internal steps made since the start
    double owed = 0.0;      // s, time asked for but not yet stepped (less than dt)
    double absorbed_left = 0.0;  // probability removed so far by the left layer
    double absorbed_right = 0.0; // probability removed so far by the right layer
    packet_setup setup{};   // what the packet was started with (sigma as held to its range)
    bool running = false;   // false until a start succeeds; the functions below do nothing then
};

// Places the packet at t = 0: |psi|^2 Gaussian with standard deviation
// sigma, centred at x0 - 4 sigma, mean wave number
// k0 = sqrt(TWO_M (E - V1)) / HBAR, normalised on the grid. Chooses the
// grid, the layers and the step from sigma, k0 and the potential, and
// factorises the step. False, with p.running false and one line on stderr
// for anything but E <= V1, when nothing can travel in from the left
// (E <= V1), a value is not finite, or the grid would be unreasonably large.
bool packet_start(packet& p, const packet_setup& s);

// Moves on by `seconds`: as many whole internal steps as fit in it plus
// what earlier calls left over; the rest is kept for the next call. A
// negative or non-finite request does nothing; one that would need more
// than PACKET_MAX_STEPS_PER_CALL steps makes that many and drops the rest
// (one line on stderr), so a wild request never hangs the program.
void packet_advance(packet& p, double seconds);
constexpr std::size_t PACKET_MAX_STEPS_PER_CALL = 20000;

struct packet_readout {
    double R;      // P(x < x0) on the grid + absorbed on the left
    double T;      // P(x > x0 + a) on the grid + absorbed on the right
    double norm;   // probability still on the grid (R + T + P(region 2) is 1 up to rounding)
    // Of the probability still on the grid (0 when none is left):
    double mean_x;        // units, <x>
    double spread_x;      // units, sqrt(<x^2> - <x>^2)
    double mean_p_over_m; // units/s, <p>/m, the speed of <x> by Ehrenfest's theorem
};
packet_readout packet_measure(const packet& p);

// psi at x (1/sqrt(unit)), with its true phase (the frame's turning put
// back), by four-point interpolation between nodes; 0 outside the grid or
// before a successful start.
std::complex<double> packet_psi(const packet& p, double x);
// The same in two factors, for sampling many x at one time: psi in the
// frame turning with e_ref, and that frame's phase, the same for every x.
std::complex<double> packet_psi_in_frame(const packet& p, double x);
std::complex<double> packet_phase(const packet& p);

// The plane-wave transmission and reflection of the three-region potential
// for a wave of energy E (eV) coming in from the left with A1 = 1:
// T = (Re k3 / k1) |A3|^2, R = |B1|^2. Both 0 when E <= V1 (nothing comes
// in); T = 0 when E <= V3.
struct plane_wave_rt {
    double R, T;
};
plane_wave_rt plane_wave_transmission(double E, double V1, double V2, double V3, double a);

// The transmission the packet ends with: the integral of |phi(k)|^2 T(k)
// over the packet's wave numbers (Gaussian about k0 with standard
// deviation 1/(2 sigma); components with k <= 0 never reach the barrier).
// 0 when E <= V1. The expected reflection is 1 minus this.
double packet_expected_transmission(const packet_setup& s);

// eV, the standard deviation of the initial packet's kinetic energy in
// region 1, for the band E +- dE on the energy diagram.
double packet_energy_spread(const packet_setup& s);
