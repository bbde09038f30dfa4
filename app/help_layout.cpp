// Layout of the help overlay. The lines come in topics (a heading and its
// entries); a topic stays in one column, and the columns are balanced to
// about equal length. An entry is its key (or mouse action) in a column of
// keys and its text beside it; where space is short, keys and texts wrap at
// spaces onto further rows. All widths are measured with text_GetWidth at
// the size the text is drawn, so nothing is estimated.
//
// Relies on: the graphics layer's text measuring (platform/zgl.h).
#include "app/help_layout.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// In the plot the overlay is not set smaller than this; a window too small
// for it there gets the overlay over the whole window instead.
constexpr int SMALLEST_PLOT_POINTS = 9;
// The plot spans x = 50 .. width - 50, between the two button columns.
constexpr float PLOT_MARGIN = 50.0f;
// When entries wrap, the keys get at most this share of a column's width.
constexpr float KEY_SHARE = 0.42f;
// Two columns read best in a landscape window; one or three when two do
// not fit.
constexpr int COLUMN_ORDER[] = {2, 1, 3};

constexpr float NO_LIMIT = std::numeric_limits<float>::max();

// Spacing at one text size, pixels.
struct metrics {
    float scale;
    float lh;         // one line, and the distance to the next
    float pad;        // inside the panel's edge
    float key_gap;    // between a key and its text
    float column_gap; // between columns
    float topic_gap;  // above a topic that does not start a column
};

metrics metrics_at(zgl_font* f, int points)
{
    const float scale = float(points) / float(HELP_LARGEST_POINTS);
    const float lh = text_GetHeight(f, scale);
    return {scale,
            lh,
            std::max(4.0f, std::round(8.0f * scale)),
            std::round(8.0f * scale),
            std::round(18.0f * scale),
            std::round(lh / 2)};
}

float width(zgl_font* f, const std::string& text, float scale)
{
    return text.empty() ? 0.0f : text_GetWidth(f, text, scale);
}

// Breaks text at spaces into lines no wider than `budget` pixels; false
// when a single word is wider.
bool wrap(zgl_font* f, const std::string& text, float scale, float budget, std::vector<std::string>& out)
{
    out.clear();
    if (budget == NO_LIMIT) {
        out.push_back(text);
        return true;
    }
    std::string line;
    size_t i = 0;
    while (i <= text.size()) {
        size_t sp = text.find(' ', i);
        if (sp == std::string::npos)
            sp = text.size();
        const std::string word = text.substr(i, sp - i);
        const std::string candidate = line.empty() ? word : line + ' ' + word;
        if (!line.empty() && width(f, candidate, scale) > budget) {
            out.push_back(line);
            line = word;
        } else {
            line = candidate;
        }
        if (width(f, line, scale) > budget)
            return false;
        i = sp + 1;
    }
    out.push_back(line);
    return true;
}

// One row of a column: a heading, or an entry's key piece and text piece
// (either may be empty on a continuation row).
struct row {
    bool heading;
    std::string key, text;
};

// The rows of every topic, with keys wrapped to key_budget and texts to
// text_budget pixels (headings to their sum); false when a word is too wide.
bool make_rows(const std::vector<std::vector<const help_line*>>& topics, zgl_font* f, const metrics& m,
               float key_budget, float text_budget, std::vector<std::vector<row>>& rows)
{
    const float heading_budget = text_budget == NO_LIMIT ? NO_LIMIT : key_budget + m.key_gap + text_budget;
    rows.assign(topics.size(), {});
    std::vector<std::string> keys, texts;
    for (size_t t = 0; t < topics.size(); ++t) {
        for (const help_line* l : topics[t]) {
            if (l->kind != HELP_ENTRY) {
                if (!wrap(f, l->text, m.scale, heading_budget, texts))
                    return false;
                for (const std::string& s : texts)
                    rows[t].push_back({true, "", s});
                continue;
            }
            if (!wrap(f, l->key, m.scale, key_budget, keys) || !wrap(f, l->text, m.scale, text_budget, texts))
                return false;
            for (size_t i = 0; i < std::max(keys.size(), texts.size()); ++i)
                rows[t].push_back({false, i < keys.size() ? keys[i] : "", i < texts.size() ? texts[i] : ""});
        }
    }
    return true;
}

