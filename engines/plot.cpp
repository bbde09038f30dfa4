// Thinning and stroking of the plots' curves, and level lines row by row
// (see plot.h for why).
#include "engines/plot.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "platform/zgl.h"

namespace {

// A coordinate the graphics layer can take: finite and within float range.
bool drawable(double v)
{
    return std::isfinite(v) && std::fabs(v) <= static_cast<double>(FLT_MAX);
}

} // namespace

void plot_curve::clear()
{
    x.clear();
    y.clear();
    colour.clear();
    drawn.clear();
    vertex.clear();
    drawable.clear();
}

void plot_curve::add(double sx, double sy, uint32_t c, bool wanted)
{
    const bool ok = ::drawable(sx) && ::drawable(sy);
    const bool joined = wanted && ok && !drawable.empty() && drawable.back();
    x.push_back(ok ? static_cast<float>(sx) : 0.0f);
    y.push_back(ok ? sy : 0.0);
    colour.push_back(c);
    drawn.push_back(joined);
    drawable.push_back(ok);
}

void plot_curve::thin(const std::vector<size_t>& breaks)
{
    const size_t n = size();
    vertex.clear();
    if (n == 0)
        return;
    // Points that must be vertices: the ends, the breaks, and every point
    // between two segments that differ in colour or in being drawn (a
    // region border, a gap), so that all segments between two vertices are
    // alike.
    auto forced = [&](size_t j) {
        if (j == 0 || j + 1 == n)
            return true;
        if (drawn[j] != drawn[j + 1] || (drawn[j] && colour[j] != colour[j + 1]))
            return true;
        return std::find(breaks.begin(), breaks.end(), j) != breaks.end();
    };
    size_t j = 0;
    while (j < n) {
        if (forced(j)) {
            vertex.push_back(static_cast<uint32_t>(j));
            ++j;
            continue;
        }
        // The run i .. k of points in the same pixel column (the last point
        // is forced, so k + 1 exists).
        const size_t i = j;
        const double column = std::floor(x[i]);
        size_t k = i;
        while (!forced(k + 1) && std::floor(x[k + 1]) == column)
            ++k;
        j = k + 1;
        if (!drawn[i] && !drawn[k + 1])
            continue; // inside a gap: nothing is drawn through these points
        size_t lo = i, hi = i, middle = i;
        for (size_t m = i; m <= k; ++m) {
            if (y[m] < y[lo])
                lo = m;
            if (y[m] > y[hi])
                hi = m;
            if (std::fabs(x[m] - (column + 0.5)) < std::fabs(x[middle] - (column + 0.5)))
                middle = m;
        }
        // The line from the point before the column to the point after it
        // covers every height between theirs; a peak above both (or a trough
        // below both) inside the column would be cut without its own vertex.
        const double before = y[i - 1], after = y[k + 1];
        const bool peak = y[lo] < before && y[lo] < after;
        const bool trough = y[hi] > before && y[hi] > after;
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
        if (out > 0 && m + 1 < vertex.size() && !forced(v) && y[vertex[out - 1]] == y[v] &&
            y[vertex[m + 1]] == y[v])
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
        const uint32_t a = *it, b = *(it + 1);
        if (!c.drawn[b])
            continue;
        const double ya = c.y[a] + row, yb = c.y[b] + row;
        if (!drawable(ya) || !drawable(yb))
            continue;
        pr2d_Line(c.x[a], static_cast<float>(ya), c.x[b], static_cast<float>(yb), c.colour[b], 255, 0);
    }
}

void plot_levels(const std::vector<plot_level>& levels)
{
    int rows = 0;
    for (const plot_level& l : levels)
        rows = std::max(rows, l.rows);
    for (int r = rows - 1; r >= 0; --r) {
        for (const plot_level& l : levels) {
            if (l.rows <= r)
                continue;
            const double y = l.y - r;
            if (!drawable(l.x1) || !drawable(l.x2) || !drawable(y))
                continue;
            pr2d_Line(static_cast<float>(l.x1), static_cast<float>(y), static_cast<float>(l.x2),
                      static_cast<float>(y), l.colour, l.alpha, 0);
        }
    }
}
