// Choosing the ticks of a scale (see ticks.h).
#include "engines/scale/ticks.h"

#include <cmath>

#include "common/numtext.h"

std::string scale_label(double value, const char* unit)
{
    std::string number = fmt_g(value);
    if (!number.empty() && number[0] == '-')
        number.replace(0, 1, "\u2212");
    return number + " " + unit;
}

namespace {

// A step with more ticks than this would crowd the axis even where a few
// lose their labels to the room or to other texts: it is passed over
// unmeasured.
constexpr double MAX_TICKS = 14.0;
// A value this close to a multiple of the step (relative to the step)
// counts as on it, so that the ends of the range keep their ticks despite
// rounding.
constexpr double ON_STEP = 1e-9;

// The step mantissa * 10^exponent and its multiples within the axis; no
// ticks when there would be too many, or when two labels come closer than
// the gap.
tick_choice ticks_of(const tick_axis& a, double mantissa, int exponent, const char* unit,
                     const std::function<label_span(const std::string&)>& measure)
{
    // A negative power of ten is divided by rather than multiplied with:
    // 3 / 10 is the double nearest 0.3, 3 * 0.1 is not.
    const double power = std::pow(10.0, std::abs(exponent));
    auto value = [&](double k) { return exponent < 0 ? k * mantissa / power : k * mantissa * power; };
    tick_choice c;
    c.step = value(1.0);
    const double first = std::ceil(a.lo / c.step - ON_STEP), last = std::floor(a.hi / c.step + ON_STEP);
    if (!(last - first < MAX_TICKS))
        return c;
    // The screen span of the last label drawn; ticks run against the
    // screen when per < 0 (energies upwards), so either order is checked.
    bool any = false;
    double prev_from = 0.0, prev_to = 0.0;
    for (double k = first; k <= last; k += 1.0) {
        tick t;
        t.value = k == 0.0 ? 0.0 : value(k); // no "-0"
        t.at = a.origin + a.per * t.value;
        t.text = scale_label(t.value, unit);
        const label_span s = measure(t.text);
        const double from = t.at + s.before, to = t.at + s.after;
        t.labelled = from >= a.room_lo && to <= a.room_hi;
        for (const auto& [b_from, b_to] : a.blocked)
            t.labelled = t.labelled && (to <= b_from || from >= b_to);
        if (t.labelled) {
            if (any && !(from >= prev_to + a.gap || prev_from >= to + a.gap)) {
                c.ticks.clear();
                c.labelled = 0;
                return c;
            }
            any = true;
            prev_from = from;
            prev_to = to;
            c.labelled++;
        }
        c.ticks.push_back(std::move(t));
    }
    return c;
}

} // namespace

tick_choice choose_ticks(const tick_axis& a, const char* unit,
                         const std::function<label_span(const std::string&)>& measure)
{
    const double range = a.hi - a.lo;
    if (!std::isfinite(range) || !(range > 0.0) || !std::isfinite(a.origin) || !std::isfinite(a.per))
        return {};
    // Steps in increasing size, from a fiftieth of the range (far more
    // than 10 ticks) to one larger than the range (one tick at most).
    constexpr double MANTISSA[] = {1.0, 2.0, 5.0};
    const int smallest = static_cast<int>(std::floor(std::log10(range / 50.0)));
    tick_choice up_to_ten, most;
    for (int e = smallest; e <= smallest + 3; ++e)
        for (double m : MANTISSA) {
            tick_choice c = ticks_of(a, m, e, unit, measure);
            if (c.labelled >= 4 && c.labelled <= 7)
                return c;
            if (c.labelled >= 4 && c.labelled <= 10 && up_to_ten.step == 0.0)
                up_to_ten = c;
            if (c.labelled <= 10 && c.labelled > most.labelled)
                most = std::move(c);
        }
    return up_to_ten.step > 0.0 ? up_to_ten : most;
}
