// Thinning and stroking of the plots' curves, and level lines row by row
// (see plot.h for why).
#include "engines/plot.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "platform/zgl.h"

bool plot_drawable(double v)
{
    return std::isfinite(v) && std::fabs(v) <= static_cast<double>(FLT_MAX);
}

void plot_line(double x1, double y1, double x2, double y2, uint32_t colour, uint8_t alpha)
{
    if (!plot_drawable(x1) || !plot_drawable(y1) || !plot_drawable(x2) || !plot_drawable(y2))
        return;
    pr2d_Line(static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2), static_cast<float>(y2),
              colour, alpha, 0);
}

void plot_text(zgl_font* font, double x, double y, const std::string& text, uint32_t flags)
{
    if (!plot_drawable(x) || !plot_drawable(y))
        return;
    text_Draw(font, static_cast<float>(x), static_cast<float>(y), text, flags);
}

void plot_curve::clear()
{
    points.clear();
    vertex.clear();
}

void plot_curve::add(double sx, double sy, uint32_t colour, bool wanted)
{
    const bool ok = plot_drawable(sx) && plot_drawable(sy);
    const bool joined = wanted && ok && !points.empty() && points.back().drawable;
    points.push_back({ok ? sy : 0.0, ok ? static_cast<float>(sx) : 0.0f, colour, joined, ok});
}

void plot_curve::thin(const std::vector<size_t>& breaks)
{
    const size_t n = size();
    vertex.clear();
    if (n == 0)
        return;
    const plot_point* p = points.data();
    // Points that must be vertices: the ends, the breaks, and every point
    // between two segments that differ in colour or in being drawn (a
    // region border, a gap), so that all segments between two vertices are
    // alike.
    std::vector<uint8_t> forced(n, 0);
    forced[0] = forced[n - 1] = 1;
    for (size_t b : breaks)
        if (b < n)
            forced[b] = 1;
    for (size_t j = 1; j + 1 < n; ++j)
        if (p[j].drawn != p[j + 1].drawn || (p[j].drawn && p[j].colour != p[j + 1].colour))
            forced[j] = 1;

    vertex.reserve(n / 2 + 16);
    size_t j = 0;
    while (j < n) {
        if (forced[j]) {
            vertex.push_back(static_cast<uint32_t>(j));
            ++j;
            continue;
        }
        // The run i .. k of points in the same pixel column (the last point
        // is forced, so k + 1 exists), with its highest and lowest point and
        // the one nearest the column's middle.
        const size_t i = j;
        const float column = std::floor(p[i].x);
        const float middle_x = column + 0.5f;
        size_t lo = i, hi = i, middle = i;
        size_t k = i;
        for (;;) {
            if (p[k].y < p[lo].y)
                lo = k;
            if (p[k].y > p[hi].y)
                hi = k;
            if (std::fabs(p[k].x - middle_x) < std::fabs(p[middle].x - middle_x))
                middle = k;
            if (forced[k + 1] || std::floor(p[k + 1].x) != column)
                break;
            ++k;
        }
        j = k + 1;
        if (!p[i].drawn)
            continue; // inside a gap: nothing is drawn through these points
        // The line from the point before the column to the point after it
        // covers every height between theirs; a peak above both (or a trough
        // below both) inside the column would be cut without its own vertex.
        const double before = p[i - 1].y, after = p[k + 1].y;
        const bool peak = p[lo].y < before && p[lo].y < after;
        const bool trough = p[hi].y > before && p[hi].y > after;
        if (peak && trough) {
            vertex.push_back(static_cast<uint32_t>(std::min(lo, hi)));
            vertex.push_back(static_cast<uint32_t>(std::max(lo, hi)));
        } else if (peak || trough) {
            vertex.push_back(static_cast<uint32_t>(peak ? lo : hi));
        } else {
            vertex.push_back(static_cast<uint32_t>(middle));
        }
    }
    // A vertex level with both its neighbours lies on one horizontal line
    // with them (all segments between vertices are alike unless forced, and
    // a forced vertex is kept): the line is the same pixels without it.
    size_t out = 0;
    for (size_t m = 0; m < vertex.size(); ++m) {
        const uint32_t v = vertex[m];
        if (out > 0 && m + 1 < vertex.size() && !forced[v] && p[vertex[out - 1]].y == p[v].y &&
            p[vertex[m + 1]].y == p[v].y)
            continue;
        vertex[out++] = v;
    }
    vertex.resize(out);
}

void plot_stroke(const plot_curve& c, double row, size_t from, size_t to)
{
    const std::vector<uint32_t>& v = c.vertex;
    auto it = std::lower_bound(v.begin(), v.end(), from);
    for (; it != v.end() && it + 1 != v.end() && *(it + 1) <= to; ++it) {
        const plot_point& a = c.points[*it];
        const plot_point& b = c.points[*(it + 1)];
        if (!b.drawn)
            continue;
        const double ya = a.y + row, yb = b.y + row;
        if (!plot_drawable(ya) || !plot_drawable(yb))
            continue;
        pr2d_Line(a.x, static_cast<float>(ya), b.x, static_cast<float>(yb), b.colour, 255, 0);
    }
}

namespace {

// Whether two opaque lines light the same pixels: alike but in y, and in the
// same pixel row whether the renderer takes a line's row by rounding its y
// down or to the nearest whole pixel. (Levels packed tighter than the
// pixel rows, deep in a wide well, would otherwise be drawn by the
// thousand onto the same few rows.)
bool same_pixels(const plot_level& a, double ya, const plot_level& b, double yb)
{
    return a.alpha == 255 && b.alpha == 255 && a.x1 == b.x1 && a.x2 == b.x2 && a.colour == b.colour &&
           std::floor(ya) == std::floor(yb) && std::floor(ya + 0.5) == std::floor(yb + 0.5);
}

} // namespace

void plot_levels(const std::vector<plot_level>& levels)
{
    int rows = 0;
    for (const plot_level& l : levels)
        rows = std::max(rows, l.rows);
    for (int r = rows - 1; r >= 0; --r) {
        const plot_level* last = nullptr;
        double last_y = 0.0;
        for (const plot_level& l : levels) {
            if (l.rows <= r)
                continue;
            const double y = l.y - r;
            if (!plot_drawable(l.x1) || !plot_drawable(l.x2) || !plot_drawable(y))
                continue;
            const float fy = static_cast<float>(y);
            if (last != nullptr && same_pixels(*last, last_y, l, fy))
                continue;
            pr2d_Line(static_cast<float>(l.x1), fy, static_cast<float>(l.x2), fy, l.colour, l.alpha, 0);
            last = &l;
            last_y = fy;
        }
    }
}
