// The packet mode of the three-region systems: instead of the stationary
// state, a Gaussian packet comes in from the left at the energy E, meets
// the potential, splits and leaves, on the same potentials, controls and
// picture. The packet itself is engines/packet/; this is what the engine
// keeps of it between ticks (in situace::kept) and how it follows the
// controls, the clock and the plot.
#pragma once

#include <string>

#include "engines/packet/packet.h"
#include "engines/three_region/three_region.h"

struct packet_mode {
    bool wanted = false; // W or the packet button: shown whenever a wave can come in from the left
    double sigma = 0.6;  // units, the width the next start takes
    packet p;            // running while shown
    // Taken when the packet starts and kept while it runs, so that its
    // spreading and splitting show on a fixed scale: the largest |psi|^2
    // and |psi| (1/unit and 1/sqrt(unit)).
    double peak_density = 0.0, peak_part = 0.0;
    double expected_T = 0.0; // the transmission the packet will end with
    double energy_spread = 0.0; // eV, its energies' standard deviation
};

// The mode the engine keeps in s, or null when it keeps none.
packet_mode* packet_mode_of(const situace& s);
// The packet when one is on screen (wanted, and started), else null.
const packet_mode* shown_packet(const situace& s);

// Whether the packet mode is wanted (W or the button turned it on), shown
// or not: the packet button's state.
bool three_region_packet_on(const situace& s);
// W and the packet button: the mode on or off; on, time starts again at 0.
void packet_toggle(situace& s, konfig& k);
// [ and ]: the width multiplied by `factor`, held to 0.2 .. 3 units.
void packet_widen(situace& s, double factor);
// Run by the step: starts the packet again (at t = 0) when it is wanted and
// anything it was started with changed, or the clock went back past it;
// stops it when no wave can come in.
void packet_follow(situace& s, konfig& k);
// Once per tick while time runs: the packet moves on to the clock's time.
void three_region_advance(situace& s, const konfig& k);

// For the plot: psi of the packet and its scales on the plot of height
// `baseline` (pixels from the top to the zero line).
wave_source packet_wave(const packet_mode& m, double baseline);
// The listing in packet mode: the reflected and transmitted shares so far,
// and the transmission the packet will end with.
std::string packet_listing(const packet_mode& m);
// The one line the listing gives when the mode is wanted but no wave can
// come in from the left (E at or below V1); "" otherwise.
std::string packet_blocked_line(const situace& s);