// Puts topics of the given heights into columns in order, a new column
// whenever the next topic would make the current one taller than `limit`.
// Returns the number of columns used.
int split(const std::vector<float>& heights, float gap, float limit, std::vector<int>& column_of)
{
    column_of.assign(heights.size(), 0);
    int col = 0;
    float h = 0;
    for (size_t i = 0; i < heights.size(); ++i) {
        const float need = h == 0 ? heights[i] : h + gap + heights[i];
        if (h > 0 && need > limit) {
            ++col;
            h = heights[i];
        } else {
            h = need;
        }
        column_of[i] = col;
    }
    return col + 1;
}

// Lays out the lines in exactly `columns` columns at `points` points inside
// `area`, wrapping entries to the columns' width when `wrapping`; false
// when they do not fit.
bool lay_out(const std::vector<help_line>& lines, const zgl_rect& area, zgl_font* f, int points, int columns,
             bool wrapping, help_overlay& out)
{
    const metrics m = metrics_at(f, points);
    const help_line* title = nullptr;
    std::vector<std::vector<const help_line*>> topics;
    float widest_key = 0;
    for (const help_line& l : lines) {
        if (l.kind == HELP_TITLE) {
            title = &l;
            continue;
        }
        if (l.kind == HELP_HEADING || topics.empty())
            topics.emplace_back();
        topics.back().push_back(&l);
        if (l.kind == HELP_ENTRY)
            widest_key = std::max(widest_key, width(f, l.key, m.scale));
    }
    if (topics.empty() || int(topics.size()) < columns)
        return false;

    float key_budget = NO_LIMIT, text_budget = NO_LIMIT;
    if (wrapping) {
        const float column_w = (area.w - 2 * m.pad - float(columns - 1) * m.column_gap) / float(columns);
        key_budget = std::min(widest_key, std::floor(column_w * KEY_SHARE));
        // The texts start after the widest wrapped key, which may be well
        // short of the keys' budget.
        float key_w = 0;
        std::vector<std::string> pieces;
        for (const std::vector<const help_line*>& t : topics)
            for (const help_line* l : t) {
                if (l->kind != HELP_ENTRY)
                    continue;
                if (!wrap(f, l->key, m.scale, key_budget, pieces))
                    return false;
                for (const std::string& p : pieces)
                    key_w = std::max(key_w, width(f, p, m.scale));
            }
        text_budget = column_w - key_w - m.key_gap;
        if (text_budget <= 0)
            return false;
    }
    std::vector<std::vector<row>> rows;
    if (!make_rows(topics, f, m, key_budget, text_budget, rows))
        return false;

    // The smallest column height that takes all topics in `columns`
    // columns, found by bisection; the columns come out about equally long.
    std::vector<float> heights;
    float lo = 0, hi = 0;
    for (const std::vector<row>& r : rows) {
        heights.push_back(m.lh * float(r.size()));
        lo = std::max(lo, heights.back());
        hi += heights.back() + m.topic_gap;
    }
    std::vector<int> column_of;
    for (int i = 0; i < 30; ++i) {
        const float mid = (lo + hi) / 2;
        (split(heights, m.topic_gap, mid, column_of) <= columns ? hi : lo) = mid;
    }
    if (split(heights, m.topic_gap, hi, column_of) != columns)
        return false; // fewer columns take them all: that layout is tried on its own

    // Per column: the widest key piece, then the widest row.
    const size_t n = size_t(columns);
    std::vector<float> key_w(n, 0.0f), col_w(n, 0.0f), col_h(n, 0.0f);
    for (size_t t = 0; t < rows.size(); ++t) {
        const size_t c = size_t(column_of[t]);
        col_h[c] += (col_h[c] > 0 ? m.topic_gap : 0) + heights[t];
        for (const row& r : rows[t])
            key_w[c] = std::max(key_w[c], width(f, r.key, m.scale));
    }
    for (size_t t = 0; t < rows.size(); ++t) {
        const size_t c = size_t(column_of[t]);
        for (const row& r : rows[t]) {
            const float w =
                r.heading ? width(f, r.text, m.scale) : key_w[c] + m.key_gap + width(f, r.text, m.scale);
            col_w[c] = std::max(col_w[c], w);
        }
    }
    float content_w = m.column_gap * float(columns - 1);
    for (float w : col_w)
        content_w += w;
    const float title_w = title ? width(f, title->text, m.scale) : 0.0f;
    const float title_h = title ? m.lh * 1.5f : 0.0f;
    const float panel_w = std::ceil(std::max(content_w, title_w) + 2 * m.pad);
    const float panel_h = std::ceil(title_h + *std::max_element(col_h.begin(), col_h.end()) + 2 * m.pad);
    if (panel_w > area.w || panel_h > area.h)
        return false;

    // Centred across the area, at its top, so that the energy diagram below
    // stays in view when there is room.
    out.panel = {std::floor(area.x + (area.w - panel_w) / 2), area.y, panel_w, panel_h};
    out.texts.clear();
    const float top = out.panel.y + m.pad;
    if (title)
        out.texts.push_back({std::round(out.panel.x + (panel_w - title_w) / 2), top, title_w, m.lh, m.scale,
                             HELP_TITLE_COLOUR, title->text});
    float x = std::round(out.panel.x + (panel_w - content_w) / 2);
    for (size_t c = 0; c < n; ++c) {
        float y = top + title_h;
        for (size_t t = 0; t < rows.size(); ++t) {
            if (size_t(column_of[t]) != c)
                continue;
            if (y > top + title_h)
                y += m.topic_gap;
            for (const row& r : rows[t]) {
                if (r.heading) {
                    out.texts.push_back(
                        {x, y, width(f, r.text, m.scale), m.lh, m.scale, HELP_HEADING_COLOUR, r.text});
                } else {
                    if (!r.key.empty())
                        out.texts.push_back(
                            {x, y, width(f, r.key, m.scale), m.lh, m.scale, HELP_KEY_COLOUR, r.key});
                    if (!r.text.empty())
                        out.texts.push_back({x + key_w[c] + m.key_gap, y, width(f, r.text, m.scale), m.lh,
                                             m.scale, HELP_TEXT_COLOUR, r.text});
                }
                y += m.lh;
            }
        }
        x += col_w[c] + m.column_gap;
    }
    return true;
}

