// The oscillator's physics: energies, the potential, the turning points,
// the stationary states and their time phases, the step procedure and the
// energy-level list.
//
// Stationary state n, with xi = x sqrt(m w / hbar) (x in internal units):
//   psi_n(x) = (m w / (pi hbar))^(1/4) H_n(xi) exp(-xi^2 / 2) / sqrt(2^n n!),
// normalised over x in internal units. Rather than the Hermite polynomial,
// its factorial and powers at every position, the sampler runs the same
// functions through their normalised recurrence
//   psi_(n+1) = sqrt(2 / (n + 1)) xi psi_n - sqrt(n / (n + 1)) psi_(n-1),
// which starts from the Gaussian psi_0 and never forms the large H_n or
// n!, so one exponential per position serves every state.
//
// Relies on: the shared bound-state step and level list
// (engines/bound_state), the constants of common/constants.h and the number
// text of common/numtext.h.
#include <algorithm>
#include <cmath>

#include "common/constants.h"
#include "common/numtext.h"
#include "engines/bound_state/bound_state.h"
#include "engines/oscillator/oscillator.h"

namespace {

// pi hbar, eV s: in the normalisation (m w / (pi hbar))^(1/4).
constexpr double PI_HBAR = 2.067833831293245e-15;
// m / 2, kg: in the potential (m/2)(w x)^2.
constexpr double HALF_MASS = 4.5545e-31;
// 100 hbar, eV s: energies in hundredths of an eV for the list.
constexpr double HUNDRED_HBAR = 6.582119514e-14;
// hbar * 7.5e15, eV: the energy ceiling at a half range of 3 units.
constexpr double CEILING_AT_3 = 4.9365896355;

// Positions are evaluated in blocks of this many, so the block's working
// arrays stay on the stack and in the first-level cache.
constexpr size_t BLOCK = 256;

// E_n in hundredths of an eV, rounded, as the list shows it: n is the
// selector value or the state number.
double energy_hundredths(const situace& s, double n)
{
    return round_even(s.a * HUNDRED_HBAR * (round_even(n) + 0.5)) / 100.0;
}

// The oscillator numbers its states from 0; state n is in coef[n + 5],
// shown in box "C" + n.
const bound_kind OSCILLATOR_KIND{0, FIRST_COEF, energy_hundredths};

// The coherent state of key K: its amplitude alpha (real, so it starts at
// rest at its turning point).
constexpr double PACKET_ALPHA = 2.0;

// x and x^2 between stationary states, in units of the oscillator length
// b = sqrt(hbar / (m w)) (the parameter p is b): with the ladder operators,
// x = b (a + a^+) / sqrt 2, so <n-1|x|n> = b sqrt(n/2), and <n|x^2|n> =
// b^2 (n + 1/2), <n|x^2|n+2> = b^2 sqrt((n+1)(n+2)) / 2; all others vanish.
double oscillator_x(int m, int n, double b)
{
    if (std::abs(m - n) != 1)
        return 0.0;
    return b * std::sqrt(0.5 * std::max(m, n));
}

double oscillator_x2(int m, int n, double b)
{
    if (m == n)
        return b * b * (n + 0.5);
    if (std::abs(m - n) != 2)
        return 0.0;
    const int low = std::min(m, n);
    return 0.5 * b * b * std::sqrt(static_cast<double>(low + 1) * (low + 2));
}

// One step of the recurrence over a block: `older` holds psi_(n-1) and is
// overwritten with psi_(n+1) = rise xi psi_n - fall psi_(n-1), which is
// added to the sum (re, im) with the weight (wr, wi).
void next_state(const double* __restrict xi, const double* __restrict cur, double* __restrict older,
                double rise, double fall, double wr, double wi, double* __restrict re, double* __restrict im)
{
    for (size_t j = 0; j < BLOCK; ++j) {
        const double next = rise * xi[j] * cur[j] - fall * older[j];
        older[j] = next;
        re[j] += wr * next;
        im[j] += wi * next;
    }
}

std::u16string widen(const std::string& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

void put_utf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

double oscillator_ceiling(double half_range)
{
    return CEILING_AT_3 * half_range / 3.0;
}

double oscillator_ceiling_rate(double half_range)
{
    return half_range * 7.5e15 / 3.0;
}

double level_energy(double omega, double n)
{
    return HBAR * omega * (n + 0.5);
}

double oscillator_potential(double omega, double x)
{
    const double wx = omega * x;
    return HALF_MASS * (wx * wx);
}

double turning_point(double omega, double n)
{
    return std::sqrt((2.0 * n + 1.0) * HBAR / (MASS * omega));
}

int selected_state(const situace& s)
{
    if (!(s.E > -1.0))
        return -1;
    const double n = round_even(s.E);
    if (!(n >= 0.0 && n <= OSC_MAX_STATE))
        return -1;
    return static_cast<int>(n);
}

cplx phase_factor(double omega, int n, double t)
{
    const double angle = -omega * (n + 0.5) * t;
    return cplx(std::cos(angle), std::sin(angle));
}

void oscillator_wave(const situace& s, double t, const double* x, size_t count, cplx* psi)
{
    const double omega = s.a;
    // The weight of each state in the sum: its coefficient times its phase
    // factor (a pure state has unit weight), for states 0 .. top.
    cplx weight[OSC_MAX_STATE + 1];
    int top;
    if (s.E > -1.0) {
        top = selected_state(s);
        if (top < 0) {
            std::fill(psi, psi + count, cplx(0.0, 0.0));
            return;
        }
        std::fill(weight, weight + top, cplx(0.0, 0.0));
        weight[top] = phase_factor(omega, top, t);
    } else {
        top = 0;
        for (int n = 0; n < COEF_COUNT; ++n) {
            const cplx c = s.coef[FIRST_COEF + n];
            weight[n] = c == cplx(0.0, 0.0) ? c : c * phase_factor(omega, n, t);
            if (weight[n] != cplx(0.0, 0.0))
                top = n;
        }
    }
    // The recurrence's factors sqrt(2 / (n + 1)) and sqrt(n / (n + 1)).
    double rise[OSC_MAX_STATE], fall[OSC_MAX_STATE];
    for (int n = 0; n < top; ++n) {
        rise[n] = std::sqrt(2.0 / (n + 1));
        fall[n] = std::sqrt(static_cast<double>(n) / (n + 1));
    }
    // xi per internal unit (1.17639 at w = 1e15) and psi_0 at the centre.
    const double scale = std::sqrt(MASS * omega / HBAR);
    const double peak = std::pow(MASS * omega / PI_HBAR, 0.25);

    // Every block is worked in full (a short last block is padded with the
    // centre), so each inner loop runs a fixed BLOCK times and the compiler
    // can work it several positions at a time. Two arrays take turns
    // holding psi_(n-1) and psi_n: the next state overwrites the older.
    double xi[BLOCK], even[BLOCK], odd[BLOCK], re[BLOCK], im[BLOCK];
    for (size_t base = 0; base < count; base += BLOCK) {
        const size_t m = std::min(BLOCK, count - base);
        for (size_t j = 0; j < BLOCK; ++j)
            xi[j] = j < m ? x[base + j] * scale : 0.0;
        const double w0r = weight[0].real(), w0i = weight[0].imag();
        for (size_t j = 0; j < BLOCK; ++j) {
            even[j] = peak * std::exp(-0.5 * (xi[j] * xi[j]));
            odd[j] = 0.0;
            re[j] = w0r * even[j];
            im[j] = w0i * even[j];
        }
        for (int n = 0; n < top; ++n) {
            // State n is in `even` for even n, in `odd` for odd n.
            const double wr = weight[n + 1].real(), wi = weight[n + 1].imag();
            if (n % 2 == 0)
                next_state(xi, even, odd, rise[n], fall[n], wr, wi, re, im);
            else
                next_state(xi, odd, even, rise[n], fall[n], wr, wi, re, im);
        }
        for (size_t j = 0; j < m; ++j)
            psi[base + j] = cplx(re[j], im[j]);
    }
}

bool oscillator_expectation(const situace& s, double t, expectation_values& out)
{
    const double omega = s.a;
    if (!(omega > 0.0))
        return false;
    state_mix mix;
    if (s.E > -1.0) {
        const int n = selected_state(s);
        if (n >= 0)
            mix.add(n, cplx(1.0, 0.0), level_energy(omega, n));
    } else {
        for (int n = 0; n < COEF_COUNT; ++n)
            mix.add(n, s.coef[FIRST_COEF + n] * phase_factor(omega, n, t), level_energy(omega, n));
    }
    const double b = std::sqrt(HBAR / (MASS * omega));
    return mix_expectation(mix, oscillator_x, oscillator_x2, b, out);
}

cplx oscillator_box_phase(const situace& s, int box, long double t)
{
    return phase_factor(s.a, box, static_cast<double>(t));
}

void oscillator_packet(situace& s)
{
    // c_n = alpha^n / sqrt(n!), formed step by step: c_(n+1) = c_n alpha /
    // sqrt(n + 1). The common factor exp(-alpha^2 / 2) goes with the norm.
    double c[COEF_COUNT];
    double norm = 0.0;
    c[0] = 1.0;
    for (int n = 0; n < COEF_COUNT; ++n) {
        if (n > 0)
            c[n] = c[n - 1] * PACKET_ALPHA / std::sqrt(static_cast<double>(n));
        norm += c[n] * c[n];
    }
    s.E = -1.0;
    for (int n = 0; n < COEF_COUNT; ++n)
        s.coef[FIRST_COEF + n] = cplx(c[n] / std::sqrt(norm), 0.0);
}

void oscillator_step(situace& s, konfig& k)
{
    bound_step(s, k, OSCILLATOR_KIND);
    s.V1 = oscillator_ceiling(k.half_range);
}

std::string oscillator_list(const situace& s)
{
    // "w = 1 fs^-1": w in reciprocal femtoseconds.
    const std::u16string header = u"\u03C9 = " + widen(fmt_g(s.a * 1e-15)) + u" fs" + u"\u207B" + u"\u00B9";
    return level_list(s, OSCILLATOR_KIND, utf8_of(header) + "\n");
}

std::string utf8_of(const std::u16string& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        const bool high = c >= 0xD800 && c < 0xDC00;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (c >= 0xD800 && c < 0xE000)
            c = 0xFFFD; // a lone surrogate
        put_utf8(out, c);
    }
    return out;
}
