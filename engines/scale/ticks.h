// The choice of a scale's ticks: a step of 1, 2 or 5 times a power of ten,
// the multiples of it within the shown values, and which of them carry a
// label. The labels must not touch one another nor leave the room they are
// given, and between 4 and 10 of them should show, so that a reader can
// take any position or energy off the plot at a glance.
//
// Plain arithmetic on the values and on label sizes in pixels; the drawing
// is scale.h's.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

// Where a label lies along its axis, from `before` to `after` pixels
// relative to its tick (screen coordinates, so before < after).
struct label_span {
    double before, after;
};

// One axis of the plot.
struct tick_axis {
    double lo, hi;           // the values shown (nm or eV), lo < hi
    double origin, per;      // the tick of value v lies at origin + per * v, pixels
    double room_lo, room_hi; // every label lies within these, pixels
    double gap;              // the least space between two labels, pixels
    // Stretches of the axis (from, to pixels) where other texts stand: no
    // label reaches into one.
    std::vector<std::pair<double, double>> blocked;
};

struct tick {
    double value;     // a multiple of the step, within lo .. hi
    double at;        // its screen position, pixels
    std::string text; // its label, e.g. "−0.5 nm"
    bool labelled;    // whether the label is drawn (it fits the room, clear of other texts)
};

struct tick_choice {
    double step = 0.0;       // 0: no scale (an empty or broken range)
    std::vector<tick> ticks; // in increasing value
    int labelled = 0;        // how many ticks carry their label
};

// The text of a tick: the number as every figure of the program is written
// (fmt_g, the regional decimal separator), a true minus sign, a space and
// the unit: "1 nm", "−0.5 nm", "2 eV".
std::string scale_label(double value, const char* unit);

// The ticks of the axis: the smallest step whose labels fit without
// touching, with 4 to 7 labels (a calm scale), else 4 to 10; if the room is
// too small even for 4, the step with the most labels that fit. `measure`
// gives a label's span from its text.
tick_choice choose_ticks(const tick_axis& axis, const char* unit,
                         const std::function<label_span(const std::string&)>& measure);
