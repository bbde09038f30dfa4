// The contract between the shell and the engines. The three records every
// part of the program shares: konfig (window, view and display settings,
// the control list), situace (the system on screen: its parameters,
// coefficients, the procedures of the engine that runs it, and the
// listing) and control (one on-screen control, a node of a singly linked
// list); and system_record, all the shell knows of one system. Exactly one
// konfig and one situace exist, owned by the shell for the whole run;
// engines keep all their state in them, so switching systems simply
// overwrites it. This header declares types only: engines receive the
// records as arguments, never as globals.
//
// Units: energies in eV, times in seconds, lengths in the internal unit
// (shown as 0.4 nm), angular frequencies in rad/s.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "common/cplx.h"
#include "platform/zgl.h"

struct control;
struct system_record;

struct konfig {
    int32_t width;      // window width, pixels (from config.ini)
    int32_t height;     // window height, pixels (from config.ini)
    int32_t drag_x;     // mouse x where the current left press began; 0 with drag_y 0 = none recorded
    int32_t drag_y;     // mouse y of that press
    double density;     // samples per internal length unit when the engines sample psi
    double half_range;  // the plot spans -half_range .. +half_range (internal units) between x = 50 and width
                        // - 50
    double norm_window; // three-region step: length of the stretch of the incoming side that the norm
                        // integrates (3 or 6 units)
    long double dt;     // simulated seconds added to t per 10 ms tick while time runs; 1e-18 .. 2.1e-17
    long double t;      // simulated time, seconds
    bool show_labels;   // value and length labels of the plot
    bool show_square;   // unit-area square in density mode
    bool reim_mode;     // real and/or imaginary part instead of the probability density
    bool show_re;       // real part (in reim_mode)
    bool show_im;       // imaginary part (in reim_mode)
    bool running;       // time runs
    bool random_walk;   // layout and step run every tick; bound-state engines jiggle their coefficients
    bool fullscreen;    // full-screen mode
    bool show_arrows;   // slope arrows at the region boundaries
    std::string system; // start-up system: "volna", "bariera", "jama", "jama_inf" or "oscilator"
    control* controls;  // head of the control list, owned through this field; null when none
    zgl_texture* arrow_texture; // "sipka.png" for the slope arrows; may be null
    // Key X: the marker of <x> and dx on the plot and the expectation
    // values in the listing, in the systems whose record has them.
    bool show_expectation;
};

struct situace;

// The procedures of an engine. draw only reads konfig and layout only
// reads situace; both get them as const references.
using draw_proc_t = void (*)(situace& s, const konfig& k, zgl_font* font);
using input_proc_t = void (*)(situace& s, konfig& k, control* hit, bool& changed);
using step_proc_t = void (*)(situace& s, konfig& k);
using layout_proc_t = void (*)(const situace& s, konfig& k);
using advance_proc_t = void (*)(situace& s, const konfig& k);

struct situace {
    double
        E; // three-region: energy, eV; bound-state engines: the selected state n, or -1 for a superposition
    double V1; // three-region: potential left of the middle region, eV; oscillator: the energy ceiling, which
               // its step computes from the range
    double V2; // three-region: potential of the middle region, eV; infinite well: the energy ceiling
    double V3; // three-region: potential right of the middle region, eV
    double a;  // three-region: width of the middle region, internal units
    double x0; // three-region: left edge of the middle region, internal units
    // Three-region: elements 0..5 are A1, B1, A2, B2, A3, B3.
    // Bound-state engines: elements 5..14 are the superposition coefficients
    // C[0]..C[9] (C[j] is element j + 5).
    cplx coef[101];
    cplx N;               // three-region: the norm integral; its real part scales the plot
    cplx k1;              // three-region: exponent of region 1, 1/internal unit
    cplx k2;              // three-region: exponent of region 2
    cplx k3;              // three-region: exponent of region 3 (note its reversed convention)
    draw_proc_t draw;     // paints the plot and rebuilds text; once per frame
    input_proc_t input;   // the tick's input when no shell rule acted
    step_proc_t step;     // recomputes the state after any change
    layout_proc_t layout; // places the engine's controls; always right before step
    // Once per tick while time runs, after the shell has advanced t; null
    // for engines whose picture follows from t alone.
    advance_proc_t advance;
    std::string text; // the listing, UTF-8, rebuilt by draw every frame
    // What an engine keeps from one tick to the next beyond the fields
    // above (a grid that time moves on), dropped when another system is
    // chosen; null for engines that keep nothing. Whoever changes it bumps
    // kept_version, which is part of what a frame is drawn from.
    std::shared_ptr<void> kept;
    uint64_t kept_version;
    const system_record* system; // the system on screen, as chosen by name; null before any
};

