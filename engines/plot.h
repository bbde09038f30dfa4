// Curves and level lines as every engine's plot draws them: a curve is
// gathered point by point, thinned to what the screen can show (at most one
// vertex per pixel column, keeping every colour border and every extreme of
// a column, so peaks are not cut), and then drawn one stroke at a time: all
// of one pixel row of the curve, then the next row of the same curve. Each
// stroke goes out as segments that continue one another in one colour, which
// the graphics layer sends as one polyline; a segment per sample, pixel row
// after pixel row interleaved, would cost thousands of separate lines a
// frame for the same picture.
//
// Relies on: the drawing calls of platform/zgl.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/zgl.h"

// A coordinate the graphics layer can take: finite and within float range
// (a larger double would not convert to float at all).
bool plot_drawable(double v);
// A one-pixel line, left out when an end cannot be drawn (a sample whose
// value overflowed, for instance).
void plot_line(double x1, double y1, double x2, double y2, uint32_t colour, uint8_t alpha = 255);
// A text at (x, y) with text_Draw's flags, left out when the point cannot
// be drawn.
void plot_text(zgl_font* font, double x, double y, const std::string& text, uint32_t flags);

// A curve of points in screen pixels. The segment ending at point j (j >= 1)
// joins point j - 1 to point j, in the colour given with point j; it is
// drawn when it was wanted and both its ends can be drawn.
struct plot_point {
    double y;        // screen y on the curve's first row, pixels
    float x;         // screen x, pixels (increasing along the curve), as drawn
    uint32_t colour; // colour of the segment ending here, 0xRRGGBB
    bool drawn;      // the segment ending here is drawn
    bool drawable;   // the point can be drawn at all
};

struct plot_curve {
    std::vector<plot_point> points;
    std::vector<uint32_t> vertex; // the points the strokes join, after thin()

    void clear();
    void reserve(size_t n) { points.reserve(n); }
    // Appends a point. `wanted`: whether the segment ending here should be
    // drawn (ignored for the first point, which ends no segment).
    void add(double sx, double sy, uint32_t colour, bool wanted = true);
    size_t size() const { return points.size(); }

    // Chooses the vertices: every point whose segments differ in colour or
    // in being drawn, the first and last point, the points in `breaks`
    // (where the strokes will be cut to draw something between their
    // pieces), and within each pixel column of the remaining points one:
    // its peak or its trough where the curve turns inside the column (both
    // where it turns both ways), else the point nearest the column's middle.
    // Points on a horizontal run between two vertices at the same height
    // are left out too: the run is one line.
    void thin(const std::vector<size_t>& breaks = {});
};

// One stroke: the curve's segments between its points `from` and `to`
// (vertices; the default is the whole curve), shifted down by `row`
// pixels, through the vertices chosen by thin().
void plot_stroke(const plot_curve& c, double row, size_t from = 0, size_t to = SIZE_MAX);

// A horizontal line (an energy level, a potential step): `rows` pixel rows
// thick, the lowest at y, the others above it.
struct plot_level {
    double x1, x2, y; // pixels
    uint32_t colour;  // 0xRRGGBB
    uint8_t alpha;    // 0..255
    int rows;         // 1 or 2
};
// The lines row by row, in their order: first the top row of every line
// that has one that high, down to the lowest row of every line. A line with
// an end that cannot be drawn is left out.
void plot_levels(const std::vector<plot_level>& levels);
