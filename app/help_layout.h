// Layout of the help overlay: where each of its texts goes, measured with
// the font it is drawn in, so that all of it stays inside the window.
// Used by the help drawing (app/help.cpp) and by the tests.
#pragma once

#include <string>
#include <vector>

#include "app/help.h"

// Text sizes, in points of the font (12 points is scale 1).
constexpr int HELP_LARGEST_POINTS = 12;
constexpr int HELP_SMALLEST_POINTS = 6;
// Distance of every help text's box from the window's edges, pixels.
constexpr float HELP_EDGE = 4.0f;

// Colours (0xRRGGBB): light texts on a dark blue-grey panel that lets the
// plot show through faintly, the keys in the yellow of the panel button's
// sigma, the topics in light blue.
constexpr uint32_t HELP_TITLE_COLOUR = 0xFFFFFF;
constexpr uint32_t HELP_HEADING_COLOUR = 0x8CC8FF;
constexpr uint32_t HELP_KEY_COLOUR = 0xFFD24A;
constexpr uint32_t HELP_TEXT_COLOUR = 0xE6E6E6;
constexpr uint32_t HELP_PANEL_COLOUR = 0x10151E;
constexpr uint32_t HELP_BORDER_COLOUR = 0x6A7F99;

// A text placed by a layout, drawn with text_DrawEx at its top left (x, y);
// w and h are its measured size.
struct help_text_box {
    float x, y, w, h;
    float scale;
    uint32_t colour; // 0xRRGGBB
    std::string text;
};

struct help_overlay {
    zgl_rect panel;                   // the dark panel behind the texts
    std::vector<help_text_box> texts; // title, headings, keys and their texts
};

// The overlay as last laid out, and what it was laid out for: the layout
// measures hundreds of texts, so it is made again only when the lines, the
// window or the controls' places change.
struct help_overlay_cache {
    std::vector<help_line> lines;  // the lines laid out
    std::vector<float> places;     // x, y, w, h of every visible control then
    int width = 0, height = 0;     // the window then, pixels
    zgl_font* measured_with = nullptr;
    bool fits = false;             // whether the lines fitted at all
    help_overlay lay;              // where everything stands
};

// Lays out `lines` for a window of k.width x k.height with the controls of
// k. It tries, in this order, until everything fits: the plot between the
// button columns and below the listing and an open superposition panel,
// from 12 down to 9 points, first with every entry on one line, then with
// long ones wrapped; then the whole window from 12 down to 6 points, the
// same way. In each, two columns are tried first, then one, then three.
// False when nothing fits (no window the program opens is that small).
bool help_lay_out_overlay(const konfig& k, const std::vector<help_line>& lines, zgl_font* f,
                          help_overlay& out);