bool first_fit(const std::vector<help_line>& lines, const zgl_rect& area, zgl_font* f, int smallest,
               help_overlay& out)
{
    if (area.w <= 0 || area.h <= 0)
        return false;
    for (bool wrapping : {false, true})
        for (int points = HELP_LARGEST_POINTS; points >= smallest; --points)
            for (int columns : COLUMN_ORDER)
                if (lay_out(lines, area, f, points, columns, wrapping, out))
                    return true;
    return false;
}

} // namespace

bool help_lay_out_overlay(const konfig& k, const std::vector<help_line>& lines, zgl_font* f,
                          help_overlay& out)
{
    const float W = float(k.width);
    const float H = float(k.height);
    float top = HELP_EDGE;
    for (const control* c = k.controls; c != nullptr; c = c->next) {
        const bool open_panel = c->name == "pl_sup" && c->visible;
        if (c->name == "vypis" || open_panel)
            top = std::max(top, c->rect.y + c->rect.h + HELP_EDGE);
    }
    const zgl_rect plot{PLOT_MARGIN, top, W - 2 * PLOT_MARGIN, H - HELP_EDGE - top};
    const zgl_rect whole{HELP_EDGE, HELP_EDGE, W - 2 * HELP_EDGE, H - 2 * HELP_EDGE};
    return first_fit(lines, plot, f, SMALLEST_PLOT_POINTS, out) ||
           first_fit(lines, whole, f, HELP_SMALLEST_POINTS, out);
}
