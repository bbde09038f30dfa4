// A set-up as a file: a small text a teacher can read and edit, holding
// what is on screen (the system, its parameters, the superposition's
// coefficients, the plotted range, the display switches, the time and the
// packet). The first line names the format and its version; then one
// "key=value" a line. Numbers are written in C-locale text that reads back
// to the same bits, whatever the user's decimal separator.
//
// Reading is defensive: unknown keys and lines are skipped, a missing or
// unreadable value keeps the default the caller put in, a value out of
// range is held to it, and nothing that is not a finite number gets in.
// This file knows no engine: each engine holds its own parameters to the
// ranges its controls keep (system_record::clamp).
#pragma once

#include <cstddef>
#include <string>

#include "engines/engine.h"

// A larger file is no set-up (one is about 600 bytes).
constexpr size_t SETUP_MAX_BYTES = 64 * 1024;
// The first line, followed by the format's version.
inline constexpr const char* SETUP_MAGIC = "Vlnkar set-up ";
constexpr int SETUP_VERSION = 1;
// The ending of a set-up's file name.
inline constexpr const char* SETUP_EXTENSION = ".vlnkar";

struct setup_values {
    std::string system; // "volna", "bariera", ...
    // The parameters, as situace holds them (see engine.h).
    double E, V1, V2, V3, a, x0;
    cplx coef[COEF_COUNT]; // the superposition's C[0] .. C[9]
    double half_range;     // internal units
    double density;        // samples per internal unit
    long double t;         // s
    long double dt;        // s per tick
    bool reim_mode, show_re, show_im, show_labels, show_square, show_arrows;
    bool packet;  // the three-region systems' wave packet is wanted
    double sigma; // the packet's width, internal units
};

// The file's text. The coefficients are written only for the systems with
// a superposition panel, the packet only for those with a packet.
std::string setup_text(const setup_values& v, bool coefficients, bool packet);

// Whether `bytes` are a set-up: the first line names the format, and a
// "system" line names a system (which one is the caller's business).
// False, with a clause saying why in `why` ("it is not a set-up"), when
// not.
bool setup_system(const std::string& bytes, std::string& system, std::string& why);

// Reads every value the file gives into v, which holds the defaults. The
// view is held to the ranges its controls keep: the half range 2.9 ..
// 150.1 units, the samples per unit 1 .. 1000, the time step 1e-18 ..
// 2.1e-17 s, the time 0 .. 1e-6 s, each part of a coefficient -9999 ..
// 9999 (as typed into a box), sigma to the packet's range.
void read_setup(const std::string& bytes, setup_values& v);