// The superposition panel's coefficients: C[j] is coef[FIRST_COEF + j] for
// j = 0 .. COEF_COUNT - 1.
constexpr int FIRST_COEF = 5;
constexpr int COEF_COUNT = 10;

struct control {
    std::string name;     // at most 10 characters: "tl_sup", "C3", "vypis", ...
    zgl_texture* texture; // picture drawn over rect; null for panels and regions (or a missing picture)
    zgl_rect rect;        // where the picture is drawn and the mouse hits the control
    zgl_rect hover_rect;  // filled while the mouse is over the control
    uint8_t hover_alpha;  // opacity of that fill, 0..255
    uint32_t hover_color; // 0xRRGGBB
    bool visible;         // drawn and found by the hit test only when true
    bool active;          // "vypis": listing expanded; "tl_sup": panel open; false for all others
    control* next;        // next control, null at the end
};

// One sample of the plotted wave, as the engine's draw takes it: the
// position on the plot's axis (internal units, 0 in the middle of the
// plot), the potential there (eV; +infinity beyond a wall) and psi as it
// is drawn (1/sqrt(internal unit), the time phase included).
struct wave_sample {
    double x;
    double V;
    cplx psi;
};
// Every sample the engine's draw would plot for this situace and view, in
// order, into `out` (replacing what it held).
using sample_proc_t = void (*)(const situace& s, const konfig& k, std::vector<wave_sample>& out);
// Brings parameters that came from elsewhere than the controls (a set-up
// file) into the ranges the engine's controls keep them in; values no
// control changes go back to the system's defaults.
using clamp_proc_t = void (*)(situace& s, const konfig& k);

// One line of a system's help: the key and what it does, as written in the
// message catalogue's source language (the shell translates both).
struct help_entry {
    const char* key;
    const char* text;
};

// All the shell knows of one system, kept beside its engine: adding a
// system is one record and one folder.
struct system_record {
    const char* name;   // as chosen in config.ini: "volna", "bariera", ...
    const char* button; // its button on the left edge, "tl_def", ...
    const char* picture; // the button's picture in the archive
    const char* tooltip; // the button's tooltip, catalogue source text
    // The defaults written into situace when the system is chosen. Their
    // meaning is the engine's: for the three-region systems E, V1..V3 are eV
    // and a, x0 internal length units; for the bound-state systems E is the
    // selected state n, V1 or V2 the energy ceiling (eV), and a the well
    // width (internal units) or the oscillator's angular frequency (rad/s).
    double E, V1, V2, V3, a, x0;
    cplx coef0; // element 0 of coef: A1 for the three-region engine
    draw_proc_t draw;
    input_proc_t input;
    step_proc_t step;
    layout_proc_t layout;
    advance_proc_t advance; // null: nothing to move on per tick
    bool strips;            // shows the potential strips "V1" .. "V3"
    bool panel;             // shows the superposition button "tl_sup" and its panel
    bool packet;            // shows the packet button "tl_pkt"
    // The help overlay's lines for this system: what the display keys do
    // in it, then a section of its own (a heading, null key, first).
    std::span<const help_entry> display_help;
    std::span<const help_entry> help;
    sample_proc_t sample; // the plotted samples, for the data export
    clamp_proc_t clamp;   // parameters read from a file into range
    // Whether the system shows expectation values: key X toggles their
    // marker and listing lines only where this is set.
    bool expectation = false;
    // The phase factor exp(-i E_n t / hbar) at time t (s) of the state whose
    // coefficient panel box j (0 .. 9) shows: the boxes show each
    // coefficient turned by it. Null where the coefficients do not turn.
    cplx (*box_phase)(const situace& s, int box, long double t) = nullptr;
    // Key K: writes a localized packet into the panel's coefficients as a
    // superposition (E = -1). Null where K does nothing.
    void (*packet_preset)(situace& s) = nullptr;
    // Where the system has expectation values, when not everywhere: null
    // for everywhere.
    bool (*expectation_here)(const situace& s) = nullptr;
    // Whether the packet button shows as on: the system's packet mode is
    // wanted. Null where the system has no packet mode.
    bool (*packet_on)(const situace& s) = nullptr;
};
